#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "dialer/dial_log.h"
#include "dialer/settings.h"
#include "dialer/texts.h"
#include "tests/unit/common/temp_dir.h"

namespace tellmar::dialer {
namespace {

namespace fs = std::filesystem;

TEST(TextsTest, OnlineTimeUsesTheFormForItsSize) {
  EXPECT_EQ(OnlineTimeText(59), "Online for 59 secs so far...");
  EXPECT_EQ(OnlineTimeText(60), "Online for 1m 0 secs so far...");
  EXPECT_EQ(OnlineTimeText(3599), "Online for 59m 59 secs so far...");
  EXPECT_EQ(OnlineTimeText(3600), "Online for 1h:0m:0secs so far...");
  EXPECT_EQ(OnlineTimeText(86399), "Online for 23h:59m:59secs so far...");
  EXPECT_EQ(OnlineTimeText(90061), "Online for 1 Days + 1h:1m:1secs so far...");
}

TEST(TextsTest, TrayTipAndTimeStamp) {
  EXPECT_EQ(TrayTip(0, "", "ISP"), "Dun System available for connection...");
  EXPECT_EQ(TrayTip(2, "", "ISP"), "Dun system is dialling... - ISP");
  EXPECT_EQ(TrayTip(1, "Connected Successfully", "ISP"), "Connected Successfully - ISP");
  EXPECT_EQ(TrayTip(1, "Online for 5 secs so far...", std::string(100, 'x')).size(), kMaxTrayTip);

  std::tm t{};
  t.tm_year = 99;
  t.tm_mon = 11;
  t.tm_mday = 5;
  t.tm_wday = 0;
  t.tm_hour = 7;
  t.tm_min = 3;
  t.tm_sec = 9;
  EXPECT_EQ(LogTimeStamp(t), "Sun Dec 05 07:03:09 1999");
  EXPECT_EQ(LogTimeStamp(t).size(), 24u);
}

class LogTest : public ::testing::Test {
 protected:
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  }
  static void Write(const fs::path& p, const std::string& s) { std::ofstream(p, std::ios::binary) << s; }
  static std::tm Fixed() {
    std::tm t{};
    t.tm_year = 100;
    t.tm_mday = 2;
    t.tm_wday = 0;
    return t;
  }
  tellmar::testing::TempDir temp_;
  const fs::path dir_ = temp_.path();
};

TEST_F(LogTest, LinesHaveTheStampAndCrLf) {
  bool on = true;
  DialLog log(dir_, [&] { return on; }, Fixed);
  log.Write("Dialwick is being loaded...");
  on = false;
  log.Write("not written");
  EXPECT_EQ(Read(dir_ / "dialwick.log"), "Sun Jan 02 00:00:00 2000 : Dialwick is being loaded...\r\n");
}

TEST_F(LogTest, TrimKeepsTheLast32768BytesOnlyAboveTheLimit) {
  const fs::path file = dir_ / "dialwick.log";
  std::string exact(65536, 'a');
  Write(file, exact);
  EXPECT_TRUE(TrimLog(file));
  EXPECT_EQ(fs::file_size(file), 65536u);

  std::string over = "HEAD" + std::string(65533 - 32768, 'b') + std::string(32768, 'c');
  ASSERT_EQ(over.size(), 65537u);
  over[over.size() - 32768] = 'X';  // first byte kept
  Write(file, over);
  DialLog log(dir_, nullptr, Fixed);
  log.Write("next");
  std::string after = Read(file);
  EXPECT_EQ(after.substr(0, 32768), over.substr(over.size() - 32768));
  EXPECT_EQ(after.substr(32768), "Sun Jan 02 00:00:00 2000 : next\r\n");
  EXPECT_FALSE(fs::exists(dir_ / "dialwick.tmp"));
}

TEST_F(LogTest, AnUnwritableLogIsSkippedSilently) {
  DialLog log(dir_ / "does" / "not" / "exist", nullptr, Fixed);
  log.Write("lost quietly");
  EXPECT_FALSE(fs::exists(dir_ / "does"));
}

TEST_F(LogTest, SettingsDirectoryWithOrWithoutSeparatorAndMissing) {
  fs::create_directories(dir_ / "srv");
  Write(dir_ / "srv" / "DIALWICK.INI", "[dun32]\r\nServerSystem=1\r\nDefaultDUN=Office\r\n");
  Write(dir_ / "tmhub.ini", "[environment]\r\nRunAsService=-1\r\n");
  DialerSettings s(dir_, dir_ / "win.ini");
  EXPECT_TRUE(s.RunAsService());
  EXPECT_FALSE(s.ServerSystem());
  EXPECT_EQ(s.DefaultDun(), "None");

  for (std::string text : {(dir_ / "srv").string(), (dir_ / "srv").string() + "\\",
                           (dir_ / "srv").string() + "/"}) {
    EXPECT_FALSE(s.SetSettingsDir(text)) << text;
    EXPECT_EQ(s.DialwickIni(), dir_ / "srv" / "DIALWICK.INI") << text;
    EXPECT_TRUE(s.ServerSystem());
    EXPECT_EQ(s.DefaultDun(), "Office");
  }
  Write(dir_ / "srv" / "DIALWICK.INI", "[dun32]\r\nServerSystem=yes\r\n");
  EXPECT_FALSE(s.ServerSystem());

  // A directory that does not exist is taken, reported, and reads defaults;
  // a write there fails instead of landing elsewhere.
  EXPECT_TRUE(s.SetSettingsDir((dir_ / "nowhere").string()));
  EXPECT_EQ(s.DefaultDun(), "None");
  EXPECT_EQ(s.SavePassword(), 1);
  EXPECT_TRUE(s.SetDefaultDun("Office"));
  EXPECT_FALSE(fs::exists(dir_ / "nowhere"));

  Write(dir_ / "tmhub.ini", "[Environment]\r\nRunAsService=0\r\n");
  EXPECT_FALSE(s.RunAsService());
  EXPECT_TRUE(s.ShowProgress());
  EXPECT_FALSE(s.SetShowProgress(false));
  EXPECT_FALSE(s.ShowProgress());
}

}  // namespace
}  // namespace tellmar::dialer
