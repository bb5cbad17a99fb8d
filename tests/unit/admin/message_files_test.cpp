// The message operations' file work on a real store in a temporary
// directory: companions in any letter case, the lock file, copies that take
// a free name and never replace anything, and moves that lose nothing when
// a copy fails.
#include "admin/mailview/message_files.h"

#include <unistd.h>

#include "admin/mailview/message_ops.h"
#include "common/file_bytes.h"
#include "tests/unit/admin/admin_fixture.h"

using namespace tellmar;
using namespace tellmar::admin::mailview;
namespace fs = std::filesystem;

namespace {

class MessageFilesTest : public ::testing::Test {
 protected:
  MessageFilesTest() {
    fs::create_directory(dir_ / "ANNA");
    fs::create_directory(dir_ / "BOB");
  }
  ~MessageFilesTest() override { SetCopyWriter({}); }

  fs::path Put(const std::string& folder, const std::string& name, const std::string& bytes) {
    return tellmar::testing::PutFile(dir_.path(), folder, name, bytes);
  }
  std::string Read(const fs::path& file) {
    std::error_code ec;
    return ReadFileBytes(file, ec).value_or("(missing)");
  }
  std::set<std::string> Names(const std::string& folder) { return tellmar::testing::FileNames(dir_ / folder); }

  tellmar::testing::TempDir dir_;
  MessageFiles files_;
};

TEST_F(MessageFilesTest, DeleteTakesEveryCompanionInAnyCaseAndNothingElse) {
  const fs::path message = Put("ANNA", "0000abcd.txt", "Subject: hi\r\n\r\nbody\r\n");
  Put("ANNA", "0000ABCD.ENV", "MAIL FROM: <a@b>\r\n");
  Put("ANNA", "0000abcd.Lck", "held");
  Put("ANNA", "0000abcd.lck", "held twice");
  Put("ANNA", "0000abcd.TRG", "");
  Put("ANNA", "0000abce.txt", "neighbour");
  Put("ANNA", "0000abcd.txt.bak", "not a companion");

  EXPECT_FALSE(files_.Delete(message));
  EXPECT_EQ(Names("ANNA"), (std::set<std::string>{"0000abce.txt", "0000abcd.txt.bak"}));
  // Gone already (the POP3 server took it meanwhile): still done.
  EXPECT_FALSE(files_.Delete(message));
}

TEST_F(MessageFilesTest, HoldWritesTheLockTextWithTheFourDigitYearAndReleaseRemovesEverySpelling) {
  const fs::path message = Put("ANNA", "0000abcd.txt", "x");
  std::tm when{};
  when.tm_year = 126, when.tm_mon = 2, when.tm_mday = 7, when.tm_hour = 12, when.tm_isdst = -1;
  const std::time_t now = std::mktime(&when);
  EXPECT_EQ(LockFileText(message, now), "7/Mar/2026 HH:SS : " + message.string() + " locked...");

  EXPECT_FALSE(IsHeld(message));
  ASSERT_TRUE(SetHeld(message, true, now));
  EXPECT_TRUE(IsHeld(message));
  EXPECT_EQ(Read(dir_ / "ANNA" / "0000abcd.lck"), LockFileText(message, now));

  // An upper-case message gets an upper-case lock; an existing lock of any
  // spelling is replaced, not doubled.
  const fs::path upper = Put("ANNA", "0000ABCF.TXT", "y");
  ASSERT_TRUE(SetHeld(upper, true, now));
  EXPECT_TRUE(fs::exists(dir_ / "ANNA" / "0000ABCF.LCK"));
  Put("ANNA", "0000abcd.LCK", "second spelling");
  ASSERT_TRUE(SetHeld(message, false, now));
  EXPECT_FALSE(IsHeld(message));
  EXPECT_TRUE(IsHeld(upper));
  EXPECT_EQ(Names("ANNA"), (std::set<std::string>{"0000abcd.txt", "0000ABCF.TXT", "0000ABCF.LCK"}));
}

TEST_F(MessageFilesTest, CopyKeepsTheNameWhenFreeAndCarriesEnvelopeAndLock) {
  const fs::path message = Put("ANNA", "0000abcd.txt", "Subject: one\r\n\r\nbody\r\n");
  Put("ANNA", "0000abcd.ENV", "MAIL FROM: <a@b>\r\nRCPT TO: <anna@b>\r\n");
  Put("ANNA", "0000abcd.LCK", "held");

  const CopyResult copy = files_.Copy(message, dir_ / "BOB", true, 0x100);
  ASSERT_EQ(copy.failure, CopyResult::kNone) << copy.error.message();
  EXPECT_EQ(copy.name, "0000abcd.txt");
  EXPECT_EQ(Names("BOB"), (std::set<std::string>{"0000abcd.txt", "0000abcd.env", "0000abcd.lck"}));
  EXPECT_EQ(Read(dir_ / "BOB" / "0000abcd.env"), Read(dir_ / "ANNA" / "0000abcd.ENV"));
  EXPECT_EQ(Read(dir_ / "BOB" / "0000abcd.txt"), Read(message));
  // The source is untouched.
  EXPECT_EQ(Names("ANNA").size(), 3u);

  // Into the archive (made when missing) only the message goes.
  const CopyResult archived = files_.Copy(message, dir_ / "ARCHIVE" / "INBOUND", false, 0x100);
  ASSERT_EQ(archived.failure, CopyResult::kNone);
  EXPECT_EQ(Names("ARCHIVE/INBOUND"), (std::set<std::string>{"0000abcd.txt"}));
}

TEST_F(MessageFilesTest, CopyTakesAFreshNameInsteadOfReplacingAnything) {
  const fs::path message = Put("ANNA", "0000abcd.txt", "new mail");
  Put("ANNA", "0000abcd.env", "MAIL FROM: <new@b>\r\n");
  Put("BOB", "0000ABCD.TXT", "Bob's own mail");  // the same name in another case
  Put("BOB", "00000100.txt", "taken number");
  Put("BOB", "00000101.lck", "a stray lock takes its number too");
  Put("BOB", "0000abce.env", "a stray envelope");
  const fs::path other = Put("ANNA", "0000abce.txt", "second");

  const CopyResult copy = files_.Copy(message, dir_ / "BOB", true, 0x100);
  ASSERT_EQ(copy.failure, CopyResult::kNone);
  EXPECT_EQ(copy.name, "00000102.txt");
  EXPECT_EQ(Read(dir_ / "BOB" / "0000ABCD.TXT"), "Bob's own mail");
  EXPECT_EQ(Read(dir_ / "BOB" / "00000102.txt"), "new mail");
  EXPECT_EQ(Read(dir_ / "BOB" / "00000102.env"), "MAIL FROM: <new@b>\r\n");

  // A stray companion of the same base name is not inherited by the copy.
  const CopyResult second = files_.Copy(other, dir_ / "BOB", true, 0x100);
  ASSERT_EQ(second.failure, CopyResult::kNone);
  EXPECT_EQ(second.name, "00000103.txt");
  EXPECT_FALSE(fs::exists(dir_ / "BOB" / "00000103.env"));
  EXPECT_EQ(Read(dir_ / "BOB" / "0000abce.env"), "a stray envelope");
}

TEST_F(MessageFilesTest, AFailedCopyLeavesNothingBehindAndTheSourceWhole) {
  const fs::path message = Put("ANNA", "0000abcd.txt", std::string(200000, 'm'));
  Put("ANNA", "0000abcd.env", "MAIL FROM: <a@b>\r\n");
  const auto before = Names("BOB");

  auto write = [](int fd, std::string_view bytes) {
    return ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size())
               ? std::error_code()
               : std::make_error_code(std::errc::io_error);
  };
  // A full disk: the write fails part way.
  int calls = 0;
  SetCopyWriter([&calls, write](int fd, std::string_view bytes) -> std::error_code {
    if (++calls > 1) return std::make_error_code(std::errc::no_space_on_device);
    return write(fd, bytes);
  });
  CopyResult copy = files_.Copy(message, dir_ / "BOB", true, 0x100);
  EXPECT_EQ(copy.failure, CopyResult::kFile);
  EXPECT_EQ(copy.error, std::errc::no_space_on_device);
  EXPECT_EQ(Names("BOB"), before);

  // A short write that reports success is caught by the size check.
  SetCopyWriter([](int fd, std::string_view bytes) -> std::error_code {
    if (::write(fd, bytes.data(), bytes.size() / 2) < 0) return std::make_error_code(std::errc::io_error);
    return {};
  });
  copy = files_.Copy(message, dir_ / "BOB", true, 0x100);
  EXPECT_EQ(copy.failure, CopyResult::kFile);
  EXPECT_EQ(Names("BOB"), before);

  // The companion's copy failing takes the message's copy back too.
  SetCopyWriter([write](int fd, std::string_view bytes) -> std::error_code {
    if (bytes.starts_with("MAIL FROM")) return std::make_error_code(std::errc::io_error);
    return write(fd, bytes);
  });
  copy = files_.Copy(message, dir_ / "BOB", true, 0x100);
  EXPECT_EQ(copy.failure, CopyResult::kFile);
  EXPECT_EQ(Names("BOB"), before);

  // A target that is no folder cannot be made.
  Put("ANNA", "CAROL", "a file where a folder should be");
  SetCopyWriter({});
  copy = files_.Copy(message, dir_ / "ANNA" / "CAROL" / "X", true, 0x100);
  EXPECT_EQ(copy.failure, CopyResult::kFolder);
  EXPECT_EQ(Read(message), std::string(200000, 'm'));
  EXPECT_TRUE(fs::exists(dir_ / "ANNA" / "0000abcd.env"));
}

}  // namespace
