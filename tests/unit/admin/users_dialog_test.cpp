// "Maintain network users" played in the dialog driver: the save's checks in
// their order, uniqueness when adding and editing, the folder that goes with
// each record, and the deletion refusals.
#include "admin/users/users_dialog.h"

#include <sys/resource.h>

#include <csignal>

#include "common/scramble.h"
#include "resources/tmadmin32/users_ids.h"
#include "tests/unit/admin/admin_fixture.h"

using namespace tellmar;
using namespace tellmar::admin;
using Ids = res::tmadmin32::NetworkUsers;
namespace fs = std::filesystem;

namespace {

using tellmar::testing::Boxes;
using tellmar::testing::Captions;

class UsersDialogTest : public tellmar::testing::AdminTest {
 protected:
  UsersDialogTest() {
    Set("Environment", "Domain", "office.example");
    AddUser(0, "(System Postmaster)", "root", "ROOT", "");
    AddUser(1, "Anna Example", "anna", "ANNA", "secret");
    SetServerDirectory(dir_.path().string());
  }

  void AddUser(int n, const std::string& name, const std::string& id, const std::string& dir,
               const std::string& pw) {
    AdminTest::AddUser(n, name, dir, id);
    Set("USER" + std::to_string(n), "pw", Scramble(MailboxKeyWord(dir), pw));
    if (!dir.empty()) fs::create_directory(dir_ / dir);
  }
  std::string Get(int n, const std::string& key) { return Key("USER" + std::to_string(n), key); }

  void Run(DialogDriver& driver) {
    driver.Click(Ids::kClose);
    tellmar::testing::Play(driver, [this] { return RunUsersDialog(0, guard_) ? IDOK : IDCANCEL; });
  }
  // Selects the list entry of that name.
  static void SelectName(DialogDriver& driver, const std::string& name) {
    driver.Then([name](HWND d) {
      UserSelectItem(GetDlgItem(d, Ids::kList), ListBox_FindStringExact(GetDlgItem(d, Ids::kList), -1, name));
    });
  }
};

struct Entry {
  const char* name;
  const char* email;
  const char* id;
  const char* password;
};

void TypeEntry(DialogDriver& d, const Entry& e) {
  d.Type(Ids::kRealName, e.name)
      .Type(Ids::kEmail, e.email)
      .Type(Ids::kPopId, e.id)
      .Type(Ids::kPassword, e.password);
}

TEST_F(UsersDialogTest, AddingRefusesInOrderThenSavesRecordFolderAndWelcome) {
  struct Row {
    Entry entry;
    const char* refusal;  // caption: first line of the box
  };
  const Row rows[] = {
      {{"", "", "", ""}, "Users name incorrect: You must enter a real name for this user..."},
      {{"Bob", "bob", "", ""},
       "Mailbox ID not entered: Please enter a user ID to allow this user to access their mailbox..."},
      {{"Bob", "bob", "bo_b", ""},
       "Mailbox ID Invalid: Please use only a-z and 0-9 characters for the user id..."},
      {{"Bob", "bob", "BOB", ""},
       "Mailbox password not entered: Please enter a password to allow this user to access their mailbox..."},
      {{"Bob", "anna@office.example", "anna", "pw"},
       "Folder creation error: You already have a network user with the same email address[anna].\r\nPlease "
       "choose a unique email address..."},
      {{"ANNA EXAMPLE", "bob", "anna", "pw"},
       "Duplicate user name!: You already have a network user with the name [ANNA].\r\nPlease choose a "
       "unique pop3 ID for this mailbox..."},
      {{"ANNA EXAMPLE", "bob", "bob", "pw"},
       "Duplicate user name!: You already have a network user with the name [Anna Example].\r\nPlease choose "
       "a unique name for this user..."},
      {{"Bob", "bob", "bob", "pw.x"},
       "Folder removal error: The mailbox password cannot include spaces or periods.\r\nPlease correct your "
       "entry and retry saving again..."},
  };
  for (const Row& row : rows) {
    DialogDriver driver;
    driver.op().QueueBox(IDOK);
    driver.Click(Ids::kAdd);
    TypeEntry(driver, row.entry);
    driver.Click(Ids::kSave).Click(Ids::kCancelEdit);
    Run(driver);
    EXPECT_EQ(Boxes(driver.op()), std::vector<std::string>{row.refusal}) << row.entry.name << "/" << row.entry.id;
    EXPECT_EQ(Get(2, "realname"), "(none)") << "a refused entry writes nothing";
  }

  DialogDriver driver;
  std::string emailShown, selected;
  driver.Click(Ids::kAdd);
  TypeEntry(driver, {"Bob Builder", "bob@elsewhere.example", "bob", "can do"});  // the space is refused
  driver.op().QueueBox(IDOK);
  driver.Click(Ids::kSave).Type(Ids::kPassword, "cando").Click(Ids::kSave).Then([&](HWND d) {
    emailShown = GetDlgItemText(d, Ids::kEmail);
    selected = ListBox_GetText(GetDlgItem(d, Ids::kList), ListBox_GetCurSel(GetDlgItem(d, Ids::kList)));
  });
  Run(driver);
  EXPECT_EQ(driver.op().shown().size(), 1u);
  EXPECT_EQ(selected, "Bob Builder");
  EXPECT_EQ(emailShown, "bob@office.example") << "the domain part is cut and the record shows the server's";
  ExpectKeys("USER2", {{"ID", "bob"}, {"UserActive", "1"}});
  EXPECT_EQ(Unscramble("BOB", Get(2, "pw")), "cando");
  EXPECT_EQ(Key("environment", "RemoteUpdate"), "-1");
  EXPECT_TRUE(fs::is_directory(dir_ / "bob"));
  EXPECT_TRUE(fs::exists(dir_ / "bob" / "00000001.txt")) << "the welcome message";
  EXPECT_TRUE(fs::exists(dir_ / "bob" / "00000003.env")) << "the mail alert module";
  EXPECT_FALSE(fs::exists(dir_ / "bob" / "00000002.txt")) << "no time client unless [Tickvane] asks";
}

TEST_F(UsersDialogTest, FullAddressesAndAlertsAreCheckedWhenTheServerHasNoDomain) {
  Set("Environment", "UseDomain", "0");
  DialogDriver driver;
  for (int i = 0; i < 3; ++i) driver.op().QueueBox(IDOK);
  driver.Click(Ids::kAdd);
  TypeEntry(driver, {"Carl", "carl", "carl", "pw"});
  driver.Click(Ids::kSave).Type(Ids::kEmail, "carl@shop.example").Check(Ids::kAlerts, BST_CHECKED);
  driver.Type(Ids::kAlertPort, "").Click(Ids::kSave).Type(Ids::kAlertPort, "2024").Click(Ids::kSave);
  driver.Type(Ids::kAlertIp, "192.168.1.7").Click(Ids::kSave);
  Run(driver);
  EXPECT_EQ(Captions(driver.op()), (std::vector<std::string>{"Email address incorrect", "Port number not entered",
                                                             "Computer IP address not entered"}));
  ExpectKeys("USER2", {{"ID", "carl@shop.example"}, {"alert", "192.168.1.7"}, {"alertport", "2024"}});
}

TEST_F(UsersDialogTest, EditingRenamesTheFolderAndNeverOntoAnExistingOne) {
  AddUser(2, "Zed", "zed", "ZED", "zzz");
  fs::create_directory(dir_ / "spare");  // a folder without a record
  std::ofstream(dir_ / "ANNA" / "00000001.txt") << "mail";

  {
    DialogDriver driver;
    driver.op().QueueBox(IDOK);
    SelectName(driver, "Anna Example");
    std::string idAfterRefusal;
    driver.Click(Ids::kEdit).Type(Ids::kPopId, "Spare").Click(Ids::kSave);
    driver.Then([&](HWND d) { idAfterRefusal = GetDlgItemText(d, Ids::kPopId); });
    driver.Type(Ids::kPopId, "annie").Type(Ids::kEmail, "annie").Click(Ids::kSave);
    Run(driver);
    EXPECT_EQ(Captions(driver.op()), std::vector<std::string>{"Mailbox Creation Error"});
    EXPECT_EQ(idAfterRefusal, "ANNA") << "the previous ID is put back";
    EXPECT_TRUE(fs::is_empty(dir_ / "spare"));
    ExpectKeys("USER1", {{"DIR", "annie"}, {"ID", "annie"}});
    EXPECT_EQ(Unscramble("ANNIE", Get(1, "pw")), "secret") << "scrambled again with the new key word";
    EXPECT_TRUE(fs::exists(dir_ / "annie" / "00000001.txt")) << "the mail moved with the folder";
    EXPECT_FALSE(fs::exists(dir_ / "ANNA"));
  }

  // A case-only change renames nothing and checks nothing, not even against
  // the user's own record.
  DialogDriver again;
  SelectName(again, "Anna Example");
  again.Click(Ids::kEdit).Type(Ids::kPopId, "AnNiE").Click(Ids::kSave);
  Run(again);
  EXPECT_TRUE(again.op().shown().empty());
  EXPECT_EQ(Get(1, "DIR"), "AnNiE");
  EXPECT_EQ(Unscramble("ANNIE", Get(1, "pw")), "secret");
  EXPECT_TRUE(fs::exists(dir_ / "annie" / "00000001.txt"));
}

TEST_F(UsersDialogTest, EditingThePostmasterTouchesOnlyItsPasswordAndActiveFlag) {
  DialogDriver driver;
  driver.Click(Ids::kEdit).Then([&](HWND d) {
    for (int id : {Ids::kRealName, Ids::kActive, Ids::kLimit}) EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, id))) << id;
    EXPECT_EQ(GetDlgItemText(d, Ids::kMaxSize), "9999");
  });
  driver.Click(Ids::kSave);  // ROOT needs no password
  Run(driver);
  EXPECT_TRUE(driver.op().shown().empty());
  ExpectKeys("USER0", {{"realname", "(System Postmaster)"}, {"pw", ""}});
}

TEST_F(UsersDialogTest, DeletionRefusalsAndTheMailQuestion) {
  {
    DialogDriver driver;
    for (int i = 0; i < 2; ++i) driver.op().QueueBox(IDOK);
    driver.Click(Ids::kDelete);  // the Postmaster is selected
    SelectName(driver, "Anna Example");
    driver.Click(Ids::kDelete);  // only two entries
    Run(driver);
    EXPECT_EQ(Captions(driver.op()),
              (std::vector<std::string>{"Postmaster deletion attempted!", "Deletion of final user attempted!"}));
  }
  AddUser(2, "Bert", "bert", "BERT", "b");
  std::ofstream(dir_ / "ANNA" / "00000001.txt") << "mail";
  DialogDriver driver;
  driver.op().QueueBox(IDNO);
  driver.op().QueueBox(IDYES);
  std::string selected;
  SelectName(driver, "Anna Example");
  driver.Click(Ids::kDelete).Click(Ids::kDelete).Then([&](HWND d) {
    selected = GetDlgItemText(d, Ids::kRealName);
  });
  Run(driver);
  ASSERT_EQ(driver.op().shown().size(), 2u);
  EXPECT_EQ(driver.op().shown()[0].caption, "Destroy all mail?");
  EXPECT_FALSE(fs::exists(dir_ / "ANNA"));
  EXPECT_EQ(Get(1, "realname"), "Bert");
  EXPECT_EQ(Get(2, "realname"), "(none)");
  EXPECT_EQ(selected, "(System Postmaster)") << "the entry before the deleted one";
  for (const auto& entry : fs::directory_iterator(dir_.path()))
    EXPECT_EQ(entry.path().filename().string().rfind(".deleting", 0), std::string::npos)
        << "nothing left aside";
}

TEST_F(UsersDialogTest, DeletingARecordWithoutAFolderNameRemovesOnlyTheRecord) {
  AddUser(2, "Ghost", "ghost", "", "");
  AddUser(3, "Bert", "bert", "BERT", "b");
  std::ofstream(dir_ / "keep.txt") << "not the user's";
  DialogDriver driver;
  SelectName(driver, "Ghost");
  driver.Click(Ids::kDelete);
  Run(driver);
  EXPECT_TRUE(driver.op().shown().empty()) << "an empty DIR owns no mail to ask about";
  EXPECT_TRUE(fs::exists(dir_ / "keep.txt"));
  EXPECT_TRUE(fs::exists(ini_));
  EXPECT_EQ(Get(2, "realname"), "Bert");
}

TEST_F(UsersDialogTest, AUserWithoutAFolderGetsOneWithANewIdAndPasswordsHideOnRequest) {
  AddUser(2, "Ghost", "ghost", "", "");
  DialogDriver driver;
  std::string mask;
  SelectName(driver, "Ghost");
  driver.Click(Ids::kEdit).Type(Ids::kPopId, "ghost").Type(Ids::kPassword, "boo").Click(Ids::kSave);
  driver.Check(Ids::kHidePasswords, BST_UNCHECKED);
  Run(driver);
  EXPECT_TRUE(driver.op().shown().empty());
  EXPECT_TRUE(fs::is_directory(dir_ / "ghost"));
  EXPECT_EQ(Get(2, "DIR"), "ghost");
  EXPECT_EQ(Key("UserMaint", "Passwords"), "0");
}

// A write past the file-size limit fails with EFBIG, even for root.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit tight = saved_;
    tight.rlim_cur = bytes;
    signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &tight);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

 private:
  rlimit saved_{};
};

TEST_F(UsersDialogTest, AFailedRecordWriteLeavesFolderAndRecordAgreeing) {
  AddUser(2, "Bert", "bert", "BERT", "b");
  std::ofstream(dir_ / "BERT" / "00000001.txt") << "mail";
  DialogDriver driver;
  driver.op().OnBox([](const MessageBoxRequest& box) -> std::optional<int> {
    return box.caption == "Destroy all mail?" ? IDYES : IDOK;
  });
  std::optional<FileSizeLimit> limit;
  SelectName(driver, "Anna Example");
  driver.Then([&](HWND) { limit.emplace(16); });
  driver.Click(Ids::kEdit).Type(Ids::kPopId, "hanna").Click(Ids::kSave);
  driver.Click(Ids::kCancelEdit);
  SelectName(driver, "Bert");
  driver.Click(Ids::kDelete).Then([&](HWND) { limit.reset(); });
  Run(driver);
  EXPECT_EQ(Captions(driver.op()), (std::vector<std::string>{"Error", "Destroy all mail?", "Folder removal error"}));
  EXPECT_EQ(Get(1, "DIR"), "ANNA");
  EXPECT_TRUE(fs::is_directory(dir_ / "ANNA")) << "the rename was undone";
  EXPECT_FALSE(fs::exists(dir_ / "hanna"));
  EXPECT_EQ(Get(2, "realname"), "Bert");
  EXPECT_TRUE(fs::exists(dir_ / "BERT" / "00000001.txt")) << "no mail lost on a failed deletion";
}

}  // namespace
