#include "admin/users/mail_status_window.h"

#include <ctime>

#include "admin/shell/admin_state.h"
#include "admin/users/mail_status.h"
#include "common/profile.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "resources/tmadmin32/mail_status_ids.h"

namespace tellmar::admin {
namespace {

namespace fs = std::filesystem;
using Ids = res::tmadmin32::MailStatus;

constexpr UINT kTimerId = 1024;
constexpr int kMinPeriod = 5, kMaxPeriod = 90;
constexpr std::string_view kSettings = "Administration";

HWND window = 0;
bool visible = false;
MailStatusCache cache;

bool InRcu() { return App().role == Role::RemoteConfiguration; }

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

int Period() {
  bool ok = false;
  const int seconds = GetDlgItemInt(window, Ids::kSeconds, &ok);
  return ok && seconds >= kMinPeriod && seconds <= kMaxPeriod ? seconds : 30;
}

void Close() {
  const fs::path ini = ServerSettingsFile();
  ProfileBatch batch(ini);
  batch.Write(kSettings, "maildelayperiod", std::to_string(Period()));
  batch.Write(kSettings, "mailautoupdate", "1");
  // The window layer has no maximised state: a window is either minimised or not.
  const bool maximised = false, minimised = IsIconic(window);
  if (!maximised && !minimised) {
    const RECT r = GetWindowRect(window);
    batch.Write(kSettings, "top", std::to_string(r.top));
    batch.Write(kSettings, "left", std::to_string(r.left));
    batch.Write(kSettings, "width", std::to_string(r.right - r.left));
    batch.Write(kSettings, "height", std::to_string(r.bottom - r.top));
  }
  batch.Write(kSettings, "max", maximised ? "1" : "0");
  batch.Commit();
  visible = false;
  if (!InRcu()) {
    ShowWindow(window, SW_HIDE);
    return;
  }
  KillTimer(window, kTimerId);
  const HWND closing = window;
  window = 0;
  DestroyWindow(closing);
}

INT_PTR Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      window = hwnd;
      const fs::path ini = ServerSettingsFile();
      const int period = GetProfileInt(ini, kSettings, "maildelayperiod", 30);
      SendDlgItemMessage(hwnd, Ids::kSecondsSpin, UDM_SETRANGE32, kMinPeriod, kMaxPeriod);
      SetDlgItemInt(hwnd, Ids::kSeconds, period < kMinPeriod || period > kMaxPeriod ? 30 : period);
      RefreshTitle();
      WriteProfileString(ini, kSettings, "mailautoupdate", "1");
      SetTimer(hwnd, kTimerId, static_cast<unsigned>(Period()) * 1000u);
      FullRefresh();
      return TRUE;
    }
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
    if (show || InRcu()) {
      ShowWindow(window, SW_SHOW);
      SetFocus(GetDlgItem(window, Ids::kRefresh));
      visible = true;
    }
  } else if (show) {
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
