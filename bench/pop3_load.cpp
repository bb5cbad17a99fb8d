// The POP3 load client of the benchmark, and the machine's own limits to
// hold a server's figures against. Every mode prints one line of key=value
// pairs; bench/pop3_bench.py runs the modes and builds the table.
//
//   pop3_load login PORT USERS C SECONDS        sessions of USER, PASS, STAT, LIST, QUIT
//   pop3_load retr PORT USERS C SECONDS|once    sessions of USER, PASS, RETR 1, QUIT
//   pop3_load idle PORT USERS BASE ROUNDS       holds a session per user, then NOOPs
//   pop3_load bigbox PORT USER DELETE           one big mailbox: login, LIST, DELE, QUIT
//   pop3_load bare PORT                         a bare server answering the login dialogue
//   pop3_load sendfile FILE SECONDS             sendfile of FILE over loopback TCP
//
// USERS is "prefix:count": users prefix0000 .. prefix(count-1), four digits.
// Every password is PASSWORD below. The client runs C connections on one
// thread with epoll, sends one command at a time (no pipelining) and checks
// every status line for "+OK"; a multi-line reply is read to its final
// "." line. Each figure comes with the client's own CPU time, so a run whose
// client was the limit shows it.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kPassword = "Bench-pw1";

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "pop3_load: %s\n", what.c_str());
  std::exit(1);
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<std::string> Users(const std::string& pattern) {
  const std::size_t colon = pattern.rfind(':');
  if (colon == std::string::npos) return {pattern};
  const int count = std::atoi(pattern.c_str() + colon + 1);
  std::vector<std::string> users;
  for (int i = 0; i < count; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%04d", pattern.substr(0, colon).c_str(), i);
    users.emplace_back(name);
  }
  return users;
}

sockaddr_in Loopback(int port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return addr;
}

int Connect(int port, bool blocking) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | (blocking ? 0 : SOCK_NONBLOCK), 0);
  if (fd < 0) Fail("socket: " + std::string(std::strerror(errno)));
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  sockaddr_in addr = Loopback(port);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 && errno != EINPROGRESS) {
    Fail("connect: " + std::string(std::strerror(errno)));
  }
  return fd;
}

void WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail("write: " + std::string(std::strerror(errno)));
    done += static_cast<std::size_t>(n);
  }
}

// Reads one reply: the status line, and for a multi-line reply every line up
// to the final "." line. Tracks the last bytes so the end is found across
// reads without keeping the data.
class ReplyReader {
 public:
  void Begin(bool multi) {
    multi_ = multi;
    status_.clear();
    statusDone_ = false;
    tail_ = "\r\n";  // the status line's end
    bytes_ = 0;
  }
  // Takes received bytes; true once the reply is complete.
  bool Take(const char* data, std::size_t size) {
    bytes_ += size;
    std::size_t pos = 0;
    if (!statusDone_) {
      const void* lf = std::memchr(data, '\n', size);
      const std::size_t end = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) + 1 : size;
      status_.append(data, end);
      if (!lf) return false;
      statusDone_ = true;
      pos = end;
      if (!multi_ || !ok()) return true;
    }
    // The final line is "." CR LF after a line end. Nothing follows it (no
    // pipelining), and dot-stuffing keeps it out of the lines before, so
    // only the end of what has arrived is looked at.
    const std::size_t keep = std::min<std::size_t>(size - pos, 5);
    tail_.append(data + size - keep, keep);
    if (tail_.size() > 5) tail_.erase(0, tail_.size() - 5);
    return tail_.size() == 5 && tail_ == "\r\n.\r\n";
  }

  bool ok() const { return status_.compare(0, 3, "+OK") == 0; }
  const std::string& status() const { return status_; }
  std::uint64_t bytes() const { return bytes_; }

 private:
  bool multi_ = false;
  bool statusDone_ = false;
  std::string status_, tail_;
  std::uint64_t bytes_ = 0;
};

// A blocking request: sends `command` (none for the greeting) and reads the reply.
std::string Ask(int fd, const std::string& command, bool multi = false, std::uint64_t* bytes = nullptr) {
  if (!command.empty()) WriteAll(fd, command + "\r\n");
  ReplyReader reader;
  reader.Begin(multi);
  static char buffer[1 << 16];
  while (true) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail("connection closed waiting for the reply to " + command);
    if (reader.Take(buffer, static_cast<std::size_t>(n))) break;
  }
  if (!reader.ok()) Fail(command + ": " + reader.status());
  if (bytes) *bytes += reader.bytes();
  return reader.status();
}

// Many sessions on one thread, each running the same dialogue with its own
// user, again and again until the deadline (or once each).
class Engine {
 public:
  struct Step {
    std::string command;  // "USER" and "PASS" take the session's user and password
    bool multi = false;
  };

  Engine(int port, std::vector<std::string> users, std::vector<Step> steps)
      : port_(port), users_(std::move(users)), steps_(std::move(steps)) {}

  // Returns the sessions completed.
  long Run(std::size_t concurrency, double seconds, bool once) {
    epoll_ = epoll_create1(0);
    conns_.resize(concurrency);
    deadline_ = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    once_ = once;
    for (std::size_t i = 0; i < concurrency; ++i) Open(i);
    std::vector<epoll_event> events(1024);
    static char buffer[1 << 18];
    while (open_ > 0) {
      const int n = epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), 1000);
      for (int e = 0; e < n; ++e) {
        const std::size_t i = events[static_cast<std::size_t>(e)].data.u64;
        Conn& c = conns_[i];
        while (true) {
          const ssize_t got = ::read(c.fd, buffer, sizeof buffer);
          if (got < 0 && (errno == EAGAIN || errno == EINTR)) break;
          if (got <= 0) Fail("server closed a session at step " + std::to_string(c.step));
          if (c.reader.Take(buffer, static_cast<std::size_t>(got))) {
            Next(i);
            break;
          }
        }
      }
    }
    ::close(epoll_);
    return completed_;
  }

  std::uint64_t bytes() const { return bytes_; }
  double worstSession() const { return worst_; }

 private:
  struct Conn {
    int fd = -1;
    int step = -1;  // -1: the greeting
    ReplyReader reader;
    Clock::time_point started;
  };

  void Open(std::size_t i) {
    Conn& c = conns_[i];
    c.fd = Connect(port_, false);
    c.step = -1;
    c.started = Clock::now();
    c.reader.Begin(false);
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = i;
    epoll_ctl(epoll_, EPOLL_CTL_ADD, c.fd, &ev);
    ++open_;
  }

  void Next(std::size_t i) {
    Conn& c = conns_[i];
    if (!c.reader.ok()) {
      Fail("reply " + std::to_string(c.step) + ": " + c.reader.status());
    }
    bytes_ += c.reader.bytes();
    ++c.step;
    if (c.step == static_cast<int>(steps_.size())) {
      ::close(c.fd);
      --open_;
      ++completed_;
      worst_ = std::max(worst_, Since(c.started));
      if (!once_ && Clock::now() < deadline_) Open(i);
      return;
    }
    const Step& step = steps_[static_cast<std::size_t>(c.step)];
    std::string line = step.command;
    if (line == "USER") line += " " + users_[i % users_.size()];
    if (line == "PASS") line += std::string(" ") + kPassword;
    line += "\r\n";
    c.reader.Begin(step.multi);
    if (::write(c.fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) Fail("short write");
  }

  int port_;
  std::vector<std::string> users_;
  std::vector<Step> steps_;
  std::vector<Conn> conns_;
  int epoll_ = -1;
  int open_ = 0;
  long completed_ = 0;
  std::uint64_t bytes_ = 0;
  double worst_ = 0;
  bool once_ = false;
  Clock::time_point deadline_;
};

void Report(const char* mode, long sessions, double seconds, std::uint64_t bytes, double cpu, double worst) {
  std::printf("mode=%s sessions=%ld seconds=%.3f rate=%.1f mb_per_s=%.1f client_cpu=%.3f worst_session_s=%.4f\n",
              mode, sessions, seconds, static_cast<double>(sessions) / seconds,
              static_cast<double>(bytes) / seconds / 1e6, cpu / seconds, worst);
}

int RunEngine(const char* mode, int port, const std::string& users, std::size_t concurrency,
              const std::string& duration, std::vector<Engine::Step> steps) {
  const bool once = duration == "once";
  Engine engine(port, Users(users), std::move(steps));
  const double cpu0 = CpuSeconds();
  const auto start = Clock::now();
  const long sessions = engine.Run(concurrency, once ? 0 : std::atof(duration.c_str()), once);
  const double seconds = Since(start);
  Report(mode, sessions, seconds, engine.bytes(), CpuSeconds() - cpu0, engine.worstSession());
  return 0;
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

// Logs a session in per user and holds them all, in two steps so that the
// server's memory can be read at each: after the first `base` sessions
// (each has answered a NOOP) it prints "mode=idle_base" and waits for a line
// on standard input; then it logs in the rest and NOOPs through all of them,
// one at a time, `rounds` times, reports the latencies and waits for another
// line before closing.
void WaitForLine() {
  char line[16];
  if (std::fgets(line, sizeof line, stdin) == nullptr) {
  }
}

int LogIn(int port, const std::string& user) {
  const int fd = Connect(port, true);
  Ask(fd, "");
  Ask(fd, "USER " + user);
  Ask(fd, std::string("PASS ") + kPassword);
  return fd;
}

int Idle(int port, const std::string& users, std::size_t base, int rounds) {
  const std::vector<std::string> names = Users(users);
  std::vector<int> fds;
  for (std::size_t i = 0; i < std::min(base, names.size()); ++i) fds.push_back(LogIn(port, names[i]));
  for (const int fd : fds) Ask(fd, "NOOP");
  std::printf("mode=idle_base sessions=%zu\n", fds.size());
  std::fflush(stdout);
  WaitForLine();
  const auto start = Clock::now();
  for (std::size_t i = fds.size(); i < names.size(); ++i) fds.push_back(LogIn(port, names[i]));
  const double opening = Since(start);
  std::vector<double> micros;
  for (int r = 0; r < rounds; ++r) {
    for (const int fd : fds) {
      const auto t = Clock::now();
      Ask(fd, "NOOP");
      micros.push_back(Since(t) * 1e6);
    }
  }
  std::printf("mode=idle sessions=%zu open_s=%.2f noop_p50_us=%.1f noop_p99_us=%.1f\n", fds.size(), opening,
              Percentile(micros, 0.5), Percentile(micros, 0.99));
  std::fflush(stdout);
  WaitForLine();
  for (const int fd : fds) ::close(fd);
  return 0;
}

// One mailbox of many messages: the time to the first reply of STAT after
// USER, a LIST of all, and DELE of the first `toDelete` with QUIT.
int BigBox(int port, const std::string& user, int toDelete) {
  const int fd = Connect(port, true);
  Ask(fd, "");
  auto start = Clock::now();
  Ask(fd, "USER " + user);
  Ask(fd, std::string("PASS ") + kPassword);
  const std::string stat = Ask(fd, "STAT");
  const double login = Since(start);
  start = Clock::now();
  std::uint64_t bytes = 0;
  Ask(fd, "LIST", true, &bytes);
  const double list = Since(start);
  start = Clock::now();
  for (int n = 1; n <= toDelete; ++n) Ask(fd, "DELE " + std::to_string(n));
  const double dele = Since(start);
  start = Clock::now();
  Ask(fd, "QUIT");
  char c;
  while (::read(fd, &c, 1) > 0) {
  }
  const double quit = Since(start);
  ::close(fd);
  std::printf("mode=bigbox stat=\"%s\" login_stat_s=%.4f list_s=%.4f list_bytes=%llu dele_s=%.4f quit_s=%.4f\n",
              stat.substr(0, stat.size() - 2).c_str(), login, list, static_cast<unsigned long long>(bytes), dele,
              quit);
  return 0;
}

// The least a POP3 server can do for the login dialogue: accept, greet,
// answer each line with a fixed reply, close after QUIT. Reports its CPU
// time when stopped by SIGTERM.
volatile sig_atomic_t stopBare = 0;

int Bare(int port) {
  signal(SIGTERM, [](int) { stopBare = 1; });
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
  const int one = 1;
  ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr = Loopback(port);
  if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listener, 4096) != 0) {
    Fail("bare: cannot listen");
  }
  const int ep = epoll_create1(0);
  epoll_event ev{};
  ev.events = EPOLLIN;
  ev.data.fd = listener;
  epoll_ctl(ep, EPOLL_CTL_ADD, listener, &ev);
  static const std::string kGreeting = "+OK bare server ready\r\n", kOk = "+OK\r\n", kBye = "+OK bye\r\n";
  static const std::string kList = "+OK 10 messages (15000 octets)\r\n1 1500\r\n2 1500\r\n3 1500\r\n4 1500\r\n"
                                   "5 1500\r\n6 1500\r\n7 1500\r\n8 1500\r\n9 1500\r\n10 1500\r\n.\r\n";
  const double cpu0 = CpuSeconds();
  long sessions = 0;
  std::vector<epoll_event> events(256);
  char buffer[4096];
  while (!stopBare) {
    const int n = epoll_wait(ep, events.data(), static_cast<int>(events.size()), 200);
    for (int e = 0; e < n; ++e) {
      const int fd = events[static_cast<std::size_t>(e)].data.fd;
      if (fd == listener) {
        int client;
        while ((client = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK)) >= 0) {
          ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
          epoll_event cev{};
          cev.events = EPOLLIN;
          cev.data.fd = client;
          epoll_ctl(ep, EPOLL_CTL_ADD, client, &cev);
          if (::write(client, kGreeting.data(), kGreeting.size()) < 0) {
          }
        }
        continue;
      }
      const ssize_t got = ::read(fd, buffer, sizeof buffer);
      if (got <= 0) {
        ::close(fd);
        continue;
      }
      // One command per read: the client never pipelines.
      const std::string_view line(buffer, static_cast<std::size_t>(got));
      const auto is = [&line](const char* word) { return line.compare(0, 4, word) == 0; };
      const std::string& reply = is("LIST") ? kList : is("QUIT") ? kBye : kOk;
      if (::write(fd, reply.data(), reply.size()) < 0) {
      }
      if (is("QUIT")) {
        ::close(fd);
        ++sessions;
      }
    }
  }
  std::printf("mode=bare sessions=%ld server_cpu_s=%.3f\n", sessions, CpuSeconds() - cpu0);
  return 0;
}

// The loopback ceiling for RETR: the file sent with sendfile over TCP to a
// reader that reads and drops, again and again for `seconds`.
int SendfileLimit(const char* path, double seconds) {
  const int file = ::open(path, O_RDONLY);
  if (file < 0) Fail(std::string("cannot open ") + path);
  struct stat st {};
  fstat(file, &st);
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr = Loopback(0);
  socklen_t len = sizeof addr;
  if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listener, 1) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    Fail("sendfile: cannot listen");
  }
  std::uint64_t received = 0;
  std::thread reader([&] {
    const int fd = Connect(ntohs(addr.sin_port), true);
    static char buffer[1 << 20];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) received += static_cast<std::uint64_t>(n);
    ::close(fd);
  });
  const int out = ::accept(listener, nullptr, nullptr);
  const double cpu0 = CpuSeconds();
  const auto start = Clock::now();
  int copies = 0;
  while (Since(start) < seconds) {
    off_t offset = 0;
    while (offset < st.st_size) {
      if (::sendfile(out, file, &offset, static_cast<std::size_t>(st.st_size - offset)) <= 0) Fail("sendfile");
    }
    ++copies;
  }
  ::close(out);
  reader.join();
  const double elapsed = Since(start);
  std::printf("mode=sendfile copies=%d seconds=%.3f mb_per_s=%.1f cpu=%.3f\n", copies, elapsed,
              static_cast<double>(received) / elapsed / 1e6, (CpuSeconds() - cpu0) / elapsed);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  const std::vector<std::string> a(argv + 1, argv + argc);
  const auto need = [&a](std::size_t n) {
    if (a.size() < n) Fail("see the usage at the top of bench/pop3_load.cpp");
  };
  need(1);
  if (a[0] == "login") {
    need(5);
    return RunEngine("login", std::atoi(a[1].c_str()), a[2], std::stoul(a[3]), a[4],
                     {{"USER"}, {"PASS"}, {"STAT"}, {"LIST", true}, {"QUIT"}});
  }
  if (a[0] == "retr") {
    need(5);
    return RunEngine("retr", std::atoi(a[1].c_str()), a[2], std::stoul(a[3]), a[4],
                     {{"USER"}, {"PASS"}, {"RETR 1", true}, {"QUIT"}});
  }
  if (a[0] == "idle") {
    need(5);
    return Idle(std::atoi(a[1].c_str()), a[2], std::stoul(a[3]), std::atoi(a[4].c_str()));
  }
  if (a[0] == "bigbox") {
    need(4);
    return BigBox(std::atoi(a[1].c_str()), a[2], std::atoi(a[3].c_str()));
  }
  if (a[0] == "bare") {
    need(2);
    return Bare(std::atoi(a[1].c_str()));
  }
  if (a[0] == "sendfile") {
    need(3);
    return SendfileLimit(a[1].c_str(), std::atof(a[2].c_str()));
  }
  Fail("unknown mode " + a[0]);
}
