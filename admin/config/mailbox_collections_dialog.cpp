#include "admin/config/mailbox_collections_dialog.h"

#include <utility>

#include "admin/config/mailbox_collections.h"
#include "admin/shell/admin_state.h"
#include "admin/shell/system_services.h"
#include "common/scramble.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/list_rows.h"
#include "platform/operator.h"
#include "platform/settings_dialog.h"
#include "platform/shell.h"
#include "resources/tmadmin32/mailbox_collections_ids.h"

namespace tellmar::admin {
namespace {

using Ids = res::tmadmin32::Mailboxes;

constexpr int kHelpContext = 22;
constexpr int kActiveIcon = 650, kInactiveIcon = 651;
constexpr std::string_view kSampleHost = "pop3.provider.co.uk";
constexpr std::string_view kNoPassword = "No Password";
constexpr std::size_t kFieldLimit = 255;
enum Mode { kBrowsing, kEditing };

const std::vector<int> kEditControls = {Ids::kActive, Ids::kDeleteAfter, Ids::kUserId,    Ids::kPassword,
                                        Ids::kHost,   Ids::kSave,        Ids::kCancelEdit};
const std::vector<int> kListControls = {Ids::kList,          Ids::kUp,  Ids::kDown, Ids::kActivateAll,
                                        Ids::kDeactivateAll, Ids::kNew, Ids::kEdit, Ids::kRemove,
                                        Ids::kOk};
const ModeTable kModes = {{kBrowsing, kListControls, kEditControls}, {kEditing, kEditControls, kListControls}};

ListRow RowFor(const ProxyMailbox& m) {
  ListRow row;
  const std::string line = ProxyLine(m);
  // One text with TABs, as the line always was; ListRow joins columns by TAB.
  row.columns = {line};
  row.icon = m.active ? kActiveIcon : kInactiveIcon;
  row.data = m.active ? 1 : 0;
  return row;
}

class MailboxesDialog {
 public:
  SettingsDialog Steps() {
    SettingsDialog steps;
    steps.load = [this](HWND dialog) {
      dialog_ = dialog;
      Init();
    };
    steps.command = [this](HWND, WPARAM wParam) { Command(wParam); };
    steps.store = [this](HWND) { return Write(); };
    steps.cancel = [this](HWND) { return MayClose(); };
    return steps;
  }

 private:
  void Command(WPARAM wParam) {
    const int id = LOWORD(wParam);
    switch (id) {
      case Ids::kList:
        if (HIWORD(wParam) == LBN_SELCHANGE) ShowSelected();
        break;
      case Ids::kUp:
      case Ids::kDown:
        Move(id == Ids::kUp ? -1 : 1);
        break;
      case Ids::kActivateAll:
      case Ids::kDeactivateAll:
        SetAllActive(id == Ids::kActivateAll);
        break;
      case Ids::kNew:
        StartEditing(-1);
        break;
      case Ids::kEdit:
        if (Selected() >= 0) StartEditing(Selected());
        break;
      case Ids::kRemove:
        Remove();
        break;
      case Ids::kSave:
        SaveEntry();
        break;
      case Ids::kCancelEdit:
        ApplyMode(dialog_, kModes, kBrowsing);
        ShowSelected();
        break;
      case Ids::kApply:
        Write();
        break;
      case Ids::kHelp:
        OpenHelpFile(dialog_, FromWindowsPath(App().helpFilePath), kHelpContext);
        break;
    }
  }

  int Selected() const { return ListBox_GetCurSel(rows_.list()); }

  void Init() {
    rows_.Attach(GetDlgItem(dialog_, Ids::kList));
    if (!ListBox_SetTabStops(rows_.list(), {96, 400, 410, 420}))
      MessageBox(dialog_, "Failed to set tabstops....", "Listbox Error", MB_OK | MB_ICONEXCLAMATION);
    for (int id : {Ids::kUserId, Ids::kPassword, Ids::kHost})
      SendDlgItemMessage(dialog_, id, EM_LIMITTEXT, kFieldLimit);
    lines_ = LoadProxyMailboxes(ServerSettingsFile());
    for (const ProxyMailbox& m : lines_) rows_.Add(RowFor(m));
    ApplyMode(dialog_, kModes, kBrowsing);
    if (!lines_.empty()) ListBox_SetCurSel(rows_.list(), 0);
    ShowSelected();
    Changed(false);
  }

  void Changed(bool changed) {
    changed_ = changed;
    EnableDlgItem(dialog_, Ids::kApply, changed);
  }

  void Show(const ProxyMailbox& m, bool editing) {
    SetDlgItemText(dialog_, Ids::kHost, m.host);
    SetDlgItemText(dialog_, Ids::kUserId, m.user);
    const std::string password = Unscramble(kProxyKeyWord, m.password);
    SetDlgItemText(dialog_, Ids::kPassword, password.empty() && !editing ? std::string(kNoPassword) : password);
    CheckDlgButton(dialog_, Ids::kActive, m.active ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog_, Ids::kDeleteAfter, m.deleteAfter ? BST_CHECKED : BST_UNCHECKED);
  }

  void ShowSelected() {
    const int at = Selected();
    if (at >= 0 && at < static_cast<int>(lines_.size())) Show(lines_[static_cast<std::size_t>(at)], false);
  }

  void StartEditing(int line) {
    editing_ = line;
    ProxyMailbox m;
    m.active = true;
    if (line >= 0) m = lines_[static_cast<std::size_t>(line)];
    Show(m, true);
    ApplyMode(dialog_, kModes, kEditing);
    SetFocus(GetDlgItem(dialog_, Ids::kUserId));
  }

  void Put(int at, const ProxyMailbox& m) {
    lines_[static_cast<std::size_t>(at)] = m;
    rows_.Update(at, RowFor(m));
  }

  void Move(int step) {
    const int at = Selected(), to = at + step;
    if (at < 0 || to < 0 || to >= static_cast<int>(lines_.size())) return;
    const ProxyMailbox moved = lines_[static_cast<std::size_t>(at)];
    Put(at, lines_[static_cast<std::size_t>(to)]);
    Put(to, moved);
    ListBox_SetCurSel(rows_.list(), to);
    Changed(true);
  }

  void SetAllActive(bool active) {
    for (int i = 0; i < static_cast<int>(lines_.size()); ++i) {
      ProxyMailbox m = lines_[static_cast<std::size_t>(i)];
      m.active = active;
      Put(i, m);
    }
    ShowSelected();
    Changed(true);
  }

  void Remove() {
    const int at = Selected();
    if (at < 0) return;
    lines_.erase(lines_.begin() + at);
    rows_.Remove(at);
    if (!lines_.empty()) ListBox_SetCurSel(rows_.list(), std::min(at, static_cast<int>(lines_.size()) - 1));
    ShowSelected();
    Changed(true);
  }

  // The checks in their order; the first refusal keeps the editor open.
  bool Accepted(const std::string& host, const std::string& user, const std::string& password) {
    if (host.empty()) return Refused(Ids::kHost, "UserI ID omitted", "You must enter a User ID to access a mailbox!!");
    if (host.find('.') == std::string::npos &&
        MessageBox(dialog_,
                   "A mailbox name usually contains at least one period\r\nand will look similar to: " +
                       std::string(kSampleHost) + "\r\nDo you want to accept this entry anyway?",
                   "Bad mail host address ?", MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
      return Refocus(Ids::kHost);
    if (host.find('@') != std::string::npos)
      return Refused(Ids::kHost, "Invalid mail host machine",
                     "A mailbox name or IP address must NOT contain an '@' sign.\r\nMost machine names appear "
                     "similar to: " + std::string(kSampleHost));
    if (user.empty() || user.find(' ') != std::string::npos)
      return Refused(Ids::kUserId, "User ID omitted", "You must enter a User ID to access a mailbox!!");
    if (password.empty() || password.find(' ') != std::string::npos)
      return Refused(Ids::kPassword, "Password omitted", "You must enter a Password for this User to access a mailbox!!");
    const ProxyMatch match = FindProxyDuplicate(lines_, editing_, host, user, password);
    if (match.kind == ProxyDuplicate::Identical)
      return Refused(Ids::kHost, "Mailbox already specified...",
                     "An identical additional mailbox collection is already specified.\r\nTellmar does not allow "
                     "duplicate additional collections!");
    if (match.kind == ProxyDuplicate::SameHost &&
        MessageBox(dialog_,
                   "You already have an entry for the mailbox [" + host +
                       "]\r\nDo you want to continue to create this duplicate ?",
                   "Mailbox Duplicated...", MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
      return Refocus(Ids::kHost);
    return true;
  }

  bool Refused(int id, std::string_view caption, std::string_view text) {
    Refuse(dialog_, id, caption, text);
    return false;
  }

  bool Refocus(int id) {
    SendDlgItemMessage(dialog_, id, EM_SETSEL, 0, -1);
    SetFocus(GetDlgItem(dialog_, id));
    return false;
  }

  void SaveEntry() {
    const std::string host = GetDlgItemText(dialog_, Ids::kHost), user = GetDlgItemText(dialog_, Ids::kUserId),
                      password = GetDlgItemText(dialog_, Ids::kPassword);
    if (!Accepted(host, user, password)) return;
    ProxyMailbox m;
    m.host = host;
    m.user = user;
    m.password = Scramble(kProxyKeyWord, password);
    m.active = IsDlgButtonChecked(dialog_, Ids::kActive) == BST_CHECKED;
    m.deleteAfter = IsDlgButtonChecked(dialog_, Ids::kDeleteAfter) == BST_CHECKED;
    int at = editing_;
    if (at >= 0 && at < static_cast<int>(lines_.size())) {
      Put(at, m);
    } else {
      lines_.push_back(m);
      at = rows_.Add(RowFor(m));
    }
    ApplyMode(dialog_, kModes, kBrowsing);
    ListBox_SetCurSel(rows_.list(), at);
    ShowSelected();
    SetFocus(rows_.list());
    Changed(true);
  }

  bool Write() {
    if (!Saved(dialog_, StoreProxyMailboxes(ServerSettingsFile(), lines_), "The mailboxes")) return false;
    Changed(false);
    return true;
  }

  // Offers to save what changed; false (keep the dialog open) when the
  // changes could not be written, so they stay on screen.
  bool MayClose() {
    if (!changed_ || MessageBox(dialog_, "You may have unsaved changes, do you want them saved now ?",
                                "Unsaved changes!", MB_YESNO | MB_ICONQUESTION) != IDYES)
      return true;
    return Write();
  }

  HWND dialog_ = 0;
  ListRows rows_;
  std::vector<ProxyMailbox> lines_;
  int editing_ = -1;
  bool changed_ = false;
};

}  // namespace

bool RunMailboxCollectionsDialog(HWND owner, DialogGuard& guard) {
  MailboxesDialog dialog;
  return RunSettingsDialog(Ids::kTemplate, owner, dialog.Steps(), &guard) == IDOK;
}

}  // namespace tellmar::admin
