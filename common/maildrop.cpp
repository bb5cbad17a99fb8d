#include "common/maildrop.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <unordered_map>
#include <unordered_set>

#include "common/ini_document.h"
#include "common/name_order.h"
#include "common/path_case.h"

namespace tellmar {

namespace {

bool HasTxtExtension(std::string_view name) {
  return name.size() > 4 && EqualsNoCase(name.substr(name.size() - 4), ".txt");
}

// Closes a DIR* however the listing ends.
struct DirCloser {
  DIR* dir;
  ~DirCloser() {
    if (dir != nullptr) closedir(dir);
  }
};

bool Exists(const std::filesystem::path& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

}  // namespace

MessageFile& MessageFile::operator=(MessageFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

MessageFile::~MessageFile() { Close(); }

void MessageFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::string CompanionName(std::string_view messageFileName, std::string_view extension) {
  std::string name(messageFileName.substr(0, messageFileName.size() >= 3
                                                  ? messageFileName.size() - 3
                                                  : 0));
  name += extension;
  return name;
}

std::optional<Maildrop> Maildrop::Build(const std::filesystem::path& serverDir,
                                        std::string_view mailboxId, std::error_code& error) {
  error.clear();
  if (!IsPlainFileName(mailboxId)) {
    error = std::make_error_code(std::errc::invalid_argument);
    return std::nullopt;
  }
  Maildrop drop;
  drop.folder_ = ResolveNoCase(serverDir, mailboxId);

  int dirFd = ::open(drop.folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) {
    if (errno == ENOENT) return drop;  // nothing matches: an empty maildrop
    error = std::error_code(errno, std::generic_category());
    return std::nullopt;
  }
  DirCloser closer{fdopendir(dirFd)};
  if (closer.dir == nullptr) {
    error = std::error_code(errno, std::generic_category());
    ::close(dirFd);
    return std::nullopt;
  }

  // One pass collects the messages and every name, so that
  // a lock file is found by name without a look-up per message.
  std::vector<std::string> messages;
  std::unordered_set<std::string> lowerNames;
  errno = 0;
  while (const dirent* entry = readdir(closer.dir)) {
    std::string_view name(entry->d_name);
    if (name == "." || name == "..") continue;
    lowerNames.insert(AsciiLower(name));
    if (HasTxtExtension(name)) messages.emplace_back(name);
  }
  // Numbered in name order, which for the store's names is delivery order.
  SortByNameOrder(messages);

  int number = 0;
  for (const std::string& name : messages) {
    struct stat st {};
    if (fstatat(dirfd(closer.dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || st.st_size == 0) continue;
    if (lowerNames.count(AsciiLower(CompanionName(name, "lck"))) != 0) continue;
    MaildropEntry e;
    e.fileName = name;
    e.number = ++number;
    e.size = static_cast<std::uint32_t>(static_cast<std::uint64_t>(st.st_size));
    e.device = st.st_dev;
    e.inode = st.st_ino;
    e.modifiedSeconds = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    e.modifiedNanoseconds = st.st_mtim.tv_nsec;
    drop.entries_.push_back(std::move(e));
  }
  return drop;
}

const MaildropEntry* Maildrop::Find(std::uint64_t n) const {
  if (n < 1 || n > entries_.size()) return nullptr;
  return &entries_[static_cast<std::size_t>(n - 1)];
}

void Maildrop::Mark(int n) { entries_.at(static_cast<std::size_t>(n - 1)).deleted = true; }

void Maildrop::ClearMarks() {
  for (MaildropEntry& e : entries_) e.deleted = false;
}

void Maildrop::NoteWireForm(int n, const MaildropEntry::WireForm& form) {
  entries_.at(static_cast<std::size_t>(n - 1)).wireForm = form;
}

MaildropTotals Maildrop::Live() const {
  MaildropTotals t;
  for (const MaildropEntry& e : entries_) {
    if (e.deleted) continue;
    ++t.count;
    t.octets += e.size;
  }
  return t;
}

MaildropTotals Maildrop::All() const {
  MaildropTotals t;
  for (const MaildropEntry& e : entries_) {
    ++t.count;
    t.octets += e.size;
  }
  return t;
}

MessageFile Maildrop::Open(const MaildropEntry& entry) const {
  const std::filesystem::path path = folder_ / entry.fileName;
  return MessageFile(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
}

int Maildrop::Commit() const {
  if (std::none_of(entries_.begin(), entries_.end(), [](const MaildropEntry& e) { return e.deleted; })) return 0;
  // Companions are found under their exact name, else in one listing of the
  // folder taken now: a listing per message would make deleting many of a
  // big mailbox's messages take quadratic time.
  std::unordered_map<std::string, std::string> byLowerName;
  if (DirCloser closer{::opendir(folder_.c_str())}; closer.dir != nullptr) {
    while (const dirent* entry = readdir(closer.dir)) byLowerName.emplace(AsciiLower(entry->d_name), entry->d_name);
  }
  const auto companion = [&](const MaildropEntry& e, std::string_view extension) {
    const std::string name = CompanionName(e.fileName, extension);
    std::filesystem::path exact = folder_ / name;
    if (Exists(exact)) return exact;
    const auto found = byLowerName.find(AsciiLower(name));
    return found == byLowerName.end() ? exact : folder_ / found->second;
  };
  int deleted = 0;
  for (const MaildropEntry& e : entries_) {
    if (!e.deleted) continue;
    if (Exists(companion(e, "lck"))) continue;
    const std::filesystem::path path = folder_ / e.fileName;
    struct stat st {};
    // Another file under the same name is not the message the client saw.
    if (lstat(path.c_str(), &st) != 0) continue;
    if (st.st_dev != e.device || st.st_ino != e.inode) continue;
    if (::unlink(path.c_str()) != 0) continue;
    ++deleted;
    // The envelope goes only with its message: with the message already gone,
    // an envelope of that name may be a new delivery's, which writes its
    // envelope first.
    const std::filesystem::path envelope = companion(e, "env");
    if (Exists(envelope)) ::unlink(envelope.c_str());
  }
  return deleted;
}

void Maildrop::Release() {
  entries_.clear();
  entries_.shrink_to_fit();
}

}  // namespace tellmar
