// F7-Print of the mail administration window: the print chooser, then
// "Auto Printing", then one document per message.
#pragma once

#include <filesystem>
#include <vector>

#include "platform/messages.h"

namespace tellmar::admin::mailview {

// Prints `messages` (full paths, in list order; at most 1000 are taken).
void PrintMessages(HWND owner, const std::vector<std::filesystem::path>& messages);

}  // namespace tellmar::admin::mailview
