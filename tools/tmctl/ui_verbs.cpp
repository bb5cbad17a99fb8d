// tmctl ui: what a person sees and does, from the shell, over the
// cross-process automation: read a window's controls, type, click, select,
// check, press keys, choose menu commands, and answer the message boxes,
// choosers and popup menus a program in interactive mode keeps waiting.
//
//   tmctl ui tree HANDLE [--json]        the window and its controls
//   tmctl ui get HANDLE ID               a control's text (a list: its items)
//   tmctl ui set HANDLE ID TEXT          type TEXT into a control
//   tmctl ui click HANDLE ID
//   tmctl ui dblclick HANDLE ID [ITEM]
//   tmctl ui select HANDLE ID ITEM...    ITEM: an index or an item's text;
//                                        several: exactly those (Ctrl+click)
//   tmctl ui check HANDLE ID 0|1
//   tmctl ui key HANDLE KEY              F5, Ctrl+S, Alt+F4, Esc, Enter, Tab...
//   tmctl ui menu HANDLE COMMAND         a menu-bar command
//   tmctl ui show HANDLE min|max|restore the title bar's buttons
//   tmctl ui boxes                       boxes waiting: ID, kind, caption, text, buttons
//   tmctl ui answer ID BUTTON|PATH       press a box's button, or give a chooser its path;
//                                        a print dialog: PRINTER, or a PATH with a slash
//                                        to print into that PDF file
//
// An ID of 0 names the window itself.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/automation.h"
#include "platform/loop.h"
#include "platform/operator.h"
#include "platform/text.h"
#include "platform/window.h"
#include "tools/tmctl/output.h"
#include "tools/tmctl/verb.h"

namespace tmctl {
namespace {

using namespace tellmar;

constexpr const char* kUsage =
    "ui tree|get|set|click|dblclick|select|check|key|menu|show|boxes|answer ... (see the README)";

std::optional<long long> Number(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (end == nullptr || *end != '\0') return std::nullopt;
  return value;
}

// A caption as shown: "&Yes" is "Yes"; a tab and what follows is the shortcut.
std::string Plain(std::string_view caption) {
  std::string out;
  for (char c : caption.substr(0, caption.find('\t')))
    if (c != '&') out += c;
  return out;
}

struct Session {
  Loop loop;
  std::optional<std::string> error;
  Session() {
    if (auto e = loop.OpenChannel("tmctl")) error = "cannot join the desktop: " + e.message();
  }
};

std::optional<HWND> Window(const std::string& text) {
  const HWND hwnd = HandleFromText(text);
  if (hwnd == 0 || !Number(text)) return std::nullopt;
  return hwnd;
}

// The control ID inside a window (0: the window itself).
std::optional<HWND> Control(HWND window, const std::string& idText) {
  auto id = Number(idText);
  if (!id) return std::nullopt;
  if (*id == 0) return window;
  const HWND control = automation::FindControl(window, static_cast<int>(*id));
  if (control == 0) return std::nullopt;
  return control;
}

std::string StateWords(const WindowInfo& w) {
  std::string words;
  auto add = [&](const std::string& word) { words += (words.empty() ? "" : " ") + word; };
  add(w.visible ? "visible" : "hidden");
  add(w.enabled ? "enabled" : "disabled");
  if (w.check == 1) add("checked");
  if (w.check == 2) add("indeterminate");
  if (w.focused) add("focused");
  if (w.foreground) add("foreground");
  if (w.topmost) add("topmost");
  if (w.readOnly) add("readonly");
  if (w.password) add("password");
  if (w.minimized) add("minimized");
  if (w.maximized) add("maximized");
  if (w.curSel >= 0) add("sel=" + std::to_string(w.curSel));
  if (!w.selected.empty()) {
    std::string list;
    for (int i : w.selected) list += (list.empty() ? "" : ",") + std::to_string(i);
    add("selected=" + list);
  }
  return words;
}

// What a list row carries beside its text, as words after it ("" for a
// plain row, so plain lists print as they always did).
std::string ItemFacts(const WindowInfo& w, std::size_t i) {
  std::string words;
  auto add = [&](const std::string& word) { words += (words.empty() ? "" : " ") + word; };
  if (std::find(w.selected.begin(), w.selected.end(), static_cast<int>(i)) != w.selected.end()) add("selected");
  if (i < w.itemLooks.size()) {
    const ItemLook& look = w.itemLooks[i];
    if (look.icon != 0) add("icon=" + std::to_string(look.icon));
    if (look.color != kDefaultColor) {
      char rgb[8];
      std::snprintf(rgb, sizeof rgb, "#%02x%02x%02x", look.color & 0xFF, (look.color >> 8) & 0xFF, (look.color >> 16) & 0xFF);
      add(std::string("color=") + rgb);
    }
    if (look.bold) add("bold");
  }
  if (i < w.itemData.size() && w.itemData[i] != 0) add("data=" + std::to_string(w.itemData[i]));
  return words.empty() ? words : "\t" + words;
}

void PrintMenu(const std::vector<MenuItem>& items, const std::string& indent, std::vector<std::string>& out) {
  for (const MenuItem& item : items) {
    if ((item.flags & MF_SEPARATOR) != 0) {
      out.push_back(indent + "menu -");
      continue;
    }
    std::string line = indent + "menu " + std::to_string(item.id) + "\t" + Escaped(item.text);
    if ((item.flags & MF_GRAYED) != 0) line += "\tgrayed";
    if ((item.flags & MF_CHECKED) != 0) line += "\tchecked";
    out.push_back(line);
    PrintMenu(item.items, indent + "  ", out);
  }
}

void PrintTree(const WindowInfo& w, const std::string& indent, std::vector<std::string>& out) {
  out.push_back(indent + std::to_string(w.id) + "\t" + w.kind + "\t" + Escaped(w.text) + "\t" + StateWords(w));
  for (std::size_t i = 0; i < w.items.size(); ++i)
    out.push_back(indent + "  item " + std::to_string(i) + "\t" + Escaped(w.items[i]) + ItemFacts(w, i));
  for (const WindowInfo& c : w.children) PrintTree(c, indent + "  ", out);
}

int Tree(const std::vector<std::string>& a) {
  if (a.empty() || a.size() > 2 || (a.size() == 2 && a[1] != "--json")) return Usage("ui tree HANDLE [--json]");
  auto hwnd = Window(a[0]);
  if (!hwnd) return Fail("not a window handle: " + a[0]);
  Session s;
  if (s.error) return Fail(*s.error);
  auto info = automation::Describe(*hwnd, true);
  if (!info) return Fail("no window " + a[0]);
  if (a.size() == 2) return PrintLine(info->ToJson());
  std::vector<std::string> out{std::to_string(info->hwnd) + "\t" + Escaped(info->className) + "\t" + Escaped(info->text) + "\t" +
                               StateWords(*info)};
  PrintMenu(info->menu, "  ", out);
  for (const WindowInfo& c : info->children) PrintTree(c, "  ", out);
  return PrintLines(out);
}

int Get(const std::vector<std::string>& a) {
  if (a.size() != 2) return Usage("ui get HANDLE ID");
  auto hwnd = Window(a[0]);
  if (!hwnd) return Fail("not a window handle: " + a[0]);
  Session s;
  if (s.error) return Fail(*s.error);
  auto control = Control(*hwnd, a[1]);
  if (!control) return Fail("no control " + a[1] + " in window " + a[0]);
  auto info = automation::Describe(*control, false);
  if (!info) return Fail("no control " + a[1]);
  if (info->kind == "listbox") {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < info->items.size(); ++i) lines.push_back(Escaped(info->items[i]) + ItemFacts(*info, i));
    return PrintLines(lines);
  }
  return PrintLine(Escaped(info->text));
}

// The verbs that act on one control: each answers whether it took.
int Act(const std::vector<std::string>& a, std::size_t extra, const char* usage,
        bool (*act)(HWND control, const std::vector<std::string>& rest)) {
  if (a.size() < 2 || a.size() > 2 + extra) return Usage(usage);
  auto hwnd = Window(a[0]);
  if (!hwnd) return Fail("not a window handle: " + a[0]);
  Session s;
  if (s.error) return Fail(*s.error);
  auto control = Control(*hwnd, a[1]);
  if (!control) return Fail("no control " + a[1] + " in window " + a[0]);
  const std::vector<std::string> rest(a.begin() + 2, a.end());
  if (!act(*control, rest)) return Fail("the control did not take it (disabled, hidden or wrong kind?)");
  return 0;
}

std::optional<int> ItemIndex(HWND control, const std::string& item) {
  if (auto n = Number(item)) return static_cast<int>(*n);
  auto info = automation::Describe(control, false);
  if (!info) return std::nullopt;
  for (std::size_t i = 0; i < info->items.size(); ++i)
    if (EqualsNoCase(info->items[i], item)) return static_cast<int>(i);
  return std::nullopt;
}


int Key(const std::vector<std::string>& a) {
  if (a.size() != 2) return Usage("ui key HANDLE KEY");
  auto hwnd = Window(a[0]);
  if (!hwnd) return Fail("not a window handle: " + a[0]);
  auto key = ParseKeyChord(a[1]);
  if (!key) return Fail("unknown key " + a[1]);
  Session s;
  if (s.error) return Fail(*s.error);
  return automation::PressKey(*hwnd, key->key, key->modifiers) ? 0 : Fail("the key was not taken");
}

int MenuVerb(const std::vector<std::string>& a) {
  if (a.size() != 2) return Usage("ui menu HANDLE COMMAND");
  auto hwnd = Window(a[0]);
  auto command = Number(a[1]);
  if (!hwnd || !command || *command <= 0 || *command > 0xFFFF) return Fail("bad handle or command");
  Session s;
  if (s.error) return Fail(*s.error);
  return automation::ChooseMenuCommand(*hwnd, static_cast<UINT>(*command)) ? 0 : Fail("no window " + a[0]);
}

// The title bar's buttons.
int ShowVerb(const std::vector<std::string>& a) {
  if (a.size() != 2) return Usage("ui show HANDLE min|max|restore");
  auto hwnd = Window(a[0]);
  if (!hwnd) return Fail("not a window handle: " + a[0]);
  const int command = a[1] == "min" ? SW_MINIMIZE : a[1] == "max" ? SW_MAXIMIZE : a[1] == "restore" ? SW_RESTORE : -1;
  if (command < 0) return Usage("ui show HANDLE min|max|restore");
  Session s;
  if (s.error) return Fail(*s.error);
  return automation::ShowAs(*hwnd, command) ? 0 : Fail("the window cannot take it");
}

const char* BoxKind(int templateId) {
  switch (templateId) {
    case kOperatorBoxTemplate:
      return "box";
    case kOperatorFileTemplate:
      return "chooser";
    case kOperatorPrintTemplate:
      return "print";
    case kOperatorMenuTemplate:
      return "menu";
    default:
      return nullptr;
  }
}

std::vector<WindowInfo> WaitingBoxes() {
  std::vector<WindowInfo> boxes;
  for (const TopLevelWindow& w : EnumWindows()) {
    if (w.className != kDialogClass && w.className != kMenuClass) continue;
    auto info = automation::Describe(w.hwnd, true);
    if (info && info->visible && BoxKind(info->dialogTemplate) != nullptr) boxes.push_back(std::move(*info));
  }
  return boxes;
}

int Boxes(const std::vector<std::string>& a) {
  if (!a.empty()) return Usage("ui boxes");
  Session s;
  if (s.error) return Fail(*s.error);
  std::vector<std::string> out;
  for (const WindowInfo& box : WaitingBoxes()) {
    std::string text, buttons;
    for (const WindowInfo& c : box.children) {
      if (c.id == kOperatorTextId || c.id == kOperatorPathId) text = c.text;
      if (c.kind == "button") buttons += (buttons.empty() ? "" : ",") + Escaped(Plain(c.text));
    }
    out.push_back(std::to_string(box.hwnd) + "\t" + BoxKind(box.dialogTemplate) + "\t" + Escaped(box.text) + "\t" + Escaped(text) +
                  "\t" + buttons);
  }
  return PrintLines(out);
}

int Answer(const std::vector<std::string>& a) {
  if (a.size() != 2) return Usage("ui answer ID BUTTON|PATH");
  auto hwnd = Window(a[0]);
  if (!hwnd) return Fail("not a box: " + a[0]);
  Session s;
  if (s.error) return Fail(*s.error);
  auto info = automation::Describe(*hwnd, true);
  if (!info || BoxKind(info->dialogTemplate) == nullptr) return Fail("no box " + a[0] + " is waiting");
  auto press = [&](int id) {
    const HWND button = automation::FindControl(*hwnd, id);
    return button != 0 && automation::Click(button) ? 0 : Fail("the button could not be pressed");
  };
  if (info->dialogTemplate == kOperatorFileTemplate && !EqualsNoCase(a[1], "Cancel")) {
    if (!automation::SetText(automation::FindControl(*hwnd, kOperatorPathId), a[1])) return Fail("the path was not taken");
    return press(IDOK);
  }
  if (info->dialogTemplate == kOperatorPrintTemplate && !EqualsNoCase(a[1], "Cancel")) {
    // A path (it holds a slash) prints to that PDF file; a name chooses a printer.
    const bool toFile = a[1].find('/') != std::string::npos;
    const HWND printers = automation::FindControl(*hwnd, kOperatorPrinterId);
    if (!automation::SelectItemByText(printers, toFile ? std::string(kPrintToFile) : a[1]))
      return Fail("box " + a[0] + " offers no printer " + a[1]);
    if (toFile && !automation::SetText(automation::FindControl(*hwnd, kOperatorPathId), a[1]))
      return Fail("the file name was not taken");
    return press(IDOK);
  }
  for (const WindowInfo& c : info->children) {
    if (c.kind != "button") continue;
    if (EqualsNoCase(Plain(c.text), a[1]) || (Number(a[1]) && *Number(a[1]) == c.id)) return press(c.id);
  }
  return Fail("box " + a[0] + " has no button " + a[1]);
}

int Ui(const Args& args) {
  if (args.empty()) return Usage(kUsage);
  const std::string& verb = args[0];
  const std::vector<std::string> a(args.begin() + 1, args.end());
  if (verb == "tree") return Tree(a);
  if (verb == "get") return Get(a);
  if (verb == "set")
    return Act(a, 1, "ui set HANDLE ID TEXT", [](HWND c, const std::vector<std::string>& r) {
      return r.size() == 1 && automation::SetText(c, r[0]);
    });
  if (verb == "click")
    return Act(a, 0, "ui click HANDLE ID", [](HWND c, const std::vector<std::string>&) { return automation::Click(c); });
  if (verb == "dblclick")
    return Act(a, 1, "ui dblclick HANDLE ID [ITEM]", [](HWND c, const std::vector<std::string>& r) {
      if (r.empty()) return automation::DoubleClick(c);
      auto index = ItemIndex(c, r[0]);
      return index && automation::DoubleClickItem(c, *index);
    });
  if (verb == "select")
    return Act(a, 1000, "ui select HANDLE ID ITEM...", [](HWND c, const std::vector<std::string>& r) {
      std::vector<int> indices;
      for (const std::string& item : r) {
        auto index = ItemIndex(c, item);
        if (!index) return false;
        indices.push_back(*index);
      }
      if (indices.size() == 1) return automation::SelectItem(c, indices.front());
      return !indices.empty() && automation::SelectItems(c, indices);
    });
  if (verb == "check")
    return Act(a, 1, "ui check HANDLE ID 0|1", [](HWND c, const std::vector<std::string>& r) {
      return r.size() == 1 && (r[0] == "0" || r[0] == "1") && automation::Check(c, r[0] == "1" ? 1 : 0);
    });
  if (verb == "key") return Key(a);
  if (verb == "menu") return MenuVerb(a);
  if (verb == "show") return ShowVerb(a);
  if (verb == "boxes") return Boxes(a);
  if (verb == "answer") return Answer(a);
  return Usage(kUsage);
}

const Verb kUi("ui", kUsage, Ui);

}  // namespace
}  // namespace tmctl
