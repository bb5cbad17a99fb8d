#include "admin/config/domain_page.h"

#include <memory>

#include "admin/shell/admin_state.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/form.h"
#include "platform/operator.h"
#include "platform/window.h"
#include "resources/tmadmin32/domain_page_ids.h"

namespace tellmar::admin {
namespace {

using Ids = res::tmadmin32::DomainPage;

constexpr std::string_view kHint = "Select how server handles domains...";
constexpr std::string_view kSingleExplanation =
    "All your network users share one Internet domain, such as yourcompany.com: each user's e-mail address is "
    "their user name at this domain.";
constexpr std::string_view kMultipleExplanation =
    "Your network users have e-mail addresses at different domains, for example with different Internet "
    "providers. Enter the administrator's address, which must begin with root@.";

class DomainPageProc : public SheetPage {
 public:
  explicit DomainPageProc(DomainView* wizardEntry) : wizardEntry_(wizardEntry) {}

 private:
  bool Single() const { return IsDlgButtonChecked(page_, Ids::kUseDomain) == BST_CHECKED; }
  std::string Text() const { return GetDlgItemText(page_, Ids::kText).substr(0, kDomainTextRead - 1); }

  void Opened() override {
    const DomainView view = ReadDomainView(ServerSettingsFile());
    CheckDlgButton(page_, Ids::kUseDomain, view.single ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemText(page_, Ids::kText, view.text);
    CheckDlgButton(page_, Ids::kRegistered, view.registered ? BST_CHECKED : BST_UNCHECKED);
    ShowMode(view.single);
    if (wizardEntry_ != nullptr) ShowDlgItem(page_, Ids::kExplanation, true);
  }

  void ShowMode(bool single) {
    EnableDlgItem(page_, Ids::kRegistered, single);
    SetDlgItemText(page_, Ids::kLabel, single ? "Local domain name" : "Administrator's email address");
    SetDlgItemText(page_, Ids::kExplanation, single ? kSingleExplanation : kMultipleExplanation);
  }

  void MarkChanged() {
    changed_ = true;
    if (wizardEntry_ == nullptr) PropSheet_Changed(GetSheet(page_), page_);
  }

  void Command(int id, unsigned code) override {
    if (id == Ids::kUseDomain && code == BN_CLICKED) {
      // What was typed gives way to the stored text of the chosen mode.
      ShowMode(Single());
      SetDlgItemText(page_, Ids::kText, StoredDomainText(ServerSettingsFile(), Single()));
      MarkChanged();
    } else if ((id == Ids::kRegistered && code == BN_CLICKED) || (id == Ids::kText && code == EN_CHANGE)) {
      MarkChanged();
    }
  }

  INT_PTR Notify(int code) override {
    const HWND sheet = GetSheet(page_);
    switch (code) {
      case PSN_SETACTIVE:
        SetSheetHint(sheet, kHint);
        SetTopmost(sheet, true);
        SetForegroundWindow(sheet);
        SetFocus(GetDlgItem(page_, Ids::kUseDomain));
        if (wizardEntry_ != nullptr) {
          PropSheet_SetWizButtons(sheet, PSWIZB_NEXT);
          SetWindowText(sheet, GetWindowText(page_));  // a wizard's title is its page's
        }
        changed_ = true;  // a page that was shown is written on apply, edited or not
        SetDlgMsgResult(page_, 0);
        return TRUE;
      case PSN_APPLY:
        SetDlgMsgResult(page_, Apply() ? PSNRET_NOERROR : PSNRET_INVALID);
        return TRUE;
      case PSN_RESET:
        changed_ = false;
        return TRUE;
      case PSN_WIZNEXT:
        SetDlgMsgResult(page_, AcceptForWizard() ? 0 : -1);
        return TRUE;
      default:
        return FALSE;
    }
  }

  bool Apply() {
    if (!changed_ || wizardEntry_ != nullptr) return true;
    const DomainView entry{Single(), Text(), IsDlgButtonChecked(page_, Ids::kRegistered) == BST_CHECKED};
    if (auto refusal = CheckDomainApply(entry.single, entry.text)) {
      if (refusal->replacement) {
        MessageBox(page_, refusal->text, refusal->caption, MB_OK | MB_ICONEXCLAMATION);
        SetDlgItemText(page_, Ids::kText, *refusal->replacement);
      } else {
        Refuse(page_, Ids::kText, refusal->caption, refusal->text, MB_ICONSTOP);
      }
      return false;
    }
    if (!Saved(page_, ApplyDomainSettings(ServerSettingsFile(), entry, App().role == Role::RemoteConfiguration),
               "The domain settings"))
      return false;
    changed_ = false;
    return true;
  }

  bool AcceptForWizard() {
    const DomainView entry{Single(), Text(), IsDlgButtonChecked(page_, Ids::kRegistered) == BST_CHECKED};
    if (auto refusal = CheckWizardDomain(entry.single, entry.text)) {
      Refuse(page_, Ids::kText, refusal->caption, refusal->text, MB_ICONSTOP);
      if (refusal->replacement) {
        SetDlgItemText(page_, Ids::kText, *refusal->replacement);
        SendDlgItemMessage(page_, Ids::kText, EM_SETSEL, 0, -1);
      }
      return false;
    }
    *wizardEntry_ = entry;
    return true;
  }

  DomainView* wizardEntry_;
  bool changed_ = false;
};

PROPSHEETPAGE MakePage(DomainView* wizardEntry, int helpContext) {
  PROPSHEETPAGE def = MakeSheetPage(std::make_shared<DomainPageProc>(wizardEntry), Ids::kTemplate);
  def.helpContext = helpContext;
  return def;
}

}  // namespace

// On the sheet the tab reads "Domain"; the template's caption is the
// wizard's page title.
PROPSHEETPAGE DomainPage() {
  PROPSHEETPAGE page = MakePage(nullptr, kDomainPageHelpContext);
  page.title = "Domain";
  return page;
}

PROPSHEETPAGE DomainWizardPage(DomainView& entry) { return MakePage(&entry, kDomainWizardHelpContext); }

}  // namespace tellmar::admin
