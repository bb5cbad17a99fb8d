// "Administrators Properties": the five switches for administration by mail.
#include "admin/config/administrators_sheet.h"

#include <gtest/gtest.h>

#include <fstream>

#include "admin/shell/admin_state.h"
#include "common/profile.h"
#include "platform/controls.h"
#include "platform/dialog_driver.h"
#include "platform/loop.h"
#include "platform/propsheet.h"
#include "resources/tmadmin32/administrators_ids.h"
#include "tests/unit/common/temp_dir.h"

using namespace tellmar;
using namespace tellmar::admin;
using Ids = res::tmadmin32::AdministrationPage;

namespace {

class AdministratorsSheetTest : public ::testing::Test {
 protected:
  AdministratorsSheetTest() {
    App().serverSettingsPath = ini_.string();
    SetServerDirectory(dir_.path().string());
  }
  std::string Key(const char* key) { return GetProfileString(ini_, "GENERAL", key, "(none)"); }
  void Run(DialogDriver& driver, int button) {
    driver.Then([button](HWND sheet) { UserClick(GetDlgItem(sheet, button)); });
    driver.Run([this] {
      RunAdministratorsSheet(0, guard_);
      return IDOK;
    });
    EXPECT_TRUE(driver.failures().empty()) << driver.failures().front();
  }

  tellmar::testing::TempDir dir_;
  std::filesystem::path ini_ = dir_ / "tmhub.ini";
  Loop loop_;
  DialogGuard guard_;
};

TEST_F(AdministratorsSheetTest, DefaultsAreShownAndStoredAtOnce) {
  DialogDriver driver;
  driver.Then([](HWND sheet) {
    EXPECT_EQ(GetWindowText(sheet), "Administrators Properties");
    EXPECT_EQ(ListBox_GetText(GetDlgItem(sheet, IDC_SHEET_TABS), 0), "Special Administration");
    EXPECT_EQ(GetDlgItemText(sheet, IDC_SHEET_HINT), "Master Settings...");
    const HWND page = PropSheet_GetCurrentPageHwnd(sheet);
    EXPECT_EQ(IsDlgButtonChecked(page, Ids::kIntAdminOk), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(page, Ids::kSaveToAdmin), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(page, Ids::kExtAdminOk), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(page, Ids::kAllowXOk), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(page, Ids::kPlainText), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(page, Ids::kEncrypted), BST_UNCHECKED);
  });
  Run(driver, IDOK);
  EXPECT_EQ(Key("IntAdminOK"), "-1");
  EXPECT_EQ(Key("ExtAdminOK"), "0");
  EXPECT_EQ(Key("SaveToAdmin"), "-1");
  EXPECT_EQ(Key("AllowXOK"), "0");
  EXPECT_EQ(Key("TMSecure"), "0");
  EXPECT_EQ(GetProfileString(ini_, "environment", "RemoteUpdate", "(none)"), "(none)");
}

TEST_F(AdministratorsSheetTest, StoredOnesBecomeMinusOneAndCancelWritesNothing) {
  std::ofstream(ini_, std::ios::binary) << "[General]\r\nIntAdminOK=0\r\nExtAdminOK=1\r\nTMSecure=1\r\n";
  {
    DialogDriver cancelled;
    cancelled.Then(
        [](HWND sheet) { UserClick(GetDlgItem(PropSheet_GetCurrentPageHwnd(sheet), Ids::kAllowXOk)); });
    Run(cancelled, IDCANCEL);
  }
  EXPECT_EQ(Key("AllowXOK"), "(none)");

  DialogDriver driver;
  driver.Then([](HWND sheet) {
    const HWND page = PropSheet_GetCurrentPageHwnd(sheet);
    EXPECT_EQ(IsDlgButtonChecked(page, Ids::kEncrypted), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(page, Ids::kExtAdminOk), BST_CHECKED);
    UserSetCheck(GetDlgItem(page, Ids::kPlainText), 1);
    UserClick(GetDlgItem(page, Ids::kAllowXOk));
  });
  Run(driver, IDOK);
  EXPECT_EQ(Key("IntAdminOK"), "0");
  EXPECT_EQ(Key("ExtAdminOK"), "-1");
  EXPECT_EQ(Key("AllowXOK"), "-1");
  EXPECT_EQ(Key("TMSecure"), "0");
}

}  // namespace
