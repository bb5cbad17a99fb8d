// "Configure User Buttons": the eight buttons of the main server, each a
// program and a caption, kept in tmhub.ini [UserButtons].
#pragma once

#include "platform/dialog.h"

namespace tellmar::admin {

// Its two modes: browsing the list, editing the selected entry.
namespace UserButtonsMode {
enum : int { kBrowsing, kEditing };
}

// Runs the dialog modally; true when it ended with OK (the values are then
// stored). Slot F hears "OK" or "CANCEL" through the dispatcher.
bool RunUserButtonsDialog(HWND owner, DialogGuard& guard);

}  // namespace tellmar::admin
