#include "admin/users/mail_status_window.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <optional>
#include <utility>

#include "admin/mailview/mail_window.h"
#include "admin/shell/admin_state.h"
#include "admin/shell/rcu_model.h"
#include "admin/users/mail_status.h"
#include "common/profile.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/refresh_timer.h"
#include "resources/tmadmin32/mail_status_ids.h"
#include "resources/tmadmin32/rcu_ids.h"

namespace tellmar::admin {
namespace {

namespace fs = std::filesystem;
using Ids = res::tmadmin32::MailStatus;

constexpr UINT kTimerId = 1024;
constexpr int kMinPeriod = 5, kMaxPeriod = 90;
constexpr int kMinWidth = 440, kMinHeight = 220;
constexpr std::string_view kSettings = "Administration";

HWND window = 0;
bool visible = false;
MailStatusCache cache;
std::unique_ptr<RefreshTimer> timer;
std::pair<int, int> savedSize;  // the size the last resize wrote

bool InRcu() { return App().role == Role::RemoteConfiguration; }

// Topmost exactly while the RCU dialog's "Keep on top" is checked.
bool KeepOnTop() {
  const HWND rcu = App().rcuDialog;
  return InRcu() && rcu != 0 && IsDlgButtonChecked(rcu, res::tmadmin32::Rcu::kKeepOnTop) == BST_CHECKED;
}

void WriteRect(ProfileBatch& batch) {
  const RECT r = GetWindowRect(window);
  batch.Write(kSettings, "top", std::to_string(r.top));
  batch.Write(kSettings, "left", std::to_string(r.left));
  batch.Write(kSettings, "width", std::to_string(r.right - r.left));
  batch.Write(kSettings, "height", std::to_string(r.bottom - r.top));
}

// The saved rectangle, placed on the screen as the RCU dialog is; nothing
// when it was never saved.
void ApplySavedRect() {
  const fs::path ini = ServerSettingsFile();
  const int top = GetProfileInt(ini, kSettings, "top", kNeverSaved);
  if (top == kNeverSaved) return;
  const RECT r = GetWindowRect(window);
  const int left = GetProfileInt(ini, kSettings, "left", r.left);
  const int width = GetProfileInt(ini, kSettings, "width", r.right - r.left);
  const int height = GetProfileInt(ini, kSettings, "height", r.bottom - r.top);
  const Point p = RcuDialogPosition(left, top, width, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  MoveWindow(window, p.x, p.y, width, height);
}

void Place(int id, int x, int y, std::optional<int> width = std::nullopt) {
  const HWND control = GetDlgItem(window, id);
  const RECT r = GetWindowRect(control);
  MoveWindow(control, x, y, width.value_or(r.right - r.left), r.bottom - r.top);
}

int WidthOf(int id) {
  const RECT r = GetWindowRect(GetDlgItem(window, id));
  return r.right - r.left;
}

// The list fills the window but for a strip along the bottom that holds the
// period and the buttons, kept at a fixed distance from the bottom edge.
void Layout(int width, int height) {
  constexpr int kGap = 6;
  MoveWindow(GetDlgItem(window, Ids::kList), 8, 8, width - 18, height - 55);
  Place(Ids::kAutoLabel, 11, height - 25);
  Place(Ids::kSeconds, 165, height - 31, 185 - 165);
  Place(Ids::kSecondsSpin, 185, height - 31);
  Place(Ids::kSecondsLabel, 185 + WidthOf(Ids::kSecondsSpin) + kGap, height - 25);
  const int closeX = width - 10 - WidthOf(Ids::kClose);
  Place(Ids::kClose, closeX, height - 33);
  Place(Ids::kRefresh, closeX - kGap - WidthOf(Ids::kRefresh), height - 33);
}

void Resized(UINT kind) {
  if (kind == SIZE_MINIMIZED) {
    if (InRcu()) {  // minimising hides it; restoring shows it again
      ShowWindow(window, SW_HIDE);
      visible = false;
    }
    return;
  }
  const RECT r = GetWindowRect(window);
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width < kMinWidth || height < kMinHeight) {
    MoveWindow(window, r.left, r.top, std::max(width, kMinWidth), std::max(height, kMinHeight));
    return;
  }
  Layout(width, height);
  if (!IsWindowVisible(window) || IsIconic(window) || IsZoomed(window)) return;
  visible = true;
  // The window layer reports a move as a resize to the same size too: a
  // move alone writes nothing.
  if (width == savedSize.first && height == savedSize.second) return;
  savedSize = {width, height};
  ProfileBatch batch(ServerSettingsFile());
  WriteRect(batch);
  batch.Commit();
}

// The period as typed, when it is one the window accepts.
std::optional<int> TypedPeriod() {
  bool ok = false;
  const int seconds = GetDlgItemInt(window, Ids::kSeconds, &ok);
  if (!ok || seconds < kMinPeriod || seconds > kMaxPeriod) return std::nullopt;
  return seconds;
}

fs::path ServerDir() {
  const fs::path dir = ServerDirectoryPath();
  return dir.empty() ? fs::current_path() : dir;
}

void RefreshTitle() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char when[64];
  std::strftime(when, sizeof when, "%a %b %e %H:%M:%S %Y", &local);
  SetWindowText(window, std::string("Tellmar3 - mail status at ") + when);
}

void FullRefresh() {
  const HWND list = GetDlgItem(window, Ids::kList);
  const int selected = ListBox_GetCurSel(list);
  const int top = static_cast<int>(SendMessage(list, LB_GETTOPINDEX, 0, 0));
  const std::vector<std::string> lines = MailStatusLines(ServerSettingsFile(), ServerDir());
  ListBox_ResetContent(list);
  ListBox_SetTabStops(list, {40, 140, 180});
  for (const std::string& line : lines) ListBox_AddString(list, line);
  PublishMailStatus(ServerSettingsFile(), lines);
  if (selected >= 0) ListBox_SetCurSel(list, selected);
  SendMessage(list, LB_SETTOPINDEX, static_cast<WPARAM>(top < 0 ? 0 : top), 0);
}

int Period() { return TypedPeriod().value_or(30); }

// A user line's real name (between its first and second TAB) opens the mail
// window on that user's folder.
void OpenUserOfLine() {
  const HWND list = GetDlgItem(window, Ids::kList);
  const int selected = ListBox_GetCurSel(list);
  if (selected < 0) return;
  const std::string line = ListBox_GetText(list, selected);
  const std::size_t first = line.find('\t');
  if (first == std::string::npos || line.rfind("USER", 0) != 0) return;
  const std::size_t second = line.find('\t', first + 1);
  mailview::OpenMailWindow(line.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1));
}

void Close() {
  const fs::path ini = ServerSettingsFile();
  ProfileBatch batch(ini);
  batch.Write(kSettings, "maildelayperiod", std::to_string(Period()));
  batch.Write(kSettings, "mailautoupdate", "1");
  const bool maximised = IsZoomed(window), minimised = IsIconic(window);
  if (!maximised && !minimised) WriteRect(batch);
  batch.Write(kSettings, "max", maximised ? "1" : "0");
  batch.Commit();
  visible = false;
  if (!InRcu()) {
    ShowWindow(window, SW_HIDE);
    return;
  }
  timer.reset();
  const HWND closing = window;
  window = 0;
  DestroyWindow(closing);
}

INT_PTR Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      window = hwnd;
      savedSize = {};
      const fs::path ini = ServerSettingsFile();
      const int period = GetProfileInt(ini, kSettings, "maildelayperiod", 30);
      SendDlgItemMessage(hwnd, Ids::kSecondsSpin, UDM_SETRANGE32, kMinPeriod, kMaxPeriod);
      SetDlgItemInt(hwnd, Ids::kSeconds, period < kMinPeriod || period > kMaxPeriod ? 30 : period);
      RefreshTitle();
      WriteProfileString(ini, kSettings, "mailautoupdate", "1");
      timer = std::make_unique<RefreshTimer>(hwnd, kTimerId, std::chrono::seconds(Period()));
      timer->Start();
      FullRefresh();
      return TRUE;
    }
    case WM_SIZE:
      if (hwnd == window) Resized(static_cast<UINT>(wParam));
      return TRUE;
    case WM_MOVE:
      if (hwnd == window && InRcu()) SetTopmost(hwnd, KeepOnTop());
      return TRUE;
    case WM_DESTROY:
      if (hwnd == window) {  // the program ending: no late tick
        timer.reset();
        window = 0;
      }
      return FALSE;
    case WM_TIMER:
      if (wParam != kTimerId) return FALSE;
      RefreshTitle();
      if (InRcu() && IsWindowVisible(hwnd)) FullRefresh();
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == Ids::kRefresh) {
        RefreshTitle();
        FullRefresh();
        return TRUE;
      }
      if (LOWORD(wParam) == Ids::kSeconds && HIWORD(wParam) == EN_CHANGE) {
        // A new period counts from now; a half-typed one changes nothing.
        if (const auto seconds = TypedPeriod(); seconds && timer) timer->SetPeriod(std::chrono::seconds(*seconds));
        return TRUE;
      }
      if (LOWORD(wParam) == Ids::kList && HIWORD(wParam) == LBN_DBLCLK) {
        OpenUserOfLine();
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        Close();
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace

HWND MailStatusWindow() { return window; }

HWND ShowMailStatusWindow(bool show) {
  if (window == 0) {
    CreateDialog(Ids::kTemplate, InRcu() ? App().rcuDialog : 0, Proc);
    if (window == 0) return 0;
    if (InRcu()) {
      ApplySavedRect();
      SetTopmost(window, KeepOnTop());
    }
    if (show || InRcu()) {
      ShowWindow(window, SW_SHOW);
      SetFocus(GetDlgItem(window, Ids::kRefresh));
      visible = true;
    }
  } else if (show) {
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    visible = true;
  }
  RefreshTitle();
  return window;
}

void RefreshMailStatusWindow(bool force) {
  if (window == 0) return;
  const fs::path ini = ServerSettingsFile();
  if (!force && GetProfileInt(ini, "environment", "UseQuickStatusCheck", 1) == 1 &&
      MailStatusUnchanged(ini, ServerDir(), cache))
    return;
  FullRefresh();
}

}  // namespace tellmar::admin
