// The folder list of the mail administration window: the users' folders,
// the system folders and the archive, each line with its has-mail flag, and
// what each kind of folder lets the operator do.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tellmar::admin::mailview {

enum class FolderKind { Heading, User, Root, MailIn, Outgoing, Pending, ArchiveInbound, ArchiveOutbound };

struct FolderLine {
  std::string text;    // the whole line, TAB between its columns
  std::string folder;  // relative to the server directory ("ARCHIVE\INBOUND"); empty for a heading
  FolderKind kind = FolderKind::Heading;
  bool hasMail = false;
};

// Line order: the users' lines sorted by their text (hence by mailbox ID),
// or in record order when `recordOrder`; USER0 is only "Root user".
std::vector<FolderLine> BuildFolderLines(const std::filesystem::path& settingsFile, bool recordOrder);

// The index of the first user line in a built list (1).
inline constexpr int kFirstUserLine = 1;

// The line Open(name) selects: the first whose text ends with `name`, the
// name found with its exact letters and the rest compared without regard
// to case; "(System Postmaster)" is "Root user". -1 when none.
int FindFolderLineForUser(const std::vector<FolderLine>& lines, std::string_view name);

// The buttons a folder of this kind enables (all off for an empty folder).
struct FolderButtons {
  bool del = false, hold = false, copyMove = false, print = false, viewer = false, showHeaders = false;
  bool summary = false;  // From and To: archived mail has no envelope
  bool operator==(const FolderButtons&) const = default;
};
FolderButtons ButtonsFor(FolderKind kind, bool folderEmpty);

// The folder's absolute path (found without regard to case).
std::filesystem::path FolderPath(const std::filesystem::path& serverDir, const FolderLine& line);

// True when at least one "*.TXT" file lies in the folder.
bool FolderHasMail(const std::filesystem::path& folder);

// The "*.TXT" names of the folder, in the order the directory lists them;
// a folder that cannot be listed gives none.
std::vector<std::string> ListMessageNames(const std::filesystem::path& folder);
// How many there are, without keeping the names.
std::size_t CountMessageNames(const std::filesystem::path& folder);

}  // namespace tellmar::admin::mailview
