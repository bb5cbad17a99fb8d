// "Select connection type" and "Configure dialup networking".
#include <initializer_list>

#include "admin/config/internet_pages.h"
#include "admin/config/settings_page.h"
#include "admin/shell/admin_state.h"
#include "admin/shell/dialup_binding.h"
#include "common/profile.h"
#include "platform/dialog.h"
#include "resources/tmadmin32/internet_sheet_ids.h"

namespace tellmar::admin {
namespace {

constexpr std::string_view kNet = "NetConnections";
constexpr std::string_view kDialUpValue = "dialup", kPermanentValue = "tcp", kInternalValue = "internal";

// --- Select connection type -------------------------------------------------

using TypeIds = res::tmadmin32::ConnectionTypePage;

class ConnectionTypePage : public SettingsPage {
 public:
  explicit ConnectionTypePage(std::shared_ptr<ConnectionChoice> choice)
      : SettingsPage("Select method to connect to your external mail servers..."),
        choice_(std::move(choice)) {
    ValueRef type;
    type.read = [] {
      switch (StoredConnection(ServerSettingsFile())) {
        case Connection::InternalOnly:
          return std::string(kInternalValue);
        case Connection::DialUp:
          return std::string(kDialUpValue);
        case Connection::Permanent:
          break;
      }
      return std::string(kPermanentValue);
    };
    type.write = [this](const std::string& value) {
      Write(kNet, "NetMailOnly", value == kInternalValue ? "1" : "0");
      Write(kNet, "Use95DUN", value == kDialUpValue ? "-1" : "0");
    };
    form_.Radio({{TypeIds::kDialUp, std::string(kDialUpValue)},
                 {TypeIds::kPermanent, std::string(kPermanentValue)},
                 {TypeIds::kInternalOnly, std::string(kInternalValue)}},
                type);
    form_.Flag(TypeIds::kShowCommsLog, Key("Maillog", "AutoDisplay", "None"), kMinusOneZero);
    form_.Flag(TypeIds::kCloseCommsLog, Key("Maillog", "CloseCommsLog", "None"), kMinusOneZero);
    form_.Flag(TypeIds::kWarnRoot, Key("warnings", "connect-fail", "-1"), kMinusOneZero);
  }

 private:
  Connection Chosen() const {
    if (IsDlgButtonChecked(page(), TypeIds::kInternalOnly) == BST_CHECKED) return Connection::InternalOnly;
    if (IsDlgButtonChecked(page(), TypeIds::kDialUp) == BST_CHECKED) return Connection::DialUp;
    return Connection::Permanent;
  }

  void Follow() {
    choice_->shown = true;
    choice_->choice = Chosen();
    const bool logs = choice_->choice != Connection::InternalOnly;
    for (int id : {TypeIds::kShowCommsLog, TypeIds::kCloseCommsLog, TypeIds::kWarnRoot})
      EnableDlgItem(page(), id, logs);
  }

  void Loaded() override { Follow(); }

  void Command(int id, unsigned code) override {
    if (code != BN_CLICKED) return;
    if (id != TypeIds::kDialUp && id != TypeIds::kPermanent && id != TypeIds::kInternalOnly) return;
    Follow();
    if (choice_->choice == Connection::InternalOnly)
      SetSheetHint(sheet(), "Internal mail support only selected - DUN connection is disabled ...");
  }

  std::shared_ptr<ConnectionChoice> choice_;
};

// --- Configure dialup networking -------------------------------------------

using DunIds = res::tmadmin32::DialupPage;

class DialupPage : public SettingsPage {
 public:
  explicit DialupPage(std::shared_ptr<const ConnectionChoice> choice)
      : SettingsPage("Configure your dial-up connection (RAS/DUN)..."), choice_(std::move(choice)) {
    // Bound in the order the apply writes them.
    form_.Flag(DunIds::kAutoDisconnect, Key(kNet, "autodisconnectdun", "-1"), kMinusOneZero);
    form_.Flag(DunIds::kUnloadHandler, Key(kNet, "CloseDunOnExit", "0"), kMinusOneZero);
    // The remote utility has no phonebook of the server's: the list stays
    // empty there and the stored entry is left alone. So it is when the
    // entry is not in the list: an entry is replaced only by one chosen.
    if (App().role == Role::SupportModule) {
      ValueRef entry = Key(kNet, "95DUNconnection", "");
      entry.write = [this](const std::string& chosen) {
        if (!chosen.empty()) Write(kNet, "95DUNconnection", chosen);
      };
      form_.Selection(DunIds::kEntries, entry);
    }
    form_.Integer(DunIds::kRetries, Key(kNet, "busyretries", "3"), 0, 10, DunIds::kRetriesSpin);
    form_.Integer(DunIds::kRetryWait, Key(kNet, "busyretrytime", "15"), 5, 240, DunIds::kRetryWaitSpin);
    form_.Integer(DunIds::kTimeout, Key(kNet, "DUNTimeout", "120"), 15, 240, DunIds::kTimeoutSpin);
    ValueRef status;
    status.read = [] {
      const auto ini = ServerSettingsFile();
      const bool window = GetProfileInt(ini, "corv-Dun32", "showmsdialogs", 1) != 0;
      const bool log = ParseProfileInt(GetProfileString(ini, "Maillog", "autodisplay", "None")) != 0;
      return std::string(window && log ? "1" : "0");
    };
    status.write = [this](const std::string& on) {
      Write("corv-Dun32", "showmsdialogs", on == "1" ? "1" : "0");
      Write("Maillog", "autodisplay", on == "1" ? "-1" : "0");
    };
    form_.Flag(DunIds::kShowStatus, status, kOneZero);
  }

 private:
  void Prepare() override {
    if (App().role == Role::SupportModule) ListDialupEntries(GetDlgItem(page(), DunIds::kEntries));
  }

  void Shown() override {
    const bool dialUp = choice_->Current(ServerSettingsFile()) == Connection::DialUp;
    for (int id : {DunIds::kAutoDisconnect, DunIds::kShowStatus, DunIds::kEntries, DunIds::kUnloadHandler,
                   DunIds::kTimeout, DunIds::kTimeoutSpin, DunIds::kRetries, DunIds::kRetriesSpin,
                   DunIds::kRetryWait, DunIds::kRetryWaitSpin})
      EnableDlgItem(page(), id, dialUp);
    SetDlgItemText(page(), DunIds::kStatus,
                   dialUp ? "Select the options you prefer for dial-up networking..."
                          : "Dial-up is disabled as you have internal mail or TCP connection selected...");
  }

  std::shared_ptr<const ConnectionChoice> choice_;
};

}  // namespace

Connection StoredConnection(const std::filesystem::path& settingsFile) {
  if (GetProfileString(settingsFile, kNet, "NetMailOnly", "0") == "1") return Connection::InternalOnly;
  return GetProfileString(settingsFile, kNet, "Use95DUN", "0") == "-1" ? Connection::DialUp
                                                                       : Connection::Permanent;
}

PROPSHEETPAGE MakeConnectionTypePage(std::shared_ptr<ConnectionChoice> choice) {
  return SettingsPage::Make(std::make_shared<ConnectionTypePage>(std::move(choice)), TypeIds::kTemplate);
}

PROPSHEETPAGE MakeDialupPage(std::shared_ptr<const ConnectionChoice> choice) {
  return SettingsPage::Make(std::make_shared<DialupPage>(std::move(choice)), DunIds::kTemplate);
}

}  // namespace tellmar::admin
