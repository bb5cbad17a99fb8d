#include "admin/config/setup_wizard.h"

#include <memory>

#include "admin/config/domain_page.h"
#include "admin/config/setup_wizard_settings.h"
#include "admin/shell/admin_state.h"
#include "admin/shell/dialup_binding.h"
#include "common/ascii.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/machine_info.h"
#include "platform/operator.h"
#include "platform/propsheet.h"
#include "resources/tmadmin32/domain_page_ids.h"
#include "resources/tmadmin32/setup_wizard_ids.h"

namespace tellmar::admin {
namespace {

namespace ids = res::tmadmin32;

constexpr std::string_view kSamplePop3Server = "pop.yourisp.com";
constexpr std::string_view kSampleSmtpServer = "smtp.yourisp.com";
constexpr std::size_t kFieldLimit = 255;
constexpr std::size_t kPopIdRead = 32;  // room to type more than 8, which the check refuses
constexpr int kTimeoutLow = 15, kTimeoutHigh = 240, kRetriesLow = 0, kRetriesHigh = 10, kWaitLow = 5,
              kWaitHigh = 240;
constexpr UINT kQuestion = MB_YESNO | MB_ICONQUESTION;

bool HoldsAny(std::string_view text, std::string_view characters) {
  return text.find_first_of(characters) != std::string_view::npos;
}

bool LettersAndDigits(std::string_view text) {
  for (char c : text)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  return true;
}

// One wizard page: its controls bound to the wizard's choices, stored when
// the page is left either way; Next runs the page's checks in order.
class WizardPage : public SheetPage {
 public:
  explicit WizardPage(WizardChoices& choices) : c_(choices) {}

 protected:
  // Fills lists before the bindings are shown.
  virtual void Fill() {}
  // Enables what the page's switches allow.
  virtual void Follow() {}
  virtual void Shown() {}
  // The checks of Next, in order; false stays on the page.
  virtual bool Check() { return true; }
  // The template to go to (0: the next or previous page).
  virtual int NextPage() const { return 0; }
  virtual int BackPage() const { return 0; }
  virtual unsigned Buttons() const { return PSWIZB_BACK | PSWIZB_NEXT; }
  virtual bool Finish() { return true; }

  bool Checked(int id) const { return IsDlgButtonChecked(page_, id) == BST_CHECKED; }
  // A stop box about a missing or wrong field, which keeps the page.
  bool Stop(int id, std::string_view caption, std::string_view text) {
    Refuse(page_, id, caption, text, MB_ICONSTOP);
    return false;
  }
  // A Yes/No question; No keeps the page with the focus on the field.
  bool Confirm(int id, std::string_view caption, std::string_view text) {
    if (MessageBox(page_, text, caption, kQuestion) == IDYES) return true;
    SetFocus(GetDlgItem(page_, id));
    return false;
  }

  WizardChoices& c_;
  Form form_;

 private:
  void Opened() override {
    Fill();
    form_.Load(page_);
    Follow();
  }
  void Command(int id, unsigned code) override {
    form_.Notice(MAKEWPARAM(static_cast<unsigned>(id), code));
    Follow();
  }
  INT_PTR Notify(int code) override {
    LRESULT result = 0;
    switch (code) {
      case PSN_SETACTIVE:
        PropSheet_SetWizButtons(GetSheet(page_), Buttons());
        SetWindowText(GetSheet(page_), GetWindowText(page_));  // a wizard's title is its page's
        Shown();
        break;
      case PSN_WIZNEXT:
        form_.Apply();
        result = Check() ? NextPage() : -1;
        break;
      case PSN_WIZBACK:
        form_.Apply();
        result = BackPage();
        break;
      case PSN_WIZFINISH:
        result = Finish() ? 0 : 1;
        break;
      case PSN_KILLACTIVE:
      case PSN_RESET:
        break;
      default:
        return FALSE;
    }
    SetDlgMsgResult(page_, result);
    return TRUE;
  }
};

class OperationsPage : public WizardPage {
 public:
  using Ids = ids::ServerOperationsPage;
  explicit OperationsPage(WizardChoices& c) : WizardPage(c) {
    form_.Flag(Ids::kUrgent, FieldRef(c.urgent));
    form_.Flag(Ids::kCollectOnline, FieldRef(c.collectOnline));
    form_.Flag(Ids::kLoadPop3, FieldRef(c.loadPop3));
    form_.Flag(Ids::kLoadSmtp, FieldRef(c.loadSmtp));
    form_.Flag(Ids::kCheckOnLoad, FieldRef(c.checkOnLoad));
    form_.Flag(Ids::kArchiveIn, FieldRef(c.archiveIn));
    form_.Flag(Ids::kArchiveOut, FieldRef(c.archiveOut));
  }
};

class ConnectionPage : public WizardPage {
 public:
  using Ids = ids::ConnectionPage;
  explicit ConnectionPage(WizardChoices& c) : WizardPage(c) {
    form_.Radio({{Ids::kInternalOnly, "1"}, {Ids::kFullServices, "0"}}, FieldRef(c.internalOnly));
    form_.Radio({{Ids::kDialup, "1"}, {Ids::kNetwork, "0"}}, FieldRef(c.dialup));
  }

 protected:
  void Follow() override {
    const bool full = Checked(Ids::kFullServices);
    EnableDlgItem(page_, Ids::kDialup, full);
    EnableDlgItem(page_, Ids::kNetwork, full);
  }
  int NextPage() const override {
    if (c_.internalOnly) return ids::FirstUserPage::kTemplate;
    return c_.dialup ? ids::WizardDialupPage::kTemplate : ids::MailboxPage::kTemplate;
  }
};

class DialupPage : public WizardPage {
 public:
  using Ids = ids::WizardDialupPage;
  explicit DialupPage(WizardChoices& c) : WizardPage(c) {
    form_.Selection(Ids::kEntry, FieldRef(c.dialupEntry));
    form_.Flag(Ids::kDisconnect, FieldRef(c.disconnect));
    form_.Flag(Ids::kShowLog, FieldRef(c.showLog));
    form_.Flag(Ids::kCloseLog, FieldRef(c.closeLog));
    form_.Integer(Ids::kTimeout, FieldRef(c.timeout), kTimeoutLow, kTimeoutHigh, Ids::kTimeoutSpin);
    form_.Integer(Ids::kRetries, FieldRef(c.retries), kRetriesLow, kRetriesHigh, Ids::kRetriesSpin);
    form_.Integer(Ids::kRetryWait, FieldRef(c.retryWait), kWaitLow, kWaitHigh, Ids::kRetryWaitSpin);
    form_.Flag(Ids::kUnloadHandler, FieldRef(c.unloadHandler));
  }

 protected:
  // The phonebook entries come from the dial-up handler, on the server
  // machine only.
  void Fill() override {
    if (App().role == Role::SupportModule) ListDialupEntries(GetDlgItem(page_, Ids::kEntry));
  }
};

class MailboxPage : public WizardPage {
 public:
  using Ids = ids::MailboxPage;
  explicit MailboxPage(WizardChoices& c) : WizardPage(c) {
    form_.Text(Ids::kPopHost, FieldRef(c.popHost), kFieldLimit);
    form_.Text(Ids::kPopUser, FieldRef(c.popUser), kFieldLimit);
    form_.Text(Ids::kPopPassword, FieldRef(c.popPassword), kFieldLimit);
    form_.Flag(Ids::kLeaveOnServer, FieldRef(c.leaveOnServer));
    form_.Flag(Ids::kUseEnv, FieldRef(c.useEnv));
  }

 protected:
  void Shown() override {
    // With the proxy's address filled in, what is left to type is the user ID.
    if (c_.proxyChosen) SetFocus(GetDlgItem(page_, Ids::kPopUser));
  }
  bool Check() override {
    if (c_.popHost.empty())
      return Stop(Ids::kPopHost, "POP3 server Invalid",
                  "You must enter the name or IP address of your external POP3 server.\r\nThis will have been given "
                  "to you by your Internet Service Provider\r\nwhen you opened your account with them.\r\nIt will "
                  "typically look something like - " +
                      std::string(kSamplePop3Server));
    if (!HoldsAny(c_.popHost, ".:") &&
        !Confirm(Ids::kPopHost, "Invalid POP3 server ?",
                 "The name or IP address of your mail server does not appear to be correct\r\nDo you still want to "
                 "use the name entered ? ..."))
      return false;
    if (c_.popUser.empty())
      return Stop(Ids::kPopUser, "POP3 ID missing", "Please enter the user ID needed to access this mailbox...");
    if (c_.popPassword.empty())
      return Stop(Ids::kPopPassword, "POP3 password missing",
                  "Please enter the user's Password needed to access this mailbox...");
    if (c_.leaveOnServer &&
        !Confirm(Ids::kLeaveOnServer, "Mail left on server",
                 "You have chosen to LEAVE mail on the server after collection\r\nThis is normally ONLY used for "
                 "testing your server.\r\nAre you sure you want to keep this setting?..."))
      return false;
    return true;
  }
  int BackPage() const override {
    return c_.dialup ? ids::WizardDialupPage::kTemplate : ids::ConnectionPage::kTemplate;
  }
};

class SmtpPage : public WizardPage {
 public:
  using Ids = ids::SmtpPage;
  explicit SmtpPage(WizardChoices& c) : WizardPage(c) {
    form_.Text(Ids::kGateway, FieldRef(c.smtpGateway), kFieldLimit);
  }

 protected:
  bool Check() override {
    if (c_.smtpGateway.empty())
      return Stop(Ids::kGateway, "SMTP server Invalid",
                  "You must enter the name or IP address of your external SMTP mail gateway.\r\nThis will have been "
                  "given to you by your Internet Service Provider\r\nwhen you opened your account with them.\r\nIt "
                  "will typically look something like - " +
                      std::string(kSampleSmtpServer));
    if (!HoldsAny(c_.smtpGateway, ".:"))
      return Confirm(Ids::kGateway, "Invalid SMTP server ?",
                     "The name or IP address of your mail gateway does not appear to be correct\r\nDo you still want "
                     "to use the name entered ? ...");
    return true;
  }
};

class FirstUserPage : public WizardPage {
 public:
  using Ids = ids::FirstUserPage;
  explicit FirstUserPage(WizardChoices& c) : WizardPage(c) {
    form_.Text(Ids::kRealName, FieldRef(c.user.realName), kFieldLimit);
    form_.Text(Ids::kEmail, FieldRef(c.user.email), kFieldLimit);
    form_.Text(Ids::kPopId, FieldRef(c.user.popId), kPopIdRead);
    form_.Text(Ids::kPassword, FieldRef(c.user.password), kWizardPasswordLimit);
    form_.Flag(Ids::kExternalMail, FieldRef(c.user.externalMail));
    form_.Flag(Ids::kAlerts, FieldRef(c.user.alerts));
    form_.Text(Ids::kAlertPort, FieldRef(c.user.alertPort), kPortLimit);
    form_.Text(Ids::kAlertAddress, FieldRef(c.user.alertIp), kFieldLimit);
  }

 protected:
  void Follow() override {
    EnableDlgItem(page_, Ids::kAlertPort, Checked(Ids::kAlerts));
    EnableDlgItem(page_, Ids::kAlertAddress, Checked(Ids::kAlerts));
  }
  bool Check() override {
    NetworkUser& u = c_.user;
    if (u.realName.empty()) return Stop(Ids::kRealName, "User name not completed!", "Please enter the real name of this user...");
    if (u.email.empty())
      return Stop(Ids::kEmail, "Invalid email address",
                  "You must enter a full and unique email address for each email user on your network...");
    if (c_.domain.single) {
      u.email = u.email.substr(0, u.email.find('@'));
      SetDlgItemText(page_, Ids::kEmail, u.email);
    } else if (u.email.find('@') == std::string::npos) {
      return Stop(Ids::kEmail, "Invalid email address",
                  "An email address must contain an '@' and one or more periods,\r\nfor example anna@" +
                      std::string(kExampleDomain) + "...");
    }
    if (u.popId.empty())
      return Stop(Ids::kPopId, "User ID not completed!",
                  "You must enter a unique ID name for this user to allow them to access this mailbox...");
    if (!LettersAndDigits(u.popId))
      return Stop(Ids::kPopId, "Mailbox ID Invalid", "Please use only a-z and 0-9 characters for the user id...");
    if (u.popId.size() > kPopIdLimit)
      return Stop(Ids::kPopId, "Mailbox ID Invalid", "Please only use a maximum of 8 characters for the user id...");
    if (u.password.empty())
      return Stop(Ids::kPassword, "User password not completed!",
                  "You must enter a password to allow this user to access their mailbox...");
    if (u.password.find(' ') != std::string::npos)
      return Stop(Ids::kPassword, "Invalid password", "You cannot have spaces in the password...");
    return true;
  }
  int BackPage() const override {
    return c_.internalOnly ? ids::ConnectionPage::kTemplate : ids::SmtpPage::kTemplate;
  }
};

class ClosingPage : public WizardPage {
 public:
  using Ids = ids::ClosingPage;
  ClosingPage(WizardChoices& c, bool& finished) : WizardPage(c), finished_(finished) {}

 protected:
  unsigned Buttons() const override { return PSWIZB_BACK | PSWIZB_FINISH; }
  void Shown() override {
    ShowDlgItem(page_, Ids::kExternalText, !c_.internalOnly);
    ShowDlgItem(page_, Ids::kInternalText, c_.internalOnly);
  }
  bool Finish() override {
    // The domain mode may have changed since the user's page was checked.
    if (!c_.domain.single && c_.user.email.find('@') == std::string::npos)
      MessageBox(page_, "The email address you have entered does not appear to be valid..", "Warning",
                 MB_OK | MB_ICONEXCLAMATION);
    if (!Saved(page_, FinishWizard(c_, ServerSettingsFile(), ServerDirectoryPath(), CurrentWelcomeContext()),
               "The settings"))
      return false;
    finished_ = true;
    return true;
  }

 private:
  bool& finished_;
};

template <typename PageT, typename... Args>
PROPSHEETPAGE MakePage(Args&&... args) {
  return MakeSheetPage(std::make_shared<PageT>(std::forward<Args>(args)...), PageT::Ids::kTemplate);
}

// Asks whether to use the Portlow proxy when prtlow.ini configures one.
void OfferProxy(HWND owner, WizardChoices& choices) {
  const auto ports = DetectProxy(App().workingDir);
  if (!ports) return;
  if (MessageBox(owner,
                 "The Portlow proxy server is already installed as a plug-in and configured to handle POP3/SMTP.\r\n"
                 "Do you want Tellmar3 to use the proxy server for it's default mail handling?",
                 "", kQuestion) != IDYES)
    return;
  UseProxy(choices, *ports, MachineHostName().value_or("Machine name Unknown"));
}

}  // namespace

bool RunSetupWizard(HWND owner, DialogGuard& guard) {
  auto choices = std::make_shared<WizardChoices>(ReadWizardChoices(ServerSettingsFile()));
  OfferProxy(owner, *choices);
  bool finished = false;
  PROPSHEETHEADER header;
  if (const DialogTemplate* first = FindDialogTemplate(ids::DomainPage::kTemplate)) header.caption = first->caption;
  header.owner = owner;
  header.wizard = true;
  header.helpFile = App().helpFilePath;
  header.helpContext = kDomainWizardHelpContext;
  header.pages = {DomainWizardPage(choices->domain),
                  MakePage<OperationsPage>(*choices),
                  MakePage<ConnectionPage>(*choices),
                  MakePage<DialupPage>(*choices),
                  MakePage<MailboxPage>(*choices),
                  MakePage<SmtpPage>(*choices),
                  MakePage<FirstUserPage>(*choices),
                  MakePage<ClosingPage>(*choices, finished)};
  // The sheet is centred on the screen once its first page is up.
  auto& first = header.pages.front();
  first.proc = [inner = first.proc](HWND page, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
    if (message == WM_INITDIALOG) CenterWindow(GetSheet(page));
    return inner(page, message, wParam, lParam);
  };
  PropertySheet(header, &guard);
  return finished;
}

}  // namespace tellmar::admin
