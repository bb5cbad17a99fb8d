// Every dialog of some template files as the page draws it: each template
// is made into its dialog, hidden, and described like a program's window.
// `tmdesk --templates FILE...` prints them, so that the page can be checked
// for texts that do not fit their controls without running every program.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace tellmar::web {

// [{"file", "template", "window": a window view}, ...]; `errors` gets the
// files' template errors ("file:line: message").
nlohmann::json TemplateViews(const std::vector<std::string>& files, std::vector<std::string>& errors);

}  // namespace tellmar::web
