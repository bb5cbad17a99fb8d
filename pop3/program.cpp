#include "pop3/program.h"

#include <boost/asio/signal_set.hpp>

#include <csignal>
#include <cstdlib>

#include "pop3/server.h"
#include "pop3/settings.h"

namespace tellmar::pop3 {

namespace {

int ClockScale() {
  const char* text = std::getenv(kClockScaleVariable);
  if (text == nullptr) return 1;
  const int scale = std::atoi(text);
  return scale > 0 ? scale : 1;
}

}  // namespace

int RunPopServer(boost::asio::io_context& io, const std::filesystem::path& serverDir,
                 ActivityLog& log) {
  // A peer that has gone away must fail a write, not end the process.
  std::signal(SIGPIPE, SIG_IGN);

  const SteadyClock clock(ClockScale());
  ServerOptions options;
  options.serverDir = serverDir;
  options.settings = ReadPopSettings(serverDir);
  const HostIdentity host = LookUpHost();
  options.hostName = host.name;
  if (options.settings.bindHostAddress) {
    options.bindAddress = ChooseBindAddress(host.resolved, LocalAddresses());
  }
  options.tickPeriod = std::chrono::milliseconds(kTickMillis / clock.scale());
  if (options.tickPeriod.count() < 1) options.tickPeriod = std::chrono::milliseconds(1);

  Server server(io, std::move(options), log, clock);
  if (!server.Start()) return 0;

  boost::asio::signal_set signals(io, SIGTERM, SIGINT);
  signals.async_wait([&server](const boost::system::error_code& error, int) {
    if (!error) server.Shutdown();
  });
  server.onShutdown = [&signals] {
    boost::system::error_code ignored;
    signals.cancel(ignored);
  };
  io.run();
  return 0;
}

}  // namespace tellmar::pop3
