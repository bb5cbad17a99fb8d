// "Administrators Properties": the five switches for administration by mail.
#include "admin/config/administrators_sheet.h"

#include "resources/tmadmin32/administrators_ids.h"
#include "tests/unit/admin/admin_fixture.h"

using namespace tellmar;
using namespace tellmar::admin;
using Ids = res::tmadmin32::AdministrationPage;
using tellmar::testing::ShownPage;

namespace {

class AdministratorsSheetTest : public tellmar::testing::AdminTest {
 protected:
  AdministratorsSheetTest() { SetServerDirectory(dir_.path().string()); }
  void Run(DialogDriver& driver, int button) { PlaySheet(driver, RunAdministratorsSheet, button); }
};

TEST_F(AdministratorsSheetTest, DefaultsAreShownAndStoredAtOnce) {
  DialogDriver driver;
  driver.Then([](HWND sheet) {
    EXPECT_EQ(GetWindowText(sheet), "Administrators Properties");
    EXPECT_EQ(ListBox_GetText(GetDlgItem(sheet, IDC_SHEET_TABS), 0), "Special Administration");
    EXPECT_EQ(GetDlgItemText(sheet, IDC_SHEET_HINT), "Master Settings...");
    const std::pair<int, int> states[] = {{Ids::kIntAdminOk, BST_CHECKED}, {Ids::kSaveToAdmin, BST_CHECKED},
                                          {Ids::kExtAdminOk, BST_UNCHECKED}, {Ids::kAllowXOk, BST_UNCHECKED},
                                          {Ids::kPlainText, BST_CHECKED}, {Ids::kEncrypted, BST_UNCHECKED}};
    for (const auto& [id, state] : states) EXPECT_EQ(IsDlgButtonChecked(ShownPage(sheet), id), state) << id;
  });
  Run(driver, IDOK);
  ExpectKeys("GENERAL", {{"IntAdminOK", "-1"}, {"ExtAdminOK", "0"}, {"SaveToAdmin", "-1"}, {"AllowXOK", "0"},
                         {"TMSecure", "0"}});
  EXPECT_EQ(Key("environment", "RemoteUpdate"), "(none)");
}

TEST_F(AdministratorsSheetTest, StoredOnesBecomeMinusOneAndCancelWritesNothing) {
  Settings("[General]\r\nIntAdminOK=0\r\nExtAdminOK=1\r\nTMSecure=1\r\n");
  {
    DialogDriver cancelled;
    cancelled.Then([](HWND sheet) { UserClick(GetDlgItem(ShownPage(sheet), Ids::kAllowXOk)); });
    Run(cancelled, IDCANCEL);
  }
  EXPECT_EQ(Key("GENERAL", "AllowXOK"), "(none)");

  DialogDriver driver;
  driver.Then([](HWND sheet) {
    const HWND page = ShownPage(sheet);
    EXPECT_EQ(IsDlgButtonChecked(page, Ids::kEncrypted), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(page, Ids::kExtAdminOk), BST_CHECKED);
    UserSetCheck(GetDlgItem(page, Ids::kPlainText), 1);
    UserClick(GetDlgItem(page, Ids::kAllowXOk));
  });
  Run(driver, IDOK);
  ExpectKeys("GENERAL", {{"IntAdminOK", "0"}, {"ExtAdminOK", "-1"}, {"AllowXOK", "-1"}, {"TMSecure", "0"}});
}

}  // namespace
