// cvpopd32: the POP3 server. Started with the server directory as working
// directory and no arguments; --version and --help answer and end, any other
// argument is refused (exit code 2) rather than ignored.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/loop.h"
#include "pop3/activity_log.h"
#include "pop3/program.h"

#ifndef TELLMAR_VERSION
#define TELLMAR_VERSION "unknown"
#endif

namespace {

constexpr const char* kHelp =
    "usage: cvpopd32 [--version | --help]\n"
    "\n"
    "Serves the mailboxes of the server directory over POP3. Start it with the\n"
    "server directory as working directory and no arguments; it reads tmhub.ini\n"
    "there ([popsrv] port, bind, timeout, SmtpTimeout; [environment] RunAsService)\n"
    "and writes its activity log to standard output. SIGTERM or SIGINT end it\n"
    "(exit code 0).\n"
    "\n"
    "Exit codes: 0 after a shutdown, 1 when its windows cannot be made,\n"
    "69 when the port is in use or cannot be listened on, 77 without the\n"
    "permission to use the port, 2 for a wrong argument.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
      std::printf("cvpopd32 %s\n", TELLMAR_VERSION);
      return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
      std::fputs(kHelp, stdout);
      return 0;
    }
    std::fprintf(stderr, "cvpopd32: unknown argument '%s'\n", argv[1]);
    std::fputs(kHelp, stderr);
    return 2;
  }
  std::error_code error;
  const std::filesystem::path serverDir = std::filesystem::current_path(error);
  if (error) {
    std::fprintf(stderr, "cvpopd32: cannot determine the working directory\n");
    return 1;
  }
  tellmar::Loop loop;
  tellmar::pop3::StreamLog log(stdout);
  return tellmar::pop3::RunPopServer(loop, serverDir, log);
}
