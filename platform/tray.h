// The notification-area (tray) icons of a program: icon resource, identifier,
// tip and callback message. The state is kept so that automation (and the
// browser desktop) can show the icons and deliver clicks to them.
#pragma once

#include <string>
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

}  // namespace tellmar
