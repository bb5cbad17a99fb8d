#include "dialer/command_line.h"

#include "dialer/settings.h"

namespace tellmar::dialer {

CommandLine ParseCommandLine(std::string_view text) {
  CommandLine line;
  if (text.size() >= 2 && text[0] == '-' && (text[1] == 'p' || text[1] == 'P')) {
    std::string_view dir = text.substr(2);
    while (!dir.empty() && dir.front() == ' ') dir.remove_prefix(1);
    while (!dir.empty() && dir.back() == ' ') dir.remove_suffix(1);
    // Clients quote directories with blanks in them.
    if (dir.size() >= 2 && dir.front() == '"' && dir.back() == '"') dir = dir.substr(1, dir.size() - 2);
    if (!dir.empty()) line.directory = DirectoryFromText(dir);
    return line;
  }
  line.request = std::string(text);
  return line;
}

std::string JoinArguments(const std::vector<std::string>& args) {
  std::string joined;
  for (const auto& a : args) {
    if (!joined.empty()) joined += ' ';
    joined += a;
  }
  return joined;
}

}  // namespace tellmar::dialer
