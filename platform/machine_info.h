// Questions about the machine the programs run on: its name and address,
// free space, what kind of drive a path lives on, and its time zone.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tellmar {

// gethostname(); nullopt when it fails or is empty.
std::optional<std::string> MachineHostName();
// The first IPv4 address the host name resolves to, dotted.
std::optional<std::string> MachineHostAddress();

// Bytes free to this user on the file system holding `path`.
std::optional<std::uint64_t> FreeBytesAvailable(const std::filesystem::path& path);

enum class DriveKind { Unknown, NoRoot, Removable, Fixed, Remote, CdRom, RamDisk };

// From the mount table: the file system that holds `path` (its longest
// mount point). Network file systems (NFS, CIFS/SMB, SSHFS, ...) are Remote,
// tmpfs and ramfs RamDisk, ISO 9660 and UDF CdRom, file systems on a block
// device the kernel marks removable Removable, the rest Fixed. A path that
// does not exist, or a Windows drive form such as "C:", has no root.
DriveKind DriveKindOf(std::string_view path);
// Reads mounts from `mountTable` (the format of /proc/self/mounts); for tests.
DriveKind DriveKindOf(std::string_view path, const std::filesystem::path& mountTable);
// "FIXED", "NETWORK", "REMOVABLE", "CDROM", "RAMDISK", or "".
std::string_view DriveKindName(DriveKind kind);

// The zone as the Windows time-zone query reports it: biases in minutes
// (UTC = local time + bias), and whether daylight saving time is in effect
// now. `known` is false only when the local time cannot be had.
struct TimeZoneBiases {
  bool known = false;
  bool daylightNow = false;
  int biasMinutes = 0;
  int daylightBiasMinutes = 0;
};
TimeZoneBiases CurrentTimeZoneBiases();

}  // namespace tellmar
