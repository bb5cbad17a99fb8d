#include "admin/shell/tray_menu.h"

#include <cstdio>

#include "admin/shell/admin_state.h"
#include "admin/shell/commands.h"
#include "platform/dialog.h"
#include "platform/tray.h"
#include "platform/window.h"
#include "resources/tmadmin32/support_ids.h"

namespace tellmar::admin {
namespace {

using Info = res::tmadmin32::SupportInfo;

constexpr std::string_view kModuleVersion = "Vuvedo32 v3.63  20-Dec-99";

void ShowTrayIcon() {
  AdminState& app = App();
  app.tray.Show(app.main, TrayIconResource(app.role), TrayTip(app.role));
}

INT_PTR InformationBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      CenterWindow(dialog);
      SetForegroundWindow(dialog);
      SetDlgItemText(dialog, Info::kWindowsVersion, WindowsVersionText());
      SetDlgItemText(dialog, Info::kModuleVersion, kModuleVersion);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case Info::kCloseDown:
          EndDialog(dialog, Info::kCloseDown);
          return TRUE;
        case IDOK:
        case IDCANCEL:
          EndDialog(dialog, LOWORD(wParam));
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

void ShowPopup() {
  AdminState& app = App();
  SetForegroundWindow(app.main);
  TrackPopupMenu(TrayPopupMenu(), TPM_RIGHTBUTTON, app.main);
  PostMessage(app.main, WM_NULL, 0, 0);
}

}  // namespace

void AddTrayIcon() {
  AdminState& app = App();
  if (app.runAsService || app.tray.shown()) return;
  ShowTrayIcon();
}

void ModifyTrayIcon() {
  if (App().tray.shown()) ShowTrayIcon();
}

void RemoveTrayIcon() { App().tray.Remove(); }

Menu TrayPopupMenu() {
  Menu menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, command::kCloseMenu, "Close Menu");
  if (App().role == Role::RemoteConfiguration) {
    AppendMenu(menu, MF_STRING, command::kRestore, "Restore");
  } else if (App().extendedPopup) {
    static constexpr std::pair<UINT, const char*> kExtended[] = {
        {command::kMailboxes, "Additional mailboxes"},
        {command::kAddressLists, "Mailing/Address lists"},
        {command::kScheduling, "Scheduled Connections"},
        {command::kFilters, "Mail Filtering/Routing"},
        {command::kAttachments, "Attachments"},
        {command::kAdministratorWindow, "Administrator window"},
        {command::kUtilities, "Utilities"},
        {command::kMaintainUsers, "Maintain Users "},
        {command::kSetupWizard, "Setup Wizard"},
        {command::kConfigureServer, "Configure Server"},
        {command::kRiziDori, "RiziDori Settings"},
        {command::kUserButtons, "User Buttons"},
    };
    for (const auto& [id, text] : kExtended) AppendMenu(menu, MF_STRING, id, text);
  }
  AppendMenu(menu, MF_SEPARATOR, 0);
  AppendMenu(menu, MF_STRING, command::kClose, "Close            Alt+F4");
  return menu;
}

void OnTrayNotification(LPARAM mouseMessage) {
  AdminState& app = App();
  if (app.role == Role::RemoteConfiguration && mouseMessage == WM_LBUTTONDOWN) {
    SendMessage(app.main, WM_COMMAND, command::kRestore, 0);
    return;
  }
  if (app.role == Role::SupportModule && mouseMessage == WM_LBUTTONDBLCLK) {
    ShowInformationBox();
    return;
  }
  if (mouseMessage == WM_RBUTTONUP && !app.infoBoxOpen) ShowPopup();
}

void ShowInformationBox() {
  AdminState& app = App();
  if (app.infoBoxOpen) return;
  app.infoBoxOpen = true;
  const INT_PTR result = DialogBox(Info::kTemplate, app.main, InformationBoxProc);
  app.infoBoxOpen = false;
  if (result == Info::kCloseDown) SendMessage(app.main, WM_CLOSE, 0, 0);
}

}  // namespace tellmar::admin
