#include "admin/routing/filter_printout.h"

#include <array>
#include <memory>
#include <string>

#include "admin/routing/filter_store.h"
#include "platform/operator.h"
#include "platform/print/print_chooser.h"

namespace tellmar::admin {
namespace {

constexpr std::string_view kIndent = "      ";

std::string_view ScopeText(FilterScope scope) {
  switch (scope) {
    case FilterScope::Internal: return "Internal mail";
    case FilterScope::External: return "External mail";
    case FilterScope::All: break;
  }
  return "All mail";
}

template <std::size_t N>
std::string_view Named(const std::array<std::string_view, N>& table, int code) {
  return code >= 0 && static_cast<std::size_t>(code) < N ? table[static_cast<std::size_t>(code)] : "?";
}

std::string Condition(const FilterCondition& c) {
  return std::string(Named(kConditionFields, c.field)) + " " + std::string(Named(kConditionTests, c.test)) + " \"" +
         c.text + "\"";
}

// Prints `text`, breaking it where it would pass the right margin; the
// continuation lines are indented under the first.
void Wrapped(print::PageWriter& page, std::string_view text, bool bold) {
  std::string_view prefix;
  for (;;) {
    const std::string line = std::string(prefix) + std::string(text);
    const std::size_t fits = page.FittingPrefix(line, page.Width(), bold);
    if (fits >= line.size()) return page.Line(line, bold);
    page.Line(std::string_view(line).substr(0, fits), bold);
    // At least one character of the text goes on each line.
    text.remove_prefix(fits > prefix.size() ? fits - prefix.size() : 1);
    prefix = kIndent;
  }
}

}  // namespace

std::vector<std::string> DescribeRule(int position, const FilterRule& rule) {
  std::vector<std::string> lines;
  lines.push_back(std::to_string(position + 1) + ". " + rule.name);
  lines.push_back(std::string("   ") + (rule.active ? "Active" : "Inactive") + ", applies to " +
                  std::string(ScopeText(rule.scope)));
  if (rule.first.text.empty()) {
    lines.push_back("   No condition");
  } else {
    lines.push_back("   If " + Condition(rule.first));
    if (rule.join != 0)
      lines.push_back("   " + std::string(Named(kConditionJoins, rule.join)) + " if " + Condition(rule.second));
  }
  int shown = 0;
  for (const FilterActionSlot& slot : rule.actions) {
    if (slot.code == action::kNone) continue;
    std::string line = "   " + std::to_string(++shown) + ") " + std::string(Named(kFilterActions, slot.code));
    if (!slot.parameter.empty() && FixedParameter(slot.code).empty()) line += ": " + slot.parameter;
    lines.push_back(std::move(line));
  }
  if (shown == 0) lines.push_back("   No action");
  return lines;
}

print::PrintDocument FilterListDocument(const print::Printer& printer, const std::vector<FilterRule>& rules) {
  print::PageWriter page(printer, std::string(kFilterListTitle));
  page.Line(kFilterListTitle, true);
  page.Skip();
  if (rules.empty()) page.Line("No filters are set up.");
  for (std::size_t n = 0; n < rules.size(); ++n) {
    const std::vector<std::string> lines = DescribeRule(static_cast<int>(n), rules[n]);
    for (std::size_t i = 0; i < lines.size(); ++i) Wrapped(page, lines[i], i == 0);
    page.Skip();
  }
  return page.Finish();
}

void PrintFilterList(HWND owner, const FilterStore& store) {
  std::vector<FilterRule> rules;
  for (int n = 0; n < store.Count(); ++n) rules.push_back(store.Rule(n));
  std::unique_ptr<print::Printer> printer = print::ChoosePrinter(owner, "filters.pdf");
  if (!printer) return;  // cancelled
  const std::string error = printer->Print(FilterListDocument(*printer, rules));
  if (!error.empty())
    MessageBox(owner, "The filters could not be printed:\r\n" + error, "Print error", MB_OK | MB_ICONSTOP);
}

}  // namespace tellmar::admin
