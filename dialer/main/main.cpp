// Dialwick: the dial-up connection handler. Started by the main server or
// the administration utility with the server directory as working
// directory; its one argument string is "-p DIR" or a request text.
// TELLMAR_DIALWICK_MONITOR_MS (1 to 86400000) replaces the monitor's
// one-second period; tests set it long and send the ticks themselves.
// TELLMAR_DIALUP_ERROR_TEXTS=0 makes the simulated service give no error
// texts, as a service without them would, so the handler's own table and
// its Connection Failed dialog come into play.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "dialer/dialwick_app.h"
#include "platform/loop.h"
#include "platform/ras/phonebook.h"

int main(int argc, char** argv) {
  using namespace tellmar;
  // A client that vanishes mid-write must not end the handler.
  std::signal(SIGPIPE, SIG_IGN);
  std::error_code error;
  dialer::AppOptions options;
  options.workingDir = std::filesystem::current_path(error);
  if (error) {
    std::fprintf(stderr, "Dialwick: cannot determine the working directory\n");
    return 1;
  }
  options.userProfile = dialer::DefaultUserProfile();
  options.phonebook = ras::DefaultPhonebookPath();
  options.platform = dialer::SimulatedPlatform();
  if (const char* texts = std::getenv("TELLMAR_DIALUP_ERROR_TEXTS"))
    options.serviceErrorTexts = std::string(texts) != "0";
  if (const char* period = std::getenv("TELLMAR_DIALWICK_MONITOR_MS")) {
    const long ms = std::strtol(period, nullptr, 10);
    if (ms >= 1 && ms <= 86'400'000) options.monitorIntervalMs = static_cast<unsigned>(ms);
  }
  options.commandLine = dialer::ParseCommandLine(dialer::JoinArguments(std::vector<std::string>(argv + 1, argv + argc)));

  Loop loop;
  if (auto ec = loop.OpenChannel("Dialwick")) {
    std::fprintf(stderr, "Dialwick: cannot join the desktop: %s\n", ec.message().c_str());
    return 1;
  }
  dialer::DialwickApp app(loop.io(), std::move(options));
  if (!app.Start()) return 0;
  return loop.Run();
}
