// The filter list on paper: every rule of the working copy in priority
// order, with its state, scope, conditions and actions, one block per rule.
// The Print button of the filter page asks the operator for a printer and
// prints this document.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "admin/routing/filter_rule.h"
#include "platform/messages.h"
#include "platform/print/print_job.h"

namespace tellmar::admin {

class FilterStore;

inline constexpr std::string_view kFilterListTitle = "Mail routing filters";

// The lines describing one rule (the first is its heading).
std::vector<std::string> DescribeRule(int position, const FilterRule& rule);

// The document for `rules`; lines wider than the page are broken.
print::PrintDocument FilterListDocument(const print::Printer& printer, const std::vector<FilterRule>& rules);

// Asks for a printer and prints the rules of `store`; a failure is shown.
void PrintFilterList(HWND owner, const FilterStore& store);

}  // namespace tellmar::admin
