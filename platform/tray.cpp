#include "platform/tray.h"

#include <algorithm>

#include "platform/loop.h"
#include "platform/window.h"

namespace tellmar {

bool Shell_NotifyIcon(UINT message, const NOTIFYICONDATA& data) {
  Loop::Current().NoteChange();
  auto& icons = Loop::Current().tray();
  auto it = std::find_if(icons.begin(), icons.end(),
                         [&](const TrayIcon& t) { return t.hwnd == data.hWnd && t.id == data.uID; });
  switch (message) {
    case NIM_ADD:
      if (it != icons.end()) return false;
      icons.push_back(TrayIcon{data.hWnd, data.uID, 0, 0, {}});
      it = icons.end() - 1;
      break;
    case NIM_MODIFY:
      if (it == icons.end()) return false;
      break;
    case NIM_DELETE:
      if (it == icons.end()) return false;
      icons.erase(it);
      return true;
    default:
      return false;
  }
  if ((data.uFlags & NIF_MESSAGE) != 0) it->callbackMessage = data.uCallbackMessage;
  if ((data.uFlags & NIF_ICON) != 0) it->icon = data.hIcon;
  if ((data.uFlags & NIF_TIP) != 0) it->tip = data.szTip.substr(0, kTrayTipMax);
  return true;
}

std::vector<TrayIcon> TrayIcons() { return Loop::Current().tray(); }

bool ClickTrayIcon(HWND hwnd, UINT id, UINT mouseMessage) {
  for (const TrayIcon& t : Loop::Current().tray()) {
    if (t.hwnd == hwnd && t.id == id && t.callbackMessage != 0) {
      SendMessage(hwnd, t.callbackMessage, id, static_cast<LPARAM>(mouseMessage));
      return true;
    }
  }
  return false;
}

bool NotifyIcon::Show(HWND owner, int icon, std::string_view tip) {
  if (shown_ && owner != owner_) Remove();
  NOTIFYICONDATA data;
  data.hWnd = owner;
  data.uID = id_;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = callbackMessage_;
  data.hIcon = icon;
  data.szTip = std::string(tip);
  if (shown_) return Shell_NotifyIcon(NIM_MODIFY, data);
  owner_ = owner;
  shown_ = Shell_NotifyIcon(NIM_ADD, data);
  return shown_;
}

void NotifyIcon::Remove() {
  if (!shown_) return;
  NOTIFYICONDATA data;
  data.hWnd = owner_;
  data.uID = id_;
  Shell_NotifyIcon(NIM_DELETE, data);
  shown_ = false;
}

}  // namespace tellmar
