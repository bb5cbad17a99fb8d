// message_print_sample: a test-only program that prints the messages named
// on its command line as F7-Print of the mail administration window does:
// the print dialog, then "Auto Printing", then one document per message.
// It says "printed" on standard output and ends when the command is done.
//
//   message_print_sample MESSAGE...
#include <boost/asio/post.hpp>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "admin/mailview/message_print.h"
#include "platform/loop.h"

using namespace tellmar;

int main(int argc, char** argv) {
  const std::vector<std::filesystem::path> messages(argv + 1, argv + argc);
  Loop loop;
  if (auto error = loop.OpenChannel("message_print_sample")) {
    std::fprintf(stderr, "message_print_sample: cannot join the desktop: %s\n", error.message().c_str());
    return 1;
  }
  boost::asio::post(loop.io(), [&] {
    admin::mailview::PrintMessages(0, messages);
    std::puts("printed");
    std::fflush(stdout);
    loop.Quit(0);
  });
  return loop.Run();
}
