// The support module's services on the machine: registering the server
// programs, the mail client and the mail file types; the host name and
// address; drive kinds and free space; short and long file names; moving a
// file out of the way; directory listings handed out by handle; and the
// user-defined message handlers in the user's win.ini.
//
// Each is a plain function of its inputs; the main window's message
// handlers read their parameters from the slots and write the answers back.
//
// On Linux the file system keeps no separate short names: a file's name is
// its only name, so where a short name "already given by the file system"
// is asked for, there is none.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_store.h"

namespace tellmar::admin {

// Result codes of the registrations.
inline constexpr int kRegistryOk = 1;
inline constexpr int kRegistryCannotOpenKey = -3;
inline constexpr int kRegistryCannotWriteValue = -4;

// `serverDir` ends with its separator: the program names are appended.
int RegisterServices(const RegistryStore& registry, std::string_view flag, std::string_view serverDir);
int RegisterMailClient(const RegistryStore& registry, std::string_view workingDir);
int RegisterMailFileTypes(const RegistryStore& registry, std::string_view systemDir,
                          std::string_view windowsDir);

// "DragfullWindows" of the current user's desktop settings; "0" when absent.
std::string DesktopDragSetting(const RegistryStore& registry);
std::optional<std::string> HostNameFromRegistry(const RegistryStore& registry);
// The first "IPAddress" of NetTrans\0000..0020 that is neither empty nor 0.0.0.0.
std::optional<std::string> HostAddressFromRegistry(const RegistryStore& registry);

// Drive type check: a path of up to 3 characters is classified as a drive
// (`ok` with the kind's name, empty for an unknown kind or no root), and so
// is any longer path that exists, by the mount it lies on. Any other longer
// one (a pattern, a name not there) is searched for as a file (a trailing
// separator searches "*.*"): the first match's name, or not `ok` with an
// empty name.
struct DriveTypeAnswer {
  bool ok = false;
  std::string name;
};
DriveTypeAnswer CheckDriveType(std::string_view path);

// 0 when fewer than 5000000 bytes are free to us on the path's file system
// (that of its nearest existing directory when the path is not there yet),
// -1 otherwise (also when that cannot be told).
int LowDiskSpaceCheck(std::string_view path);

// The short name of `longName` in `dir`. With `existing` the name an existing
// file has is sought, otherwise a new, unused one. nullopt when `dir` is not
// a directory.
std::optional<std::string> ShortName(const std::filesystem::path& dir, std::string_view longName,
                                     bool existing);

// The name of dir/name as it stands on disk; nullopt when there is none.
std::optional<std::string> LongName(const std::filesystem::path& dir, std::string_view name);

// Moves `from` to `to`, never over an existing file: when the move fails,
// "~1", "~2", ... "~999" is put before the last period of the file name (or
// after it when it has none) until a move succeeds. Returns the name the
// file got (without directory), or nullopt when every attempt failed.
std::optional<std::string> MoveFileNumbered(std::string_view from, std::string_view to);

// Directory listings handed out by handle: the first name is returned at
// once, the others (at most 2047) are kept for Next() until End().
class DirectoryListings {
 public:
  static constexpr std::size_t kMaxEntries = 2047;
  struct First {
    std::string name;
    std::int32_t handle = 0;
  };
  // nullopt when nothing matches the pattern ("dir/*.txt", "dir\\*.*").
  std::optional<First> Begin(std::string_view pattern);
  // The next name not yet returned; empty when none is left or the handle
  // is not one of ours.
  std::string Next(std::int32_t handle);
  // False when the handle is not one of ours.
  bool End(std::int32_t handle);

 private:
  struct Listing {
    std::vector<std::string> names;
    std::size_t next = 0;
  };
  std::map<std::int32_t, Listing> listings_;
  std::int32_t lastHandle_ = 0;
};

// Names in `dir` matching a Windows wildcard pattern (case-insensitive,
// "*.*" matches every name), in name order without regard to case (see
// common/name_order.h), "." and ".." left out.
std::vector<std::string> MatchingNames(const std::filesystem::path& dir, std::string_view pattern);
bool WildcardMatch(std::string_view pattern, std::string_view name);

// Writes `handler` into the first free "UDF%d" (1 to 100) of [TM3UDF];
// false when all are taken or the file cannot be written.
bool AddUserDefinedHandler(const std::filesystem::path& winIni, std::string_view handler);

// "C:\dir\file" and "dir/file" alike, as a Linux path. Names are blind to
// case, as the main server writes them: each part is the existing entry of
// any case, else the part as written (a file still to be made).
std::filesystem::path FromWindowsPath(std::string_view path);

}  // namespace tellmar::admin
