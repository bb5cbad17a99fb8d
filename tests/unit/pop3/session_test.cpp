#include "pop3/session.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "common/scramble.h"
#include "pop3/sasl_plain.h"
#include "pop3/unique_id.h"
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
    testing::PutFile(dir_ / box / name, bytes);
  }

  std::unique_ptr<Session> Open(const std::string& peer = "10.0.0.9") {
    auto s = std::make_unique<Session>(context_, peer);
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

  std::unique_ptr<Session> LoggedIn(const std::string& peer = "10.0.0.9") {
    auto s = Open(peer);
    EXPECT_EQ(Say(*s, "USER anna"), "+OK user gets mail here\r\n");
    EXPECT_EQ(Say(*s, "PASS Secret1"), "+OK mailbox locked and ready\r\n");
    return s;
  }

  // The switch for today's clients, with a certificate loaded.
  void Modern(bool requireTls = false) {
    context_.modern = true;
    context_.tlsAvailable = true;
    context_.requireTls = requireTls;
    context_.guard = &guard_;
  }

  // A session over TLS, the way STLS leaves it.
  std::unique_ptr<Session> OverTls(const std::string& peer = "10.0.0.9") {
    auto s = Open(peer);
    EXPECT_EQ(Say(*s, "STLS"), "+OK Begin TLS negotiation\r\n");
    EXPECT_TRUE(s->wantsTls());
    s->TlsStarted();
    return s;
  }

  testing::TempDir dir_;
  RecordingLog log_;
  MailboxLocks locks_;
  ManualClock clock_;
  LoginGuard guard_{clock_};
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
  EXPECT_EQ(testing::FileNames(dir_ / "ANNA").size(), 3u);
  auto s = LoggedIn();
  Say(*s, "DELE 1");
  Say(*s, "DELE 3");
  EXPECT_EQ(Say(*s, "QUIT"), "+OK POP3 server connection terminated\r\n");
  EXPECT_EQ(testing::FileNames(dir_ / "ANNA").size(), 1u);
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

TEST_F(SessionTest, WithoutTheSwitchTheNewCommandsAreUnknownAndTheEndingIsKept) {
  auto s = Open();
  for (const char* word : {"CAPA", "STLS", "UIDL", "AUTH PLAIN"}) {
    EXPECT_EQ(Say(*s, word), "-ERR non-existant command\r\n") << word;
  }
  auto in = LoggedIn();
  EXPECT_EQ(Say(*in, "UIDL"), "-ERR non-existant command\r\n");
  const std::string retr = Say(*in, "RETR 1");
  EXPECT_EQ(retr.substr(retr.size() - 12), "first\r\n\r\n.\r\n");
}

TEST_F(SessionTest, CapaListsWhatThisConnectionMayUse) {
  Modern();
  auto s = Open();
  EXPECT_EQ(Say(*s, "CAPA"),
            "+OK Capability list follows\r\nTOP\r\nUIDL\r\nUSER\r\nSTLS\r\nRESP-CODES\r\n"
            "AUTH-RESP-CODE\r\n.\r\n");
  // Input that follows STLS before the handshake is not taken.
  EXPECT_EQ(Say(*s, "STLS"), "+OK Begin TLS negotiation\r\n");
  EXPECT_EQ(Say(*s, "USER anna"), "");
  s->TlsStarted();
  EXPECT_EQ(Say(*s, "CAPA"),
            "+OK Capability list follows\r\nTOP\r\nUIDL\r\nUSER\r\nSASL PLAIN\r\nRESP-CODES\r\n"
            "AUTH-RESP-CODE\r\n.\r\n");
  EXPECT_EQ(Say(*s, "STLS"), "-ERR command not permitted when TLS active\r\n");

  // Required TLS hides USER from a plain client and refuses it.
  Modern(true);
  auto plain = Open();
  EXPECT_EQ(Say(*plain, "CAPA").find("USER"), std::string::npos);
  EXPECT_EQ(Say(*plain, "USER anna"), "-ERR [SYS/PERM] secure connection required: use STLS first\r\n");
  EXPECT_EQ(Say(*plain, "PASS Secret1"), "-ERR [SYS/PERM] secure connection required: use STLS first\r\n");
  EXPECT_EQ(Say(*plain, "AUTH PLAIN AGFubmEAU2VjcmV0MQ=="),
            "-ERR [SYS/PERM] AUTH PLAIN needs a secure connection: use STLS first\r\n");
  // Loopback clients are exempt; without a certificate there is no STLS.
  auto local = Open("127.0.0.1");
  EXPECT_EQ(Say(*local, "USER anna"), "+OK user gets mail here\r\n");
  context_.tlsAvailable = false;
  auto noCert = Open();
  EXPECT_EQ(Say(*noCert, "STLS"), "-ERR non-existant command\r\n");
  EXPECT_EQ(Say(*noCert, "CAPA").find("STLS"), std::string::npos);
}

TEST_F(SessionTest, AuthPlainOverTls) {
  Modern(true);
  auto s = OverTls();
  // "\0anna\0Secret1", with the response on a line of its own.
  EXPECT_EQ(Say(*s, "AUTH PLAIN"), "+ \r\n");
  EXPECT_EQ(Say(*s, "AGFubmEAU2VjcmV0MQ=="), "+OK mailbox locked and ready\r\n");
  EXPECT_EQ(s->state(), Session::State::Transaction);
  s.reset();

  auto t = OverTls();
  EXPECT_EQ(Say(*t, "AUTH CRAM-MD5"), "-ERR unsupported authentication mechanism\r\n");
  EXPECT_EQ(Say(*t, "AUTH PLAIN"), "+ \r\n");
  EXPECT_EQ(Say(*t, "*"), "-ERR authentication cancelled\r\n");
  EXPECT_EQ(Say(*t, "AUTH PLAIN not-base64"), "-ERR malformed authentication response\r\n");
  // "\0anna\0wrong", then another identity asked for: "root\0anna\0Secret1".
  EXPECT_EQ(Say(*t, "AUTH PLAIN AGFubmEAd3Jvbmc="), "-ERR [AUTH] authentication failed\r\n");
  EXPECT_EQ(Say(*t, "AUTH PLAIN cm9vdABhbm5hAFNlY3JldDE="), "-ERR [AUTH] authentication failed\r\n");
  EXPECT_EQ(log_.lines.back(), "Pop Server: Login failed for anna from 10.0.0.9");
  // "anna\0anna\0Secret1": the third failure would end the session, a
  // success does not count.
  EXPECT_EQ(Say(*t, "AUTH PLAIN YW5uYQBhbm5hAFNlY3JldDE="), "+OK mailbox locked and ready\r\n");
}

TEST_F(SessionTest, FailedLoginsAreLoggedAndSlowDownTheirAddressOnly) {
  Modern();
  auto s = Open();
  EXPECT_EQ(Say(*s, "USER nobody"), "-ERR [AUTH] user doesn't get mail here\r\n");
  EXPECT_EQ(Say(*s, "USER anna"), "+OK user gets mail here\r\n");
  EXPECT_EQ(Say(*s, "PASS bad"), "-ERR [AUTH] invalid password\r\n");
  EXPECT_EQ(s->holdUntil(), 0);
  EXPECT_EQ(Say(*s, "PASS bad"), "-ERR [AUTH] invalid password\r\n");
  EXPECT_EQ(log_.lines.back(), "Pop Server: Login failed for anna from 10.0.0.9");
  // The third failure within the minute: answers come late, and input waits.
  EXPECT_GT(s->holdUntil(), clock_.Now());
  EXPECT_TRUE(s->InputPaused());

  auto other = LoggedIn("10.0.0.10");
  EXPECT_EQ(other->holdUntil(), 0);
  other.reset();

  // Slowed, never locked out: the right password still opens the mailbox.
  auto again = LoggedIn();
  EXPECT_GT(again->holdUntil(), clock_.Now());
  again.reset();

  clock_.Advance(kFailureWindow);
  auto later = Open();
  Say(*later, "USER anna");
  EXPECT_EQ(later->holdUntil(), 0);
}

TEST_F(SessionTest, LoginGuardDelayGrowsAndStaysBounded) {
  LoginGuard guard(clock_);
  EXPECT_EQ(guard.Delay("a"), 0);
  for (int i = 0; i < kFailuresBeforeSlowDown; ++i) guard.NoteFailure("a");
  EXPECT_EQ(guard.Delay("a"), kLoginDelayStep);
  guard.NoteFailure("a");
  EXPECT_EQ(guard.Delay("a"), 2 * kLoginDelayStep);
  for (int i = 0; i < 100; ++i) guard.NoteFailure("a");
  EXPECT_EQ(guard.Delay("a"), kMostLoginDelay);
  clock_.Advance(kFailureWindow);
  EXPECT_EQ(guard.Delay("a"), 0);

  // A flood of addresses does not grow the table without bound: the address
  // that failed longest ago is forgotten first.
  for (int i = 0; i < kFailuresBeforeSlowDown; ++i) guard.NoteFailure("a");
  for (std::size_t i = 0; i < kMostGuardedAddresses; ++i) {
    clock_.Advance(1);
    guard.NoteFailure(std::to_string(i));
  }
  EXPECT_EQ(guard.Delay("a"), 0);
}

TEST_F(SessionTest, UidlIsStableAcrossSessionsAndNewForARewrittenFile) {
  Modern();
  auto s = LoggedIn();
  const std::string listing = Say(*s, "UIDL");
  ASSERT_EQ(listing.rfind("+OK", 0), 0u);
  std::vector<std::string> ids;
  std::size_t at = listing.find("\r\n") + 2;
  for (int n = 1; n <= 3; ++n) {
    const std::size_t end = listing.find("\r\n", at);
    const std::string line = listing.substr(at, end - at);
    ASSERT_EQ(line.rfind(std::to_string(n) + " ", 0), 0u) << line;
    ids.push_back(line.substr(2));
    EXPECT_EQ(Say(*s, "UIDL " + std::to_string(n)), "+OK " + line + "\r\n");
    at = end + 2;
  }
  EXPECT_EQ(listing.substr(at), ".\r\n");
  EXPECT_NE(ids[0], ids[1]);
  for (const std::string& id : ids) {
    EXPECT_LE(id.size(), kMaxUniqueIdLength);
    for (char c : id) EXPECT_TRUE(c > 0x20 && c < 0x7F) << id;
  }
  Say(*s, "DELE 2");
  EXPECT_EQ(Say(*s, "UIDL 2"), "-ERR message has been deleted\r\n");
  EXPECT_EQ(Say(*s, "UIDL").find(ids[1]), std::string::npos);
  s.reset();

  // Another session sees the same IDs; a message written anew under an old
  // name is another message.
  fs::last_write_time(dir_ / "ANNA" / "00000003.txt", fs::last_write_time(dir_ / "ANNA" / "00000003.txt") +
                                                         std::chrono::seconds(5));
  auto t = LoggedIn();
  EXPECT_EQ(Say(*t, "UIDL 1"), "+OK 1 " + ids[0] + "\r\n");
  EXPECT_NE(Say(*t, "UIDL 3"), "+OK 3 " + ids[2] + "\r\n");
  t.reset();

  auto root = Open();
  Say(*root, "USER root");
  EXPECT_EQ(Say(*root, "UIDL"), "+OK unique-id listing follows\r\n.\r\n");
}

TEST_F(SessionTest, UniqueIdsOfOddNamesArePrintableDistinctAndShort) {
  MaildropEntry a, b, c;
  a.fileName = "a b.txt";
  b.fileName = "a%20b.txt";
  c.fileName = std::string(200, 'x') + ".txt";
  EXPECT_NE(UniqueId(a), UniqueId(b));
  EXPECT_EQ(UniqueId(a), "a%20b-0.00000000");
  EXPECT_LE(UniqueId(c).size(), kMaxUniqueIdLength);
  MaildropEntry d;
  d.fileName = std::string(200, 'x') + ".txt";
  c.fileName = std::string(199, 'x') + "y.txt";
  EXPECT_NE(UniqueId(c), UniqueId(d));
}

TEST_F(SessionTest, RetrEndsAsRfc1939SaysWithTheSwitch) {
  Modern();
  auto s = LoggedIn();
  EXPECT_EQ(Say(*s, "RETR 1"), "+OK message 1 follows (23 octets)\r\nSubject: one\r\n\r\nfirst\r\n.\r\n");
  EXPECT_EQ(Say(*s, "TOP 3 0"), "+OK message 3 follows (25 octets)\r\nSubject: three\r\n\r\n.\r\n");
  // LAST, gone from RFC 1939, would send clients that keep mail to fetch it again.
  EXPECT_EQ(Say(*s, "LAST"), "-ERR non-existant command\r\n");
}

TEST(SaslPlainTest, DecodesStrictBase64AndThreeFields) {
  EXPECT_EQ(DecodeBase64(""), "");
  EXPECT_EQ(DecodeBase64("YQ=="), "a");
  EXPECT_EQ(DecodeBase64("YWI="), "ab");
  EXPECT_EQ(DecodeBase64("YWJj"), "abc");
  for (const char* bad : {"YQ", "Y===", "YQ=a", "YW=j", "YWJ!", "=YWJ"}) {
    EXPECT_FALSE(DecodeBase64(bad)) << bad;
  }
  const auto c = DecodeSaslPlain("cm9vdABhbm5hAFNlY3JldDE=");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->authorizationId, "root");
  EXPECT_EQ(c->user, "anna");
  EXPECT_EQ(c->password, "Secret1");
  EXPECT_FALSE(DecodeSaslPlain("YW5uYQ=="));          // no NUL
  EXPECT_FALSE(DecodeSaslPlain("AABwdw=="));          // empty user
  EXPECT_FALSE(DecodeSaslPlain("AGEAYgBj"));          // a third NUL
}

}  // namespace
}  // namespace tellmar::pop3
