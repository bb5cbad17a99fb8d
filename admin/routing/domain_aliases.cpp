#include "admin/routing/domain_aliases.h"

#include <memory>

#include "admin/routing/routing_users.h"
#include "admin/shell/admin_state.h"
#include "common/ascii.h"
#include "common/ini_document.h"
#include "common/profile.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/form.h"
#include "platform/operator.h"
#include "platform/window.h"
#include "resources/tmadmin32/routing_ids.h"

namespace tellmar::admin {
namespace {

constexpr std::string_view kArrow = " -> ";
constexpr std::string_view kInternalSuffix = " , internal mail only";
constexpr std::string_view kExternalSuffix = " , external mail only";
constexpr std::string_view kBothSuffix = " , internal and external mail";
constexpr std::string_view kSection = "DOMAIN-ALIAS";
constexpr int kAliasScanMax = 32000;

std::string_view Suffix(AliasScope scope) {
  switch (scope) {
    case AliasScope::Internal: return kInternalSuffix;
    case AliasScope::External: return kExternalSuffix;
    case AliasScope::Both: break;
  }
  return kBothSuffix;
}

// A page that stores itself when the sheet applies; a refused or failed
// store keeps the sheet open on it.
class StoringPage : public SheetPage {
 protected:
  virtual bool Store() = 0;

 private:
  INT_PTR Notify(int code) override {
    if (code != PSN_APPLY) return FALSE;
    SetDlgMsgResult(page_, Store() ? PSNRET_NOERROR : PSNRET_INVALID);
    return TRUE;
  }
};

// --- Domain Aliasing page ----------------------------------------------------

using AliasIds = res::tmadmin32::DomainAliasPage;
enum AliasMode { kBrowsing, kEditing };

const ModeTable kAliasModes = {
    {kBrowsing,
     {AliasIds::kAliases, AliasIds::kNewAlias},
     {AliasIds::kDomain, AliasIds::kTarget, AliasIds::kInternalMail, AliasIds::kExternalMail, AliasIds::kBothMail,
      AliasIds::kSaveAlias, AliasIds::kCancelAlias}},
    {kEditing,
     {AliasIds::kDomain, AliasIds::kTarget, AliasIds::kInternalMail, AliasIds::kExternalMail, AliasIds::kBothMail,
      AliasIds::kSaveAlias, AliasIds::kCancelAlias},
     {AliasIds::kAliases, AliasIds::kNewAlias, AliasIds::kEditAlias, AliasIds::kRemoveAlias}},
};

class DomainAliasPage : public StoringPage {
 private:
  HWND List() const { return GetDlgItem(page_, AliasIds::kAliases); }
  HWND Targets() const { return GetDlgItem(page_, AliasIds::kTarget); }

  void Opened() override {
    for (const std::string& row : ReadDomainAliases(ServerSettingsFile())) ListBox_AddString(List(), row);
    for (const std::string& domain : ServerDomains(ServerSettingsFile())) ComboBox_AddString(Targets(), domain);
    ComboBox_SetCurSel(Targets(), 0);
    ApplyMode(page_, kAliasModes, kBrowsing);
    if (ListBox_GetCount(List()) > 0) {
      ListBox_SetCurSel(List(), 0);
      current_ = 0;
      Show(0);
    }
    EnableRowButtons();
  }

  void EnableRowButtons() {
    const bool any = ListBox_GetCount(List()) > 0;
    EnableDlgItem(page_, AliasIds::kEditAlias, any);
    EnableDlgItem(page_, AliasIds::kRemoveAlias, any);
  }

  void Show(int row) {
    const std::string text = ListBox_GetText(List(), row);
    if (EqualsNoCase(text, "NONE")) return;
    const DomainAlias alias = ParseDomainAlias(text);
    SetDlgItemText(page_, AliasIds::kDomain, alias.domain);
    for (int i = 0; i < ComboBox_GetCount(Targets()); ++i)
      if (EqualsNoCase(ComboBox_GetLBText(Targets(), i), alias.target)) ComboBox_SetCurSel(Targets(), i);
    const int button = alias.scope == AliasScope::Internal   ? AliasIds::kInternalMail
                       : alias.scope == AliasScope::External ? AliasIds::kExternalMail
                                                             : AliasIds::kBothMail;
    CheckRadioButton(page_, AliasIds::kInternalMail, AliasIds::kBothMail, button);
  }

  void Command(int id, unsigned code) override {
    switch (id) {
      case AliasIds::kAliases:
        if (code == LBN_SELCHANGE && ListBox_GetCurSel(List()) >= 0) {
          current_ = ListBox_GetCurSel(List());
          Show(current_);
        }
        break;
      case AliasIds::kNewAlias:
        editing_ = -1;
        ApplyMode(page_, kAliasModes, kEditing);
        SetDlgItemText(page_, AliasIds::kDomain, "");
        ComboBox_SetCurSel(Targets(), 0);
        CheckRadioButton(page_, AliasIds::kInternalMail, AliasIds::kBothMail, AliasIds::kInternalMail);
        SetFocus(GetDlgItem(page_, AliasIds::kDomain));
        break;
      case AliasIds::kEditAlias: {
        const int row = ListBox_GetCurSel(List());
        if (row < 0 || EqualsNoCase(ListBox_GetText(List(), row), "NONE")) break;
        Show(row);
        editing_ = row;
        ApplyMode(page_, kAliasModes, kEditing);
        SendDlgItemMessage(page_, AliasIds::kDomain, EM_SETSEL, 0, -1);
        SetFocus(GetDlgItem(page_, AliasIds::kDomain));
        break;
      }
      case AliasIds::kSaveAlias:
        Save();
        break;
      case AliasIds::kCancelAlias:
        ApplyMode(page_, kAliasModes, kBrowsing);
        EnableRowButtons();
        SetDlgItemText(page_, AliasIds::kDomain, "");
        if (current_ >= 0 && current_ < ListBox_GetCount(List())) {
          ListBox_SetCurSel(List(), current_);
          Show(current_);
        }
        break;
      case AliasIds::kRemoveAlias: {
        const int row = ListBox_GetCurSel(List());
        if (row < 0) break;
        ListBox_DeleteString(List(), row);
        const int count = ListBox_GetCount(List());
        if (count == 0) {
          current_ = -1;
          SetDlgItemText(page_, AliasIds::kDomain, "");
        } else {
          current_ = std::min(row, count - 1);
          ListBox_SetCurSel(List(), current_);
          Show(current_);
        }
        EnableRowButtons();
        break;
      }
    }
  }

  void Save() {
    const std::string domain = GetDlgItemText(page_, AliasIds::kDomain);
    if (auto refusal = CheckAliasDomain(domain)) {
      MessageBox(page_, refusal->text, refusal->caption, MB_OKCANCEL | MB_ICONEXCLAMATION);
      SetFocus(GetDlgItem(page_, AliasIds::kDomain));
      return;
    }
    DomainAlias alias;
    alias.domain = domain;
    const int target = ComboBox_GetCurSel(Targets());
    alias.target = target >= 0 ? ComboBox_GetLBText(Targets(), target) : std::string();
    alias.scope = IsDlgButtonChecked(page_, AliasIds::kInternalMail) == BST_CHECKED   ? AliasScope::Internal
                  : IsDlgButtonChecked(page_, AliasIds::kExternalMail) == BST_CHECKED ? AliasScope::External
                                                                                      : AliasScope::Both;
    const std::string value = DomainAliasValue(alias);
    int row = editing_;
    if (row >= 0) {
      ListBox_DeleteString(List(), row);
      ListBox_InsertString(List(), row, value);
    } else {
      row = ListBox_AddString(List(), value);
    }
    current_ = row;
    ListBox_SetCurSel(List(), row);
    ApplyMode(page_, kAliasModes, kBrowsing);
    EnableRowButtons();
    SetFocus(List());
  }

  bool Store() override {
    const auto ini = ServerSettingsFile();
    ProfileBatch batch(ini);
    batch.DeleteSection(kSection);
    for (int i = 0; i < ListBox_GetCount(List()); ++i)
      batch.Write(kSection, "ALIAS" + std::to_string(i), ListBox_GetText(List(), i));
    if (App().role == Role::RemoteConfiguration) batch.Write("environment", "RemoteUpdate", "-1");
    return Saved(page_, batch.Commit(), "The domain aliases");
  }

  int current_ = -1;
  int editing_ = -1;  // the row being edited; -1 for a new one
};

// --- Undeliverable mail page ----------------------------------------------

using BadIds = res::tmadmin32::UndeliverablePage;

class UndeliverablePage : public StoringPage {
 private:
  HWND Users() const { return GetDlgItem(page_, BadIds::kUsers); }

  void Command(int id, unsigned) override {
    if (id == BadIds::kCopyAll || id == BadIds::kKillMessage || id == BadIds::kSendToUser)
      EnableDlgItem(page_, BadIds::kUsers, IsDlgButtonChecked(page_, BadIds::kSendToUser) == BST_CHECKED);
  }

  void Opened() override {
    const auto ini = ServerSettingsFile();
    CheckDlgButton(page_, BadIds::kBounce, GetProfileInt(ini, "badmailopts", "bounce", 0) == -1 ? 1 : 0);
    for (const std::string& user : LocalUserEntries(ini, true)) ListBox_AddString(Users(), user);
    ListBox_SetCurSel(Users(), 0);
    const int opts = GetProfileInt(ini, "badmailopts", "opts", 0);
    const int button = opts == 1 ? BadIds::kCopyAll : opts == 2 ? BadIds::kKillMessage : BadIds::kSendToUser;
    if (opts >= 0 && opts <= 2) CheckRadioButton(page_, BadIds::kCopyAll, BadIds::kSendToUser, button);
    EnableDlgItem(page_, BadIds::kUsers, opts == 0);
    const std::string baduser = GetProfileString(ini, "badmailopts", "baduser", "None");
    if (baduser != "None") {
      for (int i = 0; i < ListBox_GetCount(Users()); ++i)
        if (EqualsNoCase(ListBox_GetText(Users(), i), baduser)) ListBox_SetCurSel(Users(), i);
      SetFocus(Users());
    }
  }

  bool Store() override {
    ProfileBatch batch(ServerSettingsFile());
    const int at = ListBox_GetCurSel(Users());
    batch.Write("badmailopts", "baduser", at >= 0 ? ListBox_GetText(Users(), at) : std::string());
    batch.Write("badmailopts", "bounce", IsDlgButtonChecked(page_, BadIds::kBounce) == BST_CHECKED ? "-1" : "0");
    if (IsDlgButtonChecked(page_, BadIds::kSendToUser) == BST_CHECKED) batch.Write("badmailopts", "opts", "0");
    else if (IsDlgButtonChecked(page_, BadIds::kCopyAll) == BST_CHECKED) batch.Write("badmailopts", "opts", "1");
    else if (IsDlgButtonChecked(page_, BadIds::kKillMessage) == BST_CHECKED) batch.Write("badmailopts", "opts", "2");
    batch.Write("environment", "RemoteUpdate", "-1");
    return Saved(page_, batch.Commit(), "The undeliverable mail options");
  }
};

}  // namespace

std::string DomainAliasValue(const DomainAlias& alias) {
  return alias.domain + std::string(kArrow) + alias.target + std::string(Suffix(alias.scope));
}

DomainAlias ParseDomainAlias(std::string_view value) {
  DomainAlias alias;
  const std::size_t arrow = value.find(kArrow);
  alias.domain = std::string(value.substr(0, arrow));
  if (arrow == std::string_view::npos) return alias;
  const std::string_view rest = value.substr(arrow + kArrow.size());
  const std::size_t comma = rest.find(" ,");
  alias.target = std::string(rest.substr(0, comma));
  const std::string_view suffix = comma == std::string_view::npos ? std::string_view() : rest.substr(comma);
  alias.scope = suffix == kInternalSuffix   ? AliasScope::Internal
                : suffix == kExternalSuffix ? AliasScope::External
                                            : AliasScope::Both;
  return alias;
}

std::optional<AliasRefusal> CheckAliasDomain(std::string_view domain) {
  if (domain.empty()) return AliasRefusal{"Domain name missing", "You must enter a domain name here..."};
  if (domain.find(' ') != std::string_view::npos)
    return AliasRefusal{"Domain name invalid", "Please remove spaces from the domain you have entered..."};
  if (domain.find('@') != std::string_view::npos)
    return AliasRefusal{"Invalid domain name",
                        "Please remove the '@' sign in the alias you want to be redirected,\r\nonly the domain, and "
                        "not the user name or '@' sign, should be entered..."};
  return std::nullopt;
}

std::vector<std::string> ReadDomainAliases(const std::filesystem::path& settingsFile) {
  const auto doc = LoadProfile(settingsFile);
  std::vector<std::string> rows;
  for (int n = 0; n < kAliasScanMax; ++n) {
    const auto v = doc->Find(kSection, "ALIAS" + std::to_string(n));
    if (!v || v->empty()) break;
    rows.emplace_back(*v);
  }
  return rows;
}

PROPSHEETPAGE MakeDomainAliasPage() {
  return MakeSheetPage(std::make_shared<DomainAliasPage>(), AliasIds::kTemplate);
}

PROPSHEETPAGE MakeUndeliverablePage() {
  return MakeSheetPage(std::make_shared<UndeliverablePage>(), BadIds::kTemplate);
}

}  // namespace tellmar::admin
