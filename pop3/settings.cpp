#include "pop3/settings.h"

#include "common/profile.h"
#include "common/user_directory.h"

namespace tellmar::pop3 {

namespace {

// Decimal text as atoi reads it: blanks, a sign, digits up to the first
// non-digit; no digits give 0. Saturates instead of overflowing.
long long DecimalText(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value < 1'000'000'000'000LL) value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

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
  return s;
}

}  // namespace tellmar::pop3
