// "Configure User Buttons": the eight buttons of the main server, each a
// program and a caption, kept in tmhub.ini [UserButtons].
#pragma once

#include "platform/dialog.h"

namespace tellmar::admin {

// Runs the dialog modally; true when it ended with OK (the values are then
// stored). Slot F hears "OK" or "CANCEL" through the dispatcher.
bool RunUserButtonsDialog(HWND owner, DialogGuard& guard);

}  // namespace tellmar::admin
