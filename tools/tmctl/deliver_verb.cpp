// tmctl deliver: drops a message into a mailbox folder of the mail store the
// way the main server delivers (fresh "%08lx.txt" name, envelope beside it,
// CR LF line ends), safe against a POP3 server scanning the folder meanwhile.
// A mail transfer agent can call it to deliver into the store.
#include <unistd.h>

#include <cerrno>
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
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n == 0) return bytes;
    if (n < 0) {
      if (errno == EINTR) continue;
      error = {errno, std::generic_category()};
      return std::nullopt;
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

int Run(const Args& args) {
  std::optional<Request> request = ParseArgs(args);
  if (!request) return Usage(kUsage);

  const auto folder = tellmar::MailboxFolder(request->serverDir, request->mailbox);
  if (!folder) return Fail("'" + request->mailbox + "' is not a plain mailbox name");
  std::error_code ec;
  if (!fs::is_directory(*folder, ec)) {
    return Fail(request->serverDir + ": no mailbox folder '" + request->mailbox + "'");
  }
  if (request->delivery.from && !tellmar::IsSafeEnvelopeAddress(*request->delivery.from)) {
    return Fail("sender address holds a line break");
  }
  for (const auto& to : request->delivery.recipients) {
    if (!tellmar::IsSafeEnvelopeAddress(to)) return Fail("recipient address holds a line break");
  }

  const std::string source = request->file.value_or("standard input");
  std::optional<std::string> text =
      request->file ? tellmar::ReadFileBytes(*request->file, ec) : ReadStandardInput(ec);
  if (!text) return Fail(source + ": " + ec.message());
  if (text->empty()) return Fail(source + ": empty message, nothing delivered");
  request->delivery.text = std::move(*text);

  const tellmar::DeliveryResult result = tellmar::DeliverMessage(*folder, request->delivery);
  if (result.error) return Fail(folder->string() + ": " + result.error.message());
  return PrintLine(result.name);
}

const Verb kVerb("deliver", kUsage, Run);

}  // namespace
}  // namespace tmctl
