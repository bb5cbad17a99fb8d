#include "pop3/settings.h"

#include <algorithm>

#include "common/profile.h"
#include "common/user_directory.h"

namespace tellmar::pop3 {

namespace {

// The text conversion of the profile calls, also for an empty value (the
// key's default is given as text, so an empty value reads as 0).
long long DecimalText(const std::string& text) { return ParseProfileInt(text); }

}  // namespace

PopSettings ReadPopSettings(const std::filesystem::path& serverDir) {
  const std::filesystem::path file = SettingsFile(serverDir);
  PopSettings s;
  s.serviceMode = DecimalText(GetProfileString(file, "environment", "RunAsService", "0")) != 0;
  // The port is a 16-bit number: larger values wrap as they would in the
  // socket address.
  s.port = static_cast<std::uint16_t>(DecimalText(GetProfileString(file, "popsrv", "port", "110")));
  s.bindHostAddress = DecimalText(GetProfileString(file, "popsrv", "bind", "1")) == 1;
  s.mailboxTimeout = DecimalText(GetProfileString(file, "popsrv", "timeout", "5")) * 60;
  s.inactivityTimeout = GetProfileInt(file, "popsrv", "SmtpTimeout", 0);
  s.maxPerAddress = std::max<long long>(0, GetProfileInt(file, "popsrv", "MaxPerAddress", kDefaultMaxPerAddress));
  s.modernClients = DecimalText(GetProfileString(file, "popsrv", "ModernClients", "0")) != 0;
  if (!s.modernClients) return s;
  const auto inServerDir = [&](const std::string& name) -> std::filesystem::path {
    if (name.empty()) return {};
    return serverDir / name;  // an absolute name stays as it is
  };
  s.certFile = inServerDir(GetProfileString(file, "popsrv", "CertFile", ""));
  s.keyFile = inServerDir(GetProfileString(file, "popsrv", "KeyFile", ""));
  if (s.keyFile.empty()) s.keyFile = s.certFile;  // one PEM file may hold both
  s.securePort = static_cast<std::uint16_t>(DecimalText(GetProfileString(file, "popsrv", "SecurePort", "995")));
  s.requireTls = DecimalText(GetProfileString(file, "popsrv", "RequireTLS", "0")) != 0;
  return s;
}

}  // namespace tellmar::pop3
