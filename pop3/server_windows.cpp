#include "pop3/server_windows.h"

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/menu.h"
#include "platform/operator.h"
#include "platform/tray.h"
#include "platform/window.h"

namespace tellmar::pop3 {

namespace {

// The start-up boxes have no caption of their own; this is what the system
// shows for such a box.
constexpr const char* kBoxCaption = "Error";

void PlaceHiddenButton(HWND main, int width, int height) {
  const HWND button = GetDlgItem(main, kHiddenDisconnectId);
  if (button == 0) return;
  MoveWindow(button, (width - kHiddenButtonWidth) / 2, height - kHiddenButtonHeight, kHiddenButtonWidth,
             kHiddenButtonHeight);
}

}  // namespace

ServerWindows::ServerWindows(bool serviceMode, Hooks hooks) : serviceMode_(serviceMode), hooks_(std::move(hooks)) {}

ServerWindows::~ServerWindows() {
  // Torn down without asking anyone: the program is over.
  quiet_ = true;
  Close();
  if (mainClass_) UnregisterClass(kMainClass);
}

int ServerWindows::Create() {
  WNDCLASS cls;
  cls.name = kMainClass;
  cls.proc = [this](HWND h, UINT m, WPARAM w, LPARAM l) { return MainProc(h, m, w, l); };
  cls.icon = kProgramIcon;
  if (!RegisterClass(cls)) {
    MessageBox(0, "Cannot register main window class", kBoxCaption, MB_OK);
    return kStartFailureExit;
  }
  mainClass_ = true;

  const int width = GetSystemMetrics(SM_CXSCREEN) / 4;
  const int height = GetSystemMetrics(SM_CYSCREEN) / 4;
  main_ = CreateWindow(kMainClass, kMainTitle, WS_OVERLAPPEDWINDOW, width, height, width, height);
  if (main_ == 0) {
    MessageBox(0, "Cannot create main window", kBoxCaption, MB_OK);
    return kStartFailureExit;
  }
  ShowWindow(main_, SW_HIDE);

  if (!serviceMode_) tray_.Show(main_, kTrayIcon, kTrayTip);

  dialog_ = CreateDialog(StatusIds::kTemplate, main_, [this](HWND d, UINT m, WPARAM w, LPARAM l) {
    return StatusProc(d, m, w, l);
  });
  return 0;
}

void ServerWindows::CreateHiddenChildren(HWND hwnd) {
  const RECT client = GetClientRect(hwnd);
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  const HWND list = CreateWindow(kListBoxClass, "", WS_CHILD | WS_VSCROLL, 0, 0, width,
                                 height - kHiddenButtonHeight, hwnd, kHiddenListId);
  if (list == 0) {
    MessageBox(0, "Cannot create listbox window", kBoxCaption, MB_OK);
    return;
  }
  CreateWindow(kButtonClass, "Disconnect", WS_CHILD | BS_PUSHBUTTON, 0, 0, kHiddenButtonWidth,
               kHiddenButtonHeight, hwnd, kHiddenDisconnectId);
  PlaceHiddenButton(hwnd, width, height);
}

bool ServerWindows::CreateSocketWindow() {
  WNDCLASS cls;
  cls.name = kSocketClass;
  // Socket events reach the sessions through the loop's own sockets; the
  // window stays for those who look for it.
  cls.proc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    return m == kSocketMessage ? 0 : DefWindowProc(h, m, w, l);
  };
  cls.icon = kProgramIcon;
  if (!RegisterClass(cls)) return false;
  socketClass_ = true;
  socket_ = CreateWindow(kSocketClass, "", WS_CHILD, 0, 0, 0, 0, main_);
  if (socket_ == 0) {
    UnregisterClass(kSocketClass);
    socketClass_ = false;
    return false;
  }
  return true;
}

bool ServerWindows::StartTimer(unsigned milliseconds) {
  return main_ != 0 && SetTimer(main_, kTimeoutTimerId, milliseconds) != 0;
}

void ServerWindows::StopTimer() {
  if (main_ != 0) KillTimer(main_, kTimeoutTimerId);
}

void ServerWindows::Close() {
  StopTimer();
  DestroySocketWindow();
  RemoveTrayIcon();
  if (dialog_ != 0) {
    log_.SetListBox(0);
    DestroyWindow(std::exchange(dialog_, 0));
  }
  if (main_ != 0) DestroyWindow(std::exchange(main_, 0));
}

void ServerWindows::DestroySocketWindow() {
  if (socket_ != 0) DestroyWindow(std::exchange(socket_, 0));
  if (socketClass_) UnregisterClass(kSocketClass);
  socketClass_ = false;
}

void ServerWindows::RemoveTrayIcon() { tray_.Remove(); }

void ServerWindows::ShowStatus() {
  if (dialog_ == 0) return;
  ShowWindow(dialog_, IsIconic(dialog_) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(dialog_);
}

void ServerWindows::Disconnect() {
  if (hooks_.onDisconnect)
    hooks_.onDisconnect();
  else
    Close();
}

void ServerWindows::TrayNotice(LPARAM mouseMessage) {
  if (mouseMessage == WM_LBUTTONDBLCLK) {
    ShowStatus();
  } else if (mouseMessage == WM_RBUTTONDOWN) {
    Menu menu = CreatePopupMenu();
    AppendMenu(menu, MF_STRING, kCommandCloseMenu, "Close Menu");
    AppendMenu(menu, MF_STRING, kCommandRestore, "Restore");
    AppendMenu(menu, MF_STRING, kCommandDisconnect, "Disconnect");
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, main_);
  }
}

LRESULT ServerWindows::MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      CreateHiddenChildren(hwnd);
      return 0;
    case WM_SIZE:
      PlaceHiddenButton(hwnd, LOWORD(static_cast<std::uintptr_t>(lParam)),
                        HIWORD(static_cast<std::uintptr_t>(lParam)));
      return 0;
    case WM_TIMER:
      if (wParam == kTimeoutTimerId && hooks_.onTick) hooks_.onTick();
      return 0;
    case kTrayMessage:
      if (wParam == kTrayIconId) TrayNotice(lParam);
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kCommandDisconnect:
        case kHiddenDisconnectId:
          Disconnect();
          break;
        case kCommandRestore:
          ShowStatus();
          break;
        default:  // Close Menu: nothing more
          break;
      }
      return 0;
    case WM_CLOSE:
      Disconnect();
      return 0;
    case WM_DESTROY:
      if (!quiet_) PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

INT_PTR ServerWindows::StatusProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      PlaceCentreAt(dialog, GetSystemMetrics(SM_CXSCREEN) * 2 / 3, GetSystemMetrics(SM_CYSCREEN) * 2 / 3);
      log_.SetListBox(GetDlgItem(dialog, StatusIds::kLog));
      return TRUE;
    case WM_SIZE:
      // Minimized, the dialog goes back to the tray.
      if (wParam == SIZE_MINIMIZED) ShowWindow(dialog, SW_HIDE);
      return TRUE;
    case WM_DRAWITEM:
      // The owner-drawn Disconnect button is drawn by whoever shows the
      // dialog, from its caption and image.
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == StatusIds::kDisconnect || LOWORD(wParam) == IDCANCEL) {
        Disconnect();
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace tellmar::pop3
