// libFuzzer target for a whole POP3 session on a real mailbox: a server
// directory in a temporary folder with a user "anna" (password "Secret1")
// and a user "root" without one, each with a few messages, restored after
// every run that deleted some. The input is the client's bytes, cut into
// chunks by its first byte; the session's output is drained as a socket would take it, between
// chunks and at the end. Invariants checked:
//  - the greeting comes first, and nothing at all follows a session end;
//  - one chunk of input adds only short replies to the output;
//  - the mailbox lock is given up when the session is released;
//  - messages are deleted only after a QUIT in the transaction state.
// Bits of the first byte also turn on the switch for today's clients (with
// STLS taken as a handshake that succeeds at once) and required TLS for a
// client that is not on loopback.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "common/scramble.h"
#include "pop3/mailbox_locks.h"
#include "pop3/session.h"
#include "tests/fuzz/fuzz_check.h"

using namespace tellmar;
using namespace tellmar::pop3;
namespace fs = std::filesystem;

namespace {

class NoLog : public ActivityLog {
 public:
  void Line(std::string_view) override {}
};

void Write(const fs::path& p, std::string_view bytes) { std::ofstream(p, std::ios::binary) << bytes; }

// A plain array: still there when the exit handler removes the directory.
char gServerDir[] = "/tmp/pop3-session-fuzz-XXXXXX";

const fs::path& ServerDir() {
  static const fs::path dir = [] {
    Check(::mkdtemp(gServerDir) != nullptr, "temporary directory");
    fs::path d = gServerDir;
    Write(d / "tmhub.ini", "[popsrv]\r\nport=110\r\n[USER0]\r\nrealname=(System Postmaster)\r\nID=root\r\nDIR=ROOT\r\npw=\r\n"
                           "[USER1]\r\nrealname=Anna\r\nID=anna\r\nDIR=ANNA\r\npw=" + Scramble("ANNA", "Secret1") + "\r\n");
    fs::create_directory(d / "ANNA");
    fs::create_directory(d / "ROOT");
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(gServerDir, ignored);
    });
    return d;
  }();
  return dir;
}

void RestoreMailboxes() {
  const fs::path& d = ServerDir();
  for (const char* box : {"ANNA", "ROOT"}) {
    Write(d / box / "00000001.txt", "Subject: one\r\n\r\nbody\r\n.leading dot\r\n");
    Write(d / box / "00000001.env", "MAIL FROM: <a@b>\r\nRCPT TO: <c@d>\r\n");
    Write(d / box / "00000002.txt", "Subject: two\n\nlf only\nno end");
    Write(d / box / "00000003.txt", std::string(5000, 'x') + "\r\n\r\n" + std::string(3000, '.'));
  }
}

std::size_t FileCount() {
  std::size_t n = 0;
  for (const char* box : {"ANNA", "ROOT"})
    for (auto it = fs::directory_iterator(ServerDir() / box); it != fs::directory_iterator(); ++it) ++n;
  return n;
}

// Takes what the session has to say, as a socket that reads everything.
void Drain(Session& s, std::string& transcript) {
  for (int rounds = 0; rounds < 100000; ++rounds) {
    s.Produce(64 * 1024);
    if (s.failed()) return;
    const std::string_view pending = s.Pending();
    if (pending.empty() && !s.Producing()) return;
    transcript.append(pending);
    s.Consume(pending.size());
  }
  Check(false, "the output ends");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > 64 * 1024) return 0;
  constexpr std::size_t kFiles = 8;
  if (FileCount() != kFiles) RestoreMailboxes();
  const std::size_t files = FileCount();
  NoLog log;
  MailboxLocks locks;
  ManualClock clock;
  SessionContext context;
  context.serverDir = ServerDir();
  context.hostName = "fuzz.example";
  context.log = &log;
  context.locks = &locks;
  context.clock = &clock;
  LoginGuard guard(clock);
  context.modern = (data[0] & 2) != 0;
  context.tlsAvailable = context.modern;
  context.requireTls = (data[0] & 4) != 0;
  context.guard = &guard;

  const std::size_t chunk = static_cast<std::size_t>(data[0]) + 1;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  bool quitInTransaction = false;
  {
    Session session(context, context.requireTls ? "10.0.0.1" : "127.0.0.1");
    session.Start();
    std::string transcript;
    Drain(session, transcript);
    Check(transcript.rfind("+OK Corvane POP3 server fuzz.example POP3 service ready\r\n", 0) == 0, "greeting first");
    for (std::size_t at = 0; at < input.size() && !session.failed(); at += chunk) {
      if (session.closing()) {
        Drain(session, transcript);
        session.Input(input.substr(at, chunk));
        Check(session.Pending().empty() && !session.Producing(), "nothing after the end");
        break;
      }
      if (session.wantsTls()) {
        Drain(session, transcript);
        session.TlsStarted();
      }
      const bool wasTransaction = session.state() == Session::State::Transaction;
      const std::size_t before = session.Pending().size();
      session.Input(input.substr(at, chunk));
      if (session.closing() && wasTransaction) quitInTransaction = true;
      // One chunk gets short replies; long ones are produced as output drains.
      Check(session.Pending().size() <= before + 4096, "a chunk's replies are short");
      // The server reads no more while replies wait for a line end or a LIST,
      // or while a megabyte of output waits.
      if ((data[0] & 1) == 0 || session.InputPaused() || session.Pending().size() > (1u << 20))
        Drain(session, transcript);
    }
    Drain(session, transcript);
    session.Release();
    Check(locks.size() == 0, "the lock is given up");
  }
  if (!quitInTransaction) Check(FileCount() == files, "nothing deleted without QUIT");
  return 0;
}
