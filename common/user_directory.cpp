#include "common/user_directory.h"

#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "common/ini_document.h"
#include "common/path_case.h"
#include "common/profile.h"
#include "common/scramble.h"

namespace tellmar {
namespace {

namespace fs = std::filesystem;

// The POP3 server reads `dir` into a 31-byte buffer in the user check and a
// 255-byte one in the password look-up; longer IDs are cut accordingly.
constexpr std::size_t kCheckDirLength = 30;
constexpr std::size_t kLookupDirLength = 254;

struct PopRecord {
  int index;
  bool active;
};

// The POP3 view of one version of the file: mailbox ID (lower-cased, cut)
// -> first record carrying it. Rebuilt only when the file changes.
struct PopIndex {
  std::shared_ptr<const IniDocument> document;
  std::unordered_map<std::string, PopRecord> byCheckDir;
  std::unordered_map<std::string, int> byLookupDir;
};

std::mutex indexMutex;

std::shared_ptr<const PopIndex> BuildPopIndex(std::shared_ptr<const IniDocument> document) {
  auto index = std::make_shared<PopIndex>();
  for (int i = 0; i < kMaxUserRecords; ++i) {
    std::string section = UserSectionName(i);
    std::string_view dir = document->Find(section, "dir").value_or("");
    if (dir.empty()) break;
    auto active = document->Find(section, "useractive");
    bool isActive = !active || active->empty() || ParseProfileInt(*active) != 0;
    index->byCheckDir.try_emplace(AsciiLower(dir.substr(0, kCheckDirLength)), PopRecord{i, isActive});
    index->byLookupDir.try_emplace(AsciiLower(dir.substr(0, kLookupDirLength)), i);
  }
  index->document = std::move(document);
  return index;
}

std::shared_ptr<const PopIndex> CurrentPopIndex(const fs::path& serverDir) {
  // The settings file's path, made once per server directory rather than
  // at every look-up.
  thread_local std::string settingsFor;
  thread_local fs::path settingsFile;
  if (settingsFile.empty() || settingsFor != serverDir.native()) {
    settingsFile = SettingsFile(serverDir);
    settingsFor = serverDir.native();
  }
  auto document = LoadProfile(settingsFile);
  static std::shared_ptr<const PopIndex> cached;
  std::lock_guard lock(indexMutex);
  if (!cached || cached->document != document) cached = BuildPopIndex(std::move(document));
  return cached;
}

// The mailbox folder must be a real directory that is not read-only or
// hidden: what the server could not write into, it must not serve.
std::optional<fs::path> PlainWritableDirectory(const fs::path& dir, std::string_view name) {
  struct stat st {};
  std::optional<fs::path> found = FindNoCase(dir, name, st);
  if (!found || !S_ISDIR(st.st_mode) || (st.st_mode & S_IWUSR) == 0) return std::nullopt;
  return found;
}

std::optional<std::string> PasswordOf(const PopIndex& index, int record, std::string_view mailboxId) {
  std::string_view pw = index.document->Find(UserSectionName(record), "pw").value_or("");
  if (pw.empty()) return std::nullopt;
  return Unscramble(MailboxKeyWord(mailboxId), pw);
}

}  // namespace

std::string UserSectionName(int index) {
  char name[24];
  std::snprintf(name, sizeof name, "USER%d", index);
  return name;
}

fs::path SettingsFile(const fs::path& serverDir) { return serverDir / kSettingsFileName; }

std::optional<PopAccount> PopAccountCheck(const fs::path& serverDir, std::string_view name) {
  if (!IsPlainFileName(name) || name.front() == '.') return std::nullopt;
  std::optional<fs::path> folder = PlainWritableDirectory(serverDir, name);
  if (!folder) return std::nullopt;
  auto index = CurrentPopIndex(serverDir);
  const std::string key = AsciiLower(name);
  auto it = index->byCheckDir.find(key);
  if (it == index->byCheckDir.end() || !it->second.active) return std::nullopt;
  // The check reads `dir` cut short, the password look-up reads it whole: a
  // name equal to the cut ID of a longer one would pass here and then find
  // no password (or another record's). Only the record that admits the name
  // may give its password, so a disagreement refuses the login.
  auto password = index->byLookupDir.find(key);
  if (password == index->byLookupDir.end() || password->second != it->second.index) return std::nullopt;
  return PopAccount{std::move(*folder), PasswordOf(*index, password->second, name)};
}

bool PopUserCheck(const fs::path& serverDir, std::string_view name) {
  return PopAccountCheck(serverDir, name).has_value();
}

std::optional<std::string> PopPasswordLookup(const fs::path& serverDir, std::string_view mailboxId) {
  if (mailboxId.empty()) return std::nullopt;
  auto index = CurrentPopIndex(serverDir);
  auto it = index->byLookupDir.find(AsciiLower(mailboxId));
  if (it == index->byLookupDir.end()) return std::nullopt;
  return PasswordOf(*index, it->second, mailboxId);
}

int CountUserRecords(const fs::path& settingsFile) {
  auto document = LoadProfile(settingsFile);
  int n = 0;
  while (n < kMaxUserRecords && !document->Find(UserSectionName(n), "realname").value_or("").empty()) ++n;
  return n;
}

std::error_code DeleteUserRecord(const fs::path& settingsFile, int index) {
  int count = CountUserRecords(settingsFile);
  if (index <= 0 || index >= count) return std::make_error_code(std::errc::invalid_argument);
  // Renaming the later records' headers moves every key of them, including
  // keys this program does not know, and rewrites the file once.
  ProfileBatch batch(settingsFile);
  batch.DeleteSection(UserSectionName(index));
  for (int i = index + 1; i < count; ++i) batch.RenameSection(UserSectionName(i), UserSectionName(i - 1));
  return batch.Commit();
}

}  // namespace tellmar
