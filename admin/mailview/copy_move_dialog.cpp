#include "admin/mailview/copy_move_dialog.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "admin/mailview/message_files.h"
#include "admin/mailview/message_ops.h"
#include "admin/shell/admin_state.h"
#include "admin/users/network_users.h"
#include "common/ascii.h"
#include "common/ini_document.h"
#include "common/mail_store.h"
#include "common/name_order.h"
#include "common/path_case.h"
#include "common/profile.h"
#include "common/user_directory.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/operator.h"
#include "platform/progress_window.h"
#include "platform/settings_dialog.h"
#include "resources/tmadmin32/message_ops_ids.h"

namespace tellmar::admin::mailview {
namespace {

namespace fs = std::filesystem;
using Ids = res::tmadmin32::CopyMove;

constexpr std::size_t kListedText = 24;  // characters read of a mailbox ID or real name
constexpr const char* kInboundLine = "(Archive) - Inbound";
constexpr const char* kOutboundLine = "(Archive) - Outbound";
constexpr int kTargetTabStop = 60;

constexpr const char* kSelectionCaption = "Selection error";
constexpr const char* kTooManyMessages =
    "You can only select a maximum of 1000 messages at a time to be moved or copied...";
constexpr const char* kTooManyTargets =
    "You can only select a maximum of 1000 users at a time to receive moved or copied mail...";
constexpr const char* kNoSelection = "Failed to get list of selected items...";
constexpr const char* kFileCopyError = "File copy error - All files may not have been copied correctly...";
constexpr const char* kCopyError = "Error Encountered copying files...";

std::string Cut(std::string_view text) { return std::string(text.substr(0, kListedText)); }

std::string RecordKey(const IniDocument& doc, int record, std::string_view key) {
  return std::string(doc.Find(UserSectionName(record), key).value_or(""));
}

class CopyMoveDialog {
 public:
  CopyMoveDialog(fs::path serverDir, fs::path ini, const fs::path& viewedFolder,
                 const std::vector<fs::path>& messages)
      : serverDir_(std::move(serverDir)), ini_(std::move(ini)), messages_(messages),
        targets_(CopyMoveTargets(ini_, viewedFolder)) {}

  bool changed() const { return changed_; }

  // Placed where its template puts it; Copy and Move do the work, Cancel closes.
  SettingsDialog Steps() {
    SettingsDialog steps;
    steps.centred = false;
    steps.load = [this](HWND dialog) {
      dialog_ = dialog;
      Open();
    };
    steps.command = [this](HWND, WPARAM wParam) { Command(wParam); };
    return steps;
  }

 private:
  HWND List() const { return GetDlgItem(dialog_, Ids::kTargets); }

  void Command(WPARAM wParam) {
    switch (LOWORD(wParam)) {
      case Ids::kTargets:
        if (HIWORD(wParam) == LBN_SELCHANGE) ShowDetails(ListBox_GetCurSel(List()));
        break;
      case Ids::kCopy:
        Run(false);
        break;
      case Ids::kMove:
        Run(true);
        break;
    }
  }

  void Open() {
    SetWindowText(dialog_, CopyMoveCaption(static_cast<int>(messages_.size())));
    ListBox_SetTabStops(List(), {kTargetTabStop});
    for (const CopyTarget& target : targets_) ListBox_AddString(List(), target.line);
    SendMessage(List(), LB_SETSEL, TRUE, 0);
    ShowDetails(0);
  }

  void ShowDetails(int index) {
    TargetDetails details;
    if (index >= 0 && index < static_cast<int>(targets_.size()))
      details = CopyTargetDetails(ini_, targets_[static_cast<std::size_t>(index)]);
    SetDlgItemText(dialog_, Ids::kRealName, details.realName);
    SetDlgItemText(dialog_, Ids::kAddress, details.address);
    SetDlgItemText(dialog_, Ids::kPopId, details.popId);
  }

  void Box(const char* text, const char* caption) {
    MessageBox(dialog_, text, caption, MB_OK | MB_ICONSTOP);
  }

  std::optional<fs::path> FolderOf(const CopyTarget& target) const {
    if (target.record > 0) return MailboxFolder(serverDir_, target.folder);
    return StoreFolderPath(serverDir_, target.folder);
  }

  void Run(bool move) {
    if (messages_.size() > static_cast<std::size_t>(kMaxSelection)) return Box(kTooManyMessages, kSelectionCaption);
    const std::vector<int> selected = ListBox_GetSelItems(List());
    if (selected.empty()) return Box(kNoSelection, kSelectionCaption);
    if (selected.size() > static_cast<std::size_t>(kMaxSelection)) return Box(kTooManyTargets, kSelectionCaption);

    const int steps = static_cast<int>(selected.size() * messages_.size());
    SendDlgItemMessage(dialog_, Ids::kProgress, PBM_SETRANGE32, 0, steps);
    ProgressWindow progress(dialog_, move ? "Moving messages" : "Copying messages", steps);
    MessageFiles files;
    const bool copied = CopyAll(selected, files, progress);
    if (move && copied) DeleteSources(files);
    SendDlgItemMessage(dialog_, Ids::kProgress, PBM_SETPOS, 0, 0);
    if (changed_) NoteStoreChanged();
    EndDialog(dialog_, IDOK);
  }

  // Every message into every selected target; false when anything failed
  // or the person cancelled.
  bool CopyAll(const std::vector<int>& selected, MessageFiles& files, ProgressWindow& progress) {
    int done = 0;
    for (int index : selected) {
      const CopyTarget& target = targets_.at(static_cast<std::size_t>(index));
      const auto folder = FolderOf(target);
      if (!folder) {
        Box(kCopyError, "Copy Error");
        return false;
      }
      for (const fs::path& message : messages_) {
        if (progress.cancelled()) return false;
        const CopyResult result = files.Copy(message, *folder, !target.archive, MillisecondTick());
        if (result.failure == CopyResult::kFile) {
          Box(kFileCopyError, "File Copy Error");
          return false;
        }
        if (result.failure == CopyResult::kFolder) {
          Box(kCopyError, "Copy Error");
          return false;
        }
        changed_ = true;
        SendDlgItemMessage(dialog_, Ids::kProgress, PBM_SETPOS, static_cast<WPARAM>(++done), 0);
        progress.Step(message.filename().string());
      }
    }
    return true;
  }

  // The move's second half, once every copy is on disk: the sources go,
  // from the last selected to the first.
  void DeleteSources(MessageFiles& files) {
    for (auto it = messages_.rbegin(); it != messages_.rend(); ++it) {
      if (files.Delete(*it)) {
        Box("Failed to delete message (TXT) file...", "File Delete error");
        return;
      }
      changed_ = true;
    }
  }

  fs::path serverDir_;
  fs::path ini_;
  const std::vector<fs::path>& messages_;
  std::vector<CopyTarget> targets_;
  HWND dialog_ = 0;
  bool changed_ = false;
};

}  // namespace

std::string CopyMoveCaption(int messages) {
  char caption[64];
  std::snprintf(caption, sizeof caption, messages == 1 ? "Copy/Move %d message to -" : "Copy/Move %d messages to -",
                messages);
  return caption;
}

std::vector<CopyTarget> CopyMoveTargets(const fs::path& settingsFile, const fs::path& viewedFolder) {
  const auto doc = LoadProfile(settingsFile);
  const std::string viewed = viewedFolder.generic_string();
  std::vector<CopyTarget> users;
  for (int record = 1; record < kMaxUserRecords; ++record) {
    const std::string realName = RecordKey(*doc, record, "realname");
    if (realName.empty()) break;
    const std::string mailbox = RecordKey(*doc, record, "DIR");
    if (!IsPlainFileName(mailbox) || EqualsNoCase(mailbox, viewed)) continue;
    std::string id = Cut(mailbox);
    for (char& c : id) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    users.push_back({id + "\t" + Cut(realName), mailbox, false, record});
  }
  std::stable_sort(users.begin(), users.end(),
                   [](const CopyTarget& a, const CopyTarget& b) { return NameOrderLess(a.line, b.line); });

  std::vector<CopyTarget> targets;
  targets.push_back({std::string(kPostmasterName), std::string(kRootFolder), false, 0});
  targets.insert(targets.end(), users.begin(), users.end());
  targets.push_back({kInboundLine, std::string(kArchiveInboundFolder), true, -1});
  targets.push_back({kOutboundLine, std::string(kArchiveOutboundFolder), true, -1});
  return targets;
}

TargetDetails CopyTargetDetails(const fs::path& settingsFile, const CopyTarget& target) {
  if (target.record < 0) return {};
  const auto doc = LoadProfile(settingsFile);
  TargetDetails details;
  details.realName = RecordKey(*doc, target.record, "realname");
  details.address = RecordKey(*doc, target.record, "ID");
  const Addressing addressing = ReadAddressing(settingsFile);
  if (addressing.useDomain && !details.address.empty() && details.address.find('@') == std::string::npos)
    details.address += "@" + addressing.domain;
  details.popId = RecordKey(*doc, target.record, "DIR");
  return details;
}

bool RunCopyMove(HWND owner, const fs::path& viewedFolder, const std::vector<fs::path>& messages) {
  if (messages.empty()) return false;
  fs::path serverDir = ServerDirectoryPath();
  if (serverDir.empty()) serverDir = fs::current_path();
  CopyMoveDialog dialog(serverDir, ServerSettingsFile(), viewedFolder, messages);
  RunSettingsDialog(Ids::kTemplate, owner, dialog.Steps());
  return dialog.changed();
}

}  // namespace tellmar::admin::mailview
