// cvpopd32: the POP3 server. Started with the server directory as working
// directory, no arguments.
#include <boost/asio/io_context.hpp>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "pop3/activity_log.h"
#include "pop3/program.h"

int main() {
  std::error_code error;
  const std::filesystem::path serverDir = std::filesystem::current_path(error);
  if (error) {
    std::fprintf(stderr, "cvpopd32: cannot determine the working directory\n");
    return 1;
  }
  boost::asio::io_context io(1);
  tellmar::pop3::StreamLog log(stdout);
  return tellmar::pop3::RunPopServer(io, serverDir, log);
}
