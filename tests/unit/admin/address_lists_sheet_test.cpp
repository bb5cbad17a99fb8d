// The "Address/Mailing lists" sheet played in the dialog driver: the lists
// page with its editor and name dialog, and the per-list sender settings.
#include "admin/routing/address_lists_sheet.h"

#include <gtest/gtest.h>

#include <fstream>

#include "admin/shell/admin_state.h"
#include "common/profile.h"
#include "platform/controls.h"
#include "platform/dialog_driver.h"
#include "platform/loop.h"
#include "platform/propsheet.h"
#include "resources/tmadmin32/address_lists_ids.h"
#include "tests/unit/admin/sheet_help.h"
#include "tests/unit/common/temp_dir.h"

using namespace tellmar;
using namespace tellmar::admin;
using ListIds = res::tmadmin32::ListsPage;
using ReplyIds = res::tmadmin32::ReplyAddressPage;
using NameIds = res::tmadmin32::ListName;

namespace {

HWND Control(HWND sheet, int id) { return GetDlgItem(PropSheet_GetCurrentPageHwnd(sheet), id); }

// A click that opens a modal dialog is posted, so the next step runs in it.
void PostClick(HWND sheet, int id) {
  PostMessage(PropSheet_GetCurrentPageHwnd(sheet), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
              static_cast<LPARAM>(Control(sheet, id)));
}

class AddressListsSheetTest : public ::testing::Test {
 protected:
  AddressListsSheetTest() {
    App().serverSettingsPath = ini_.string();
    App().serverDir = dir_.path().string();
    App().role = Role::SupportModule;
    std::filesystem::create_directory(lists_);
    std::ofstream(lists_ / "team.lst", std::ios::binary) << "a@x.org\r\nb@x.org\r\n";
    std::ofstream(ini_, std::ios::binary) << "[ADDRESS-ALIAS]\r\nALIAS0=all@x.org -> TEAM , internal and external "
                                             "mail,1\r\n[LIST-TEAM]\r\nchange=-1\r\nfrom=news@x.org\r\n";
  }
  void Run(DialogDriver& driver) {
    driver.Then([](HWND sheet) { UserClick(GetDlgItem(sheet, IDCANCEL)); });
    driver.Run([this] {
      RunAddressListsSheet(0, guard_);
      return IDOK;
    });
    EXPECT_TRUE(driver.failures().empty()) << driver.failures().front();
  }
  std::string Bytes(const std::string& name) {
    std::ifstream in(lists_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  tellmar::testing::TempDir dir_;
  std::filesystem::path ini_ = dir_ / "tmhub.ini";
  std::filesystem::path lists_ = dir_ / "LISTS";
  Loop loop_;
  DialogGuard guard_;
};

TEST_F(AddressListsSheetTest, CreateEditSwitchAndRename) {
  DialogDriver driver;
  driver.Then([](HWND sheet) {
    EXPECT_EQ(GetWindowText(sheet), "Address/Mailing lists");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(sheet, IDOK)));
    EXPECT_EQ(GetDlgItemText(sheet, IDCANCEL), "&Close");
    EXPECT_EQ(ListBox_GetText(Control(sheet, ListIds::kLists), 0), "TEAM");
    EXPECT_EQ(GetWindowText(Control(sheet, ListIds::kCounter)), "3");
    PostClick(sheet, ListIds::kCreateList);
  });
  driver.Type(NameIds::kName, "a.b").Click(NameIds::kOk);  // refused: a period
  driver.op().QueueBox(IDOK);
  driver.Type(NameIds::kName, "sales").Click(NameIds::kOk);
  driver.Then([](HWND sheet) {
    EXPECT_EQ(ListBox_GetCount(Control(sheet, ListIds::kLists)), 2);
    EXPECT_EQ(GetWindowText(Control(sheet, ListIds::kCounter)), "1") << "an empty list is one empty line";
    EXPECT_TRUE(UserSetText(Control(sheet, ListIds::kEditor), "c@x.org\r\n"));
    EXPECT_TRUE(UserSelectItem(Control(sheet, ListIds::kLists), 0));  // asks to save: Yes
  });
  driver.op().QueueBox(IDYES);
  driver.Then([](HWND sheet) { PostClick(sheet, ListIds::kRenameList); });
  driver.Type(NameIds::kName, "crew").Click(NameIds::kOk);
  Run(driver);
  const auto& shown = driver.op().shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].caption, "Invalid file name");
  EXPECT_EQ(shown[1].caption, "Save changes");
  EXPECT_EQ(Bytes("SALES.LST"), "c@x.org\r\n");
  EXPECT_EQ(Bytes("CREW.LST"), "a@x.org\r\nb@x.org\r\n");
  EXPECT_EQ(GetProfileString(ini_, "ADDRESS-ALIAS", "ALIAS0", ""), "all@x.org -> CREW , internal and external mail,1");
  EXPECT_EQ(GetProfileString(ini_, "LIST-TEAM", "from", ""), "news@x.org") << "the list's settings stay";
}

TEST_F(AddressListsSheetTest, TheReplyPageLoadsAndSavesAList) {
  DialogDriver driver;
  driver.Then([](HWND sheet) {
    PropSheet_SetCurSel(sheet, 2);
    EXPECT_EQ(GetWindowText(Control(sheet, ReplyIds::kFrom)), "news@x.org");
    EXPECT_TRUE(IsWindowEnabled(Control(sheet, ReplyIds::kFrom)));
    EXPECT_FALSE(IsWindowEnabled(Control(sheet, ReplyIds::kSaveReply)));
    EXPECT_TRUE(UserSetCheck(Control(sheet, ReplyIds::kOriginal), 1));
    EXPECT_FALSE(IsWindowEnabled(Control(sheet, ReplyIds::kFrom)));
    EXPECT_TRUE(UserSetCheck(Control(sheet, ReplyIds::kRestrict), 1));
    EXPECT_TRUE(UserClick(Control(sheet, ReplyIds::kSaveReply)));
  });
  Run(driver);
  EXPECT_EQ(GetProfileString(ini_, "LIST-TEAM", "change", ""), "0");
  EXPECT_EQ(GetProfileString(ini_, "LIST-TEAM", "restrict", ""), "1");
  EXPECT_EQ(GetProfileString(ini_, "LIST-TEAM", "from", ""), "news@x.org");
}

TEST_F(AddressListsSheetTest, AliasesAreCheckedStoredToggledAndRemoved) {
  using AliasIds = res::tmadmin32::AddressAliasPage;
  DialogDriver driver;
  driver.Then([](HWND sheet) {
    PropSheet_SetCurSel(sheet, 1);
    EXPECT_EQ(GetWindowText(Control(sheet, AliasIds::kSource)), "all@x.org");
    EXPECT_EQ(ComboBox_GetCurSel(Control(sheet, AliasIds::kListTarget)), 1) << "TEAM";
    EXPECT_TRUE(UserClick(Control(sheet, AliasIds::kNewAddressAlias)));
    EXPECT_TRUE(UserSetText(Control(sheet, AliasIds::kSource), "sales@x"));
    EXPECT_TRUE(UserClick(Control(sheet, AliasIds::kSaveAddressAlias)));  // refused: no period
  });
  driver.op().QueueBox(IDOK);
  driver.Then([](HWND sheet) {
    EXPECT_TRUE(UserSetText(Control(sheet, AliasIds::kSource), "sales@x.org"));
    EXPECT_TRUE(UserSetCheck(Control(sheet, AliasIds::kToList), 1));
    EXPECT_TRUE(UserSelectItem(Control(sheet, AliasIds::kListTarget), 0));
    EXPECT_TRUE(UserSetCheck(Control(sheet, AliasIds::kAliasExternal), 1));
    EXPECT_TRUE(UserClick(Control(sheet, AliasIds::kSaveAddressAlias)));
    EXPECT_TRUE(UserDoubleClickItem(Control(sheet, AliasIds::kAliases), 0));  // the first goes inactive
    EXPECT_EQ(ListBox_GetItemLook(Control(sheet, AliasIds::kAliases), 0).color, RGB(128, 128, 128));
  });
  Run(driver);
  ASSERT_EQ(driver.op().shown().size(), 1u);
  EXPECT_EQ(driver.op().shown()[0].caption, "Invalid email address");
  EXPECT_EQ(GetProfileString(ini_, "ADDRESS-ALIAS", "ALIAS0", ""), "all@x.org -> TEAM , internal and external mail,0");
  EXPECT_EQ(GetProfileString(ini_, "ADDRESS-ALIAS", "ALIAS1", ""), "sales@x.org -> (ALL LOCAL USERS) , external mail only,1");
}

TEST_F(AddressListsSheetTest, RemovingTheOnlyAliasLeavesTheSectionEmpty) {
  using AliasIds = res::tmadmin32::AddressAliasPage;
  DialogDriver driver;
  driver.Then([](HWND sheet) {
    PropSheet_SetCurSel(sheet, 1);
    EXPECT_TRUE(UserClick(Control(sheet, AliasIds::kRemoveAddressAlias)));
    EXPECT_FALSE(IsWindowEnabled(Control(sheet, AliasIds::kRemoveAddressAlias)));
  });
  Run(driver);
  EXPECT_EQ(GetProfileString(ini_, "ADDRESS-ALIAS", "ALIAS0", "(none)"), "(none)");
}

}  // namespace

// Help opens the help file at the topic of the page shown.
TEST_F(AddressListsSheetTest, HelpOpensEachPagesOwnTopic) {
  tellmar::testing::HelpFileForTest help(dir_ / "TELLMSRV.HLP");
  App().helpFilePath = help.path();
  std::vector<std::string> topics;
  DialogDriver driver;
  driver.Then([&](HWND sheet) { topics = tellmar::testing::HelpTopicsOfPages(sheet, 3); });
  Run(driver);
  App().helpFilePath.clear();
  EXPECT_EQ(topics, (std::vector<std::string>{"8", "9", "13"}));
  EXPECT_TRUE(driver.op().shown().empty()) << "the help file opened each time";
}
