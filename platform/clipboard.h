// The clipboard of the desktop: one plain text that every program of the
// desktop shares. It is kept in the desktop directory ("clipboard", mode
// 0600), replaced whole by each copy, so a program reads what another
// copied, and `tmctl clipboard` prints it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace tellmar {

// Replaces the clipboard's text (bytes as they are).
std::error_code SetClipboardText(std::string_view text);
// The clipboard's text; nullopt when nothing was copied yet.
std::optional<std::string> GetClipboardText();

}  // namespace tellmar
