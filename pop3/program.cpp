#include "pop3/program.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/operator.h"
#include "pop3/descriptors.h"
#include "pop3/server.h"
#include "pop3/server_windows.h"
#include "pop3/settings.h"

namespace tellmar::pop3 {

namespace {

constexpr const char* kProgramName = "cvpopd32";

int ClockScale() {
  const char* text = std::getenv(kClockScaleVariable);
  if (text == nullptr) return 1;
  const int scale = std::atoi(text);
  return scale > 0 ? scale : 1;
}

class PopProgram {
 public:
  PopProgram(Loop& loop, std::filesystem::path serverDir, ActivityLog& out)
      : loop_(loop),
        serverDir_(std::move(serverDir)),
        settings_(ReadPopSettings(serverDir_)),
        clock_(ClockScale()),
        windows_(settings_.serviceMode, {[this] { Disconnect(); }, [this] { Tick(); }}) {
    log_.Add(out);
    log_.Add(windows_.log());
  }

  int Run() {
    // The loop's operator follows TELLMAR_OPERATOR; a service has nobody
    // to answer a box, whatever the environment says.
    if (settings_.serviceMode) loop_.SetOperator(MakeUnattendedOperator());
    if (const int code = windows_.Create(); code != 0) return code;
    loop_.SetMainWindow(windows_.mainWindow());
    if (!windows_.CreateSocketWindow()) {
      windows_.Close();
      return kListenFailedExit;
    }
    server_ = std::make_unique<Server>(loop_.io(), Options(), log_, clock_);
    server_->onShutdown = [this] { windows_.Close(); };
    if (!server_->Start()) {
      windows_.Close();
      return server_->listenFailure() == ListenFailure::NoPermission ? kNoPermissionExit
                                                                     : kListenFailedExit;
    }
    return loop_.Run();
  }

 private:
  ServerOptions Options() {
    ServerOptions options;
    options.serverDir = serverDir_;
    options.settings = settings_;
    const HostIdentity host = LookUpHost();
    options.hostName = host.name;
    if (settings_.bindHostAddress) options.bindAddress = ChooseBindAddress(host.resolved, LocalAddresses());
    options.clockScale = clock_.scale();
    options.tickPeriod = std::chrono::milliseconds(kTickMillis / clock_.scale());
    if (options.tickPeriod.count() < 1) options.tickPeriod = std::chrono::milliseconds(1);
    options.startTicks = [this](std::chrono::milliseconds period) {
      return windows_.StartTimer(static_cast<unsigned>(period.count()));
    };
    options.stopTicks = [this] { windows_.StopTimer(); };
    return options;
  }

  void Disconnect() {
    if (server_ && !server_->stopped())
      server_->Shutdown();  // which closes the windows when done
    else
      windows_.Close();
  }

  void Tick() {
    if (server_) server_->Tick();
  }

  Loop& loop_;
  std::filesystem::path serverDir_;
  PopSettings settings_;
  SteadyClock clock_;
  FanoutLog log_;
  ServerWindows windows_;
  std::unique_ptr<Server> server_;  // goes before the windows
};

}  // namespace

int RunPopServer(Loop& loop, const std::filesystem::path& serverDir, ActivityLog& log) {
  // A peer that has gone away must fail a write, not end the process.
  std::signal(SIGPIPE, SIG_IGN);
  // Every connection costs a descriptor: take all the system allows.
  RaiseDescriptorLimit();
  // Other programs find the server on the desktop; without one it still
  // serves, and signals still shut it down.
  if (const std::error_code error = loop.OpenChannel(kProgramName)) {
    std::fprintf(stderr, "%s: cannot join the desktop: %s\n", kProgramName, error.message().c_str());
    loop.HandleSignals();
  }
  PopProgram program(loop, serverDir, log);
  return program.Run();
}

}  // namespace tellmar::pop3
