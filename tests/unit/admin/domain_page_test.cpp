// The domain page played in a sheet as a person would: the mode switch in
// both directions with every user record's ID rewritten, the apply
// refusals, and what a look-only apply stores.
#include "admin/config/domain_page.h"

#include <gtest/gtest.h>

#include <fstream>

#include "admin/shell/admin_state.h"
#include "common/profile.h"
#include "platform/controls.h"
#include "platform/dialog_driver.h"
#include "platform/loop.h"
#include "platform/propsheet.h"
#include "resources/tmadmin32/domain_page_ids.h"
#include "tests/unit/common/temp_dir.h"

using namespace tellmar;
using namespace tellmar::admin;
using Ids = res::tmadmin32::DomainPage;

namespace {

HWND Control(HWND sheet, int id) { return GetDlgItem(PropSheet_GetCurrentPageHwnd(sheet), id); }

class DomainPageTest : public ::testing::Test {
 protected:
  DomainPageTest() {
    App().serverSettingsPath = ini_.string();
    App().serverDir = dir_.path().string();
    App().role = Role::SupportModule;
  }
  ~DomainPageTest() override { App().role = Role::RemoteConfiguration; }

  void Write(const std::string& bytes) { std::ofstream(ini_, std::ios::binary) << bytes; }
  std::string Get(const char* section, const char* key) { return GetProfileString(ini_, section, key, "<none>"); }

  // Opens the sheet with the page and plays the driver's steps.
  void Open(DialogDriver& driver) {
    driver.Run([this] {
      PROPSHEETHEADER header;
      header.caption = "Internet access";
      header.pages = {DomainPage()};
      return PropertySheet(header, &guard_);
    });
  }
  // ... then presses OK.
  void Play(DialogDriver& driver) {
    driver.Then([](HWND sheet) { UserClick(GetDlgItem(sheet, IDOK)); });
    Open(driver);
  }

  tellmar::testing::TempDir dir_;
  std::filesystem::path ini_ = dir_ / "tmhub.ini";
  Loop loop_;
  DialogGuard guard_;
};

constexpr const char* kSingleServer =
    "[Environment]\r\nUseDomain=-1\r\nDomain=office.example\r\n"
    "[USER0]\r\nrealname=(System Postmaster)\r\nID=root\r\n"
    "[USER1]\r\nrealname=Anna\r\nID=anna\r\n"
    "[USER2]\r\nrealname=Bob\r\nID=bob@elsewhere.org\r\n"
    "[USER3]\r\nrealname=Gap\r\nID=\r\n"
    "[USER4]\r\nrealname=Zed\r\nID=zed\r\n";

TEST_F(DomainPageTest, SwitchingModesRewritesEveryIdBothWays) {
  Write(kSingleServer);
  {
    DialogDriver driver;
    driver.Then([](HWND sheet) {
      EXPECT_EQ(GetDlgItemText(sheet, IDC_SHEET_HINT), "Select how server handles domains...");
      EXPECT_EQ(GetWindowText(Control(sheet, Ids::kText)), "office.example");
      EXPECT_EQ(GetWindowText(Control(sheet, Ids::kLabel)), "Local domain name");
      EXPECT_TRUE(IsWindowEnabled(Control(sheet, Ids::kRegistered)));
      EXPECT_TRUE(UserClick(Control(sheet, Ids::kUseDomain)));
      EXPECT_EQ(GetWindowText(Control(sheet, Ids::kLabel)), "Administrator's email address");
      EXPECT_EQ(GetWindowText(Control(sheet, Ids::kText)), "root@domain.not.set") << "the stored RootAddr's default";
      EXPECT_FALSE(IsWindowEnabled(Control(sheet, Ids::kRegistered)));
      EXPECT_TRUE(UserSetText(Control(sheet, Ids::kText), "root@office.example"));
    });
    Play(driver);
    EXPECT_TRUE(driver.failures().empty()) << driver.failures().front();
    EXPECT_TRUE(driver.op().shown().empty());
  }
  EXPECT_EQ(Get("Environment", "UseDomain"), "0");
  EXPECT_EQ(Get("Environment", "RootAddr"), "root@office.example");
  EXPECT_EQ(Get("Environment", "RegDomain"), "0");
  EXPECT_EQ(Get("USER0", "ID"), "root@office.example") << "user0's ID, then the pass over it";
  EXPECT_EQ(Get("USER1", "ID"), "anna@office.example");
  EXPECT_EQ(Get("USER2", "ID"), "bob@office.example") << "a full address is moved to the old domain";
  EXPECT_EQ(Get("USER4", "ID"), "zed") << "the pass stops at the first empty ID";
  EXPECT_EQ(Get("environment", "RemoteUpdate"), "<none>") << "the support module sets no RemoteUpdate";

  App().role = Role::RemoteConfiguration;
  {
    DialogDriver driver;
    driver.Then([](HWND sheet) {
      EXPECT_EQ(GetWindowText(Control(sheet, Ids::kText)), "root@office.example");
      EXPECT_TRUE(UserClick(Control(sheet, Ids::kUseDomain)));
      EXPECT_EQ(GetWindowText(Control(sheet, Ids::kText)), "office.example");
      EXPECT_TRUE(UserSetCheck(Control(sheet, Ids::kRegistered), BST_CHECKED));
    });
    Play(driver);
    EXPECT_TRUE(driver.failures().empty()) << driver.failures().front();
  }
  EXPECT_EQ(Get("Environment", "UseDomain"), "-1");
  EXPECT_EQ(Get("Environment", "Domain"), "office.example");
  EXPECT_EQ(Get("Environment", "RootAddr"), "root@office.example");
  EXPECT_EQ(Get("Environment", "RegDomain"), "-1");
  EXPECT_EQ(Get("USER0", "ID"), "root");
  EXPECT_EQ(Get("USER1", "ID"), "anna");
  EXPECT_EQ(Get("USER2", "ID"), "bob");
  EXPECT_EQ(Get("environment", "RemoteUpdate"), "-1");
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
    Write(row.single ? "[Environment]\r\nUseDomain=-1\r\n" : "[Environment]\r\nUseDomain=0\r\n");
    DialogDriver driver;
    std::string fieldAfter;
    driver.Then([&](HWND sheet) {
      EXPECT_TRUE(UserSetText(Control(sheet, Ids::kText), row.typed));
      UserClick(GetDlgItem(sheet, IDOK));
      if (driver.op().shown().empty()) return;  // accepted: the sheet has closed
      fieldAfter = GetWindowText(Control(sheet, Ids::kText));
      UserClick(GetDlgItem(sheet, IDCANCEL));
    });
    driver.op().QueueBox(IDOK);
    Open(driver);
    EXPECT_TRUE(driver.failures().empty()) << driver.failures().front();
    const auto& shown = driver.op().shown();
    if (row.caption != nullptr) {
      ASSERT_EQ(shown.size(), 1u);
      EXPECT_EQ(shown[0].caption, row.caption);
      EXPECT_EQ(fieldAfter, row.fieldAfter);
      EXPECT_EQ(Get("Environment", "RootAddr"), "<none>") << "nothing is stored";
    } else {
      EXPECT_TRUE(shown.empty());
      EXPECT_EQ(Get("Environment", "RootAddr"), row.rootAddr);
    }
  }
}

TEST_F(DomainPageTest, LookingOnlyStoresTheShownValuesAndTouchesNoUser) {
  const std::string users = "[USER0]\r\nrealname=(System Postmaster)\r\nID=root@a.example\r\n"
                            "[USER1]\r\nrealname=Anna\r\nID=anna\r\n";
  Write("[Environment]\r\nDomain=a.example\r\n" + users);
  DialogDriver driver;
  Play(driver);
  EXPECT_TRUE(driver.failures().empty()) << driver.failures().front();
  EXPECT_EQ(Get("Environment", "UseDomain"), "-1");
  EXPECT_EQ(Get("Environment", "Domain"), "a.example");
  EXPECT_EQ(Get("Environment", "RootAddr"), "root@a.example");
  EXPECT_EQ(Get("Environment", "RegDomain"), "0");
  std::ifstream in(ini_, std::ios::binary);
  const std::string bytes(std::istreambuf_iterator<char>(in), {});
  EXPECT_NE(bytes.find(users), std::string::npos) << "the user records are byte for byte as they were";
}

TEST_F(DomainPageTest, CancelWritesNothing) {
  Write(kSingleServer);
  DialogDriver driver;
  driver.Then([](HWND sheet) {
    EXPECT_TRUE(UserClick(Control(sheet, Ids::kUseDomain)));
    EXPECT_TRUE(UserClick(GetDlgItem(sheet, IDCANCEL)));
  });
  Open(driver);
  std::ifstream in(ini_, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), kSingleServer);
}

}  // namespace
