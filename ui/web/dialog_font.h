// The font the desktop page draws dialogs in: Liberation Sans, whose widths
// are those of the Arial the programs' dialogs were laid out for. The page
// measures it and turns dialog units into pixels from its real average
// character width and height, so every text gets the room its template
// gives it.
#pragma once

#include <string>

namespace tellmar::web {

// The font file's bytes ($TELLMAR_DIALOG_FONT, else Debian's
// fonts-liberation2 or fonts-liberation); empty when none is installed, and
// the page falls back to the browser's own sans-serif, measured the same way.
std::string DialogFontBytes();

}  // namespace tellmar::web
