// cvpopd32: the POP3 server. Started with the server directory as working
// directory, no arguments.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/loop.h"
#include "pop3/activity_log.h"
#include "pop3/program.h"

int main() {
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
