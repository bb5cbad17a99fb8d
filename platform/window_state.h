// What the loop keeps for each window. The platform's own files and the
// automation read it; programs use the calls of window.h.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/menu.h"
#include "platform/messages.h"
#include "platform/window.h"

namespace tellmar {

enum class ControlKind { Window, Static, Edit, Button, ListBox, ComboBox, UpDown, Progress, Dialog, Menu };

struct ListItem {
  std::string text;
  LPARAM data = 0;
  bool selected = false;  // multiple- and extended-selection lists
  ItemLook look;
};

struct ControlState {
  int check = BST_UNCHECKED;
  // A deque: a log list drops its oldest line for every new one.
  std::deque<ListItem> items;
  int curSel = -1;
  int topIndex = 0;
  std::vector<int> tabStops;
  int limit = 0;  // 0: no limit
  char passwordChar = 0;
  int selStart = 0, selEnd = 0;
  bool modified = false;
  int lower = 0, upper = 100, pos = 0, step = 10;
  HWND buddy = 0;
};

using DlgProc = std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)>;

struct DialogState {
  DlgProc proc;
  int templateId = 0;
  bool modal = false;
  bool ended = false;
  INT_PTR result = 0;
  LRESULT msgResult = 0;  // DWLP_MSGRESULT
  HWND disabledOwner = 0;
};

struct Window {
  HWND handle = 0;
  std::string className;
  ControlKind kind = ControlKind::Window;
  std::string text;
  unsigned textWrites = 0;  // every WM_SETTEXT, even of the same text
  HWND parent = 0;
  HWND owner = 0;
  std::vector<HWND> children;
  int id = 0;
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  bool visible = false;
  bool enabled = true;
  bool minimized = false;
  bool maximized = false;  // filling the screen; `normalRect` is its place before
  RECT normalRect;
  RECT rect;
  WndProc proc;
  LPARAM userData = 0;
  int icon = 0;
  std::optional<Menu> menu;
  ControlState control;
  std::unique_ptr<DialogState> dialog;
  bool destroying = false;
};

}  // namespace tellmar
