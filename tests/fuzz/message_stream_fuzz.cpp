// libFuzzer target for the RETR/TOP encoder, checked against a plain
// reference of the wire format written from its description: lines split at
// LF, LF alone sent as CR LF, a leading "." doubled, TOP stopping after the
// header, the empty line and n body lines, and CR LF "." CR LF at the end
// (or, with the ending of RFC 1939, "." CR LF alone after a line end).
// The encoder is run with a tiny output budget (many small pieces, replies
// slipped in between) and with a large one; both must give the reference.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pop3/message_stream.h"
#include "tests/fuzz/fuzz_check.h"

using namespace tellmar;
using namespace tellmar::pop3;

namespace {

std::string Reference(std::string_view data, long long top, bool rfcEnding) {
  std::string out;
  bool inBody = false;
  long long count = 0;
  std::size_t at = 0;
  while (at < data.size()) {
    const std::size_t lf = data.find('\n', at);
    const bool ended = lf != std::string_view::npos;
    const std::string_view line = data.substr(at, ended ? lf - at : std::string_view::npos);
    at = ended ? lf + 1 : data.size();
    if (inBody) {
      ++count;
      if (top >= 0 && count > top) break;
    }
    if (!line.empty() && line.front() == '.') out += '.';
    out += line;
    if (ended) {
      out += (!line.empty() && line.back() == '\r') ? "\n" : "\r\n";
      if (line.empty() || line == "\r") inBody = true;
    }
  }
  if (rfcEnding && (out.empty() || out.back() == '\n')) return out + ".\r\n";
  return out + "\r\n.\r\n";
}

std::string Encode(std::string_view data, long long top, std::size_t budget, bool rfcEnding) {
  const int fd = ::memfd_create("message", MFD_CLOEXEC);
  Check(fd >= 0, "memfd");
  for (std::string_view rest = data; !rest.empty();) {
    const ssize_t n = ::write(fd, rest.data(), rest.size());
    Check(n > 0, "write");
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
  ::lseek(fd, 0, SEEK_SET);
  MessageStream stream{MessageFile(fd), top, rfcEnding};
  std::string out;
  for (int rounds = 0;; ++rounds) {
    Check(rounds < 100000000, "the transfer ends");
    const std::size_t before = out.size();
    const MessageStream::Status status = stream.Fill(out, budget);
    Check(status != MessageStream::Status::Error, "no read error");
    if (status == MessageStream::Status::Done) return out;
    Check(out.size() > before, "each piece makes progress");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // First byte: RETR (high bit) or TOP with 0..127 lines; second: the small
  // budget, and in its high bit the ending.
  const long long top = (data[0] & 0x80) != 0 ? -1 : data[0];
  const std::size_t small = static_cast<std::size_t>(data[1] % 64) + 1;
  std::string_view message(reinterpret_cast<const char*>(data) + 2, size - 2);
  // Now and then the message is repeated past the encoder's read block, so
  // that lines cross from one block into the next.
  std::string repeated;
  if ((data[1] & 0x40) != 0 && !message.empty()) {
    while (repeated.size() <= kMessageReadBlock + 1) repeated += message;
    message = repeated;
  }
  const bool rfcEnding = (data[1] & 0x80) != 0;
  const std::string expected = Reference(message, top, rfcEnding);
  Check(Encode(message, top, small, rfcEnding) == expected, "small pieces give the reference");
  Check(Encode(message, top, 1 << 20, rfcEnding) == expected, "large pieces give the reference");
  return 0;
}
