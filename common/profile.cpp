#include "common/profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "common/file_bytes.h"
#include "common/ini_document.h"
#include "common/path_case.h"
#include "common/unique_fd.h"

namespace tellmar {
namespace {

namespace fs = std::filesystem;

// How long a writer waits for the others before it reports the file busy.
constexpr auto kLockPatience = std::chrono::seconds(30);

std::error_code LastError() { return {errno, std::generic_category()}; }

// What tells one version of a file from another without reading it.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};

  bool operator==(const FileStamp& o) const {
    return device == o.device && inode == o.inode && size == o.size &&
           modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
  }
  static FileStamp Of(const struct stat& st) {
    return {st.st_dev, st.st_ino, st.st_size, st.st_mtim};
  }
};

struct CacheEntry {
  FileStamp stamp;
  std::shared_ptr<const IniDocument> document;
};

std::mutex cacheMutex;
std::unordered_map<std::string, CacheEntry>& Cache() {
  static std::unordered_map<std::string, CacheEntry> cache;
  return cache;
}

const std::shared_ptr<const IniDocument>& EmptyDocument() {
  static const std::shared_ptr<const IniDocument> empty = std::make_shared<IniDocument>();
  return empty;
}

fs::path Resolve(const fs::path& file) {
  fs::path dir = file.parent_path();
  return ResolveNoCase(dir.empty() ? fs::path(".") : dir, file.filename().string());
}

// Reads a whole open file; false on a read error.
bool ReadAll(int fd, std::string& out) {
  out.clear();
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    out.append(buffer, static_cast<std::size_t>(n));
  }
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

void Remember(const fs::path& path, const FileStamp& stamp,
              std::shared_ptr<const IniDocument> document) {
  std::lock_guard lock(cacheMutex);
  Cache()[path.string()] = CacheEntry{stamp, std::move(document)};
}

// An exclusive advisory lock on the file that is in place at `path` now.
// The file is replaced by rename at every write, so a lock taken on a file
// that has since been replaced is given up and taken again on the new one.
// Opened for writing where we may, since network file systems lock only
// files open for writing.
std::error_code LockCurrentFile(const fs::path& path, UniqueFd& held) {
  auto deadline = std::chrono::steady_clock::now() + kLockPatience;
  while (std::chrono::steady_clock::now() < deadline) {
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (!fd && errno == EACCES) fd = UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) return LastError();
    struct stat opened {};
    if (::fstat(fd.get(), &opened) != 0) return LastError();
    if (S_ISDIR(opened.st_mode)) return std::make_error_code(std::errc::is_a_directory);
    while (::flock(fd.get(), LOCK_EX) != 0) {
      if (errno != EINTR) return LastError();
    }
    struct stat current {};
    if (::stat(path.c_str(), &current) == 0 && current.st_dev == opened.st_dev &&
        current.st_ino == opened.st_ino) {
      held = std::move(fd);
      return {};
    }
  }
  return std::make_error_code(std::errc::resource_unavailable_try_again);
}

// The temporary name of a write: "." + the file's name + "." + six characters.
constexpr std::size_t kTempSuffix = 6;
std::string TempPrefix(const fs::path& path) { return "." + path.filename().string() + "."; }

// Temporary files of writes that never reached their rename (the writer was
// killed). Only called under the file's write lock: no write is under way.
void RemoveOrphanTempFiles(const fs::path& path) {
  const std::string prefix = TempPrefix(path);
  const fs::path dir = path.parent_path().empty() ? fs::path(".") : path.parent_path();
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() == prefix.size() + kTempSuffix && name.compare(0, prefix.size(), prefix) == 0 &&
        it->is_regular_file(ec) && !it->is_symlink(ec)) {
      ::unlink(it->path().c_str());
    }
  }
}

// Writes `bytes` to a new file beside `path` and renames it over `path`.
// On any failure the old file is left as it was.
std::error_code ReplaceFile(const fs::path& path, std::string_view bytes, const struct stat& old) {
  FailWritesPastFileSizeLimit();
  RemoveOrphanTempFiles(path);
  std::string tempName = path.parent_path().string();
  if (!tempName.empty()) tempName.push_back('/');
  tempName.append(TempPrefix(path)).append(std::string(kTempSuffix, 'X'));
  UniqueFd fd(::mkstemp(tempName.data()));
  if (!fd) return LastError();
  auto fail = [&](std::error_code ec) {
    ::unlink(tempName.c_str());
    return ec;
  };
  if (!WriteAll(fd.get(), bytes)) return fail(LastError());
  if (::fsync(fd.get()) != 0) return fail(LastError());
  // The new file takes the old one's permissions and, where we may, owner.
  if (::fchmod(fd.get(), old.st_mode & 07777) != 0) return fail(LastError());
  if (::fchown(fd.get(), old.st_uid, old.st_gid) != 0) {
    // Only a privileged writer may give the file away; keep going.
  }
  if (::rename(tempName.c_str(), path.c_str()) != 0) return fail(LastError());
  UniqueFd dir(::open(path.parent_path().empty() ? "." : path.parent_path().c_str(),
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir) ::fsync(dir.get());
  return {};
}

bool BreaksLine(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n", 2)) != std::string_view::npos;
}

std::error_code CheckSection(std::string_view section) {
  std::string_view name = TrimBlanks(section);
  if (name.empty() || BreaksLine(section) || name.find(']') != std::string_view::npos) {
    return std::make_error_code(std::errc::invalid_argument);
  }
  return {};
}

std::error_code CheckKey(std::string_view key) {
  std::string_view name = TrimBlanks(key);
  if (name.empty() || BreaksLine(key) || name.find('=') != std::string_view::npos ||
      name.front() == '[' || name.front() == ';') {
    return std::make_error_code(std::errc::invalid_argument);
  }
  return {};
}

std::error_code CheckValue(std::string_view value) {
  return BreaksLine(value) ? std::make_error_code(std::errc::invalid_argument) : std::error_code{};
}

}  // namespace

std::shared_ptr<const IniDocument> LoadProfile(const fs::path& file) {
  // The exact name is the usual case: found with one call, without reading
  // the folder for another spelling.
  struct stat st {};
  const bool exact = ::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  const fs::path resolved = exact ? fs::path() : Resolve(file);
  const fs::path& path = exact ? file : resolved;
  if (!exact && (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))) return EmptyDocument();
  FileStamp stamp = FileStamp::Of(st);
  {
    std::lock_guard lock(cacheMutex);
    auto it = Cache().find(path.native());
    if (it != Cache().end() && it->second.stamp == stamp) return it->second.document;
  }
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return EmptyDocument();
  // Stamp what was actually read: the file may have been replaced meanwhile.
  if (::fstat(fd.get(), &st) != 0) return EmptyDocument();
  std::string bytes;
  if (!ReadAll(fd.get(), bytes)) return EmptyDocument();
  auto document = std::make_shared<const IniDocument>(std::move(bytes));
  Remember(path, FileStamp::Of(st), document);
  return document;
}

std::string GetProfileString(const fs::path& file, std::string_view section, std::string_view key,
                             std::string_view defaultValue, std::size_t bufferSize) {
  auto document = LoadProfile(file);
  std::string_view value = document->Find(section, key).value_or(defaultValue);
  if (bufferSize == 0) return {};
  if (bufferSize != kWholeValue && value.size() > bufferSize - 1) value = value.substr(0, bufferSize - 1);
  return std::string(value);
}

int ParseProfileInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long n = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    n = n * 10 + (text[i] - '0');
    if (n > static_cast<long long>(INT_MAX) + 1) n = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) n = -n;
  if (n > INT_MAX) n = INT_MAX;
  return static_cast<int>(n);
}

int GetProfileInt(const fs::path& file, std::string_view section, std::string_view key,
                  int defaultValue) {
  auto document = LoadProfile(file);
  auto value = document->Find(section, key);
  if (!value || value->empty()) return defaultValue;
  return ParseProfileInt(*value);
}

std::vector<std::string> GetProfileSectionNames(const fs::path& file) {
  return LoadProfile(file)->SectionNames();
}

std::vector<std::string> GetProfileKeyNames(const fs::path& file, std::string_view section) {
  return LoadProfile(file)->KeyNames(section);
}

std::error_code WriteProfileString(const fs::path& file, std::string_view section,
                                   std::string_view key, std::optional<std::string_view> value) {
  ProfileBatch batch(file);
  if (value) {
    batch.Write(section, key, *value);
  } else {
    batch.DeleteKey(section, key);
  }
  return batch.Commit();
}

std::error_code DeleteProfileSection(const fs::path& file, std::string_view section) {
  ProfileBatch batch(file);
  batch.DeleteSection(section);
  return batch.Commit();
}

ProfileBatch::ProfileBatch(fs::path file) : file_(std::move(file)) {}

void ProfileBatch::Write(std::string_view section, std::string_view key, std::string_view value) {
  edits_.push_back({Edit::Kind::Write, std::string(section), std::string(key), std::string(value), {}});
}

void ProfileBatch::DeleteKey(std::string_view section, std::string_view key) {
  edits_.push_back({Edit::Kind::DeleteKey, std::string(section), std::string(key), {}, {}});
}

void ProfileBatch::AddSection(std::string_view section) {
  edits_.push_back({Edit::Kind::AddSection, std::string(section), {}, {}, {}});
}

void ProfileBatch::DeleteSection(std::string_view section) {
  edits_.push_back({Edit::Kind::DeleteSection, std::string(section), {}, {}, {}});
}

void ProfileBatch::RenameSection(std::string_view from, std::string_view to) {
  edits_.push_back({Edit::Kind::RenameSection, std::string(from), {}, std::string(to), {}});
}

void ProfileBatch::ReplaceSection(std::string_view section,
                                  std::vector<std::pair<std::string, std::string>> keys) {
  edits_.push_back({Edit::Kind::ReplaceSection, std::string(section), {}, {}, std::move(keys)});
}

std::error_code ProfileBatch::Validate() const {
  for (const Edit& e : edits_) {
    if (auto ec = CheckSection(e.section)) return ec;
    switch (e.kind) {
      case Edit::Kind::Write:
        if (auto ec = CheckKey(e.key)) return ec;
        if (auto ec = CheckValue(e.value)) return ec;
        break;
      case Edit::Kind::DeleteKey:
        if (auto ec = CheckKey(e.key)) return ec;
        break;
      case Edit::Kind::RenameSection:
        if (auto ec = CheckSection(e.value)) return ec;
        break;
      case Edit::Kind::ReplaceSection:
        for (const auto& [k, v] : e.keys) {
          if (auto ec = CheckKey(k)) return ec;
          if (auto ec = CheckValue(v)) return ec;
        }
        break;
      case Edit::Kind::AddSection:
      case Edit::Kind::DeleteSection:
        break;
    }
  }
  return {};
}

std::error_code ProfileBatch::Commit() {
  if (edits_.empty()) return {};
  if (auto ec = Validate()) return ec;
  fs::path path = Resolve(file_);
  UniqueFd lock;
  if (auto ec = LockCurrentFile(path, lock)) return ec;
  struct stat before {};
  if (::fstat(lock.get(), &before) != 0) return LastError();
  std::string original;
  if (!ReadAll(lock.get(), original)) return LastError();
  std::string copy = original;
  IniDocument document(std::move(copy));
  for (const Edit& e : edits_) {
    switch (e.kind) {
      case Edit::Kind::Write: document.Set(e.section, e.key, e.value); break;
      case Edit::Kind::DeleteKey: document.DeleteKey(e.section, e.key); break;
      case Edit::Kind::AddSection: document.AddSection(e.section); break;
      case Edit::Kind::DeleteSection: document.DeleteSection(e.section); break;
      case Edit::Kind::RenameSection: document.RenameSection(e.section, e.value); break;
      case Edit::Kind::ReplaceSection: document.ReplaceSection(e.section, e.keys); break;
    }
  }
  std::string bytes = document.Serialize();
  edits_.clear();
  // An edit that changes nothing leaves the file alone (a fresh empty file
  // made for the lock stays: it reads as the missing file did).
  if (bytes == original) return {};
  if (auto ec = ReplaceFile(path, bytes, before)) return ec;
  struct stat after {};
  if (::stat(path.c_str(), &after) == 0) {
    // The edited document is the new file: no need to read and parse it again.
    Remember(path, FileStamp::Of(after), std::make_shared<const IniDocument>(std::move(document)));
  }
  return {};
}

}  // namespace tellmar
