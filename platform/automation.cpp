#include "platform/automation.h"

#include <nlohmann/json.hpp>

#include "platform/channel.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/handles.h"
#include "platform/loop.h"
#include "platform/text.h"

namespace tellmar {
namespace {

// A control by ID; on a property sheet also on the page it shows, so that
// scripts name a page's controls through the sheet as a person sees them.
HWND ControlOrPageControl(HWND parent, int id) {
  if (const HWND control = GetDlgItem(parent, id); control != 0) return control;
  for (HWND child : GetChildren(parent)) {
    const Window* w = Loop::Current().Find(child);
    if (w == nullptr || !w->dialog || !w->visible) continue;
    if (const HWND control = GetDlgItem(child, id); control != 0) return control;
  }
  return 0;
}

using nlohmann::json;

enum Action : UINT {
  kDescribe = 1,
  kSetText,
  kClick,
  kDoubleClick,
  kSelect,
  kCheck,
  kKey,
  kSpin,
  kMenu,
  kTray,
  kTrayClick,
  kFindChild,
  kDoubleClickItem,
  kClose,
  kChanges,
  kSelectItems,
  kMove,
  kShow,
};

Loop& L() { return Loop::Current(); }

bool IsLocal(HWND hwnd) { return L().Find(hwnd) != nullptr; }

bool IsRemote(HWND hwnd) {
  return hwnd > 0 && L().channel() != nullptr && SlotOfHandle(hwnd) != L().slot();
}

wire::Reply Remote(HWND hwnd, Action action, std::int64_t a = 0, std::int64_t b = 0, std::string_view bytes = {}) {
  wire::Request r;
  r.kind = wire::Kind::Automate;
  r.hwnd = hwnd;
  r.msg = action;
  r.wParam = a;
  r.lParam = b;
  r.bytes = std::string(bytes);
  return L().channel()->Call(hwnd, r);
}

const char* KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::Static:
      return "static";
    case ControlKind::Edit:
      return "edit";
    case ControlKind::Button:
      return "button";
    case ControlKind::ListBox:
      return "listbox";
    case ControlKind::ComboBox:
      return "combobox";
    case ControlKind::UpDown:
      return "updown";
    case ControlKind::Progress:
      return "progress";
    case ControlKind::Dialog:
      return "dialog";
    case ControlKind::Menu:
      return "menu";
    default:
      return "window";
  }
}

WindowInfo DescribeLocal(const Window& w, bool deep) {
  Loop& loop = L();
  WindowInfo info;
  info.hwnd = w.handle;
  info.className = w.className;
  info.kind = w.className == kMenuClass ? "menu" : KindName(w.kind);
  info.id = w.id;
  info.text = w.text;
  info.style = w.style;
  info.visible = IsWindowVisible(w.handle);
  info.enabled = w.enabled;
  info.focused = loop.focus == w.handle;
  info.foreground = loop.active == w.handle;
  info.topmost = (w.exStyle & WS_EX_TOPMOST) != 0;
  info.minimized = w.minimized;
  info.maximized = w.maximized;
  info.check = w.control.check;
  for (const ListItem& item : w.control.items) {
    info.items.push_back(item.text);
    info.itemData.push_back(item.data);
    info.itemLooks.push_back(item.look);
  }
  for (std::size_t i = 0; i < w.control.items.size(); ++i)
    if (w.control.items[i].selected) info.selected.push_back(static_cast<int>(i));
  info.curSel = w.control.curSel;
  info.topIndex = w.control.topIndex;
  info.tabStops = w.control.tabStops;
  info.limit = w.control.limit;
  info.readOnly = (w.kind == ControlKind::Edit) && (w.style & ES_READONLY) != 0;
  info.password = (w.kind == ControlKind::Edit) && w.control.passwordChar != 0;
  if (info.password) info.text = std::string(w.text.size(), w.control.passwordChar);  // as shown
  info.lower = w.control.lower;
  info.upper = w.control.upper;
  info.pos = w.control.pos;
  info.icon = w.icon;
  info.rect = w.rect;
  info.dialogTemplate = w.dialog ? w.dialog->templateId : 0;
  if (w.menu) info.menu = w.menu->items;
  if (deep)
    for (HWND child : w.children)
      if (Window* c = loop.Find(child)) info.children.push_back(DescribeLocal(*c, true));
  return info;
}

// Menu texts and window texts are bytes; JSON carries them as Latin-1
// characters (common/ascii.h), so nothing is lost on the way.
json MenuJson(const std::vector<MenuItem>& items) {
  json list = json::array();
  for (const MenuItem& m : items)
    list.push_back({{"id", m.id}, {"text", Utf8FromBytes(m.text)}, {"flags", m.flags}, {"items", MenuJson(m.items)}});
  return list;
}

std::vector<MenuItem> MenuFromJson(const json& list) {
  std::vector<MenuItem> items;
  for (const json& m : list) {
    MenuItem item;
    item.id = m.at("id").get<UINT>();
    item.text = BytesFromUtf8(m.at("text").get<std::string>());
    item.flags = m.at("flags").get<UINT>();
    item.items = MenuFromJson(m.at("items"));
    items.push_back(std::move(item));
  }
  return items;
}

json ToJsonValue(const WindowInfo& w) {
  std::vector<std::string> items;
  for (const std::string& item : w.items) items.push_back(Utf8FromBytes(item));
  json j = {{"hwnd", w.hwnd},       {"class", Utf8FromBytes(w.className)}, {"kind", w.kind}, {"id", w.id},
            {"text", Utf8FromBytes(w.text)},       {"style", w.style},         {"visible", w.visible},  {"enabled", w.enabled},
            {"focused", w.focused}, {"foreground", w.foreground}, {"topmost", w.topmost}, {"minimized", w.minimized}, {"maximized", w.maximized},
            {"check", w.check},     {"items", items},         {"itemData", w.itemData}, {"curSel", w.curSel}, {"topIndex", w.topIndex},
            {"selected", w.selected}, {"tabStops", w.tabStops}, {"limit", w.limit},      {"readOnly", w.readOnly},
            {"password", w.password}, {"lower", w.lower},       {"upper", w.upper},      {"pos", w.pos},
            {"icon", w.icon},       {"template", w.dialogTemplate},
            {"rect", {w.rect.left, w.rect.top, w.rect.right, w.rect.bottom}}};
  json looks = json::array();
  for (const ItemLook& look : w.itemLooks) looks.push_back({look.icon, look.color, look.bold});
  j["itemLooks"] = looks;
  json children = json::array();
  for (const WindowInfo& c : w.children) children.push_back(ToJsonValue(c));
  j["children"] = children;
  j["menu"] = MenuJson(w.menu);
  return j;
}

WindowInfo FromJsonValue(const json& j) {
  WindowInfo w;
  w.hwnd = j.at("hwnd").get<HWND>();
  w.className = BytesFromUtf8(j.at("class").get<std::string>());
  w.kind = j.at("kind").get<std::string>();
  w.id = j.at("id").get<int>();
  w.text = BytesFromUtf8(j.at("text").get<std::string>());
  w.style = j.at("style").get<std::uint32_t>();
  w.visible = j.at("visible").get<bool>();
  w.enabled = j.at("enabled").get<bool>();
  w.focused = j.at("focused").get<bool>();
  w.foreground = j.at("foreground").get<bool>();
  w.topmost = j.at("topmost").get<bool>();
  w.minimized = j.at("minimized").get<bool>();
  w.maximized = j.value("maximized", false);
  w.check = j.at("check").get<int>();
  for (const json& item : j.at("items")) w.items.push_back(BytesFromUtf8(item.get<std::string>()));
  w.itemData = j.at("itemData").get<std::vector<std::int64_t>>();
  if (j.contains("itemLooks"))
    for (const json& look : j.at("itemLooks"))
      w.itemLooks.push_back(ItemLook{look.at(0).get<int>(), look.at(1).get<COLORREF>(), look.at(2).get<bool>()});
  w.curSel = j.at("curSel").get<int>();
  w.topIndex = j.value("topIndex", 0);
  w.selected = j.at("selected").get<std::vector<int>>();
  w.tabStops = j.at("tabStops").get<std::vector<int>>();
  w.limit = j.at("limit").get<int>();
  w.readOnly = j.at("readOnly").get<bool>();
  w.password = j.at("password").get<bool>();
  w.lower = j.at("lower").get<int>();
  w.upper = j.at("upper").get<int>();
  w.pos = j.at("pos").get<int>();
  w.icon = j.at("icon").get<int>();
  w.dialogTemplate = j.at("template").get<int>();
  const auto r = j.at("rect").get<std::vector<int>>();
  if (r.size() == 4) w.rect = RECT{r[0], r[1], r[2], r[3]};
  for (const json& c : j.at("children")) w.children.push_back(FromJsonValue(c));
  if (j.contains("menu")) w.menu = MenuFromJson(j.at("menu"));
  return w;
}

// Strings in the tree may hold 8-bit bytes that are not UTF-8: they are
// carried as they are, never re-encoded, so the JSON text is bytes too.
constexpr auto kBytesAsTheyAre = json::error_handler_t::ignore;

// The dialog that holds `hwnd` (a page inside a sheet counts as its own).
HWND DialogOf(HWND hwnd) {
  for (Window* w = L().Find(hwnd); w != nullptr; w = L().Find(w->parent)) {
    if (w->dialog) return w->handle;
    if ((w->style & WS_CHILD) == 0) break;
  }
  return 0;
}

void CollectTabStops(HWND container, std::vector<HWND>& out) {
  for (HWND child : GetChildren(container)) {
    Window* c = L().Find(child);
    if (c == nullptr || !IsWindowVisible(child) || !c->enabled) continue;
    if (c->dialog) {
      CollectTabStops(child, out);  // a page inside a sheet
      continue;
    }
    if ((c->style & WS_TABSTOP) != 0) out.push_back(child);
  }
}

bool MoveFocus(HWND top, bool backwards) {
  std::vector<HWND> stops;
  CollectTabStops(top, stops);
  if (stops.empty()) return false;
  auto it = std::find(stops.begin(), stops.end(), L().focus);
  std::size_t index = 0;
  if (it != stops.end()) {
    const std::size_t at = static_cast<std::size_t>(it - stops.begin());
    index = backwards ? (at + stops.size() - 1) % stops.size() : (at + 1) % stops.size();
  } else if (backwards) {
    index = stops.size() - 1;
  }
  SetFocus(stops[index]);
  return true;
}

bool PressKeyLocal(HWND hwnd, int key, unsigned modifiers) {
  Loop& loop = L();
  const HWND top = GetTopLevel(hwnd);
  // A window disabled by its modal dialog takes no keys, as on a desktop.
  if (top == 0 || !IsWindowEnabled(top)) return false;
  const HWND target = (loop.focus != 0 && GetTopLevel(loop.focus) == top) ? loop.focus : hwnd;
  // Accelerator tables of the window and every window around it.
  for (HWND w = target; w != 0; w = GetParent(w)) {
    auto it = loop.accelerators.find(w);
    if (it == loop.accelerators.end()) {
      if (w == top) break;
      continue;
    }
    if (auto command = TranslateAccelerator(it->second, key, modifiers)) {
      SendMessage(w, WM_COMMAND, MAKEWPARAM(*command, 1), 0);
      return true;
    }
    if (w == top) break;
  }
  Window* topWindow = loop.Find(top);
  if (topWindow != nullptr && topWindow->dialog) {
    Window* focused = loop.Find(target);
    const bool onButton = focused != nullptr && focused->kind == ControlKind::Button;
    switch (key) {
      case VK_TAB:
        return MoveFocus(top, (modifiers & KEY_SHIFT) != 0);
      case VK_ESCAPE:
        SendMessage(top, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), GetDlgItem(top, IDCANCEL));
        return true;
      case VK_RETURN: {
        const bool multiline = focused != nullptr && focused->kind == ControlKind::Edit && (focused->style & ES_MULTILINE) != 0;
        if (multiline) break;
        if (onButton && (focused->style & BS_TYPEMASK) <= BS_DEFPUSHBUTTON) return UserClick(target);
        const HWND dialog = DialogOf(target) != 0 ? DialogOf(target) : top;
        int id = GetDefaultButtonId(dialog);
        HWND button = GetDlgItem(dialog, id);
        if (button == 0 && dialog != top) {
          id = GetDefaultButtonId(top);
          button = GetDlgItem(top, id);
        }
        if (button != 0 && !IsWindowEnabled(button)) return false;
        SendMessage(button != 0 ? GetParent(button) : top, WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(id), BN_CLICKED), button);
        return true;
      }
      case VK_SPACE:
        if (onButton) return UserClick(target);
        break;
      default:
        break;
    }
  }
  const UINT msg = (modifiers & KEY_ALT) != 0 ? WM_SYSKEYDOWN : WM_KEYDOWN;
  SendMessage(target, msg, static_cast<WPARAM>(key), 1);
  if (target != top && (key >= VK_F1 && key <= VK_F12)) SendMessage(top, msg, static_cast<WPARAM>(key), 1);
  return true;
}

std::string EncodeTray(const std::vector<TrayIcon>& icons) {
  json list = json::array();
  for (const TrayIcon& t : icons)
    list.push_back({{"hwnd", t.hwnd}, {"id", t.id}, {"message", t.callbackMessage}, {"icon", t.icon}, {"tip", Utf8FromBytes(t.tip)}});
  return list.dump(-1, ' ', false, kBytesAsTheyAre);
}

std::vector<TrayIcon> DecodeTray(std::string_view text) {
  std::vector<TrayIcon> icons;
  const json list = json::parse(text, nullptr, false);
  if (!list.is_array()) return icons;
  for (const json& t : list) {
    if (!t.is_object()) continue;
    icons.push_back(TrayIcon{t.value("hwnd", 0), t.value("id", 0u), t.value("message", 0u), t.value("icon", 0),
                             BytesFromUtf8(t.value("tip", std::string()))});
  }
  return icons;
}

// A menu command or the close box, as a person would use them: not on a
// window disabled by its modal dialog.
bool MenuCommandLocal(HWND hwnd, UINT command) {
  if (!IsWindowEnabled(GetTopLevel(hwnd))) return false;
  SendMessage(hwnd, WM_COMMAND, MAKEWPARAM(command, 0), 0);
  return true;
}

// A top-level window dragged to a new place by a person: it keeps its size.
bool MoveLocal(HWND hwnd, int x, int y) {
  if (GetTopLevel(hwnd) != hwnd) return false;
  const RECT r = GetWindowRect(hwnd);
  return MoveWindow(hwnd, x, y, r.right - r.left, r.bottom - r.top);
}

bool ShowAsLocal(HWND hwnd, int command) {
  if (GetTopLevel(hwnd) != hwnd || !IsWindowVisible(hwnd)) return false;
  if (command != SW_MINIMIZE && command != SW_MAXIMIZE && command != SW_RESTORE) return false;
  ShowWindow(hwnd, command);
  return true;
}

bool CloseLocal(HWND hwnd) {
  if (!IsWindowEnabled(GetTopLevel(hwnd))) return false;
  SendMessage(hwnd, WM_CLOSE, 0, 0);
  return true;
}

template <typename Local>
bool Act(HWND hwnd, Action action, Local local, std::int64_t a = 0, std::int64_t b = 0, std::string_view bytes = {}) {
  if (IsLocal(hwnd)) return local();
  if (IsRemote(hwnd)) {
    const wire::Reply reply = Remote(hwnd, action, a, b, bytes);
    return reply.ok && reply.value != 0;
  }
  return false;
}

}  // namespace

std::string WindowInfo::ToJson() const { return ToJsonValue(*this).dump(-1, ' ', false, kBytesAsTheyAre); }

std::optional<WindowInfo> WindowInfo::FromJson(std::string_view text) {
  const json j = json::parse(text, nullptr, false);
  if (j.is_discarded() || !j.is_object()) return std::nullopt;
  try {
    return FromJsonValue(j);
  } catch (const json::exception&) {
    return std::nullopt;
  }
}

namespace automation {

std::optional<WindowInfo> Describe(HWND hwnd, bool deep) {
  if (Window* w = L().Find(hwnd)) return DescribeLocal(*w, deep);
  if (!IsRemote(hwnd)) return std::nullopt;
  const wire::Reply reply = Remote(hwnd, kDescribe, deep ? 1 : 0);
  if (!reply.ok) return std::nullopt;
  return WindowInfo::FromJson(reply.bytes);
}

HWND FindControl(HWND parent, int id) {
  if (IsLocal(parent)) return ControlOrPageControl(parent, id);
  if (!IsRemote(parent)) return 0;
  const wire::Reply reply = Remote(parent, kFindChild, id);
  return reply.ok ? static_cast<HWND>(reply.value) : 0;
}

bool SetText(HWND control, std::string_view text) {
  return Act(control, kSetText, [&] { return UserSetText(control, text); }, 0, 0, text);
}
bool Click(HWND control) {
  return Act(control, kClick, [&] { return UserClick(control); });
}
bool DoubleClick(HWND control) {
  return Act(control, kDoubleClick, [&] { return UserDoubleClick(control); });
}
bool SelectItem(HWND control, int index, unsigned modifiers) {
  return Act(control, kSelect, [&] { return UserSelectItem(control, index, modifiers); }, index, modifiers);
}
bool SelectItems(HWND control, const std::vector<int>& indices) {
  std::string list;
  for (int index : indices) list += (list.empty() ? "" : ",") + std::to_string(index);
  return Act(control, kSelectItems, [&] { return UserSelectItems(control, indices); }, 0, 0, list);
}
bool SelectItemByText(HWND control, std::string_view text) {
  auto info = Describe(control, false);
  if (!info) return false;
  for (std::size_t i = 0; i < info->items.size(); ++i)
    if (EqualsNoCase(info->items[i], text)) return SelectItem(control, static_cast<int>(i));
  return false;
}
bool DoubleClickItem(HWND control, int index) {
  return Act(control, kDoubleClickItem, [&] { return UserDoubleClickItem(control, index); }, index);
}
bool Check(HWND control, int state) {
  return Act(control, kCheck, [&] { return UserSetCheck(control, state); }, state);
}
bool Spin(HWND updown, int delta) {
  return Act(updown, kSpin, [&] { return UserSpin(updown, delta); }, delta);
}
bool PressKey(HWND hwnd, int key, unsigned modifiers) {
  return Act(hwnd, kKey, [&] { return PressKeyLocal(hwnd, key, modifiers); }, key, modifiers);
}
bool ChooseMenuCommand(HWND hwnd, UINT command) {
  return Act(hwnd, kMenu, [&] { return MenuCommandLocal(hwnd, command); }, command);
}
bool Close(HWND hwnd) {
  return Act(hwnd, kClose, [&] { return CloseLocal(hwnd); });
}
bool Move(HWND window, int x, int y) {
  return Act(window, kMove, [&] { return MoveLocal(window, x, y); }, x, y);
}
bool ShowAs(HWND window, int command) {
  return Act(window, kShow, [&] { return ShowAsLocal(window, command); }, command);
}

std::vector<TrayIcon> TrayIconsOf(HWND anyWindow) {
  if (anyWindow == 0 || IsLocal(anyWindow)) return TrayIcons();
  if (!IsRemote(anyWindow)) return {};
  const wire::Reply reply = Remote(anyWindow, kTray);
  return reply.ok ? DecodeTray(reply.bytes) : std::vector<TrayIcon>{};
}

std::optional<std::uint64_t> ChangeCount(HWND anyWindow) {
  if (anyWindow == 0 || IsLocal(anyWindow)) return L().Changes();
  if (!IsRemote(anyWindow)) return std::nullopt;
  const wire::Reply reply = Remote(anyWindow, kChanges);
  if (!reply.ok) return std::nullopt;
  return static_cast<std::uint64_t>(reply.value);
}

bool ClickTray(HWND hwnd, UINT id, UINT mouseMessage) {
  return Act(hwnd, kTrayClick, [&] { return ClickTrayIcon(hwnd, id, mouseMessage); }, id, mouseMessage);
}

}  // namespace automation

wire::Reply HandleAutomation(const wire::Request& r) {
  auto answer = [](bool ok) { return wire::Reply{true, ok ? 1 : 0, {}}; };
  if (r.msg == kTray) return wire::Reply{true, 1, EncodeTray(TrayIcons())};
  if (r.msg == kChanges) return wire::Reply{true, static_cast<std::int64_t>(L().Changes()), {}};
  Window* w = L().Find(r.hwnd);
  if (w == nullptr) return wire::Reply{false, 0, "no window " + HandleToText(r.hwnd)};
  const int a = static_cast<int>(r.wParam);
  switch (r.msg) {
    case kDescribe:
      return wire::Reply{true, 1, DescribeLocal(*w, r.wParam != 0).ToJson()};
    case kFindChild:
      return wire::Reply{true, ControlOrPageControl(r.hwnd, a), {}};
    case kSetText:
      return answer(UserSetText(r.hwnd, r.bytes));
    case kClick:
      return answer(UserClick(r.hwnd));
    case kDoubleClick:
      return answer(UserDoubleClick(r.hwnd));
    case kSelect:
      return answer(UserSelectItem(r.hwnd, a, static_cast<unsigned>(r.lParam)));
    case kSelectItems: {
      std::vector<int> indices;
      std::size_t at = 0;
      while (at <= r.bytes.size() && !r.bytes.empty()) {
        const std::size_t comma = std::min(r.bytes.find(',', at), r.bytes.size());
        const std::string number = r.bytes.substr(at, comma - at);
        if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos || number.size() > 9)
          return answer(false);
        indices.push_back(std::stoi(number));
        at = comma + 1;
      }
      return answer(UserSelectItems(r.hwnd, indices));
    }
    case kDoubleClickItem:
      return answer(UserDoubleClickItem(r.hwnd, a));
    case kCheck:
      return answer(UserSetCheck(r.hwnd, a));
    case kSpin:
      return answer(UserSpin(r.hwnd, a));
    case kKey:
      return answer(PressKeyLocal(r.hwnd, a, static_cast<unsigned>(r.lParam)));
    case kMenu:
      return answer(MenuCommandLocal(r.hwnd, static_cast<UINT>(a)));
    case kClose:
      return answer(CloseLocal(r.hwnd));
    case kMove:
      return answer(MoveLocal(r.hwnd, a, static_cast<int>(r.lParam)));
    case kShow:
      return answer(ShowAsLocal(r.hwnd, a));
    case kTrayClick:
      return answer(ClickTrayIcon(r.hwnd, static_cast<UINT>(a), static_cast<UINT>(r.lParam)));
    default:
      return wire::Reply{false, 0, "unknown automation action " + std::to_string(r.msg)};
  }
}

}  // namespace tellmar
