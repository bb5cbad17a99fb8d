#include "common/profile.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <set>
#include <sstream>

#include "common/ini_document.h"
#include "tests/unit/common/temp_dir.h"

namespace tellmar {
namespace {

namespace fs = std::filesystem;
using testing::FileNames;
using testing::TempDir;
using testing::PutFile;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(Profile, ReadsDefaultsCutsAndIntegers) {
  TempDir dir;
  fs::path ini = dir / "tmhub.ini";
  PutFile(ini, "[popsrv]\r\nport= 1110x\r\ntimeout=\r\nneg=  -12\r\nbig=99999999999\r\n"
                 "word=abc\r\n[USER1]\r\ndir=ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789\r\n");
  EXPECT_EQ(GetProfileInt(ini, "POPSRV", "Port", 110), 1110);
  EXPECT_EQ(GetProfileInt(ini, "popsrv", "timeout", 5), 5);  // empty reads as the default
  EXPECT_EQ(GetProfileInt(ini, "popsrv", "neg", 0), -12);
  EXPECT_EQ(GetProfileInt(ini, "popsrv", "big", 0), 2147483647);
  EXPECT_EQ(GetProfileInt(ini, "popsrv", "word", 7), 0);
  EXPECT_EQ(GetProfileInt(ini, "popsrv", "missing", 7), 7);
  EXPECT_EQ(GetProfileString(ini, "user1", "DIR", "", 31), "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123");
  EXPECT_EQ(GetProfileString(ini, "user1", "nothing", "default", 4), "def");
  EXPECT_EQ(GetProfileString(ini, "user1", "dir", "", 0), "");
  EXPECT_EQ(GetProfileString(dir / "missing.ini", "a", "b", "dflt"), "dflt");
  EXPECT_EQ(GetProfileString(dir.path(), "a", "b", "dflt"), "dflt");  // a directory
}

TEST(Profile, FileNameMatchesWithoutRegardToCase) {
  TempDir dir;
  PutFile(dir / "TMHUB.INI", "[a]\nk=v\n");
  EXPECT_EQ(GetProfileString(dir / "tmhub.ini", "a", "k", ""), "v");
  ASSERT_FALSE(WriteProfileString(dir / "tmhub.ini", "a", "k", "w"));
  EXPECT_EQ(ReadFile(dir / "TMHUB.INI"), "[a]\nk=w\n");
  EXPECT_FALSE(fs::exists(dir / "tmhub.ini"));
}

TEST(Profile, EveryReadSeesTheLatestWriteOfAnyone) {
  TempDir dir;
  fs::path ini = dir / "x.ini";
  PutFile(ini, "[a]\r\nk=1\r\n");
  auto first = LoadProfile(ini);
  EXPECT_EQ(first, LoadProfile(ini));  // unchanged: not parsed again
  // Another program rewrites the file in place, same size.
  PutFile(ini, "[a]\r\nk=2\r\n");
  struct timespec later[2] = {{0, UTIME_OMIT}, {2000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, ini.c_str(), later, 0), 0);
  EXPECT_EQ(GetProfileString(ini, "a", "k", ""), "2");
  ASSERT_FALSE(WriteProfileString(ini, "a", "k", "3"));
  EXPECT_EQ(GetProfileString(ini, "a", "k", ""), "3");
}

TEST(Profile, WritesDeletesAndEnumerates) {
  TempDir dir;
  fs::path ini = dir / "new.ini";
  ASSERT_FALSE(WriteProfileString(ini, "Environment", "RemoteUpdate", "-1"));
  ASSERT_FALSE(WriteProfileString(ini, "popsrv", "port", "110"));
  ASSERT_FALSE(WriteProfileString(ini, "popsrv", "bind", "1"));
  EXPECT_EQ(ReadFile(ini), "[Environment]\r\nRemoteUpdate=-1\r\n\r\n[popsrv]\r\nport=110\r\nbind=1\r\n");
  EXPECT_EQ(GetProfileSectionNames(ini), (std::vector<std::string>{"Environment", "popsrv"}));
  EXPECT_EQ(GetProfileKeyNames(ini, "POPSRV"), (std::vector<std::string>{"port", "bind"}));
  ASSERT_FALSE(WriteProfileString(ini, "popsrv", "port", std::nullopt));
  ASSERT_FALSE(DeleteProfileSection(ini, "environment"));
  EXPECT_EQ(ReadFile(ini), "[popsrv]\r\nbind=1\r\n");
}

TEST(Profile, RefusesWhatWouldBreakTheFile) {
  TempDir dir;
  fs::path ini = dir / "t.ini";
  PutFile(ini, "[a]\r\nk=v\r\n");
  EXPECT_TRUE(WriteProfileString(ini, "a", "k", "two\r\nlines"));
  EXPECT_TRUE(WriteProfileString(ini, "a]", "k", "v"));
  EXPECT_TRUE(WriteProfileString(ini, "a", "k=x", "v"));
  EXPECT_TRUE(WriteProfileString(ini, "a", "[k", "v"));
  EXPECT_TRUE(WriteProfileString(ini, "", "k", "v"));
  EXPECT_EQ(ReadFile(ini), "[a]\r\nk=v\r\n");
  // A directory in the file's place: a clear error, nothing made.
  fs::create_directory(dir / "d.ini");
  EXPECT_EQ(WriteProfileString(dir / "d.ini", "a", "k", "v"), std::errc::is_a_directory);
  EXPECT_TRUE(WriteProfileString(dir / "no-such-dir" / "x.ini", "a", "k", "v"));
}

TEST(Profile, BatchLandsAsOneReplacement) {
  TempDir dir;
  fs::path ini = dir / "b.ini";
  PutFile(ini, "[keep]\r\nx=1\r\n");
  ProfileBatch batch(ini);
  for (int i = 0; i < 300; ++i) batch.Write("PRI" + std::to_string(i), "v", std::to_string(i));
  batch.DeleteSection("keep");
  EXPECT_EQ(ReadFile(ini), "[keep]\r\nx=1\r\n");  // nothing lands before Commit
  ASSERT_FALSE(batch.Commit());
  EXPECT_EQ(GetProfileString(ini, "PRI299", "v", ""), "299");
  EXPECT_EQ(GetProfileString(ini, "keep", "x", "gone"), "gone");
  EXPECT_EQ(GetProfileSectionNames(ini).size(), 300u);
}

TEST(Profile, FailedWriteLeavesTheOldFileIntact) {
  TempDir dir;
  fs::path ini = dir / "full.ini";
  const std::string original = "[a]\r\nk=old\r\n; comment\r\n";
  PutFile(ini, original);
  // A child whose files may not grow past 4 KiB plays the full disk; the
  // limit's signal must not end it: the write fails instead.
  pid_t child = ::fork();
  if (child == 0) {
    rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    auto ec = WriteProfileString(ini, "a", "k", std::string(100000, 'x'));
    ::_exit(ec ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write was reported as success";
  EXPECT_EQ(ReadFile(ini), original);
  EXPECT_EQ(FileNames(dir.path()), std::set<std::string>{"full.ini"}) << "a temporary file was left behind";
}

TEST(Profile, AWriteRemovesTemporaryFilesOfWritersThatDied) {
  TempDir dir;
  fs::path ini = dir / "tmhub.ini";
  PutFile(ini, "[a]\r\nk=1\r\n");
  // Left by writers killed before their rename; the others are not ours.
  for (const char* orphan : {".tmhub.ini.a1B2c3", ".tmhub.ini.zzzzzz"}) PutFile(dir / orphan, "[a]\r\nk=0\r\n");
  for (const char* other : {".tmhub.ini.keep", ".other.ini.a1B2c3", "tmhub.ini.a1B2c3"}) PutFile(dir / other, "x");
  ASSERT_FALSE(WriteProfileString(ini, "a", "k", "2"));
  EXPECT_EQ(FileNames(dir.path()), (std::set<std::string>{"tmhub.ini", ".tmhub.ini.keep", ".other.ini.a1B2c3", "tmhub.ini.a1B2c3"}));
  EXPECT_EQ(GetProfileString(ini, "a", "k", ""), "2");
}

TEST(Profile, TwoProcessesWritingAtOnceLoseNothing) {
  TempDir dir;
  fs::path ini = dir / "shared.ini";
  constexpr int kWrites = 1000;
  auto writer = [&](const char* section) {
    for (int i = 0; i < kWrites; ++i) {
      if (auto ec = WriteProfileString(ini, section, "k" + std::to_string(i), std::to_string(i))) {
        std::fprintf(stderr, "write %d failed: %s\n", i, ec.message().c_str());
        return 1;
      }
    }
    return 0;
  };
  pid_t children[2];
  const char* sections[2] = {"first", "second"};
  for (int c = 0; c < 2; ++c) {
    children[c] = ::fork();
    if (children[c] == 0) ::_exit(writer(sections[c]));
  }
  for (pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (const char* section : sections) {
    EXPECT_EQ(GetProfileKeyNames(ini, section).size(), static_cast<std::size_t>(kWrites)) << section;
    EXPECT_EQ(GetProfileString(ini, section, "k999", ""), "999");
  }
}

TEST(Profile, PermissionsOfTheFileSurviveAWrite) {
  TempDir dir;
  fs::path ini = dir / "p.ini";
  PutFile(ini, "[a]\n");
  fs::permissions(ini, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_FALSE(WriteProfileString(ini, "a", "k", "v"));
  EXPECT_EQ(fs::status(ini).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

}  // namespace
}  // namespace tellmar

namespace tellmar {
namespace {

// After a write the program keeps the edited document as the file's parse:
// it must answer exactly as a fresh parse of the written bytes does.
TEST(Profile, TheDocumentKeptAfterAWriteMatchesAFreshParse) {
  testing::TempDir dir;
  fs::path ini = dir / "kept.ini";
  PutFile(ini, "; head\n[a]\nk=1\n[b]\nx=2\n[A]\nlate=3\n[c]\ny=4");
  ProfileBatch batch(ini);
  batch.DeleteSection("a");
  batch.Write("b", "new", "5");
  batch.RenameSection("c", "a");
  batch.Write("d", "z", "6");
  batch.DeleteKey("b", "x");
  ASSERT_FALSE(batch.Commit());
  auto kept = LoadProfile(ini);
  IniDocument fresh(ReadFile(ini));
  EXPECT_EQ(kept->Serialize(), ReadFile(ini));
  EXPECT_EQ(kept->SectionNames(), fresh.SectionNames());
  for (const std::string& section : fresh.SectionNames()) {
    EXPECT_EQ(kept->KeyNames(section), fresh.KeyNames(section)) << section;
    for (const std::string& key : fresh.KeyNames(section)) EXPECT_EQ(kept->Find(section, key), fresh.Find(section, key));
  }
  EXPECT_EQ(GetProfileString(ini, "a", "y", ""), "4");
  EXPECT_EQ(GetProfileString(ini, "a", "late", "gone"), "gone");
}

}  // namespace
}  // namespace tellmar
