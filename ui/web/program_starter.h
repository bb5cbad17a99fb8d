// Starts a program of the server directory for the desktop's start menu: in
// that directory, detached from tmdesk (its own session, no input; its output goes where
// tmdesk's goes), with
// its message boxes shown on the desktop.
#pragma once

#include <string>

namespace tellmar::web {

// Runs `path` with no arguments in `directory`. Answers "" once the program
// runs, else why it could not be started.
std::string StartProgram(const std::string& path, const std::string& directory);

}  // namespace tellmar::web
