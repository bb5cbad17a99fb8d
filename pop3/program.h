// cvpopd32 from start to exit, around the server: settings, the desktop and
// the operator, the windows, host name and address, the run of the loop.
#pragma once

#include <filesystem>

#include "platform/loop.h"
#include "pop3/activity_log.h"

namespace tellmar::pop3 {

// The clock runs this many times faster when the variable holds a positive
// number (for tests of the minute-long timeouts).
inline constexpr const char* kClockScaleVariable = "TELLMAR_POP3_CLOCK_SCALE";

// When the listener cannot start the server logs why and ends with one of
// these (the sysexits values), so that a service manager sees the failure:
// no permission for the port, or any other reason (port in use, no listen).
inline constexpr int kNoPermissionExit = 77;  // EX_NOPERM
inline constexpr int kListenFailedExit = 69;  // EX_UNAVAILABLE

// Serves the server directory until shutdown (Disconnect, the main window's
// close, SIGTERM, SIGINT or the inactivity timeout); returns the process
// exit code. Every activity-log line also goes to `log`.
int RunPopServer(Loop& loop, const std::filesystem::path& serverDir, ActivityLog& log);

}  // namespace tellmar::pop3
