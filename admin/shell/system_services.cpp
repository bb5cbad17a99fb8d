#include "admin/shell/system_services.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <memory>

#include "common/ini_document.h"
#include "common/name_order.h"
#include "common/path_case.h"
#include "common/profile.h"
#include "platform/machine_info.h"

namespace tellmar::admin {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kRunServices = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
constexpr std::uint64_t kLowDiskSpaceBytes = 5000000;

struct RegistryValue {
  std::string key, name, data;
};

// Creates each key in order and writes its value; stops at the first failure.
int WriteValues(const RegistryStore& registry, RegistryRoot root, const std::vector<RegistryValue>& values) {
  for (const auto& v : values) {
    if (registry.CreateKey(root, v.key)) return kRegistryCannotOpenKey;
    if (registry.SetValue(root, v.key, v.name, v.data)) return kRegistryCannotWriteValue;
  }
  return kRegistryOk;
}

bool ExistsNoCase(const fs::path& dir, std::string_view name) {
  struct stat st {};
  return ::lstat(ResolveNoCase(dir, name).c_str(), &st) == 0;
}

// Moves without ever replacing an existing file; across file systems the
// file is copied and the original removed, as a Windows move does.
bool MoveNoReplace(const fs::path& from, const fs::path& to) {
  if (ExistsNoCase(to.parent_path().empty() ? fs::path(".") : to.parent_path(), to.filename().string())) {
    return false;
  }
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EXDEV) return false;
  std::error_code ec;
  if (!fs::copy_file(from, to, fs::copy_options::none, ec)) return false;
  fs::remove(from, ec);
  return true;
}

std::string ShortCandidate(const std::string& cut, int n, const std::string& extension) {
  std::string digits = std::to_string(n);
  std::string stem = cut;
  while (!stem.empty() && stem.size() + 1 + digits.size() > 8) stem.pop_back();
  return stem + "~" + digits + extension;
}

}  // namespace

fs::path FromWindowsPath(std::string_view path) {
  if (path.empty()) return {};
  const bool absolute = path.front() == '/' || path.front() == '\\';
  return ResolvePathNoCase(absolute ? fs::path("/") : fs::path(), absolute ? path.substr(1) : path);
}

int RegisterServices(const RegistryStore& registry, std::string_view flag, std::string_view serverDir) {
  bool on = flag == "1";
  auto value = [&](const char* program) { return on ? std::string(serverDir) + program : std::string(); };
  return WriteValues(registry, RegistryRoot::LocalMachine,
                     {{std::string(kRunServices), "", value("tmadmin32.exe")},
                      {std::string(kRunServices), "POPSRV", value("cvpopd.exe")},
                      {std::string(kRunServices), "SMTPSRV", value("tmrelay.exe")}});
}

int RegisterMailClient(const RegistryStore& registry, std::string_view workingDir) {
  const std::string base = "Software\\Clients\\Mail\\Penwick";
  const std::string dir(workingDir);
  return WriteValues(registry, RegistryRoot::LocalMachine,
                     {{base, "", "Corvane Penwick"},
                      {base + "\\Protocols\\mailto", "", "URL:MailTo Protocol"},
                      {base + "\\Protocols\\mailto", "URL Protocol", ""},
                      {base + "\\Protocols\\mailto\\shell\\open\\command", "", dir + "\\Zizazivi.exe /M %1"},
                      {base + "\\shell\\open\\command", "", dir + "\\ZizaZivi.exe /R"}});
}

int RegisterMailFileTypes(const RegistryStore& registry, std::string_view systemDir,
                          std::string_view windowsDir) {
  struct FileType {
    const char *extension, *type, *description, *icon;
  };
  static constexpr FileType kTypes[] = {
      {".msg", "msgfile", "Received mail message", "\\SHELL32.DLL,59"},
      {".msr", "msrfile", "Mail message (replied-to)", "\\SHELL32.DLL,42"},
      {".out", "outfile", "Mail message reply", "\\SHELL32.DLL,30"},
      {".our", "ourfile", "Mail message reply", "\\SHELL32.DLL,20"},
  };
  std::vector<RegistryValue> values;
  for (const auto& t : kTypes) {
    std::string type = t.type;
    values.push_back({t.extension, "", type});
    values.push_back({type, "", t.description});
    values.push_back({type + "\\DefaultIcon", "", std::string(systemDir) + t.icon});
    values.push_back({type + "\\shell\\open\\command", "", std::string(windowsDir) + "\\WRITE.EXE %1"});
  }
  return WriteValues(registry, RegistryRoot::ClassesRoot, values);
}

std::string DesktopDragSetting(const RegistryStore& registry) {
  return registry.GetValue(RegistryRoot::CurrentUser, "Control Panel\\desktop", "DragfullWindows").value_or("0");
}

std::optional<std::string> HostNameFromRegistry(const RegistryStore& registry) {
  return registry.GetValue(RegistryRoot::LocalMachine, "System\\CurrentControlSet\\Services\\VxD\\MSTCP",
                           "HostName");
}

std::optional<std::string> HostAddressFromRegistry(const RegistryStore& registry) {
  for (int i = 0; i <= 20; ++i) {
    char key[80];
    std::snprintf(key, sizeof key, "System\\CurrentControlSet\\Services\\Class\\NetTrans\\%04d", i);
    auto address = registry.GetValue(RegistryRoot::LocalMachine, key, "IPAddress");
    if (address && !address->empty() && *address != "0.0.0.0") return address;
  }
  return std::nullopt;
}

DriveTypeAnswer CheckDriveType(std::string_view path) {
  if (path.size() <= 3) return {true, std::string(DriveKindName(DriveKindOf(path)))};
  // Any existing path lies on a mount, as "C:\" does on a drive: it is
  // classified by that mount, as the network-drive check does.
  if (path.find_first_of("*?") == std::string_view::npos) {
    const fs::path p = FromWindowsPath(path);
    std::error_code ec;
    if (fs::exists(p, ec)) return {true, std::string(DriveKindName(DriveKindOf(p.string())))};
  }
  std::string pattern(path);
  if (pattern.back() == '\\' || pattern.back() == '/') pattern += "*.*";
  fs::path p = FromWindowsPath(pattern);
  auto names = MatchingNames(p.parent_path().empty() ? fs::path(".") : p.parent_path(), p.filename().string());
  if (names.empty()) return {false, ""};
  return {true, names.front()};
}

int LowDiskSpaceCheck(std::string_view path) {
  // A path not made yet is on the file system of its nearest existing
  // directory, as any path on a drive is on that drive.
  fs::path existing = FromWindowsPath(path);
  std::error_code ec;
  while (!existing.empty() && !fs::exists(existing, ec) && existing.has_relative_path())
    existing = existing.parent_path();
  if (existing.empty()) existing = ".";
  auto free = FreeBytesAvailable(existing);
  return free && *free < kLowDiskSpaceBytes ? 0 : -1;
}

std::optional<std::string> ShortName(const fs::path& dir, std::string_view longName, bool existing) {
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return std::nullopt;
  const std::string name(longName);
  auto plain = [](std::string_view s, std::size_t limit) {
    return s.find_first_of(" .") == std::string_view::npos && s.size() < limit;
  };
  if (plain(name, 13)) return name;

  std::string base = name, extension;
  std::size_t period = name.rfind('.');
  if (period != std::string::npos && period + 1 < name.size()) {
    base = name.substr(0, period);
    extension = "." + name.substr(period + 1, 3);
  }
  if (plain(base, 9)) return base + extension;

  std::string cleaned;
  for (char c : base) {
    if (c == ' ' || c == '.') continue;
    cleaned += std::string_view("=[],;+").find(c) != std::string_view::npos ? '_' : c;
  }
  if (cleaned.size() <= 8) return cleaned + extension;
  std::string cut = cleaned.substr(0, 8);
  if (existing && ExistsNoCase(dir, cut + extension)) return cut + extension;

  if (existing) {
    for (int n = 1; n <= 9; ++n) {
      std::string candidate = ShortCandidate(cut, n, extension);
      if (ExistsNoCase(dir, candidate)) return candidate;
    }
    return ShortCandidate(cut, 9, extension);
  }
  for (int n = 1; n <= 999; ++n) {
    std::string candidate = ShortCandidate(cut, n, extension);
    if (!ExistsNoCase(dir, candidate)) return candidate;
  }
  return ShortCandidate(cut, 1000, extension);
}

std::optional<std::string> LongName(const fs::path& dir, std::string_view name) {
  if (!IsPlainFileName(name)) return std::nullopt;
  fs::path found = ResolveNoCase(dir, name);
  struct stat st {};
  if (::lstat(found.c_str(), &st) != 0) return std::nullopt;
  return found.filename().string();
}

std::optional<std::string> MoveFileNumbered(std::string_view from, std::string_view to) {
  fs::path source = FromWindowsPath(from), target = FromWindowsPath(to);
  if (MoveNoReplace(source, target)) return target.filename().string();
  // The number goes into the file name, never into a directory's name.
  std::string file = target.filename().string();
  std::size_t period = file.rfind('.');
  for (int n = 1; n <= 999; ++n) {
    std::string numbered = period == std::string::npos
                               ? file + "~" + std::to_string(n)
                               : file.substr(0, period) + "~" + std::to_string(n) + file.substr(period);
    if (MoveNoReplace(source, target.parent_path() / numbered)) return numbered;
  }
  return std::nullopt;
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*") pattern = "*";
  // Iterative match with one back-tracking point for the last '*'.
  std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
  auto same = [](char a, char b) { return EqualsNoCase(std::string_view(&a, 1), std::string_view(&b, 1)); };
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], name[n]))) {
      ++p, ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<std::string> MatchingNames(const fs::path& dir, std::string_view pattern) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(dir.c_str()), ::closedir);
  if (!listing) return names;
  while (const dirent* entry = ::readdir(listing.get())) {
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (WildcardMatch(pattern, name)) names.emplace_back(name);
  }
  // In the order the main server's file systems list a folder, not hash order.
  SortByNameOrder(names);
  return names;
}

std::optional<DirectoryListings::First> DirectoryListings::Begin(std::string_view pattern) {
  fs::path p = FromWindowsPath(pattern);
  const fs::path dir = p.parent_path().empty() ? fs::path(".") : p.parent_path();
  std::vector<std::string> names = MatchingNames(dir, p.filename().string());
  if (names.empty()) return std::nullopt;
  Listing listing;
  for (std::size_t i = 1; i < names.size() && listing.names.size() < kMaxEntries; ++i) {
    listing.names.push_back(std::move(names[i]));
  }
  // Handles are positive and never reused within a run.
  if (lastHandle_ == INT32_MAX) lastHandle_ = 0;
  std::int32_t handle = ++lastHandle_;
  listings_[handle] = std::move(listing);
  return First{std::move(names.front()), handle};
}

std::string DirectoryListings::Next(std::int32_t handle) {
  auto it = listings_.find(handle);
  if (it == listings_.end() || it->second.next >= it->second.names.size()) return {};
  return it->second.names[it->second.next++];
}

bool DirectoryListings::End(std::int32_t handle) { return listings_.erase(handle) > 0; }

bool AddUserDefinedHandler(const fs::path& winIni, std::string_view handler) {
  for (int i = 1; i <= 100; ++i) {
    std::string key = "UDF" + std::to_string(i);
    if (GetProfileString(winIni, "TM3UDF", key, "None") == "None") {
      std::error_code ec;
      fs::create_directories(winIni.parent_path(), ec);
      return !WriteProfileString(winIni, "TM3UDF", key, handler);
    }
  }
  return false;
}

}  // namespace tellmar::admin
