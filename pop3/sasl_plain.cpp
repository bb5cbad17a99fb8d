#include "pop3/sasl_plain.h"

namespace tellmar::pop3 {

namespace {

int Sextet(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::optional<std::string> DecodeBase64(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::string out;
  out.reserve(text.size() / 4 * 3);
  for (std::size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    int padding = 0;
    unsigned value = 0;
    for (std::size_t j = 0; j < 4; ++j) {
      const char c = text[i + j];
      if (c == '=' && last && j >= 2 && (j == 3 || text[i + 3] == '=')) {
        ++padding;
        value <<= 6;
        continue;
      }
      const int v = Sextet(c);
      if (v < 0 || padding > 0) return std::nullopt;
      value = (value << 6) | static_cast<unsigned>(v);
    }
    out.push_back(static_cast<char>((value >> 16) & 0xFF));
    if (padding < 2) out.push_back(static_cast<char>((value >> 8) & 0xFF));
    if (padding < 1) out.push_back(static_cast<char>(value & 0xFF));
  }
  return out;
}

std::optional<PlainCredentials> DecodeSaslPlain(std::string_view response) {
  const std::optional<std::string> decoded = DecodeBase64(response);
  if (!decoded) return std::nullopt;
  const std::size_t first = decoded->find('\0');
  if (first == std::string::npos) return std::nullopt;
  const std::size_t second = decoded->find('\0', first + 1);
  if (second == std::string::npos || decoded->find('\0', second + 1) != std::string::npos) return std::nullopt;
  PlainCredentials c;
  c.authorizationId = decoded->substr(0, first);
  c.user = decoded->substr(first + 1, second - first - 1);
  c.password = decoded->substr(second + 1);
  if (c.user.empty()) return std::nullopt;
  return c;
}

}  // namespace tellmar::pop3
