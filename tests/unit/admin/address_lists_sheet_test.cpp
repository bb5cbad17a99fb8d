// The "Address/Mailing lists" sheet played in the dialog driver: the lists
// page with its editor and name dialog, and the per-list sender settings.
#include "admin/routing/address_lists_sheet.h"

#include "resources/tmadmin32/address_lists_ids.h"
#include "tests/unit/admin/admin_fixture.h"
#include "tests/unit/admin/sheet_help.h"

using namespace tellmar;
using namespace tellmar::admin;
using ListIds = res::tmadmin32::ListsPage;
using ReplyIds = res::tmadmin32::ReplyAddressPage;
using NameIds = res::tmadmin32::ListName;

namespace {

using tellmar::testing::PageControl;

// A click that opens a modal dialog is posted, so the next step runs in it.
void PostClick(HWND sheet, int id) { tellmar::testing::PostClick(PageControl(sheet, id)); }

class AddressListsSheetTest : public tellmar::testing::AdminTest {
 protected:
  AddressListsSheetTest() {
    App().role = Role::SupportModule;
    tellmar::testing::PutFile(lists_ / "team.lst", "a@x.org\r\nb@x.org\r\n");
    Settings("[ADDRESS-ALIAS]\r\nALIAS0=all@x.org -> TEAM , internal and external mail,1\r\n"
             "[LIST-TEAM]\r\nchange=-1\r\nfrom=news@x.org\r\n");
  }
  void Run(DialogDriver& driver) { PlaySheet(driver, RunAddressListsSheet, IDCANCEL); }
  std::string Bytes(const std::string& name) { return tellmar::testing::FileBytes(lists_ / name); }

  std::filesystem::path lists_ = dir_ / "LISTS";
};

TEST_F(AddressListsSheetTest, CreateEditSwitchAndRename) {
  DialogDriver driver;
  driver.Then([](HWND sheet) {
    EXPECT_EQ(GetWindowText(sheet), "Address/Mailing lists");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(sheet, IDOK)));
    EXPECT_EQ(GetDlgItemText(sheet, IDCANCEL), "&Close");
    EXPECT_EQ(ListBox_GetText(PageControl(sheet, ListIds::kLists), 0), "TEAM");
    EXPECT_EQ(GetWindowText(PageControl(sheet, ListIds::kCounter)), "3");
    PostClick(sheet, ListIds::kCreateList);
  });
  driver.Type(NameIds::kName, "a.b").Click(NameIds::kOk);  // refused: a period
  driver.op().QueueBox(IDOK);
  driver.Type(NameIds::kName, "sales").Click(NameIds::kOk);
  driver.Then([](HWND sheet) {
    EXPECT_EQ(ListBox_GetCount(PageControl(sheet, ListIds::kLists)), 2);
    EXPECT_EQ(GetWindowText(PageControl(sheet, ListIds::kCounter)), "1") << "an empty list is one empty line";
    EXPECT_TRUE(UserSetText(PageControl(sheet, ListIds::kEditor), "c@x.org\r\n"));
    EXPECT_TRUE(UserSelectItem(PageControl(sheet, ListIds::kLists), 0));  // asks to save: Yes
  });
  driver.op().QueueBox(IDYES);
  driver.Then([](HWND sheet) { PostClick(sheet, ListIds::kRenameList); });
  driver.Type(NameIds::kName, "crew").Click(NameIds::kOk);
  Run(driver);
  EXPECT_EQ(tellmar::testing::Captions(driver.op()), (std::vector<std::string>{"Invalid file name", "Save changes"}));
  EXPECT_EQ(Bytes("SALES.LST"), "c@x.org\r\n");
  EXPECT_EQ(Bytes("CREW.LST"), "a@x.org\r\nb@x.org\r\n");
  EXPECT_EQ(Key("ADDRESS-ALIAS", "ALIAS0"), "all@x.org -> CREW , internal and external mail,1");
  EXPECT_EQ(Key("LIST-TEAM", "from"), "news@x.org") << "the list's settings stay";
}

TEST_F(AddressListsSheetTest, TheReplyPageLoadsAndSavesAList) {
  DialogDriver driver;
  driver.Then([](HWND sheet) {
    PropSheet_SetCurSel(sheet, 2);
    EXPECT_EQ(GetWindowText(PageControl(sheet, ReplyIds::kFrom)), "news@x.org");
    EXPECT_TRUE(IsWindowEnabled(PageControl(sheet, ReplyIds::kFrom)));
    EXPECT_FALSE(IsWindowEnabled(PageControl(sheet, ReplyIds::kSaveReply)));
    EXPECT_TRUE(UserSetCheck(PageControl(sheet, ReplyIds::kOriginal), 1));
    EXPECT_FALSE(IsWindowEnabled(PageControl(sheet, ReplyIds::kFrom)));
    EXPECT_TRUE(UserSetCheck(PageControl(sheet, ReplyIds::kRestrict), 1));
    EXPECT_TRUE(UserClick(PageControl(sheet, ReplyIds::kSaveReply)));
  });
  Run(driver);
  ExpectKeys("LIST-TEAM", {{"change", "0"}, {"restrict", "1"}, {"from", "news@x.org"}});
}

TEST_F(AddressListsSheetTest, AliasesAreCheckedStoredToggledAndRemoved) {
  using AliasIds = res::tmadmin32::AddressAliasPage;
  DialogDriver driver;
  driver.Then([](HWND sheet) {
    PropSheet_SetCurSel(sheet, 1);
    EXPECT_EQ(GetWindowText(PageControl(sheet, AliasIds::kSource)), "all@x.org");
    EXPECT_EQ(ComboBox_GetCurSel(PageControl(sheet, AliasIds::kListTarget)), 1) << "TEAM";
    EXPECT_TRUE(UserClick(PageControl(sheet, AliasIds::kNewAddressAlias)));
    EXPECT_TRUE(UserSetText(PageControl(sheet, AliasIds::kSource), "sales@x"));
    EXPECT_TRUE(UserClick(PageControl(sheet, AliasIds::kSaveAddressAlias)));  // refused: no period
  });
  driver.op().QueueBox(IDOK);
  driver.Then([](HWND sheet) {
    EXPECT_TRUE(UserSetText(PageControl(sheet, AliasIds::kSource), "sales@x.org"));
    EXPECT_TRUE(UserSetCheck(PageControl(sheet, AliasIds::kToList), 1));
    EXPECT_TRUE(UserSelectItem(PageControl(sheet, AliasIds::kListTarget), 0));
    EXPECT_TRUE(UserSetCheck(PageControl(sheet, AliasIds::kAliasExternal), 1));
    EXPECT_TRUE(UserClick(PageControl(sheet, AliasIds::kSaveAddressAlias)));
    EXPECT_TRUE(UserDoubleClickItem(PageControl(sheet, AliasIds::kAliases), 0));  // the first goes inactive
    EXPECT_EQ(ListBox_GetItemLook(PageControl(sheet, AliasIds::kAliases), 0).color, RGB(128, 128, 128));
  });
  Run(driver);
  EXPECT_EQ(tellmar::testing::Captions(driver.op()), std::vector<std::string>{"Invalid email address"});
  ExpectKeys("ADDRESS-ALIAS", {{"ALIAS0", "all@x.org -> TEAM , internal and external mail,0"},
                               {"ALIAS1", "sales@x.org -> (ALL LOCAL USERS) , external mail only,1"}});
}

TEST_F(AddressListsSheetTest, RemovingTheOnlyAliasLeavesTheSectionEmpty) {
  using AliasIds = res::tmadmin32::AddressAliasPage;
  DialogDriver driver;
  driver.Then([](HWND sheet) {
    PropSheet_SetCurSel(sheet, 1);
    EXPECT_TRUE(UserClick(PageControl(sheet, AliasIds::kRemoveAddressAlias)));
    EXPECT_FALSE(IsWindowEnabled(PageControl(sheet, AliasIds::kRemoveAddressAlias)));
  });
  Run(driver);
  EXPECT_EQ(Key("ADDRESS-ALIAS", "ALIAS0"), "(none)");
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
