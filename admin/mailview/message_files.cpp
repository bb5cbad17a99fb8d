#include "admin/mailview/message_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>

#include "common/ascii.h"
#include "common/file_bytes.h"
#include "common/mail_store.h"
#include "common/unique_fd.h"

namespace tellmar::admin::mailview {
namespace {

namespace fs = std::filesystem;

constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
// Temporary names keep the message's base name, so the store's free-name
// rule counts the number as taken, and do not end in ".txt".
constexpr std::string_view kPartSuffix = ".part";
// Tries before giving up on a folder where every name chosen is taken by
// someone else before the copy lands.
constexpr int kMaxAttempts = 20;

std::error_code LastError() { return {errno, std::generic_category()}; }

std::error_code WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return {};
}

CopyWriter& Writer() {
  static CopyWriter writer;
  return writer;
}

// "0000abcd." of "0000abcd.txt"; nullopt for a name that is no message.
std::optional<std::string> BaseName(std::string_view messageName) {
  if (!IsMessageFileName(messageName)) return std::nullopt;
  return std::string(messageName.substr(0, messageName.size() - 3));
}

// A companion extension in the letter case of the message's own "txt".
std::string ExtensionLike(std::string_view messageName, std::string_view upperExtension) {
  const bool lower = messageName.back() >= 'a' && messageName.back() <= 'z';
  return lower ? AsciiLower(upperExtension) : std::string(upperExtension);
}

void RemoveQuietly(const fs::path& file) { ::unlink(file.c_str()); }

// Copies `from` into the new file `to` (created exclusively), flushed to disk,
// and checks that the copy holds as many bytes as the source. Nothing of `to`
// is left behind on failure.
std::error_code CopyFileExclusive(const fs::path& from, const fs::path& to) {
  FailWritesPastFileSizeLimit();
  UniqueFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in) return LastError();
  struct stat source {};
  if (::fstat(in.get(), &source) != 0) return LastError();
  if (!S_ISREG(source.st_mode)) return std::make_error_code(std::errc::invalid_argument);
  UniqueFd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (!out) return LastError();

  std::error_code error;
  off_t copied = 0;
  char buffer[65536];
  while (!error) {
    const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno != EINTR) error = LastError();
      continue;
    }
    const std::string_view bytes(buffer, static_cast<std::size_t>(n));
    error = Writer() ? Writer()(out.get(), bytes) : WriteAll(out.get(), bytes);
    copied += n;
  }
  if (!error && ::fsync(out.get()) != 0) error = LastError();
  struct stat written {};
  if (!error && ::fstat(out.get(), &written) != 0) error = LastError();
  if (!error && (copied != source.st_size || written.st_size != source.st_size))
    error = std::make_error_code(std::errc::io_error);
  if (std::error_code closed = out.Close(); !error) error = closed;
  if (error) RemoveQuietly(to);
  return error;
}

// Replaces (or creates) `file` with a copy of `from`: written aside, then
// renamed over it.
std::error_code CopyFileReplacing(const fs::path& from, const fs::path& file) {
  fs::path part = file;
  part += kPartSuffix;
  RemoveQuietly(part);  // a leftover of an interrupted copy of ours
  if (std::error_code ec = CopyFileExclusive(from, part)) return ec;
  if (::rename(part.c_str(), file.c_str()) != 0) {
    const std::error_code ec = LastError();
    RemoveQuietly(part);
    return ec;
  }
  return {};
}

struct Attempt {
  bool nameTaken = false;
  std::error_code error;
  std::vector<std::string> written;  // names made in the target folder
};

// One try at copying `message` as `name` into `folder`: the message aside
// under its temporary name (which claims the name), the companions into
// place, then the message renamed into place without replacing.
Attempt TryCopy(const fs::path& message, const fs::path& folder, const std::string& name,
                const std::vector<std::pair<fs::path, std::string>>& companions) {
  Attempt attempt;
  const fs::path part = folder / (name + std::string(kPartSuffix));
  if (std::error_code ec = CopyFileExclusive(message, part)) {
    attempt.nameTaken = ec == std::errc::file_exists;
    attempt.error = ec;
    return attempt;
  }
  const std::string base = *BaseName(name);
  auto undo = [&](std::error_code ec, bool taken) {
    for (const std::string& made : attempt.written) RemoveQuietly(folder / made);
    RemoveQuietly(part);
    attempt.written.clear();
    attempt.error = ec;
    attempt.nameTaken = taken;
    return attempt;
  };
  for (const auto& [source, upperExtension] : companions) {
    const std::string companion = base + ExtensionLike(name, upperExtension);
    if (std::error_code ec = CopyFileReplacing(source, folder / companion)) return undo(ec, false);
    attempt.written.push_back(companion);
  }
  if (std::error_code ec = RenameNoReplace(part, folder / name)) return undo(ec, ec == std::errc::file_exists);
  attempt.written.push_back(name);
  (void)SyncDirectory(folder);  // the bytes are on disk; the entry's flush is a bonus
  return attempt;
}

}  // namespace

std::string LockFileText(const fs::path& message, std::time_t now) {
  std::tm local {};
  localtime_r(&now, &local);
  const std::string path = message.string();
  char text[64];
  std::snprintf(text, sizeof text, "%d/%s/%d HH:SS : ", local.tm_mday, kMonths[local.tm_mon],
                local.tm_year + 1900);
  return text + path + " locked...";
}

FolderNames::FolderNames(const fs::path& folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    Added(it->path().filename().string());
}

std::vector<std::string> FolderNames::Matching(std::string_view name) const {
  const auto found = byLowerName_.find(AsciiLower(name));
  return found == byLowerName_.end() ? std::vector<std::string>() : found->second;
}

void FolderNames::Added(const std::string& name) {
  auto& names = byLowerName_[AsciiLower(name)];
  for (const std::string& known : names)
    if (known == name) return;
  names.push_back(name);
}

void FolderNames::Removed(const std::string& name) {
  const auto found = byLowerName_.find(AsciiLower(name));
  if (found == byLowerName_.end()) return;
  std::erase(found->second, name);
  if (found->second.empty()) byLowerName_.erase(found);
}

void SetCopyWriter(CopyWriter writer) { Writer() = std::move(writer); }

FolderNames& MessageFiles::Names(const fs::path& folder) {
  const fs::path key = folder.lexically_normal();
  auto found = folders_.find(key);
  if (found == folders_.end()) found = folders_.emplace(key, FolderNames(key)).first;
  return found->second;
}

std::vector<fs::path> MessageFiles::Companions(const fs::path& message, std::string_view extension) {
  std::vector<fs::path> files;
  const auto base = BaseName(message.filename().string());
  if (!base) return files;
  for (const std::string& name : Names(message.parent_path()).Matching(*base + std::string(extension)))
    files.push_back(message.parent_path() / name);
  return files;
}

void MessageFiles::Forget(const fs::path& file) { Names(file.parent_path()).Removed(file.filename().string()); }

std::error_code MessageFiles::Hold(const fs::path& message, std::time_t now) {
  const std::string name = message.filename().string();
  const auto base = BaseName(name);
  if (!base) return std::make_error_code(std::errc::invalid_argument);
  const auto existing = Companions(message, "LCK");
  const fs::path lock = existing.empty() ? message.parent_path() / (*base + ExtensionLike(name, "LCK")) : existing.front();
  fs::path part = lock;
  part += kPartSuffix;
  RemoveQuietly(part);
  if (std::error_code ec = WriteNewFileDurably(part, LockFileText(message, now))) return ec;
  if (::rename(part.c_str(), lock.c_str()) != 0) {
    const std::error_code ec = LastError();
    RemoveQuietly(part);
    return ec;
  }
  Names(lock.parent_path()).Added(lock.filename().string());
  return {};
}

std::error_code MessageFiles::Release(const fs::path& message) {
  std::error_code first;
  for (const fs::path& lock : Companions(message, "LCK")) {
    if (::unlink(lock.c_str()) != 0 && errno != ENOENT) {
      if (!first) first = LastError();
      continue;
    }
    Forget(lock);
  }
  return first;
}

std::error_code MessageFiles::Delete(const fs::path& message) {
  // A message already gone (the POP3 server deleted it meanwhile) is what
  // the person asked for; its companions still go.
  if (::unlink(message.c_str()) != 0 && errno != ENOENT) return LastError();
  Forget(message);
  for (std::string_view extension : {"ENV", "LCK", "TRG"}) {
    for (const fs::path& companion : Companions(message, extension)) {
      if (::unlink(companion.c_str()) == 0 || errno == ENOENT) Forget(companion);
    }
  }
  return {};
}

CopyResult MessageFiles::Copy(const fs::path& message, const fs::path& targetFolder, bool withCompanions,
                              std::uint32_t start) {
  const std::string name = message.filename().string();
  if (!BaseName(name)) return {CopyResult::kFile, std::make_error_code(std::errc::invalid_argument), {}};
  std::error_code ec;
  fs::create_directories(targetFolder, ec);
  if (ec) return {CopyResult::kFolder, ec, {}};

  std::vector<std::pair<fs::path, std::string>> companions;
  if (withCompanions) {
    for (std::string_view extension : {"ENV", "LCK"}) {
      const auto found = Companions(message, extension);
      if (!found.empty()) companions.emplace_back(found.front(), std::string(extension));
    }
  }

  FolderNames& target = Names(targetFolder);
  // A name is free when neither it nor a companion of it nor a copy of ours
  // under way uses it, in any letter case.
  auto taken = [&](const std::string& candidate) {
    const std::string base = *BaseName(candidate);
    for (const std::string& used : {candidate, candidate + std::string(kPartSuffix), base + "env", base + "lck", base + "trg"})
      if (!target.Matching(used).empty()) return true;
    return false;
  };
  const std::string extension = name.substr(name.size() - 3);
  std::string chosen = name;
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    if (attempt > 0 || taken(chosen)) {
      ChosenName fresh = ChooseMessageName(targetFolder, extension, start);
      if (fresh.error) return {CopyResult::kFolder, fresh.error, {}};
      chosen = fresh.name;
    }
    Attempt result = TryCopy(message, targetFolder, chosen, companions);
    for (const std::string& made : result.written) target.Added(made);
    if (!result.nameTaken) {
      if (result.error) return {CopyResult::kFile, result.error, {}};
      return {CopyResult::kNone, {}, chosen};
    }
    target.Added(chosen);  // someone else's now
  }
  return {CopyResult::kFolder, std::make_error_code(std::errc::file_exists), {}};
}

}  // namespace tellmar::admin::mailview
