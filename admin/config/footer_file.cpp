#include "admin/config/footer_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>

#include "common/file_bytes.h"
#include "common/path_case.h"
#include "common/unique_fd.h"

namespace tellmar::admin {

std::optional<std::string> ReadFooter(const std::filesystem::path& serverDir, std::error_code& error) {
  error.clear();
  const std::filesystem::path file = ResolveNoCase(serverDir, kFooterFileName);
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return std::nullopt;
  auto bytes = ReadFileBytes(file, error);
  if (!bytes) return std::nullopt;
  return bytes;
}

std::optional<FooterSaveError> WriteFooter(const std::filesystem::path& serverDir, std::string_view text) {
  using Stage = FooterSaveError::Stage;
  const std::filesystem::path target = ResolveNoCase(serverDir, kFooterFileName);
  std::string temp = (serverDir / ".FOOTER.TXT.XXXXXX").string();
  UniqueFd fd(::mkstemp(temp.data()));
  if (!fd) return FooterSaveError{Stage::Create, errno};
  struct stat old {};
  ::fchmod(fd.get(), ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
  auto fail = [&temp](int code) {
    ::unlink(temp.c_str());
    return FooterSaveError{Stage::Write, code};
  };
  FailWritesPastFileSizeLimit();
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t n = ::write(fd.get(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(errno);
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd.get()) != 0) return fail(errno);
  if (auto closed = fd.Close()) return fail(closed.value());
  if (::rename(temp.c_str(), target.c_str()) != 0) return fail(errno);
  (void)SyncDirectory(serverDir);
  return std::nullopt;
}

}  // namespace tellmar::admin
