// tmdesk: the browser desktop. Joins the desktop's channel, watches every
// program on it, and serves the page that shows them on 127.0.0.1:8110
// (--port PORT, or --listen ADDR:PORT). With --server DIR its start menu
// starts the programs of that server directory that are not running. Prints the page's address with its
// access token. The token is kept in the desktop directory, so a page stays
// connected across restarts of tmdesk.
#include <sys/stat.h>

#include <boost/asio/steady_timer.hpp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/channel.h"
#include "platform/desktop.h"
#include "platform/loop.h"
#include "ui/web/desk_server.h"
#include "ui/web/desk_view.h"
#include "ui/web/template_views.h"

namespace {

namespace asio = boost::asio;
using tellmar::web::DeskServer;
using tellmar::web::DesktopWatcher;

// How often each program's change count is asked for.
constexpr auto kWatchInterval = std::chrono::milliseconds(40);

std::string StoredToken(const std::filesystem::path& desktop) {
  const auto file = desktop / "tmdesk.token";
  std::ifstream in(file);
  std::string token;
  if (in >> token && token.size() == 32) return token;
  token = tellmar::web::MakeAccessToken();
  std::ofstream out(file, std::ios::trunc);
  out << token << "\n";
  ::chmod(file.c_str(), 0600);
  return token;
}

int Usage() {
  std::fputs("usage: tmdesk [--port PORT | --listen ADDR:PORT] [--server DIR]\n       tmdesk --templates FILE.tmr...\n", stderr);
  return 2;
}

// tmdesk --templates FILE...: every dialog of the files as the page draws it.
int PrintTemplates(int count, char** files) {
  tellmar::Loop loop;
  std::vector<std::string> errors;
  const auto views = tellmar::web::TemplateViews(std::vector<std::string>(files, files + count), errors);
  for (const std::string& e : errors) std::fprintf(stderr, "tmdesk: %s\n", e.c_str());
  std::puts(views.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  return errors.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--templates") == 0) return PrintTemplates(argc - 2, argv + 2);
  std::string address = "127.0.0.1";
  unsigned long port = 8110;
  std::string serverDir;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--port" && i + 1 < argc) {
      port = std::strtoul(argv[++i], nullptr, 10);
    } else if (arg == "--server" && i + 1 < argc) {
      serverDir = argv[++i];
    } else if (arg == "--listen" && i + 1 < argc) {
      const std::string value = argv[++i];
      const auto colon = value.rfind(':');
      if (colon == std::string::npos) return Usage();
      address = value.substr(0, colon);
      port = std::strtoul(value.c_str() + colon + 1, nullptr, 10);
    } else {
      return Usage();
    }
  }
  if (port > 65535) return Usage();

  tellmar::Loop loop;
  if (auto ec = loop.OpenChannel("tmdesk")) {
    std::fprintf(stderr, "tmdesk: cannot join the desktop: %s\n", ec.message().c_str());
    return 1;
  }
  const std::string token = StoredToken(loop.channel()->directory());
  DesktopWatcher watcher(token);
  if (!serverDir.empty()) {
    std::error_code fsError;
    const auto dir = std::filesystem::canonical(serverDir, fsError);
    if (fsError || !std::filesystem::is_directory(dir)) {
      std::fprintf(stderr, "tmdesk: not a directory: %s\n", serverDir.c_str());
      return 2;
    }
    // The start menu's programs are the ones installed beside tmdesk.
    const auto self = std::filesystem::read_symlink("/proc/self/exe", fsError);
    watcher.SetServer(dir.string(), fsError ? std::string(".") : self.parent_path().string());
  }

  boost::system::error_code ec;
  const auto ip = asio::ip::make_address(address, ec);
  if (ec) {
    std::fprintf(stderr, "tmdesk: not an address: %s\n", address.c_str());
    return 2;
  }
  std::unique_ptr<DeskServer> server;
  try {
    server = std::make_unique<DeskServer>(
        loop.io(), asio::ip::tcp::endpoint(ip, static_cast<unsigned short>(port)),
        tellmar::web::DeskSource{[&] { return watcher.View(); },
                                 [&](const nlohmann::json& action) {
                                   auto answer = watcher.Act(action);
                                   if (watcher.Refresh()) server->NotifyChanged();
                                   return answer;
                                 }},
        token);
  } catch (const boost::system::system_error& e) {
    std::fprintf(stderr, "tmdesk: cannot listen on %s:%lu: %s\n", address.c_str(), port, e.what());
    return 1;
  }
  if (!ip.is_loopback()) {
    std::fprintf(stderr,
                 "tmdesk: WARNING: listening on %s, not on this machine's loopback address: anyone who can reach "
                 "it and has the token can drive these programs.\n",
                 address.c_str());
  }
  std::printf("tmdesk: http://%s:%u/?token=%s\n", address.c_str(), server->endpoint().port(), token.c_str());
  std::fflush(stdout);

  asio::steady_timer timer(loop.io());
  std::function<void()> watch = [&] {
    if (watcher.Refresh()) server->NotifyChanged();
    timer.expires_after(kWatchInterval);
    timer.async_wait([&](const boost::system::error_code& e) {
      if (!e) watch();
    });
  };
  watch();
  const int code = loop.Run();
  server.reset();
  return code;
}
