// Reading a printed PDF back with poppler's tools, for the print tests.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace tellmar::testing {

inline std::string RunCommand(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    ::pclose(pipe);
  }
  return out;
}

// The text of each page, as pdftotext lays it out, without blank lines and
// without the spaces around each line.
inline std::vector<std::vector<std::string>> PdfLines(const std::filesystem::path& pdf) {
  const std::string text = RunCommand("pdftotext -layout '" + pdf.string() + "' -");
  std::vector<std::vector<std::string>> pages(1);
  std::string line;
  for (char c : text) {
    if (c == '\f') {
      pages.emplace_back();
    } else if (c == '\n') {
      const auto first = line.find_first_not_of(' ');
      if (first != std::string::npos) pages.back().push_back(line.substr(first, line.find_last_not_of(' ') - first + 1));
      line.clear();
    } else {
      line += c;
    }
  }
  if (pages.back().empty()) pages.pop_back();  // after the last form feed
  return pages;
}

}  // namespace tellmar::testing
