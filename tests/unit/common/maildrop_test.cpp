#include "common/maildrop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <set>

#include "tests/unit/common/temp_dir.h"

namespace tellmar {
namespace {

namespace fs = std::filesystem;
using testing::FileNames;
using testing::PutFile;

// A message number as its file name's stem: eight lower-case hex digits.
std::string Stem(int number) {
  char name[16];
  std::snprintf(name, sizeof name, "%08x", number);
  return name;
}

class MaildropTest : public ::testing::Test {
 protected:
  MaildropTest() { fs::create_directory(dir_ / "ANNA"); }
  fs::path Box(const std::string& name) const { return dir_ / "ANNA" / name; }
  Maildrop Build(const std::string& id = "anna") {
    std::error_code error;
    std::optional<Maildrop> drop = Maildrop::Build(dir_.path(), id, error);
    EXPECT_TRUE(drop.has_value()) << error.message();
    return drop ? std::move(*drop) : Maildrop();
  }
  std::set<std::string> Names(const Maildrop& drop) const {
    std::set<std::string> names;
    for (const auto& e : drop.entries()) names.insert(e.fileName);
    return names;
  }
  testing::TempDir dir_;
};

TEST_F(MaildropTest, OffersNonEmptyUnlockedTxtFilesOnly) {
  PutFile(Box("00000001.txt"), "a\r\n");
  PutFile(Box("00000002.TXT"), "bb\n");
  PutFile(Box("00000002.env"), "MAIL FROM: <x@y>\r\n");
  PutFile(Box("00000003.txt"), "");
  PutFile(Box("00000004.txt"), "locked\r\n");
  PutFile(Box("00000004.LCK"), "");
  PutFile(Box("notes.doc"), "x");
  fs::create_directory(Box("folder.txt"));
  fs::create_symlink("/etc/hostname", Box("link.txt"));

  Maildrop drop = Build();
  EXPECT_EQ(Names(drop), (std::set<std::string>{"00000001.txt", "00000002.TXT"}));
  // Numbered 1.. in listing order, sizes as stored.
  for (std::size_t i = 0; i < drop.size(); ++i) EXPECT_EQ(drop.entries()[i].number, int(i) + 1);
  EXPECT_EQ(drop.All().count, 2);
  EXPECT_EQ(drop.All().octets, 6u);
}

TEST_F(MaildropTest, MissingFolderIsEmptyAndUnsafeNamesFail) {
  std::error_code error;
  auto empty = Maildrop::Build(dir_.path(), "NOBODY", error);
  ASSERT_TRUE(empty.has_value());
  EXPECT_EQ(empty->size(), 0u);
  for (const char* bad : {"..", "../ANNA", "a/b", "a\\b"}) {
    EXPECT_FALSE(Maildrop::Build(dir_.path(), bad, error).has_value()) << bad;
  }
}

TEST_F(MaildropTest, MarksTotalsAndRangeLookUp) {
  PutFile(Box("00000001.txt"), "1234");
  PutFile(Box("00000002.txt"), "123456");
  Maildrop drop = Build();
  ASSERT_EQ(drop.size(), 2u);
  EXPECT_EQ(drop.Find(0), nullptr);
  EXPECT_EQ(drop.Find(3), nullptr);
  EXPECT_EQ(drop.Find(UINT64_MAX), nullptr);
  EXPECT_EQ(drop.Find((1ull << 32) + 1), nullptr);  // never wraps onto message 1
  drop.Mark(drop.entries()[0].number);
  EXPECT_EQ(drop.Live().count, 1);
  EXPECT_EQ(drop.Live().octets, drop.entries()[1].size);
  EXPECT_EQ(drop.All().octets, 10u);
  drop.ClearMarks();
  EXPECT_EQ(drop.Live().count, 2);
}

TEST_F(MaildropTest, CommitDeletesMarkedMessagesAndEnvelopesOnly) {
  for (const char* n : {"00000001", "00000002", "00000003"}) {
    PutFile(Box(std::string(n) + ".txt"), "msg\r\n");
    PutFile(Box(std::string(n) + ".env"), "MAIL FROM: <a@b>\r\n");
  }
  Maildrop drop = Build("ANNA");
  const std::string marked = drop.entries()[1].fileName;
  drop.Mark(2);
  EXPECT_EQ(drop.Commit(), 1);
  EXPECT_FALSE(fs::exists(Box(marked)));
  EXPECT_FALSE(fs::exists(Box(CompanionName(marked, "env"))));
  EXPECT_EQ(FileNames(dir_ / "ANNA").size(), 4u);
}

TEST_F(MaildropTest, CommitLeavesReplacedAndNowLockedMessagesAlone) {
  PutFile(Box("00000001.txt"), "first\r\n");
  PutFile(Box("00000001.env"), "env\r\n");
  PutFile(Box("00000002.txt"), "second\r\n");
  Maildrop drop = Build();
  for (const auto& e : drop.entries()) drop.Mark(e.number);

  // 00000001 is replaced by another file of the same name; 00000002 is held.
  fs::path replacement = Box("new.tmp");
  PutFile(replacement, "other\r\n");
  fs::rename(replacement, Box("00000001.txt"));
  PutFile(Box("00000002.lck"), "");

  EXPECT_EQ(drop.Commit(), 0);
  EXPECT_TRUE(fs::exists(Box("00000001.txt")));
  EXPECT_TRUE(fs::exists(Box("00000001.env")));
  EXPECT_TRUE(fs::exists(Box("00000002.txt")));
}

TEST_F(MaildropTest, CommitFindsCompanionsWhoseNameDiffersInCase) {
  for (const char* n : {"00000001", "00000002", "00000003"}) PutFile(Box(std::string(n) + ".txt"), "m\r\n");
  PutFile(Box("00000002.ENV"), "env\r\n");
  Maildrop drop = Build();
  for (const auto& e : drop.entries()) drop.Mark(e.number);
  PutFile(Box("00000003.Lck"), "");  // held once the session is under way

  EXPECT_EQ(drop.Commit(), 2);
  EXPECT_FALSE(fs::exists(Box("00000002.ENV")));
  EXPECT_TRUE(fs::exists(Box("00000003.txt")));
}

TEST_F(MaildropTest, CommitOfManyTakesEachMessageWithItsOwnEnvelopeOnly) {
  // Envelopes in either case, one message without one, a lock file and a
  // stray envelope of no message: one listing of the folder serves them all.
  for (int i = 1; i <= 40; ++i) {
    PutFile(Box(Stem(i) + ".txt"), "m\r\n");
    if (i % 5 != 0) PutFile(Box(Stem(i) + (i % 2 ? ".env" : ".ENV")), "env\r\n");
  }
  PutFile(Box("000000ff.env"), "stray\r\n");
  Maildrop drop = Build();
  ASSERT_EQ(drop.size(), 40u);
  for (const auto& e : drop.entries()) {
    if (e.number % 3 != 0) drop.Mark(e.number);
  }
  PutFile(Box("00000004.Lck"), "");  // held since the listing

  EXPECT_EQ(drop.Commit(), 26);
  std::set<std::string> expected{"000000ff.env", "00000004.Lck", "00000004.txt", "00000004.ENV"};
  for (int i = 3; i <= 40; i += 3) {
    expected.insert(Stem(i) + ".txt");
    if (i % 5 != 0) expected.insert(Stem(i) + (i % 2 ? ".env" : ".ENV"));
  }
  EXPECT_EQ(FileNames(dir_ / "ANNA"), expected);
}

TEST_F(MaildropTest, CommitKeepsEnvelopeWhoseMessageIsAlreadyGone) {
  PutFile(Box("00000001.txt"), "first\r\n");
  PutFile(Box("00000001.env"), "MAIL FROM: <old@x>\r\n");
  Maildrop drop = Build();
  drop.Mark(1);
  // The message goes away during the session, and a new delivery under the
  // same number has written its envelope and not yet its message.
  fs::remove(Box("00000001.txt"));
  PutFile(Box("00000001.env"), "MAIL FROM: <new@x>\r\n");

  EXPECT_EQ(drop.Commit(), 0);
  EXPECT_TRUE(fs::exists(Box("00000001.env")));
}

TEST_F(MaildropTest, OpenReadsStoredBytesAndFailsForVanishedFile) {
  PutFile(Box("00000001.txt"), "a\nb\n");
  Maildrop drop = Build();
  MessageFile file = drop.Open(drop.entries()[0]);
  ASSERT_TRUE(file.is_open());
  char buf[8] = {};
  EXPECT_EQ(::read(file.fd(), buf, sizeof buf), 4);
  EXPECT_EQ(std::string(buf, 4), "a\nb\n");
  fs::remove(Box("00000001.txt"));
  EXPECT_FALSE(drop.Open(drop.entries()[0]).is_open());
}

TEST(CompanionNameTest, ReplacesLastThreeCharacters) {
  EXPECT_EQ(CompanionName("0000abcd.txt", "lck"), "0000abcd.lck");
  EXPECT_EQ(CompanionName("X.TXT", "env"), "X.env");
}

}  // namespace
}  // namespace tellmar
