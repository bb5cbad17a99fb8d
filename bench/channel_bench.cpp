// The cross-process channel against a plain Unix-socket echo, measured in
// the same run: a send whose handler reads the sender's slot before it
// answers (two round trips on the channel), and the memory of a program
// holding 1,000 hidden windows.
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/loop.h"
#include "platform/window.h"

using namespace tellmar;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 5000;
constexpr int kWarmUp = 200;
constexpr UINT kRegister = WM_USER + 1;
constexpr UINT kReadSlot = WM_USER + 2;

struct Stats {
  double median = 0, p99 = 0;
};

Stats Summarise(std::vector<double> micros) {
  std::sort(micros.begin(), micros.end());
  return Stats{micros[micros.size() / 2], micros[micros.size() * 99 / 100]};
}

Stats EchoBaseline() {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) std::exit(1);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    char buffer[64];
    for (;;) {
      const ssize_t n = ::read(fds[1], buffer, sizeof buffer);
      if (n <= 0 || ::write(fds[1], buffer, static_cast<std::size_t>(n)) != n) _exit(0);
    }
  }
  ::close(fds[1]);
  std::vector<double> times;
  char buffer[64] = "slot text";
  for (int i = 0; i < kRounds + kWarmUp; ++i) {
    const auto start = Clock::now();
    if (::write(fds[0], buffer, 33) != 33 || ::read(fds[0], buffer, 33) != 33) std::exit(1);
    if (i >= kWarmUp) times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  ::close(fds[0]);
  ::waitpid(child, nullptr, 0);
  return Summarise(times);
}

int Peer() {
  Loop loop;
  if (loop.OpenChannel("bench-peer")) return 1;
  HWND slot = 0;
  RegisterClass({"BenchPeer", [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                   if (m == kRegister) slot = static_cast<HWND>(w);
                   if (m == kReadSlot) return static_cast<LRESULT>(GetWindowText(slot).size());
                   if (m == WM_DESTROY) PostQuitMessage(0);
                   return DefWindowProc(h, m, w, l);
                 }});
  loop.SetMainWindow(CreateWindow("BenchPeer", "Bench Peer", 0, 0, 0, 1, 1));
  return loop.Run();
}

Stats ChannelSends(pid_t& peer) {
  peer = ::fork();
  if (peer == 0) _exit(Peer());
  Loop loop;
  if (loop.OpenChannel("bench")) std::exit(1);
  HWND target = 0;
  loop.PumpUntil([&] { return (target = FindWindow("BenchPeer", "Bench Peer")) != 0; }, std::chrono::seconds(10));
  if (target == 0) std::exit(1);
  const HWND slot = CreateWindow("Edit", "slot text", 0, 0, 0, 1, 1);
  SendMessage(target, kRegister, static_cast<WPARAM>(slot));
  std::vector<double> times;
  for (int i = 0; i < kRounds + kWarmUp; ++i) {
    const auto start = Clock::now();
    if (SendMessage(target, kReadSlot) != 9) std::exit(1);
    if (i >= kWarmUp) times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  return Summarise(times);
}

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

int main() {
  char pattern[] = "/tmp/tmbench-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) return 1;
  ::setenv("TELLMAR_DESKTOP", pattern, 1);

  const Stats echo = EchoBaseline();
  pid_t peer = -1;
  const Stats channel = ChannelSends(peer);
  ::kill(peer, SIGTERM);
  ::waitpid(peer, nullptr, 0);
  std::printf("send with a slot read inside: median %.1f us, p99 %.1f us\n", channel.median, channel.p99);
  std::printf("unix-socket echo baseline:    median %.1f us, p99 %.1f us\n", echo.median, echo.p99);
  std::printf("ratio (send / echo):          median %.1fx, p99 %.1fx\n", channel.median / echo.median,
              channel.p99 / echo.p99);

  {
    Loop loop;
    const long before = ResidentKiB();
    std::vector<HWND> windows;
    for (int i = 0; i < 1000; ++i) windows.push_back(CreateWindow("Edit", "hidden slot text", 0, 0, 0, 20, 20));
    const long after = ResidentKiB();
    std::printf("1,000 hidden windows: %ld KiB resident (%.2f KiB each), %.2fx the program without them\n", after,
                static_cast<double>(after - before) / 1000.0, static_cast<double>(after) / static_cast<double>(before));
  }
  std::filesystem::remove_all(pattern);
  return 0;
}
