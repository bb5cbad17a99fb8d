// The mail status window (resource 252). In the support module the main
// server creates it with message 1837 (hidden unless asked for visibly) and
// it lives until the program ends, Close only hiding it; in the RCU the
// menu command creates it shown and Close destroys it.
#pragma once

#include "platform/window.h"

namespace tellmar::admin {

// Creates the window, or shows an existing one when `visible`; then its
// title is refreshed.
HWND ShowMailStatusWindow(bool visible);
// A refresh: `force` refreshes the list fully, otherwise the quick check
// ([environment] UseQuickStatusCheck) may find nothing changed. Nothing
// happens while the window does not exist.
void RefreshMailStatusWindow(bool force);
HWND MailStatusWindow();

}  // namespace tellmar::admin
