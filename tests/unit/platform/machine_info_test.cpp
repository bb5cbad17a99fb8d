#include "platform/machine_info.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "tests/unit/common/temp_dir.h"

namespace tellmar {
namespace {

TEST(MachineInfo, DriveKindsFollowTheMountTable) {
  testing::TempDir dir;
  std::filesystem::create_directories(dir / "net/deep");
  std::filesystem::create_directories(dir / "ram");
  std::filesystem::create_directories(dir / "cd");
  std::string root = std::filesystem::canonical(dir.path()).string();
  std::ofstream(dir / "mounts") << "/dev/vda1 / ext4 rw 0 0\n"
                                << "server:/x " << root << "/net nfs4 rw 0 0\n"
                                << "none " << root << "/ram tmpfs rw 0 0\n"
                                << "/dev/sr0 " << root << "/cd iso9660 ro 0 0\n";
  auto kind = [&](const std::string& p) { return DriveKindOf(p, dir / "mounts"); };
  EXPECT_EQ(kind(root + "/net/deep"), DriveKind::Remote);
  EXPECT_EQ(kind(root + "/ram"), DriveKind::RamDisk);
  EXPECT_EQ(kind(root + "/cd"), DriveKind::CdRom);
  EXPECT_EQ(kind(root), DriveKind::Fixed);
  EXPECT_EQ(kind("C:"), DriveKind::NoRoot);
  EXPECT_EQ(kind(root + "/missing"), DriveKind::NoRoot);
  EXPECT_EQ(DriveKindName(DriveKind::Remote), "NETWORK");
  EXPECT_EQ(DriveKindName(DriveKind::NoRoot), "");
}

class TimeZone : public ::testing::Test {
 protected:
  void TearDown() override {
    if (saved_) ::setenv("TZ", saved_->c_str(), 1); else ::unsetenv("TZ");
    ::tzset();
  }
  std::optional<std::string> saved_ = getenv("TZ") ? std::optional<std::string>(getenv("TZ")) : std::nullopt;
};

TEST_F(TimeZone, BiasesComeFromTheZoneRules) {
  // A POSIX rule that is on daylight saving time the whole year.
  ::setenv("TZ", "EST5EDT,0/0,J365/25", 1);
  TimeZoneBiases est = CurrentTimeZoneBiases();
  EXPECT_TRUE(est.known);
  EXPECT_EQ(est.biasMinutes, 300);
  EXPECT_TRUE(est.daylightNow);
  EXPECT_EQ(est.daylightBiasMinutes, -60);

  // Zones without daylight saving rules still have a standard bias.
  ::setenv("TZ", "UTC0", 1);
  TimeZoneBiases utc = CurrentTimeZoneBiases();
  EXPECT_TRUE(utc.known);
  EXPECT_EQ(utc.biasMinutes, 0);
  ::setenv("TZ", "EAT-3", 1);
  TimeZoneBiases east = CurrentTimeZoneBiases();
  EXPECT_TRUE(east.known);
  EXPECT_FALSE(east.daylightNow);
  EXPECT_EQ(east.biasMinutes, -180);
}

}  // namespace
}  // namespace tellmar
