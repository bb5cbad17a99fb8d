// A message sent straight from its file must put exactly the bytes on the
// wire that the stuffing path puts there, whatever the file holds.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>

#include "common/scramble.h"
#include "pop3/session.h"
#include "tests/unit/common/temp_dir.h"

namespace tellmar::pop3 {
namespace {

namespace fs = std::filesystem;

struct NullLog : ActivityLog {
  void Line(std::string_view) override {}
};

// Appends the next bytes to `out`; false once there are none.
using Source = std::function<bool(std::string& out)>;

// Reads both sources to their end; "" when they give the same bytes, else
// where they part.
std::string Compare(const Source& a, const Source& b) {
  std::string bufA, bufB;
  bool moreA = true, moreB = true;
  std::uint64_t at = 0;
  while (true) {
    while (moreA && bufA.size() < bufB.size() + 1) moreA = a(bufA);
    while (moreB && bufB.size() < bufA.size() + 1 && (moreB = b(bufB))) {
    }
    const std::size_t common = std::min(bufA.size(), bufB.size());
    if (std::memcmp(bufA.data(), bufB.data(), common) != 0) {
      std::size_t i = 0;
      while (bufA[i] == bufB[i]) ++i;
      return "bytes differ at offset " + std::to_string(at + i);
    }
    bufA.erase(0, common);
    bufB.erase(0, common);
    at += common;
    if (!moreA && !moreB) {
      if (bufA.empty() && bufB.empty()) return "";
      return "one side is longer, from offset " + std::to_string(at);
    }
  }
}

class StoredSendTest : public ::testing::Test {
 protected:
  StoredSendTest() {
    std::ofstream(dir_ / "tmhub.ini", std::ios::binary)
        << "[USER0]\r\nrealname=Anna\r\nDIR=ANNA\r\npw=" << Scramble("ANNA", "Secret1") << "\r\n";
    fs::create_directory(dir_ / "ANNA");
    Put("x");  // listed at login; a test then writes what it needs
    context_.serverDir = dir_.path();
    context_.hostName = "mail.example";
    context_.log = &log_;
    context_.locks = &locks_;
    context_.clock = &clock_;
    otherContext_ = context_;
    otherContext_.locks = &otherLocks_;
  }

  fs::path Path() const { return dir_ / "ANNA" / "00000001.txt"; }
  void Put(const std::string& bytes) { testing::PutFile(Path(), bytes); }

  // Each path has a context of its own, so both may hold the mailbox.
  std::unique_ptr<Session> LoggedIn(bool asStored) {
    auto s = std::make_unique<Session>(asStored ? context_ : otherContext_, "10.0.0.9");
    s->SendFilesAsStored(asStored);
    s->Start();
    s->Input("USER anna\r\n");
    s->Input("PASS Secret1\r\n");
    s->Consume(s->Pending().size());
    EXPECT_EQ(s->state(), Session::State::Transaction);
    return s;
  }

  // The session's output as a source: Pending(), and the file spans read as
  // a socket would take them, `spanMax` bytes at most at a time.
  static Source Wire(Session& s, std::size_t spanMax) {
    return [&s, spanMax](std::string& out) {
      s.Produce(64 * 1024);
      const std::string_view pending = s.Pending();
      if (!pending.empty()) {
        out.append(pending);
        s.Consume(pending.size());
        return true;
      }
      const std::optional<FileSpan> span = s.NextFileSpan(spanMax);
      if (span) {
        std::string piece(span->length, '\0');
        const ssize_t n = ::pread(span->fd, piece.data(), piece.size(), static_cast<off_t>(span->offset));
        if (n <= 0) {
          s.FileEnded();
          return true;
        }
        out.append(piece.data(), static_cast<std::size_t>(n));
        s.FileSent(static_cast<std::size_t>(n));
        return true;
      }
      return !s.failed() && (s.Producing() || !s.Pending().empty());
    };
  }

  // Everything `source` still gives, after `out`.
  static std::string ReadToEnd(const Source& source, std::string out = {}) {
    while (source(out)) {
    }
    return out;
  }

  // "" when RETR 1 sends the same bytes from both paths, the file spans
  // taken `spanMax` bytes at most at a time.
  std::string Differences(std::size_t spanMax = 7) {
    auto stored = LoggedIn(true);
    auto stuffed = LoggedIn(false);
    stored->Input("RETR 1\r\n");
    stuffed->Input("RETR 1\r\n");
    std::string result = Compare(Wire(*stored, spanMax), Wire(*stuffed, 64 * 1024));
    if (stored->state() != Session::State::Transaction) result += " (not back in transaction)";
    return result;
  }

  testing::TempDir dir_;
  NullLog log_;
  MailboxLocks locks_, otherLocks_;
  ManualClock clock_;
  SessionContext context_, otherContext_;
};

std::vector<std::string> HostileMessages() {
  const std::string block(kStoredScanBlock, 'a');
  return {
      "S: 1\r\n\r\nall clean\r\n",
      "S: 1\r\n\r\nlone LF\nafter\r\n",
      "S: 1\r\n\r\nlone\rCR\r\n\r\r\n",
      ".\r\n",
      "S: 1\r\n\r\n.\r\n..\r\n.x\r\n",
      "\n\n.\n",
      "no final line end",
      "ends in CR\r",
      "",
      ".",
      "\n",
      "\r",
      "x",
      // A change in the second look-ahead block, a CR LF astride two blocks,
      // a "." after an LF that ends a block, and a lone LF that ends a block.
      block + "\r\n" + block + "\n",
      block.substr(1) + "\r\nbody\r\n" + block,
      block.substr(2) + "\r\n.dot\r\n",
      block.substr(1) + "\n.dot\r\n",
  };
}

TEST_F(StoredSendTest, HostileMessagesGoOutAsTheStuffingPathSendsThem) {
  for (const std::string& m : HostileMessages()) {
    Put(m);
    for (std::size_t spanMax : {std::size_t{1}, std::size_t{7}, std::size_t{1} << 20}) {
      EXPECT_EQ(Differences(spanMax), "") << "message of " << m.size() << " bytes, spans of " << spanMax;
    }
  }
}

// With RFC 1939's ending a message that ends a line is followed by "." CR
// LF alone: the file sent as stored must end the same way.
TEST_F(StoredSendTest, ModernEndingIsTheSameOnBothPaths) {
  context_.modern = otherContext_.modern = true;
  for (const std::string& m : HostileMessages()) {
    Put(m);
    EXPECT_EQ(Differences(), "") << "message of " << m.size() << " bytes";
  }
  Put("S: 1\r\n\r\nclean\r\n");
  auto stored = LoggedIn(true);
  stored->Input("RETR 1\r\n");
  const std::string wire = ReadToEnd(Wire(*stored, 1 << 20));
  EXPECT_TRUE(wire.ends_with("clean\r\n.\r\n")) << wire;
}

TEST_F(StoredSendTest, RepliesDuringTheTransferGoBetweenLines) {
  std::string big;
  for (int i = 0; i < 2000; ++i) big += "line " + std::to_string(i) + "\r\n";
  Put(big);
  auto s = LoggedIn(true);
  s->Input("RETR 1\r\n");
  const Source wire = Wire(*s, 100);
  std::string out;
  while (out.size() < 1000) wire(out);  // stopping inside a line
  s->Input("NOOP\r\n");
  out = ReadToEnd(wire, out);
  const std::size_t at = out.find("500 Error command unrecognized\r\n");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(out.substr(at - 2, 2), "\r\n");
  out.erase(at, 32);
  EXPECT_TRUE(out == "+OK message 1 follows (" + std::to_string(big.size()) + " octets)\r\n" + big + "\r\n.\r\n");
}

TEST_F(StoredSendTest, AnswerKeptWithTheMaildropFollowsTheFile) {
  auto s = LoggedIn(true);
  const auto retr = [&s] {
    s->Input("RETR 1\r\n");
    const std::string out = ReadToEnd(Wire(*s, 1 << 20));
    return out.substr(out.find('\n') + 1);
  };
  Put("clean\r\n");
  EXPECT_EQ(retr(), "clean\r\n\r\n.\r\n");
  EXPECT_EQ(retr(), "clean\r\n\r\n.\r\n");
  // The file changes within the session: it is looked at again.
  Put("not clean\n.\n");
  EXPECT_EQ(retr(), "not clean\r\n..\r\n\r\n.\r\n");
  EXPECT_EQ(retr(), "not clean\r\n..\r\n\r\n.\r\n");
}

TEST_F(StoredSendTest, SparseTwoGigabyteFileIsComparedWithoutHoldingIt) {
  // Mostly a hole: nothing on disk, and the first change near the end.
  constexpr off_t kLength = off_t{2} << 30;
  {
    const int fd = ::open(Path().c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    const std::string head = "Subject: big\r\n\r\n";
    const std::string tail = "\r\n.x\nend";
    ASSERT_EQ(::pwrite(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
    ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), kLength - static_cast<off_t>(tail.size())),
              static_cast<ssize_t>(tail.size()));
    ::close(fd);
  }
  EXPECT_EQ(Differences(8 << 20), "");
}

}  // namespace
}  // namespace tellmar::pop3
