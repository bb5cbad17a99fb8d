#include "common/file_bytes.h"

#include "common/unique_fd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

namespace tellmar {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

}  // namespace

std::optional<std::string> ReadFileBytes(const std::filesystem::path& file, std::error_code& error) {
  error.clear();
  UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    error = LastError();
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    error = LastError();
    return std::nullopt;
  }
  if (!S_ISREG(st.st_mode)) {
    error = std::make_error_code(S_ISDIR(st.st_mode) ? std::errc::is_a_directory
                                                     : std::errc::invalid_argument);
    return std::nullopt;
  }
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      error = LastError();
      return std::nullopt;
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

void FailWritesPastFileSizeLimit() {
  static const bool done = [] {
    struct sigaction current {};
    if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) ::signal(SIGXFSZ, SIG_IGN);
    return true;
  }();
  (void)done;
}

std::error_code WriteNewFileDurably(const std::filesystem::path& file, std::string_view bytes) {
  FailWritesPastFileSizeLimit();
  UniqueFd fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (fd.get() < 0) return LastError();
  std::error_code error;
  for (std::string_view rest = bytes; !rest.empty() && !error;) {
    const ssize_t n = ::write(fd.get(), rest.data(), rest.size());
    if (n < 0) {
      if (errno != EINTR) error = LastError();
      continue;
    }
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
  if (!error && ::fsync(fd.get()) != 0) error = LastError();
  if (std::error_code closed = fd.Close(); !error) error = closed;
  if (error) ::unlink(file.c_str());
  return error;
}

std::error_code RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
  if (errno != EINVAL && errno != ENOSYS) return LastError();
  // A file system without the flag: a hard link refuses an existing name too.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return {};
  }
  if (errno == EEXIST) return LastError();
  // Nor links: check, then rename; the gap is the best such a file system allows.
  std::error_code ec;
  if (std::filesystem::exists(to, ec)) return std::make_error_code(std::errc::file_exists);
  return ::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : LastError();
}

std::error_code SyncDirectory(const std::filesystem::path& dir) {
  UniqueFd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() < 0) return LastError();
  if (::fsync(fd.get()) != 0 && errno != EINVAL) return LastError();
  return fd.Close();
}

}  // namespace tellmar
