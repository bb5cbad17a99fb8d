// The listener and the sessions: accepts connections, moves bytes between
// sockets and sessions, checks the timeouts every few seconds and shuts the
// whole server down on request. Runs on the one thread of its io_context.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/steady_timer.hpp>

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "pop3/activity_log.h"
#include "pop3/clock.h"
#include "pop3/host_address.h"
#include "pop3/login_guard.h"
#include "pop3/mailbox_locks.h"
#include "pop3/session.h"
#include "pop3/settings.h"

namespace tellmar::pop3 {

// The timeout check runs this often (divided by the clock scale).
inline constexpr Millis kTickMillis = 3000;
// Bytes received at a time over TLS, as one chunk for the line assembler.
inline constexpr std::size_t kReceiveChunk = 2048;
// The same on a plain connection, into a buffer of the connection's own: a
// command line fits, and an idle session stays small.
inline constexpr std::size_t kPlainReceiveChunk = 512;
// Output kept ready for the socket while a multi-line reply is produced.
inline constexpr std::size_t kOutputTarget = 64 * 1024;
// At most this much is written for one session before others get a turn.
inline constexpr std::size_t kWritePassBytes = 256 * 1024;
// A session whose unsent output exceeds this is not read from until it drains.
inline constexpr std::size_t kMaxUnsentOutput = 1024 * 1024;
// After the process runs out of descriptors, accepting waits this long (or
// until a session ends) instead of retrying at once.
inline constexpr std::chrono::milliseconds kAcceptRetryDelay{100};
// Descriptors kept free for what sessions open (the settings file, mailbox
// folders, messages) and for the desktop channel. When fewer are left, the
// longest idle connections that have not logged in are closed, so that a
// flood of idle connections cannot lock everyone else out.
inline constexpr std::size_t kDescriptorReserve = 32;
// A TLS handshake that has not finished by then is given up, so that a
// client that stops half way holds nothing for long.
inline constexpr std::chrono::milliseconds kHandshakeTimeout{20'000};
// After QUIT over TLS the server says close_notify and waits this long for
// the client's before it closes the socket.
inline constexpr std::chrono::milliseconds kTlsShutdownTimeout{2'000};

struct ServerOptions {
  std::filesystem::path serverDir;
  PopSettings settings;
  std::string hostName;
  std::optional<Ipv4> bindAddress;  // nullopt: every interface
  std::chrono::milliseconds tickPeriod{kTickMillis};
  // The program's own timer for the timeout check (a window timer calling
  // Tick): answers false when no timer can be had. Unset: an Asio timer.
  std::function<bool(std::chrono::milliseconds period)> startTicks;
  std::function<void()> stopTicks;
  // How much faster than real time the clock runs (TELLMAR_POP3_CLOCK_SCALE).
  int clockScale = 1;
};

class Connection;

// Why the listener could not start.
enum class ListenFailure { None, NoPermission, Other };

class Server {
 public:
  Server(boost::asio::io_context& io, ServerOptions options, ActivityLog& log, const Clock& clock);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Opens the listener, logs the waiting line and starts the timeout timer.
  // False (after logging why) when the port cannot be had; listenFailure()
  // then says why.
  bool Start();
  // Closes every session without committing anything and the listener.
  void Shutdown();
  // The timeout check; the timer calls it, tests may too.
  void Tick();

  // Called once the server has shut down, from whatever asked for it.
  std::function<void()> onShutdown;

  std::size_t sessionCount() const { return active_.size(); }
  std::uint16_t port() const;  // the port actually bound
  std::uint16_t securePort() const;  // POP3S; 0 when not listening
  bool stopped() const { return stopped_; }
  ListenFailure listenFailure() const { return listenFailure_; }

 private:
  friend class Connection;

  struct Listener {
    explicit Listener(boost::asio::io_context& io, bool secureFromStart) : acceptor(io), secure(secureFromStart) {}
    boost::asio::ip::tcp::acceptor acceptor;
    bool secure;  // POP3S: TLS from the first byte
    bool accepting = false;
    // The address of the connection being accepted, filled in by the accept
    // itself rather than asked of the socket afterwards.
    boost::asio::ip::tcp::endpoint peer;
  };

  // Opens the listener on `port`; the failure's log text, empty on success.
  std::string Listen(Listener& listener, std::uint16_t port);
  void StartTls();
  void Accept();
  void Accept(Listener& listener);
  void OnAccept(Listener& listener, const boost::system::error_code& error, boost::asio::ip::tcp::socket socket);
  void PauseAccepting();
  // Refuses a connection from an address that holds its share already.
  bool OverAddressCap(const std::string& peerName, boost::asio::ip::tcp::socket& socket);
  // Closes the longest idle session that has not logged in, except `keep`;
  // false when there is none.
  bool ShedOneIdle(const Connection* keep);
  void ShedWhileShort(const Connection* keep);
  bool StartTicks();
  void ScheduleTick();
  void NoteSocketEvent() { lastSocketEvent_ = clock_.Now(); }
  void Close(Connection& connection);
  void Log(const std::string& text) { log_.Line(text); }

  boost::asio::io_context& io_;
  ServerOptions options_;
  ActivityLog& log_;
  const Clock& clock_;
  SessionContext context_;
  MailboxLocks locks_;
  LoginGuard guard_;
  std::unique_ptr<boost::asio::ssl::context> tls_;  // set when a certificate is loaded
  Listener plain_;
  Listener secure_;
  boost::asio::steady_timer tickTimer_;
  boost::asio::steady_timer acceptTimer_;
  bool acceptPaused_ = false;
  bool stopped_ = false;
  ListenFailure listenFailure_ = ListenFailure::None;
  Millis lastSocketEvent_ = 0;
  std::list<std::shared_ptr<Connection>> active_;
  std::map<std::string, long long> perAddress_;  // open connections by peer address
  std::size_t descriptorLimit_ = 0;
};

}  // namespace tellmar::pop3
