// The desktop directory: where the programs of one user meet.
//
// $TELLMAR_DESKTOP, else "tellmar-desktop" under $XDG_RUNTIME_DIR, else
// /tmp/tellmar-desktop-<uid>; created with mode 0700 and refused when it
// belongs to someone else or others may enter it. Since anyone may create
// the /tmp name first, one that is not a directory of our own is passed
// over (with a message on standard error) for "tellmar-desktop" in
// $XDG_CACHE_HOME, else ~/.cache. Each program holds a slot
// N (1..4095): an advisory lock on "N.lock" for as long as it lives, and its
// socket "N.sock". A socket whose lock nobody holds was left by a program
// that died; whoever finds it removes it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace tellmar {

std::filesystem::path DesktopDirectory();
// Creates the directory when missing and checks its owner and mode.
std::error_code PrepareDesktopDirectory(const std::filesystem::path& dir);

class SlotLock {
 public:
  SlotLock() = default;
  SlotLock(int slot, int fd) : slot_(slot), fd_(fd) {}
  SlotLock(SlotLock&& other) noexcept : slot_(other.slot_), fd_(std::exchange(other.fd_, -1)) {}
  SlotLock& operator=(SlotLock&& other) noexcept;
  ~SlotLock();
  int slot() const { return slot_; }
  bool held() const { return fd_ >= 0; }

 private:
  int slot_ = 0;
  int fd_ = -1;
};

// Claims the lowest free slot.
std::optional<SlotLock> ClaimSlot(const std::filesystem::path& dir, std::error_code& error);
// True while the program of the slot lives. A dead one's socket is removed.
bool SlotAlive(const std::filesystem::path& dir, int slot);
// Slots that have a socket file, in increasing order.
std::vector<int> ListSlots(const std::filesystem::path& dir);
std::filesystem::path SocketPath(const std::filesystem::path& dir, int slot);

}  // namespace tellmar
