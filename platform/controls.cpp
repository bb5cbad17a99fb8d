#include "platform/controls.h"

#include <algorithm>
#include <cstring>

#include "platform/dialog.h"
#include "platform/loop.h"
#include "platform/text.h"

namespace tellmar {
namespace {

Loop& L() { return Loop::Current(); }

void Notify(const Window& w, unsigned code) {
  if (w.parent != 0) SendMessage(w.parent, WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(w.id), code), w.handle);
}

const char* TextArg(LPARAM l) { return l != 0 ? reinterpret_cast<const char*>(l) : ""; }

LRESULT CopyOut(const std::string& text, LPARAM buffer) {
  if (buffer == 0) return -1;
  std::memcpy(reinterpret_cast<char*>(buffer), text.c_str(), text.size() + 1);
  return static_cast<LRESULT>(text.size());
}

int CompareNoCase(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(AsciiLower(a[i]));
    const auto y = static_cast<unsigned char>(AsciiLower(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// --- Items common to list and combo boxes -------------------------------------

bool HasStrings(const Window& w) {
  if (w.kind != ControlKind::ListBox) return true;
  const bool ownerDraw = (w.style & (LBS_OWNERDRAWFIXED | 0x20)) != 0;
  return !ownerDraw || (w.style & LBS_HASSTRINGS) != 0;
}

LRESULT InsertItem(Window& w, int index, LPARAM l, bool sorted) {
  ListItem item;
  if (HasStrings(w))
    item.text = TextArg(l);
  else
    item.data = l;
  auto& items = w.control.items;
  if (sorted) {
    index = 0;
    while (index < static_cast<int>(items.size()) && CompareNoCase(items[index].text, item.text) <= 0) ++index;
  } else if (index < 0 || index > static_cast<int>(items.size())) {
    if (index != -1) return LB_ERR;
    index = static_cast<int>(items.size());
  }
  items.insert(items.begin() + index, std::move(item));
  if (w.control.curSel >= index) ++w.control.curSel;
  return index;
}

LRESULT DeleteItem(Window& w, WPARAM wParam) {
  auto& items = w.control.items;
  const auto index = static_cast<int>(wParam);
  if (index < 0 || index >= static_cast<int>(items.size())) return LB_ERR;
  items.erase(items.begin() + index);
  if (w.control.curSel == index)
    w.control.curSel = -1;
  else if (w.control.curSel > index)
    --w.control.curSel;
  return static_cast<LRESULT>(items.size());
}

LRESULT FindItem(const Window& w, WPARAM start, LPARAM l, bool exact) {
  const auto& items = w.control.items;
  const int n = static_cast<int>(items.size());
  if (n == 0) return LB_ERR;
  const std::string_view wanted = TextArg(l);
  int first = static_cast<int>(static_cast<std::intptr_t>(start));
  if (first < -1 || first >= n) first = -1;
  for (int k = 1; k <= n; ++k) {
    const int i = (first + k) % n;
    const bool hit = exact ? EqualsNoCase(items[i].text, wanted) : StartsWithNoCase(items[i].text, wanted);
    if (hit) return i;
  }
  return LB_ERR;
}

bool ValidIndex(const Window& w, WPARAM index) {
  return static_cast<std::intptr_t>(index) >= 0 && index < w.control.items.size();
}

bool MultiSelect(const Window& w) {
  return w.kind == ControlKind::ListBox && (w.style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0;
}

LRESULT SetCurSel(Window& w, WPARAM wParam) {
  const auto index = static_cast<std::intptr_t>(wParam);
  if (index == -1 || !ValidIndex(w, wParam)) {
    w.control.curSel = -1;
    for (auto& item : w.control.items) item.selected = false;
    if (w.kind == ControlKind::ComboBox) w.text.clear();
    return index == -1 ? LB_ERR : LB_ERR;
  }
  w.control.curSel = static_cast<int>(index);
  if (MultiSelect(w)) {
    for (auto& item : w.control.items) item.selected = false;
    w.control.items[index].selected = true;
  }
  if (w.kind == ControlKind::ComboBox) w.text = w.control.items[index].text;
  return index;
}

// --- Window procedures ---------------------------------------------------------

LRESULT StaticProc(HWND h, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProc(h, m, wp, lp); }

LRESULT EditProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  Window* w = L().Find(h);
  if (w == nullptr) return 0;
  ControlState& c = w->control;
  switch (m) {
    case WM_SETTEXT: {
      DefWindowProc(h, m, wp, lp);
      c.selStart = c.selEnd = 0;
      c.modified = false;
      return 1;
    }
    case EM_LIMITTEXT:
      c.limit = static_cast<int>(wp);
      return 0;
    case EM_GETLIMITTEXT:
      return c.limit == 0 ? 30000 : c.limit;
    case EM_SETSEL: {
      const int size = static_cast<int>(w->text.size());
      auto clampPos = [size](std::intptr_t v) { return v < 0 ? size : static_cast<int>(std::min<std::intptr_t>(v, size)); };
      const auto start = static_cast<std::intptr_t>(wp);
      c.selStart = start == -1 ? 0 : clampPos(start);
      c.selEnd = start == -1 ? 0 : clampPos(lp);
      if (c.selStart > c.selEnd) std::swap(c.selStart, c.selEnd);
      return 1;
    }
    case EM_GETSEL:
      if (wp != 0) *reinterpret_cast<std::uint32_t*>(wp) = static_cast<std::uint32_t>(c.selStart);
      if (lp != 0) *reinterpret_cast<std::uint32_t*>(lp) = static_cast<std::uint32_t>(c.selEnd);
      return MAKELPARAM(static_cast<unsigned>(c.selStart), static_cast<unsigned>(c.selEnd));
    case EM_REPLACESEL: {
      const int start = std::min<int>(c.selStart, static_cast<int>(w->text.size()));
      const int end = std::min<int>(c.selEnd, static_cast<int>(w->text.size()));
      const std::string insert = TextArg(lp);
      w->text.replace(start, end - start, insert);
      c.selStart = c.selEnd = start + static_cast<int>(insert.size());
      ++w->textWrites;
      return 0;
    }
    case EM_SETPASSWORDCHAR:
      c.passwordChar = static_cast<char>(wp);
      return 0;
    case EM_GETPASSWORDCHAR:
      return static_cast<unsigned char>(c.passwordChar);
    case EM_SETREADONLY:
      w->style = wp != 0 ? (w->style | ES_READONLY) : (w->style & ~ES_READONLY);
      return 1;
    case EM_GETMODIFY:
      return c.modified ? 1 : 0;
    case EM_SETMODIFY:
      c.modified = wp != 0;
      return 0;
    case EM_GETLINECOUNT:
      return 1 + std::count(w->text.begin(), w->text.end(), '\n');
    case WM_SETFOCUS:
      Notify(*w, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      Notify(*w, EN_KILLFOCUS);
      return 0;
    default:
      return DefWindowProc(h, m, wp, lp);
  }
}

void CheckRadioInGroup(Window& w) {
  Window* parent = L().Find(w.parent);
  if (parent == nullptr) return;
  // The group: from the nearest WS_GROUP control at or before this one to
  // the next WS_GROUP control.
  const auto& siblings = parent->children;
  auto self = std::find(siblings.begin(), siblings.end(), w.handle);
  if (self == siblings.end()) return;
  auto first = self;
  while (first != siblings.begin()) {
    Window* s = L().Find(*first);
    if (s != nullptr && (s->style & WS_GROUP) != 0) break;
    --first;
  }
  for (auto it = first; it != siblings.end(); ++it) {
    Window* s = L().Find(*it);
    if (s == nullptr) continue;
    if (it != first && (s->style & WS_GROUP) != 0) break;
    const auto type = s->style & BS_TYPEMASK;
    if (s->kind == ControlKind::Button && (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON))
      s->control.check = s == &w ? BST_CHECKED : BST_UNCHECKED;
  }
}

LRESULT ButtonProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  Window* w = L().Find(h);
  if (w == nullptr) return 0;
  switch (m) {
    case BM_GETCHECK:
      return w->control.check;
    case BM_SETCHECK:
      w->control.check = static_cast<int>(wp);
      return 0;
    case BM_GETSTATE:
      return w->control.check | (L().focus == h ? 0x8 : 0);
    case BM_CLICK: {
      if (!w->enabled) return 0;
      auto held = L().Hold(h);
      switch (w->style & BS_TYPEMASK) {
        case BS_AUTOCHECKBOX:
          w->control.check = w->control.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
          break;
        case BS_AUTO3STATE:
          w->control.check = (w->control.check + 1) % 3;
          break;
        case BS_AUTORADIOBUTTON:
          CheckRadioInGroup(*w);
          break;
        case BS_GROUPBOX:
          return 0;
        default:
          break;
      }
      Notify(*w, BN_CLICKED);
      return 0;
    }
    default:
      return DefWindowProc(h, m, wp, lp);
  }
}

LRESULT ListProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  Window* w = L().Find(h);
  if (w == nullptr) return 0;
  ControlState& c = w->control;
  const bool sorted = (w->style & LBS_SORT) != 0;
  switch (m) {
    case LB_ADDSTRING:
      return InsertItem(*w, -1, lp, sorted);
    case LB_INSERTSTRING:
      return InsertItem(*w, static_cast<int>(static_cast<std::intptr_t>(wp)), lp, false);
    case LB_DELETESTRING:
      return DeleteItem(*w, wp);
    case LB_RESETCONTENT:
      c.items.clear();
      c.curSel = -1;
      c.topIndex = 0;
      return 0;
    case LB_GETCOUNT:
      return static_cast<LRESULT>(c.items.size());
    case LB_GETTEXT:
      return ValidIndex(*w, wp) ? CopyOut(c.items[wp].text, lp) : LB_ERR;
    case LB_GETTEXTLEN:
      return ValidIndex(*w, wp) ? static_cast<LRESULT>(c.items[wp].text.size()) : LB_ERR;
    case LB_SETCURSEL:
      if (MultiSelect(*w)) return LB_ERR;
      return SetCurSel(*w, wp);
    case LB_GETCURSEL:
      return c.curSel;
    case LB_SETSEL: {
      const auto index = static_cast<std::intptr_t>(lp);
      if (!MultiSelect(*w)) return LB_ERR;
      if (index == -1) {
        for (auto& item : c.items) item.selected = wp != 0;
        return 0;
      }
      if (!ValidIndex(*w, static_cast<WPARAM>(index))) return LB_ERR;
      c.items[index].selected = wp != 0;
      c.curSel = static_cast<int>(index);
      return 0;
    }
    case LB_GETSEL:
      if (!ValidIndex(*w, wp)) return LB_ERR;
      return MultiSelect(*w) ? (c.items[wp].selected ? 1 : 0) : (c.curSel == static_cast<int>(wp) ? 1 : 0);
    case LB_GETSELCOUNT:
      if (!MultiSelect(*w)) return LB_ERR;
      return std::count_if(c.items.begin(), c.items.end(), [](const ListItem& i) { return i.selected; });
    case LB_GETSELITEMS: {
      if (!MultiSelect(*w) || lp == 0) return LB_ERR;
      auto* out = reinterpret_cast<int*>(lp);
      LRESULT n = 0;
      for (std::size_t i = 0; i < c.items.size() && static_cast<WPARAM>(n) < wp; ++i)
        if (c.items[i].selected) out[n++] = static_cast<int>(i);
      return n;
    }
    case LB_SELITEMRANGE:
      if (!MultiSelect(*w)) return LB_ERR;
      for (unsigned i = LOWORD(static_cast<WPARAM>(lp)); i <= HIWORD(static_cast<WPARAM>(lp)) && i < c.items.size(); ++i)
        c.items[i].selected = wp != 0;
      return 0;
    case LB_FINDSTRING:
      return FindItem(*w, wp, lp, false);
    case LB_FINDSTRINGEXACT:
      return FindItem(*w, wp, lp, true);
    case LB_SELECTSTRING: {
      const LRESULT index = FindItem(*w, wp, lp, false);
      return index == LB_ERR ? LB_ERR : SetCurSel(*w, static_cast<WPARAM>(index));
    }
    case LB_GETITEMDATA:
      return ValidIndex(*w, wp) ? c.items[wp].data : LB_ERR;
    case LB_SETITEMDATA:
      if (!ValidIndex(*w, wp)) return LB_ERR;
      c.items[wp].data = lp;
      return 1;
    case LB_SETTABSTOPS:
      c.tabStops.clear();
      if (lp != 0)
        for (WPARAM i = 0; i < wp; ++i) c.tabStops.push_back(reinterpret_cast<const int*>(lp)[i]);
      return 1;
    case LB_GETTOPINDEX:
      return c.topIndex;
    case LB_SETTOPINDEX:
      if (!ValidIndex(*w, wp) && wp != 0) return LB_ERR;
      c.topIndex = static_cast<int>(wp);
      return 0;
    case LB_GETITEMHEIGHT:
      return 13;
    case LB_SETITEMLOOK:
      if (!ValidIndex(*w, wp) || lp == 0) return LB_ERR;
      c.items[wp].look = *reinterpret_cast<const ItemLook*>(lp);
      return 0;
    case LB_GETITEMLOOK:
      if (!ValidIndex(*w, wp) || lp == 0) return LB_ERR;
      *reinterpret_cast<ItemLook*>(lp) = c.items[wp].look;
      return 0;
    default:
      return DefWindowProc(h, m, wp, lp);
  }
}

LRESULT ComboProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  Window* w = L().Find(h);
  if (w == nullptr) return 0;
  ControlState& c = w->control;
  const bool sorted = (w->style & CBS_SORT) != 0;
  switch (m) {
    case CB_ADDSTRING:
      return InsertItem(*w, -1, lp, sorted);
    case CB_INSERTSTRING:
      return InsertItem(*w, static_cast<int>(static_cast<std::intptr_t>(wp)), lp, false);
    case CB_DELETESTRING:
      return DeleteItem(*w, wp);
    case CB_RESETCONTENT:
      c.items.clear();
      c.curSel = -1;
      w->text.clear();
      return 0;
    case CB_GETCOUNT:
      return static_cast<LRESULT>(c.items.size());
    case CB_GETLBTEXT:
      return ValidIndex(*w, wp) ? CopyOut(c.items[wp].text, lp) : CB_ERR;
    case CB_GETLBTEXTLEN:
      return ValidIndex(*w, wp) ? static_cast<LRESULT>(c.items[wp].text.size()) : CB_ERR;
    case CB_SETCURSEL:
      return SetCurSel(*w, wp);
    case CB_GETCURSEL:
      return c.curSel;
    case CB_FINDSTRING:
      return FindItem(*w, wp, lp, false);
    case CB_FINDSTRINGEXACT:
      return FindItem(*w, wp, lp, true);
    case CB_SELECTSTRING: {
      const LRESULT index = FindItem(*w, wp, lp, false);
      return index == CB_ERR ? CB_ERR : SetCurSel(*w, static_cast<WPARAM>(index));
    }
    case CB_GETITEMDATA:
      return ValidIndex(*w, wp) ? c.items[wp].data : CB_ERR;
    case CB_SETITEMDATA:
      if (!ValidIndex(*w, wp)) return CB_ERR;
      c.items[wp].data = lp;
      return 1;
    case CB_LIMITTEXT:
      c.limit = static_cast<int>(wp);
      return 1;
    case CB_SHOWDROPDOWN:
      return 1;
    case WM_SETTEXT:
      if ((w->style & 0x3) == CBS_DROPDOWNLIST) {
        // A drop-down list shows only its items: the text selects one.
        const LRESULT index = FindItem(*w, static_cast<WPARAM>(-1), lp, true);
        if (index == CB_ERR) return CB_ERR;
        SetCurSel(*w, static_cast<WPARAM>(index));
        ++w->textWrites;
        return 1;
      }
      return DefWindowProc(h, m, wp, lp);
    default:
      return DefWindowProc(h, m, wp, lp);
  }
}

void SyncBuddy(Window& w) {
  if (w.control.buddy != 0 && L().Find(w.control.buddy) != nullptr)
    SetWindowText(w.control.buddy, std::to_string(w.control.pos));
}

LRESULT UpDownProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  Window* w = L().Find(h);
  if (w == nullptr) return 0;
  ControlState& c = w->control;
  auto clampPos = [&c](int v) { return std::clamp(v, std::min(c.lower, c.upper), std::max(c.lower, c.upper)); };
  switch (m) {
    case UDM_SETRANGE:
      c.upper = static_cast<std::int16_t>(LOWORD(static_cast<WPARAM>(lp)));
      c.lower = static_cast<std::int16_t>(HIWORD(static_cast<WPARAM>(lp)));
      c.pos = clampPos(c.pos);
      return 0;
    case UDM_SETRANGE32:
      c.lower = static_cast<int>(static_cast<std::intptr_t>(wp));
      c.upper = static_cast<int>(lp);
      c.pos = clampPos(c.pos);
      return 0;
    case UDM_GETRANGE:
      return MAKELPARAM(static_cast<unsigned>(c.upper), static_cast<unsigned>(c.lower));
    case UDM_SETPOS:
    case UDM_SETPOS32: {
      const int old = c.pos;
      c.pos = clampPos(m == UDM_SETPOS ? static_cast<std::int16_t>(LOWORD(static_cast<WPARAM>(lp))) : static_cast<int>(lp));
      SyncBuddy(*w);
      return old;
    }
    case UDM_GETPOS:
    case UDM_GETPOS32:
      if (c.buddy != 0 && L().Find(c.buddy) != nullptr) {
        const std::string text = GetWindowText(c.buddy);
        char* end = nullptr;
        const long v = std::strtol(text.c_str(), &end, 10);
        if (end != text.c_str()) c.pos = clampPos(static_cast<int>(v));
      }
      return c.pos;
    case UDM_SETBUDDY: {
      const HWND old = c.buddy;
      c.buddy = static_cast<HWND>(wp);
      return old;
    }
    case UDM_GETBUDDY:
      return c.buddy;
    default:
      return DefWindowProc(h, m, wp, lp);
  }
}

LRESULT ProgressProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
  Window* w = L().Find(h);
  if (w == nullptr) return 0;
  ControlState& c = w->control;
  const int old = c.pos;
  switch (m) {
    case PBM_SETRANGE: {
      const LRESULT previous = MAKELPARAM(static_cast<unsigned>(c.lower), static_cast<unsigned>(c.upper));
      c.lower = LOWORD(static_cast<WPARAM>(lp));
      c.upper = HIWORD(static_cast<WPARAM>(lp));
      return previous;
    }
    case PBM_SETRANGE32:
      c.lower = static_cast<int>(static_cast<std::intptr_t>(wp));
      c.upper = static_cast<int>(lp);
      return 0;
    case PBM_SETPOS:
      c.pos = std::clamp(static_cast<int>(static_cast<std::intptr_t>(wp)), c.lower, std::max(c.lower, c.upper));
      return old;
    case PBM_DELTAPOS:
      c.pos = std::clamp(c.pos + static_cast<int>(static_cast<std::intptr_t>(wp)), c.lower, std::max(c.lower, c.upper));
      return old;
    case PBM_SETSTEP: {
      const int previous = c.step;
      c.step = static_cast<int>(static_cast<std::intptr_t>(wp));
      return previous;
    }
    case PBM_STEPIT:
      c.pos += c.step;
      if (c.pos > c.upper) c.pos = c.lower + (c.pos - c.upper);
      return old;
    case PBM_GETPOS:
      return c.pos;
    default:
      return DefWindowProc(h, m, wp, lp);
  }
}

// A control a person can use: visible, enabled, and in a window that is
// not disabled by a modal dialog of its own.
Window* UsableControl(HWND control) {
  Window* w = L().Find(control);
  if (w == nullptr || !w->enabled || !IsWindowVisible(control)) return nullptr;
  const HWND top = GetTopLevel(control);
  if (top == 0 || !IsWindowEnabled(top)) return nullptr;
  return w;
}

}  // namespace

void EnsureControlClasses(Loop& loop) {
  if (loop.FindClass(kStaticClass) != nullptr) return;
  loop.AddClass({WNDCLASS{std::string(kStaticClass), StaticProc}, ControlKind::Static});
  loop.AddClass({WNDCLASS{std::string(kEditClass), EditProc}, ControlKind::Edit});
  loop.AddClass({WNDCLASS{std::string(kButtonClass), ButtonProc}, ControlKind::Button});
  loop.AddClass({WNDCLASS{std::string(kListBoxClass), ListProc}, ControlKind::ListBox});
  loop.AddClass({WNDCLASS{std::string(kComboBoxClass), ComboProc}, ControlKind::ComboBox});
  loop.AddClass({WNDCLASS{std::string(kUpDownClass), UpDownProc}, ControlKind::UpDown});
  loop.AddClass({WNDCLASS{std::string(kProgressClass), ProgressProc}, ControlKind::Progress});
  loop.AddClass({WNDCLASS{std::string(kDialogClass), DefDlgProc}, ControlKind::Dialog});
  loop.AddClass({WNDCLASS{std::string(kMenuClass), DefWindowProc}, ControlKind::Menu});
}

void InitControlState(Window& w) {
  if (w.kind == ControlKind::Edit && (w.style & ES_PASSWORD) != 0) w.control.passwordChar = '*';
  if (w.kind == ControlKind::UpDown) {
    w.control.lower = 100;  // the common controls' default range is 100..0
    w.control.upper = 0;
  }
}

bool UserSetText(HWND control, std::string_view text) {
  Window* w = UsableControl(control);
  if (w == nullptr) return false;
  if (w->kind == ControlKind::Edit) {
    if ((w->style & ES_READONLY) != 0) return false;
    std::string typed(text);
    if (w->control.limit > 0 && typed.size() > static_cast<std::size_t>(w->control.limit))
      typed.resize(static_cast<std::size_t>(w->control.limit));
    if ((w->style & ES_NUMBER) != 0 && typed.find_first_not_of("0123456789") != std::string::npos) return false;
    w->text = typed;
    ++w->textWrites;
    w->control.modified = true;
    w->control.selStart = w->control.selEnd = static_cast<int>(typed.size());
    Notify(*w, EN_UPDATE);
    Notify(*w, EN_CHANGE);
    return true;
  }
  if (w->kind == ControlKind::ComboBox) {
    if ((w->style & 0x3) == CBS_DROPDOWNLIST) {
      const LRESULT index = SendMessage(control, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>(std::string(text).c_str()));
      return index != CB_ERR && UserSelectItem(control, static_cast<int>(index));
    }
    std::string typed(text);
    if (w->control.limit > 0 && typed.size() > static_cast<std::size_t>(w->control.limit))
      typed.resize(static_cast<std::size_t>(w->control.limit));
    w->text = typed;
    ++w->textWrites;
    w->control.curSel = -1;
    Notify(*w, CBN_EDITCHANGE);
    return true;
  }
  return false;
}

bool UserClick(HWND control) {
  Window* w = UsableControl(control);
  if (w == nullptr) return false;
  if (w->kind == ControlKind::Button) {
    if ((w->style & BS_TYPEMASK) == BS_GROUPBOX) return false;
    SetFocus(control);
    SendMessage(control, BM_CLICK, 0, 0);
    return true;
  }
  if (w->kind == ControlKind::Static) {
    Notify(*w, 0);  // STN_CLICKED
    return true;
  }
  return false;
}

bool UserDoubleClick(HWND control) {
  Window* w = UsableControl(control);
  if (w == nullptr) return false;
  if (w->kind == ControlKind::ListBox || w->kind == ControlKind::ComboBox) {
    if (w->control.curSel < 0) return false;
    return UserDoubleClickItem(control, w->control.curSel);
  }
  if (w->kind == ControlKind::Edit) {
    // The edit itself ignores it; a program that subclassed it may not.
    SetFocus(control);
    SendMessage(control, WM_LBUTTONDBLCLK, 0, 0);
    return true;
  }
  if (!UserClick(control)) return false;
  if (Window* again = L().Find(control); again != nullptr && again->kind == ControlKind::Button) {
    const auto type = again->style & BS_TYPEMASK;
    if (type == BS_OWNERDRAW || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) Notify(*again, BN_DOUBLECLICKED);
  }
  return true;
}

bool UserSelectItem(HWND control, int index, unsigned modifiers) {
  Window* w = UsableControl(control);
  if (w == nullptr || (w->kind != ControlKind::ListBox && w->kind != ControlKind::ComboBox)) return false;
  if (index < 0 || index >= static_cast<int>(w->control.items.size())) return false;
  SetFocus(control);
  w = L().Find(control);
  if (w == nullptr) return false;
  if (MultiSelect(*w)) {
    // A click toggles in a multiple-selection list; in an extended one only
    // Ctrl+click does, a plain click selects that item alone.
    const bool toggles = (w->style & LBS_MULTIPLESEL) != 0 || (modifiers & KEY_CONTROL) != 0;
    if (toggles) {
      w->control.items[index].selected = !w->control.items[index].selected;
    } else {
      for (auto& item : w->control.items) item.selected = false;
      w->control.items[index].selected = true;
    }
    w->control.curSel = index;
  } else {
    SetCurSel(*w, static_cast<WPARAM>(index));
  }
  if (w->kind == ControlKind::ComboBox || (w->style & LBS_NOTIFY) != 0) Notify(*w, LBN_SELCHANGE);
  return true;
}

bool UserSelectItems(HWND control, const std::vector<int>& indices) {
  Window* w = UsableControl(control);
  if (w == nullptr || indices.empty()) return false;
  const int count = static_cast<int>(w->control.items.size());
  std::vector<int> wanted;
  for (int index : indices) {
    if (index < 0 || index >= count) return false;
    if (std::find(wanted.begin(), wanted.end(), index) == wanted.end()) wanted.push_back(index);
  }
  if (wanted.size() == 1) return UserSelectItem(control, wanted.front());
  if (!MultiSelect(*w)) return false;  // one item at a time there
  if ((w->style & LBS_MULTIPLESEL) != 0) {
    // Every click toggles: first click away what is selected and not wanted.
    for (int i = 0; i < count; ++i) {
      w = L().Find(control);
      if (w == nullptr) return false;
      const bool isWanted = std::find(wanted.begin(), wanted.end(), i) != wanted.end();
      if (w->control.items[i].selected != isWanted && !UserSelectItem(control, i)) return false;
    }
    return true;
  }
  if (!UserSelectItem(control, wanted.front())) return false;
  for (std::size_t k = 1; k < wanted.size(); ++k)
    if (!UserSelectItem(control, wanted[k], KEY_CONTROL)) return false;
  return true;
}

bool UserDoubleClickItem(HWND control, int index) {
  if (!UserSelectItem(control, index)) return false;
  Window* w = L().Find(control);
  if (w != nullptr && (w->kind == ControlKind::ComboBox || (w->style & LBS_NOTIFY) != 0)) Notify(*w, LBN_DBLCLK);
  return true;
}

bool UserSetCheck(HWND control, int state) {
  Window* w = UsableControl(control);
  if (w == nullptr || w->kind != ControlKind::Button) return false;
  if (w->control.check == state) return true;
  const auto type = w->style & BS_TYPEMASK;
  if (type == BS_AUTORADIOBUTTON && state == BST_UNCHECKED) return false;  // a person cannot clear a radio button
  if (type == BS_AUTOCHECKBOX || type == BS_AUTORADIOBUTTON || type == BS_AUTO3STATE) {
    for (int i = 0; i < 3 && w != nullptr && w->control.check != state; ++i) {
      UserClick(control);
      w = L().Find(control);
    }
    return w != nullptr && w->control.check == state;
  }
  return UserClick(control);  // the program decides what a click on a plain box does
}

bool UserSpin(HWND updown, int delta) {
  Window* w = UsableControl(updown);
  if (w == nullptr || w->kind != ControlKind::UpDown) return false;
  SendMessage(updown, UDM_GETPOS32, 0, 0);
  w = L().Find(updown);
  const int lo = std::min(w->control.lower, w->control.upper);
  const int hi = std::max(w->control.lower, w->control.upper);
  const int step = w->control.lower > w->control.upper ? -delta : delta;
  w->control.pos = std::clamp(w->control.pos + step, lo, hi);
  if (w->control.buddy != 0) {
    if (!UserSetText(w->control.buddy, std::to_string(w->control.pos))) SyncBuddy(*w);
  }
  return true;
}

// --- Convenience -----------------------------------------------------------------

namespace {
LRESULT SendText(HWND h, UINT m, WPARAM wp, std::string_view text) {
  const std::string copy(text);
  return SendMessage(h, m, wp, reinterpret_cast<LPARAM>(copy.c_str()));
}

std::string GetItemText(HWND h, UINT lenMsg, UINT textMsg, int index) {
  const LRESULT len = SendMessage(h, lenMsg, static_cast<WPARAM>(index), 0);
  if (len < 0) return {};
  std::string text(static_cast<std::size_t>(len) + 1, '\0');
  const LRESULT got = SendMessage(h, textMsg, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(std::clamp<LRESULT>(got, 0, len)));
  return text;
}
}  // namespace

int ListBox_AddString(HWND list, std::string_view text) { return static_cast<int>(SendText(list, LB_ADDSTRING, 0, text)); }
int ListBox_InsertString(HWND list, int index, std::string_view text) {
  return static_cast<int>(SendText(list, LB_INSERTSTRING, static_cast<WPARAM>(index), text));
}
int ListBox_DeleteString(HWND list, int index) {
  return static_cast<int>(SendMessage(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0));
}
void ListBox_ResetContent(HWND list) { SendMessage(list, LB_RESETCONTENT, 0, 0); }
int ListBox_GetCount(HWND list) { return static_cast<int>(SendMessage(list, LB_GETCOUNT, 0, 0)); }
int ListBox_GetCurSel(HWND list) { return static_cast<int>(SendMessage(list, LB_GETCURSEL, 0, 0)); }
int ListBox_SetCurSel(HWND list, int index) {
  return static_cast<int>(SendMessage(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0));
}
std::string ListBox_GetText(HWND list, int index) { return GetItemText(list, LB_GETTEXTLEN, LB_GETTEXT, index); }
LPARAM ListBox_GetItemData(HWND list, int index) {
  return SendMessage(list, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
}
int ListBox_SetItemData(HWND list, int index, LPARAM data) {
  return static_cast<int>(SendMessage(list, LB_SETITEMDATA, static_cast<WPARAM>(index), data));
}
bool ListBox_SetItemLook(HWND list, int index, const ItemLook& look) {
  return SendMessage(list, LB_SETITEMLOOK, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&look)) != LB_ERR;
}
ItemLook ListBox_GetItemLook(HWND list, int index) {
  ItemLook look;
  SendMessage(list, LB_GETITEMLOOK, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&look));
  return look;
}
std::vector<int> ListBox_GetSelItems(HWND list) {
  const LRESULT count = SendMessage(list, LB_GETSELCOUNT, 0, 0);
  if (count <= 0) return {};
  std::vector<int> items(static_cast<std::size_t>(count));
  const LRESULT got = SendMessage(list, LB_GETSELITEMS, items.size(), reinterpret_cast<LPARAM>(items.data()));
  items.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
  return items;
}
int ListBox_FindStringExact(HWND list, int start, std::string_view text) {
  return static_cast<int>(SendText(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(start), text));
}
bool ListBox_SetTabStops(HWND list, const std::vector<int>& stops) {
  return SendMessage(list, LB_SETTABSTOPS, stops.size(), reinterpret_cast<LPARAM>(stops.data())) != 0;
}
int ComboBox_AddString(HWND combo, std::string_view text) {
  return static_cast<int>(SendText(combo, CB_ADDSTRING, 0, text));
}
int ComboBox_GetCount(HWND combo) { return static_cast<int>(SendMessage(combo, CB_GETCOUNT, 0, 0)); }
int ComboBox_GetCurSel(HWND combo) { return static_cast<int>(SendMessage(combo, CB_GETCURSEL, 0, 0)); }
int ComboBox_SetCurSel(HWND combo, int index) {
  return static_cast<int>(SendMessage(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0));
}
std::string ComboBox_GetLBText(HWND combo, int index) {
  return GetItemText(combo, CB_GETLBTEXTLEN, CB_GETLBTEXT, index);
}
void ComboBox_ResetContent(HWND combo) { SendMessage(combo, CB_RESETCONTENT, 0, 0); }
int ComboBox_FindStringExact(HWND combo, int start, std::string_view text) {
  return static_cast<int>(SendText(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(start), text));
}
int ComboBox_SelectString(HWND combo, int start, std::string_view text) {
  return static_cast<int>(SendText(combo, CB_SELECTSTRING, static_cast<WPARAM>(start), text));
}

}  // namespace tellmar
