// The user directory in tmhub.ini: one section "USER%d" per network user,
// contiguous from USER0 (the postmaster, mailbox ID "ROOT"). The POP3 side
// ends the list at the first record without `dir`; the administration side at
// the first without `realname`. Never more than 32000 records.
//
// The POP3 look-ups read the file at every call (a change is seen at the next
// login) but are indexed per parsed version of the file, so a login costs
// the same with 10 records or 32000.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace tellmar {

inline constexpr int kMaxUserRecords = 32000;
inline constexpr std::string_view kSettingsFileName = "tmhub.ini";

// "USER%d"
std::string UserSectionName(int index);

// tmhub.ini in the server directory (found without regard to case).
std::filesystem::path SettingsFile(const std::filesystem::path& serverDir);

// POP3 user check: the mailbox folder `name` exists in the server directory
// as a plain, writable directory, and a record whose `dir` (read cut to 30
// characters) equals `name` without regard to case is active (`useractive`
// nonzero, default 1). A name that is not a plain file name never matches,
// nor one whose password look-up would find another record (or none) than
// the one that admitted it.
bool PopUserCheck(const std::filesystem::path& serverDir, std::string_view name);

// The user check and the password look-up of one login, read from one
// version of the file: the mailbox folder as found on disk and the password
// (nullopt: "no password"). nullopt when the user check fails.
struct PopAccount {
  std::filesystem::path folder;
  std::optional<std::string> password;
};
std::optional<PopAccount> PopAccountCheck(const std::filesystem::path& serverDir, std::string_view name);

// POP3 password look-up: the unscrambled password of the first record whose
// `dir` (cut to 254 characters) equals the mailbox ID; nullopt ("no
// password") when the ID is empty, no record matches or its `pw` is empty.
// The key word is formed from the mailbox ID as the client typed it.
std::optional<std::string> PopPasswordLookup(const std::filesystem::path& serverDir,
                                             std::string_view mailboxId);

// Administration side: the number of records before the first without
// `realname`.
int CountUserRecords(const std::filesystem::path& settingsFile);

// Deletes record `index` and moves every later record (by the administration
// side's end rule) one down, as one replacement of the file. USER0 cannot be
// deleted (invalid_argument).
std::error_code DeleteUserRecord(const std::filesystem::path& settingsFile, int index);

}  // namespace tellmar
