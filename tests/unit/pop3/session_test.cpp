#include "pop3/session.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "common/scramble.h"
#include "tests/unit/common/temp_dir.h"

namespace tellmar::pop3 {
namespace {

namespace fs = std::filesystem;

struct RecordingLog : ActivityLog {
  void Line(std::string_view text) override { lines.emplace_back(text); }
  std::vector<std::string> lines;
};

class SessionTest : public ::testing::Test {
 protected:
  SessionTest() {
    std::ofstream(dir_ / "tmhub.ini", std::ios::binary)
        << "[USER0]\r\nrealname=(System Postmaster)\r\nDIR=ROOT\r\npw=\r\n"
        << "[USER1]\r\nrealname=Anna\r\nDIR=ANNA\r\npw=" << Scramble("ANNA", "Secret1") << "\r\n"
        << "[USER2]\r\nrealname=Off\r\nDIR=OFF\r\nUserActive=0\r\n";
    for (const char* d : {"ROOT", "ANNA", "OFF"}) fs::create_directory(dir_ / d);
    Message("ANNA", "00000001.txt", "Subject: one\r\n\r\nfirst\r\n");
    Message("ANNA", "00000002.txt", "Subject: two\n\n.dot\n");
    Message("ANNA", "00000003.txt", "Subject: three\r\n\r\nthird\r\n");
    context_.serverDir = dir_.path();
    context_.hostName = "mail.example";
    context_.log = &log_;
    context_.locks = &locks_;
    context_.clock = &clock_;
  }

  void Message(const std::string& box, const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / box / name, std::ios::binary) << bytes;
  }

  std::unique_ptr<Session> Open() {
    auto s = std::make_unique<Session>(context_, "10.0.0.9");
    s->Start();
    Drain(*s);
    return s;
  }

  // Everything the session has to send, produced to the end.
  static std::string Drain(Session& s) {
    std::string all;
    for (int guard = 0; guard < 100000; ++guard) {
      s.Produce(64);
      const std::string_view p = s.Pending();
      if (p.empty() && !s.Producing()) break;
      all.append(p);
      s.Consume(p.size());
    }
    return all;
  }

  static std::string Say(Session& s, const std::string& line) {
    s.Input(line + "\r\n");
    return Drain(s);
  }

  std::unique_ptr<Session> LoggedIn() {
    auto s = Open();
    EXPECT_EQ(Say(*s, "USER anna"), "+OK user gets mail here\r\n");
    EXPECT_EQ(Say(*s, "PASS Secret1"), "+OK mailbox locked and ready\r\n");
    return s;
  }

  testing::TempDir dir_;
  RecordingLog log_;
  MailboxLocks locks_;
  ManualClock clock_;
  SessionContext context_;
};

TEST_F(SessionTest, GreetingAndAuthorizationReplies) {
  auto s = std::make_unique<Session>(context_, "10.0.0.9");
  s->Start();
  EXPECT_EQ(Drain(*s), "+OK Corvane POP3 server mail.example POP3 service ready\r\n");
  EXPECT_EQ(s->state(), Session::State::Authorization);
  EXPECT_EQ(Say(*s, "PASS x"), "-ERR need a USER\r\n");
  EXPECT_EQ(Say(*s, "STAT"), "-ERR invalid command\r\n");
  EXPECT_EQ(Say(*s, "RPOP x"), "-ERR command not implemented\r\n");
  EXPECT_EQ(Say(*s, "USER nobody"), "-ERR user doesn't get mail here\r\n");
  EXPECT_EQ(Say(*s, "USER off"), "-ERR user doesn't get mail here\r\n");
  for (const char* unsafe : {"../ANNA", "ANNA/..", "..", "a\\b"}) {
    EXPECT_EQ(Say(*s, std::string("USER ") + unsafe), "-ERR user doesn't get mail here\r\n");
  }
  EXPECT_EQ(Say(*s, ""), "");  // an empty line gets no answer
  EXPECT_EQ(Say(*s, "QUIT"), "+OK POP3 server connection terminated\r\n");
  EXPECT_TRUE(s->closing());
}

TEST_F(SessionTest, NoPasswordOpensOnUserAndThirdWrongPasswordDisconnects) {
  auto root = Open();
  EXPECT_EQ(Say(*root, "user Root"), "+OK mailbox locked and ready\r\n");
  EXPECT_EQ(root->state(), Session::State::Transaction);
  EXPECT_EQ(Say(*root, "STAT"), "+OK 0 0\r\n");
  EXPECT_EQ(Say(*root, "LIST"), "-ERR no messages to list\r\n");

  auto s = Open();
  EXPECT_EQ(Say(*s, "USER anna"), "+OK user gets mail here\r\n");
  EXPECT_EQ(Say(*s, "PASS secret1"), "-ERR invalid password\r\n");
  EXPECT_EQ(Say(*s, "PASS x"), "-ERR invalid password\r\n");
  EXPECT_FALSE(s->closing());
  EXPECT_EQ(Say(*s, "PASS y"), "-ERR too many authorization attempts.  disconnecting.\r\n");
  EXPECT_TRUE(s->closing());
}

TEST_F(SessionTest, MailboxLockIsCaseInsensitiveAndEndsWithTheSession) {
  auto first = LoggedIn();
  auto second = Open();
  Say(*second, "USER ANNA");
  EXPECT_EQ(Say(*second, "PASS Secret1"), "-ERR can't lock maildrop\r\n");
  EXPECT_EQ(Say(*second, "PASS Secret1"), "-ERR need a USER\r\n");
  first.reset();
  Say(*second, "USER ANNA");
  EXPECT_EQ(Say(*second, "PASS Secret1"), "+OK mailbox locked and ready\r\n");
}

TEST_F(SessionTest, TransactionCommands) {
  auto s = LoggedIn();
  const std::string stat = Say(*s, "STAT");
  EXPECT_EQ(stat, "+OK 3 " + std::to_string(23 + 19 + 25) + "\r\n");
  EXPECT_EQ(Say(*s, "DELE 2"), "+OK message deleted\r\n");
  EXPECT_EQ(Say(*s, "DELE 2"), "-ERR message has already been deleted\r\n");
  EXPECT_EQ(Say(*s, "LIST 2"), "-ERR message has been deleted\r\n");
  EXPECT_EQ(Say(*s, "RETR 2"), "-ERR message has been deleted\r\n");
  EXPECT_EQ(Say(*s, "LIST 0"), "-ERR message number out of range\r\n");
  EXPECT_EQ(Say(*s, "RETR 4"), "-ERR message number out of range\r\n");
  EXPECT_EQ(Say(*s, "RETR 4294967297"), "-ERR message number out of range\r\n");
  EXPECT_EQ(Say(*s, "LAST"), "+OK 2\r\n");
  const std::string list = Say(*s, "LIST");
  EXPECT_EQ(list.substr(0, 4), "+OK ");
  EXPECT_NE(list.find(" 2 messages ("), std::string::npos);
  EXPECT_EQ(list.substr(list.size() - 3), ".\r\n");
  EXPECT_EQ(Say(*s, "USER anna"), "-ERR invalid command\r\n");
  EXPECT_EQ(Say(*s, "NOOP"), "+OK i did nothing\r\n");
  EXPECT_EQ(Say(*s, "RSET"), "+OK maildrop reset 3 messages 67 octets\r\n");
  EXPECT_EQ(Say(*s, "LAST"), "+OK 0\r\n");
}

TEST_F(SessionTest, RetrSendsTheMessageAndRaisesLast) {
  auto s = LoggedIn();
  std::string number;
  // Find the LF-only message by its listed size.
  for (int n = 1; n <= 3; ++n) {
    if (Say(*s, "LIST " + std::to_string(n)) == "+OK " + std::to_string(n) + " 19\r\n") {
      number = std::to_string(n);
    }
  }
  ASSERT_FALSE(number.empty());
  EXPECT_EQ(Say(*s, "RETR " + number),
            "+OK message " + number + " follows (19 octets)\r\nSubject: two\r\n\r\n..dot\r\n\r\n.\r\n");
  EXPECT_EQ(Say(*s, "LAST"), "+OK " + number + "\r\n");
  EXPECT_EQ(log_.lines.back(), "Pop Server: Sending mail to 10.0.0.9");
  EXPECT_EQ(Say(*s, "TOP " + number + " 0"),
            "+OK message " + number + " follows (19 octets)\r\nSubject: two\r\n\r\n\r\n.\r\n");
}

TEST_F(SessionTest, InputDuringTransferIsAnsweredBetweenLines) {
  std::string big;
  for (int i = 0; i < 2000; ++i) big += "line " + std::to_string(i) + "\r\n";
  for (const char* n : {"00000001.txt", "00000002.txt", "00000003.txt"}) fs::remove(dir_ / "ANNA" / n);
  Message("ANNA", "00000009.txt", "S: x\r\n\r\n" + big);
  auto s = LoggedIn();
  s->Input("RETR 1\r\n");
  s->Produce(100);  // part of the message, stopping inside a line
  s->Input("NOOP\r\n");
  EXPECT_EQ(s->state(), Session::State::Sending);
  std::string wire(s->Pending());
  s->Consume(wire.size());
  wire += Drain(*s);
  const std::size_t at = wire.find("500 Error command unrecognized\r\n");
  ASSERT_NE(at, std::string::npos);
  // The line stands on its own between two lines of the message.
  EXPECT_EQ(wire.substr(at - 2, 2), "\r\n");
  std::string without = wire;
  without.erase(at, 32);
  EXPECT_EQ(without, "+OK message 1 follows (" + std::to_string(8 + big.size()) +
                         " octets)\r\nS: x\r\n\r\n" + big + "\r\n.\r\n");
  EXPECT_EQ(s->state(), Session::State::Transaction);
}

TEST_F(SessionTest, QuitCommitsAndOtherEndsDoNot) {
  {
    auto s = LoggedIn();
    Say(*s, "DELE 1");
    Say(*s, "DELE 3");
    // The connection is lost: nothing is deleted.
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "ANNA"), fs::directory_iterator()), 3);
  auto s = LoggedIn();
  Say(*s, "DELE 1");
  Say(*s, "DELE 3");
  EXPECT_EQ(Say(*s, "QUIT"), "+OK POP3 server connection terminated\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "ANNA"), fs::directory_iterator()), 1);
  EXPECT_FALSE(locks_.IsLocked("ANNA"));
}

TEST_F(SessionTest, VanishedMessageIsReportedRemoved) {
  auto s = LoggedIn();
  for (const auto& e : fs::directory_iterator(dir_ / "ANNA")) fs::remove(e.path());
  EXPECT_EQ(Say(*s, "RETR 1"), "-ERR message has been removed\r\n");
  EXPECT_EQ(s->state(), Session::State::Transaction);
}

TEST_F(SessionTest, IdleTimeCountsWholeSeconds) {
  auto s = Open();
  clock_.Advance(60'999);
  EXPECT_FALSE(s->IdleLongerThan(60, clock_.Now()));
  clock_.Advance(1000);
  EXPECT_TRUE(s->IdleLongerThan(60, clock_.Now()));
  s->Input("NOOP");  // any input, even a partial line, is activity
  EXPECT_FALSE(s->IdleLongerThan(60, clock_.Now()));
}

}  // namespace
}  // namespace tellmar::pop3
