// Writing a verb's result: raw bytes (8-bit text passes unchanged), each line
// followed by a line end. A failed write to standard output is an error.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tmctl {

// A text inside a line of fields: `\`, `"`, CR, LF and TAB become `\\`,
// `\"`, `\r`, `\n` and `\t`, so that a text never splits its line or adds a
// field. Other bytes (8-bit text too) pass unchanged.
std::string Escaped(std::string_view text);

// Returns 0, or 1 after reporting that standard output could not be written.
int PrintLine(std::string_view text);
int PrintLines(const std::vector<std::string>& lines);

}  // namespace tmctl
