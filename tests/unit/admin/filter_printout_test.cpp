// The printed filter list: what each rule's block says, and long lines
// broken at the margin without losing a character.
#include "admin/routing/filter_printout.h"

#include <gtest/gtest.h>

#include "platform/print/recording_printer.h"

using namespace tellmar;
using namespace tellmar::admin;

TEST(FilterPrintout, ARuleBlockNamesItsStateConditionsAndActions) {
  FilterRule rule;
  rule.name = "Offers";
  rule.scope = FilterScope::Internal;
  rule.active = false;
  rule.first = {2, 0, "free"};
  rule.join = 3;
  rule.second = {1, 2, "boss@x.org"};
  rule.actions[0] = {action::kPrint, "Header: on Attachments: off"};
  rule.actions[2] = {action::kKill, ""};
  EXPECT_EQ(DescribeRule(1, rule), (std::vector<std::string>{
                                       "2. Offers",
                                       "   Inactive, applies to Internal mail",
                                       "   If Subject Line Contains \"free\"",
                                       "   Unless if Senders Address Is \"boss@x.org\"",
                                       "   1) Print message: Header: on Attachments: off",
                                       "   2) Kill message",
                                   }));
  FilterRule bare;
  bare.name = "Empty";
  EXPECT_EQ(DescribeRule(0, bare), (std::vector<std::string>{"1. Empty", "   Active, applies to All mail",
                                                              "   No condition", "   No action"}));
}

TEST(FilterPrintout, LongLinesAreBrokenAtTheMarginAndEmptyListsSaySo) {
  print::PageSetup narrow = print::A4();
  narrow.width = narrow.left + narrow.right + 40 * 5;  // forty characters of 10 points
  print::RecordingPrinter printer(narrow);
  FilterRule rule;
  rule.name = "Wide";
  rule.first = {0, 0, "a"};
  const std::string addresses = "one@example.org two@example.org three@example.org four@example.org";
  rule.actions[0] = {action::kForward, addresses};
  const auto pages = print::RecordingPrinter::Texts(FilterListDocument(printer, {rule}));
  ASSERT_EQ(pages.size(), 1u);
  const std::vector<std::string>& lines = pages[0];
  EXPECT_EQ(lines.front(), kFilterListTitle);
  std::string joined;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_LT(lines[i].size(), 40u) << lines[i];
    if (lines[i].starts_with("   1) ")) {
      joined = lines[i];
      for (std::size_t j = i + 1; j < lines.size() && lines[j].starts_with("      "); ++j) joined += lines[j].substr(6);
    }
  }
  EXPECT_EQ(joined, "   1) Forward to external address: " + addresses);

  const auto empty = print::RecordingPrinter::Texts(FilterListDocument(printer, {}));
  EXPECT_EQ(empty.at(0), (std::vector<std::string>{std::string(kFilterListTitle), "No filters are set up."}));
}
