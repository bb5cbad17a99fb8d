#include "pop3/message_stream.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include "tests/unit/common/temp_dir.h"

namespace tellmar::pop3 {
namespace {

class MessageStreamTest : public ::testing::Test {
 protected:
  // The wire bytes for `content`, produced in pieces of at most `budget`.
  std::string Wire(const std::string& content, long long limit = -1, std::size_t budget = 7,
                   bool rfcEnding = false) {
    const auto path = dir_ / "m.txt";
    testing::PutFile(path, content);
    MessageStream stream(MessageFile(::open(path.c_str(), O_RDONLY)), limit, rfcEnding);
    std::string out;
    for (int guard = 0; guard < 1'000'000; ++guard) {
      const auto status = stream.Fill(out, budget);
      if (status == MessageStream::Status::Done) return out;
      EXPECT_EQ(status, MessageStream::Status::More);
    }
    ADD_FAILURE() << "transfer never finished";
    return out;
  }
  testing::TempDir dir_;
};

TEST_F(MessageStreamTest, LineEndsDotsAndTerminator) {
  EXPECT_EQ(Wire("A: 1\r\n\r\nbody\r\n"), "A: 1\r\n\r\nbody\r\n\r\n.\r\n");
  EXPECT_EQ(Wire("A: 1\n\n.dot\n..two\nend"), "A: 1\r\n\r\n..dot\r\n...two\r\nend\r\n.\r\n");
  // A lone CR stays; an LF after it completes a CR LF.
  EXPECT_EQ(Wire("a\rb\n\n"), "a\rb\r\n\r\n\r\n.\r\n");
  EXPECT_EQ(Wire(std::string("x\0y\n", 4)), std::string("x\0y\r\n\r\n.\r\n", 10));
  EXPECT_EQ(Wire(".\n"), "..\r\n\r\n.\r\n");
}

TEST_F(MessageStreamTest, RfcEndingAddsNoEmptyLineAfterAFinalLineBreak) {
  const auto rfc = [&](const std::string& content, long long limit = -1) {
    return Wire(content, limit, 7, true);
  };
  EXPECT_EQ(rfc("A: 1\r\n\r\nbody\r\n"), "A: 1\r\n\r\nbody\r\n.\r\n");
  // Without a final line break the last line still gets one of its own.
  EXPECT_EQ(rfc("A: 1\n\nend"), "A: 1\r\n\r\nend\r\n.\r\n");
  // A line end astride the read pieces, and a stuffed dot on the last line.
  EXPECT_EQ(rfc("a\n\n.\r\n"), "a\r\n\r\n..\r\n.\r\n");
  EXPECT_EQ(rfc("H: 1\nH: 2\n\nb1\nb2\n", 1), "H: 1\r\nH: 2\r\n\r\nb1\r\n.\r\n");
  EXPECT_EQ(rfc("H: 1\n\nb1\n", 0), "H: 1\r\n\r\n.\r\n");
}

TEST_F(MessageStreamTest, TopSendsHeaderSeparatorAndCountedBodyLines) {
  const std::string msg = "H: 1\nH: 2\n\nb1\nb2\nb3\n";
  EXPECT_EQ(Wire(msg, 0), "H: 1\r\nH: 2\r\n\r\n\r\n.\r\n");
  EXPECT_EQ(Wire(msg, 2), "H: 1\r\nH: 2\r\n\r\nb1\r\nb2\r\n\r\n.\r\n");
  EXPECT_EQ(Wire(msg, 10), "H: 1\r\nH: 2\r\n\r\nb1\r\nb2\r\nb3\r\n\r\n.\r\n");
  // No separator: the whole message is header and goes out whole.
  EXPECT_EQ(Wire("H: 1\nH: 2\n", 0), "H: 1\r\nH: 2\r\n\r\n.\r\n");
}

TEST_F(MessageStreamTest, LongLinesAreOneLineWhateverTheBlockSize) {
  // A header line longer than the read block whose tail would look like a
  // separator, a dot-leading long body line, and a CR LF astride blocks.
  std::string header = "X-Long: " + std::string(kMessageReadBlock - 9, 'h') + "\r\n";
  std::string body1 = std::string(3 * kMessageReadBlock, 'b') + "\n";
  std::string body2 = "." + std::string(kMessageReadBlock, '.') + "\r\n";
  std::string body3 = "last\n";
  std::string msg = header + "\n" + body1 + body2 + body3;

  std::string expected = header + "\r\n" + std::string(3 * kMessageReadBlock, 'b') + "\r\n" + "." +
                         body2 + "last\r\n\r\n.\r\n";
  EXPECT_EQ(Wire(msg, -1, 100'000), expected);
  EXPECT_EQ(Wire(msg, -1, 1), expected);

  // TOP counts real lines: two body lines are body1 and body2, however long.
  std::string top2 = header + "\r\n" + std::string(3 * kMessageReadBlock, 'b') + "\r\n" + "." +
                     body2 + "\r\n.\r\n";
  EXPECT_EQ(Wire(msg, 2, 4096), top2);
}

TEST_F(MessageStreamTest, TruncatedFileEndsCleanly) {
  EXPECT_EQ(Wire(""), "\r\n.\r\n");
}

}  // namespace
}  // namespace tellmar::pop3
