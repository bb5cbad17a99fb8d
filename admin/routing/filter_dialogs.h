// The small dialogs of the filter page: the name dialog (a text with an
// optional scope), "Edit details...", the "Select..." chooser with its
// pop-up menu form for short lists, and "Auto Printing".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "admin/routing/filter_rule.h"
#include "platform/messages.h"

namespace tellmar::admin {

struct NameDialogRequest {
  std::string title;
  std::string prompt;
  std::string text;
  std::size_t limit = 100;
  bool showScope = true;
  FilterScope preset = FilterScope::All;
};
struct NameDialogResult {
  std::string text;  // empty on Cancel
  int scope = 0;     // internal 2, external 1, all 3; 0 on Cancel
};
NameDialogResult RunNameDialog(HWND owner, const NameDialogRequest& request);

// "Edit details...": the typed text, empty on Cancel.
std::string RunTextDialog(HWND owner, std::string_view prompt, std::string_view text, std::size_t limit);

// Up to ten names: a pop-up menu at the button (commands 1011 to 1020);
// more: the "Select..." dialog placed at the button. Empty when nothing
// was chosen.
inline constexpr UINT kFirstChoiceCommand = 1011;
inline constexpr std::size_t kPopupChoiceMax = 10;
std::string ChooseName(HWND owner, HWND button, std::string_view prompt, const std::vector<std::string>& names);

// "Auto Printing" from the stored print options; the new options, or
// nullopt on Cancel.
std::optional<std::string> RunPrintOptions(HWND owner, std::string_view stored);
std::string PrintOptionsText(bool header, bool attachments);

}  // namespace tellmar::admin
