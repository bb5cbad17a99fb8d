#include "admin/users/network_users.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "common/ascii.h"
#include "common/ini_document.h"
#include "common/mail_store.h"
#include "common/profile.h"
#include "common/scramble.h"
#include "common/user_directory.h"

namespace tellmar::admin {
namespace {

namespace fs = std::filesystem;

bool IsAsciiAlnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

std::string Key(const IniDocument& doc, std::string_view section, std::string_view key,
                std::string_view fallback = "") {
  return std::string(doc.Find(section, key).value_or(fallback));
}

bool IsRoot(std::string_view popId) { return AsciiUpper(popId) == "ROOT"; }

std::string CutAtSign(std::string_view address) { return std::string(address.substr(0, address.find('@'))); }

}  // namespace

Addressing ReadAddressing(const fs::path& ini) {
  return {GetProfileInt(ini, "Environment", "UseDomain", 1) != 0,
          GetProfileString(ini, "Environment", "Domain", "")};
}

std::vector<std::string> ListUserNames(const fs::path& ini) {
  const auto doc = LoadProfile(ini);
  std::vector<std::string> names;
  for (int i = 0; i < kMaxListedUsers; ++i) {
    std::string name = Key(*doc, UserSectionName(i), "realname");
    if (name.empty()) break;
    names.push_back(std::move(name));
  }
  return names;
}

std::optional<int> FindUserRecord(const fs::path& ini, std::string_view name, int count) {
  const auto doc = LoadProfile(ini);
  for (int i = 0; i <= count && i < kMaxUserRecords; ++i)
    if (doc->Find(UserSectionName(i), "realname").value_or("") == name) return i;
  return std::nullopt;
}

NetworkUser LoadNetworkUser(const fs::path& ini, int index) {
  const auto doc = LoadProfile(ini);
  const Addressing addressing = ReadAddressing(ini);
  const std::string section = UserSectionName(index);
  NetworkUser u;
  u.realName = Key(*doc, section, "realname");
  const std::string id = Key(*doc, section, "ID");
  if (id.find('@') == std::string::npos)
    u.email = id + "@" + addressing.domain;
  else
    u.email = addressing.useDomain ? CutAtSign(id) : id;
  const std::string dir = Key(*doc, section, "DIR");
  u.popId = AsciiUpper(dir);
  u.password = Unscramble(MailboxKeyWord(dir), Key(*doc, section, "pw"));
  u.externalMail = ParseProfileInt(Key(*doc, section, "extml", "1")) != 0;
  u.alertIp = Key(*doc, section, "alert");
  u.alerts = !u.alertIp.empty();
  u.alertPort = Key(*doc, section, "alertport", "1024");
  if (u.alertPort.empty()) u.alertPort = "1024";
  u.active = IsRoot(dir) || ParseProfileInt(Key(*doc, section, "UserActive", "1")) != 0;
  u.limit = ParseProfileInt(Key(*doc, section, "MailLimit", "0")) != 0;
  u.notify = ParseProfileInt(Key(*doc, section, "MailMaxWarn", "0")) != 0;
  u.maxSize = Key(*doc, section, "MailMaxSize", "20");
  if (index == 0) {
    u.limit = false;
    u.maxSize = "9999";
  }
  return u;
}

std::optional<UserRefusal> CheckNetworkUser(NetworkUser& user, const std::optional<PreviousEntry>& previous,
                                            const fs::path& ini, int count) {
  using R = UserRefusal;
  const Addressing addressing = ReadAddressing(ini);
  if (user.realName.empty())
    return R{R::kRealName, "Users name incorrect", "You must enter a real name for this user..."};
  if (!addressing.useDomain && user.email.find('@') == std::string::npos)
    return R{R::kEmail, "Email address incorrect",
             "Please enter a full email address for this user, made of their user name, an \"@\" and the "
             "domain (for example anna@office.example)..."};
  if (addressing.useDomain) user.email = CutAtSign(user.email);
  if (user.popId.empty())
    return R{R::kPopId, "Mailbox ID not entered",
             "Please enter a user ID to allow this user to access their mailbox..."};
  for (char c : user.popId)
    if (!IsAsciiAlnum(c))
      return R{R::kPopId, "Mailbox ID Invalid", "Please use only a-z and 0-9 characters for the user id..."};
  if (user.password.empty() && !IsRoot(user.popId))
    return R{R::kPassword, "Mailbox password not entered",
             "Please enter a password to allow this user to access their mailbox..."};
  if (user.alerts && user.alertPort.empty())
    return R{R::kAlertPort, "Port number not entered",
             "Please enter a valid TCP/IP port number for the alert system to use..."};
  if (user.alerts && user.alertIp.empty())
    return R{R::kAlertIp, "Computer IP address not entered",
             "Please enter the TCP/IP address of this computer for the alert system..."};

  const auto doc = LoadProfile(ini);
  auto sameName = [&]() -> std::optional<R> {
    for (int i = 0; i <= count && i < kMaxUserRecords; ++i) {
      const std::string existing = Key(*doc, UserSectionName(i), "REALNAME");
      if (!existing.empty() && AsciiUpper(existing) == AsciiUpper(user.realName))
        return R{R::kRealName, "Duplicate user name!",
                 "You already have a network user with the name [" + existing +
                     "].\r\nPlease choose a unique name for this user..."};
    }
    return std::nullopt;
  };
  auto samePopId = [&]() -> std::optional<R> {
    for (int i = 0; i <= count && i < kMaxUserRecords; ++i) {
      const std::string existing = Key(*doc, UserSectionName(i), "DIR");
      if (!existing.empty() && AsciiUpper(existing) == AsciiUpper(user.popId))
        return R{R::kPopId, "Duplicate user name!",
                 "You already have a network user with the name [" + existing +
                     "].\r\nPlease choose a unique pop3 ID for this mailbox..."};
    }
    return std::nullopt;
  };
  auto sameEmail = [&]() -> std::optional<R> {
    for (int i = 0; i <= count && i < kMaxUserRecords; ++i) {
      const std::string existing = Key(*doc, UserSectionName(i), "ID");
      if (!existing.empty() && existing == user.email)
        return R{R::kEmail, "Folder creation error",
                 "You already have a network user with the same email address[" + existing +
                     "].\r\nPlease choose a unique email address..."};
    }
    return std::nullopt;
  };
  std::optional<R> duplicate;
  if (!previous) {
    if (!duplicate) duplicate = sameEmail();
    if (!duplicate) duplicate = samePopId();
    if (!duplicate) duplicate = sameName();
  } else {
    const std::string typedEmail = addressing.useDomain ? user.email + "@" + addressing.domain : user.email;
    if (!duplicate && AsciiUpper(user.realName) != AsciiUpper(previous->realName)) duplicate = sameName();
    if (!duplicate && AsciiUpper(user.popId) != AsciiUpper(previous->popId)) duplicate = samePopId();
    if (!duplicate && AsciiUpper(typedEmail) != AsciiUpper(previous->email)) duplicate = sameEmail();
  }
  if (duplicate) return duplicate;

  if (user.password.find_first_of(" .") != std::string::npos)
    return R{R::kPassword, "Folder removal error",
             "The mailbox password cannot include spaces or periods.\r\nPlease correct your entry and retry "
             "saving "
             "again..."};
  return std::nullopt;
}

void AddNetworkUserWrites(ProfileBatch& batch, int index, const NetworkUser& user) {
  const std::string section = UserSectionName(index);
  batch.Write(section, "realname", user.realName);
  batch.Write(section, "ID", user.email);
  batch.Write(section, "DIR", user.popId);
  batch.Write(section, "pw", Scramble(MailboxKeyWord(user.popId), user.password));
  batch.Write(section, "extml", user.externalMail ? "1" : "0");
  batch.Write(section, "alert", user.alerts ? user.alertIp : "");
  if (user.alerts) batch.Write(section, "alertport", user.alertPort);
  batch.Write(section, "UserActive", user.active ? "1" : "0");
  batch.Write(section, "MailLimit", user.limit ? "1" : "0");
  batch.Write(section, "MailMAxWarn", user.notify ? "1" : "0");
  batch.Write(section, "MailMaxSize", user.maxSize);
}

std::error_code WriteNetworkUser(const fs::path& ini, int index, const NetworkUser& user) {
  ProfileBatch batch(ini);
  AddNetworkUserWrites(batch, index, user);
  batch.Write("environment", "RemoteUpdate", "-1");
  return batch.Commit();
}

std::error_code RenameMailbox(const fs::path& serverDir, std::string_view from, std::string_view to) {
  if (AsciiUpper(from) == AsciiUpper(to)) return {};
  const auto source = MailboxFolder(serverDir, from);
  const auto target = MailboxFolder(serverDir, to);
  if (!target) return std::make_error_code(std::errc::invalid_argument);
  std::error_code ec;
  // rename(2) would silently replace an empty folder of that name.
  if (fs::exists(*target, ec)) return std::make_error_code(std::errc::file_exists);
  // A record that had no folder gets one under its new name.
  if (!source || !fs::is_directory(*source, ec)) return fs::create_directory(*target, ec) ? std::error_code() : ec;
  fs::rename(*source, *target, ec);
  return ec;
}

std::error_code CreateMailbox(const fs::path& serverDir, std::string_view popId) {
  const auto folder = MailboxFolder(serverDir, popId);
  if (!folder) return std::make_error_code(std::errc::invalid_argument);
  std::error_code ec;
  fs::create_directory(*folder, ec);
  return ec;
}

bool MailboxHoldsMail(const fs::path& folder) {
  std::error_code ec;
  return fs::is_directory(folder, ec) && !fs::is_empty(folder, ec);
}

DeletionResult DeleteNetworkUser(const fs::path& ini, const fs::path& serverDir, int index,
                                 std::string_view popId) {
  std::error_code ec;
  std::optional<fs::path> folder = MailboxFolder(serverDir, popId);
  if (folder && !fs::is_directory(*folder, ec)) folder.reset();  // nothing on disk to remove
  if (!folder) {
    if (auto error = DeleteUserRecord(ini, index)) return {DeletionResult::kRecordsFailed, error};
    return {};
  }
  // Sub-folders are not entered: a folder holding one cannot be removed, and
  // then nothing at all is removed.
  for (const auto& entry : fs::directory_iterator(*folder, ec))
    if (entry.is_directory(ec))
      return {DeletionResult::kFolderFailed, std::make_error_code(std::errc::directory_not_empty)};
  if (ec) return {DeletionResult::kFolderFailed, ec};

  static std::atomic<unsigned> serial{0};
  const fs::path aside = serverDir / (".deleting-" + std::to_string(::getpid()) + "-" +
                                      std::to_string(serial++) + "-" + folder->filename().string());
  fs::rename(*folder, aside, ec);
  if (ec) return {DeletionResult::kFolderFailed, ec};
  if (auto error = DeleteUserRecord(ini, index)) {
    std::error_code back;
    fs::rename(aside, *folder, back);
    return {DeletionResult::kRecordsFailed, error};
  }
  fs::remove_all(aside, ec);  // only files: sub-folders were refused above
  return {};
}

}  // namespace tellmar::admin
