#include "pop3/command_line.h"

#include <limits>
#include <vector>

namespace tellmar::pop3 {

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool ArgumentCountFits(int rule, std::size_t count) {
  if (rule >= 0) return count == static_cast<std::size_t>(rule);
  const auto most = static_cast<std::size_t>(-rule);
  return count == most || count + 1 == most;
}

}  // namespace

std::optional<std::string> LineAssembler::Feed(std::string_view chunk) {
  std::size_t i = 0;
  if (skipping_) {
    while (i < chunk.size() && !IsLineEnd(chunk[i])) ++i;
    if (i < chunk.size()) skipping_ = false;
    return std::nullopt;  // the end of an over-long line; the rest of the chunk goes too
  }
  for (; i < chunk.size(); ++i) {
    const char c = chunk[i];
    if (IsLineEnd(c)) {
      std::string line;
      line.swap(line_);
      if (line.empty()) return std::nullopt;
      return line;
    }
    line_.push_back(c);
    if (line_.size() == kMaxLineLength) {
      // Unless the line end follows at once, skip the rest of this line.
      skipping_ = !(i + 1 < chunk.size() && IsLineEnd(chunk[i + 1]));
      std::string line;
      line.swap(line_);
      return line;
    }
  }
  return std::nullopt;
}

std::uint64_t ParseCount(std::string_view digits) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t value = 0;
  for (char c : digits) {
    const auto d = static_cast<std::uint64_t>(c - '0');
    if (value > (kMax - d) / 10) return kMax;
    value = value * 10 + d;
  }
  return value;
}

ParseResult ParseCommandLine(std::string_view line, bool modern) {
  std::vector<std::string_view> tokens;
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size()) break;
    std::size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    std::string_view token = line.substr(start, i - start);
    if (token.size() > kMaxTokenLength) return {std::nullopt, "argument too long"};
    if (tokens.size() == 3) return {std::nullopt, "too many arguments"};
    tokens.push_back(token);
  }
  if (tokens.empty()) return {std::nullopt, "non-existant command"};

  std::string word(tokens[0]);
  for (char& c : word) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  const CommandInfo* info = nullptr;
  for (const CommandInfo& entry : kCommandTable) {
    if (entry.name == word) {
      info = &entry;
      break;
    }
  }
  for (const CommandInfo& entry : kModernCommandTable) {
    if (info == nullptr && modern && entry.name == word) info = &entry;
  }
  if (info == nullptr || info->command == Command::Bad) {
    return {std::nullopt, "non-existant command"};
  }
  const std::size_t count = tokens.size() - 1;
  if (!ArgumentCountFits(info->argumentRule, count)) return {std::nullopt, "arguments mismatch"};
  if (info->numeric) {
    for (std::size_t a = 1; a < tokens.size(); ++a) {
      if (!AllDigits(tokens[a])) return {std::nullopt, "argument must a positive integer"};
    }
  }
  ParsedCommand parsed;
  parsed.command = info->command;
  parsed.argumentCount = count;
  if (count >= 1) parsed.argument1 = tokens[1];
  if (count >= 2) parsed.argument2 = tokens[2];
  if (info->numeric) {
    if (count >= 1) parsed.number1 = ParseCount(parsed.argument1);
    if (count >= 2) parsed.number2 = ParseCount(parsed.argument2);
  }
  return {parsed, {}};
}

}  // namespace tellmar::pop3
