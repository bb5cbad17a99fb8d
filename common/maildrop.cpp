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
#include "common/unique_fd.h"

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

// The lock and envelope files of a folder by their lower-case names, listed
// once: a companion whose name differs in case from the one its message
// implies is found without listing the folder again for every message.
class CompanionListing {
 public:
  explicit CompanionListing(int folderFd) {
    const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) return;
    DirCloser closer{::fdopendir(listFd)};
    if (closer.dir == nullptr) {
      ::close(listFd);
      return;
    }
    while (const dirent* entry = ::readdir(closer.dir)) {
      const std::string_view name(entry->d_name);
      if (name.size() < 3) continue;
      const std::string extension = AsciiLower(name.substr(name.size() - 3));
      if (extension == "lck" || extension == "env") byLowerName_.emplace(AsciiLower(name), name);
    }
  }

  // The listed spelling of `name` when it is not `name` itself; nullptr when
  // no companion of that name in any case was listed.
  const std::string* OtherSpelling(const std::string& name) const {
    const auto found = byLowerName_.find(AsciiLower(name));
    if (found == byLowerName_.end() || found->second == name) return nullptr;
    return &found->second;
  }

 private:
  std::unordered_map<std::string, std::string> byLowerName_;
};

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
  return BuildFolder(ResolveNoCase(serverDir, mailboxId), error);
}

std::optional<Maildrop> Maildrop::BuildFolder(std::filesystem::path folder, std::error_code& error) {
  error.clear();
  Maildrop drop;
  drop.folder_ = std::move(folder);

  DirCloser closer{::opendir(drop.folder_.c_str())};
  if (closer.dir == nullptr) {
    if (errno == ENOENT) return drop;  // nothing matches: an empty maildrop
    error = std::error_code(errno, std::generic_category());
    return std::nullopt;
  }

  // One pass collects the messages and the lock files' names, so that a
  // lock file is found by name without a look-up per message.
  std::vector<std::string> messages;
  std::unordered_set<std::string> lockNames;  // lower case
  errno = 0;
  while (const dirent* entry = readdir(closer.dir)) {
    std::string_view name(entry->d_name);
    if (HasTxtExtension(name)) {
      messages.emplace_back(name);
    } else if (name.size() >= 3 && EqualsNoCase(name.substr(name.size() - 3), "lck")) {
      lockNames.insert(AsciiLower(name));
    }
  }
  // Numbered in name order, which for the store's names is delivery order.
  SortByNameOrder(messages);

  drop.entries_.reserve(messages.size());
  int number = 0;
  for (std::string& name : messages) {
    struct stat st {};
    if (fstatat(dirfd(closer.dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || st.st_size == 0) continue;
    if (!lockNames.empty() && lockNames.count(AsciiLower(CompanionName(name, "lck"))) != 0) continue;
    MaildropEntry e;
    e.fileName = std::move(name);
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
  // Every name is looked up relative to the folder, so that each check costs
  // one component rather than the whole path.
  const UniqueFd folder(::open(folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!folder) return 0;
  const CompanionListing listing(folder.get());
  const auto exists = [&folder](const std::string& name) {
    struct stat st {};
    return ::fstatat(folder.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  };
  int deleted = 0;
  for (const MaildropEntry& e : entries_) {
    if (!e.deleted) continue;
    const std::string lock = CompanionName(e.fileName, "lck");
    if (exists(lock)) continue;
    if (const std::string* other = listing.OtherSpelling(lock); other != nullptr && exists(*other)) continue;
    struct stat st {};
    // Another file under the same name is not the message the client saw.
    if (::fstatat(folder.get(), e.fileName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (st.st_dev != e.device || st.st_ino != e.inode) continue;
    if (::unlinkat(folder.get(), e.fileName.c_str(), 0) != 0) continue;
    ++deleted;
    // The envelope goes only with its message: with the message already gone,
    // an envelope of that name may be a new delivery's, which writes its
    // envelope first.
    const std::string envelope = CompanionName(e.fileName, "env");
    if (::unlinkat(folder.get(), envelope.c_str(), 0) != 0 && errno == ENOENT) {
      if (const std::string* other = listing.OtherSpelling(envelope)) ::unlinkat(folder.get(), other->c_str(), 0);
    }
  }
  return deleted;
}

void Maildrop::Release() {
  entries_.clear();
  entries_.shrink_to_fit();
}

}  // namespace tellmar
