// The setup wizard: each page's checks in their order, played through the
// sheet as a person would, and what Finish writes.
#include "admin/config/setup_wizard.h"

#include "admin/config/setup_wizard_settings.h"
#include "admin/shell/rcu_model.h"
#include "common/scramble.h"
#include "common/user_directory.h"
#include "resources/tmadmin32/domain_page_ids.h"
#include "resources/tmadmin32/setup_wizard_ids.h"
#include "tests/unit/admin/admin_fixture.h"

using namespace tellmar;
using namespace tellmar::admin;
namespace ids = res::tmadmin32;
namespace fs = std::filesystem;

namespace {

using tellmar::testing::FileBytes;
using tellmar::testing::PageControl;
void SetText(HWND sheet, int id, const char* text) { EXPECT_TRUE(UserSetText(PageControl(sheet, id), text)) << id; }
void Next(HWND sheet) { EXPECT_TRUE(UserClick(GetDlgItem(sheet, IDC_SHEET_NEXT))); }

class SetupWizardTest : public tellmar::testing::AdminTest {
 protected:
  SetupWizardTest() {
    SetServerDirectory(dir_.path().string());
    App().workingDir = dir_.path();
    // The dial-up page lists the phonebook only in the support module.
    App().role = Role::RemoteConfiguration;
  }
  ~SetupWizardTest() override { SetServerDirectory(""); }

  bool Run(DialogDriver& driver) {
    bool finished = false;
    tellmar::testing::Play(driver, [&] {
      finished = RunSetupWizard(0, guard_);
      return IDOK;
    });
    return finished;
  }
  std::error_code Finish(const WizardChoices& c) { return FinishWizard(c, ini_, dir_.path(), {ini_, dir_.path(), ""}); }
};

TEST_F(SetupWizardTest, TheDomainPageChecksInOrder) {
  using Ids = ids::DomainPage;
  struct Row {
    bool single;
    const char* typed;
    const char* caption;
    const char* fieldAfter;
  };
  const Row rows[] = {
      {true, "", "Domain Error", ""},
      {true, "root@shop.example", "Domain Error", "root@shop.example"},
      {true, "localhost", "Domain Error", "localhost"},
      {false, "", "No root user provided", ""},
      {false, "shop.example", "Invalid Root user Address", "shop.example"},
      {false, "admin@shop", "Invalid Root user Address", "admin@shop"},
      {false, "admin@shop.example", "Invalid Root user Address", "root@shop.example"},
      {false, "myroot@shop.example", "Invalid Root user Address", "root@shop.example"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.typed);
    Settings(row.single ? "" : "[Environment]\r\nUseDomain=0\r\n");
    DialogDriver driver;
    driver.Then([&](HWND sheet) {
      EXPECT_EQ(GetWindowText(sheet), "Setup Wizard - Select domain type");
      EXPECT_FALSE(IsWindowEnabled(GetDlgItem(sheet, IDC_SHEET_BACK))) << "page 1 offers only Next";
      EXPECT_TRUE(IsWindowVisible(PageControl(sheet, Ids::kExplanation)));
      SetText(sheet, Ids::kText, row.typed);
      Next(sheet);
      EXPECT_EQ(GetWindowText(sheet), "Setup Wizard - Select domain type") << "stays on the page";
      EXPECT_EQ(GetWindowText(PageControl(sheet, Ids::kText)), row.fieldAfter);
      UserClick(GetDlgItem(sheet, IDCANCEL));
    });
    driver.op().QueueBox(IDOK);
    EXPECT_FALSE(Run(driver));
    ASSERT_EQ(tellmar::testing::Captions(driver.op()), std::vector<std::string>{row.caption});
    EXPECT_EQ(driver.op().shown()[0].type & MB_ICONSTOP, static_cast<UINT>(MB_ICONSTOP));
    EXPECT_EQ(FileBytes(ini_), row.single ? "" : "[Environment]\r\nUseDomain=0\r\n") << "cancel writes nothing";
  }
}

// Every page in turn, each check met once in its order, then Finish.
TEST_F(SetupWizardTest, EveryPageChecksInOrderAndFinishStoresTheChoices) {
  DialogDriver driver;
  driver.Then([](HWND sheet) {
    SetText(sheet, ids::DomainPage::kText, "shop.example");
    Next(sheet);
    EXPECT_EQ(GetWindowText(sheet), "Setup Wizard - Default server operations");
    EXPECT_TRUE(UserSetCheck(PageControl(sheet, ids::ServerOperationsPage::kArchiveIn), BST_CHECKED));
    Next(sheet);
    EXPECT_EQ(GetWindowText(sheet), "Setup Wizard - connecting to the Internet");
    EXPECT_TRUE(UserClick(PageControl(sheet, ids::ConnectionPage::kFullServices)));
    EXPECT_TRUE(UserClick(PageControl(sheet, ids::ConnectionPage::kNetwork)));
    Next(sheet);
    EXPECT_EQ(GetWindowText(sheet), "Setup Wizard - Setup external mail collection") << "TCP/IP needs no dial-up";
    using P = ids::MailboxPage;
    Next(sheet);                              // no server: stop box
    SetText(sheet, P::kPopHost, "mailbox");
    Next(sheet);                              // no dot or colon: No
    Next(sheet);                              // Yes, then no user ID
    SetText(sheet, P::kPopHost, "mailbox:110");   // a colon is enough: no question
    SetText(sheet, P::kPopUser, "shop");
    Next(sheet);                              // no password
    SetText(sheet, P::kPopPassword, "secret");
    EXPECT_TRUE(UserSetCheck(PageControl(sheet, P::kLeaveOnServer), BST_CHECKED));
    Next(sheet);                              // leave mail: No
    EXPECT_EQ(GetFocus(), PageControl(sheet, P::kLeaveOnServer));
    Next(sheet);                              // Yes
    EXPECT_EQ(GetWindowText(sheet), "Setup Wizard - Setup external SMTP");
    Next(sheet);                              // no gateway
    SetText(sheet, ids::SmtpPage::kGateway, "relay:25");
    Next(sheet);
    using U = ids::FirstUserPage;
    EXPECT_EQ(GetWindowText(sheet), "Setup Wizard - Add initial network user");
    Next(sheet);
    SetText(sheet, U::kRealName, "Anna Example");
    Next(sheet);
    SetText(sheet, U::kEmail, "anna@shop.example");
    Next(sheet);
    EXPECT_EQ(GetWindowText(PageControl(sheet, U::kEmail)), "anna") << "one domain: cut at the @";
    SetText(sheet, U::kPopId, "an-na");
    Next(sheet);
    SetText(sheet, U::kPopId, "annaexample");
    Next(sheet);
    SetText(sheet, U::kPopId, "anna");
    Next(sheet);
    SetText(sheet, U::kPassword, "two words");
    Next(sheet);
    SetText(sheet, U::kPassword, "anna-pw");
    Next(sheet);
    EXPECT_EQ(GetWindowText(sheet), "Setup Wizard - Congratulations!");
    EXPECT_TRUE(IsWindowVisible(PageControl(sheet, ids::ClosingPage::kExternalText)));
    EXPECT_FALSE(IsWindowVisible(PageControl(sheet, ids::ClosingPage::kInternalText)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(sheet, IDC_SHEET_NEXT)));
    EXPECT_TRUE(UserClick(GetDlgItem(sheet, IDC_SHEET_BACK)));
    EXPECT_EQ(GetWindowText(sheet), "Setup Wizard - Add initial network user");
    Next(sheet);
    EXPECT_TRUE(UserClick(GetDlgItem(sheet, IDC_SHEET_FINISH)));
  });
  for (int answer : {IDOK, IDNO, IDYES, IDOK, IDOK, IDNO, IDYES}) driver.op().QueueBox(answer);
  for (int i = 0; i < 8; ++i) driver.op().QueueBox(IDOK);
  EXPECT_TRUE(Run(driver));
  EXPECT_EQ(tellmar::testing::Captions(driver.op()),
            (std::vector<std::string>{"POP3 server Invalid", "Invalid POP3 server ?", "Invalid POP3 server ?",
                                      "POP3 ID missing", "POP3 password missing", "Mail left on server",
                                      "Mail left on server", "SMTP server Invalid", "User name not completed!",
                                      "Invalid email address", "User ID not completed!", "Mailbox ID Invalid",
                                      "Mailbox ID Invalid", "User password not completed!", "Invalid password"}));
  EXPECT_EQ(driver.op().shown()[12].text, "Please only use a maximum of 8 characters for the user id...");

  ExpectKeys("Environment", {{"Domain", "shop.example"}, {"ArchiveIn", "-1"}});
  ExpectKeys("NetConnections", {{"NetMailOnly", "0"}, {"Use95DUN", "0"}});
  // Mail is left on the server: POPdeleteServerMail 0.
  ExpectKeys("NetMailServer", {{"POPHost", "mailbox:110"}, {"POPpassword", Scramble(kRemoteAccessKeyWord, "secret")},
                               {"POPdeleteServerMail", "0"}, {"Mailserver0", "relay:25"}});
  EXPECT_EQ(Key("USER1", "ID"), "anna");
  EXPECT_EQ(PopPasswordLookup(dir_.path(), "ANNA"), "anna-pw");
  EXPECT_TRUE(PopUserCheck(dir_.path(), "anna")) << "the postmaster's record lets readers reach USER1";
  EXPECT_TRUE(fs::exists(dir_ / "anna" / "00000001.txt"));
}

TEST_F(SetupWizardTest, InternalOnlyGoesStraightToTheFirstUserAndBack) {
  DialogDriver driver;
  driver.Then([](HWND sheet) {
    SetText(sheet, ids::DomainPage::kText, "shop.example");
    Next(sheet);
    Next(sheet);
    EXPECT_TRUE(UserClick(PageControl(sheet, ids::ConnectionPage::kInternalOnly)));
    EXPECT_FALSE(IsWindowEnabled(PageControl(sheet, ids::ConnectionPage::kDialup)));
    Next(sheet);
    EXPECT_EQ(GetWindowText(sheet), "Setup Wizard - Add initial network user");
    EXPECT_TRUE(UserClick(GetDlgItem(sheet, IDC_SHEET_BACK)));
    EXPECT_EQ(GetWindowText(sheet), "Setup Wizard - connecting to the Internet");
    UserClick(GetDlgItem(sheet, IDCANCEL));
  });
  EXPECT_FALSE(Run(driver));
  EXPECT_FALSE(fs::exists(ini_)) << "cancel writes nothing";
}

// --- Finish ------------------------------------------------------------------

WizardChoices Choices(bool single, const char* domain, const char* email) {
  WizardChoices c;
  c.domain = {single, domain, false};
  c.user.realName = "Anna Example";
  c.user.email = email;
  c.user.popId = "ANNA";
  c.user.password = "anna-pw";
  return c;
}

TEST_F(SetupWizardTest, FinishOnAnEmptyServerWritesThePostmasterTooInThePartsOrder) {
  WizardChoices c = Choices(true, "shop.example", "anna@shop.example");
  c.internalOnly = true;
  c.dialup = true;
  c.dialupEntry = "ISP";
  ASSERT_FALSE(Finish(c));
  EXPECT_EQ(GetProfileSectionNames(ini_),
            (std::vector<std::string>{"Environment", "General", "startup", "NetConnections", "USER0", "USER1",
                                      "NetMailServer", "servermailstatus"}));
  ExpectKeys("Environment", {{"RootAddr", ""}, {"remoteupdate", "-1"}});
  // Internal only: no dial-up options (95DUNconnection).
  ExpectKeys("NetConnections", {{"NetMailOnly", "1"}, {"Use95DUN", "0"}, {"95DUNconnection", "(none)"}});
  EXPECT_EQ(Key("General", "INTADMINOK"), "-1");
  ExpectKeys("USER0", {{"realname", "(System Postmaster)"}, {"ID", "root"}, {"DIR", "ROOT"}, {"pw", ""}});
  ExpectKeys("USER1", {{"ID", "anna"}, {"pw", Scramble("ANNA", "anna-pw")}});
  EXPECT_EQ(Key("servermailstatus", "updated"), "1");
  EXPECT_TRUE(fs::is_directory(dir_ / "ROOT"));
  EXPECT_TRUE(PopUserCheck(dir_.path(), "root"));
  EXPECT_EQ(PopPasswordLookup(dir_.path(), "anna"), "anna-pw");
  EXPECT_NE(FileBytes(dir_ / "ANNA" / "00000001.txt").find("Your email address is <anna@shop.example>\r\n"),
            std::string::npos);
}

TEST_F(SetupWizardTest, FinishLeavesAnExistingPostmasterAsItWas) {
  const std::string postmaster = "[USER0]\r\nrealname=(System Postmaster)\r\nID=boss\r\nDIR=ROOT\r\npw=xyz\r\n";
  Settings(postmaster);
  ASSERT_FALSE(Finish(Choices(true, "shop.example", "anna")));
  EXPECT_EQ(FileBytes(ini_).substr(0, postmaster.size()), postmaster);
}

TEST_F(SetupWizardTest, FinishWithMultipleDomains) {
  // The first user is the administrator: stored as the postmaster's record.
  ASSERT_FALSE(Finish(Choices(false, "root@shop.example", "ROOT@Shop.example")));
  ExpectKeys("Environment", {{"UseDomain", "0"}, {"RootAddr", "root@shop.example"}});
  ExpectKeys("USER0", {{"realname", "Anna Example"}, {"ID", "ROOT@Shop.example"}});
  EXPECT_EQ(Key("USER1", "realname"), "(none)");
  EXPECT_EQ(PopPasswordLookup(dir_.path(), "anna"), "anna-pw");

  // Anyone else is USER1, and the postmaster's ID is the administrator's
  // address in capitals.
  fs::remove(ini_);
  ASSERT_FALSE(Finish(Choices(false, "root@shop.example", "anna@other.example")));
  ExpectKeys("USER0", {{"ID", "ROOT@SHOP.EXAMPLE"}, {"DIR", "ROOT"}});
  EXPECT_EQ(Key("USER1", "ID"), "anna@other.example");
  EXPECT_TRUE(PopUserCheck(dir_.path(), "anna"));
}

TEST_F(SetupWizardTest, TheProxyIsFoundInAnyCaseAndNeedsBothLoops) {
  EXPECT_FALSE(DetectProxy(dir_.path()));
  std::ofstream(dir_ / "PRTLOW.INI") << "[websrv]\r\nhttpval=1\r\n[LOOP0]\r\nHOST=smtp.isp\r\nInport=2525\r\n"
                                        "[LOOP1]\r\nHOST=pop.isp\r\n";
  const auto ports = DetectProxy(dir_.path());
  ASSERT_TRUE(ports);
  WizardChoices c;
  UseProxy(c, *ports, "server1");
  EXPECT_EQ(c.popHost, "server1:0");
  EXPECT_EQ(c.smtpGateway, "server1:2525");
  std::ofstream(dir_ / "PRTLOW.INI") << "[websrv]\r\nhttpval=1\r\n[LOOP0]\r\nHOST=smtp.isp\r\n";
  EXPECT_FALSE(DetectProxy(dir_.path()));
}

}  // namespace
