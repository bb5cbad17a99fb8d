#include "admin/shell/system_services.h"

#include <gtest/gtest.h>

#include <fstream>

#include "common/profile.h"
#include "tests/unit/common/temp_dir.h"

namespace tellmar::admin {
namespace {

namespace fs = std::filesystem;
using tellmar::testing::TempDir;

void Touch(const fs::path& p) { std::ofstream(p) << "x"; }

TEST(ShortName, PlainNamesAndCleaning) {
  TempDir dir;
  EXPECT_EQ(ShortName(dir.path(), "README", false), "README");
  EXPECT_EQ(ShortName(dir.path(), "ABCDEFGHIJKL", false), "ABCDEFGHIJKL");  // 12, no period
  EXPECT_EQ(ShortName(dir.path(), "letter.text", false), "letter.tex");
  EXPECT_EQ(ShortName(dir.path(), "a b=c.txt", false), "ab_c.txt");
  EXPECT_EQ(ShortName(dir.path(), "name.", false), "name");
  EXPECT_EQ(ShortName(dir.path(), "a.b.c", false), "ab.c");
  EXPECT_FALSE(ShortName(dir / "missing", "x y", false));
}

TEST(ShortName, NumberedCandidatesInBothModes) {
  TempDir dir;
  const std::string longName = "Long File Name.txt";  // cut base LongFile
  EXPECT_EQ(ShortName(dir.path(), longName, false), "LongFi~1.txt");
  Touch(dir / "LONGFI~1.TXT");  // found without regard to case
  EXPECT_EQ(ShortName(dir.path(), longName, false), "LongFi~2.txt");
  EXPECT_EQ(ShortName(dir.path(), longName, true), "LongFi~1.txt");
  // Existing mode: the cut base itself when it exists.
  Touch(dir / "LongFile.txt");
  EXPECT_EQ(ShortName(dir.path(), longName, true), "LongFile.txt");
  // Existing mode gives up after the ninth candidate.
  EXPECT_EQ(ShortName(dir.path(), "Other Long Name", true), "OtherL~9");
  // The stem shrinks as the number grows.
  for (int n = 1; n <= 9; ++n) Touch(dir / ("Number~" + std::to_string(n)));
  Touch(dir / "Numbe~10");
  EXPECT_EQ(ShortName(dir.path(), "Numbered File", false), "Numbe~11");
}

TEST(MoveFileNumbered, NeverOverwritesAndNumbersTheFileName) {
  TempDir dir;
  fs::create_directories(dir / "my.dir");
  std::ofstream(dir / "a.txt") << "first";
  std::ofstream(dir / "b.txt") << "second";
  std::ofstream(dir / "c") << "third";
  std::ofstream(dir / "my.dir/x.txt") << "taken";
  EXPECT_EQ(MoveFileNumbered((dir / "a.txt").string(), (dir / "my.dir/x.txt").string()), "x~1.txt");
  EXPECT_EQ(MoveFileNumbered((dir / "b.txt").string(), (dir / "my.dir/x.txt").string()), "x~2.txt");
  std::ofstream(dir / "my.dir/y") << "taken";
  EXPECT_EQ(MoveFileNumbered((dir / "c").string(), (dir / "my.dir/y").string()), "y~1");
  std::ifstream kept(dir / "my.dir/x.txt");
  std::string text;
  kept >> text;
  EXPECT_EQ(text, "taken");
  EXPECT_FALSE(MoveFileNumbered((dir / "gone").string(), (dir / "z").string()));
}

TEST(DirectoryListings, FirstNextEndAndStrangers) {
  TempDir dir;
  for (const char* name : {"1.TXT", "2.txt", "3.txt", "skip.env"}) Touch(dir / name);
  DirectoryListings listings;
  EXPECT_FALSE(listings.Begin((dir / "*.lck").string()));
  auto first = listings.Begin((dir.path().string() + "\\*.txt"));
  ASSERT_TRUE(first);
  EXPECT_GT(first->handle, 0);
  std::vector<std::string> names{first->name};
  for (std::string n; !(n = listings.Next(first->handle)).empty();) names.push_back(n);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"1.TXT", "2.txt", "3.txt"}));
  EXPECT_EQ(listings.Next(first->handle), "");
  EXPECT_EQ(listings.Next(first->handle + 100), "");  // never issued
  EXPECT_TRUE(listings.End(first->handle));
  EXPECT_FALSE(listings.End(first->handle));  // already ended
  EXPECT_EQ(listings.Next(first->handle), "");
}

TEST(Wildcards, MatchLikeWindows) {
  EXPECT_TRUE(WildcardMatch("*.*", "noext"));
  EXPECT_TRUE(WildcardMatch("*.txt", "A.TXT"));
  EXPECT_TRUE(WildcardMatch("0000????.txt", "0000abcd.txt"));
  EXPECT_FALSE(WildcardMatch("*.txt", "a.txt.env"));
  EXPECT_TRUE(WildcardMatch("*a*b", "xxaxxb"));
}

TEST(SystemServices, RegistrationsWriteTheirValues) {
  TempDir dir;
  RegistryStore reg(dir / "reg");
  const char* run = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
  EXPECT_EQ(RegisterServices(reg, "1", "C:\\TELLMAR\\"), kRegistryOk);
  EXPECT_EQ(reg.GetValue(RegistryRoot::LocalMachine, run, ""), "C:\\TELLMAR\\tmadmin32.exe");
  EXPECT_EQ(reg.GetValue(RegistryRoot::LocalMachine, run, "POPSRV"), "C:\\TELLMAR\\cvpopd.exe");
  EXPECT_EQ(RegisterServices(reg, "0", "C:\\TELLMAR\\"), kRegistryOk);
  EXPECT_EQ(reg.GetValue(RegistryRoot::LocalMachine, run, "SMTPSRV"), "");  // present but empty

  EXPECT_EQ(RegisterMailClient(reg, "/srv/tellmar"), kRegistryOk);
  EXPECT_EQ(reg.GetValue(RegistryRoot::LocalMachine,
                         "Software\\Clients\\Mail\\Penwick\\Protocols\\mailto\\shell\\open\\command", ""),
            "/srv/tellmar\\Zizazivi.exe /M %1");
  EXPECT_EQ(RegisterMailFileTypes(reg, "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS"), kRegistryOk);
  EXPECT_EQ(reg.GetValue(RegistryRoot::ClassesRoot, ".our", ""), "ourfile");
  EXPECT_EQ(reg.GetValue(RegistryRoot::ClassesRoot, "msgfile\\DefaultIcon", ""), "C:\\WINDOWS\\SYSTEM\\SHELL32.DLL,59");

  // The store cannot be written: a file stands where its folder should be.
  std::ofstream(dir / "blocked") << "x";
  EXPECT_EQ(RegisterServices(RegistryStore(dir / "blocked"), "1", "d\\"), kRegistryCannotOpenKey);
}

TEST(SystemServices, MachineQuestionsFromTheRegistry) {
  TempDir dir;
  RegistryStore reg(dir.path());
  EXPECT_EQ(DesktopDragSetting(reg), "0");
  EXPECT_FALSE(HostNameFromRegistry(reg));
  const std::string net = "System\\CurrentControlSet\\Services\\Class\\NetTrans\\";
  ASSERT_FALSE(reg.SetValue(RegistryRoot::LocalMachine, net + "0000", "IPAddress", "0.0.0.0"));
  EXPECT_FALSE(HostAddressFromRegistry(reg));
  ASSERT_FALSE(reg.SetValue(RegistryRoot::LocalMachine, net + "0007", "IPAddress", "192.0.2.7"));
  EXPECT_EQ(HostAddressFromRegistry(reg), "192.0.2.7");
}

TEST(SystemServices, DriveTypeAndDiskSpace) {
  TempDir dir;
  Touch(dir / "found.txt");
  EXPECT_EQ(CheckDriveType("C:").name, "");
  EXPECT_TRUE(CheckDriveType("C:\\").ok);
  auto file = CheckDriveType((dir / "FOUND.*").string());
  EXPECT_TRUE(file.ok);
  EXPECT_EQ(file.name, "found.txt");
  EXPECT_FALSE(CheckDriveType((dir / "nothing*").string()).ok);
  EXPECT_EQ(LowDiskSpaceCheck(dir.path().string()), -1);
  EXPECT_EQ(LowDiskSpaceCheck("/no/such/path"), -1);
}

TEST(SystemServices, UserDefinedHandlersFillTheFirstFreeKey) {
  TempDir dir;
  fs::path ini = dir / "cfg/win.ini";
  EXPECT_TRUE(AddUserDefinedHandler(ini, "first"));
  ASSERT_FALSE(WriteProfileString(ini, "TM3UDF", "UDF2", "taken"));
  ASSERT_FALSE(WriteProfileString(ini, "TM3UDF", "UDF3", "None"));
  EXPECT_TRUE(AddUserDefinedHandler(ini, "second"));
  EXPECT_EQ(GetProfileString(ini, "TM3UDF", "UDF1", ""), "first");
  EXPECT_EQ(GetProfileString(ini, "TM3UDF", "UDF3", ""), "second");
  for (int i = 1; i <= 100; ++i) ASSERT_FALSE(WriteProfileString(ini, "TM3UDF", "UDF" + std::to_string(i), "x"));
  EXPECT_FALSE(AddUserDefinedHandler(ini, "none left"));
}

}  // namespace
}  // namespace tellmar::admin
