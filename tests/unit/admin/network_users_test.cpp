// The user records behind the dialog: deleting one in the middle of many,
// and the server status box's fields.
#include "admin/users/network_users.h"

#include <gtest/gtest.h>

#include <fstream>

#include "admin/users/server_status.h"
#include "common/profile.h"
#include "common/user_directory.h"
#include "resources/tmadmin32/server_status_ids.h"
#include "tests/unit/common/temp_dir.h"

using namespace tellmar;
using namespace tellmar::admin;
namespace fs = std::filesystem;

namespace {

TEST(NetworkUsersTest, DeletingInTheMiddleOfAThousandMovesEveryLaterRecordWithAllItsKeys) {
  tellmar::testing::TempDir dir;
  const fs::path ini = dir / "tmhub.ini";
  {
    std::ofstream out(ini, std::ios::binary);
    out << "; kept\r\n[Environment]\r\nDomain=office.example\r\n";
    for (int i = 0; i < 1000; ++i)
      out << "[USER" << i << "]\r\nrealname=User " << i << "\r\nDIR=U" << i << "\r\nFutureKey=f" << i << "\r\n";
    out << "[After]\r\nx=1\r\n";
  }
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
  set("PROXYCOLLECTIONS", "TotalProxies", "3");
  set("PROXYCOLLECTIONS", "PROXYACTIVE1", "1");  // not counted: entries run from 2
  set("PROXYCOLLECTIONS", "PROXYACTIVE2", "1");
  set("PROXYCOLLECTIONS", "PROXYACTIVE4", "1");
  set("ServerStatus", "AutoPOPMail", "0");
  set("ServerStatus", "PeriodicAutoMail", "-1");
  set("ServerStatus", "AutoPopTime", "0");
  set("ServerStatus", "Use95DUN", "-1");
  set("ServerStatus", "version", "3.63");
  set("ServerStatus", "timedperiod12", "23:30");

  auto fields = ServerStatusFields(ini, "/srv/tellmar", 7, registry);
  EXPECT_EQ(fields[Ids::kDirectory], "/SRV/TELLMAR");
  EXPECT_EQ(fields[Ids::kUsers], "7");
  EXPECT_EQ(fields[Ids::kMailboxes], "3");
  EXPECT_EQ(fields[Ids::kActiveMailboxes], "2");
  EXPECT_EQ(fields[Ids::kSmtpHost], "0");
  EXPECT_EQ(fields[Ids::kDialUp], "Yes...");
  EXPECT_EQ(fields[Ids::kPeriodic], "0") << "AutoPOPMail 0: neither kind is active";
  EXPECT_EQ(fields[Ids::kTimed], "0");
  EXPECT_EQ(fields[Ids::kMinutes], "5");
  EXPECT_EQ(fields[Ids::kCollected], "1");
  EXPECT_EQ(fields[Ids::kTimed12], "23:30");
  EXPECT_EQ(fields[Ids::kVersion], "3.63 ");
  EXPECT_TRUE(registry.KeyExists(RegistryRoot::ClassesRoot, "Tellmar\\SPVersion")) << "made when missing";

  set("ServerStatus", "AutoPOPMail", "1");
  registry.SetValue(RegistryRoot::ClassesRoot, "Tellmar\\SPVersion", "", "2");
  fields = ServerStatusFields(ini, "/srv/tellmar", 7, registry);
  EXPECT_EQ(fields[Ids::kPeriodic], "1");
  EXPECT_EQ(fields[Ids::kVersion], "3.63 (SP2)");
}

}  // namespace
