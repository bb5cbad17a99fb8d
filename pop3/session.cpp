#include "pop3/session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <utility>

#include "common/ascii.h"
#include "common/user_directory.h"
#include "pop3/sasl_plain.h"
#include "pop3/unique_id.h"

namespace tellmar::pop3 {

namespace {

constexpr std::string_view kServerName = "Corvane POP3 server";
constexpr std::string_view kServiceReady = "POP3 service ready";
constexpr std::string_view kTransferInput = "500 Error command unrecognized\r\n";
// Output larger than this is given back to the allocator once it is written,
// so that an idle session stays small.
constexpr std::size_t kIdleOutputCapacity = 4096;

std::string Num(std::uint64_t n) { return std::to_string(n); }

// One look-ahead buffer for every session: handlers never interleave.
char* ScanBuffer() {
  thread_local const std::unique_ptr<char[]> buffer(new char[kStoredScanBlock]);
  return buffer.get();
}

std::optional<MaildropEntry::WireForm> FileState(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return std::nullopt;
  MaildropEntry::WireForm form;
  form.inode = st.st_ino;
  form.length = static_cast<std::uint64_t>(st.st_size);
  form.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  return form;
}

bool SameFile(const MaildropEntry::WireForm& a, const MaildropEntry::WireForm& b) {
  return a.inode == b.inode && a.length == b.length && a.modifiedNs == b.modifiedNs;
}

// A client's word as it goes into the log: control bytes would cut the line.
std::string Printable(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return out;
}

}  // namespace

Session::Session(const SessionContext& context, std::string peerName, bool secure)
    : context_(context), peerName_(std::move(peerName)), tls_(secure) {
  loopback_ = peerName_.rfind("127.", 0) == 0;
  Touch();
}

void Session::TlsStarted() {
  tlsRequested_ = false;
  tls_ = true;
}

Session::~Session() { Release(); }

void Session::Touch() { lastActivity_ = context_.clock->Now(); }

bool Session::IdleLongerThan(long long seconds, Millis now) const {
  return (now - lastActivity_) / 1000 > seconds;
}

void Session::Release() {
  if (!lockedId_.empty()) context_.locks->Unlock(lockedId_);
  lockedId_.clear();
  maildrop_.Release();
  transfer_.reset();
  stored_.reset();
  listNext_ = 0;
}

void Session::Send(std::string_view bytes) { out_.append(bytes); }

void Session::Ok(std::string_view text) {
  out_.append("+OK ");
  out_.append(text);
  out_.append("\r\n");
}

void Session::Err(std::string_view text) {
  out_.append("-ERR ");
  out_.append(text);
  out_.append("\r\n");
}

void Session::SendBetweenLines(std::string_view bytes) {
  if ((transfer_ != nullptr && !transfer_->atLineStart()) ||
      (stored_ != nullptr && stored_->offset > 0)) {
    deferred_.append(bytes);
  } else {
    Send(bytes);
  }
}

void Session::Consume(std::size_t n) {
  sent_ += n;
  if (n > 0) Touch();
  if (sent_ >= out_.size()) {
    sent_ = 0;
    out_.clear();
    if (!Producing() && out_.capacity() > kIdleOutputCapacity) std::string().swap(out_);
  }
}

void Session::Start() {
  Send("+OK " + std::string(kServerName) + " " + context_.hostName + " " +
       std::string(kServiceReady) + "\r\n");
  state_ = State::Authorization;
}

void Session::Input(std::string_view chunk) {
  Touch();
  if (closing_ || failed_) return;
  // Input after STLS, before the handshake, is dropped: nothing a client
  // sent in the clear may count as said over TLS.
  if (tlsRequested_) return;
  std::optional<std::string> line = assembler_.Feed(chunk);
  if (awaitingSasl_) {
    if (line) AuthResponse(*line);
    return;
  }
  std::optional<ParsedCommand> command;
  std::string error;
  if (line) {
    ParseResult parsed = ParseCommandLine(*line, context_.modern);
    command = std::move(parsed.command);
    error = std::move(parsed.error);
  }
  if (state_ == State::Sending) {
    // A message is going out: the line is read but not acted on.
    if (!error.empty()) SendBetweenLines("-ERR " + error + "\r\n");
    SendBetweenLines(kTransferInput);
    return;
  }
  if (!error.empty()) {
    Err(error);
    return;
  }
  if (command) Dispatch(*command);
}

void Session::Dispatch(const ParsedCommand& command) {
  if (state_ == State::Authorization) {
    Authorization(command);
  } else if (state_ == State::Transaction) {
    Transaction(command);
  }
}

void Session::Authorization(const ParsedCommand& command) {
  switch (command.command) {
    case Command::User:
      User(command.argument1);
      break;
    case Command::Pass:
      Pass(command.argument1);
      break;
    case Command::Rpop:
      Err("command not implemented");
      break;
    case Command::Quit:
      Ok("POP3 server connection terminated");
      closing_ = true;
      break;
    case Command::Capa:
      Capa();
      break;
    case Command::Stls:
      Stls();
      break;
    case Command::Auth:
      Auth(command);
      break;
    default:
      Err("invalid command");
      break;
  }
}

std::string Session::Coded(std::string_view code, std::string_view text) const {
  if (!context_.modern) return std::string(text);
  return "[" + std::string(code) + "] " + std::string(text);
}

bool Session::ClearTextLoginAllowed() const {
  return !context_.modern || !context_.requireTls || tls_ || loopback_;
}

void Session::Capa() {
  Send("+OK Capability list follows\r\n");
  Send("TOP\r\nUIDL\r\n");
  if (state_ == State::Authorization) {
    if (ClearTextLoginAllowed()) Send("USER\r\n");
    if (context_.tlsAvailable && !tls_) Send("STLS\r\n");
    if (SaslAllowed()) Send("SASL PLAIN\r\n");
  }
  Send("RESP-CODES\r\nAUTH-RESP-CODE\r\n.\r\n");
}

void Session::Stls() {
  if (!context_.tlsAvailable) {
    Err("non-existant command");
    return;
  }
  if (tls_) {
    Err("command not permitted when TLS active");
    return;
  }
  Ok("Begin TLS negotiation");
  // The client logs in again over TLS.
  mailboxId_.clear();
  tlsRequested_ = true;
}

void Session::Auth(const ParsedCommand& command) {
  if (AsciiLower(command.argument1) != "plain") {
    Err("unsupported authentication mechanism");
    return;
  }
  if (!SaslAllowed()) {
    Err(Coded("SYS/PERM", "AUTH PLAIN needs a secure connection: use STLS first"));
    return;
  }
  if (command.argumentCount == 2) {
    AuthResponse(command.argument2 == "=" ? std::string_view() : std::string_view(command.argument2));
    return;
  }
  Send("+ \r\n");
  awaitingSasl_ = true;
}

void Session::AuthResponse(std::string_view response) {
  awaitingSasl_ = false;
  if (response == "*") {
    Err("authentication cancelled");
    return;
  }
  const std::optional<PlainCredentials> credentials = DecodeSaslPlain(response);
  if (!credentials) {
    Err("malformed authentication response");
    return;
  }
  const std::string& user = credentials->user;
  const bool sameIdentity = credentials->authorizationId.empty() ||
                            AsciiLower(credentials->authorizationId) == AsciiLower(user);
  std::optional<PopAccount> account;
  if (sameIdentity && user.size() < kMaxTokenLength) account = PopAccountCheck(context_.serverDir, user);
  if (!account || (account->password && *account->password != credentials->password)) {
    LoginFailed(user, Coded("AUTH", "authentication failed"));
    return;
  }
  failedPasswords_ = 0;
  mailboxId_ = user;
  mailboxFolder_ = std::move(account->folder);
  OpenMailbox();
  HoldLoginAnswer();
}

void Session::LoginFailed(const std::string& name, std::string_view text) {
  ++failedPasswords_;
  if (context_.modern) {
    context_.log->Line("Pop Server: Login failed for " + Printable(name) + " from " + peerName_);
    if (context_.guard != nullptr) context_.guard->NoteFailure(peerName_);
  }
  if (failedPasswords_ < kMaxPasswordFailures) {
    Err(text);
  } else {
    Err(Coded("AUTH", "too many authorization attempts.  disconnecting."));
    closing_ = true;
  }
  HoldLoginAnswer();
}

void Session::HoldLoginAnswer() {
  if (!context_.modern || context_.guard == nullptr) return;
  const Millis delay = context_.guard->Delay(peerName_);
  if (delay > 0) holdUntil_ = context_.clock->Now() + delay;
}

void Session::User(const std::string& name) {
  if (!ClearTextLoginAllowed()) {
    Err(Coded("SYS/PERM", "secure connection required: use STLS first"));
    return;
  }
  std::optional<PopAccount> account = PopAccountCheck(context_.serverDir, name);
  if (!account) {
    if (!context_.modern) {
      Err("user doesn't get mail here");
      return;
    }
    // Counted like a wrong password, so that guessing names is as slow as
    // guessing passwords; the session's own count of failures is not.
    context_.log->Line("Pop Server: Login failed for " + Printable(name) + " from " + peerName_);
    if (context_.guard != nullptr) context_.guard->NoteFailure(peerName_);
    Err(Coded("AUTH", "user doesn't get mail here"));
    HoldLoginAnswer();
    return;
  }
  failedPasswords_ = 0;
  mailboxId_ = name;
  mailboxFolder_ = std::move(account->folder);
  if (account->password) {
    Ok("user gets mail here");
    HoldLoginAnswer();
    return;
  }
  OpenMailbox();
  HoldLoginAnswer();
}

void Session::Pass(const std::string& word) {
  if (!ClearTextLoginAllowed()) {
    Err(Coded("SYS/PERM", "secure connection required: use STLS first"));
    return;
  }
  if (mailboxId_.empty()) {
    Err("need a USER");
    return;
  }
  const std::optional<std::string> password = PopPasswordLookup(context_.serverDir, mailboxId_);
  if (password && *password == word) {
    OpenMailbox();
    HoldLoginAnswer();
    return;
  }
  LoginFailed(mailboxId_, Coded("AUTH", "invalid password"));
}

void Session::OpenMailbox() {
  if (!context_.locks->TryLock(mailboxId_)) {
    Err(Coded("IN-USE", "can't lock maildrop"));
    mailboxId_.clear();
    return;
  }
  std::error_code error;
  // The folder the user check found: the password's answer does not look
  // for it again.
  std::optional<Maildrop> drop = Maildrop::BuildFolder(mailboxFolder_, error);
  if (!drop) {
    context_.locks->Unlock(mailboxId_);
    Err(Coded("SYS/TEMP", "can't read mailbox"));
    mailboxId_.clear();
    return;
  }
  lockedId_ = mailboxId_;
  maildrop_ = std::move(*drop);
  highestAccessed_ = 0;
  Ok("mailbox locked and ready");
  state_ = State::Transaction;
}

void Session::Transaction(const ParsedCommand& command) {
  switch (command.command) {
    case Command::Stat: {
      const MaildropTotals live = maildrop_.Live();
      Send("+OK " + Num(static_cast<std::uint64_t>(live.count)) + " " + Num(live.octets) +
           "\r\n");
      break;
    }
    case Command::List:
      List(command);
      break;
    case Command::Retr:
      StartTransfer(command, -1);
      break;
    case Command::Top: {
      long long limit = kDefaultTopLines;
      if (command.argumentCount == 2) {
        limit = static_cast<long long>(std::min<std::uint64_t>(
            command.number2, static_cast<std::uint64_t>(std::numeric_limits<long long>::max())));
      }
      StartTransfer(command, limit);
      break;
    }
    case Command::Dele:
      Dele(command);
      break;
    case Command::Noop:
      Send("+OK i did nothing\r\n");
      break;
    case Command::Last:
      // LAST counts within one session only, so a client that keeps mail
      // on the server would fetch it all again; RFC 1939 dropped it, and
      // without it clients ask for UIDL.
      if (context_.modern) {
        Err("non-existant command");
        break;
      }
      Send("+OK " + Num(static_cast<std::uint64_t>(highestAccessed_)) + "\r\n");
      break;
    case Command::Rset:
      Rset();
      break;
    case Command::Quit:
      Quit();
      break;
    case Command::Capa:
      Capa();
      break;
    case Command::Uidl:
      Uidl(command);
      break;
    default:
      Err("invalid command");
      break;
  }
}

const MaildropEntry* Session::LiveEntry(std::uint64_t n, const char* deletedText) {
  const MaildropEntry* entry = maildrop_.Find(n);
  if (entry == nullptr) {
    Err("message number out of range");
    return nullptr;
  }
  if (entry->deleted) {
    Err(deletedText);
    return nullptr;
  }
  return entry;
}

void Session::List(const ParsedCommand& command) {
  if (command.argumentCount == 1) {
    const MaildropEntry* entry = LiveEntry(command.number1, "message has been deleted");
    if (entry == nullptr) return;
    Send("+OK " + Num(static_cast<std::uint64_t>(entry->number)) + " " + Num(entry->size) +
         "\r\n");
    return;
  }
  const MaildropTotals live = maildrop_.Live();
  if (live.count == 0) {
    Err("no messages to list");
    return;
  }
  Send("+OK " + Num(static_cast<std::uint64_t>(live.count)) + " messages (" + Num(live.octets) +
       " octets)\r\n");
  listingIds_ = false;
  listNext_ = 1;
}

void Session::Uidl(const ParsedCommand& command) {
  if (command.argumentCount == 1) {
    const MaildropEntry* entry = LiveEntry(command.number1, "message has been deleted");
    if (entry == nullptr) return;
    Send("+OK " + Num(static_cast<std::uint64_t>(entry->number)) + " " + UniqueId(*entry) + "\r\n");
    return;
  }
  // Unlike LIST, an empty listing is an answer, not an error.
  Send("+OK unique-id listing follows\r\n");
  listingIds_ = true;
  listNext_ = 1;
}

void Session::ProduceList(std::size_t target) {
  const auto& entries = maildrop_.entries();
  while (listNext_ <= entries.size() && Pending().size() < target) {
    const MaildropEntry& e = entries[listNext_ - 1];
    ++listNext_;
    if (e.deleted) continue;
    out_.append(Num(static_cast<std::uint64_t>(e.number)));
    out_.push_back(' ');
    out_.append(listingIds_ ? UniqueId(e) : Num(e.size));
    out_.append("\r\n");
  }
  if (listNext_ > entries.size()) {
    out_.append(".\r\n");
    listNext_ = 0;
  }
}

void Session::StartTransfer(const ParsedCommand& command, long long lineLimit) {
  const MaildropEntry* entry = LiveEntry(command.number1, "message has been deleted");
  if (entry == nullptr) return;
  MessageFile file = maildrop_.Open(*entry);
  if (!file.is_open()) {
    Err("message has been removed");
    return;
  }
  Touch();
  Send("+OK message " + Num(static_cast<std::uint64_t>(entry->number)) + " follows (" +
       Num(entry->size) + " octets)\r\n");
  context_.log->Line("Pop Server: Sending mail to " + peerName_);
  sendingNumber_ = entry->number;
  state_ = State::Sending;
  if (filesAsStored_ && !tls_ && lineLimit < 0) {
    const std::optional<MaildropEntry::WireForm> now = FileState(file.fd());
    const auto& known = entry->wireForm;
    const bool knownSame = now && known && SameFile(*known, *now);
    if (now && (!knownSame || known->asStored)) {
      stored_ = std::make_unique<StoredSend>();
      stored_->file = std::move(file);
      stored_->length = now->length;
      stored_->form = *now;
      if (knownSame) {
        stored_->clean = now->length;
        stored_->decided = true;
      }
      return;
    }
  }
  transfer_ = std::make_unique<MessageStream>(std::move(file), lineLimit, context_.modern);
}

std::optional<FileSpan> Session::NextFileSpan(std::size_t max) {
  while (stored_ != nullptr && Pending().empty()) {
    StoredSend& s = *stored_;
    if (!deferred_.empty()) {
      // A reply waits for a line end: the stuffing path finds it.
      StoredToStream();
    } else if (s.offset >= s.length) {
      FinishTransfer();
    } else if (!s.decided && s.clean - s.offset < max) {
      // Looks further ahead first, so that spans are whole blocks rather
      // than the remnant of the last one.
      if (!ScanStored()) {
        stored_.reset();
        failed_ = true;
      }
    } else if (s.offset < s.clean) {
      const std::uint64_t ready = std::min<std::uint64_t>(s.clean - s.offset, max);
      return FileSpan{s.file.fd(), s.offset, static_cast<std::size_t>(ready)};
    } else {
      StoredToStream();  // at the first byte that needs a change
    }
  }
  return std::nullopt;
}

bool Session::ScanStored() {
  StoredSend& s = *stored_;
  char* buffer = ScanBuffer();
  const std::size_t want =
      static_cast<std::size_t>(std::min<std::uint64_t>(kStoredScanBlock, s.length - s.clean));
  ssize_t n;
  do {
    n = ::pread(s.file.fd(), buffer, want, static_cast<off_t>(s.clean));
  } while (n < 0 && errno == EINTR);
  if (n < 0) return false;
  if (n == 0) {
    // The file has shrunk: it ends here.
    s.length = s.clean;
    s.decided = true;
    return true;
  }
  const std::size_t size = static_cast<std::size_t>(n);
  const std::size_t changed = FirstChangedByte(buffer, size, s.lastClean);
  s.clean += changed;
  if (changed > 0) s.lastClean = buffer[changed - 1];
  if (changed < size) {
    s.decided = true;
    NoteWireForm(false);
  } else if (s.clean == s.length) {
    s.decided = true;
    NoteWireForm(true);
  }
  return true;
}

void Session::NoteWireForm(bool asStored) {
  MaildropEntry::WireForm form = stored_->form;
  form.asStored = asStored;
  maildrop_.NoteWireForm(sendingNumber_, form);
}

void Session::StoredToStream() {
  StoredSend& s = *stored_;
  char before = '\n';
  const bool placed =
      (s.offset == 0 || ::pread(s.file.fd(), &before, 1, static_cast<off_t>(s.offset - 1)) == 1) &&
      ::lseek(s.file.fd(), static_cast<off_t>(s.offset), SEEK_SET) >= 0;
  if (!placed) {
    stored_.reset();
    failed_ = true;
    return;
  }
  const bool atLineStart = before == '\n';
  transfer_ = std::make_unique<MessageStream>(
      MessageStream::Resume(std::move(s.file), atLineStart, before == '\r', context_.modern));
  stored_.reset();
  if (atLineStart && !deferred_.empty()) {
    out_.append(deferred_);
    deferred_.clear();
  }
}

void Session::FileSent(std::size_t n) {
  if (stored_ == nullptr) return;
  Touch();
  stored_->offset += n;
  if (stored_->offset >= stored_->length) FinishTransfer();
}

void Session::FileEnded() {
  if (stored_ != nullptr) FinishTransfer();
}

// Whether the message sent as stored ended with a line end (an empty one
// counts as ended).
bool Session::StoredEndsALine() const {
  const StoredSend& s = *stored_;
  if (s.length == 0) return true;
  char last = 0;
  return ::pread(s.file.fd(), &last, 1, static_cast<off_t>(s.length - 1)) == 1 && last == '\n';
}

void Session::FinishTransfer() {
  if (stored_ != nullptr) {
    AppendMessageEnding(out_, context_.modern, StoredEndsALine());
    stored_.reset();
  }
  transfer_.reset();
  state_ = State::Transaction;
  highestAccessed_ = std::max(highestAccessed_, sendingNumber_);
  out_.append(deferred_);
  deferred_.clear();
}

void Session::Dele(const ParsedCommand& command) {
  const MaildropEntry* entry = LiveEntry(command.number1, "message has already been deleted");
  if (entry == nullptr) return;
  maildrop_.Mark(entry->number);
  highestAccessed_ = std::max(highestAccessed_, entry->number);
  Send("+OK message deleted\r\n");
}

void Session::Rset() {
  maildrop_.ClearMarks();
  highestAccessed_ = 0;
  const MaildropTotals all = maildrop_.All();
  Send("+OK maildrop reset " + Num(static_cast<std::uint64_t>(all.count)) + " messages " +
       Num(all.octets) + " octets\r\n");
}

void Session::Quit() {
  maildrop_.Commit();
  Ok("POP3 server connection terminated");
  Release();
  closing_ = true;
}

void Session::Produce(std::size_t target) {
  if (sent_ > 0) {
    out_.erase(0, sent_);
    sent_ = 0;
  }
  while (Pending().size() < target) {
    if (transfer_ != nullptr) {
      Touch();
      // With a reply waiting, stop at the next line end so it goes out there.
      const std::size_t budget = deferred_.empty() ? target - Pending().size() : 1;
      const MessageStream::Status status = transfer_->Fill(out_, budget);
      if (status == MessageStream::Status::Error) {
        transfer_.reset();
        failed_ = true;
        return;
      }
      if (status == MessageStream::Status::Done) {
        FinishTransfer();
      } else if (transfer_->atLineStart() && !deferred_.empty()) {
        out_.append(deferred_);
        deferred_.clear();
      }
    } else if (listNext_ != 0) {
      ProduceList(target);
    } else {
      return;
    }
  }
}

}  // namespace tellmar::pop3
