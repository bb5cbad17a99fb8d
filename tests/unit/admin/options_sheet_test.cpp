// The Options sheet played in the dialog driver: each page's keys, the
// footnote file and the master password.
#include "admin/config/options_sheet.h"

#include "common/scramble.h"
#include "resources/tmadmin32/options_ids.h"
#include "tests/unit/admin/admin_fixture.h"

using namespace tellmar;
using namespace tellmar::admin;
using FootIds = res::tmadmin32::FootnotePage;
using PortIds = res::tmadmin32::PortsPage;
using LogIds = res::tmadmin32::LogfilesPage;
using IntranetIds = res::tmadmin32::IntranetAdminPage;
using ExternalIds = res::tmadmin32::ExternalAdminPage;

namespace {

enum Tab { kFootnote, kPorts, kLogfiles, kIntranet, kExternal };

using tellmar::testing::FileBytes;
using tellmar::testing::PageControl;
using tellmar::testing::ShownPage;

class OptionsSheetTest : public tellmar::testing::AdminTest {
 protected:
  OptionsSheetTest() { App().role = Role::SupportModule; }

  // Steps on the sheet: show a tab, act on a control of the shown page.
  static DialogDriver& ShowTab(DialogDriver& d, Tab tab) {
    return d.Then([tab](HWND sheet) { EXPECT_TRUE(PropSheet_SetCurSel(sheet, tab)); });
  }
  static DialogDriver& Type(DialogDriver& d, int id, std::string text) {
    return d.Then([id, text](HWND sheet) { EXPECT_TRUE(UserSetText(PageControl(sheet, id), text)) << id; });
  }
  static DialogDriver& Click(DialogDriver& d, int id) {
    return d.Then([id](HWND sheet) { EXPECT_TRUE(UserClick(PageControl(sheet, id))) << id; });
  }
  static DialogDriver& Press(DialogDriver& d, int sheetButton) {
    return d.Then([sheetButton](HWND sheet) { EXPECT_TRUE(UserClick(GetDlgItem(sheet, sheetButton))); });
  }
  void Run(DialogDriver& driver) {
    tellmar::testing::Play(driver, [this] {
      RunOptionsSheet(0, guard_);
      return IDOK;
    });
  }
};

TEST_F(OptionsSheetTest, PortsAreCheckedResetAndStored) {
  Settings("[popsrv]\r\nport=1110\r\nbind=-1\r\n[smtpsrv]\r\nport=8025\r\n[log]\r\nmaxsize=32\r\n");
  DialogDriver driver;
  ShowTab(driver, kPorts).Then([](HWND sheet) {
    EXPECT_EQ(GetWindowText(PageControl(sheet, PortIds::kPopPort)), "1110");
    EXPECT_EQ(GetWindowText(PageControl(sheet, PortIds::kSmtpPort)), "8025") << "beyond the spin, kept";
    EXPECT_EQ(IsDlgButtonChecked(ShownPage(sheet), PortIds::kPopBind), BST_UNCHECKED) << "only 1 binds";
    EXPECT_EQ(IsDlgButtonChecked(ShownPage(sheet), PortIds::kSmtpBind), BST_CHECKED);
  });
  Type(driver, PortIds::kPopPort, "70000");
  Press(driver, IDC_SHEET_APPLY);
  driver.op().QueueBox(IDOK);
  Click(driver, PortIds::kResetDefaults).Then([](HWND sheet) {
    EXPECT_EQ(GetWindowText(PageControl(sheet, PortIds::kPopPort)), "110");
    EXPECT_EQ(IsDlgButtonChecked(ShownPage(sheet), PortIds::kPopBind), BST_CHECKED);
  });
  Type(driver, PortIds::kPopPort, "4110");
  Type(driver, PortIds::kTimeout, "12");
  ShowTab(driver, kLogfiles);
  Type(driver, LogIds::kFileName, "srv.log");
  Press(driver, IDOK);
  Run(driver);
  EXPECT_EQ(tellmar::testing::Captions(driver.op()), std::vector<std::string>{"Invalid port"});
  ExpectKeys("popsrv", {{"port", "4110"}, {"bind", "1"}, {"timeout", "12"}});
  EXPECT_EQ(Key("smtpsrv", "port"), "25") << "reset";
  EXPECT_EQ(Key("outports", "pop3"), "110");
  EXPECT_EQ(Key("environment", "RemoteUpdate"), "-1");
  // A value beyond the spin's range (maxsize) is kept.
  ExpectKeys("log", {{"fname", "srv.log"}, {"maxsize", "32"}, {"daily", "0"}});
}

TEST_F(OptionsSheetTest, AnUntouchedSheetLeavesTheFilesAlone) {
  Settings("[Environment]\r\nSERVERPW=\r\n");
  DialogDriver driver;
  for (Tab tab : {kFootnote, kPorts, kLogfiles, kIntranet, kExternal}) ShowTab(driver, tab);
  Press(driver, IDOK);
  Run(driver);
  EXPECT_EQ(FileBytes(ini_), "[Environment]\r\nSERVERPW=\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "FOOTER.TXT"));
}

TEST_F(OptionsSheetTest, TheFootnoteIsReadInAnyCaseAndReplacedWhole) {
  std::ofstream(dir_ / "footer.txt", std::ios::binary) << "Old words\r\n";
  DialogDriver driver;
  driver.Then([](HWND sheet) {
    EXPECT_EQ(GetWindowText(PageControl(sheet, FootIds::kFootnote)), "Old words\r\n");
    EXPECT_EQ(IsDlgButtonChecked(ShownPage(sheet), FootIds::kAppend), BST_UNCHECKED);
  });
  Click(driver, FootIds::kAppend);
  Type(driver, FootIds::kFootnote, "-- \r\nSent from the office\r\n");
  Press(driver, IDOK);
  Run(driver);
  EXPECT_EQ(FileBytes(dir_ / "footer.txt"), "-- \r\nSent from the office\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "FOOTER.TXT")) << "the file found is the file written";
  EXPECT_EQ(Key("footer", "append"), "-1");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 2) << "no temporary file left";
}

TEST_F(OptionsSheetTest, AFootnoteThatCannotBeSavedKeepsTheSheetOpen) {
  const auto server = dir_ / "server";  // not there yet: the file cannot be made
  App().serverDir = server.string();
  DialogDriver driver;
  driver.Then([](HWND sheet) {
    EXPECT_EQ(GetWindowText(PageControl(sheet, FootIds::kFootnote)), "Add your footnote here...");
  });
  Type(driver, FootIds::kFootnote, "Thanks");
  Press(driver, IDOK);
  driver.op().QueueBox(IDOK);
  driver.op().QueueBox(IDOK);
  driver.Then([server](HWND sheet) {
    EXPECT_EQ(GetWindowText(PageControl(sheet, FootIds::kFootnote)), "Thanks") << "nothing typed is lost";
    std::filesystem::create_directory(server);
  });
  Press(driver, IDOK);
  Run(driver);
  const auto& shown = driver.op().shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, "Failed to create file, error 2...");
  EXPECT_EQ(shown[1].text, "Error occured saving footer text");
  EXPECT_EQ(FileBytes(server / "FOOTER.TXT"), "Thanks");
}

TEST_F(OptionsSheetTest, TheMasterPasswordIsShownOnRequestAndStoredScrambled) {
  Settings("[ENVIRONMENT]\r\nSERVERPW=" + Scramble("KQZVRLM", "old-secret") + "\r\n[RemoteAdmin]\r\nAllowSingleCreate=-1\r\n");
  DialogDriver driver;
  ShowTab(driver, kExternal).Then([](HWND sheet) {
    EXPECT_EQ(GetWindowText(PageControl(sheet, ExternalIds::kPassword)), "old-secret");
    EXPECT_EQ(SendMessage(PageControl(sheet, ExternalIds::kPassword), EM_GETPASSWORDCHAR, 0, 0), '*');
  });
  Click(driver, ExternalIds::kShowPassword).Then([](HWND sheet) {
    EXPECT_EQ(SendMessage(PageControl(sheet, ExternalIds::kPassword), EM_GETPASSWORDCHAR, 0, 0), 0);
    EXPECT_EQ(GetWindowText(PageControl(sheet, ExternalIds::kShowPassword)), "Hide &Password");
  });
  Type(driver, ExternalIds::kPassword, "new secret");
  Press(driver, IDOK);
  driver.op().QueueBox(IDOK);
  Type(driver, ExternalIds::kPassword, "new-secret");
  // Administration by mail off closes its tasks.
  ShowTab(driver, kIntranet).Then([](HWND sheet) {
    EXPECT_EQ(IsDlgButtonChecked(ShownPage(sheet), IntranetIds::kSingleCreate), BST_CHECKED);
    EXPECT_TRUE(IsWindowEnabled(PageControl(sheet, IntranetIds::kTransport)));
  });
  Click(driver, IntranetIds::kRemoteEnabled).Then([](HWND sheet) {
    EXPECT_FALSE(IsWindowEnabled(PageControl(sheet, IntranetIds::kTransport)));
  });
  Press(driver, IDOK);
  Run(driver);
  EXPECT_EQ(tellmar::testing::Boxes(driver.op()),
            std::vector<std::string>{"Invalid Password: Passwords cannot contain spaces"});
  EXPECT_EQ(Key("Environment", "SERVERPW"), Scramble("KQZVRLM", "new-secret"));
  ExpectKeys("RemoteAdmin", {{"RemoteEnabled", "0"}, {"AllowChangePW", "-1"}});
}

}  // namespace
