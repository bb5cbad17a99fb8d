#include "common/user_directory.h"

#include <gtest/gtest.h>

#include "common/profile.h"
#include "common/scramble.h"
#include "tests/unit/common/temp_dir.h"

namespace tellmar {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

class UserDirectoryTest : public ::testing::Test {
 protected:
  void AddUser(int index, const std::string& realname, const std::string& dir,
               const std::string& password, bool makeFolder = true) {
    ProfileBatch batch(SettingsFile(server.path()));
    std::string section = UserSectionName(index);
    batch.Write(section, "realname", realname);
    batch.Write(section, "DIR", dir);
    batch.Write(section, "pw", Scramble(MailboxKeyWord(dir), password));
    ASSERT_FALSE(batch.Commit());
    if (makeFolder) fs::create_directories(server / dir);
  }
  void Set(int index, const std::string& key, const std::string& value) {
    ASSERT_FALSE(WriteProfileString(SettingsFile(server.path()), UserSectionName(index), key, value));
  }

  TempDir server;
};

TEST_F(UserDirectoryTest, UserCheckFollowsRecordsAndFolders) {
  AddUser(0, "(System Postmaster)", "ROOT", "secret");
  AddUser(1, "Anna", "ANNA", "");
  EXPECT_TRUE(PopUserCheck(server.path(), "root"));
  EXPECT_TRUE(PopUserCheck(server.path(), "Anna"));
  EXPECT_FALSE(PopUserCheck(server.path(), "BOB"));

  Set(1, "UserActive", "0");
  EXPECT_FALSE(PopUserCheck(server.path(), "ANNA"));
  Set(1, "UserActive", "1");

  fs::permissions(server / "ANNA", fs::perms::owner_read | fs::perms::owner_exec);  // read-only
  EXPECT_FALSE(PopUserCheck(server.path(), "ANNA"));
  fs::permissions(server / "ANNA", fs::perms::owner_all);

  fs::remove(server / "ANNA");
  testing::PutFile(server / "ANNA", "a file, not a folder");
  EXPECT_FALSE(PopUserCheck(server.path(), "ANNA"));
}

// The login takes the folder and the password from the check, so they must
// be what the separate look-ups give: the folder as on disk, the password
// keyed by the name as typed.
TEST_F(UserDirectoryTest, AccountCheckGivesTheFolderOnDiskAndThePassword) {
  AddUser(0, "(System Postmaster)", "ROOT", "secret");
  AddUser(1, "Anna", "ANNA", "");
  std::optional<PopAccount> root = PopAccountCheck(server.path(), "root");
  ASSERT_TRUE(root);
  EXPECT_EQ(root->folder, server / "ROOT");
  EXPECT_EQ(root->password, PopPasswordLookup(server.path(), "root"));
  std::optional<PopAccount> anna = PopAccountCheck(server.path(), "anna");
  ASSERT_TRUE(anna);
  EXPECT_FALSE(anna->password) << "an empty pw is no password";
  EXPECT_FALSE(PopAccountCheck(server.path(), "bob"));
}

TEST_F(UserDirectoryTest, AnEmptyDirHidesEveryLaterRecord) {
  AddUser(0, "(System Postmaster)", "ROOT", "pw");
  AddUser(1, "Gap", "", "", false);
  AddUser(2, "Carl", "CARL", "x");
  EXPECT_FALSE(PopUserCheck(server.path(), "CARL"));
  EXPECT_FALSE(PopPasswordLookup(server.path(), "CARL"));
  EXPECT_EQ(CountUserRecords(SettingsFile(server.path())), 3);  // the admin side tests realname
}

TEST_F(UserDirectoryTest, PasswordLookupUnscramblesWithTheTypedId) {
  AddUser(0, "(System Postmaster)", "ROOT", "Pa ss~!");
  AddUser(1, "Anna", "ANNA", "");
  EXPECT_EQ(PopPasswordLookup(server.path(), "root"), "Pa ss~!");
  EXPECT_FALSE(PopPasswordLookup(server.path(), "ANNA"));  // empty pw: no password
  EXPECT_FALSE(PopPasswordLookup(server.path(), ""));
  EXPECT_FALSE(PopPasswordLookup(server.path(), "NOBODY"));
  // A change is seen at the next look-up.
  Set(0, "pw", Scramble("ROOT", "new"));
  EXPECT_EQ(PopPasswordLookup(server.path(), "ROOT"), "new");
}

TEST_F(UserDirectoryTest, LongIdsAndDuplicates) {
  const std::string id35 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678";
  AddUser(0, "(System Postmaster)", "ROOT", "a");
  AddUser(1, "Long", id35, "long");
  AddUser(2, "Dup one", "DUP", "one");
  AddUser(3, "Dup two", "dup", "two");
  // The user check reads at most 30 characters of dir: the full ID never matches.
  EXPECT_FALSE(PopUserCheck(server.path(), id35));
  EXPECT_EQ(PopPasswordLookup(server.path(), id35), "long");
  EXPECT_EQ(PopPasswordLookup(server.path(), "Dup"), "one");  // the lower index wins
}

TEST_F(UserDirectoryTest, NamesThatLeaveTheServerDirectoryNeverMatch) {
  AddUser(0, "(System Postmaster)", "ROOT", "a");
  fs::create_directories(server / "x");
  for (const std::string& name : std::vector<std::string>{"../x", "..", ".", "ROOT/", "a\\b", std::string("RO\0OT", 5), "RO\tOT", ""}) {
    EXPECT_FALSE(PopUserCheck(server.path(), name)) << name;
  }
}

TEST_F(UserDirectoryTest, DeletingARecordMovesTheLaterOnesDown) {
  AddUser(0, "(System Postmaster)", "ROOT", "a");
  AddUser(1, "Anna", "ANNA", "1");
  AddUser(2, "Bob", "BOB", "2");
  Set(2, "custom", "kept");
  AddUser(3, "Carl", "CARL", "3");
  fs::path ini = SettingsFile(server.path());
  EXPECT_EQ(DeleteUserRecord(ini, 0), std::errc::invalid_argument);
  EXPECT_EQ(DeleteUserRecord(ini, 4), std::errc::invalid_argument);
  ASSERT_FALSE(DeleteUserRecord(ini, 1));
  EXPECT_EQ(CountUserRecords(ini), 3);
  EXPECT_EQ(GetProfileString(ini, "USER1", "realname", ""), "Bob");
  EXPECT_EQ(GetProfileString(ini, "USER1", "custom", ""), "kept");
  EXPECT_EQ(GetProfileString(ini, "USER2", "DIR", ""), "CARL");
  EXPECT_FALSE(GetProfileSectionNames(ini).size() != 3u);
  EXPECT_EQ(PopPasswordLookup(server.path(), "CARL"), "3");
}

}  // namespace
}  // namespace tellmar
