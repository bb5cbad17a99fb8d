// The tray icon of either role, its popup menus, and the support module's
// information box ("Tellmar 32 bit Support Module").
#pragma once

#include "platform/menu.h"
#include "platform/messages.h"

namespace tellmar::admin {

// Adds the icon unless the server runs as a service or it is there already.
void AddTrayIcon();
void ModifyTrayIcon();
void RemoveTrayIcon();

// The popup of the role: the support module's (extended or plain) or the RCU's.
Menu TrayPopupMenu();

// The tray icon's callback (message 2023): lParam is the mouse message.
void OnTrayNotification(LPARAM mouseMessage);

// The modal information box of the support module.
void ShowInformationBox();

}  // namespace tellmar::admin
