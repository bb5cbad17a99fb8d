#include "admin/users/users_dialog.h"

#include <cstdio>

#include "admin/mailview/mail_window.h"
#include "admin/shell/admin_state.h"
#include "admin/users/mail_status_window.h"
#include "admin/users/network_users.h"
#include "admin/users/welcome_messages.h"
#include "common/mail_store.h"
#include "common/profile.h"
#include "common/user_directory.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/operator.h"
#include "platform/shell.h"
#include "resources/tmadmin32/users_ids.h"

namespace tellmar::admin {
namespace {

namespace fs = std::filesystem;
using Ids = res::tmadmin32::NetworkUsers;

constexpr std::size_t kTextRead = 256;
constexpr int kHelpContext = 3380;

const std::vector<int> kBrowseControls = {Ids::kList, Ids::kAdd, Ids::kEdit, Ids::kDelete, Ids::kClose};
const std::vector<int> kEntryControls = {Ids::kRealName,     Ids::kEmail,  Ids::kPopId, Ids::kPassword,
                                         Ids::kExternalMail, Ids::kAlerts, Ids::kSave,  Ids::kCancelEdit};
const std::vector<int> kLimitControls = {Ids::kMaxSize, Ids::kMaxSizeSpin, Ids::kMaxSizeUnit,
                                         Ids::kNotifyLimit};

std::vector<int> Join(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The fixed part of each mode; what depends on the record follows in ShowMode.
const ModeTable kModes = {
    {UsersMode::kBrowsing, kBrowseControls,
     Join(Join(kEntryControls, kLimitControls),
          {Ids::kAlertIp, Ids::kAlertPort, Ids::kActive, Ids::kLimit, Ids::kWelcome, Ids::kAlertModule})},
    {UsersMode::kAdding, Join(kEntryControls, {Ids::kActive, Ids::kWelcome, Ids::kAlertModule}),
     Join(Join(kBrowseControls, kLimitControls), {Ids::kLimit})},
    {UsersMode::kEditing, kEntryControls, Join(kBrowseControls, {Ids::kWelcome, Ids::kAlertModule})},
};

class UsersDialog {
 public:
  UsersDialog() {
    form_.Text(Ids::kRealName, FieldRef(draft_.realName), kTextRead);
    form_.Text(Ids::kEmail, FieldRef(draft_.email), kTextRead);
    form_.Text(Ids::kPopId, FieldRef(draft_.popId), kPopIdLimit);
    form_.Text(Ids::kPassword, FieldRef(draft_.password), kPasswordLimit);
    form_.Flag(Ids::kExternalMail, FieldRef(draft_.externalMail));
    form_.Flag(Ids::kAlerts, FieldRef(draft_.alerts));
    form_.Text(Ids::kAlertIp, FieldRef(draft_.alertIp), kTextRead);
    form_.Text(Ids::kAlertPort, FieldRef(draft_.alertPort), kPortLimit);
    form_.Flag(Ids::kActive, FieldRef(draft_.active));
    form_.Flag(Ids::kLimit, FieldRef(draft_.limit));
    form_.Flag(Ids::kNotifyLimit, FieldRef(draft_.notify));
    form_.Integer(Ids::kMaxSize, FieldRef(draft_.maxSize), kMaxSizeLow, kMaxSizeHigh, Ids::kMaxSizeSpin);
    form_.Flag(Ids::kWelcome, FieldRef(welcome_));
    form_.Flag(Ids::kAlertModule, FieldRef(alertModule_));
  }

  INT_PTR Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
      dialog_ = dialog;
      Open();
      return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam);
    switch (id) {
      case Ids::kList:
        if (HIWORD(wParam) == LBN_SELCHANGE) ShowSelected();
        if (HIWORD(wParam) == LBN_DBLCLK && mode_ == UsersMode::kBrowsing) StartEdit();
        return TRUE;
      case Ids::kAdd:
        StartAdd();
        return TRUE;
      case Ids::kEdit:
        StartEdit();
        return TRUE;
      case Ids::kSave:
        Save();
        return TRUE;
      case Ids::kCancelEdit:
        SetMode(UsersMode::kBrowsing);
        ShowSelected();
        return TRUE;
      case Ids::kDelete:
        Delete();
        return TRUE;
      case Ids::kAlerts:
        AlertsToggled();
        return TRUE;
      case Ids::kHidePasswords:
        HidePasswords(IsDlgButtonChecked(dialog_, Ids::kHidePasswords) == BST_CHECKED, true);
        return TRUE;
      case Ids::kLimit:
        EnableLimitControls(IsDlgButtonChecked(dialog_, Ids::kLimit) == BST_CHECKED);
        return TRUE;
      case Ids::kHelp:
        OpenHelpFile(dialog_, FromWindowsPath(App().helpFilePath), kHelpContext);
        return TRUE;
      case Ids::kClose:
        if (mode_ == UsersMode::kBrowsing) EndDialog(dialog_, IDOK);
        return TRUE;
    }
    return FALSE;
  }

 private:
  fs::path Ini() const { return ServerSettingsFile(); }
  fs::path ServerDir() const {
    const fs::path dir = ServerDirectoryPath();
    return dir.empty() ? fs::current_path() : dir;
  }
  HWND List() const { return GetDlgItem(dialog_, Ids::kList); }
  bool Checked(int id) const { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }
  std::string SelectedName() const {
    const int at = ListBox_GetCurSel(List());
    return at < 0 ? std::string() : ListBox_GetText(List(), at);
  }

  void Open() {
    CenterWindow(dialog_);
    HidePasswords(GetProfileInt(Ini(), "UserMaint", "Passwords", 1) == 1, false);
    FillList(std::string(kPostmasterName));
    SetMode(UsersMode::kBrowsing);
    ShowSelected();
  }

  void FillList(const std::string& select) {
    ListBox_ResetContent(List());
    for (const std::string& name : ListUserNames(Ini())) ListBox_AddString(List(), name);
    int at = ListBox_FindStringExact(List(), -1, select);
    ListBox_SetCurSel(List(), at < 0 ? 0 : at);
  }

  // The selected entry's record into the fields.
  void ShowSelected() {
    const auto index = FindUserRecord(Ini(), SelectedName(), ListBox_GetCount(List()));
    draft_ = index ? LoadNetworkUser(Ini(), *index) : NetworkUser{};
    form_.Load(dialog_);
    ShowMode();
  }

  void SetMode(int mode) {
    mode_ = mode;
    ShowMode();
  }

  // The mode's table, then what depends on the record and the settings.
  void ShowMode() {
    ApplyMode(dialog_, kModes, mode_);
    if (mode_ == UsersMode::kBrowsing) return;
    const bool alerts = Checked(Ids::kAlerts);
    EnableDlgItem(dialog_, Ids::kAlertIp, alerts);
    EnableDlgItem(dialog_, Ids::kAlertPort, alerts);
    if (GetProfileString(Ini(), "NetConnections", "NetMailOnly", "0") == "1") {
      CheckDlgButton(dialog_, Ids::kExternalMail, BST_UNCHECKED);
      EnableDlgItem(dialog_, Ids::kExternalMail, false);
    }
    if (mode_ != UsersMode::kEditing) return;
    EnableDlgItem(dialog_, Ids::kActive, ListBox_GetCurSel(List()) != 0);
    if (IsPostmaster()) {
      for (int id : {Ids::kRealName, Ids::kEmail, Ids::kPopId}) EnableDlgItem(dialog_, id, false);
      CheckDlgButton(dialog_, Ids::kLimit, BST_UNCHECKED);
      EnableDlgItem(dialog_, Ids::kLimit, false);
      EnableLimitControls(false);
    } else {
      EnableDlgItem(dialog_, Ids::kLimit, true);
      EnableLimitControls(Checked(Ids::kLimit));
    }
  }

  bool IsPostmaster() const { return SelectedName() == kPostmasterName; }

  void EnableLimitControls(bool on) {
    for (int id : kLimitControls) EnableDlgItem(dialog_, id, on);
  }

  void HidePasswords(bool hide, bool store) {
    CheckDlgButton(dialog_, Ids::kHidePasswords, hide ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessage(dialog_, Ids::kPassword, EM_SETPASSWORDCHAR, hide ? '*' : 0, 0);
    if (store) WriteProfileString(Ini(), "UserMaint", "Passwords", hide ? "1" : "0");
  }

  void AlertsToggled() {
    const bool on = Checked(Ids::kAlerts);
    if (on) {
      const auto index = FindUserRecord(Ini(), SelectedName(), ListBox_GetCount(List()));
      std::string port =
          index ? GetProfileString(Ini(), UserSectionName(*index), "alertport", "1024") : "1024";
      SetDlgItemText(dialog_, Ids::kAlertPort, port.empty() ? "1024" : port);
    }
    EnableDlgItem(dialog_, Ids::kAlertIp, on);
    EnableDlgItem(dialog_, Ids::kAlertPort, on);
  }

  void Focus(int id) {
    SendDlgItemMessage(dialog_, id, EM_SETSEL, 0, -1);
    SetFocus(GetDlgItem(dialog_, id));
  }

  void StartAdd() {
    draft_ = NetworkUser{};
    welcome_ = alertModule_ = true;
    form_.Load(dialog_);
    SetMode(UsersMode::kAdding);
    Focus(Ids::kRealName);
    RefreshMailStatusWindow(false);
    mailview::RebuildMailWindowFolders(false);
  }

  void StartEdit() {
    ShowSelected();
    previous_ = PreviousEntry{draft_.realName, draft_.email, draft_.popId};
    SetMode(UsersMode::kEditing);
    Focus(IsPostmaster() ? Ids::kPassword : Ids::kRealName);
  }

  static int FieldControl(UserRefusal::Field field) {
    switch (field) {
      case UserRefusal::kRealName:
        return Ids::kRealName;
      case UserRefusal::kEmail:
        return Ids::kEmail;
      case UserRefusal::kPopId:
        return Ids::kPopId;
      case UserRefusal::kPassword:
        return Ids::kPassword;
      case UserRefusal::kAlertPort:
        return Ids::kAlertPort;
      case UserRefusal::kAlertIp:
        return Ids::kAlertIp;
    }
    return Ids::kRealName;
  }

  void Save() {
    if (mode_ == UsersMode::kBrowsing) return;
    form_.Apply();  // the fields into draft_
    const bool adding = mode_ == UsersMode::kAdding;
    const int count = ListBox_GetCount(List());
    NetworkUser user = draft_;
    auto refusal = CheckNetworkUser(user, adding ? std::nullopt : previous_, Ini(), count);
    SetDlgItemText(dialog_, Ids::kEmail, user.email);
    if (refusal) {
      Refuse(dialog_, FieldControl(refusal->field), refusal->caption, refusal->text);
      return;
    }
    std::optional<int> index =
        adding ? std::optional<int>(count) : FindUserRecord(Ini(), SelectedName(), count);
    if (!index) {
      MessageBox(dialog_,
                 "Failed to identify registry entry for this user.\r\nPlease restart the server and try this "
                 "operation again...",
                 "Folder removal error", MB_OK | MB_ICONEXCLAMATION);
      SetFocus(List());
      return;
    }
    const fs::path serverDir = ServerDir();
    // The folder first: a record is never written without its folder, and a
    // failed record write puts the folder back as it was.
    bool folderMade = false;
    if (adding) {
      const auto folder = MailboxFolder(serverDir, user.popId);
      std::error_code ec;
      folderMade = folder && !fs::exists(*folder, ec);
      if (!folder || CreateMailbox(serverDir, user.popId)) return MailboxRefused(user.popId, std::nullopt);
    } else if (RenameMailbox(serverDir, previous_->popId, user.popId)) {
      return MailboxRefused(user.popId, previous_->popId);
    }
    if (auto error = WriteNetworkUser(Ini(), *index, user)) {
      if (adding && folderMade) {
        std::error_code ec;
        fs::remove(*MailboxFolder(serverDir, user.popId), ec);
      } else if (!adding) {
        RenameMailbox(serverDir, user.popId, previous_->popId);
      }
      Saved(dialog_, error, "The user");
      return;
    }
    SetMode(UsersMode::kBrowsing);
    FillList(user.realName);
    if (adding) {
      const fs::path folder = *MailboxFolder(serverDir, user.popId);
      const std::string section = UserSectionName(*index);
      const WelcomeContext context = CurrentWelcomeContext();
      if (welcome_) WriteWelcomeMessage(context, section, folder);
      if (alertModule_) WriteMailAlertMessage(context, section, folder);
      if (GetProfileInt(Ini(), "Tickvane", "newusermail", 0) != 0)
        WriteTimeClientMessage(context, section, folder);
    }
    RefreshMailStatusWindow(false);
    mailview::RebuildMailWindowFolders(false);
    ShowSelected();
    SetFocus(List());
  }

  void MailboxRefused(const std::string& popId, const std::optional<std::string>& previousId) {
    MessageBox(dialog_,
               "There has been a problem in creating a mail box with the id of [" + popId +
                   "].\r\nPlease choose a unique pop3 ID for this mailbox...",
               "Mailbox Creation Error", MB_OK | MB_ICONEXCLAMATION);
    if (previousId) SetDlgItemText(dialog_, Ids::kPopId, *previousId);
    Focus(Ids::kPopId);
  }

  void Delete() {
    const int count = ListBox_GetCount(List());
    if (IsPostmaster()) {
      MessageBox(dialog_,
                 "You cannot remove the Postmaster user [(System Postmaster)] from the server system.",
                 "Postmaster deletion attempted!", MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    if (count < 3) {
      MessageBox(dialog_,
                 "You must leave the (System Postmaster) and at least\none other user configured on the "
                 "server.\nSorry, but this deletion cannot be allowed........",
                 "Deletion of final user attempted!", MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    const auto index = FindUserRecord(Ini(), SelectedName(), count);
    if (!index || *index == 0) {
      MessageBox(dialog_,
                 "Failed to identify registry entry for this user.\r\nPlease restart the server and try this "
                 "operation again...",
                 "Folder removal error", MB_OK | MB_ICONEXCLAMATION);
      SetFocus(List());
      return;
    }
    const std::string popId = GetProfileString(Ini(), UserSectionName(*index), "DIR", "");
    const fs::path serverDir = ServerDir();
    const auto folder = MailboxFolder(serverDir, popId);
    if (folder && MailboxHoldsMail(*folder) &&
        MessageBox(dialog_,
                   "This user still apears to have mail in their incoming mail folder...\r\nAre you really "
                   "sure you want to delete them as a user on the server?\r\nIf you do continue, all their "
                   "messages will be deleted from this system completely!",
                   "Destroy all mail?", MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
      return;
    const DeletionResult result = DeleteNetworkUser(Ini(), serverDir, *index, popId);
    if (result.step == DeletionResult::kFolderFailed) {
      char text[1024];
      std::snprintf(
          text, sizeof text,
          "Error %d - Unable to remove the mail folder [%s] this user. There may still be messages in this "
          "folder.\r\nPlease Delete or move them before attempting to delete user [%s] from the server...",
          result.error.value(), folder ? folder->string().c_str() : "", popId.c_str());
      MessageBox(dialog_, text, "Folder deletion failed!", MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    if (result.step == DeletionResult::kRecordsFailed) {
      MessageBox(dialog_,
                 "Failed to update registry entries for network users.\r\nPlease restart the server and try "
                 "this operation again...",
                 "Folder removal error", MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    WriteProfileString(Ini(), "environment", "RemoteUpdate", "-1");
    RefreshMailStatusWindow(false);
    mailview::RebuildMailWindowFolders(false);
    const int at = ListBox_GetCurSel(List());
    ListBox_DeleteString(List(), at);
    ListBox_SetCurSel(List(), at > 0 ? at - 1 : 0);
    ShowSelected();
  }

  HWND dialog_ = 0;
  int mode_ = UsersMode::kBrowsing;
  NetworkUser draft_;
  bool welcome_ = true, alertModule_ = true;
  std::optional<PreviousEntry> previous_;
  Form form_;
};

}  // namespace

bool RunUsersDialog(HWND owner, DialogGuard& guard) {
  UsersDialog dialog;
  DialogBox(
      Ids::kTemplate, owner,
      [&dialog](HWND h, UINT m, WPARAM w, LPARAM l) { return dialog.Proc(h, m, w, l); }, 0, &guard);
  return true;
}

}  // namespace tellmar::admin
