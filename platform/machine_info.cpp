#include "platform/machine_info.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>

namespace tellmar {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kNetworkFileSystems[] = {
    "nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "sshfs", "9p", "afs", "ceph",
    "glusterfs", "fuse.glusterfs", "davfs", "fuse.davfs2", "ncpfs", "coda", "lustre"};

bool Contains(const std::string_view* begin, const std::string_view* end, std::string_view what) {
  for (; begin != end; ++begin) {
    if (*begin == what) return true;
  }
  return false;
}

// Mount points in /proc/self/mounts have blanks and backslashes escaped
// as octal ("\040").
std::string UnescapeMountField(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      int value = 0;
      bool octal = true;
      for (std::size_t k = 1; k <= 3; ++k) {
        char c = field[i + k];
        octal = octal && c >= '0' && c <= '7';
        value = value * 8 + (c - '0');
      }
      if (octal) {
        out += static_cast<char>(value);
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

bool IsRemovableDevice(dev_t device) {
  // /sys/dev/block/MAJ:MIN is the partition or disk; the disk carries the flag.
  std::string base = "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
  for (const char* candidate : {"/removable", "/../removable"}) {
    std::ifstream flag(base + candidate);
    int value = 0;
    if (flag >> value) return value == 1;
  }
  return false;
}

}  // namespace

std::optional<std::string> MachineHostName() {
  char name[260] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return std::nullopt;
  return std::string(name);
}

std::optional<std::string> MachineHostAddress() {
  auto name = MachineHostName();
  if (!name) return std::nullopt;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (::getaddrinfo(name->c_str(), nullptr, &hints, &found) != 0 || !found) return std::nullopt;
  std::unique_ptr<addrinfo, void (*)(addrinfo*)> guard(found, ::freeaddrinfo);
  char text[INET_ADDRSTRLEN] = {};
  auto* address = reinterpret_cast<sockaddr_in*>(found->ai_addr);
  if (!::inet_ntop(AF_INET, &address->sin_addr, text, sizeof text)) return std::nullopt;
  return std::string(text);
}

std::optional<std::uint64_t> FreeBytesAvailable(const fs::path& path) {
  struct statvfs st {};
  if (::statvfs(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
}

DriveKind DriveKindOf(std::string_view path) { return DriveKindOf(path, "/proc/self/mounts"); }

DriveKind DriveKindOf(std::string_view path, const fs::path& mountTable) {
  // "C:" and "C:\" name drives this machine does not have.
  if (path.size() >= 2 && path[1] == ':') return DriveKind::NoRoot;
  std::error_code ec;
  fs::path real = fs::canonical(fs::path(std::string(path)), ec);
  if (ec) return DriveKind::NoRoot;
  std::ifstream mounts(mountTable);
  std::string line, bestType;
  std::size_t bestLength = 0;
  bool found = false;
  while (std::getline(mounts, line)) {
    std::istringstream fields(line);
    std::string device, mountPoint, type;
    if (!(fields >> device >> mountPoint >> type)) continue;
    mountPoint = UnescapeMountField(mountPoint);
    std::string r = real.string();
    bool under = r == mountPoint || mountPoint == "/" ||
                 (r.size() > mountPoint.size() && r.compare(0, mountPoint.size(), mountPoint) == 0 &&
                  r[mountPoint.size()] == '/');
    // The last of equal mount points is the one on top.
    if (under && mountPoint.size() >= bestLength) {
      bestLength = mountPoint.size();
      bestType = type;
      found = true;
    }
  }
  if (!found) return DriveKind::Unknown;
  if (Contains(std::begin(kNetworkFileSystems), std::end(kNetworkFileSystems), bestType)) return DriveKind::Remote;
  if (bestType == "tmpfs" || bestType == "ramfs") return DriveKind::RamDisk;
  if (bestType == "iso9660" || bestType == "udf") return DriveKind::CdRom;
  struct stat st {};
  if (::stat(real.c_str(), &st) == 0 && major(st.st_dev) != 0 && IsRemovableDevice(st.st_dev)) {
    return DriveKind::Removable;
  }
  return DriveKind::Fixed;
}

std::string_view DriveKindName(DriveKind kind) {
  switch (kind) {
    case DriveKind::Fixed: return "FIXED";
    case DriveKind::Remote: return "NETWORK";
    case DriveKind::Removable: return "REMOVABLE";
    case DriveKind::CdRom: return "CDROM";
    case DriveKind::RamDisk: return "RAMDISK";
    case DriveKind::Unknown:
    case DriveKind::NoRoot: break;
  }
  return "";
}

TimeZoneBiases CurrentTimeZoneBiases() {
  ::tzset();
  TimeZoneBiases result;
  std::time_t now = std::time(nullptr);
  std::tm local{};
  if (!::localtime_r(&now, &local)) return result;
  // The standard offset is known for every zone, with or without daylight
  // saving rules: outside summer time it is the offset in effect now.
  result.known = true;
  result.daylightNow = local.tm_isdst > 0;
  if (!result.daylightNow) {
    result.biasMinutes = static_cast<int>(-local.tm_gmtoff / 60);
    return result;
  }
  result.biasMinutes = static_cast<int>(::timezone / 60);
  // Daylight bias: minutes added to the standard bias while it is in effect.
  result.daylightBiasMinutes = static_cast<int>(-(local.tm_gmtoff + ::timezone) / 60);
  return result;
}

}  // namespace tellmar
