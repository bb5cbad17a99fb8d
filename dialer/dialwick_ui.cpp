// What the dial engine shows: the tray icon, the progress window, the
// Password, No Password and Connection Failed dialogs and message boxes;
// and the clients' peer windows, reached over the desktop channel.
#include <algorithm>
#include <limits>

#include "common/ascii.h"
#include "common/ini_document.h"
#include "dialer/dialwick_app.h"
#include "dialer/resources.h"
#include "dialer/texts.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/loop.h"
#include "platform/operator.h"
#include "platform/tray.h"
#include "platform/window.h"

namespace tellmar::dialer {
namespace {

// Enough to empty the queue; a bound, because with very short dial steps
// every pass may make the next state ready.
constexpr int kMaxPumpSteps = 1000;

// A peer handle as a window handle; 0 for a number that cannot be one.
HWND PeerWindow(PeerHandle h) {
  return h > static_cast<PeerHandle>(std::numeric_limits<HWND>::max()) ? 0 : static_cast<HWND>(h);
}

}  // namespace

// --- Peer windows ----------------------------------------------------------------

void DialwickApp::SetPeerText(PeerHandle window, std::string_view text) {
  if (HWND h = PeerWindow(window)) SetWindowText(h, text);
}

std::string DialwickApp::GetPeerText(PeerHandle window, std::size_t maxChars) {
  HWND h = PeerWindow(window);
  std::string text = h != 0 ? GetWindowText(h) : std::string();
  if (text.size() > maxChars) text.resize(maxChars);
  return text;
}

void DialwickApp::AddComboString(PeerHandle combo, std::string_view text) {
  const std::string copy(text);
  if (HWND h = PeerWindow(combo)) SendMessage(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(copy.c_str()));
}

// --- Tray -------------------------------------------------------------------------

void DialwickApp::ShowTray(int icon, std::string_view tip) {
  if (IsWindow(main_)) tray_.Show(main_, icon, tip);
}

// --- Progress window ------------------------------------------------------------------

bool DialwickApp::ProgressOpen() const { return progress_ != 0 && IsWindow(progress_); }

void DialwickApp::OpenProgress(std::string_view caption, std::string_view action) {
  using p = ids::Progress;
  progress_ = CreateDialog(ids::Progress::kTemplate, main_, [this](HWND dlg, UINT msg, WPARAM w, LPARAM) -> INT_PTR {
    if (msg != WM_COMMAND) return FALSE;
    switch (LOWORD(w)) {
      case p::kRedial: engine_->RedialPressed(); return TRUE;
      case p::kCancel: engine_->CancelPressed(IsDlgButtonChecked(dlg, p::kCloseOnCancel) == BST_CHECKED); return TRUE;
      case p::kAlwaysShow: settings_.SetShowProgress(IsDlgButtonChecked(dlg, p::kAlwaysShow) == BST_CHECKED); return TRUE;
      case p::kCloseOnCancel:
        settings_.SetCloseOnCancel(IsDlgButtonChecked(dlg, p::kCloseOnCancel) == BST_CHECKED);
        return TRUE;
      case IDOK:
      case IDCANCEL:
        CloseProgress();
        engine_->ProgressClosed();
        return TRUE;
      default: return FALSE;
    }
  });
  if (progress_ == 0) return;
  SetDlgItemText(progress_, p::kCaptionLine, caption);
  SetDlgItemText(progress_, p::kActionLine, action);
  CheckDlgButton(progress_, p::kAlwaysShow, BST_CHECKED);
  CheckDlgButton(progress_, p::kCloseOnCancel, settings_.CloseOnCancel() ? BST_CHECKED : BST_UNCHECKED);
  const WindowPosition pos = settings_.ProgressPosition();
  if (pos.stored()) {
    const RECT r = GetWindowRect(progress_);
    MoveWindow(progress_, pos.left, pos.top, r.right - r.left, r.bottom - r.top);
  } else {
    CenterWindow(progress_);
  }
  SetTopmost(progress_, true);
  ShowWindow(progress_, SW_SHOW);
}

void DialwickApp::CloseProgress() {
  if (!ProgressOpen()) {
    progress_ = 0;
    return;
  }
  const RECT r = GetWindowRect(progress_);
  WindowPosition pos;
  pos.top = r.top;
  pos.left = r.left;
  settings_.StoreProgressPosition(pos);
  const HWND closing = progress_;
  progress_ = 0;
  DestroyWindow(closing);
}

void DialwickApp::SetProgressCaption(std::string_view text) {
  if (ProgressOpen()) SetDlgItemText(progress_, ids::Progress::kCaptionLine, text);
}

void DialwickApp::AddProgressStatus(std::string_view text) {
  if (!ProgressOpen()) return;
  const HWND list = GetDlgItem(progress_, ids::Progress::kStatusList);
  const int index = ListBox_AddString(list, text);
  if (index >= 0) ListBox_SetCurSel(list, index);
}

void DialwickApp::SetProgressAction(std::string_view text) {
  if (ProgressOpen()) SetDlgItemText(progress_, ids::Progress::kActionLine, text);
}

void DialwickApp::EnableRedial(bool on) {
  if (ProgressOpen()) EnableDlgItem(progress_, ids::Progress::kRedial, on);
}

void DialwickApp::EnableCancel(bool on) {
  if (ProgressOpen()) EnableDlgItem(progress_, ids::Progress::kCancel, on);
}

// --- Dialogs of a dial ------------------------------------------------------------------

PasswordAnswer DialwickApp::PasswordDialog(std::string_view entry, std::string_view password, bool savePassword) {
  using pw = ids::Password;
  PasswordAnswer answer;
  const std::string title = Printf("Enter Password for DUN Connection [%s]", AsciiUpper(entry).c_str());
  const std::string shown(password);
  DialogBox(ids::Password::kTemplate, main_, [&](HWND dlg, UINT msg, WPARAM w, LPARAM) -> INT_PTR {
    switch (msg) {
      case WM_INITDIALOG:
        SetDlgItemText(dlg, pw::kTitle, title);
        SetDlgItemText(dlg, pw::kEdit, shown);
        SendDlgItemMessage(dlg, pw::kEdit, EM_SETSEL, 0, -1);
        CheckDlgButton(dlg, pw::kSave, savePassword ? BST_CHECKED : BST_UNCHECKED);
        CenterWindow(dlg);
        SetFocus(GetDlgItem(dlg, pw::kEdit));
        return FALSE;
      case WM_COMMAND:
        if (LOWORD(w) == IDOK) {
          answer.ok = true;
          answer.password = GetDlgItemText(dlg, pw::kEdit);
          answer.save = IsDlgButtonChecked(dlg, pw::kSave) == BST_CHECKED;
          EndDialog(dlg, IDOK);
          return TRUE;
        }
        if (LOWORD(w) == IDCANCEL) {
          EndDialog(dlg, IDCANCEL);
          return TRUE;
        }
        return FALSE;
      default: return FALSE;
    }
  }, 0, &passwordGuard_);
  return answer;
}

void DialwickApp::NoPasswordDialog(std::string_view entry, bool sessionEndedLine) {
  using np = ids::NoPassword;
  const std::string name(entry);
  DialogBox(ids::NoPassword::kTemplate, main_, [&](HWND dlg, UINT msg, WPARAM w, LPARAM) -> INT_PTR {
    switch (msg) {
      case WM_INITDIALOG:
        SetDlgItemText(dlg, np::kEntry, name);
        if (sessionEndedLine) {
          SetDlgItemText(dlg, np::kSessionEnded, "Corvane has ended its communications session!!");
          ShowDlgItem(dlg, np::kSessionEnded, true);
        }
        CenterWindow(dlg);
        SetTopmost(dlg, true);
        SetForegroundWindow(dlg);
        return TRUE;
      case WM_COMMAND:
        if (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) {
          EndDialog(dlg, IDOK);
          return TRUE;
        }
        return FALSE;
      default: return FALSE;
    }
  });
}

FailedAnswer DialwickApp::ConnectionFailedDialog(std::string_view entry, std::string_view reason,
                                                 std::optional<int> redials) {
  using f = ids::ConnectionFailed;
  const std::string title = Printf("Connection using [%s] failed!", std::string(entry).c_str());
  const std::string why(reason);
  const INT_PTR result = DialogBox(ids::ConnectionFailed::kTemplate, main_, [&](HWND dlg, UINT msg, WPARAM w, LPARAM) -> INT_PTR {
    switch (msg) {
      case WM_INITDIALOG:
        SetDlgItemText(dlg, f::kTitle, title);
        SetDlgItemText(dlg, f::kReason, why);
        if (redials) {
          SetDlgItemInt(dlg, f::kRedials, *redials);
          EnableDlgItem(dlg, f::kRedials, true);
        }
        CenterWindow(dlg);
        return TRUE;
      case WM_COMMAND:
        if (LOWORD(w) == f::kRetry || LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) {
          EndDialog(dlg, LOWORD(w) == f::kRetry ? f::kRetry : IDOK);
          return TRUE;
        }
        return FALSE;
      default: return FALSE;
    }
  });
  return result == f::kRetry ? FailedAnswer::kRetry : FailedAnswer::kOk;
}

int DialwickApp::MessageBox(HWND owner, std::string_view text, std::string_view caption, UINT flags) {
  if (serverSystem()) return MessageBoxDefault(flags);
  return tellmar::MessageBox(owner != 0 ? owner : main_, text, caption, flags);
}

// --- The main window's entry list and the loop ---------------------------------------

std::optional<std::string> DialwickApp::SelectedEntry() const {
  const int index = ListBox_GetCurSel(list_);
  if (index < 0) return std::nullopt;
  return ListBox_GetText(list_, index);
}

bool DialwickApp::SelectEntry(std::string_view name) {
  if (name.empty()) return false;
  const int count = ListBox_GetCount(list_);
  for (int i = 0; i < count; ++i) {
    if (EqualsNoCase(ListBox_GetText(list_, i), name)) {
      ListBox_SetCurSel(list_, i);
      return true;
    }
  }
  return false;
}

void DialwickApp::PostCommand(unsigned id, ras::ConnHandle param) {
  PostMessage(main_, WM_COMMAND, id, static_cast<LPARAM>(param));
}

void DialwickApp::PumpMessages() {
  Loop& loop = Loop::Current();
  for (int i = 0; i < kMaxPumpSteps && !loop.Quitting() && loop.Pump(); ++i) {
  }
}

void DialwickApp::WaitPumping(std::chrono::milliseconds duration) { Loop::Current().PumpFor(duration); }

void DialwickApp::RememberForeground() { foreground_ = GetForegroundWindow(); }

void DialwickApp::RestoreForeground() {
  if (foreground_ != 0 && IsWindow(foreground_)) SetForegroundWindow(foreground_);
}

}  // namespace tellmar::dialer
