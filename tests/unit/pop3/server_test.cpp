#include "pop3/server.h"

#include <gtest/gtest.h>

#include <boost/asio/post.hpp>
#include <boost/asio/read_until.hpp>

#include <future>
#include <mutex>
#include <thread>

#include "tests/unit/common/temp_dir.h"

namespace tellmar::pop3 {
namespace {

namespace asio = boost::asio;
using asio::ip::tcp;

struct SharedLog : ActivityLog {
  void Line(std::string_view text) override {
    std::lock_guard<std::mutex> hold(mutex);
    lines.emplace_back(text);
  }
  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> hold(mutex);
    return lines;
  }
  std::mutex mutex;
  std::vector<std::string> lines;
};

// Options for a server of `dir` on a free loopback port.
ServerOptions LoopbackOptions(const std::filesystem::path& dir) {
  ServerOptions options;
  options.serverDir = dir;
  options.settings.port = 0;
  options.bindAddress = 0x7F000001;
  return options;
}

// A server on a loopback port of its own, run on a thread of its own; the
// test talks to it with blocking sockets and runs server calls on its thread.
class ServerTest : public ::testing::Test {
 protected:
  void Launch(PopSettings settings) {
    ServerOptions options = LoopbackOptions(dir_.path());
    settings.port = 0;
    options.settings = settings;
    options.hostName = "host.example";
    options.tickPeriod = std::chrono::hours(1);  // the test ticks by hand
    server_ = std::make_unique<Server>(io_, options, log_, clock_);
    server_->onShutdown = [this] { shutdownCalled_ = true; };
    ASSERT_TRUE(server_->Start());
    thread_ = std::thread([this] { io_.run(); });
  }

  ~ServerTest() override {
    OnServer([this] { server_->Shutdown(); });
    work_.reset();
    if (thread_.joinable()) thread_.join();
  }

  template <typename F>
  void OnServer(F f) {
    if (!thread_.joinable()) return f();
    std::promise<void> done;
    asio::post(io_, [&] {
      f();
      done.set_value();
    });
    ASSERT_EQ(done.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
  }

  // Lets `millis` pass on the clock, then ticks as the server's timer would.
  void TickAfter(int millis) {
    OnServer([this, millis] {
      clock_.Advance(millis);
      server_->Tick();
    });
  }

  tcp::socket Connect() {
    tcp::socket s(client_);
    s.connect(tcp::endpoint(asio::ip::address_v4::loopback(), server_->port()));
    std::string greeting;
    asio::read_until(s, asio::dynamic_buffer(greeting), "\r\n");
    return s;
  }

  static bool ClosedByPeer(tcp::socket& s) {
    char c;
    boost::system::error_code error;
    s.read_some(asio::buffer(&c, 1), error);
    return error == asio::error::eof || error == asio::error::connection_reset;
  }

  testing::TempDir dir_;
  asio::io_context io_;
  std::optional<asio::executor_work_guard<asio::io_context::executor_type>> work_{
      asio::make_work_guard(io_)};
  asio::io_context client_;
  SharedLog log_;
  ManualClock clock_;
  std::unique_ptr<Server> server_;
  std::thread thread_;
  bool shutdownCalled_ = false;
};

TEST_F(ServerTest, IdleSessionsAreClosedTogetherAtOneTick) {
  PopSettings settings;
  settings.mailboxTimeout = 60;
  Launch(settings);
  tcp::socket a = Connect();
  tcp::socket b = Connect();
  TickAfter(60'000);
  EXPECT_EQ(server_->sessionCount(), 2u);
  TickAfter(1'000);
  EXPECT_TRUE(ClosedByPeer(a));
  EXPECT_TRUE(ClosedByPeer(b));
  const auto lines = log_.Lines();
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[0].rfind("Boost.Asio", 0), 0u);
  EXPECT_EQ(lines[1], "Pop Server: Waiting for connection on port 0...");
  EXPECT_EQ(lines[2], "Pop Server: Listening only on address 127.0.0.1");
  EXPECT_EQ(lines[3], "Pop Server: Mailbox timeout set to 60 seconds");
  EXPECT_EQ(lines[4], "Pop Server: 127.0.0.1 Connected");
  EXPECT_EQ(lines[lines.size() - 5], "Pop Server: Socket timeout expired - closing socket");
  EXPECT_EQ(lines[lines.size() - 3], "Pop Server: Socket timeout expired - closing socket");
  EXPECT_EQ(lines[lines.size() - 2], "Pop Server: 127.0.0.1 disconnected");
  EXPECT_EQ(lines.back(), "Pop Server: No current active sessions");
}

TEST_F(ServerTest, InactivityTimeoutTerminatesTheServer) {
  PopSettings settings;
  settings.mailboxTimeout = 120;
  settings.inactivityTimeout = 10;
  Launch(settings);
  TickAfter(10'999);
  EXPECT_FALSE(server_->stopped());
  tcp::socket a = Connect();  // a socket event restarts the count
  TickAfter(10'999);
  TickAfter(1'000);
  EXPECT_TRUE(server_->stopped());
  EXPECT_TRUE(shutdownCalled_);
  EXPECT_TRUE(ClosedByPeer(a));
  const auto lines = log_.Lines();
  EXPECT_EQ(lines[3], "Pop Server: Inactivity timeout set to 10 seconds");
  EXPECT_EQ(lines[4], "Pop Server: Mailbox timeout set to 2 minutes");
  EXPECT_EQ(lines[lines.size() - 2], "Pop Server: Inactivity timeout expired - terminating server");
  EXPECT_EQ(lines.back(), "Pop Server: Terminated");
}

// Servers started by hand, on an io_context nobody runs.
class ServerStartTest : public ::testing::Test {
 protected:
  testing::TempDir dir_;
  asio::io_context io_;
  ManualClock clock_;
  ServerOptions options_ = LoopbackOptions(dir_.path());
};

TEST_F(ServerStartTest, PortInUseAndNoTimeoutsLogged) {
  tcp::acceptor holder(io_, tcp::endpoint(asio::ip::address_v4::loopback(), 0));
  SharedLog log;
  options_.settings.port = holder.local_endpoint().port();
  options_.settings.mailboxTimeout = 0;
  Server busy(io_, options_, log, clock_);
  EXPECT_FALSE(busy.Start());
  EXPECT_EQ(busy.listenFailure(), ListenFailure::Other);
  EXPECT_EQ(log.Lines().back(), "Pop Server: Error - port already in use");

  options_.settings.port = 0;
  SharedLog quiet;
  Server server(io_, options_, quiet, clock_);
  EXPECT_TRUE(server.Start());
  // The description, the waiting line and the address chosen only.
  ASSERT_EQ(quiet.Lines().size(), 3u);
  EXPECT_EQ(quiet.Lines()[1], "Pop Server: Waiting for connection on port 0...");
  EXPECT_EQ(quiet.Lines()[2], "Pop Server: Listening only on address 127.0.0.1");
}

TEST_F(ServerStartTest, TheProgramsTimerRunsTheCheckAndItsLackIsLogged) {
  options_.settings.inactivityTimeout = 30;
  options_.startTicks = [](std::chrono::milliseconds) { return false; };
  SharedLog refused;
  Server without(io_, options_, refused, clock_);
  ASSERT_TRUE(without.Start());
  EXPECT_EQ(refused.Lines().back(), "Pop Server: Could not get timer - no inactivity timeout");

  std::chrono::milliseconds asked{0};
  int stops = 0;
  options_.startTicks = [&](std::chrono::milliseconds period) {
    asked = period;
    return true;
  };
  options_.stopTicks = [&] { ++stops; };
  SharedLog log;
  Server server(io_, options_, log, clock_);
  ASSERT_TRUE(server.Start());
  EXPECT_EQ(asked, std::chrono::milliseconds(kTickMillis));
  EXPECT_EQ(log.Lines().back(), "Pop Server: Mailbox timeout set to 5 minutes");
  server.Shutdown();
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(log.Lines().back(), "Pop Server: Terminated");
}

TEST(BindAddressTest, LoopbackNameServesTheMachinesOwnAddress) {
  const Ipv4 loop = 0x7F000101, lan = 0xC0A80105;
  EXPECT_EQ(ChooseBindAddress(loop, {0x7F000001, lan}), lan);
  EXPECT_EQ(ChooseBindAddress(loop, {0x7F000001}), loop);
  EXPECT_EQ(ChooseBindAddress(lan, {0x0A000001}), lan);
  EXPECT_EQ(ChooseBindAddress(std::nullopt, {lan}), std::nullopt);
  EXPECT_EQ(DottedQuad(lan), "192.168.1.5");
}

}  // namespace
}  // namespace tellmar::pop3
