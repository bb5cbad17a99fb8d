// The named control IDs of a program's template files, as the build writes
// them: a C++ header per template file and one Python module per program for
// the integration tests. Only named dialogs and pages appear; their named
// controls become constants, so nothing copies a number by hand.
//
//   dialog 238 UserButtons "Configure User Buttons" ...   (user_buttons.tmr)
//     listbox 1049 List "" ...
//
//   C++ (resources/tmadmin32/user_buttons_ids.h):
//     namespace tellmar::res::tmadmin32 {
//     struct UserButtons {
//       static constexpr int kTemplate = 238;
//       static constexpr int kList = 1049;
//     };
//     }
//   Python (tellmar_ids/tmadmin32.py):  class UserButtons: TEMPLATE = 238; List = 1049
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/resource.h"

namespace tellmar {

struct TemplateFile {
  std::string stem;  // the file name without ".tmr"
  ResourceSet parsed;
};

// Problems the parser cannot see alone, as "file:line: message": a dialog
// name used twice in the program, or a control name that clashes with the
// generated kTemplate.
std::vector<std::string> CheckTemplateNames(const std::vector<std::pair<std::string, TemplateFile>>& files);

std::string GenerateIdsHeader(std::string_view program, const TemplateFile& file);
std::string GenerateIdsPython(std::string_view program, const std::vector<TemplateFile>& files);

}  // namespace tellmar
