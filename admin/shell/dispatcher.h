// The one table from a message or command to the configuration dialog it
// opens. Each dialog runs at most once: a second request while it is open
// brings it to the top. Each entry says which slot hears how the dialog
// ended.
#pragma once

#include "platform/messages.h"

namespace tellmar::admin {

// Answers true when the message (or command) belongs to a dialog entry.
bool DispatchMessage(UINT message, WPARAM wParam, LPARAM lParam);
bool DispatchCommand(UINT command);

}  // namespace tellmar::admin
