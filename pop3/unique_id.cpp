#include "pop3/unique_id.h"

#include <cinttypes>
#include <cstdio>
#include <string_view>

namespace tellmar::pop3 {

namespace {

// Names longer than this (never made by this system) are shortened with a
// hash of the whole name, so that the ID stays within its limit.
constexpr std::size_t kLongestNamePart = 40;

std::uint64_t Fnv1a(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  return hash;
}

// The name without its extension; bytes outside 0x21..0x7E, and "%" itself,
// as %XX so that two names never give one text.
std::string NamePart(std::string_view fileName) {
  std::string_view base = fileName;
  if (base.size() > 4 && base[base.size() - 4] == '.') base.remove_suffix(4);
  std::string out;
  for (unsigned char c : base) {
    if (c > 0x20 && c < 0x7F && c != '%') {
      out.push_back(static_cast<char>(c));
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  if (out.size() <= kLongestNamePart) return out;
  char hash[20];
  std::snprintf(hash, sizeof hash, "~%016" PRIx64, Fnv1a(fileName));
  return out.substr(0, kLongestNamePart - 17) + hash;
}

}  // namespace

std::string UniqueId(const MaildropEntry& entry) {
  char time[40];
  std::snprintf(time, sizeof time, "-%" PRIx64 ".%08lx", static_cast<std::uint64_t>(entry.modifiedSeconds),
                static_cast<unsigned long>(entry.modifiedNanoseconds));
  return NamePart(entry.fileName) + time;
}

}  // namespace tellmar::pop3
