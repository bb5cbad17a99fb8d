// The notification-area (tray) icons of a program: icon resource, identifier,
// tip and callback message. The state is kept so that automation (and the
// browser desktop) can show the icons and deliver clicks to them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/messages.h"

namespace tellmar {

inline constexpr std::size_t kTrayTipMax = 63;

struct NOTIFYICONDATA {
  HWND hWnd = 0;
  UINT uID = 0;
  UINT uFlags = 0;  // NIF_MESSAGE | NIF_ICON | NIF_TIP
  UINT uCallbackMessage = 0;
  int hIcon = 0;  // icon resource number
  std::string szTip;
};

struct TrayIcon {
  HWND hwnd = 0;
  UINT id = 0;
  UINT callbackMessage = 0;
  int icon = 0;
  std::string tip;
};

// NIM_ADD fails for an icon already present, NIM_MODIFY and NIM_DELETE for
// one that is not. A tip is cut to 63 characters.
bool Shell_NotifyIcon(UINT message, const NOTIFYICONDATA& data);
std::vector<TrayIcon> TrayIcons();

// What a person's mouse does to a tray icon: the owner's callback message
// with wParam = the icon identifier and lParam = the mouse message
// (WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP...).
bool ClickTrayIcon(HWND hwnd, UINT id, UINT mouseMessage);

// A window's one tray icon, with its identifier and callback message fixed:
// Show adds it the first time and changes it in place afterwards, Remove
// takes it away once. Programs keep one of these instead of tracking NIM_ADD
// and NIM_DELETE themselves.
class NotifyIcon {
 public:
  NotifyIcon(UINT id, UINT callbackMessage) : id_(id), callbackMessage_(callbackMessage) {}

  // Shows `icon` (a resource number) with `tip` for `owner`; false when the
  // icon could not be added.
  bool Show(HWND owner, int icon, std::string_view tip);
  void Remove();
  bool shown() const { return shown_; }

 private:
  UINT id_;
  UINT callbackMessage_;
  HWND owner_ = 0;
  bool shown_ = false;
};

}  // namespace tellmar
