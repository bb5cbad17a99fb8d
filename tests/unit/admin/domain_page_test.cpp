// The domain page played in a sheet as a person would: the mode switch in
// both directions with every user record's ID rewritten, the apply
// refusals, and what a look-only apply stores.
#include "admin/config/domain_page.h"

#include "resources/tmadmin32/domain_page_ids.h"
#include "tests/unit/admin/admin_fixture.h"

using namespace tellmar;
using namespace tellmar::admin;
using Ids = res::tmadmin32::DomainPage;

namespace {

using tellmar::testing::PageControl;

class DomainPageTest : public tellmar::testing::AdminTest {
 protected:
  DomainPageTest() { App().role = Role::SupportModule; }
  ~DomainPageTest() override { App().role = Role::RemoteConfiguration; }

  // Opens the sheet with the page and plays the driver's steps.
  void Open(DialogDriver& driver) {
    tellmar::testing::Play(driver, [this] {
      PROPSHEETHEADER header;
      header.caption = "Internet access";
      header.pages = {DomainPage()};
      return PropertySheet(header, &guard_);
    });
  }
  // ... then presses OK.
  void Play(DialogDriver& driver) {
    tellmar::testing::PressSheetButton(driver, IDOK);
    Open(driver);
  }
};

constexpr const char* kSingleServer =
    "[Environment]\r\nUseDomain=-1\r\nDomain=office.example\r\n"
    "[USER0]\r\nrealname=(System Postmaster)\r\nID=root\r\n"
    "[USER1]\r\nrealname=Anna\r\nID=anna\r\n"
    "[USER2]\r\nrealname=Bob\r\nID=bob@elsewhere.org\r\n"
    "[USER3]\r\nrealname=Gap\r\nID=\r\n"
    "[USER4]\r\nrealname=Zed\r\nID=zed\r\n";

TEST_F(DomainPageTest, SwitchingModesRewritesEveryIdBothWays) {
  Settings(kSingleServer);
  {
    DialogDriver driver;
    driver.Then([](HWND sheet) {
      EXPECT_EQ(GetDlgItemText(sheet, IDC_SHEET_HINT), "Select how server handles domains...");
      EXPECT_EQ(GetWindowText(PageControl(sheet, Ids::kText)), "office.example");
      EXPECT_EQ(GetWindowText(PageControl(sheet, Ids::kLabel)), "Local domain name");
      EXPECT_TRUE(IsWindowEnabled(PageControl(sheet, Ids::kRegistered)));
      EXPECT_TRUE(UserClick(PageControl(sheet, Ids::kUseDomain)));
      EXPECT_EQ(GetWindowText(PageControl(sheet, Ids::kLabel)), "Administrator's email address");
      EXPECT_EQ(GetWindowText(PageControl(sheet, Ids::kText)), "root@domain.not.set") << "the stored RootAddr's default";
      EXPECT_FALSE(IsWindowEnabled(PageControl(sheet, Ids::kRegistered)));
      EXPECT_TRUE(UserSetText(PageControl(sheet, Ids::kText), "root@office.example"));
    });
    Play(driver);
    EXPECT_TRUE(driver.op().shown().empty());
  }
  // The support module sets no RemoteUpdate.
  ExpectKeys("Environment",
             {{"UseDomain", "0"}, {"RootAddr", "root@office.example"}, {"RegDomain", "0"}, {"RemoteUpdate", "(none)"}});
  // USER0's ID, then the pass over the others: a full address is moved to
  // the old domain, and the pass stops at the first empty ID.
  const std::pair<const char*, const char*> ids[] = {
      {"USER0", "root@office.example"}, {"USER1", "anna@office.example"},
      {"USER2", "bob@office.example"}, {"USER4", "zed"}};
  for (const auto& [user, id] : ids) EXPECT_EQ(Key(user, "ID"), id) << user;

  App().role = Role::RemoteConfiguration;
  {
    DialogDriver driver;
    driver.Then([](HWND sheet) {
      EXPECT_EQ(GetWindowText(PageControl(sheet, Ids::kText)), "root@office.example");
      EXPECT_TRUE(UserClick(PageControl(sheet, Ids::kUseDomain)));
      EXPECT_EQ(GetWindowText(PageControl(sheet, Ids::kText)), "office.example");
      EXPECT_TRUE(UserSetCheck(PageControl(sheet, Ids::kRegistered), BST_CHECKED));
    });
    Play(driver);
  }
  ExpectKeys("Environment", {{"UseDomain", "-1"}, {"Domain", "office.example"}, {"RootAddr", "root@office.example"},
                             {"RegDomain", "-1"}, {"RemoteUpdate", "-1"}});
  const std::pair<const char*, const char*> back[] = {{"USER0", "root"}, {"USER1", "anna"}, {"USER2", "bob"}};
  for (const auto& [user, id] : back) EXPECT_EQ(Key(user, "ID"), id) << user;
}

TEST_F(DomainPageTest, RefusalsOfTheApplyAndWhatIsStored) {
  struct Row {
    bool single;
    const char* typed;
    const char* caption;    // nullptr: accepted
    const char* fieldAfter;  // the edit after a refusal
    const char* rootAddr;   // stored when accepted
  };
  const Row rows[] = {
      {true, "", "Domain Error !!", "", nullptr},
      {false, "", "No root user provided!!", "", nullptr},
      {false, "admin@x.org", "Root user error !!", "root@x.org", nullptr},
      {false, "x.org", nullptr, nullptr, "root@x.org"},             // a bare domain
      {false, "MyRoot@X.org", nullptr, nullptr, "root@X.org"},      // holds ROOT@ in any case
      {true, "shop.example", nullptr, nullptr, "root@shop.example"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.typed);
    Settings(row.single ? "[Environment]\r\nUseDomain=-1\r\n" : "[Environment]\r\nUseDomain=0\r\n");
    DialogDriver driver;
    std::string fieldAfter;
    driver.Then([&](HWND sheet) {
      EXPECT_TRUE(UserSetText(PageControl(sheet, Ids::kText), row.typed));
      UserClick(GetDlgItem(sheet, IDOK));
      if (driver.op().shown().empty()) return;  // accepted: the sheet has closed
      fieldAfter = GetWindowText(PageControl(sheet, Ids::kText));
      UserClick(GetDlgItem(sheet, IDCANCEL));
    });
    driver.op().QueueBox(IDOK);
    Open(driver);
    if (row.caption != nullptr) {
      EXPECT_EQ(tellmar::testing::Captions(driver.op()), std::vector<std::string>{row.caption});
      EXPECT_EQ(fieldAfter, row.fieldAfter);
      EXPECT_EQ(Key("Environment", "RootAddr"), "(none)") << "nothing is stored";
    } else {
      EXPECT_TRUE(driver.op().shown().empty());
      EXPECT_EQ(Key("Environment", "RootAddr"), row.rootAddr);
    }
  }
}

TEST_F(DomainPageTest, LookingOnlyStoresTheShownValuesAndTouchesNoUser) {
  const std::string users = "[USER0]\r\nrealname=(System Postmaster)\r\nID=root@a.example\r\n"
                            "[USER1]\r\nrealname=Anna\r\nID=anna\r\n";
  Settings("[Environment]\r\nDomain=a.example\r\n" + users);
  DialogDriver driver;
  Play(driver);
  ExpectKeys("Environment",
             {{"UseDomain", "-1"}, {"Domain", "a.example"}, {"RootAddr", "root@a.example"}, {"RegDomain", "0"}});
  EXPECT_NE(tellmar::testing::FileBytes(ini_).find(users), std::string::npos)
      << "the user records are byte for byte as they were";
}

TEST_F(DomainPageTest, CancelWritesNothing) {
  Settings(kSingleServer);
  DialogDriver driver;
  driver.Then([](HWND sheet) {
    EXPECT_TRUE(UserClick(PageControl(sheet, Ids::kUseDomain)));
    EXPECT_TRUE(UserClick(GetDlgItem(sheet, IDCANCEL)));
  });
  Open(driver);
  EXPECT_EQ(tellmar::testing::FileBytes(ini_), kSingleServer);
}

}  // namespace
