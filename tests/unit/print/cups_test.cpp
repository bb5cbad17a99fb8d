// Printing to CUPS queues of a private CUPS server: its own configuration
// directory, a port on 127.0.0.1 and queues that print into /dev/null. It
// needs cupsd and root (the scheduler runs its backends as other users);
// elsewhere the test is skipped and the recording printer stands in.
#include <arpa/inet.h>
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/print/cups_printer.h"
#include "tests/unit/common/temp_dir.h"

extern char** environ;

using namespace tellmar::print;
using tellmar::testing::TempDir;

namespace {

constexpr const char* kCupsd = "/usr/sbin/cupsd";
constexpr const char* kLpadmin = "/usr/sbin/lpadmin";

int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

bool Accepts(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(fd);
  return ok;
}

class PrivateCups : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0 || ::access(kCupsd, X_OK) != 0 || ::access(kLpadmin, X_OK) != 0)
      GTEST_SKIP() << "a private CUPS server needs cupsd, lpadmin and root";
    const auto root = dir_.path();
    for (const char* sub : {"state", "cache", "spool", "tmp", "log"}) std::filesystem::create_directory(root / sub);
    std::filesystem::permissions(root / "tmp", std::filesystem::perms::all);
    std::filesystem::permissions(root / "spool", std::filesystem::perms::all);
    port_ = FreePort();
    std::ofstream(root / "cupsd.conf") << "Listen 127.0.0.1:" << port_ << "\n"
                                       << "LogLevel warn\nDefaultAuthType None\nBrowsing No\n"
                                       << "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                       << "<Policy default>\n  <Limit All>\n    Order allow,deny\n    Allow all\n"
                                       << "  </Limit>\n</Policy>\n";
    std::ofstream(root / "cups-files.conf") << "ServerRoot " << root.string() << "\nStateDir " << (root / "state").string()
                                            << "\nCacheDir " << (root / "cache").string() << "\nRequestRoot "
                                            << (root / "spool").string() << "\nTempDir " << (root / "tmp").string()
                                            << "\nErrorLog " << (root / "log/error_log").string() << "\nAccessLog "
                                            << (root / "log/access_log").string() << "\nPageLog "
                                            << (root / "log/page_log").string() << "\nPrintcap "
                                            << (root / "printcap").string() << "\nFileDevice Yes\n";
    const std::string conf = (root / "cupsd.conf").string(), files = (root / "cups-files.conf").string();
    const char* argv[] = {kCupsd, "-f", "-c", conf.c_str(), "-s", files.c_str(), nullptr};
    ASSERT_EQ(::posix_spawn(&cupsd_, kCupsd, nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!Accepts(port_)) {
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the private cupsd did not start";
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    server_ = "127.0.0.1:" + std::to_string(port_);
    cupsSetServer(server_.c_str());
  }

  void TearDown() override {
    cupsSetServer(nullptr);
    if (cupsd_ > 0) {
      ::kill(cupsd_, SIGTERM);
      ::waitpid(cupsd_, nullptr, 0);
    }
  }

  void AddQueue(const std::string& name, const std::string& options) {
    const std::string command = std::string(kLpadmin) + " -h " + server_ + " -p " + name +
                                " -E -v file:///dev/null " + options + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  TempDir dir_;
  int port_ = 0;
  pid_t cupsd_ = 0;
  std::string server_;
};

}  // namespace

TEST_F(PrivateCups, ListsTheQueuesTakesTheirPaperAndPrintsAJob) {
  AddQueue("tellmar-raw", "");
  AddQueue("tellmar-letter", "-m drv:///sample.drv/generic.ppd -o PageSize=Letter");
  const PrinterList printers = ListCupsPrinters();
  EXPECT_NE(std::find(printers.names.begin(), printers.names.end(), "tellmar-raw"), printers.names.end());
  EXPECT_NE(std::find(printers.names.begin(), printers.names.end(), "tellmar-letter"), printers.names.end());

  CupsPrinter letter("tellmar-letter");
  EXPECT_NEAR(letter.Setup().width, 612, 0.5) << "the queue's default paper";
  EXPECT_NEAR(letter.Setup().height, 792, 0.5);
  EXPECT_GT(letter.Setup().left, 0);
  EXPECT_NEAR(CupsPrinter("tellmar-raw").Setup().width, A4().width, 0.5) << "a queue without paper sizes gets A4";

  CupsPrinter raw("tellmar-raw");
  PageWriter page(raw, "Tellmar email message");
  page.Line("Email message printed from Corvane Tellmar");
  ASSERT_EQ(raw.Print(page.Finish()), "");
  EXPECT_GT(raw.lastJob(), 0);

  CupsPrinter missing("no-such-queue");
  PageWriter nothing(missing, "x");
  nothing.Line("x");
  EXPECT_NE(missing.Print(nothing.Finish()), "") << "a queue that does not exist is an error, not a success";
}
