#include "admin/users/user_report.h"

#include <ctime>

#include "admin/shell/rcu_model.h"
#include "common/file_bytes.h"
#include "common/ini_document.h"
#include "common/profile.h"
#include "common/scramble.h"
#include "common/user_directory.h"

namespace tellmar::admin {
namespace {

namespace fs = std::filesystem;

std::string Flag(const fs::path& ini, const char* key, int fallback, const char* off, const char* on) {
  return GetProfileInt(ini, "General", key, fallback) != 0 ? on : off;
}

std::string Password(const fs::path& ini, const char* key, const char* what) {
  const std::string stored = GetProfileString(ini, "Environment", key, "");
  if (stored.empty()) return std::string(what) + " is [**NOT** SET]\n";
  return std::string(what) + " is [" + Unscramble(kRemoteAccessKeyWord, stored) + "]\n";
}

std::string CrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

std::string UserReportText(const fs::path& ini, const std::string& serverDir, const std::string& when) {
  const bool singleDomain = GetProfileInt(ini, "Environment", "usedomain", 1) != 0;
  const std::string domain = GetProfileString(ini, "Environment", "domain", "<not set>");
  std::string r = "Tellmar configuration as at " + when;
  r += "Tellmar PC installation is on local drive:  " + serverDir + "\n";
  r += "\n============\nServer Setup\n============\n";
  if (!singleDomain) {
    r += "Server configured to support multiple domains\n";
    r += "Administration root user address " + GetProfileString(ini, "Environment", "rootaddr", "<not set>") + "\n";
  } else {
    r += "Server configured to only support a single domain\n";
    r += "Domain: " + domain + "\n";
    r += GetProfileInt(ini, "Environment", "Regdomain", 1) != 0 ? "Domain is registered\n" : "Domain is not registered\n";
  }
  r += "\n";
  r += Password(ini, "Serverpw", "Server Master Security Password");
  r += Password(ini, "http-p1", "Server Administrator access Password");
  r += Flag(ini, "TMSecure", 0, "Server Password encryption is [OFF]\n", "Server Password encryption is [ON]\n");
  r += Flag(ini, "ALLOWXOK", 0, "External UDF messages are [NOT ALLOWED]\n", "External UDF messages will be [ACCEPTED]\n");
  r += Flag(ini, "SAVETOADMIN", 0, "Administration messages are [NOT SAVED]\n", "Administration messages will be [SAVED]\n");
  r += Flag(ini, "INTADMINOK", 1, "Internal administration messages are [**DISABLED**]\n",
            "Internal administration messages are [ENABLED]\n");
  r += Flag(ini, "EXTADMINOK", 0, "External administration messages are [**DISABLED**]\n",
            "External administration messages are [ENABLED]\n");
  r += "\n==================\nLocal User Details\n==================\n\n";
  r += "List of configured Tellmar Users as at " + when;

  const auto doc = LoadProfile(ini);
  auto key = [&doc](const std::string& section, const char* name, const char* fallback) {
    return std::string(doc->Find(section, name).value_or(fallback));
  };
  int n = 0;
  for (; n < kMaxUserRecords; ++n) {
    const std::string s = UserSectionName(n);
    std::string id = key(s, "id", "");
    if (id.empty()) break;
    if (singleDomain && id.find('@') == std::string::npos) id += "@" + domain;
    r += "User " + std::to_string(n) + "\n";
    r += "Email address: " + id + "\n";
    r += "Real name: " + key(s, "realname", "(No name given)") + "\n";
    const std::string dir = key(s, "dir", "(no pop3 user name)");
    r += "Pop3 user-name: " + dir + "\n";
    const std::string pw = key(s, "pw", "");
    r += pw.empty() ? "Pop3 password: (no password set)\n" : "Pop3 password: " + Unscramble(MailboxKeyWord(key(s, "dir", "")), pw) + "\n";
    r += ParseProfileInt(key(s, "extml", "1")) == 0 ? "User restricted to internal mail only.\n" : "User can send external mail.\n";
    const std::string alert = key(s, "alert", "");
    if (alert.empty())
      r += "Generate alerts: off\n";
    else
      r += "Generate alerts: on\nSend alerts to: " + alert + "\nAlert port number: " + key(s, "alertport", "1024") + "\n";
    r += "\n";
  }
  r += "There are a total of " + std::to_string(n - 1) + " networked email users\n";
  r += "plus the default system administrator's root account\n\n";
  r += "===============================\nEnd of system status report....\n===============================\n\n";
  return r;
}

std::optional<fs::path> WriteUserReport(const fs::path& ini, const std::string& serverDir, const fs::path& directory) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char when[64];
  std::strftime(when, sizeof when, "%a %b %e %H:%M:%S %Y\n", &local);
  const fs::path file = directory / "userrep.vcf";
  std::error_code ec;
  fs::remove(file, ec);
  if (WriteNewFileDurably(file, CrLf(UserReportText(ini, serverDir, when)))) return std::nullopt;
  return file;
}

}  // namespace tellmar::admin
