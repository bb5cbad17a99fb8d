// The order in which the mail store's folders are listed: by name without
// regard to case, as the file systems the mail system was made for return a
// listing. For the store's hexadecimal message names that is the order of
// delivery; Linux file systems return a hash order instead.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tellmar {

// Compares ASCII letters as upper case (so "_" sorts after "Z", as there);
// names equal but for case fall back to their bytes, so the order is total.
bool NameOrderLess(std::string_view a, std::string_view b);

void SortByNameOrder(std::vector<std::string>& names);

}  // namespace tellmar
