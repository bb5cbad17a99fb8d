// tmadmin32's start-up: the role from the command line, one instance per
// role, the hidden main window, the server's paths, the RCU dialog and the
// tray icon; then the message loop until the program ends.
#pragma once

#include <string>
#include <vector>

namespace tellmar::admin {

// Answers the exit code.
int RunAdmin(const std::vector<std::string>& argv);

}  // namespace tellmar::admin
