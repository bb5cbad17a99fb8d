// The WM_COMMAND identifiers of the main window: from the tray popup, from
// the RCU dialog and from the main server.
#pragma once

#include "platform/messages.h"

namespace tellmar::admin {

namespace command {
inline constexpr UINT kDestroy = 1027, kServerToFront = 1029, kChooserOptionOn = 1030, kChooserOptionOff = 1031,
                      kAbout = 1032, kClose = 1100, kShow = 1102, kHide = 1103, kCloseMenu = 1107,
                      kSetupWizard = 1108, kAdministratorWindow = 1110, kMaintainUsers = 1111,
                      kConfigureServer = 1112, kRiziDori = 1113, kMailboxes = 1114, kUtilities = 1115,
                      kAttachments = 1116, kScheduling = 1117, kFilters = 1118, kAddressLists = 1119,
                      kPasswordEntry = 1122, kUserButtons = 1123, kRestore = 1124, kModifyTray = 32784,
                      kDestroy2 = 40007, kAddTray = 40014, kRemoveTray = 40015, kFileChooser = 40016,
                      kSaveChooser = 40017;
}  // namespace command

// Answers true when `id` is one of the main window's commands.
bool HandleCommand(HWND hwnd, UINT id, LPARAM lParam);

}  // namespace tellmar::admin
