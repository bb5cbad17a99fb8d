// The file work behind the mail window's message operations: deleting a
// message with its companions, the lock file that holds it, and copying it
// into another folder of the store. No window is involved here.
//
// Companions (ENV, LCK, TRG) are found in any letter case; every spelling
// present is treated as the companion (a message with "x.lck" and "x.LCK"
// is released only when both are gone). A companion made here takes the
// letter case of the message's own extension ("0000abcd.txt" gets
// "0000abcd.lck", "0000ABCD.TXT" gets "0000ABCD.LCK").
//
// Copies are safe for the messages involved:
//  - a copy never replaces anything: the message is written under a
//    temporary name that no "*.txt" scan matches, created exclusively,
//    flushed to disk, its size checked against the source, and renamed into
//    place without replacing; a name already used in the target (in any
//    letter case, by the message or any of its companions) makes the copy
//    take the folder's first free "%08lx" name from the tick count;
//  - the envelope and lock arrive before the message does, so a copied held
//    message is never offered by the POP3 server, not even for a moment;
//  - a failed copy leaves nothing of itself in the target.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <vector>

namespace tellmar::admin::mailview {

// Every operation takes at most this many selected messages (and targets).
inline constexpr int kMaxSelection = 1000;

// The lock file's text for `message` held at `now` (local time):
// "%d/%s/%d HH:SS : %s locked...", day of the month, "Jan".."Dec", the
// four-digit year and the message's full path. "HH:SS" stands as it is.
std::string LockFileText(const std::filesystem::path& message, std::time_t now);

// The names of one folder, listed once and looked up without regard to case.
class FolderNames {
 public:
  explicit FolderNames(const std::filesystem::path& folder);
  // Every entry whose name equals `name` without regard to case.
  std::vector<std::string> Matching(std::string_view name) const;
  void Added(const std::string& name);
  void Removed(const std::string& name);

 private:
  std::unordered_map<std::string, std::vector<std::string>> byLowerName_;
};

// Writes the bytes of a copy to an open file. The real one writes them all
// or answers the error; tests put a failing one in place to play a full
// disk. Answers the error, empty for success.
using CopyWriter = std::function<std::error_code(int fd, std::string_view bytes)>;
// Puts `writer` in place for every later copy; an empty one restores the
// real write.
void SetCopyWriter(CopyWriter writer);

struct CopyResult {
  enum Failure {
    kNone,
    kFolder,    // the target folder cannot be made or listed, or no free name
    kFile,      // the message or a companion could not be copied
  } failure = kNone;
  std::error_code error;
  std::string name;  // the copy's file name in the target folder
};

// Message files of any folders, each folder listed at most once, so that a
// thousand messages of a folder of a hundred thousand cost one listing.
class MessageFiles {
 public:
  // Creates the lock file (replacing an existing one) with LockFileText.
  std::error_code Hold(const std::filesystem::path& message, std::time_t now);
  // Deletes every spelling of the lock file; none existing is no error.
  std::error_code Release(const std::filesystem::path& message);

  // Deletes the message file, then its ENV, LCK and TRG companions (their
  // failures are ignored). An error means the message file is still there.
  std::error_code Delete(const std::filesystem::path& message);

  // Copies the message into `targetFolder` (made when missing) as the
  // header comment describes; with `withCompanions` its envelope and lock
  // follow under the copy's base name. `start` is where a fresh name is
  // counted from (the millisecond tick in the program).
  CopyResult Copy(const std::filesystem::path& message, const std::filesystem::path& targetFolder,
                  bool withCompanions, std::uint32_t start);

 private:
  FolderNames& Names(const std::filesystem::path& folder);
  std::vector<std::filesystem::path> Companions(const std::filesystem::path& message, std::string_view extension);
  void Forget(const std::filesystem::path& file);

  std::map<std::filesystem::path, FolderNames> folders_;
};

}  // namespace tellmar::admin::mailview
