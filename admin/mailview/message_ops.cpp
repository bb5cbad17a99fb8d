#include "admin/mailview/message_ops.h"

#include <algorithm>
#include <optional>

#include "admin/mailview/message_files.h"
#include "admin/shell/admin_state.h"
#include "common/mail_store.h"
#include "common/path_case.h"
#include "common/profile.h"
#include "platform/dialog.h"
#include "platform/operator.h"
#include "platform/progress_window.h"
#include "resources/tmadmin32/message_ops_ids.h"

namespace tellmar::admin::mailview {
namespace {

namespace fs = std::filesystem;
using HoldIds = res::tmadmin32::HoldMultiple;

}  // namespace

int DeleteMessages(HWND owner, const std::vector<fs::path>& messages) {
  const std::size_t count = std::min(messages.size(), static_cast<std::size_t>(kMaxSelection));
  if (count == 0) return 0;
  std::optional<ProgressWindow> progress;
  if (count > 1) progress.emplace(owner, "Deleting messages", static_cast<int>(count));
  MessageFiles files;
  int deleted = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (progress && progress->cancelled()) break;
    if (files.Delete(messages[i])) {
      MessageBox(owner, "Failed to delete message (TXT) file...", "File Delete error", MB_OK | MB_ICONSTOP);
      break;
    }
    ++deleted;
    if (progress) progress->Step(messages[i].filename().string());
  }
  if (deleted > 0) NoteStoreChanged();
  return deleted;
}

bool IsHeld(const fs::path& message) {
  const auto lock = CompanionByReplace(message.filename().string(), ".LCK");
  if (!lock) return false;
  std::error_code ec;
  return fs::exists(ResolveNoCase(message.parent_path(), *lock), ec);
}

bool SetHeld(const fs::path& message, bool held, std::time_t now) {
  MessageFiles files;
  return !(held ? files.Hold(message, now) : files.Release(message));
}

std::optional<bool> AskHoldMultiple(HWND owner) {
  bool held = false;
  const INT_PTR answer = DialogBox(HoldIds::kTemplate, owner, [&held](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
    if (message == WM_INITDIALOG) {
      CenterWindow(dialog);
      CheckRadioButton(dialog, HoldIds::kHeld, HoldIds::kNotHeld, HoldIds::kNotHeld);
      return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    if (LOWORD(wParam) == HoldIds::kOk) {
      held = IsDlgButtonChecked(dialog, HoldIds::kHeld) == BST_CHECKED;
      EndDialog(dialog, IDOK);
    }
    if (LOWORD(wParam) == HoldIds::kCancel) EndDialog(dialog, IDCANCEL);
    return TRUE;
  });
  if (answer != IDOK) return std::nullopt;
  return held;
}

void NoteStoreChanged() {
  (void)WriteProfileString(ServerSettingsFile(), "environment", "RemoteUpdate", "-1");
}

}  // namespace tellmar::admin::mailview
