#include "tools/tmctl/output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/tmctl/verb.h"

namespace tmctl {

std::string Escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out;
}

int PrintLines(const std::vector<std::string>& lines) {
  for (const auto& line : lines) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    return Fail(std::string("standard output: ") + std::strerror(errno));
  }
  return 0;
}

int PrintLine(std::string_view text) { return PrintLines({std::string(text)}); }

}  // namespace tmctl
