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
  const bool less = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                                 [](char x, char y) { return Upper(x) < Upper(y); });
  if (less) return true;
  const bool greater = std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(),
                                                    [](char x, char y) { return Upper(x) < Upper(y); });
  return !greater && a < b;
}

void SortByNameOrder(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return NameOrderLess(a, b); });
}

}  // namespace tellmar
