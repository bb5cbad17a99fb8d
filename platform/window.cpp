#include "platform/window.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <utility>

#include "platform/channel.h"
#include "platform/controls.h"
#include "platform/handles.h"
#include "platform/loop.h"
#include "platform/text.h"

namespace tellmar {
namespace {

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

Loop& L() { return Loop::Current(); }

bool IsRemote(Loop& loop, HWND hwnd) {
  return hwnd > 0 && loop.channel() != nullptr && SlotOfHandle(hwnd) != loop.slot();
}

}  // namespace

int GetSystemMetrics(int index) {
  if (index == SM_CXSCREEN) return kScreenWidth;
  if (index == SM_CYSCREEN) return kScreenHeight;
  return 0;
}

bool RegisterClass(const WNDCLASS& cls) {
  return L().AddClass(Loop::ClassEntry{cls, ControlKind::Window});
}

bool UnregisterClass(std::string_view name) { return L().RemoveClass(name); }

HWND CreateWindow(std::string_view className, std::string_view title, std::uint32_t style, int x, int y,
                  int width, int height, HWND parent, int id, LPARAM param) {
  CreateParams p;
  p.className = className;
  p.title = title;
  p.style = style;
  p.x = x;
  p.y = y;
  p.width = width;
  p.height = height;
  p.parent = parent;
  p.id = id;
  p.param = param;
  return CreateWindow(p);
}

HWND CreateWindow(const CreateParams& p) {
  Loop& loop = L();
  EnsureControlClasses(loop);
  Loop::ClassEntry* cls = loop.FindClass(p.className);
  if (cls == nullptr) return 0;
  const bool child = (p.style & WS_CHILD) != 0;
  Window* parent = p.parent != 0 ? loop.Find(p.parent) : nullptr;
  if (child && parent == nullptr) return 0;
  auto w = std::make_shared<Window>();
  w->handle = loop.NewHandle();
  if (w->handle == 0) return 0;
  w->className = cls->cls.name;
  w->kind = cls->kind;
  w->proc = cls->cls.proc;
  w->icon = cls->cls.icon;
  w->text = std::string(p.title);
  w->style = p.style;
  w->exStyle = p.exStyle;
  w->visible = (p.style & WS_VISIBLE) != 0;
  w->enabled = (p.style & WS_DISABLED) == 0;
  w->rect = RECT{p.x, p.y, p.x + p.width, p.y + p.height};
  if (child) {
    w->parent = p.parent;
    w->id = p.id;
  } else {
    w->owner = p.parent;
  }
  InitControlState(*w);
  const HWND hwnd = w->handle;
  loop.Insert(w);
  if (child) parent->children.push_back(hwnd);
  if (SendMessage(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&p)) == -1) {
    DestroyWindow(hwnd);
    return 0;
  }
  return hwnd;
}

bool DestroyWindow(HWND hwnd) {
  Loop& loop = L();
  auto held = loop.Hold(hwnd);
  if (!held || held->destroying) return false;
  held->destroying = true;
  if (held->dialog) held->dialog->ended = true;
  SendMessage(hwnd, WM_DESTROY, 0, 0);
  for (HWND child : std::vector<HWND>(held->children)) DestroyWindow(child);
  std::vector<HWND> owned;
  for (HWND top : loop.ZOrder())
    if (Window* o = loop.Find(top); o != nullptr && o->owner == hwnd) owned.push_back(top);
  for (HWND o : owned) DestroyWindow(o);
  loop.StopTimers(hwnd);
  if (Window* parent = loop.Find(held->parent); parent != nullptr) std::erase(parent->children, hwnd);
  if (held->dialog && held->dialog->disabledOwner != 0) {
    if (Window* owner = loop.Find(held->dialog->disabledOwner)) owner->enabled = true;
  }
  loop.Erase(hwnd);
  return true;
}

bool IsWindow(HWND hwnd) { return L().Find(hwnd) != nullptr; }

namespace {

// Messages that only ask: they change nothing a person could see.
bool IsQuestion(UINT msg) {
  switch (msg) {
    case WM_NULL: case WM_GETTEXT: case WM_GETTEXTLENGTH: case EM_GETSEL: case EM_GETLINECOUNT:
    case EM_GETLIMITTEXT: case BM_GETCHECK: case LB_GETSEL: case LB_GETCURSEL: case LB_GETTEXT:
    case LB_GETTEXTLEN: case LB_GETCOUNT: case LB_FINDSTRING: case LB_GETSELCOUNT: case LB_GETSELITEMS:
    case LB_GETITEMDATA: case LB_FINDSTRINGEXACT: case CB_GETCOUNT: case CB_GETCURSEL: case CB_GETLBTEXT:
    case CB_GETLBTEXTLEN: case CB_FINDSTRING: case CB_GETITEMDATA: case CB_FINDSTRINGEXACT:
    case UDM_GETPOS: case UDM_GETPOS32: case PBM_GETPOS:
      return true;
    default:
      return false;
  }
}

}  // namespace

LRESULT CallWindowProc(const WndProc& proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!IsQuestion(msg)) L().NoteChange();
  return proc ? proc(hwnd, msg, wParam, lParam) : DefWindowProc(hwnd, msg, wParam, lParam);
}

SendResult TrySendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Loop& loop = L();
  if (auto held = loop.Hold(hwnd)) {
    // Held so the window outlives a procedure that destroys it.
    return SendResult{true, CallWindowProc(held->proc, hwnd, msg, wParam, lParam), {}};
  }
  if (IsRemote(loop, hwnd)) return loop.channel()->Send(hwnd, msg, wParam, lParam);
  return SendResult{false, 0, "no window " + HandleToText(hwnd)};
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return TrySendMessage(hwnd, msg, wParam, lParam).value;
}

SendResult SendCopyData(HWND hwnd, HWND sender, std::uintptr_t dwData, std::string_view text) {
  std::string data(text);
  COPYDATASTRUCT cds;
  cds.dwData = dwData;
  cds.cbData = static_cast<std::uint32_t>(data.size() + 1);
  cds.lpData = data.c_str();
  return TrySendMessage(hwnd, WM_COPYDATA, static_cast<WPARAM>(sender), reinterpret_cast<LPARAM>(&cds));
}

bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Loop& loop = L();
  if (loop.Find(hwnd) != nullptr) {
    loop.Post(hwnd, msg, wParam, lParam);
    return true;
  }
  if (IsRemote(loop, hwnd)) return loop.channel()->Post(hwnd, msg, wParam, lParam).ok;
  return false;
}

void PostQuitMessage(int exitCode) { L().Quit(exitCode); }

bool InSendMessageFromPeer() { return L().peerSendDepth > 0; }

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Loop& loop = L();
  Window* w = loop.Find(hwnd);
  if (w == nullptr) return 0;
  switch (msg) {
    case WM_SETTEXT:
      w->text = lParam != 0 ? reinterpret_cast<const char*>(lParam) : "";
      ++w->textWrites;
      return 1;
    case WM_GETTEXT: {
      if (wParam == 0 || lParam == 0) return 0;
      const std::size_t n = std::min<std::size_t>(w->text.size(), wParam - 1);
      auto* out = reinterpret_cast<char*>(lParam);
      std::memcpy(out, w->text.data(), n);
      out[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w->text.size());
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    default:
      return 0;
  }
}

bool SetWindowText(HWND hwnd, std::string_view text) {
  Loop& loop = L();
  if (loop.Find(hwnd) != nullptr) {
    const std::string copy(text);
    return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str())) != 0;
  }
  if (IsRemote(loop, hwnd)) return loop.channel()->SetText(hwnd, text).ok;
  return false;
}

std::string GetWindowText(HWND hwnd) {
  Loop& loop = L();
  if (loop.Find(hwnd) != nullptr) {
    const LRESULT length = SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, '\0');
    const LRESULT got = SendMessage(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::clamp<LRESULT>(got, 0, length)));
    return text;
  }
  if (IsRemote(loop, hwnd)) return loop.channel()->GetText(hwnd).text;
  return {};
}

int GetWindowText(HWND hwnd, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  const std::string text = GetWindowText(hwnd);
  const std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

int GetWindowTextLength(HWND hwnd) { return static_cast<int>(GetWindowText(hwnd).size()); }

HWND GetTopLevel(HWND hwnd) {
  Loop& loop = L();
  Window* w = loop.Find(hwnd);
  while (w != nullptr && (w->style & WS_CHILD) != 0 && w->parent != 0) {
    hwnd = w->parent;
    w = loop.Find(hwnd);
  }
  return w == nullptr ? 0 : hwnd;
}

HWND GetParent(HWND hwnd) {
  Window* w = L().Find(hwnd);
  if (w == nullptr) return 0;
  return (w->style & WS_CHILD) != 0 ? w->parent : w->owner;
}

HWND GetWindow(HWND hwnd, int relation) {
  Loop& loop = L();
  Window* w = loop.Find(hwnd);
  if (w == nullptr) return 0;
  switch (relation) {
    case GW_OWNER:
      return w->owner;
    case GW_CHILD:
      return w->children.empty() ? 0 : w->children.front();
    case GW_HWNDNEXT: {
      const std::vector<HWND>& siblings =
          w->parent != 0 && loop.Find(w->parent) != nullptr ? loop.Find(w->parent)->children : loop.ZOrder();
      auto it = std::find(siblings.begin(), siblings.end(), hwnd);
      return it == siblings.end() || it + 1 == siblings.end() ? 0 : *(it + 1);
    }
    default:
      return 0;
  }
}

std::vector<HWND> GetChildren(HWND hwnd) {
  Window* w = L().Find(hwnd);
  return w == nullptr ? std::vector<HWND>{} : w->children;
}

HWND GetDlgItem(HWND parent, int id) {
  Loop& loop = L();
  Window* w = loop.Find(parent);
  if (w == nullptr) return 0;
  for (HWND child : w->children)
    if (Window* c = loop.Find(child); c != nullptr && c->id == id) return child;
  return 0;
}

int GetDlgCtrlID(HWND hwnd) {
  Window* w = L().Find(hwnd);
  return w == nullptr ? 0 : w->id;
}

std::string GetClassName(HWND hwnd) {
  Window* w = L().Find(hwnd);
  return w == nullptr ? std::string() : w->className;
}

std::uint32_t GetWindowStyle(HWND hwnd) {
  Window* w = L().Find(hwnd);
  return w == nullptr ? 0 : w->style;
}

void SetWindowStyle(HWND hwnd, std::uint32_t style) {
  if (Window* w = L().Find(hwnd)) w->style = style;
}

bool ShowWindow(HWND hwnd, int command) {
  Loop& loop = L();
  auto w = loop.Hold(hwnd);
  if (!w) return false;
  const bool wasVisible = w->visible;
  const bool show = command != SW_HIDE;
  const bool minimize = command == SW_MINIMIZE || command == SW_SHOWMINIMIZED;
  if (show != wasVisible) {
    w->visible = show;
    SendMessage(hwnd, WM_SHOWWINDOW, show ? 1 : 0, 0);
  }
  // Restoring a minimised window brings back its state before: maximised
  // stays maximised.
  bool restoredFromMinimized = false;
  if (minimize != w->minimized && (minimize || command == SW_RESTORE || command == SW_SHOWNORMAL || command == SW_MAXIMIZE)) {
    restoredFromMinimized = !minimize;
    w->minimized = minimize;
    const RECT r = w->rect;
    SendMessage(hwnd, WM_SIZE, minimize ? SIZE_MINIMIZED : SIZE_RESTORED,
                MAKELPARAM(static_cast<unsigned>(r.right - r.left), static_cast<unsigned>(r.bottom - r.top)));
  }
  if (command == SW_MAXIMIZE && !w->maximized) {
    w->maximized = true;
    w->normalRect = w->rect;
    w->rect = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SendMessage(hwnd, WM_SIZE, SIZE_MAXIMIZED,
                MAKELPARAM(static_cast<unsigned>(w->rect.right), static_cast<unsigned>(w->rect.bottom)));
  } else if ((command == SW_RESTORE || command == SW_SHOWNORMAL) && w->maximized && !minimize && !w->minimized &&
             !restoredFromMinimized) {
    w->maximized = false;
    w->rect = w->normalRect;
    const RECT r = w->rect;
    SendMessage(hwnd, WM_SIZE, SIZE_RESTORED,
                MAKELPARAM(static_cast<unsigned>(r.right - r.left), static_cast<unsigned>(r.bottom - r.top)));
  }
  const bool activates =
      command == SW_SHOW || command == SW_SHOWNORMAL || command == SW_RESTORE || command == SW_MAXIMIZE;
  if (activates && (w->style & WS_CHILD) == 0 && w->visible) SetForegroundWindow(hwnd);
  return wasVisible;
}

bool IsWindowVisible(HWND hwnd) {
  Loop& loop = L();
  for (Window* w = loop.Find(hwnd); w != nullptr; w = (w->style & WS_CHILD) ? loop.Find(w->parent) : nullptr) {
    if (!w->visible) return false;
    if ((w->style & WS_CHILD) == 0) return true;
  }
  return false;
}

bool IsIconic(HWND hwnd) {
  Window* w = L().Find(hwnd);
  return w != nullptr && w->minimized;
}

bool IsZoomed(HWND hwnd) {
  Window* w = L().Find(hwnd);
  return w != nullptr && w->maximized;
}

bool EnableWindow(HWND hwnd, bool enable) {
  Loop& loop = L();
  Window* w = loop.Find(hwnd);
  if (w == nullptr) return false;
  const bool wasDisabled = !w->enabled;
  if (w->enabled != enable) {
    w->enabled = enable;
    if (!enable && loop.focus == hwnd) SetFocus(0);
    SendMessage(hwnd, WM_ENABLE, enable ? 1 : 0, 0);
  }
  return wasDisabled;
}

bool IsWindowEnabled(HWND hwnd) {
  Window* w = L().Find(hwnd);
  return w != nullptr && w->enabled;
}

HWND SetFocus(HWND hwnd) {
  Loop& loop = L();
  const HWND old = loop.focus;
  if (hwnd != 0 && loop.Find(hwnd) == nullptr) return 0;
  if (old == hwnd) return old;
  loop.focus = hwnd;
  if (old != 0 && loop.Find(old) != nullptr) SendMessage(old, WM_KILLFOCUS, static_cast<WPARAM>(hwnd), 0);
  if (hwnd != 0) {
    const HWND top = GetTopLevel(hwnd);
    if (top != 0 && loop.active != top) SetForegroundWindow(top);
    SendMessage(hwnd, WM_SETFOCUS, static_cast<WPARAM>(old), 0);
  }
  return old;
}

HWND GetFocus() { return L().focus; }

bool SetForegroundWindow(HWND hwnd) {
  Loop& loop = L();
  const HWND top = GetTopLevel(hwnd);
  if (top == 0) return false;
  loop.Raise(top);
  const HWND old = loop.active;
  if (old == top) return true;
  loop.active = top;
  if (old != 0 && loop.Find(old) != nullptr) SendMessage(old, WM_ACTIVATE, WA_INACTIVE, top);
  SendMessage(top, WM_ACTIVATE, WA_ACTIVE, old);
  return true;
}

HWND GetForegroundWindow() { return L().active; }

bool BringWindowToTop(HWND hwnd) { return SetForegroundWindow(hwnd); }

bool SetTopmost(HWND hwnd, bool topmost) {
  Window* w = L().Find(hwnd);
  if (w == nullptr) return false;
  w->exStyle = topmost ? (w->exStyle | WS_EX_TOPMOST) : (w->exStyle & ~WS_EX_TOPMOST);
  return true;
}

bool MoveWindow(HWND hwnd, int x, int y, int width, int height) {
  Window* w = L().Find(hwnd);
  if (w == nullptr) return false;
  w->rect = RECT{x, y, x + width, y + height};
  SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(static_cast<unsigned>(x), static_cast<unsigned>(y)));
  SendMessage(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(static_cast<unsigned>(width), static_cast<unsigned>(height)));
  return true;
}

RECT GetWindowRect(HWND hwnd) {
  Window* w = L().Find(hwnd);
  return w == nullptr ? RECT{} : w->rect;
}

RECT GetClientRect(HWND hwnd) {
  const RECT r = GetWindowRect(hwnd);
  return RECT{0, 0, r.right - r.left, r.bottom - r.top};
}

WndProc SubclassWindow(HWND hwnd, WndProc proc) {
  Window* w = L().Find(hwnd);
  if (w == nullptr) return {};
  return std::exchange(w->proc, std::move(proc));
}

void SetWindowUserData(HWND hwnd, LPARAM value) {
  if (Window* w = L().Find(hwnd)) w->userData = value;
}

LPARAM GetWindowUserData(HWND hwnd) {
  Window* w = L().Find(hwnd);
  return w == nullptr ? 0 : w->userData;
}

std::vector<TopLevelWindow> EnumWindows() {
  Loop& loop = L();
  std::vector<TopLevelWindow> all;
  for (HWND hwnd : loop.ZOrder()) {
    Window* w = loop.Find(hwnd);
    all.push_back(TopLevelWindow{hwnd, w->className, w->text, loop.program(), w->visible});
  }
  if (loop.channel() != nullptr) {
    auto others = loop.channel()->EnumerateOthers();
    all.insert(all.end(), others.begin(), others.end());
  }
  return all;
}

HWND FindWindow(std::optional<std::string_view> className, std::optional<std::string_view> title) {
  auto matches = [&](std::string_view cls, std::string_view text) {
    return (!className || EqualsNoCase(*className, cls)) && (!title || EqualsNoCase(*title, text));
  };
  Loop& loop = L();
  for (HWND hwnd : loop.ZOrder()) {
    Window* w = loop.Find(hwnd);
    if (matches(w->className, w->text)) return hwnd;
  }
  if (loop.channel() == nullptr) return 0;
  for (const TopLevelWindow& w : loop.channel()->EnumerateOthers())
    if (matches(w.className, w.title)) return w.hwnd;
  return 0;
}

UINT SetTimer(HWND hwnd, UINT id, unsigned ms) { return L().StartTimer(hwnd, id, ms) ? (id == 0 ? 1 : id) : 0; }

bool KillTimer(HWND hwnd, UINT id) { return L().StopTimer(hwnd, id); }

std::string HandleToText(HWND hwnd) { return std::to_string(hwnd); }

HWND HandleFromText(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  std::int64_t value = 0;
  std::size_t digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 11; ++i, ++digits)
    value = value * 10 + (text[i] - '0');
  if (digits == 0 || value <= 0 || value > 0x7FFFFFFF) return 0;
  return static_cast<HWND>(value);
}

}  // namespace tellmar
