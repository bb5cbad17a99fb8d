// The "Domain Aliasing" and "Undeliverable mail" pages of the "Mail routing"
// sheet, played in the dialog driver.
#include "admin/routing/domain_aliases.h"

#include "admin/routing/routing_users.h"
#include "common/ini_document.h"
#include "resources/tmadmin32/routing_ids.h"
#include "tests/unit/admin/routing_sheet_fixture.h"

using namespace tellmar;
using namespace tellmar::admin;
using AliasIds = res::tmadmin32::DomainAliasPage;
using BadIds = res::tmadmin32::UndeliverablePage;

namespace {

using tellmar::testing::PageControl;

using RoutingPagesTest = tellmar::testing::RoutingSheetTest;

TEST(DomainAliasFormat, ValuesAndChecks) {
  const DomainAlias alias{"old.example", "x.org", AliasScope::External};
  EXPECT_EQ(DomainAliasValue(alias), "old.example -> x.org , external mail only");
  const DomainAlias back = ParseDomainAlias("a.b -> X.ORG , whatever");
  EXPECT_EQ(back.domain, "a.b");
  EXPECT_EQ(back.target, "X.ORG");
  EXPECT_EQ(back.scope, AliasScope::Both);
  EXPECT_EQ(ParseDomainAlias(DomainAliasValue({"d", "t", AliasScope::Internal})).scope, AliasScope::Internal);
  EXPECT_EQ(CheckAliasDomain("")->caption, "Domain name missing");
  EXPECT_EQ(CheckAliasDomain("a.b ")->caption, "Domain name invalid") << "a trailing space";
  EXPECT_EQ(CheckAliasDomain("me@a.b")->caption, "Invalid domain name");
  EXPECT_FALSE(CheckAliasDomain("a.b"));
}

TEST_F(RoutingPagesTest, TargetsComeFromTheUsersDomainsEachOnce) {
  Settings("[Environment]\nUseDomain=0\n[USER0]\nID=root@b.org\n[USER1]\nID=ann@A.org\n[USER2]\nID=bob@B.ORG\n");
  EXPECT_EQ(ServerDomains(ini_), (std::vector<std::string>{"A.org", "b.org"}));
  EXPECT_EQ(LocalUserEntries(ini_, false), (std::vector<std::string>{"root@b.org", "ann@A.org", "bob@B.ORG"}));
  Settings("[Environment]\nDomain=x.org\nROOTADDR=postmaster@x.org\n[USER0]\nID=root\n[USER1]\nID=ann\n[USER2]\nID=None\n");
  EXPECT_EQ(ServerDomains(ini_), (std::vector<std::string>{"x.org"}));
  EXPECT_EQ(LocalUserEntries(ini_, true), (std::vector<std::string>{"root@x.org", "ann@x.org"}));
}

TEST_F(RoutingPagesTest, AliasesAreCheckedAddedEditedAndStoredInOrder) {
  Settings("[Environment]\r\nDomain=x.org\r\n[DOMAIN-ALIAS]\r\nALIAS0=one.example -> x.org , internal mail only\r\n");
  DialogDriver driver;
  driver.Then([](HWND sheet) { PropSheet_SetCurSel(sheet, 1); });
  On(driver, AliasIds::kNewAlias, UserClick);
  On(driver, AliasIds::kDomain, [](HWND c) { return UserSetText(c, "me@old.example"); });
  On(driver, AliasIds::kSaveAlias, UserClick);
  driver.op().QueueBox(IDOK);
  driver.Then([](HWND sheet) {
    EXPECT_TRUE(IsWindowEnabled(PageControl(sheet, AliasIds::kDomain))) << "still editing";
    EXPECT_EQ(ListBox_GetCount(PageControl(sheet, AliasIds::kAliases)), 1);
  });
  On(driver, AliasIds::kDomain, [](HWND c) { return UserSetText(c, "old.example"); });
  On(driver, AliasIds::kExternalMail, [](HWND c) { return UserSetCheck(c, 1); });
  On(driver, AliasIds::kSaveAlias, UserClick);
  // Edit the first row's scope.
  On(driver, AliasIds::kAliases, [](HWND c) { return UserSelectItem(c, 0); });
  On(driver, AliasIds::kEditAlias, UserClick);
  On(driver, AliasIds::kBothMail, [](HWND c) { return UserSetCheck(c, 1); });
  On(driver, AliasIds::kSaveAlias, UserClick);
  Run(driver);
  EXPECT_EQ(tellmar::testing::Captions(driver.op()), std::vector<std::string>{"Invalid domain name"});
  ExpectKeys("DOMAIN-ALIAS", {{"ALIAS0", "one.example -> x.org , internal and external mail"},
                              {"ALIAS1", "old.example -> x.org , external mail only"}, {"ALIAS2", "(none)"}});
}

TEST_F(RoutingPagesTest, UndeliverableMailOptions) {
  Settings("[Environment]\r\nDomain=x.org\r\n[USER0]\r\nID=root\r\n[USER1]\r\nID=ann\r\n"
           "[badmailopts]\r\nopts=2\r\nbaduser=nobody@x.org\r\nbounce=-1\r\n");
  DialogDriver driver;
  driver.Then([](HWND sheet) {
    PropSheet_SetCurSel(sheet, 2);
    EXPECT_FALSE(IsWindowEnabled(PageControl(sheet, BadIds::kUsers))) << "opts 2: kill";
    EXPECT_EQ(IsDlgButtonChecked(PropSheet_GetCurrentPageHwnd(sheet), BadIds::kBounce), 1);
    EXPECT_EQ(ListBox_GetCurSel(PageControl(sheet, BadIds::kUsers)), 0) << "an unknown baduser keeps the first";
  });
  On(driver, BadIds::kSendToUser, [](HWND c) { return UserSetCheck(c, 1); });
  driver.Then([](HWND sheet) { EXPECT_TRUE(IsWindowEnabled(PageControl(sheet, BadIds::kUsers))); });
  On(driver, BadIds::kBounce, [](HWND c) { return UserSetCheck(c, 0); });
  Run(driver);
  ExpectKeys("badmailopts", {{"opts", "0"}, {"baduser", "root@x.org"}, {"bounce", "0"}});
  EXPECT_EQ(Key("environment", "RemoteUpdate"), "-1");
}

}  // namespace
