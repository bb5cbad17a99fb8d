// The network users as the "Maintain network users" dialog sees them: the
// USER%d records of tmhub.ini (record 0 is the Postmaster), what a record
// shows in the dialog's fields, the checks a saved entry must pass, and the
// mailbox folders that go with the records.
//
// Choices of this implementation:
//  - the mailbox size spin runs from 1 to 9999 megabytes;
//  - a record whose DIR is empty or not a plain folder name owns no folder:
//    deleting it removes the record only, never anything in the server
//    directory;
//  - a mailbox folder is found without regard to case, and a POP user ID is
//    never renamed onto a folder that already exists.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tellmar {
class ProfileBatch;
}

namespace tellmar::admin {

inline constexpr std::string_view kPostmasterName = "(System Postmaster)";
inline constexpr int kMaxListedUsers = 1001;  // records the list reads
inline constexpr int kMaxRenumbered = 32000;  // records a deletion moves
inline constexpr int kMaxSizeLow = 1, kMaxSizeHigh = 9999;
inline constexpr std::size_t kPopIdLimit = 8, kPasswordLimit = 15, kPortLimit = 4;

// What the fields show for one record (or what a person typed into them).
struct NetworkUser {
  std::string realName, email, popId, password;
  bool externalMail = true;
  bool alerts = false;
  std::string alertIp, alertPort = "1024";
  bool active = true;
  bool limit = false, notify = false;
  std::string maxSize = "20";
};

// The address settings of [Environment] that shape the e-mail field.
struct Addressing {
  bool useDomain = true;  // UseDomain, read with default 1
  std::string domain;
};
Addressing ReadAddressing(const std::filesystem::path& ini);

// The real names of USER0, USER1, ... up to the first empty one.
std::vector<std::string> ListUserNames(const std::filesystem::path& ini);

// The record number of the first record (0 .. `count`) whose realname equals
// `name` exactly.
std::optional<int> FindUserRecord(const std::filesystem::path& ini, std::string_view name, int count);

// Record `index` as the fields show it: POP user ID upper-cased, password
// unscrambled, e-mail address completed or cut by the addressing mode.
NetworkUser LoadNetworkUser(const std::filesystem::path& ini, int index);

// A refused entry: the field to correct, the box's caption and text.
struct UserRefusal {
  enum Field { kRealName, kEmail, kPopId, kPassword, kAlertPort, kAlertIp } field;
  std::string caption, text;
};

// What an edit started from, to see which fields changed.
struct PreviousEntry {
  std::string realName, email, popId;
};

// The save's checks in their order: the fields, then uniqueness against the
// records 0 .. `count` (all three when adding, `previous` not given; only the
// changed ones when editing), then the password's characters. When the
// server uses a domain, the e-mail field loses "@" and what follows (`user`
// is updated so the field shows it).
std::optional<UserRefusal> CheckNetworkUser(NetworkUser& user, const std::optional<PreviousEntry>& previous,
                                            const std::filesystem::path& ini, int count);

// Writes the record's keys and [environment] RemoteUpdate "-1" as one
// replacement of the file.
std::error_code WriteNetworkUser(const std::filesystem::path& ini, int index, const NetworkUser& user);
// The record's keys as edits of the caller's batch (without RemoteUpdate).
void AddNetworkUserWrites(ProfileBatch& batch, int index, const NetworkUser& user);

// Renames the mailbox folder from one ID to another. A case-only change
// renames nothing. Refuses (EEXIST) when a folder of the new name exists.
// Without a folder of the old ID, the new one is made.
std::error_code RenameMailbox(const std::filesystem::path& serverDir, std::string_view from,
                              std::string_view to);

// Creates the new user's folder (an existing one is kept).
std::error_code CreateMailbox(const std::filesystem::path& serverDir, std::string_view popId);

// True when the folder holds any entry.
bool MailboxHoldsMail(const std::filesystem::path& folder);

// Deletes record `index` and its folder together: the folder is first moved
// aside, the records renumbered, and only then its files removed; when the
// renumbering fails the folder is moved back, so folder and records always
// agree and no mail is lost on a failure.
struct DeletionResult {
  enum Step { kDone, kFolderFailed, kRecordsFailed } step = kDone;
  std::error_code error;
};
DeletionResult DeleteNetworkUser(const std::filesystem::path& ini, const std::filesystem::path& serverDir,
                                 int index, std::string_view popId);

}  // namespace tellmar::admin
