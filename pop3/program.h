// cvpopd32 from start to exit, around the server: settings, host name and
// address, signals, the run of the loop.
#pragma once

#include <boost/asio/io_context.hpp>

#include <filesystem>

#include "pop3/activity_log.h"

namespace tellmar::pop3 {

// The clock runs this many times faster when the variable holds a positive
// number (for tests of the minute-long timeouts).
inline constexpr const char* kClockScaleVariable = "TELLMAR_POP3_CLOCK_SCALE";

// Serves the server directory until shutdown (Disconnect, SIGTERM, SIGINT or
// the inactivity timeout); returns the process exit code.
int RunPopServer(boost::asio::io_context& io, const std::filesystem::path& serverDir,
                 ActivityLog& log);

}  // namespace tellmar::pop3
