#include "common/name_order.h"

#include <algorithm>

namespace tellmar {
namespace {

unsigned char Upper(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 'a' + 'A') : u;
}

}  // namespace

bool NameOrderLess(std::string_view a, std::string_view b) {
  // One pass: the first byte that differs once folded decides; a name that
  // is a prefix of the other comes first; equal names fall back to bytes.
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (a[i] == b[i]) continue;
    const unsigned char x = Upper(a[i]);
    const unsigned char y = Upper(b[i]);
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

void SortByNameOrder(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return NameOrderLess(a, b); });
}

}  // namespace tellmar
