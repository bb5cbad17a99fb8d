// Dialwick's command line: one argument string (the words the program was
// started with, joined by blanks).
//
//   (empty)     no request
//   -p DIR      the working directory becomes DIR; no request
//   anything else: a request text (request_text.h), applied once the entry
//               list is built
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tellmar::dialer {

struct CommandLine {
  std::optional<std::filesystem::path> directory;
  std::string request;
};

CommandLine ParseCommandLine(std::string_view text);
std::string JoinArguments(const std::vector<std::string>& args);

}  // namespace tellmar::dialer
