#include "admin/shell/main_window.h"

#include "admin/mailview/mail_window.h"

#include "admin/shell/admin_state.h"
#include "admin/shell/commands.h"
#include "admin/shell/dispatcher.h"
#include "admin/shell/file_choosers.h"
#include "admin/shell/password_entry.h"
#include "admin/shell/rcu_dialog.h"
#include "admin/shell/restart_server.h"
#include "admin/shell/service_messages.h"
#include "admin/shell/tray_menu.h"
#include "platform/dialog.h"
#include "platform/window.h"
#include "resources/tmadmin32/support_ids.h"

namespace tellmar::admin {
namespace {

using Splash = res::tmadmin32::Splash;

constexpr int kMainHeight = 150;

void DestroySplash() {
  AdminState& app = App();
  if (app.splash != 0 && IsWindow(app.splash)) DestroyWindow(app.splash);
  app.splash = 0;
}

void CreateSplash() {
  AdminState& app = App();
  if (app.splash != 0 && IsWindow(app.splash)) return;
  app.splash = CreateDialog(Splash::kTemplate, 0, [](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
      DestroyWindow(dialog);
      if (App().splash == dialog) App().splash = 0;
      return TRUE;
    }
    return FALSE;
  });
  if (app.splash == 0) return;
  CenterWindow(app.splash);
  SetTopmost(app.splash, true);
  ShowWindow(app.splash, SW_SHOW);
}

void Close(HWND hwnd) {
  RemoveTrayIcon();
  if (const HWND mail = mailview::MailWindow()) DestroyWindow(mail);
  DestroyWindow(hwnd);
}

}  // namespace

bool HandleCommand(HWND hwnd, UINT id, LPARAM lParam) {
  AdminState& app = App();
  if (DispatchCommand(id)) return true;
  switch (id) {
    case command::kDestroy:
    case command::kDestroy2:
      Close(hwnd);
      return true;
    case command::kServerToFront:
      if (app.serverWindow != 0) {
        SetForegroundWindow(app.serverWindow);
        ShowWindow(app.serverWindow, SW_RESTORE);
      }
      return true;
    case command::kChooserOptionOn:
    case command::kChooserOptionOff:
      app.chooserOption = id == command::kChooserOptionOn;
      return true;
    case command::kClose:
      RemoveTrayIcon();
      PostQuitMessage(0);
      return true;
    case command::kShow:
    case command::kHide:
      ShowWindow(hwnd, id == command::kShow ? SW_SHOW : SW_HIDE);
      return true;
    case command::kCloseMenu:
      return true;  // the popup is gone already
    case command::kPasswordEntry:
      RunPasswordEntry(false);
      return true;
    case command::kUserButtons:
      PostMessage(hwnd, msg::kUserButtons, 0, 0);
      return true;
    case command::kRestore:
      RestoreRcuDialog();
      return true;
    case command::kModifyTray:
      ModifyTrayIcon();
      return true;
    case command::kAddTray:
      AddTrayIcon();
      return true;
    case command::kRemoveTray:
      RemoveTrayIcon();
      return true;
    case command::kFileChooser:
      RunFileChooser();
      return true;
    case command::kSaveChooser:
      RunSaveChooser();
      return true;
    default:
      (void)lParam;
      return false;
  }
}

LRESULT MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  AdminState& app = App();
  switch (message) {
    case WM_CREATE:
      app.dunParams = CreateWindow(kEditClass, "dunparams", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 20, 20, hwnd);
      app.dunOpen = CreateWindow(kEditClass, "dunopen", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 20, 20, hwnd);
      return 0;
    case WM_SIZE:
      if (wParam == SIZE_MINIMIZED) ShowWindow(hwnd, SW_HIDE);
      return 0;
    case WM_CLOSE:
      Close(hwnd);
      return 0;
    case WM_DESTROY:
      RemoveTrayIcon();
      PostQuitMessage(0);
      return 0;
    case WM_COMMAND:
      if (HandleCommand(hwnd, LOWORD(wParam), lParam)) return 0;
      break;
    case WM_TIMER:
      if (wParam == kRestartTimer) {
        FinishServerRestart();
        return 0;
      }
      break;
    case msg::kTray:
      OnTrayNotification(lParam);
      return 0;
    case msg::kPasswordEntry:
      RunPasswordEntry(true);
      return 0;
    case msg::kSplashCreate:
      CreateSplash();
      return 0;
    case msg::kSplashDestroy:
      DestroySplash();
      return 0;
    case msg::kRestartServer:
      BeginServerRestart();
      return 0;
    case msg::kPostChooser:
      PostMessage(hwnd, WM_COMMAND, command::kFileChooser, lParam);
      return 0;
    case msg::kPostSaveChooser:
      PostMessage(hwnd, WM_COMMAND, command::kSaveChooser, 0);
      return 0;
    case msg::kSoundChooser:
      app.chooserKindPreset = 1;
      PostMessage(hwnd, WM_COMMAND, command::kFileChooser, 0);
      return 0;
    case msg::kChooser:
      RunPlainChooser(wParam);
      return 0;
    default:
      if (auto answer = HandleServiceMessage(hwnd, message, wParam, lParam)) return *answer;
      if (DispatchMessage(message, wParam, lParam)) return 0;
      break;
  }
  return DefWindowProc(hwnd, message, wParam, lParam);
}

bool RegisterMainWindowClass() {
  WNDCLASS cls;
  cls.name = std::string(kMainClass);
  cls.proc = MainWindowProc;
  cls.icon = kSupportIcon;
  return RegisterClass(cls);
}

HWND CreateMainWindow() {
  CreateParams p;
  p.className = kMainClass;
  p.title = WindowTitle(App().role);
  p.style = WS_OVERLAPPEDWINDOW;
  p.exStyle = WS_EX_APPWINDOW;
  p.x = GetSystemMetrics(SM_CXSCREEN) / 4;
  p.y = GetSystemMetrics(SM_CYSCREEN) / 4;
  p.width = GetSystemMetrics(SM_CXSCREEN) / 3;
  p.height = kMainHeight;
  const HWND hwnd = CreateWindow(p);
  if (hwnd != 0) ShowWindow(hwnd, SW_HIDE);
  return hwnd;
}

}  // namespace tellmar::admin
