// The user records behind the dialog: deleting one in the middle of many,
// and the server status box's fields.
#include "admin/users/network_users.h"

#include <gtest/gtest.h>

#include <fstream>

#include "admin/users/server_status.h"
#include "common/profile.h"
#include "common/user_directory.h"
#include "resources/tmadmin32/server_status_ids.h"
#include "tests/unit/admin/admin_fixture.h"

using namespace tellmar;
using namespace tellmar::admin;
namespace fs = std::filesystem;

namespace {

TEST(NetworkUsersTest, DeletingInTheMiddleOfAThousandMovesEveryLaterRecordWithAllItsKeys) {
  tellmar::testing::TempDir dir;
  const fs::path ini = dir / "tmhub.ini";
  std::string text = "; kept\r\n[Environment]\r\nDomain=office.example\r\n";
  for (int i = 0; i < 1000; ++i) {
    const std::string n = std::to_string(i);
    text += "[USER" + n + "]\r\nrealname=User " + n + "\r\nDIR=U" + n + "\r\nFutureKey=f" + n + "\r\n";
  }
  tellmar::testing::PutFile(ini, text + "[After]\r\nx=1\r\n");
  fs::create_directory(dir / "U500");
  std::ofstream(dir / "U500" / "00000001.txt") << "mail";

  const DeletionResult result = DeleteNetworkUser(ini, dir.path(), 500, "U500");
  EXPECT_EQ(result.step, DeletionResult::kDone);
  EXPECT_FALSE(fs::exists(dir / "U500"));
  EXPECT_EQ(CountUserRecords(ini), 999);
  EXPECT_EQ(GetProfileString(ini, "USER499", "DIR", ""), "U499");
  for (int i = 500; i < 999; ++i) {
    ASSERT_EQ(GetProfileString(ini, UserSectionName(i), "realname", ""), "User " + std::to_string(i + 1));
    ASSERT_EQ(GetProfileString(ini, UserSectionName(i), "FutureKey", ""), "f" + std::to_string(i + 1));
  }
  EXPECT_EQ(GetProfileSectionNames(ini).size(), 1u + 999u + 1u) << "no gap, no stray section";
  EXPECT_EQ(GetProfileString(ini, "After", "x", ""), "1");
}

TEST(NetworkUsersTest, AFolderWithASubFolderIsNotRemovedAndTheRecordStays) {
  tellmar::testing::TempDir dir;
  const fs::path ini = dir / "tmhub.ini";
  for (int i = 0; i < 3; ++i) {
    WriteProfileString(ini, UserSectionName(i), "realname", "U" + std::to_string(i));
    WriteProfileString(ini, UserSectionName(i), "DIR", "U" + std::to_string(i));
  }
  fs::create_directories(dir / "u1" / "sub");
  std::ofstream(dir / "u1" / "00000001.txt") << "mail";
  const DeletionResult result = DeleteNetworkUser(ini, dir.path(), 1, "U1");
  EXPECT_EQ(result.step, DeletionResult::kFolderFailed);
  EXPECT_TRUE(fs::exists(dir / "u1" / "00000001.txt"));
  EXPECT_EQ(GetProfileString(ini, "USER1", "realname", ""), "U1");
}

TEST(ServerStatusTest, FieldsComeFromTheSettingsAndTheRegistry) {
  tellmar::testing::TempDir dir;
  const fs::path ini = dir / "tmhub.ini";
  RegistryStore registry(dir / "registry");
  using Ids = res::tmadmin32::ServerStatus;
  auto set = [&](const char* s, const char* k, const char* v) { WriteProfileString(ini, s, k, v); };
  // PROXYACTIVE1 is not counted: the entries run from 2.
  tellmar::testing::PutFile(ini, "[PROXYCOLLECTIONS]\r\nTotalProxies=3\r\nPROXYACTIVE1=1\r\nPROXYACTIVE2=1\r\n"
                                   "PROXYACTIVE4=1\r\n[ServerStatus]\r\nAutoPOPMail=0\r\nPeriodicAutoMail=-1\r\n"
                                   "AutoPopTime=0\r\nUse95DUN=-1\r\nversion=3.63\r\ntimedperiod12=23:30\r\n");
  auto fields = ServerStatusFields(ini, "/srv/tellmar", 7, registry);
  // AutoPOPMail 0: neither kind is active.
  const std::pair<int, const char*> expected[] = {
      {Ids::kDirectory, "/SRV/TELLMAR"}, {Ids::kUsers, "7"},   {Ids::kMailboxes, "3"}, {Ids::kActiveMailboxes, "2"},
      {Ids::kSmtpHost, "0"},             {Ids::kDialUp, "Yes..."}, {Ids::kPeriodic, "0"}, {Ids::kTimed, "0"},
      {Ids::kMinutes, "5"},              {Ids::kCollected, "1"}, {Ids::kTimed12, "23:30"}, {Ids::kVersion, "3.63 "}};
  for (const auto& [id, text] : expected) EXPECT_EQ(fields[id], text) << id;
  EXPECT_TRUE(registry.KeyExists(RegistryRoot::ClassesRoot, "Tellmar\\SPVersion")) << "made when missing";

  set("ServerStatus", "AutoPOPMail", "1");
  registry.SetValue(RegistryRoot::ClassesRoot, "Tellmar\\SPVersion", "", "2");
  fields = ServerStatusFields(ini, "/srv/tellmar", 7, registry);
  EXPECT_EQ(fields[Ids::kPeriodic], "1");
  EXPECT_EQ(fields[Ids::kVersion], "3.63 (SP2)");
}

}  // namespace
