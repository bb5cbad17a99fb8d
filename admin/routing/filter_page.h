// The filter page, first page of the "Mail routing" sheet: the ordered rule
// list with its commands and the details of the current rule. Every change
// goes to the working copy at once; OK on the sheet commits it, Cancel
// discards it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/messages.h"
#include "platform/propsheet.h"

namespace tellmar::admin {

class FilterStore;

// The page's dialog procedure, bound to `store` (which outlives the sheet).
PROPSHEETPAGE MakeFilterPage(FilterStore& store);

// The prompt a parameter button shows for an action without parameter.
std::string_view ActionPrompt(int actionCode);

// A caption shortened to a button: while wider than the button's width and
// a fifth, the last 7 characters are cut and " ..." appended. Text width is
// counted in the dialog font's average character width.
inline constexpr int kAverageCharWidth = 6;
std::string ShortenCaption(std::string text, int buttonWidth);

// The row icons, one per state code 100 to 105.
inline constexpr int kFilterStateIconBase = 620;

}  // namespace tellmar::admin
