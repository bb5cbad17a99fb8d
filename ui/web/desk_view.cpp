#include "ui/web/desk_view.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "common/ascii.h"
#include "platform/handles.h"
#include "platform/loop.h"
#include "platform/menu.h"
#include "platform/operator.h"
#include "platform/resource.h"
#include "ui/web/program_starter.h"

namespace tellmar::web {
namespace {

using nlohmann::json;

// Controls of the interactive operator's dialogs (platform/operator.cpp).
constexpr int kBoxTextId = 0xFFFF;
constexpr int kFileNameId = 1152;

std::string Text(std::string_view bytes) { return Utf8FromBytes(bytes); }

const WindowInfo* ChildWithId(const WindowInfo& w, int id) {
  for (const WindowInfo& c : w.children)
    if (c.id == id) return &c;
  return nullptr;
}

std::string ControlKind(const WindowInfo& c) {
  if (c.kind == "button") {
    switch (c.style & BS_TYPEMASK) {
      case BS_GROUPBOX: return "group";
      case BS_CHECKBOX:
      case BS_AUTOCHECKBOX:
      case BS_3STATE:
      case BS_AUTO3STATE: return "check";
      case BS_RADIOBUTTON:
      case BS_AUTORADIOBUTTON: return "radio";
      default: return "button";
    }
  }
  if (c.kind == "listbox") return c.id == IDC_SHEET_TABS ? "tabs" : "list";
  if (c.kind == "combobox") return "combo";
  if (c.kind == "dialog" || c.kind == "window") return "page";
  return c.kind;  // static, edit, updown, progress
}

json MenuItemsView(const std::vector<MenuItem>& items) {
  json list = json::array();
  for (const MenuItem& m : items) {
    list.push_back({{"id", m.id},
                    {"text", Text(m.text)},
                    {"separator", (m.flags & MF_SEPARATOR) != 0},
                    {"grayed", (m.flags & (MF_GRAYED | MF_DISABLED)) != 0},
                    {"checked", (m.flags & MF_CHECKED) != 0},
                    {"items", MenuItemsView(m.items)}});
  }
  return list;
}

std::string IconName(int type) {
  switch (static_cast<UINT>(type) & MB_ICONMASK) {
    case MB_ICONHAND: return "stop";
    case MB_ICONQUESTION: return "question";
    case MB_ICONEXCLAMATION: return "exclamation";
    case MB_ICONASTERISK: return "information";
    default: return "";
  }
}

std::string WithoutAmpersand(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

json ListDirectory(const std::string& wanted) {
  const char* home = std::getenv("HOME");
  std::string path = !wanted.empty() ? wanted : home != nullptr && *home != '\0' ? home : "/";
  struct stat st {};
  // A file's path lists its directory.
  if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    std::size_t slash = path.find_last_of('/');
    path = slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
  }
  json entries = json::array();
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.c_str()), ::closedir);
  if (!dir) return {{"error", "cannot list " + Text(path)}};
  std::vector<std::pair<std::string, bool>> names;
  while (const dirent* e = ::readdir(dir.get())) {
    std::string name = e->d_name;
    if (name == ".") continue;
    struct stat es {};
    const std::string full = (path == "/" ? "" : path) + "/" + name;
    const bool isDir = ::stat(full.c_str(), &es) == 0 && S_ISDIR(es.st_mode);
    names.emplace_back(name, isDir);
  }
  std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) {
    return a.second != b.second ? a.second : a.first < b.first;  // folders first
  });
  for (const auto& [name, isDir] : names) entries.push_back({{"name", Text(name)}, {"dir", isDir}});
  return {{"path", Text(path)}, {"entries", entries}};
}

// A row's look for the page: its icon number, its colour as CSS, bold.
json LookView(const ItemLook& look) {
  json v = {{"icon", look.icon}, {"bold", look.bold}, {"color", nullptr}};
  if (look.color != kDefaultColor) {
    char css[8];
    std::snprintf(css, sizeof css, "#%02x%02x%02x", look.color & 0xFF, (look.color >> 8) & 0xFF, (look.color >> 16) & 0xFF);
    v["color"] = css;
  }
  return v;
}

}  // namespace

json ControlView(const WindowInfo& c) {
  const std::string kind = ControlKind(c);
  json v = {{"hwnd", c.hwnd},
            {"id", c.id},
            {"kind", kind},
            {"text", Text(c.text)},
            {"x", c.rect.left},
            {"y", c.rect.top},
            {"w", c.rect.right - c.rect.left},
            {"h", c.rect.bottom - c.rect.top},
            {"enabled", c.enabled},
            {"visible", c.visible},
            {"focused", c.focused},
            {"checked", c.check != 0}};
  if (kind == "edit") {
    v["password"] = c.password;
    v["readonly"] = c.readOnly;
    v["multiline"] = (c.style & ES_MULTILINE) != 0;
    v["limit"] = c.limit;
  }
  if (kind == "list" || kind == "combo" || kind == "tabs") {
    json items = json::array();
    for (const std::string& item : c.items) items.push_back(Text(item));
    json tabs = json::array();
    for (int t : c.tabStops) tabs.push_back(DialogUnitsToPixelsX(t));
    v["items"] = items;
    json looks = json::array();
    for (const ItemLook& look : c.itemLooks) looks.push_back(LookView(look));
    v["looks"] = looks;
    v["multi"] = (c.style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0 && kind == "list";
    v["sel"] = c.curSel;
    v["top"] = c.topIndex;
    v["selected"] = c.selected;
    v["tabs"] = tabs;
  }
  if (kind == "progress" || kind == "updown") {
    v["lower"] = c.lower;
    v["upper"] = c.upper;
    v["pos"] = c.pos;
  }
  if (kind == "button") v["default"] = (c.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  if (c.icon != 0) v["icon"] = c.icon;
  if (kind == "page") {
    json children = json::array();
    for (const WindowInfo& child : c.children) children.push_back(ControlView(child));
    v["children"] = children;
  }
  return v;
}

json WindowView(const WindowInfo& w, const std::string& program) {
  json children = json::array();
  for (const WindowInfo& c : w.children) children.push_back(ControlView(c));
  return {{"hwnd", w.hwnd},
          {"program", Text(program)},
          {"class", Text(w.className)},
          {"title", Text(w.text)},
          {"x", w.rect.left},
          {"y", w.rect.top},
          {"w", w.rect.right - w.rect.left},
          {"h", w.rect.bottom - w.rect.top},
          {"foreground", w.foreground},
          {"topmost", w.topmost},
          {"menu", MenuItemsView(w.menu)},
          {"children", children}};
}


void DesktopWatcher::Describe(Program& p) {
  p.windowsView = json::array();
  p.boxes = json::array();
  p.choosers = json::array();
  p.prints = json::array();
  p.menus = json::array();
  p.tray = json::array();
  for (const TopLevelWindow& top : p.windows) {
    if (!top.visible) continue;
    auto info = automation::Describe(top.hwnd, true);
    if (!info || !info->visible) continue;
    if (info->kind == "menu") {
      json items = json::array();
      for (const WindowInfo& c : info->children) {
        const bool separator = c.kind == "static";
        items.push_back({{"id", c.id}, {"text", Text(c.text)}, {"separator", separator}, {"grayed", !c.enabled}});
      }
      p.menus.push_back({{"id", info->hwnd}, {"program", Text(p.name)}, {"x", menuX_}, {"y", menuY_}, {"items", items}});
    } else if (info->dialogTemplate == kOperatorPrintTemplate) {
      json printers = json::array();
      std::string chosen, path;
      for (const WindowInfo& c : info->children) {
        if (c.id == kOperatorPrinterId) {
          for (const std::string& item : c.items) printers.push_back(Text(item));
          chosen = c.text;
        }
        if (c.id == kOperatorPathId) path = c.text;
      }
      p.prints.push_back({{"id", info->hwnd}, {"program", Text(p.name)}, {"title", Text(info->text)},
                          {"printers", printers}, {"printer", Text(chosen)}, {"path", Text(path)},
                          {"toFile", Text(kPrintToFile)}});
    } else if (const WindowInfo* text = ChildWithId(*info, kBoxTextId)) {
      json buttons = json::array();
      for (const WindowInfo& c : info->children)
        if (c.kind == "button") buttons.push_back(Text(WithoutAmpersand(c.text)));
      p.boxes.push_back({{"id", info->hwnd},
                         {"program", Text(p.name)},
                         {"caption", Text(info->text)},
                         {"text", Text(text->text)},
                         {"icon", IconName(text->icon)},
                         {"buttons", buttons},
                         {"x", info->rect.left},
                         {"y", info->rect.top},
                         {"w", info->rect.right - info->rect.left},
                         {"h", info->rect.bottom - info->rect.top}});
    } else if (const WindowInfo* file = ChildWithId(*info, kFileNameId)) {
      // A chooser may carry a panel of options (a group with radio buttons)
      // and its own caption for OK.
      json options = json::array();
      std::string panel;
      for (const WindowInfo& c : info->children) {
        const std::string kind = ControlKind(c);
        if (kind == "group") panel = Text(c.text);
        if (kind == "radio")
          options.push_back({{"hwnd", c.hwnd}, {"text", Text(WithoutAmpersand(c.text))}, {"checked", c.check == 1}});
      }
      const WindowInfo* ok = ChildWithId(*info, IDOK);
      p.choosers.push_back({{"id", info->hwnd}, {"program", Text(p.name)}, {"title", Text(info->text)},
                            {"path", Text(file->text)}, {"okText", Text(ok ? WithoutAmpersand(ok->text) : "OK")},
                            {"panel", panel}, {"options", options}});
    } else {
      p.windowsView.push_back(WindowView(*info, p.name));
    }
  }
  if (!p.windows.empty()) {
    for (const TrayIcon& t : automation::TrayIconsOf(p.windows.front().hwnd)) {
      p.tray.push_back({{"hwnd", t.hwnd}, {"uid", t.id}, {"icon", t.icon}, {"tip", Text(t.tip)},
                        {"program", Text(p.name)}});
    }
  }
}

bool DesktopWatcher::Refresh() {
  const std::uint64_t performed = actions_;
  bool allAnswered = true;
  const int self = Loop::Current().slot();
  std::map<int, std::vector<TopLevelWindow>> bySlot;
  std::map<int, std::string> names;
  for (TopLevelWindow& w : EnumWindows()) {
    const int slot = SlotOfHandle(w.hwnd);
    if (slot == self) continue;
    names[slot] = w.program;
    bySlot[slot].push_back(std::move(w));
  }
  bool changed = false;
  for (auto it = programs_.begin(); it != programs_.end();) {
    if (bySlot.count(it->first) == 0) {
      it = programs_.erase(it);
      changed = true;
    } else {
      ++it;
    }
  }
  for (auto& [slot, windows] : bySlot) {
    auto count = automation::ChangeCount(windows.front().hwnd);
    if (!count) {  // not answering now; keep what was shown
      allAnswered = false;
      continue;
    }
    auto found = programs_.find(slot);
    const bool isNew = found == programs_.end();
    Program& p = programs_[slot];
    auto same = [](const TopLevelWindow& a, const TopLevelWindow& b) {
      return a.hwnd == b.hwnd && a.visible == b.visible && a.title == b.title;
    };
    const bool sameWindows = std::equal(p.windows.begin(), p.windows.end(), windows.begin(), windows.end(), same);
    if (!isNew && sameWindows && *count == p.changes) continue;
    p.name = names[slot];
    p.windows = windows;
    p.changes = *count;
    Describe(p);
    changed = true;
  }
  if (changed) Cascade();
  // The view shows the effect of the actions performed so far only once
  // every program has been read after them.
  if (allAnswered) viewedActions_ = performed;
  return changed;
}

// A window that appears exactly where another one is (two programs' windows
// both at the corner, say) moves down and right until it is clear of the
// others, as a desktop cascades new windows. Its program moves it, so the
// place is the window's own and every page shows it there.
void DesktopWatcher::Cascade() {
  constexpr int kStep = 24;
  std::set<HWND> shown;
  std::vector<std::pair<int, int>> corners;  // of the windows placed before
  for (const auto& [slot, p] : programs_) {
    for (const json& w : p.windowsView) {
      const HWND hwnd = w["hwnd"].get<HWND>();
      shown.insert(hwnd);
      if (placed_.count(hwnd)) corners.emplace_back(w["x"].get<int>(), w["y"].get<int>());
    }
  }
  std::erase_if(placed_, [&](HWND h) { return shown.count(h) == 0; });
  for (auto& [slot, p] : programs_) {
    for (json& w : p.windowsView) {
      const HWND hwnd = w["hwnd"].get<HWND>();
      if (!placed_.insert(hwnd).second) continue;
      int x = w["x"].get<int>(), y = w["y"].get<int>();
      auto covers = [&] {
        return std::any_of(corners.begin(), corners.end(),
                           [&](const auto& c) { return std::abs(c.first - x) < 4 && std::abs(c.second - y) < 4; });
      };
      const bool clear = !covers();
      while (covers()) {
        x += kStep;
        y += kStep;
      }
      if (!clear && automation::Move(hwnd, x, y)) {
        w["x"] = x;
        w["y"] = y;
      }
      corners.emplace_back(x, y);
    }
  }
}

namespace {

// The start menu's programs: the name each runs under, the class of the main
// window that shows it runs (the support module and the Remote Configuration
// Utility are one program under two names), and what the menu calls it.
struct StartEntry {
  const char* program;
  const char* windowClass;
  const char* title;
};
constexpr StartEntry kStartEntries[] = {
    {"cvpopd32", "CV-POPsrv", "POP3 Server"},
    {"Dialwick", "", "Dialwick"},
    {"tmadmin32", "CorvVuvedo32Utility", "Support Module"},
};

}  // namespace

bool DesktopWatcher::Running(const std::string& program, const std::string& windowClass) const {
  for (const auto& [slot, p] : programs_) {
    if (p.name != program) continue;
    if (windowClass.empty()) return true;
    for (const TopLevelWindow& w : p.windows)
      if (w.className == windowClass) return true;
  }
  return false;
}

json DesktopWatcher::StartMenu() const {
  json entries = json::array();
  for (const StartEntry& e : kStartEntries) {
    struct stat st {};
    const std::string path = binDir_ + "/" + e.program;
    if (::stat(path.c_str(), &st) != 0) continue;
    entries.push_back({{"program", e.program}, {"title", e.title}, {"running", Running(e.program, e.windowClass)}});
  }
  return {{"directory", Text(serverDir_)}, {"programs", entries}};
}

json DesktopWatcher::Start(const std::string& program) {
  if (serverDir_.empty()) return {{"error", "tmdesk was started without a server directory (--server DIR)"}};
  for (const StartEntry& e : kStartEntries) {
    if (program != e.program) continue;
    if (Running(e.program, e.windowClass)) return {{"error", program + " is running already"}};
    const std::string error = StartProgram(binDir_ + "/" + e.program, serverDir_);
    if (!error.empty()) return {{"error", "cannot start " + program + ": " + Text(error)}};
    return {{"ok", true}};
  }
  return {{"error", "no such program"}};
}

json DesktopWatcher::View() const {
  json view = {{"token", token_}, {"actions", viewedActions_}, {"windows", json::array()}, {"tray", json::array()},
               {"boxes", json::array()}, {"choosers", json::array()}, {"prints", json::array()},
               {"menus", json::array()}};
  for (const auto& [slot, p] : programs_) {
    for (const auto& w : p.windowsView) view["windows"].push_back(w);
    for (const auto& t : p.tray) view["tray"].push_back(t);
    for (const auto& b : p.boxes) view["boxes"].push_back(b);
    for (const auto& c : p.choosers) view["choosers"].push_back(c);
    for (const auto& c : p.prints) view["prints"].push_back(c);
    for (const auto& m : p.menus) view["menus"].push_back(m);
  }
  if (!serverDir_.empty()) view["start"] = StartMenu();
  return view;
}

json DesktopWatcher::Act(const json& action) {
  json answer = Perform(action);
  answer["serial"] = ++actions_;
  return answer;
}

json DesktopWatcher::Perform(const json& a) {
  const std::string kind = a.value("kind", "");
  auto handle = [&](const char* key) { return static_cast<HWND>(a.value(key, 0)); };
  auto done = [](bool ok) { return json{{"ok", ok}}; };
  const HWND hwnd = handle("hwnd");
  if (kind == "click") return done(automation::Click(hwnd));
  if (kind == "dblclick") {
    if (a.contains("index")) return done(automation::DoubleClickItem(hwnd, a.value("index", 0)));
    return done(automation::DoubleClick(hwnd));
  }
  if (kind == "settext") return done(automation::SetText(hwnd, BytesFromUtf8(a.value("text", ""))));
  if (kind == "select") {
    const unsigned modifiers = a.value("ctrl", false) ? KEY_CONTROL : 0;
    return done(automation::SelectItem(hwnd, a.value("index", -1), modifiers));
  }
  if (kind == "spin") return done(automation::Spin(hwnd, a.value("delta", 0)));
  if (kind == "command") return done(automation::ChooseMenuCommand(hwnd, a.value("command", 0u)));
  if (kind == "close") return done(automation::Close(hwnd));
  if (kind == "move") return done(automation::Move(hwnd, a.value("x", 0), a.value("y", 0)));
  if (kind == "key") {
    auto chord = ParseKeyChord(a.value("key", ""));
    if (!chord) return {{"error", "unknown key"}};
    const HWND focus = handle("focus");
    return done(automation::PressKey(focus != 0 ? focus : hwnd, chord->key, chord->modifiers));
  }
  if (kind == "tray") {
    menuX_ = a.value("x", menuX_);
    menuY_ = a.value("y", menuY_);
    const UINT uid = a.value("uid", 0u);
    const std::string event = a.value("event", "");
    if (event == "left") {
      return done(automation::ClickTray(hwnd, uid, WM_LBUTTONDOWN) && automation::ClickTray(hwnd, uid, WM_LBUTTONUP));
    }
    if (event == "double") return done(automation::ClickTray(hwnd, uid, WM_LBUTTONDBLCLK));
    if (event == "right") {
      return done(automation::ClickTray(hwnd, uid, WM_RBUTTONDOWN) && automation::ClickTray(hwnd, uid, WM_RBUTTONUP));
    }
    return {{"error", "unknown tray event"}};
  }
  if (kind == "menu") {
    const HWND menu = handle("menu");
    const int command = a.value("command", 0);
    if (command == 0) return done(automation::PressKey(menu, VK_ESCAPE));
    return done(automation::Click(automation::FindControl(menu, command)));
  }
  if (kind == "answer") {
    const HWND box = handle("box");
    if (a.contains("printer")) {  // the print dialog: a printer, or a file with its name
      const std::string printer = BytesFromUtf8(a.value("printer", ""));
      if (!automation::SelectItemByText(automation::FindControl(box, kOperatorPrinterId), printer))
        return {{"error", "no such printer"}};
      if (printer == kPrintToFile &&
          !automation::SetText(automation::FindControl(box, kOperatorPathId), BytesFromUtf8(a.value("path", ""))))
        return {{"error", "the file name was not taken"}};
      return done(automation::Click(automation::FindControl(box, IDOK)));
    }
    if (a.contains("path")) {
      return done(automation::SetText(automation::FindControl(box, kFileNameId), BytesFromUtf8(a.value("path", ""))) &&
                  automation::Click(automation::FindControl(box, IDOK)));
    }
    auto info = automation::Describe(box, true);
    if (!info) return {{"error", "no such box"}};
    const std::string wanted = BytesFromUtf8(a.value("button", ""));
    for (const WindowInfo& c : info->children) {
      if (c.kind == "button" && WithoutAmpersand(c.text) == wanted) return done(automation::Click(c.hwnd));
    }
    if (wanted == "Cancel") return done(automation::PressKey(box, VK_ESCAPE));
    return {{"error", "no such button"}};
  }
  if (kind == "browse") return ListDirectory(BytesFromUtf8(a.value("path", "")));
  if (kind == "start") return Start(a.value("program", ""));
  return {{"error", "unknown action"}};
}

}  // namespace tellmar::web
