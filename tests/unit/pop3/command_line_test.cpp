#include "pop3/command_line.h"

#include <gtest/gtest.h>

namespace tellmar::pop3 {
namespace {

TEST(LineAssemblerTest, LineEndsAtCrOrLfAndTheRestOfTheChunkIsDropped) {
  LineAssembler a;
  EXPECT_EQ(a.Feed("US"), std::nullopt);
  EXPECT_EQ(a.Feed("ER anna\r\nPASS x\r\n"), "USER anna");
  EXPECT_EQ(a.pending(), 0u);
  // An LF in a chunk of its own ends an empty line: nothing.
  EXPECT_EQ(a.Feed("\n"), std::nullopt);
  EXPECT_EQ(a.Feed("NOOP\n"), "NOOP");
}

TEST(LineAssemblerTest, OverlongLineIsCutAndItsRestSkipped) {
  LineAssembler a;
  const std::string chunk(kMaxLineLength, 'x');
  std::optional<std::string> line = a.Feed(chunk);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->size(), kMaxLineLength);
  // The rest of that line, however long, produces nothing...
  for (int i = 0; i < 500; ++i) EXPECT_EQ(a.Feed(std::string(2048, 'y')), std::nullopt);
  EXPECT_EQ(a.Feed("yyy\r\n"), std::nullopt);
  // ...and the session is not stuck afterwards.
  EXPECT_EQ(a.Feed("STAT\r\n"), "STAT");

  // A line of exactly the limit followed by its end in the same chunk.
  EXPECT_TRUE(a.Feed(std::string(kMaxLineLength, 'z') + "\r\n"));
  EXPECT_EQ(a.Feed("NOOP\r\n"), "NOOP");
}

TEST(ParseCommandLineTest, CommandsAreCaseInsensitiveAndArgumentRulesHold) {
  auto r = ParseCommandLine("Stat");
  ASSERT_TRUE(r.command);
  EXPECT_EQ(r.command->command, Command::Stat);

  r = ParseCommandLine("TOP 1\t 5");
  ASSERT_TRUE(r.command);
  EXPECT_EQ(r.command->number1, 1u);
  EXPECT_EQ(r.command->number2, 5u);

  EXPECT_EQ(ParseCommandLine("NOOP a b c").error, "too many arguments");
  EXPECT_EQ(ParseCommandLine("STAT 1").error, "arguments mismatch");
  EXPECT_EQ(ParseCommandLine("LIST 1 2").error, "arguments mismatch");
  EXPECT_EQ(ParseCommandLine("RETR").error, "arguments mismatch");
  EXPECT_EQ(ParseCommandLine("RETR 1x").error, "argument must a positive integer");
  EXPECT_EQ(ParseCommandLine("RETR -1").error, "argument must a positive integer");
  EXPECT_EQ(ParseCommandLine("bad").error, "non-existant command");
  EXPECT_EQ(ParseCommandLine("XTND").error, "non-existant command");
  EXPECT_EQ(ParseCommandLine("   ").error, "non-existant command");
  EXPECT_EQ(ParseCommandLine("USER " + std::string(100, 'a')).error, "argument too long");
  EXPECT_TRUE(ParseCommandLine("USER " + std::string(99, 'a')).command);
  ASSERT_TRUE(ParseCommandLine("RETR 0").command);
}

TEST(ParseCommandLineTest, HugeNumbersSaturateInsteadOfWrapping) {
  auto r = ParseCommandLine("RETR 18446744073709551617");  // 2^64 + 1
  ASSERT_TRUE(r.command);
  EXPECT_EQ(r.command->number1, UINT64_MAX);
  EXPECT_EQ(ParseCount("4294967297"), 4294967297ull);
}

}  // namespace
}  // namespace tellmar::pop3
