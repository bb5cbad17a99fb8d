// Text is bytes. Comparisons without regard to case fold the ASCII letters
// only, so 8-bit characters pass through untouched.
#pragma once

#include <string>
#include <string_view>

namespace tellmar {

inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// 8-bit text as JSON wants it: each byte 0x80..0xFF becomes the character of
// that number (Latin-1), so any bytes survive a trip through JSON and show
// as the characters the programs meant (0xA9 the copyright sign, 0xA3 the
// pound sign). BytesFromUtf8 is its inverse; a character beyond 0xFF, which
// no program writes, becomes '?'.
std::string Utf8FromBytes(std::string_view bytes);
std::string BytesFromUtf8(std::string_view utf8);

}  // namespace tellmar
