// The Options sheet played in the dialog driver: each page's keys, the
// footnote file and the master password.
#include "admin/config/options_sheet.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "admin/shell/admin_state.h"
#include "common/profile.h"
#include "common/scramble.h"
#include "platform/controls.h"
#include "platform/dialog_driver.h"
#include "platform/loop.h"
#include "platform/propsheet.h"
#include "resources/tmadmin32/options_ids.h"
#include "tests/unit/common/temp_dir.h"

using namespace tellmar;
using namespace tellmar::admin;
using FootIds = res::tmadmin32::FootnotePage;
using PortIds = res::tmadmin32::PortsPage;
using LogIds = res::tmadmin32::LogfilesPage;
using IntranetIds = res::tmadmin32::IntranetAdminPage;
using ExternalIds = res::tmadmin32::ExternalAdminPage;

namespace {

enum Tab { kFootnote, kPorts, kLogfiles, kIntranet, kExternal };

HWND Page(HWND sheet) { return PropSheet_GetCurrentPageHwnd(sheet); }
HWND Control(HWND sheet, int id) { return GetDlgItem(Page(sheet), id); }

class OptionsSheetTest : public ::testing::Test {
 protected:
  OptionsSheetTest() {
    App().serverSettingsPath = ini_.string();
    App().serverDir = dir_.path().string();
    App().role = Role::SupportModule;
  }
  void Settings(const std::string& text) { std::ofstream(ini_, std::ios::binary) << text; }
  static std::string Read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string Key(const char* section, const char* key) { return GetProfileString(ini_, section, key, "(none)"); }

  // Steps on the sheet: show a tab, act on a control of the shown page.
  static DialogDriver& ShowTab(DialogDriver& d, Tab tab) {
    return d.Then([tab](HWND sheet) { EXPECT_TRUE(PropSheet_SetCurSel(sheet, tab)); });
  }
  static DialogDriver& Type(DialogDriver& d, int id, std::string text) {
    return d.Then([id, text](HWND sheet) { EXPECT_TRUE(UserSetText(Control(sheet, id), text)) << id; });
  }
  static DialogDriver& Click(DialogDriver& d, int id) {
    return d.Then([id](HWND sheet) { EXPECT_TRUE(UserClick(Control(sheet, id))) << id; });
  }
  static DialogDriver& Press(DialogDriver& d, int sheetButton) {
    return d.Then([sheetButton](HWND sheet) { EXPECT_TRUE(UserClick(GetDlgItem(sheet, sheetButton))); });
  }
  void Run(DialogDriver& driver) {
    driver.Run([this] {
      RunOptionsSheet(0, guard_);
      return IDOK;
    });
    EXPECT_TRUE(driver.failures().empty()) << driver.failures().front();
  }

  tellmar::testing::TempDir dir_;
  std::filesystem::path ini_ = dir_ / "tmhub.ini";
  Loop loop_;
  DialogGuard guard_;
};

TEST_F(OptionsSheetTest, PortsAreCheckedResetAndStored) {
  Settings("[popsrv]\r\nport=1110\r\nbind=-1\r\n[smtpsrv]\r\nport=8025\r\n[log]\r\nmaxsize=32\r\n");
  DialogDriver driver;
  ShowTab(driver, kPorts).Then([](HWND sheet) {
    EXPECT_EQ(GetWindowText(Control(sheet, PortIds::kPopPort)), "1110");
    EXPECT_EQ(GetWindowText(Control(sheet, PortIds::kSmtpPort)), "8025") << "beyond the spin, kept";
    EXPECT_EQ(IsDlgButtonChecked(Page(sheet), PortIds::kPopBind), BST_UNCHECKED) << "only 1 binds";
    EXPECT_EQ(IsDlgButtonChecked(Page(sheet), PortIds::kSmtpBind), BST_CHECKED);
  });
  Type(driver, PortIds::kPopPort, "70000");
  Press(driver, IDC_SHEET_APPLY);
  driver.op().QueueBox(IDOK);
  Click(driver, PortIds::kResetDefaults).Then([](HWND sheet) {
    EXPECT_EQ(GetWindowText(Control(sheet, PortIds::kPopPort)), "110");
    EXPECT_EQ(IsDlgButtonChecked(Page(sheet), PortIds::kPopBind), BST_CHECKED);
  });
  Type(driver, PortIds::kPopPort, "4110");
  Type(driver, PortIds::kTimeout, "12");
  ShowTab(driver, kLogfiles);
  Type(driver, LogIds::kFileName, "srv.log");
  Press(driver, IDOK);
  Run(driver);
  ASSERT_EQ(driver.op().shown().size(), 1u);
  EXPECT_EQ(driver.op().shown()[0].caption, "Invalid port");
  EXPECT_EQ(Key("popsrv", "port"), "4110");
  EXPECT_EQ(Key("popsrv", "bind"), "1");
  EXPECT_EQ(Key("popsrv", "timeout"), "12");
  EXPECT_EQ(Key("smtpsrv", "port"), "25") << "reset";
  EXPECT_EQ(Key("outports", "pop3"), "110");
  EXPECT_EQ(Key("environment", "RemoteUpdate"), "-1");
  EXPECT_EQ(Key("log", "fname"), "srv.log");
  EXPECT_EQ(Key("log", "maxsize"), "32") << "a value beyond the spin's range is kept";
  EXPECT_EQ(Key("log", "daily"), "0");
}

TEST_F(OptionsSheetTest, AnUntouchedSheetLeavesTheFilesAlone) {
  Settings("[Environment]\r\nSERVERPW=\r\n");
  DialogDriver driver;
  for (Tab tab : {kFootnote, kPorts, kLogfiles, kIntranet, kExternal}) ShowTab(driver, tab);
  Press(driver, IDOK);
  Run(driver);
  EXPECT_EQ(Read(ini_), "[Environment]\r\nSERVERPW=\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "FOOTER.TXT"));
}

TEST_F(OptionsSheetTest, TheFootnoteIsReadInAnyCaseAndReplacedWhole) {
  std::ofstream(dir_ / "footer.txt", std::ios::binary) << "Old words\r\n";
  DialogDriver driver;
  driver.Then([](HWND sheet) {
    EXPECT_EQ(GetWindowText(Control(sheet, FootIds::kFootnote)), "Old words\r\n");
    EXPECT_EQ(IsDlgButtonChecked(Page(sheet), FootIds::kAppend), BST_UNCHECKED);
  });
  Click(driver, FootIds::kAppend);
  Type(driver, FootIds::kFootnote, "-- \r\nSent from the office\r\n");
  Press(driver, IDOK);
  Run(driver);
  EXPECT_EQ(Read(dir_ / "footer.txt"), "-- \r\nSent from the office\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "FOOTER.TXT")) << "the file found is the file written";
  EXPECT_EQ(Key("footer", "append"), "-1");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 2) << "no temporary file left";
}

TEST_F(OptionsSheetTest, AFootnoteThatCannotBeSavedKeepsTheSheetOpen) {
  const auto server = dir_ / "server";  // not there yet: the file cannot be made
  App().serverDir = server.string();
  DialogDriver driver;
  driver.Then([](HWND sheet) {
    EXPECT_EQ(GetWindowText(Control(sheet, FootIds::kFootnote)), "Add your footnote here...");
  });
  Type(driver, FootIds::kFootnote, "Thanks");
  Press(driver, IDOK);
  driver.op().QueueBox(IDOK);
  driver.op().QueueBox(IDOK);
  driver.Then([server](HWND sheet) {
    EXPECT_EQ(GetWindowText(Control(sheet, FootIds::kFootnote)), "Thanks") << "nothing typed is lost";
    std::filesystem::create_directory(server);
  });
  Press(driver, IDOK);
  Run(driver);
  const auto& shown = driver.op().shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, "Failed to create file, error 2...");
  EXPECT_EQ(shown[1].text, "Error occured saving footer text");
  EXPECT_EQ(Read(server / "FOOTER.TXT"), "Thanks");
}

TEST_F(OptionsSheetTest, TheMasterPasswordIsShownOnRequestAndStoredScrambled) {
  Settings("[ENVIRONMENT]\r\nSERVERPW=" + Scramble("KQZVRLM", "old-secret") + "\r\n[RemoteAdmin]\r\nAllowSingleCreate=-1\r\n");
  DialogDriver driver;
  ShowTab(driver, kExternal).Then([](HWND sheet) {
    EXPECT_EQ(GetWindowText(Control(sheet, ExternalIds::kPassword)), "old-secret");
    EXPECT_EQ(SendMessage(Control(sheet, ExternalIds::kPassword), EM_GETPASSWORDCHAR, 0, 0), '*');
  });
  Click(driver, ExternalIds::kShowPassword).Then([](HWND sheet) {
    EXPECT_EQ(SendMessage(Control(sheet, ExternalIds::kPassword), EM_GETPASSWORDCHAR, 0, 0), 0);
    EXPECT_EQ(GetWindowText(Control(sheet, ExternalIds::kShowPassword)), "Hide &Password");
  });
  Type(driver, ExternalIds::kPassword, "new secret");
  Press(driver, IDOK);
  driver.op().QueueBox(IDOK);
  Type(driver, ExternalIds::kPassword, "new-secret");
  // Administration by mail off closes its tasks.
  ShowTab(driver, kIntranet).Then([](HWND sheet) {
    EXPECT_EQ(IsDlgButtonChecked(Page(sheet), IntranetIds::kSingleCreate), BST_CHECKED);
    EXPECT_TRUE(IsWindowEnabled(Control(sheet, IntranetIds::kTransport)));
  });
  Click(driver, IntranetIds::kRemoteEnabled).Then([](HWND sheet) {
    EXPECT_FALSE(IsWindowEnabled(Control(sheet, IntranetIds::kTransport)));
  });
  Press(driver, IDOK);
  Run(driver);
  ASSERT_EQ(driver.op().shown().size(), 1u);
  EXPECT_EQ(driver.op().shown()[0].caption, "Invalid Password");
  EXPECT_EQ(driver.op().shown()[0].text, "Passwords cannot contain spaces");
  EXPECT_EQ(Key("Environment", "SERVERPW"), Scramble("KQZVRLM", "new-secret"));
  EXPECT_EQ(Key("RemoteAdmin", "RemoteEnabled"), "0");
  EXPECT_EQ(Key("RemoteAdmin", "AllowChangePW"), "-1");
}

}  // namespace
