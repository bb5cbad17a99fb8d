#include "common/path_case.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "common/ini_document.h"

namespace tellmar {

namespace fs = std::filesystem;

std::optional<fs::path> FindNoCase(const fs::path& dir, std::string_view name, struct stat& found) {
  if (name.empty()) return std::nullopt;
  // A plain name is tried as a string joined to the folder: cheaper than a
  // path, which splits itself into components at every step.
  const bool plain = IsPlainFileName(name) && !dir.empty();
  std::string candidate = plain ? dir.native() : std::string();
  if (plain && candidate.back() != '/') candidate.push_back('/');
  const std::size_t base = candidate.size();
  const auto exists = [&](std::string_view tried) -> std::optional<fs::path> {
    fs::path path;
    if (plain) {
      candidate.resize(base);
      candidate.append(tried);
      if (::lstat(candidate.c_str(), &found) != 0) return std::nullopt;
      path = fs::path(candidate);
    } else {
      path = dir / fs::path(std::string(tried));
      if (::lstat(path.c_str(), &found) != 0) return std::nullopt;
    }
    return path;
  };
  if (auto exact = exists(name)) return exact;
  // Names are mostly all upper or all lower case (mailbox folders, message
  // files): trying those first spares reading a folder of thousands.
  std::string folded(name);
  for (char& c : folded) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1) folded = AsciiLower(name);
    if (folded == name) continue;
    if (auto path = exists(folded)) return path;
  }
  std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(dir.empty() ? "." : dir.c_str()), ::closedir);
  if (!listing) return std::nullopt;
  while (const dirent* entry = ::readdir(listing.get())) {
    if (!EqualsNoCase(entry->d_name, name)) continue;
    if (auto path = exists(entry->d_name)) return path;
  }
  return std::nullopt;
}

fs::path ResolveNoCase(const fs::path& dir, std::string_view name) {
  struct stat st {};
  if (std::optional<fs::path> found = FindNoCase(dir, name, st)) return std::move(*found);
  return dir / fs::path(std::string(name));
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
