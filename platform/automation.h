// Automation: what a person can see and do, as calls. Tests and the browser
// desktop use the same calls, so what a test drives is what a person sees.
//
// Every call takes a handle of any program on the desktop: this program's
// windows are acted on directly, another's through the channel. Actions act
// as a person would (a click on a disabled button does nothing and answers
// false; typing notifies the parent with EN_CHANGE). An action sent to
// another program answers as soon as it has run or has opened a modal
// dialog, whichever comes first, like a click that does not wait for the
// dialog it opens.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/menu.h"
#include "platform/messages.h"
#include "platform/tray.h"
#include "platform/wire.h"

namespace tellmar {

struct WindowInfo {
  HWND hwnd = 0;
  std::string className;
  std::string kind;  // "window", "static", "edit", "button", "listbox", "combobox", "updown", "progress", "dialog", "menu"
  int id = 0;
  std::string text;
  std::uint32_t style = 0;
  bool visible = false;
  bool enabled = false;
  bool focused = false;
  bool foreground = false;
  bool topmost = false;
  bool minimized = false;
  bool maximized = false;
  int check = 0;
  std::vector<std::string> items;
  std::vector<std::int64_t> itemData;
  std::vector<ItemLook> itemLooks;  // per item: icon, colour, bold
  int curSel = -1;
  int topIndex = 0;  // the first item a list shows (LB_SETTOPINDEX)
  std::vector<int> selected;  // multiple-selection lists
  std::vector<int> tabStops;
  int limit = 0;
  bool readOnly = false;
  bool password = false;
  int lower = 0, upper = 0, pos = 0;
  int icon = 0;  // icon or image resource number
  RECT rect;
  int dialogTemplate = 0;
  std::vector<MenuItem> menu;  // the menu bar, if the window has one
  std::vector<WindowInfo> children;

  std::string ToJson() const;
  static std::optional<WindowInfo> FromJson(std::string_view json);
};

namespace automation {

// Describes a window and, when `deep`, everything inside it.
std::optional<WindowInfo> Describe(HWND hwnd, bool deep = true);
HWND FindControl(HWND parent, int id);

bool SetText(HWND control, std::string_view text);
bool Click(HWND control);
bool DoubleClick(HWND control);
// modifiers: KEY_CONTROL for a Ctrl+click.
bool SelectItem(HWND control, int index, unsigned modifiers = 0);
// Exactly these items, as a click on the first and a Ctrl+click on the rest.
bool SelectItems(HWND control, const std::vector<int>& indices);
bool SelectItemByText(HWND control, std::string_view text);
bool DoubleClickItem(HWND control, int index);
bool Check(HWND control, int state);
bool Spin(HWND updown, int delta);
// Function keys, Tab, Esc, Enter, Space and accelerators, at the window that
// has the focus inside `hwnd`'s top-level window (or at `hwnd` itself).
bool PressKey(HWND hwnd, int key, unsigned modifiers = 0);
// A menu-bar command: WM_COMMAND to the window.
bool ChooseMenuCommand(HWND hwnd, UINT command);
bool Close(HWND hwnd);  // the close box: WM_CLOSE
// A top-level window moved by a person to (x, y), in its program's pixels.
bool Move(HWND window, int x, int y);
// The title bar's buttons: SW_MINIMIZE, SW_MAXIMIZE or SW_RESTORE on a
// top-level window; anything else is refused.
bool ShowAs(HWND window, int command);

// Tray icons of this program, or of the program owning `anyWindow`.
std::vector<TrayIcon> TrayIconsOf(HWND anyWindow);
bool ClickTray(HWND hwnd, UINT id, UINT mouseMessage);

// How often the program owning `anyWindow` has changed what a person sees
// (Loop::Changes); nullopt when it does not answer.
std::optional<std::uint64_t> ChangeCount(HWND anyWindow);

}  // namespace automation

// The channel's answer to an automation request from another program.
wire::Reply HandleAutomation(const wire::Request& request);

}  // namespace tellmar
