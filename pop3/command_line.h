// From received bytes to POP3 commands: the line assembler keeps the partial
// command line of one session; the parser splits a complete line into the
// command and its arguments, checked against the command table, or gives the
// error reply.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tellmar::pop3 {

// Longest command line; longer input is cut here.
inline constexpr std::size_t kMaxLineLength = 2048;
// Longest token (command word or argument).
inline constexpr std::size_t kMaxTokenLength = 99;

enum class Command {
  Bad, User, Pass, Stat, List, Retr, Dele, Noop, Last, Rset, Rpop, Top, Quit,
  // Known only to a server for today's clients.
  Capa, Uidl, Stls, Auth
};

struct CommandInfo {
  std::string_view name;
  Command command;
  // n >= 0: exactly n arguments; -n: n-1 to n arguments.
  int argumentRule;
  bool numeric;
};

// Searched in this order.
inline constexpr std::array<CommandInfo, 13> kCommandTable{{
    {"bad", Command::Bad, 0, false},
    {"user", Command::User, 1, false},
    {"pass", Command::Pass, 1, false},
    {"stat", Command::Stat, 0, false},
    {"list", Command::List, -1, true},
    {"retr", Command::Retr, 1, true},
    {"dele", Command::Dele, 1, true},
    {"noop", Command::Noop, 0, false},
    {"last", Command::Last, 0, false},
    {"rset", Command::Rset, 0, false},
    {"rpop", Command::Rpop, 1, false},
    {"top", Command::Top, -2, true},
    {"quit", Command::Quit, 0, false},
}};

// Searched after kCommandTable when the server serves today's clients.
inline constexpr std::array<CommandInfo, 4> kModernCommandTable{{
    {"capa", Command::Capa, 0, false},
    {"uidl", Command::Uidl, -1, true},
    {"stls", Command::Stls, 0, false},
    {"auth", Command::Auth, -2, false},
}};

class LineAssembler {
 public:
  // Takes one received chunk. Returns a complete, non-empty line when one
  // ended in this chunk; whatever follows the line end in the chunk is
  // dropped. A line that reaches kMaxLineLength is complete at that length,
  // and the rest of it, up to its line end, is skipped.
  std::optional<std::string> Feed(std::string_view chunk);

  std::size_t pending() const { return line_.size(); }

 private:
  std::string line_;
  bool skipping_ = false;
};

struct ParsedCommand {
  Command command = Command::Bad;
  std::size_t argumentCount = 0;
  std::string argument1, argument2;
  // Numeric arguments, saturated at UINT64_MAX.
  std::uint64_t number1 = 0, number2 = 0;
};

struct ParseResult {
  std::optional<ParsedCommand> command;  // set when the line is a valid command
  std::string error;                     // else the "-ERR" text to answer
};

// `modern`: the commands of kModernCommandTable are known too.
ParseResult ParseCommandLine(std::string_view line, bool modern = false);

// Decimal digits to a number, saturating instead of wrapping.
std::uint64_t ParseCount(std::string_view digits);

}  // namespace tellmar::pop3
