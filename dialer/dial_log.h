// dialwick.log: one line per event, "<24-character time stamp> : <text>"
// with CR LF, in the working directory. Before each line the file is cut
// when it has grown past 65536 bytes: its last 32768 bytes are kept.
// A log that cannot be opened is skipped silently: logging never stops the
// dialler.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string_view>

namespace tellmar::dialer {

inline constexpr std::uintmax_t kLogTrimAbove = 65536;
inline constexpr std::uintmax_t kLogKeep = 32768;
inline constexpr std::string_view kLogFileName = "dialwick.log";

// Cuts `file` to its last kLogKeep bytes when it is larger than
// kLogTrimAbove; the cut goes through dialwick.tmp beside it and a rename,
// so the log is never missing. Returns false when the file could not be cut.
bool TrimLog(const std::filesystem::path& file);

class DialLog {
 public:
  using LocalClock = std::function<std::tm()>;
  using Enabled = std::function<bool()>;

  // `enabled` is asked before every line (the logfile switch is read for
  // every line).
  DialLog(std::filesystem::path directory, Enabled enabled, LocalClock clock = SystemLocalTime);

  void Write(std::string_view text);
  void SetDirectory(std::filesystem::path directory) { directory_ = std::move(directory); }
  std::filesystem::path file() const;

  static std::tm SystemLocalTime();

 private:
  std::filesystem::path directory_;
  Enabled enabled_;
  LocalClock clock_;
};

}  // namespace tellmar::dialer
