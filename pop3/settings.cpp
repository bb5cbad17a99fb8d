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
  return s;
}

}  // namespace tellmar::pop3
