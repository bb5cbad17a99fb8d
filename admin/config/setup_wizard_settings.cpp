#include "admin/config/setup_wizard_settings.h"

#include "admin/config/remote_update.h"
#include "admin/shell/rcu_model.h"
#include "common/ascii.h"
#include "common/ini_document.h"
#include "common/mail_store.h"
#include "common/path_case.h"
#include "common/profile.h"
#include "common/scramble.h"
#include "common/user_directory.h"
#include "platform/form.h"

namespace tellmar::admin {
namespace {

namespace fs = std::filesystem;

const char* MinusOne(bool on) { return on ? "-1" : "0"; }

bool Flag(const fs::path& ini, std::string_view section, std::string_view key, std::string_view fallback) {
  return FlagIsOn(GetProfileString(ini, section, key, fallback), kMinusOneZero);
}

// The administrator's address of a multiple-domain Finish.
std::string AdministratorAddress(const DomainView& domain) {
  return domain.text.find('@') != std::string::npos ? domain.text : "root@" + domain.text;
}

// The administration flags, read with their defaults and written back.
void EnsureAdministrationFlags(const IniDocument& doc, ProfileBatch& batch) {
  static constexpr std::pair<std::string_view, std::string_view> kFlags[] = {
      {"INTADMINOK", "-1"}, {"EXTADMINOK", "0"}, {"TMSecure", "0"}, {"SaveToAdmin", "1"}, {"ALLOWXOK", "0"}};
  for (const auto& [key, fallback] : kFlags) {
    const std::string_view stored = doc.Find("General", key).value_or("");
    batch.Write("General", key, stored.empty() ? fallback : stored);
  }
}

// The server's default operations: read with these defaults, written back
// in this order as "-1" / "0".
struct OperationFlag {
  std::string_view section, key, fallback;
  bool WizardChoices::*choice;
};
constexpr OperationFlag kOperationFlags[] = {
    {"Environment", "Urgent", "0", &WizardChoices::urgent},
    {"Environment", "GetMailonUrgent", "0", &WizardChoices::collectOnline},
    {"Environment", "LoadPOP3", "-1", &WizardChoices::loadPop3},
    {"Environment", "LoadSMTP", "-1", &WizardChoices::loadSmtp},
    {"startup", "goonline", "0", &WizardChoices::checkOnLoad},
    {"Environment", "ArchiveIn", "0", &WizardChoices::archiveIn},
    {"Environment", "ArchiveOut", "0", &WizardChoices::archiveOut},
};

bool PostmasterMissing(const IniDocument& doc) {
  return doc.Find(UserSectionName(0), "realname").value_or("").empty();
}

}  // namespace

WizardChoices ReadWizardChoices(const fs::path& ini) {
  WizardChoices c;
  c.domain = ReadDomainView(ini);
  for (const OperationFlag& f : kOperationFlags) c.*f.choice = Flag(ini, f.section, f.key, f.fallback);
  c.internalOnly = GetProfileString(ini, "NetConnections", "NetMailOnly", "0") == "1";
  c.dialup = GetProfileString(ini, "NetConnections", "Use95DUN", "0") == "-1";
  c.dialupEntry = GetProfileString(ini, "NetConnections", "95DUNconnection", "");
  c.disconnect = Flag(ini, "NetConnections", "autodisconnectdun", "-1");
  c.unloadHandler = Flag(ini, "NetConnections", "CloseDunOnExit", "0");
  c.showLog = Flag(ini, "Maillog", "AutoDisplay", "None");
  c.closeLog = Flag(ini, "Maillog", "CloseCommsLog", "None");
  c.timeout = GetProfileString(ini, "NetConnections", "DunTimeout", "120");
  c.retries = GetProfileString(ini, "NetConnections", "busyretries", "3");
  c.retryWait = GetProfileString(ini, "NetConnections", "busyretrytime", "15");
  c.popHost = GetProfileString(ini, "NetMailServer", "POPHost", "");
  c.popUser = GetProfileString(ini, "NetMailServer", "POPuser", "");
  c.popPassword = Unscramble(kRemoteAccessKeyWord, GetProfileString(ini, "NetMailServer", "POPpassword", ""));
  c.leaveOnServer = GetProfileString(ini, "Netmailserver", "POPdeleteServerMail", "-1") == "0";
  c.useEnv = Flag(ini, "Netmailserver", "UseENV", "-1");
  c.smtpGateway = GetProfileString(ini, "Netmailserver", "Mailserver0", "");
  c.user = NetworkUser{};
  c.user.maxSize = "20";
  return c;
}

std::optional<ProxyPorts> DetectProxy(const fs::path& workingDir) {
  const fs::path file = ResolveNoCase(workingDir, kProxySettingsFile);
  if (GetProfileString(file, "websrv", "httpval", "").empty() || GetProfileString(file, "LOOP0", "HOST", "").empty() ||
      GetProfileString(file, "LOOP1", "HOST", "").empty())
    return std::nullopt;
  return ProxyPorts{GetProfileString(file, "LOOP1", "Inport", "0"), GetProfileString(file, "LOOP0", "Inport", "0")};
}

void UseProxy(WizardChoices& choices, const ProxyPorts& ports, const std::string& hostName) {
  choices.popHost = hostName + ":" + ports.pop3;
  choices.smtpGateway = hostName + ":" + ports.smtp;
  choices.proxyChosen = true;
}

int FirstUserRecord(const WizardChoices& choices) {
  if (choices.domain.single) return 1;
  return EqualsNoCase(choices.user.email, AdministratorAddress(choices.domain)) ? 0 : 1;
}

std::error_code FinishWizard(const WizardChoices& c, const fs::path& ini, const fs::path& serverDir,
                             const WelcomeContext& welcome) {
  const auto doc = LoadProfile(ini);
  ProfileBatch batch(ini);

  // The domain.
  if (c.domain.single) {
    batch.Write("Environment", "UseDomain", "-1");
    batch.Write("Environment", "Domain", c.domain.text);
    batch.Write("Environment", "RootAddr", "");
  } else {
    batch.Write("Environment", "UseDomain", "0");
    batch.Write("Environment", "RootAddr", AdministratorAddress(c.domain));
  }
  batch.Write("Environment", "RegDomain", MinusOne(c.domain.registered));
  EnsureAdministrationFlags(*doc, batch);

  // The server's default operations.
  for (const OperationFlag& f : kOperationFlags) batch.Write(f.section, f.key, MinusOne(c.*f.choice));

  // The connection type, then the dial-up options only for a dial-up connection.
  const bool dialup = !c.internalOnly && c.dialup;
  batch.Write("NetConnections", "Use95DUN", MinusOne(dialup));
  batch.Write("NetConnections", "autodisconnectdun", "-1");
  batch.Write("NetConnections", "CloseDunOnExit", "-1");
  batch.Write("NetConnections", "NetMailOnly", c.internalOnly ? "1" : "0");
  if (dialup) {
    batch.Write("NetConnections", "autodisconnectdun", MinusOne(c.disconnect));
    batch.Write("NetConnections", "CloseDunOnExit", MinusOne(c.unloadHandler));
    batch.Write("NetConnections", "95DUNconnection", c.dialupEntry);
    batch.Write("NetConnections", "busyretries", c.retries);
    batch.Write("NetConnections", "busyretrytime", c.retryWait);
    batch.Write("NetConnections", "DUNTimeout", c.timeout);
    batch.Write("maillog", "AutoDisplay", MinusOne(c.showLog));
    batch.Write("maillog", "CloseCommsLog", MinusOne(c.closeLog));
  }

  // The first user, and the postmaster's record when there is none yet.
  const int record = FirstUserRecord(c);
  NetworkUser user = c.user;
  if (c.domain.single) user.email = user.email.substr(0, user.email.find('@'));
  user.password = user.password.substr(0, kWizardPasswordLimit);
  const bool addPostmaster = record == 1 && PostmasterMissing(*doc);
  if (addPostmaster) {
    NetworkUser postmaster;
    postmaster.realName = std::string(kPostmasterName);
    postmaster.email = "root";
    postmaster.popId = "ROOT";
    postmaster.maxSize = "9999";
    AddNetworkUserWrites(batch, 0, postmaster);
  }
  if (!c.domain.single && record == 1) batch.Write(UserSectionName(0), "ID", AsciiUpper(AdministratorAddress(c.domain)));
  AddNetworkUserWrites(batch, record, user);

  // The external mailbox and the SMTP gateway.
  batch.Write("NetMailServer", "POPHost", c.popHost);
  batch.Write("NetMailServer", "POPuser", c.popUser);
  batch.Write("NetMailServer", "POPpassword", Scramble(kRemoteAccessKeyWord, c.popPassword));
  batch.Write("Netmailserver", "POPdeleteServerMail", c.leaveOnServer ? "0" : "-1");
  batch.Write("Netmailserver", "UseENV", MinusOne(c.useEnv));
  batch.Write("Netmailserver", "Mailserver0", c.smtpGateway);
  if (auto error = batch.Commit()) return error;

  if (addPostmaster) {
    if (auto error = CreateMailbox(serverDir, "ROOT")) return error;
  }
  if (auto error = CreateMailbox(serverDir, user.popId)) return error;
  if (const auto folder = MailboxFolder(serverDir, user.popId))
    WriteWelcomeMessage(welcome, UserSectionName(record), *folder);

  ProfileBatch notice(ini);
  notice.Write("servermailstatus", "updated", "1");
  AddRemoteUpdate(notice);
  return notice.Commit();
}

}  // namespace tellmar::admin
