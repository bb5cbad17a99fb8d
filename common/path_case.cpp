#include "common/path_case.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <string>

#include "common/ini_document.h"

namespace tellmar {

namespace fs = std::filesystem;

fs::path ResolveNoCase(const fs::path& dir, std::string_view name) {
  fs::path exact = dir / fs::path(std::string(name));
  struct stat st {};
  if (name.empty() || ::lstat(exact.c_str(), &st) == 0) return exact;
  // Names are mostly all upper or all lower case (mailbox folders, message
  // files): trying those first spares reading a folder of thousands.
  std::string folded(name);
  for (char& c : folded) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1) folded = AsciiLower(name);
    if (folded == name) continue;
    fs::path candidate = dir / folded;
    if (::lstat(candidate.c_str(), &st) == 0) return candidate;
  }
  std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(dir.empty() ? "." : dir.c_str()), ::closedir);
  if (!listing) return exact;
  while (const dirent* entry = ::readdir(listing.get())) {
    if (EqualsNoCase(entry->d_name, name)) return dir / entry->d_name;
  }
  return exact;
}

fs::path ResolvePathNoCase(const fs::path& base, std::string_view relative) {
  fs::path result = base;
  std::size_t pos = 0;
  while (pos <= relative.size()) {
    std::size_t next = relative.find_first_of("/\\", pos);
    if (next == std::string_view::npos) next = relative.size();
    std::string_view part = relative.substr(pos, next - pos);
    if (!part.empty() && part != ".") result = ResolveNoCase(result, part);
    pos = next + 1;
  }
  return result;
}

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name) {
    if (c == '/' || c == '\\' || c < 0x20 || c == 0x7f) return false;
  }
  return true;
}

}  // namespace tellmar
