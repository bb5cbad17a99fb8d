// One POP3 conversation, without the socket: received chunks go in, reply
// bytes come out of an output buffer that the connection writes as the
// socket takes them. Multi-line replies (LIST, RETR, TOP) are produced in
// pieces as the buffer drains, so a large reply never has to fit in memory
// and other sessions are served between pieces.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/maildrop.h"
#include "pop3/activity_log.h"
#include "pop3/clock.h"
#include "pop3/command_line.h"
#include "pop3/login_guard.h"
#include "pop3/mailbox_locks.h"
#include "pop3/message_stream.h"

namespace tellmar::pop3 {

// Bytes of a message looked at ahead of sending it as stored, at a time.
inline constexpr std::size_t kStoredScanBlock = 256 * 1024;

// A piece of a message file to be sent as it is stored.
struct FileSpan {
  int fd = -1;
  std::uint64_t offset = 0;
  std::size_t length = 0;
};

// Failed passwords after which the session is closed.
inline constexpr int kMaxPasswordFailures = 3;
// Body lines that TOP sends when the client names no count.
inline constexpr long long kDefaultTopLines = 10;

// What every session shares with the server.
struct SessionContext {
  std::filesystem::path serverDir;
  std::string hostName;
  ActivityLog* log = nullptr;
  MailboxLocks* locks = nullptr;
  const Clock* clock = nullptr;
  // Today's clients (popsrv ModernClients); the rest only matters then.
  bool modern = false;
  bool tlsAvailable = false;  // a certificate is loaded: STLS is offered
  bool requireTls = false;    // no login on a plain connection, but from loopback
  LoginGuard* guard = nullptr;
};

class Session {
 public:
  enum class State { New = 0, Authorization = 1, Transaction = 2, Sending = 3 };

  // `secure`: the connection is TLS from its first byte (POP3S).
  Session(const SessionContext& context, std::string peerName, bool secure = false);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Queues the greeting.
  void Start();
  // One received chunk.
  void Input(std::string_view chunk);
  // Runs the multi-line reply in progress until about `target` bytes wait.
  void Produce(std::size_t target);

  std::string_view Pending() const { return std::string_view(out_).substr(sent_); }
  // `n` bytes of Pending() have been written.
  void Consume(std::size_t n);
  // A multi-line reply still has lines to produce.
  bool Producing() const { return transfer_ != nullptr || stored_ != nullptr || listNext_ != 0; }

  // For connections that can send straight from a file (plain TCP): a whole
  // message (RETR) whose bytes need no change then goes out from its file
  // as stored, through NextFileSpan and FileSent, instead of through
  // Pending(). Whether a message needs changes is found out once, while its
  // first such transfer runs, and kept with the maildrop; a message that
  // does is sent as stored up to its first change and by Produce from there.
  void SendFilesAsStored(bool on) { filesAsStored_ = on; }
  // With Pending() written: the next piece of the file to send (at most
  // `max` bytes), or nullopt when there is none (output may then wait in
  // Pending(), Producing() may have lines to make, or failed() is set).
  std::optional<FileSpan> NextFileSpan(std::size_t max);
  // `n` bytes of the span went out.
  void FileSent(std::size_t n);
  // The file ended before the span: it has shrunk since it was opened.
  void FileEnded();

  // The session is to end once its output is written (QUIT, too many
  // failed passwords) / at once (a message could not be read).
  bool closing() const { return closing_; }
  bool failed() const { return failed_; }
  // No input is taken while a LIST is being produced, so that replies stay
  // in order, nor while replies wait for the message in transfer to reach a
  // line end: a client that never reads cannot make them pile up.
  // Nor while STLS waits for the handshake, nor while answers are held back.
  bool InputPaused() const {
    return listNext_ != 0 || !deferred_.empty() || tlsRequested_ || holdUntil_ > context_.clock->Now();
  }

  // STLS was accepted: once its answer is written the connection starts TLS
  // and calls TlsStarted.
  bool wantsTls() const { return tlsRequested_; }
  void TlsStarted();
  bool secure() const { return tls_; }
  // Output is held back until then (a login from an address that keeps
  // failing); 0 when not.
  Millis holdUntil() const { return holdUntil_; }

  // Ends the session's hold on the mailbox without committing anything.
  void Release();

  State state() const { return state_; }
  const std::string& peerName() const { return peerName_; }
  Millis lastActivity() const { return lastActivity_; }
  void Touch();
  // Whole seconds since the last activity exceed `seconds`.
  bool IdleLongerThan(long long seconds, Millis now) const;

 private:
  void Dispatch(const ParsedCommand& command);
  void Authorization(const ParsedCommand& command);
  void Transaction(const ParsedCommand& command);
  void User(const std::string& name);
  void Pass(const std::string& word);
  void OpenMailbox();
  void Capa();
  void Stls();
  void Auth(const ParsedCommand& command);
  void AuthResponse(std::string_view response);
  // Counts and logs a failed login as `name`; answers `text`, or the
  // disconnect text at the last allowed failure.
  void LoginFailed(const std::string& name, std::string_view text);
  // Holds the answer to a login back while its address keeps failing.
  void HoldLoginAnswer();
  // The client may log in with USER and PASS on this connection.
  bool ClearTextLoginAllowed() const;
  // PLAIN sends the password as it is: only over TLS.
  bool SaslAllowed() const { return tls_; }
  // The modern answers carry RFC 2449 response codes.
  std::string Coded(std::string_view code, std::string_view text) const;
  void Uidl(const ParsedCommand& command);
  void List(const ParsedCommand& command);
  void StartTransfer(const ParsedCommand& command, long long lineLimit);
  void Dele(const ParsedCommand& command);
  void Rset();
  void Quit();
  // Entry n for a command, or nullptr after answering the range or deleted error.
  const MaildropEntry* LiveEntry(std::uint64_t n, const char* deletedText);

  void Ok(std::string_view text);
  void Err(std::string_view text);
  void Send(std::string_view bytes);
  // Sends while a message goes out: only between its lines.
  void SendBetweenLines(std::string_view bytes);
  void ProduceList(std::size_t target);
  void FinishTransfer();
  bool StoredEndsALine() const;
  // Looks at the next block of a message sent as stored; false on a read error.
  bool ScanStored();
  // The rest of a message sent as stored goes through the stuffing path.
  void StoredToStream();
  void NoteWireForm(bool asStored);

  // A message going out from its file as stored.
  struct StoredSend {
    MessageFile file;
    std::uint64_t offset = 0;  // bytes sent
    std::uint64_t length = 0;  // the file's length at the start
    std::uint64_t clean = 0;   // bytes from the start known to need no change
    bool decided = false;      // `clean` is final
    char lastClean = '\n';     // the byte at clean - 1; '\n' before the first
    MaildropEntry::WireForm form;  // the file state being looked at
  };

  const SessionContext& context_;
  std::string peerName_;
  State state_ = State::New;
  LineAssembler assembler_;
  std::string mailboxId_;
  std::filesystem::path mailboxFolder_;  // found by the user check of mailboxId_
  std::string lockedId_;
  int failedPasswords_ = 0;
  Maildrop maildrop_;
  std::unique_ptr<MessageStream> transfer_;
  std::unique_ptr<StoredSend> stored_;
  bool filesAsStored_ = false;
  int sendingNumber_ = 0;
  int highestAccessed_ = 0;
  std::size_t listNext_ = 0;  // 1-based index of the next LIST line; 0: no LIST
  bool listingIds_ = false;   // the listing is UIDL's, not LIST's
  std::string deferred_;      // replies held until the message reaches a line end
  std::string out_;
  std::size_t sent_ = 0;
  bool closing_ = false;
  bool failed_ = false;
  Millis lastActivity_ = 0;
  bool loopback_ = false;
  bool tls_ = false;
  bool tlsRequested_ = false;
  bool awaitingSasl_ = false;  // AUTH PLAIN waits for the client's response line
  Millis holdUntil_ = 0;
};

}  // namespace tellmar::pop3
