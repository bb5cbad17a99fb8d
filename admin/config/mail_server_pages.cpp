// "Incoming mail" (the provider's POP3 mailbox) and "Outgoing mail" (the
// SMTP gateways).
#include <initializer_list>

#include "admin/config/gateway_list.h"
#include "admin/config/internet_pages.h"
#include "admin/config/settings_page.h"
#include "admin/shell/admin_state.h"
#include "common/profile.h"
#include "common/scramble.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "resources/tmadmin32/internet_sheet_ids.h"

namespace tellmar::admin {
namespace {

// --- Incoming mail -----------------------------------------------------------

using InIds = res::tmadmin32::IncomingPage;
constexpr std::string_view kPasswordKeyWord = "KQZVRLM";
constexpr std::size_t kFieldMax = 255;

class IncomingMailPage : public SettingsPage {
 public:
  IncomingMailPage()
      : SettingsPage("Setup the pop3 information to allow collection of mail from your external mailbox...") {
    form_.Text(InIds::kPopHost, Key("NetMailServer", "POPHost", ""), kFieldMax);
    form_.Text(InIds::kPopUser, Key("NetMailServer", "POPuser", ""), kFieldMax);
    form_.Text(InIds::kPopPassword,
               Key(
                   "NetMailServer", "POPpassword", "",
                   [](const std::string& stored) { return Unscramble(kPasswordKeyWord, stored); },
                   [](const std::string& shown) { return Scramble(kPasswordKeyWord, shown); }),
               kFieldMax);
    // Checked means "0": the mail is not deleted on the server.
    form_.Flag(InIds::kLeaveOnServer,
               Key(
                   "Netmailserver", "POPdeleteServerMail", "-1",
                   [](const std::string& stored) { return std::string(stored == "0" ? "1" : "0"); },
                   [](const std::string& leave) { return std::string(leave == "1" ? "0" : "-1"); }),
               kOneZero);
    form_.Flag(InIds::kUseEnv, Key("Netmailserver", "UseENV", "-1"), kMinusOneZero);
  }

 private:
  bool Check() override {
    if (GetDlgItemText(page(), InIds::kPopPassword).find(' ') == std::string::npos) return true;
    Refuse(page(), InIds::kPopPassword, "Invalid Password", "Passwords cannot contain spaces", MB_ICONSTOP);
    return false;
  }
};

// --- Outgoing mail -----------------------------------------------------------

using OutIds = res::tmadmin32::OutgoingPage;
enum GatewayMode { kBrowsing, kAdding };

const ModeTable kGatewayModes = {
    {kBrowsing,
     {OutIds::kGateways, OutIds::kAddGateway, OutIds::kDeleteGateway, OutIds::kSetDefault, OutIds::kCycle,
      OutIds::kDefaultGateway},
     {}},
    {kAdding,
     {OutIds::kNewGateway, OutIds::kSaveGateway, OutIds::kCancelGateway},
     {OutIds::kGateways, OutIds::kAddGateway, OutIds::kDeleteGateway, OutIds::kSetDefault, OutIds::kCycle,
      OutIds::kDefaultGateway}},
};

bool Blank(std::string_view text) { return text.find_first_not_of(" \t") == std::string_view::npos; }

class OutgoingMailPage : public SettingsPage {
 public:
  OutgoingMailPage() : SettingsPage("Setup your server details for outgoing external mail (SMTP)...") {
    form_.Flag(OutIds::kCycle, Key(kGatewaySection, "GateWayCycle", "0"), kMinusOneZero);
    // The remote utility announces the change; the support module runs
    // beside the main server, which is told otherwise.
    announce_ = App().role == Role::RemoteConfiguration;
  }

 private:
  HWND List() const { return GetDlgItem(page(), OutIds::kGateways); }

  void Loaded() override {
    const auto ini = ServerSettingsFile();
    const std::string defaultGateway = GetProfileString(ini, kGatewaySection, "Mailserver0", "");
    SetDlgItemText(page(), OutIds::kDefaultGateway, defaultGateway);
    for (const std::string& gateway : ReadGateways(ini)) ListBox_AddString(List(), gateway);
    ListBox_SetCurSel(List(), ListBox_FindStringExact(List(), -1, defaultGateway));
  }

  void ShowNewField(bool show) {
    for (int id :
         {OutIds::kNewGatewayLabel, OutIds::kNewGateway, OutIds::kSaveGateway, OutIds::kCancelGateway})
      ShowDlgItem(page(), id, show);
    ApplyMode(page(), kGatewayModes, show ? kAdding : kBrowsing);
  }

  void Command(int id, unsigned code) override {
    switch (id) {
      case OutIds::kAddGateway:
        ShowNewField(true);
        SetFocus(GetDlgItem(page(), OutIds::kNewGateway));
        break;
      case OutIds::kSaveGateway: {
        // A blank name would be stored as an empty key, which ends the list
        // for every reader and hides the gateways after it.
        const std::string name = GetDlgItemText(page(), OutIds::kNewGateway);
        if (!Blank(name)) {
          ListBox_SetCurSel(List(), ListBox_AddString(List(), name));
          Changed();
        }
        SetDlgItemText(page(), OutIds::kNewGateway, "");
        ShowNewField(false);
        break;
      }
      case OutIds::kCancelGateway:
        SetDlgItemText(page(), OutIds::kNewGateway, "");
        ShowNewField(false);
        break;
      case OutIds::kDeleteGateway: {
        const int row = ListBox_GetCurSel(List());
        if (row < 0) break;
        ListBox_DeleteString(List(), row);
        const int count = ListBox_GetCount(List());
        if (count > 0) ListBox_SetCurSel(List(), row < count ? row : count - 1);
        Changed();
        break;
      }
      case OutIds::kGateways:
        if (code == LBN_DBLCLK) MakeDefault();
        break;
      case OutIds::kSetDefault:
        MakeDefault();
        break;
    }
  }

  void MakeDefault() {
    const int row = ListBox_GetCurSel(List());
    if (row < 0) return;
    SetDlgItemText(page(), OutIds::kDefaultGateway, ListBox_GetText(List(), row));
    Changed();
  }

  void Store() override {
    std::vector<std::string> gateways;
    for (int i = 0; i < ListBox_GetCount(List()); ++i) gateways.push_back(ListBox_GetText(List(), i));
    const GatewayKeys plan = PlanGatewayKeys(GetProfileKeyNames(ServerSettingsFile(), kGatewaySection),
                                             GetDlgItemText(page(), OutIds::kDefaultGateway), gateways);
    for (const std::string& key : plan.deleted) DeleteKey(kGatewaySection, key);
    for (const auto& [key, value] : plan.written) Write(kGatewaySection, key, value);
  }
};

}  // namespace

PROPSHEETPAGE MakeIncomingMailPage() {
  return SettingsPage::Make(std::make_shared<IncomingMailPage>(), InIds::kTemplate);
}

PROPSHEETPAGE MakeOutgoingMailPage() {
  return SettingsPage::Make(std::make_shared<OutgoingMailPage>(), OutIds::kTemplate);
}

}  // namespace tellmar::admin
