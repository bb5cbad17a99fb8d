// libFuzzer target for the POP3 line assembler and command parser. The input
// is cut into chunks at the positions its first bytes choose, as TCP might
// deliver it. Invariants checked:
//  - a line handed out is non-empty, at most kMaxLineLength bytes, holds no
//    CR or LF, and the assembler never holds more than kMaxLineLength;
//  - a parsed line is either a command of the table with an argument count
//    its rule allows, or an error text, never both or neither;
//  - numeric arguments are digits only.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "pop3/command_line.h"
#include "tests/fuzz/fuzz_check.h"

using namespace tellmar::pop3;

namespace {

void CheckParsed(std::string_view line, bool modern) {
  const ParseResult r = ParseCommandLine(line, modern);
  Check(r.command.has_value() != !r.error.empty(), "a command or an error");
  if (!r.command) return;
  const ParsedCommand& c = *r.command;
  Check(c.command != Command::Bad, "the placeholder is never a command");
  std::vector<CommandInfo> table(kCommandTable.begin(), kCommandTable.end());
  if (modern) {
    table.insert(table.end(), kModernCommandTable.begin(), kModernCommandTable.end());
  } else {
    for (const CommandInfo& info : kModernCommandTable) Check(c.command != info.command, "new commands only when modern");
  }
  for (const CommandInfo& info : table) {
    if (info.command != c.command) continue;
    if (info.argumentRule >= 0) {
      Check(c.argumentCount == static_cast<std::size_t>(info.argumentRule), "exact argument count");
    } else {
      const auto most = static_cast<std::size_t>(-info.argumentRule);
      Check(c.argumentCount + 1 >= most && c.argumentCount <= most, "argument count in range");
    }
    if (info.numeric) {
      for (const std::string* a : {&c.argument1, &c.argument2}) {
        for (char ch : *a) Check(ch >= '0' && ch <= '9', "numeric arguments are digits");
      }
    }
  }
  Check(c.argument1.size() <= kMaxTokenLength && c.argument2.size() <= kMaxTokenLength, "token length");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte: the chunk size (1..256) the rest is cut into.
  const std::size_t chunk = static_cast<std::size_t>(data[0]) + 1;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  LineAssembler assembler;
  for (std::size_t at = 0; at < input.size(); at += chunk) {
    const std::optional<std::string> line = assembler.Feed(input.substr(at, chunk));
    Check(assembler.pending() <= kMaxLineLength, "assembler holds at most one line");
    if (!line) continue;
    Check(!line->empty() && line->size() <= kMaxLineLength, "line length");
    Check(line->find_first_of("\r\n") == std::string::npos, "no line end inside a line");
    CheckParsed(*line, false);
    CheckParsed(*line, true);
  }
  // The whole input as one line as well.
  CheckParsed(input.substr(0, kMaxLineLength), false);
  CheckParsed(input.substr(0, kMaxLineLength), true);
  return 0;
}
