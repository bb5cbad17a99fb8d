// Menus and accelerator tables. A menu is a value: a list of items, each a
// command with a caption and flags, a separator, or a popup with its own
// items. Popups are tracked through the Operator (a person chooses, a script
// answers, an unattended program chooses nothing).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messages.h"

namespace tellmar {

struct MenuItem {
  UINT id = 0;
  std::string text;
  UINT flags = MF_STRING;  // MF_GRAYED, MF_CHECKED, MF_SEPARATOR, MF_POPUP
  std::vector<MenuItem> items;  // of a popup
};

struct Menu {
  std::vector<MenuItem> items;
};

Menu CreatePopupMenu();
bool AppendMenu(Menu& menu, UINT flags, UINT id, std::string_view text = {});
bool EnableMenuItem(Menu& menu, UINT id, UINT flags);  // MF_GRAYED or 0
bool CheckMenuItem(Menu& menu, UINT id, bool checked);
const MenuItem* FindMenuItem(const Menu& menu, UINT id);
// The first popup of a menu bar (GetSubMenu(menu, 0)).
std::optional<Menu> GetSubMenu(const Menu& menu, int position);

// Shows the menu to the operator. Unless TPM_RETURNCMD, a chosen command is
// posted to `owner` as WM_COMMAND. Answers the command (0: nothing chosen).
UINT TrackPopupMenu(const Menu& menu, UINT flags, HWND owner);

// A window's menu bar (Dialwick's main window, the RCU dialog).
bool SetMenu(HWND hwnd, const Menu& menu);
std::optional<Menu> GetMenu(HWND hwnd);

struct Accelerator {
  int key = 0;          // virtual key, or an upper-case letter or digit
  unsigned modifiers = 0;  // KEY_CONTROL, KEY_ALT, KEY_SHIFT
  UINT command = 0;
};
using AcceleratorTable = std::vector<Accelerator>;

// Key presses reaching `hwnd` or any window inside it are offered to the
// table first; a match sends WM_COMMAND (command, 1) to `hwnd`.
void SetAccelerators(HWND hwnd, const AcceleratorTable& table);
// Answers the command bound to a key, the first entry winning.
std::optional<UINT> TranslateAccelerator(const AcceleratorTable& table, int key, unsigned modifiers);

// Key names as tables and scripts write them: "A".."Z", "0".."9", "F1".."F12",
// "Tab", "Enter", "Esc", "Space", "Delete", "Insert", "Home", "End", "Up",
// "Down", "Left", "Right", "PageUp", "PageDown", "Backspace" (any case).
// Answers 0 for an unknown name.
int KeyFromName(std::string_view name);
// "Ctrl+S", "Alt+F4", "Shift+Tab", "F5": the key and its modifiers (command 0);
// nullopt for an unknown key name.
std::optional<Accelerator> ParseKeyChord(std::string_view keyText);

}  // namespace tellmar
