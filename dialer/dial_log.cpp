#include "dialer/dial_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "common/path_case.h"
#include "dialer/texts.h"

namespace tellmar::dialer {
namespace {

constexpr std::size_t kCopyBlock = 1024;

// Closes a descriptor on every path out.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool TrimLog(const std::filesystem::path& file) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(file, ec);
  if (ec) return false;
  if (size <= kLogTrimAbove) return true;

  Fd in(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.ok() || ::lseek(in.get(), -static_cast<off_t>(kLogKeep), SEEK_END) < 0) return false;
  const auto tmp = file.parent_path() / "dialwick.tmp";
  Fd out(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (!out.ok()) return false;
  std::vector<char> block(kCopyBlock);
  bool copied = true;
  for (;;) {
    ssize_t n = ::read(in.get(), block.data(), block.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) copied = false;
    if (n <= 0) break;
    if (!WriteAll(out.get(), block.data(), static_cast<std::size_t>(n))) {
      copied = false;
      break;
    }
  }
  const bool closed = ::close(out.release()) == 0;
  if (!copied || !closed) {
    std::filesystem::remove(tmp, ec);
    return false;
  }
  // The rename replaces the log in one step: a crash leaves the old or the
  // cut log, never none.
  std::filesystem::rename(tmp, file, ec);
  if (ec) std::filesystem::remove(tmp, ec);
  return !ec;
}

DialLog::DialLog(std::filesystem::path directory, Enabled enabled, LocalClock clock)
    : directory_(std::move(directory)), enabled_(std::move(enabled)), clock_(std::move(clock)) {}

std::filesystem::path DialLog::file() const { return ResolveNoCase(directory_, kLogFileName); }

std::tm DialLog::SystemLocalTime() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

void DialLog::Write(std::string_view text) {
  if (enabled_ && !enabled_()) return;
  const auto path = file();
  TrimLog(path);
  Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
  if (!fd.ok()) return;
  std::string line = LogTimeStamp(clock_());
  line += " : ";
  line += text;
  line += "\r\n";
  WriteAll(fd.get(), line.data(), line.size());
}

}  // namespace tellmar::dialer
