#include "platform/menu.h"

#include "platform/loop.h"
#include "platform/operator.h"
#include "platform/text.h"

namespace tellmar {
namespace {

MenuItem* FindItem(std::vector<MenuItem>& items, UINT id) {
  for (MenuItem& item : items) {
    if ((item.flags & MF_POPUP) != 0) {
      if (MenuItem* inner = FindItem(item.items, id)) return inner;
    } else if ((item.flags & MF_SEPARATOR) == 0 && item.id == id) {
      return &item;
    }
  }
  return nullptr;
}

struct NamedKey {
  const char* name;
  int key;
};

constexpr NamedKey kNamedKeys[] = {
    {"Tab", VK_TAB},         {"Enter", VK_RETURN},   {"Return", VK_RETURN}, {"Esc", VK_ESCAPE},
    {"Escape", VK_ESCAPE},   {"Space", VK_SPACE},    {"Delete", VK_DELETE}, {"Del", VK_DELETE},
    {"Insert", VK_INSERT},   {"Ins", VK_INSERT},     {"Home", VK_HOME},     {"End", VK_END},
    {"Up", VK_UP},           {"Down", VK_DOWN},      {"Left", VK_LEFT},     {"Right", VK_RIGHT},
    {"PageUp", VK_PRIOR},    {"PageDown", VK_NEXT},  {"Backspace", VK_BACK},
};

}  // namespace

Menu CreatePopupMenu() { return Menu{}; }

bool AppendMenu(Menu& menu, UINT flags, UINT id, std::string_view text) {
  MenuItem item;
  item.id = (flags & MF_SEPARATOR) != 0 ? 0 : id;
  item.flags = flags;
  item.text = std::string(text);
  menu.items.push_back(std::move(item));
  return true;
}

bool EnableMenuItem(Menu& menu, UINT id, UINT flags) {
  MenuItem* item = FindItem(menu.items, id);
  if (item == nullptr) return false;
  item->flags = (item->flags & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return true;
}

bool CheckMenuItem(Menu& menu, UINT id, bool checked) {
  MenuItem* item = FindItem(menu.items, id);
  if (item == nullptr) return false;
  item->flags = checked ? (item->flags | MF_CHECKED) : (item->flags & ~MF_CHECKED);
  return true;
}

const MenuItem* FindMenuItem(const Menu& menu, UINT id) {
  return FindItem(const_cast<Menu&>(menu).items, id);
}

std::optional<Menu> GetSubMenu(const Menu& menu, int position) {
  if (position < 0 || position >= static_cast<int>(menu.items.size())) return std::nullopt;
  const MenuItem& item = menu.items[static_cast<std::size_t>(position)];
  if ((item.flags & MF_POPUP) == 0) return std::nullopt;
  return Menu{item.items};
}

UINT TrackPopupMenu(const Menu& menu, UINT flags, HWND owner) {
  const UINT chosen = Loop::Current().op().TrackPopupMenu(PopupRequest{owner, menu});
  const MenuItem* item = chosen != 0 ? FindMenuItem(menu, chosen) : nullptr;
  if (item == nullptr || (item->flags & (MF_GRAYED | MF_DISABLED)) != 0) return 0;
  if ((flags & TPM_RETURNCMD) == 0 && (flags & TPM_NONOTIFY) == 0) PostMessage(owner, WM_COMMAND, chosen, 0);
  return chosen;
}

bool SetMenu(HWND hwnd, const Menu& menu) {
  Window* w = Loop::Current().Find(hwnd);
  if (w == nullptr) return false;
  w->menu = menu;
  return true;
}

std::optional<Menu> GetMenu(HWND hwnd) {
  Window* w = Loop::Current().Find(hwnd);
  if (w == nullptr) return std::nullopt;
  return w->menu;
}

void SetAccelerators(HWND hwnd, const AcceleratorTable& table) { Loop::Current().accelerators[hwnd] = table; }

std::optional<UINT> TranslateAccelerator(const AcceleratorTable& table, int key, unsigned modifiers) {
  const unsigned wanted = modifiers & (KEY_CONTROL | KEY_ALT | KEY_SHIFT);
  for (const Accelerator& a : table)
    if (a.key == key && a.modifiers == wanted) return a.command;
  return std::nullopt;
}

int KeyFromName(std::string_view name) {
  if (name.size() == 1) {
    const char c = name[0];
    if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
    return 0;
  }
  if ((name[0] == 'F' || name[0] == 'f') && name.size() <= 3) {
    int n = 0;
    for (char c : name.substr(1)) {
      if (c < '0' || c > '9') return 0;
      n = n * 10 + (c - '0');
    }
    return n >= 1 && n <= 12 ? VK_F1 + n - 1 : 0;
  }
  for (const NamedKey& k : kNamedKeys)
    if (EqualsNoCase(name, k.name)) return k.key;
  return 0;
}

std::optional<Accelerator> ParseKeyChord(std::string_view keyText) {
  Accelerator a;
  for (;;) {
    if (StartsWithNoCase(keyText, "ctrl+")) {
      a.modifiers |= KEY_CONTROL;
      keyText.remove_prefix(5);
    } else if (StartsWithNoCase(keyText, "alt+")) {
      a.modifiers |= KEY_ALT;
      keyText.remove_prefix(4);
    } else if (StartsWithNoCase(keyText, "shift+")) {
      a.modifiers |= KEY_SHIFT;
      keyText.remove_prefix(6);
    } else {
      break;
    }
  }
  const int key = KeyFromName(keyText);
  if (key == 0) return std::nullopt;
  a.key = key;
  return a;
}

}  // namespace tellmar
