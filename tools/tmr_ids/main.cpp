// tmr_ids PROGRAM HEADER_DIR PYTHON_DIR FILE.tmr...
//
// Checks a program's template files and writes the named control IDs: one
// header per file (HEADER_DIR/STEM_ids.h) and PYTHON_DIR/PROGRAM.py. Any
// template error is printed as "file:line: message" and fails the build.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "platform/template_ids.h"

namespace fs = std::filesystem;

namespace {

bool WriteFile(const fs::path& path, const std::string& text) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::cerr << "usage: tmr_ids PROGRAM HEADER_DIR PYTHON_DIR FILE.tmr...\n";
    return 2;
  }
  const std::string program = argv[1];
  const fs::path headerDir = argv[2], pythonDir = argv[3];
  std::vector<std::pair<std::string, tellmar::TemplateFile>> files;
  std::vector<std::string> errors;
  for (int i = 4; i < argc; ++i) {
    const fs::path path = argv[i];
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      errors.push_back(path.string() + ": cannot be read");
      continue;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    tellmar::TemplateFile file;
    file.stem = path.stem().string();
    tellmar::ParseResourceText(path.string(), text, file.parsed);
    errors.insert(errors.end(), file.parsed.errors.begin(), file.parsed.errors.end());
    files.emplace_back(path.string(), std::move(file));
  }
  for (std::string& e : tellmar::CheckTemplateNames(files)) errors.push_back(std::move(e));
  if (!errors.empty()) {
    for (const std::string& e : errors) std::cerr << e << "\n";
    return 1;
  }
  std::vector<tellmar::TemplateFile> all;
  for (auto& [path, file] : files) {
    if (!WriteFile(headerDir / (file.stem + "_ids.h"), tellmar::GenerateIdsHeader(program, file))) return 1;
    all.push_back(std::move(file));
  }
  return WriteFile(pythonDir / (program + ".py"), tellmar::GenerateIdsPython(program, all)) ? 0 : 1;
}
