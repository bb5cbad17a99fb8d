// tmctl deliver: drops a message into a mailbox folder of the mail store the
// way the main server delivers (fresh "%08lx.txt" name, envelope beside it,
// CR LF line ends), safe against a POP3 server scanning the folder meanwhile.
//
// It is the local delivery agent a mail transfer agent calls (a Postfix pipe
// transport, an Exim pipe transport), so it ends with the exit codes those
// understand (sysexits): 0 delivered; 64 wrong arguments; 65 malformed input
// (empty message, an address with a line break); 66 a named message file that
// cannot be read; 67 unknown mailbox (no folder of that name); 75 a temporary
// failure (full disk, file size limit, interrupted by a signal, a lock or any
// other error of the system), after which the agent keeps the message and
// tries again. Whatever the failure, nothing half-written becomes visible: the
// message is written under a name no reader takes and renamed into place
// whole.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "common/file_bytes.h"
#include "common/mail_delivery.h"
#include "common/mail_store.h"
#include "tools/tmctl/output.h"
#include "tools/tmctl/verb.h"

namespace tmctl {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUsage = "deliver SERVERDIR MAILBOX [--from ADDR] [--to ADDR]... [FILE|-]";

// The sysexits values.
constexpr int kExitUsage = 64;
constexpr int kExitMalformed = 65;
constexpr int kExitNoInput = 66;
constexpr int kExitUnknownMailbox = 67;
constexpr int kExitTemporary = 75;

volatile std::sig_atomic_t interrupted = 0;

extern "C" void NoteInterrupt(int) { interrupted = 1; }

// A signal that asks the agent to stop ends a pending read (no SA_RESTART)
// and turns into a temporary failure, never a half-done delivery. A file size
// limit makes a write fail with EFBIG instead of killing the process, and a
// closed standard output fails a write instead of killing it after delivery.
void TakeSignals() {
  struct sigaction action {};
  action.sa_handler = NoteInterrupt;
  sigemptyset(&action.sa_mask);
  for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGALRM}) sigaction(sig, &action, nullptr);
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
}

int FailWith(int code, std::string_view message) {
  Fail(message);
  return code;
}

struct Request {
  std::string serverDir, mailbox;
  std::optional<std::string> file;  // standard input when empty
  tellmar::Delivery delivery;
};

std::optional<Request> ParseArgs(const Args& args) {
  Request request;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--from" || arg == "--to") {
      if (i + 1 == args.size()) return std::nullopt;
      if (arg == "--from") {
        if (request.delivery.from) return std::nullopt;  // one sender
        request.delivery.from = args[++i];
      } else {
        request.delivery.recipients.push_back(args[++i]);
      }
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
      return std::nullopt;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() < 2 || positional.size() > 3) return std::nullopt;
  request.serverDir = positional[0];
  request.mailbox = positional[1];
  if (positional.size() == 3 && positional[2] != "-") request.file = positional[2];
  return request;
}

std::optional<std::string> ReadStandardInput(std::error_code& error) {
  std::string bytes;
  char buffer[65536];
  for (;;) {
    if (interrupted) {
      error = std::make_error_code(std::errc::interrupted);
      return std::nullopt;
    }
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n == 0) return bytes;
    if (n < 0) {
      if (errno == EINTR && !interrupted) continue;
      error = {errno, std::generic_category()};
      return std::nullopt;
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

int Run(const Args& args) {
  TakeSignals();
  std::optional<Request> request = ParseArgs(args);
  if (!request) {
    Usage(kUsage);
    return kExitUsage;
  }

  const auto folder = tellmar::MailboxFolder(request->serverDir, request->mailbox);
  if (!folder) {
    return FailWith(kExitUnknownMailbox, "'" + request->mailbox + "' is not a plain mailbox name");
  }
  std::error_code ec;
  if (!fs::is_directory(*folder, ec)) {
    if (ec && ec != std::errc::no_such_file_or_directory) {
      return FailWith(kExitTemporary, folder->string() + ": " + ec.message());
    }
    return FailWith(kExitUnknownMailbox,
                    request->serverDir + ": no mailbox folder '" + request->mailbox + "'");
  }
  if (request->delivery.from && !tellmar::IsSafeEnvelopeAddress(*request->delivery.from)) {
    return FailWith(kExitMalformed, "sender address holds a line break");
  }
  for (const auto& to : request->delivery.recipients) {
    if (!tellmar::IsSafeEnvelopeAddress(to)) {
      return FailWith(kExitMalformed, "recipient address holds a line break");
    }
  }

  const std::string source = request->file.value_or("standard input");
  std::optional<std::string> text =
      request->file ? tellmar::ReadFileBytes(*request->file, ec) : ReadStandardInput(ec);
  if (interrupted) return FailWith(kExitTemporary, "interrupted, nothing delivered");
  if (!text) return FailWith(request->file ? kExitNoInput : kExitTemporary, source + ": " + ec.message());
  if (text->empty()) return FailWith(kExitMalformed, source + ": empty message, nothing delivered");
  request->delivery.text = std::move(*text);

  // Once begun, a delivery runs to its end (a signal only sets the flag):
  // it either puts the whole message in place or leaves nothing.
  const tellmar::DeliveryResult result = tellmar::DeliverMessage(*folder, request->delivery);
  if (result.error) {
    return FailWith(kExitTemporary, folder->string() + ": " + result.error.message() + ", nothing delivered");
  }
  // Delivered: a lost line on standard output must not make the agent
  // deliver the message a second time.
  (void)PrintLine(result.name);
  return 0;
}

const Verb kVerb("deliver", kUsage, Run);

}  // namespace
}  // namespace tmctl
