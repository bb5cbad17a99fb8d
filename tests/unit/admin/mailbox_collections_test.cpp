// Additional mailbox collections: the section rewritten in order, and the
// editor's checks played in the dialog driver.
#include "admin/config/mailbox_collections_dialog.h"

#include "admin/config/mailbox_collections.h"
#include "common/scramble.h"
#include "resources/tmadmin32/mailbox_collections_ids.h"
#include "tests/unit/admin/admin_fixture.h"

using namespace tellmar;
using namespace tellmar::admin;
using Ids = res::tmadmin32::Mailboxes;

namespace {

class MailboxesTest : public tellmar::testing::AdminTest {
 protected:
  static std::string Stored(const char* host, const char* user, const char* password, const char* active = "1") {
    return std::string("POPHOST") + "%=" + host + "\r\n" + "POPUSER%=" + user + "\r\nPOPPASSWORD%=" +
           Scramble(kProxyKeyWord, password) + "\r\nPROXYACTIVE%=" + active + "\r\n";
  }
  static std::string Numbered(std::string text, int n) {
    for (std::size_t at; (at = text.find('%')) != std::string::npos;) text.replace(at, 1, std::to_string(n));
    return text;
  }
  INT_PTR Run(DialogDriver& driver) {
    return tellmar::testing::Play(driver, [this] { return RunMailboxCollectionsDialog(0, guard_) ? IDOK : IDCANCEL; });
  }
};

TEST_F(MailboxesTest, LoadingStopsAtAGapAndNeedsACount) {
  const std::string three = Numbered(Stored("a.example", "ann", "pw1"), 2) + Numbered(Stored("c.example", "cy", "pw3"), 4);
  Settings("[ProxyCollections]\r\nTotalProxies=3\r\n" + three);
  const auto loaded = LoadProxyMailboxes(ini_);
  ASSERT_EQ(loaded.size(), 1u) << "number 3 is missing";
  EXPECT_EQ(loaded[0].host, "a.example");
  EXPECT_TRUE(loaded[0].deleteAfter) << "no POPDELETESERVERMAIL reads as delete";
  Settings("[ProxyCollections]\r\nTotalProxies=0\r\n" + three);
  EXPECT_TRUE(LoadProxyMailboxes(ini_).empty());
  const ProxyMailbox m = ParseProxyLine(ProxyLine(loaded[0]));
  EXPECT_EQ(ProxyLine(m), "a.example\tann\t" + Scramble(kProxyKeyWord, "pw1") + "\t1\t-1");
}

TEST_F(MailboxesTest, RemovingTheMiddleOfThreeRewritesTheSectionInOrder) {
  Settings("[Environment]\r\nDomain=x.org\r\n[PROXYCOLLECTIONS]\r\nTOTALPROXIES=3\r\n" +
           Numbered(Stored("a.example", "ann", "pw1"), 2) + Numbered(Stored("b.example", "bob", "pw2", "0"), 3) +
           Numbered(Stored("c.example", "cy", "pw3"), 4) + "POPHOST9=left.over\r\n[Later]\r\nx=1\r\n");
  DialogDriver driver;
  driver.Then([](HWND d) {
    const HWND list = GetDlgItem(d, Ids::kList);
    EXPECT_EQ(ListBox_GetCount(list), 3);
    EXPECT_EQ(ListBox_GetCurSel(list), 0);
    EXPECT_EQ(GetDlgItemText(d, Ids::kPassword), "pw1") << "shown decoded";
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, Ids::kHost))) << "the editor starts closed";
    EXPECT_EQ(ListBox_GetItemLook(list, 1).icon, 651) << "inactive";
  });
  driver.Select(Ids::kList, 1).Click(Ids::kRemove).Click(Ids::kOk);
  EXPECT_EQ(Run(driver), IDOK);
  const std::string pw1 = Scramble(kProxyKeyWord, "pw1"), pw3 = Scramble(kProxyKeyWord, "pw3");
  EXPECT_EQ(tellmar::testing::FileBytes(ini_), "[Environment]\r\nDomain=x.org\r\nRemoteUpdate=-1\r\n[Later]\r\nx=1\r\n"
                    "\r\n[PROXYCOLLECTIONS]\r\nTOTALPROXIES=2\r\n"
                    "POPUSER2=ann\r\nPOPPASSWORD2=" + pw1 + "\r\nPOPHOST2=a.example\r\nPROXYACTIVE2=1\r\nPOPDELETESERVERMAIL2=-1\r\n"
                    "POPUSER3=cy\r\nPOPPASSWORD3=" + pw3 + "\r\nPOPHOST3=c.example\r\nPROXYACTIVE3=1\r\nPOPDELETESERVERMAIL3=-1\r\n");
}

TEST_F(MailboxesTest, TheEditorChecksInOrder) {
  Settings("[PROXYCOLLECTIONS]\r\nTotalProxies=1\r\n" + Numbered(Stored("Mail.Example", "Ann", "Secret"), 2));
  struct Row {
    const char* host;
    const char* user;
    const char* password;
    std::vector<int> answers;  // to the boxes it draws; none: one refusal
  };
  const Row rows[] = {
      {"", "u", "p", {}},
      {"pop3", "u", "p", {IDNO}},
      {"me@pop3", "u", "p", {IDYES, IDOK}},
      {"pop.example", "", "p", {}},
      {"pop.example", "a b", "p", {}},
      {"pop.example", "u", "", {}},
      {"pop.example", "u", "p w", {}},
      {"mail.example", "ANN", "secret", {}},
      {"MAIL.example", "other", "p", {IDNO}},
  };
  DialogDriver driver;
  driver.Click(Ids::kNew);
  for (const Row& row : rows) {
    driver.Type(Ids::kHost, row.host).Type(Ids::kUserId, row.user).Type(Ids::kPassword, row.password);
    driver.Click(Ids::kSave);
    for (int answer : row.answers) driver.op().QueueBox(answer);
    if (row.answers.empty()) driver.op().QueueBox(IDOK);
    driver.Then([](HWND d) { EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, Ids::kHost))) << "still editing"; });
  }
  // Yes to the duplicate question adds it.
  driver.Type(Ids::kUserId, "other").Type(Ids::kPassword, "p").Check(Ids::kActive, 0).Click(Ids::kSave);
  driver.op().QueueBox(IDYES);
  driver.Click(Ids::kOk);
  EXPECT_EQ(Run(driver), IDOK);
  EXPECT_EQ(tellmar::testing::Captions(driver.op()),
            (std::vector<std::string>{"UserI ID omitted", "Bad mail host address ?", "Bad mail host address ?",
                                      "Invalid mail host machine", "User ID omitted", "User ID omitted",
                                      "Password omitted", "Password omitted", "Mailbox already specified...",
                                      "Mailbox Duplicated...", "Mailbox Duplicated..."}));
  ExpectKeys("PROXYCOLLECTIONS", {{"TOTALPROXIES", "2"}, {"POPHOST3", "MAIL.example"}, {"PROXYACTIVE3", "0"}});
  EXPECT_EQ(Unscramble(kProxyKeyWord, Key("PROXYCOLLECTIONS", "POPPASSWORD3")), "p");
}

TEST_F(MailboxesTest, AnEditedLineIsNotItsOwnDuplicateAndCloseAsksToSave) {
  Settings("[PROXYCOLLECTIONS]\r\nTotalProxies=1\r\n" + Numbered(Stored("mail.example", "ann", "pw"), 2));
  DialogDriver driver;
  driver.Click(Ids::kEdit).Check(Ids::kActive, 0).Click(Ids::kSave);
  driver.Then([](HWND d) { EXPECT_EQ(ListBox_GetItemLook(GetDlgItem(d, Ids::kList), 0).icon, 651); });
  driver.Click(Ids::kCancel);
  driver.op().QueueBox(IDYES);
  EXPECT_EQ(Run(driver), IDCANCEL);
  EXPECT_EQ(tellmar::testing::Captions(driver.op()), std::vector<std::string>{"Unsaved changes!"});
  ExpectKeys("PROXYCOLLECTIONS", {{"PROXYACTIVE2", "0"}, {"POPHOST2", "mail.example"}});
}

}  // namespace
