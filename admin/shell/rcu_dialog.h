// The Remote Configuration Utility's dialog: locate a server installation,
// check its remote access password, then forward the configuration menu
// commands to the main window as the main server's own messages.
#pragma once

#include "admin/shell/rcu_model.h"
#include "platform/messages.h"

namespace tellmar::admin {

// Creates the modeless dialog (at start-up of the RCU role).
HWND CreateRcuDialog();
// From the tray icon and command 1124: show it and bring it forward.
void RestoreRcuDialog();
RcuState CurrentRcuState();

}  // namespace tellmar::admin
