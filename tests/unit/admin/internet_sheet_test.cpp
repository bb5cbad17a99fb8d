// The server configuration sheet played in the dialog driver: what each page
// shows from tmhub.ini, what it refuses, and the keys an apply writes.
#include "admin/config/internet_sheet.h"

#include <sys/stat.h>

#include <chrono>

#include "admin/config/gateway_list.h"
#include "common/scramble.h"
#include "resources/tmadmin32/internet_sheet_ids.h"
#include "tests/unit/admin/admin_fixture.h"

using namespace tellmar;
using namespace tellmar::admin;
namespace fs = std::filesystem;
namespace ids = res::tmadmin32;

namespace {

enum PageIndex { kTypePage, kDialupPage, kIncomingPage, kOutgoingPage, kOptionsPage, kDomainPage, kTimePage };

class InternetSheetTest : public tellmar::testing::AdminTest {
 protected:
  InternetSheetTest() {
    SetServerDirectory(dir_.path().string());
    App().workingDir = dir_.path();
    App().programDir.clear();
    App().role = Role::SupportModule;
  }
  ~InternetSheetTest() override { App().role = Role::SupportModule; }

  // Shows a page and does something on it.
  DialogDriver& On(DialogDriver& d, int index, std::function<void(HWND page)> act) {
    return d.Then([index, act = std::move(act)](HWND sheet) {
      EXPECT_TRUE(PropSheet_SetCurSel(sheet, index));
      act(PropSheet_GetCurrentPageHwnd(sheet));
    });
  }
  // Ends the sheet with a button of its own (OK or Cancel).
  void Run(DialogDriver& d, int button = IDOK) { PlaySheet(d, RunInternetSheet, button); }
};

bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }
bool Enabled(HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)); }
std::string Hint(HWND page) { return GetDlgItemText(GetSheet(page), IDC_SHEET_HINT); }
void Click(HWND page, int id) { EXPECT_TRUE(UserClick(GetDlgItem(page, id))) << id; }
void Type(HWND page, int id, const std::string& text) {
  EXPECT_TRUE(UserSetText(GetDlgItem(page, id), text)) << id;
}

using Type_ = ids::ConnectionTypePage;
using Dun = ids::DialupPage;
using In = ids::IncomingPage;
using Out = ids::OutgoingPage;
using Opt = ids::ServerOptionsPage;
using Time = ids::TimeServerPage;

TEST_F(InternetSheetTest, TheStoredConnectionTypeDecidesTheRadioAndTheDialupPage) {
  struct Row {
    const char* keys;
    int radio;
    bool dialUp;
  };
  const Row rows[] = {
      {"NetMailOnly=1\r\nUse95DUN=-1\r\n", Type_::kInternalOnly, false},
      {"NetMailOnly=0\r\nUse95DUN=-1\r\n", Type_::kDialUp, true},
      {"NetMailOnly=0\r\nUse95DUN=1\r\n", Type_::kPermanent, false},
      {"", Type_::kPermanent, false},
  };
  for (const Row& row : rows) {
    Settings(std::string("[NetConnections]\r\n") + row.keys);
    DialogDriver driver;
    // The dial-up page first: the connection page has not been shown yet.
    On(driver, kDialupPage, [&](HWND page) {
      EXPECT_EQ(Enabled(page, Dun::kEntries), row.dialUp) << row.keys;
      EXPECT_EQ(Enabled(page, Dun::kTimeoutSpin), row.dialUp) << row.keys;
      EXPECT_EQ(GetDlgItemText(page, Dun::kStatus),
                row.dialUp ? "Select the options you prefer for dial-up networking..."
                           : "Dial-up is disabled as you have internal mail or TCP connection selected...");
    });
    On(driver, kTypePage, [&](HWND page) {
      EXPECT_EQ(Hint(page), "Select method to connect to your external mail servers...");
      for (int id : {Type_::kDialUp, Type_::kPermanent, Type_::kInternalOnly})
        EXPECT_EQ(Checked(page, id), id == row.radio) << row.keys << " radio " << id;
      EXPECT_EQ(Enabled(page, Type_::kShowCommsLog), row.radio != Type_::kInternalOnly);
    });
    Run(driver, IDCANCEL);
  }
}

TEST_F(InternetSheetTest, InternalOnlyDisablesTheDialupAndInternetOptionsAndIsStored) {
  Settings(
      "[NetConnections]\r\nNetMailOnly=0\r\nUse95DUN=-1\r\n[Environment]\r\nurgent=-1\r\narchivein=-1\r\n");
  DialogDriver driver;
  On(driver, kTypePage, [](HWND page) {
    EXPECT_FALSE(Checked(page, Type_::kShowCommsLog)) << "AutoDisplay missing reads as None: off";
    EXPECT_TRUE(Checked(page, Type_::kWarnRoot)) << "connect-fail defaults to on";
    EXPECT_TRUE(UserSetCheck(GetDlgItem(page, Type_::kInternalOnly), 1));
    EXPECT_FALSE(Checked(page, Type_::kDialUp));
    for (int id : {Type_::kShowCommsLog, Type_::kCloseCommsLog, Type_::kWarnRoot})
      EXPECT_FALSE(Enabled(page, id));
    EXPECT_EQ(Hint(page), "Internal mail support only selected - DUN connection is disabled ...");
  });
  // The pages after it follow the choice before it is applied.
  On(driver, kDialupPage, [](HWND page) {
    EXPECT_FALSE(Enabled(page, Dun::kAutoDisconnect));
    EXPECT_EQ(GetDlgItemText(page, Dun::kStatus),
              "Dial-up is disabled as you have internal mail or TCP connection selected...");
  });
  On(driver, kOptionsPage, [](HWND page) {
    EXPECT_EQ(Hint(page), "Choose how you want your server to work...");
    for (int id : {Opt::kUrgent, Opt::kGetMailOnUrgent, Opt::kArchiveIn, Opt::kArchiveOut, Opt::kGoOnline}) {
      EXPECT_FALSE(Checked(page, id)) << id;
      EXPECT_FALSE(Enabled(page, id)) << id;
    }
    EXPECT_FALSE(Enabled(page, Opt::kStartProxy)) << "no prtlow in the server directory";
    EXPECT_TRUE(Checked(page, Opt::kLoadPop3));
  });
  On(driver, kTypePage, [](HWND page) { EXPECT_TRUE(UserSetCheck(GetDlgItem(page, Type_::kDialUp), 1)); });
  On(driver, kTypePage,
     [](HWND page) { EXPECT_TRUE(UserSetCheck(GetDlgItem(page, Type_::kInternalOnly), 1)); });
  Run(driver);
  ExpectKeys("NetConnections", {{"NetMailOnly", "1"}, {"Use95DUN", "0"}});
  EXPECT_EQ(Key("Maillog", "AutoDisplay"), "0");
  EXPECT_EQ(Key("warnings", "connect-fail"), "-1");
  EXPECT_EQ(Key("environment", "RemoteUpdate"), "-1");
  EXPECT_EQ(Key("Environment", "urgent"), "-1") << "the options page was not changed: not written";
}

TEST_F(InternetSheetTest, ServerOptionsAreWrittenAsFlagsAndTheProxyBoxesNeedPrtlow) {
  Settings("[Environment]\r\nCloseWebServer=1\r\n");
  std::ofstream(dir_ / "PRTLOW") << "x";
  DialogDriver driver;
  On(driver, kOptionsPage, [](HWND page) {
    EXPECT_TRUE(Enabled(page, Opt::kStartProxy));
    EXPECT_TRUE(Checked(page, Opt::kCloseProxy)) << "a stored 1 is on";
    EXPECT_TRUE(Enabled(page, Opt::kUrgent));
    Click(page, Opt::kBackupOnClose);
  });
  Run(driver);
  ExpectKeys("Environment", {{"CloseWebServer", "-1"}, {"SaveIniOnClosedown", "0"}, {"urgent", "-1"}});
  EXPECT_EQ(Key("Startup", "goonline"), "0");
  EXPECT_EQ(Key("environment", "RemoteUpdate"), "-1");
}

TEST_F(InternetSheetTest, DialupOptionsAreStoredAsTypedWithTheStatusWindowPair) {
  Settings(
      "[NetConnections]\r\nUse95DUN=-1\r\n95DUNconnection=Office\r\n[corv-Dun32]\r\nshowmsdialogs=1\r\n"
      "[Maillog]\r\nautodisplay=-1\r\n");
  DialogDriver driver;
  On(driver, kDialupPage, [](HWND page) {
    EXPECT_EQ(Hint(page), "Configure your dial-up connection (RAS/DUN)...");
    EXPECT_TRUE(Checked(page, Dun::kShowStatus));
    EXPECT_TRUE(Checked(page, Dun::kAutoDisconnect));
    EXPECT_EQ(GetDlgItemText(page, Dun::kTimeout), "120");
    EXPECT_EQ(GetDlgItemText(page, Dun::kRetries), "3");
    EXPECT_EQ(GetDlgItemText(page, Dun::kRetryWait), "15");
    const LRESULT range = SendDlgItemMessage(page, Dun::kTimeoutSpin, UDM_GETRANGE);
    EXPECT_EQ(LOWORD(static_cast<WPARAM>(range)), 240u);
    EXPECT_EQ(HIWORD(static_cast<WPARAM>(range)), 15u);
    Type(page, Dun::kTimeout, "300");
    Type(page, Dun::kRetries, "7");
    Click(page, Dun::kShowStatus);
    Click(page, Dun::kUnloadHandler);
  });
  Run(driver);
  // The timeout as typed; no phonebook here: the entry is kept.
  ExpectKeys("NetConnections", {{"DUNTimeout", "300"}, {"busyretries", "7"}, {"busyretrytime", "15"},
                                {"CloseDunOnExit", "-1"}, {"autodisconnectdun", "-1"}, {"95DUNconnection", "Office"}});
  EXPECT_EQ(Key("corv-Dun32", "showmsdialogs"), "0");
  EXPECT_EQ(Key("Maillog", "autodisplay"), "0");
}

TEST_F(InternetSheetTest, TheRemoteUtilityNeitherListsNorWritesThePhonebookEntry) {
  App().role = Role::RemoteConfiguration;
  Settings("[NetConnections]\r\nUse95DUN=-1\r\n95DUNconnection=Office\r\n");
  DialogDriver driver;
  On(driver, kDialupPage, [](HWND page) {
    EXPECT_EQ(ComboBox_GetCount(GetDlgItem(page, Dun::kEntries)), 0);
    Click(page, Dun::kAutoDisconnect);
  });
  Run(driver);
  ExpectKeys("NetConnections", {{"autodisconnectdun", "0"}, {"95DUNconnection", "Office"}});
}

TEST_F(InternetSheetTest, IncomingMailRefusesABlankInThePasswordAndStoresItScrambled) {
  Settings("[NetMailServer]\r\nPOPHost=pop.example.net\r\nPOPpassword=" + Scramble("KQZVRLM", "old") +
           "\r\n[Netmailserver]\r\nPOPdeleteServerMail=1\r\n");
  DialogDriver driver;
  On(driver, kIncomingPage, [](HWND page) {
    EXPECT_EQ(GetDlgItemText(page, In::kPopPassword), "old");
    EXPECT_FALSE(Checked(page, In::kLeaveOnServer)) << "only \"0\" leaves the mail on the server";
    EXPECT_TRUE(Checked(page, In::kUseEnv));
    Type(page, In::kPopUser, "me");
    Type(page, In::kPopPassword, "two words");
  });
  driver.op().QueueBox(IDOK);
  driver.Then([this](HWND sheet) {
    UserClick(GetDlgItem(sheet, IDC_SHEET_APPLY));
    EXPECT_EQ(Key("NetMailServer", "POPuser"), "(none)") << "a refused apply writes nothing";
    const HWND page = PropSheet_GetCurrentPageHwnd(sheet);
    EXPECT_EQ(GetFocus(), GetDlgItem(page, In::kPopPassword));
    Type(page, In::kPopPassword, "s3cret");
    Click(page, In::kLeaveOnServer);
  });
  Run(driver);
  ASSERT_EQ(tellmar::testing::Boxes(driver.op()),
            std::vector<std::string>{"Invalid Password: Passwords cannot contain spaces"});
  EXPECT_EQ(driver.op().shown()[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONSTOP));
  ExpectKeys("NetMailServer", {{"POPuser", "me"}, {"POPpassword", Scramble("KQZVRLM", "s3cret")}});
  EXPECT_NE(Key("NetMailServer", "POPpassword"), "s3cret");
  EXPECT_EQ(Key("Netmailserver", "POPdeleteServerMail"), "0");
}

TEST(GatewayKeys, EveryNumberedKeyGoesAndTheListIsNumberedFromOne) {
  EXPECT_TRUE(IsNumberedGatewayKey("mailserver12"));
  EXPECT_FALSE(IsNumberedGatewayKey("MAILSERVER"));
  EXPECT_FALSE(IsNumberedGatewayKey("MAILSERVER1x"));
  EXPECT_FALSE(IsNumberedGatewayKey("GateWayCycle"));
  const GatewayKeys plan =
      PlanGatewayKeys({"Mailserver0", "MAILSERVER1", "MAILSERVER11", "GateWayCycle"}, "b", {"a", "b", "c"});
  EXPECT_EQ(plan.deleted, (std::vector<std::string>{"Mailserver0", "MAILSERVER1", "MAILSERVER11"}));
  EXPECT_EQ(plan.written, (std::vector<std::pair<std::string, std::string>>{
                              {"Mailserver0", "b"}, {"MAILSERVER1", "a"}, {"MAILSERVER2", "c"}}));
}

TEST_F(InternetSheetTest, AShrunkGatewayListLeavesNoOldGatewayBehind) {
  std::string text = "[Netmailserver]\r\nMailserver0=smtp0.example\r\n";
  for (int n = 1; n <= 11; ++n)
    text += "MAILSERVER" + std::to_string(n) + "=smtp" + std::to_string(n) + ".example\r\n";
  text += "MAILSERVER15=stale.example\r\n";
  Settings(text);
  ASSERT_EQ(ReadGateways(ini_).size(), 12u);
  DialogDriver driver;
  On(driver, kOutgoingPage, [](HWND page) {
    const HWND list = GetDlgItem(page, Out::kGateways);
    EXPECT_EQ(ListBox_GetCurSel(list), 0) << "the default is selected";
    EXPECT_EQ(GetDlgItemText(page, Out::kDefaultGateway), "smtp0.example");
    EXPECT_TRUE(UserSelectItem(list, 5));
    Click(page, Out::kDeleteGateway);
    EXPECT_EQ(ListBox_GetText(list, ListBox_GetCurSel(list)), "smtp6.example") << "the next one";
  });
  Run(driver);
  for (int n = 1; n <= 10; ++n)
    EXPECT_EQ(Key("Netmailserver", ("MAILSERVER" + std::to_string(n)).c_str()),
              "smtp" + std::to_string(n < 5 ? n : n + 1) + ".example");
  ExpectKeys("Netmailserver",
             {{"MAILSERVER11", "(none)"}, {"MAILSERVER15", "(none)"}, {"Mailserver0", "smtp0.example"}});
  EXPECT_EQ(ReadGateways(ini_).size(), 11u);
  EXPECT_EQ(Key("environment", "RemoteUpdate"), "(none)") << "the support module does not announce it";
}

TEST_F(InternetSheetTest, GatewaysAreAddedMadeDefaultAndDeleted) {
  App().role = Role::RemoteConfiguration;
  Settings(
      "[Netmailserver]\r\nMailserver0=a.example\r\nMAILSERVER1=b.example\r\nMAILSERVER2=\r\n"
      "MAILSERVER3=hidden.example\r\n");
  {
    DialogDriver driver;
    On(driver, kOutgoingPage, [](HWND page) {
      const HWND list = GetDlgItem(page, Out::kGateways);
      EXPECT_EQ(ListBox_GetCount(list), 2) << "an empty key ends the list";
      EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, Out::kNewGateway)));
      Click(page, Out::kAddGateway);
      EXPECT_TRUE(IsWindowVisible(GetDlgItem(page, Out::kNewGateway)));
      EXPECT_FALSE(Enabled(page, Out::kGateways));
      Type(page, Out::kNewGateway, "   ");
      Click(page, Out::kSaveGateway);  // a blank name adds nothing
      EXPECT_EQ(ListBox_GetCount(list), 2);
      EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, Out::kNewGateway)));
      Click(page, Out::kAddGateway);
      Type(page, Out::kNewGateway, "c.example:2525");
      Click(page, Out::kSaveGateway);
      EXPECT_EQ(ListBox_GetCount(list), 3);
      EXPECT_EQ(GetDlgItemText(page, Out::kNewGateway), "");
      EXPECT_TRUE(Enabled(page, Out::kGateways));
      EXPECT_TRUE(UserDoubleClickItem(list, 1));
      EXPECT_EQ(GetDlgItemText(page, Out::kDefaultGateway), "b.example");
      Click(page, Out::kCycle);
    });
    Run(driver);
  }
  ExpectKeys("Netmailserver", {{"Mailserver0", "b.example"}, {"MAILSERVER1", "a.example"},
                               {"MAILSERVER2", "c.example:2525"}, {"MAILSERVER3", "(none)"}, {"GateWayCycle", "-1"}});
  EXPECT_EQ(Key("environment", "RemoteUpdate"), "-1");

  // Every gateway deleted: the default line stays, no numbered key is left.
  DialogDriver empty;
  On(empty, kOutgoingPage, [](HWND page) {
    const HWND list = GetDlgItem(page, Out::kGateways);
    for (int i = 0; i < 5 && ListBox_GetCount(list) > 0; ++i) Click(page, Out::kDeleteGateway);
    EXPECT_EQ(ListBox_GetCount(GetDlgItem(page, Out::kGateways)), 0);
  });
  Run(empty);
  ExpectKeys("Netmailserver", {{"Mailserver0", "b.example"}, {"MAILSERVER1", "(none)"}});
}

// --- The time server page ------------------------------------------------------

TEST_F(InternetSheetTest, WithoutThePlugInTheTimePageOffersNothingAndWritesNothing) {
  Settings("[Tickvane]\r\ninstalled=0\r\ntimeserver=keep.example\r\n");
  DialogDriver driver;
  On(driver, kTimePage, [](HWND page) {
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(page, Time::kNotInstalled)));
    for (int id : {Time::kServers, Time::kChosen, Time::kActive, Time::kShowConfirm, Time::kMailClient,
                   Time::kExplanation, Time::kResetNow})
      EXPECT_FALSE(Enabled(page, id)) << id;
  });
  Run(driver);
  EXPECT_TRUE(driver.op().shown().empty()) << "the list file is not read";
  ExpectKeys("tickvane", {{"Active", "(none)"}, {"timeserver", "keep.example"}});
}

TEST_F(InternetSheetTest, TheTimeServerListSkipsEmptyLinesAndFallsBackToTheFirst) {
  Settings(
      "[TICKVANE]\r\ninstalled=1\r\nActive=1\r\nShowConfirm=-1\r\nnewusermail=1\r\ntimeserver=gone."
      "example\r\n");
  std::ofstream(dir_ / "timeservers.dat", std::ios::binary)
      << "\r\nntp1.example\r\n\n\nntp2.example\nntp3.example";
  {
    DialogDriver driver;
    On(driver, kTimePage, [](HWND page) {
      EXPECT_EQ(Hint(page), "Set up the plug-in Time Server system...");
      const HWND list = GetDlgItem(page, Time::kServers);
      ASSERT_EQ(ListBox_GetCount(list), 3);
      EXPECT_EQ(ListBox_GetText(list, 2), "ntp3.example");
      EXPECT_EQ(ListBox_GetCurSel(list), 0);
      EXPECT_EQ(GetDlgItemText(page, Time::kChosen), "ntp1.example");
      EXPECT_TRUE(Checked(page, Time::kActive));
      EXPECT_FALSE(Checked(page, Time::kShowConfirm)) << "only \"1\" is on";
      EXPECT_TRUE(Checked(page, Time::kMailClient));
      EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, Time::kNotInstalled)));
    });
    Run(driver);  // shown, not touched: still stored
  }
  ExpectKeys("tickvane", {{"timeserver", "ntp1.example"}, {"Active", "1"}, {"showconfirm", "0"}});

  DialogDriver again;
  On(again, kTimePage, [](HWND page) {
    const HWND list = GetDlgItem(page, Time::kServers);
    EXPECT_EQ(ListBox_GetCurSel(list), 0) << "the stored server is selected";
    EXPECT_TRUE(UserSelectItem(list, 2));
    EXPECT_EQ(GetDlgItemText(page, Time::kChosen), "ntp3.example");
    Click(page, Time::kActive);
    EXPECT_FALSE(Enabled(page, Time::kServers));
    EXPECT_FALSE(Enabled(page, Time::kResetNow));
  });
  Run(again);
  ExpectKeys("tickvane", {{"timeserver", "ntp3.example"}, {"Active", "0"}});
}

TEST_F(InternetSheetTest, AMissingServerListIsReportedAndKeepsTheStoredServer) {
  Settings("[Tickvane]\r\ninstalled=1\r\nActive=1\r\ntimeserver=keep.example\r\n");
  DialogDriver driver;
  driver.op().QueueBox(IDOK);
  On(driver, kTimePage, [](HWND page) { EXPECT_EQ(ListBox_GetCount(GetDlgItem(page, Time::kServers)), 0); });
  Run(driver);
  EXPECT_EQ(tellmar::testing::Boxes(driver.op()),
            std::vector<std::string>{"File not found: Can't open TimeServer Data file [" +
                                     (dir_ / "TIMESERVERS.DAT").string() + "] - errno 2"});
  ExpectKeys("tickvane", {{"timeserver", "keep.example"}, {"Active", "1"}});
}

TEST_F(InternetSheetTest, ResetTimeNowStartsTheTimeClientWithTheChosenServer) {
  Settings("[Tickvane]\r\ninstalled=1\r\nActive=1\r\ntimeserver=ntp2.example\r\n");
  std::ofstream(dir_ / "TIMESERVERS.DAT") << "ntp1.example\nntp2.example\n";
  DialogDriver driver;
  driver.op().QueueBox(IDOK);
  On(driver, kTimePage, [](HWND page) {
    Click(page, Time::kResetNow);  // no time client yet
    EXPECT_TRUE(Enabled(page, Time::kResetNow));
  });
  On(driver, kTimePage, [this](HWND page) {
    const fs::path client = dir_ / "zerariri";
    std::ofstream(client) << "#!/bin/sh\necho \"$@\" > \"" << (dir_ / "args.part").string() << "\"\nmv \""
                          << (dir_ / "args.part").string() << "\" \"" << (dir_ / "args.txt").string()
                          << "\"\n";
    ::chmod(client.c_str(), 0755);
    Click(page, Time::kResetNow);
  });
  Run(driver, IDCANCEL);
  EXPECT_EQ(tellmar::testing::Boxes(driver.op()),
            std::vector<std::string>{"Error: Error can't Execute ZERARIRI.EXE..."});
  EXPECT_TRUE(loop_.PumpUntil([this] { return fs::exists(dir_ / "args.txt"); }, std::chrono::seconds(20)));
  std::ifstream in(dir_ / "args.txt");
  std::string args;
  std::getline(in, args);
  EXPECT_EQ(args, "-v ntp2.example");
}

}  // namespace
