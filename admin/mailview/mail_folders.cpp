#include "admin/mailview/mail_folders.h"

#include <dirent.h>

#include <algorithm>
#include <functional>

#include "common/ascii.h"
#include "common/ini_document.h"
#include "common/mail_store.h"
#include "common/path_case.h"
#include "common/profile.h"
#include "common/user_directory.h"

namespace tellmar::admin::mailview {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kColumnRead = 24;  // each user column is read cut to this
constexpr std::string_view kPostmasterName = "(System Postmaster)";

std::vector<FolderLine> UserLines(const fs::path& settingsFile) {
  std::vector<FolderLine> lines;
  const auto doc = LoadProfile(settingsFile);
  for (int i = 1; i < kMaxUserRecords; ++i) {
    const std::string section = UserSectionName(i);
    const std::string_view realName = doc->Find(section, "realname").value_or("");
    if (realName.empty()) break;
    const std::string id = AsciiUpper(doc->Find(section, "DIR").value_or("").substr(0, kColumnRead));
    lines.push_back({"\t" + id + "\t" + std::string(realName.substr(0, kColumnRead)), id, FolderKind::User, false});
  }
  return lines;
}

// Calls `each` with the name of every "*.TXT" entry until it answers false.
void ForEachMessageName(const fs::path& folder, const std::function<bool(std::string_view)>& each) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_type == DT_DIR) continue;
    const std::string_view name = entry->d_name;
    if (IsMessageFileName(name) && !each(name)) break;
  }
  closedir(dir);
}

}  // namespace

std::vector<FolderLine> BuildFolderLines(const fs::path& settingsFile, bool recordOrder) {
  std::vector<FolderLine> lines;
  lines.push_back({"(User's Folders)", "", FolderKind::Heading, false});
  std::vector<FolderLine> users = UserLines(settingsFile);
  if (!recordOrder)
    std::stable_sort(users.begin(), users.end(), [](const FolderLine& a, const FolderLine& b) { return a.text < b.text; });
  lines.insert(lines.end(), users.begin(), users.end());
  lines.push_back({"(System Folders)", "", FolderKind::Heading, false});
  lines.push_back({"\tRoot user", std::string(kRootFolder), FolderKind::Root, false});
  lines.push_back({"\tMail in", std::string(kMailInFolder), FolderKind::MailIn, false});
  lines.push_back({"\tOutgoing", std::string(kOutgoingFolder), FolderKind::Outgoing, false});
  lines.push_back({"\tPending", std::string(kPendingFolder), FolderKind::Pending, false});
  lines.push_back({"(Archive)", "", FolderKind::Heading, false});
  lines.push_back({"\tInbound Mail", std::string(kArchiveInboundFolder), FolderKind::ArchiveInbound, false});
  lines.push_back({"\tOutbound Mail", std::string(kArchiveOutboundFolder), FolderKind::ArchiveOutbound, false});
  return lines;
}

int FindFolderLineForUser(const std::vector<FolderLine>& lines, std::string_view name) {
  if (name == kPostmasterName) {
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (lines[i].kind == FolderKind::Root) return static_cast<int>(i);
    return -1;
  }
  // The line holds the name cut as the list reads it; a longer name still
  // finds its user.
  name = name.substr(0, kColumnRead);
  if (name.empty()) return -1;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& text = lines[i].text;
    const std::size_t at = text.find(name);
    if (at != std::string::npos && EqualsNoCase(std::string_view(text).substr(at), name)) return static_cast<int>(i);
  }
  return -1;
}

FolderButtons ButtonsFor(FolderKind kind, bool folderEmpty) {
  if (kind == FolderKind::Heading || folderEmpty) return {};
  switch (kind) {
    case FolderKind::User:
    case FolderKind::Root:
      return {true, true, true, true, true, true, true};
    case FolderKind::Outgoing:
      return {true, false, false, true, true, true, true};
    case FolderKind::MailIn:
    case FolderKind::Pending:
      return {false, false, false, false, false, true, true};
    case FolderKind::ArchiveInbound:
    case FolderKind::ArchiveOutbound:
      return {true, false, true, true, true, true, false};
    case FolderKind::Heading:
      break;
  }
  return {};
}

fs::path FolderPath(const fs::path& serverDir, const FolderLine& line) {
  if (line.kind == FolderKind::User) {
    if (auto folder = MailboxFolder(serverDir, line.folder)) return *folder;
    return {};
  }
  return StoreFolderPath(serverDir, line.folder);
}

bool FolderHasMail(const fs::path& folder) {
  bool found = false;
  ForEachMessageName(folder, [&](std::string_view) {
    found = true;
    return false;
  });
  return found;
}

std::vector<std::string> ListMessageNames(const fs::path& folder) {
  std::vector<std::string> names;
  ForEachMessageName(folder, [&](std::string_view name) {
    names.emplace_back(name);
    return true;
  });
  return names;
}

std::size_t CountMessageNames(const fs::path& folder) {
  std::size_t count = 0;
  ForEachMessageName(folder, [&](std::string_view) {
    ++count;
    return true;
  });
  return count;
}

}  // namespace tellmar::admin::mailview
