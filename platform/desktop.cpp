#include "platform/desktop.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/handles.h"

namespace tellmar {
namespace fs = std::filesystem;

namespace {
fs::path LockPath(const fs::path& dir, int slot) { return dir / (std::to_string(slot) + ".lock"); }

int OpenLock(const fs::path& dir, int slot) {
  return ::open(LockPath(dir, slot).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

// The shared /tmp name can be taken first by anyone; it is ours only while
// it is missing or a directory of our own (not a link to one).
bool UsableAsOurs(const fs::path& dir) {
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0) return errno == ENOENT;
  return S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

fs::path HomeFallback() {
  if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && *cache == '/')
    return fs::path(cache) / "tellmar-desktop";
  if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/')
    return fs::path(home) / ".cache" / "tellmar-desktop";
  return {};
}
}  // namespace

fs::path DesktopDirectory() {
  if (const char* dir = std::getenv("TELLMAR_DESKTOP"); dir != nullptr && *dir != '\0') return dir;
  if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run != nullptr && *run != '\0')
    return fs::path(run) / "tellmar-desktop";
  const fs::path shared = fs::path("/tmp") / ("tellmar-desktop-" + std::to_string(::getuid()));
  if (UsableAsOurs(shared)) return shared;
  const fs::path home = HomeFallback();
  if (home.empty()) return shared;  // refused later, with the reason
  static bool told = false;
  if (!told) {
    told = true;
    std::fprintf(stderr, "%s belongs to another user or is not a directory; using %s as the desktop directory\n",
                 shared.c_str(), home.c_str());
  }
  return home;
}

std::error_code PrepareDesktopDirectory(const fs::path& dir) {
  std::error_code ec;
  if (!dir.parent_path().empty()) fs::create_directories(dir.parent_path(), ec);
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return {errno, std::generic_category()};
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0) return {errno, std::generic_category()};
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return std::make_error_code(std::errc::permission_denied);
  if ((st.st_mode & 077) != 0 && ::chmod(dir.c_str(), 0700) != 0) return {errno, std::generic_category()};
  return {};
}

SlotLock& SlotLock::operator=(SlotLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    slot_ = other.slot_;
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

SlotLock::~SlotLock() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<SlotLock> ClaimSlot(const fs::path& dir, std::error_code& error) {
  for (int slot = 1; slot < kSlotLimit; ++slot) {
    const int fd = OpenLock(dir, slot);
    if (fd < 0) {
      error = {errno, std::generic_category()};
      return std::nullopt;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      ::unlink(SocketPath(dir, slot).c_str());  // left by a program that died
      return SlotLock(slot, fd);
    }
    ::close(fd);
  }
  error = std::make_error_code(std::errc::too_many_files_open);
  return std::nullopt;
}

bool SlotAlive(const fs::path& dir, int slot) {
  const int fd = ::open(LockPath(dir, slot).c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    ::unlink(SocketPath(dir, slot).c_str());
    return false;
  }
  const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  if (free) ::unlink(SocketPath(dir, slot).c_str());  // under the lock: nobody claims it meanwhile
  ::close(fd);
  return !free;
}

std::vector<int> ListSlots(const fs::path& dir) {
  std::vector<int> slots;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() < 6 || name.substr(name.size() - 5) != ".sock") continue;
    const std::string digits = name.substr(0, name.size() - 5);
    if (digits.empty() || digits.size() > 4 || !std::all_of(digits.begin(), digits.end(), ::isdigit)) continue;
    const int slot = std::stoi(digits);
    if (slot >= 1 && slot < kSlotLimit) slots.push_back(slot);
  }
  std::sort(slots.begin(), slots.end());
  return slots;
}

fs::path SocketPath(const fs::path& dir, int slot) { return dir / (std::to_string(slot) + ".sock"); }

}  // namespace tellmar
