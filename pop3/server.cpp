#include "pop3/server.h"

#include "pop3/descriptors.h"
#include "pop3/tls_context.h"

#include <boost/asio/post.hpp>
#include <boost/asio/ssl/stream.hpp>
#include <boost/asio/version.hpp>
#include <boost/asio/write.hpp>

#include <malloc.h>

#include <sys/sendfile.h>

#include <cerrno>
#include <limits>
#include <utility>
#include <vector>

namespace tellmar::pop3 {

namespace asio = boost::asio;
using asio::ip::tcp;
using boost::system::error_code;

// One accepted socket and its session. Handlers hold a shared pointer, so a
// connection closed inside one of its own handlers lives until that handler
// returns; the server forgets it at once.
//
// The connection is plain or TLS. Plain, it reads into a small buffer of its
// own and writes the socket directly, as much as the socket takes. TLS (from
// the first byte, or after STLS), every byte goes through the SSL stream,
// which owns its reads and writes until they complete.
class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(Server& server, tcp::socket socket, std::string peerName, bool secure)
      : server_(server),
        socket_(std::move(socket)),
        timer_(socket_.get_executor()),
        session_(server.context_, std::move(peerName), secure) {}

  Session& session() { return session_; }
  bool closed() const { return closed_; }

  void Begin() {
    // Only a plain connection can hand files to the socket as they are; a
    // session upgraded by STLS stops doing so itself.
    session_.SendFilesAsStored(true);
    if (session_.secure()) {
      // POP3S: the greeting goes out once the handshake is done.
      StartTls([this] {
        session_.Start();
        Pump();
      });
      return;
    }
    session_.Start();
    Pump();
  }

  // Writes what is ready, then reads if the session may take input.
  void Pump() {
    if (closed_ || handshaking_ || shuttingDown_ || HoldingOutput()) return;
    Flush();
    if (closed_) return;
    const bool drained = !writing_ && session_.Pending().empty() && !session_.Producing();
    if (drained && session_.wantsTls()) {
      StartTls([this] {
        session_.TlsStarted();
        Pump();
      });
      return;
    }
    if (drained && session_.closing()) {
      End();
      return;
    }
    // Input is taken while output waits: a client may speak during a transfer.
    StartReading();
  }

  // Ends the socket; the server does the bookkeeping.
  void Shut() {
    closed_ = true;
    error_code ignored;
    timer_.cancel();
    socket_.close(ignored);
    session_.Release();
  }

  std::list<std::shared_ptr<Connection>>::iterator place;

 private:
  using TlsStream = asio::ssl::stream<tcp::socket&>;

  // The answer to a login waits while its address keeps failing.
  bool HoldingOutput() {
    const Millis now = server_.clock_.Now();
    const Millis until = session_.holdUntil();
    if (until <= now) return false;
    if (!holding_) {
      holding_ = true;
      const Millis real = (until - now) / std::max(1, server_.options_.clockScale);
      timer_.expires_after(std::chrono::milliseconds(std::max<Millis>(1, real)));
      timer_.async_wait([self = shared_from_this()](const error_code& error) {
        self->holding_ = false;
        if (error || self->closed_) return;
        self->Pump();
      });
    }
    return true;
  }

  void StartTls(std::function<void()> then) {
    handshaking_ = true;
    timer_.expires_after(kHandshakeTimeout / std::max(1, server_.options_.clockScale));
    timer_.async_wait([self = shared_from_this()](const error_code& error) {
      if (error || self->closed_ || !self->handshaking_) return;
      self->server_.Log("Pop Server: " + self->session_.peerName() + " TLS handshake timed out");
      self->server_.Close(*self);
    });
    // The TLS state (some 80 KB with its buffers) is made only once the
    // client has sent something: a connection that never speaks costs little.
    socket_.async_wait(tcp::socket::wait_read,
                       [self = shared_from_this(), then = std::move(then)](const error_code& error) mutable {
                         if (self->closed_) return;
                         error_code ignored;
                         // Readable with nothing to read: the client has gone.
                         if (error || self->socket_.available(ignored) == 0) {
                           self->server_.Close(*self);
                           return;
                         }
                         self->Handshake(std::move(then));
                       });
  }

  void Handshake(std::function<void()> then) {
    tls_ = std::make_unique<TlsStream>(socket_, *server_.tls_);
    tls_->async_handshake(asio::ssl::stream_base::server,
                          [self = shared_from_this(), then = std::move(then)](const error_code& error) {
                            self->handshaking_ = false;
                            if (self->closed_) return;
                            self->timer_.cancel();
                            self->server_.NoteSocketEvent();
                            if (error) {
                              self->server_.Log("Pop Server: " + self->session_.peerName() +
                                                " TLS handshake failed");
                              self->server_.Close(*self);
                              return;
                            }
                            self->tlsInput_ = std::make_unique<char[]>(kReceiveChunk);
                            then();
                          });
  }

  // The session is over: over TLS, close_notify first, briefly.
  void End() {
    if (!tls_ || reading_) {
      server_.Close(*this);
      return;
    }
    shuttingDown_ = true;
    timer_.expires_after(kTlsShutdownTimeout);
    timer_.async_wait([self = shared_from_this()](const error_code& error) {
      if (error || self->closed_) return;
      self->server_.Close(*self);
    });
    tls_->async_shutdown([self = shared_from_this()](const error_code&) {
      if (self->closed_) return;
      self->server_.Close(*self);
    });
  }

  void StartReading() {
    if (reading_ || closed_ || session_.closing() || session_.InputPaused()) return;
    if (session_.Pending().size() > kMaxUnsentOutput) return;
    reading_ = true;
    if (tls_) {
      tls_->async_read_some(asio::buffer(tlsInput_.get(), kReceiveChunk),
                            [self = shared_from_this()](const error_code& error, std::size_t n) {
                              self->reading_ = false;
                              self->OnTlsInput(error, n);
                            });
      return;
    }
    // A read into the connection's own small buffer rather than a wait for
    // readiness: after a short read the reactor queues the next one without
    // a system call, where a wait re-arms the descriptor every time.
    socket_.async_read_some(asio::buffer(input_),
                            [self = shared_from_this()](const error_code& error, std::size_t n) {
                              self->reading_ = false;
                              self->OnInput(error, self->input_.data(), n);
                            });
  }

  void OnTlsInput(const error_code& error, std::size_t n) { OnInput(error, tlsInput_.get(), n); }

  void OnInput(const error_code& error, const char* data, std::size_t n) {
    if (closed_) return;
    server_.NoteSocketEvent();
    if (error || n == 0) {
      server_.Close(*this);
      return;
    }
    session_.Input(std::string_view(data, n));
    if (session_.failed()) {
      server_.Close(*this);
      return;
    }
    Pump();
  }

  // Over TLS: what is ready goes into a buffer of the connection's own (the
  // session's output may grow while the stream writes) and out in one write.
  void FlushTls() {
    session_.Produce(kOutputTarget);
    if (session_.failed()) {
      server_.Close(*this);
      return;
    }
    const std::string_view pending = session_.Pending();
    if (pending.empty()) return;
    const std::size_t n = std::min(pending.size(), kOutputTarget);
    tlsOutput_.assign(pending.data(), n);
    session_.Consume(n);
    writing_ = true;
    asio::async_write(*tls_, asio::buffer(tlsOutput_),
                      [self = shared_from_this()](const error_code& error, std::size_t) {
                        self->writing_ = false;
                        if (self->closed_) return;
                        self->server_.NoteSocketEvent();
                        if (error) {
                          self->server_.Close(*self);
                          return;
                        }
                        if (self->tlsOutput_.capacity() > kOutputTarget) std::string().swap(self->tlsOutput_);
                        self->Pump();
                      });
  }

  void Flush() {
    if (writing_) return;
    if (tls_) {
      FlushTls();
      return;
    }
    std::size_t budget = kWritePassBytes;
    while (true) {
      session_.Produce(kOutputTarget);
      if (session_.failed()) {
        server_.Close(*this);
        return;
      }
      const std::string_view pending = session_.Pending();
      std::size_t n = 0;
      if (pending.empty()) {
        const std::optional<FileSpan> span = session_.NextFileSpan(budget);
        if (!span) {
          if (session_.failed()) {
            server_.Close(*this);
            return;
          }
          if (session_.Pending().empty() && !session_.Producing()) return;
          continue;
        }
        off_t offset = static_cast<off_t>(span->offset);
        const ssize_t sent = ::sendfile(socket_.native_handle(), span->fd, &offset, span->length);
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
          WaitWritable();
          return;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0) {
          server_.Close(*this);
          return;
        }
        n = static_cast<std::size_t>(sent);
        if (n == 0) {
          session_.FileEnded();
          continue;
        }
        session_.FileSent(n);
      } else {
        error_code error;
        n = socket_.write_some(asio::buffer(pending.data(), pending.size()), error);
        if (error == asio::error::would_block || error == asio::error::try_again) {
          WaitWritable();
          return;
        }
        if (error) {
          server_.Close(*this);
          return;
        }
        session_.Consume(n);
      }
      budget = n >= budget ? 0 : budget - n;
      if (budget == 0) {
        // Give the other sessions a turn before writing more.
        writing_ = true;
        asio::post(socket_.get_executor(), [self = shared_from_this()] {
          self->writing_ = false;
          self->Pump();
        });
        return;
      }
    }
  }

  void WaitWritable() {
    writing_ = true;
    socket_.async_wait(tcp::socket::wait_write,
                       [self = shared_from_this()](const error_code& error) {
                         self->writing_ = false;
                         if (self->closed_) return;
                         self->server_.NoteSocketEvent();
                         if (error) {
                           self->server_.Close(*self);
                           return;
                         }
                         self->Pump();
                       });
  }

  Server& server_;
  tcp::socket socket_;
  // The handshake's and the close_notify's deadline, or the end of a hold.
  asio::steady_timer timer_;
  Session session_;
  std::unique_ptr<TlsStream> tls_;
  std::unique_ptr<char[]> tlsInput_;
  std::array<char, kPlainReceiveChunk> input_;
  std::string tlsOutput_;
  bool reading_ = false;
  bool writing_ = false;
  bool closed_ = false;
  bool handshaking_ = false;
  bool shuttingDown_ = false;
  bool holding_ = false;
};

Server::Server(asio::io_context& io, ServerOptions options, ActivityLog& log, const Clock& clock)
    : io_(io),
      options_(std::move(options)),
      log_(log),
      clock_(clock),
      guard_(clock),
      plain_(io, false),
      secure_(io, true),
      tickTimer_(io),
      acceptTimer_(io) {
  context_.serverDir = options_.serverDir;
  context_.hostName = options_.hostName;
  context_.log = &log_;
  context_.locks = &locks_;
  context_.clock = &clock_;
  context_.modern = options_.settings.modernClients;
  context_.requireTls = options_.settings.requireTls;
  context_.guard = &guard_;
}

Server::~Server() {
  for (auto& c : active_) c->Shut();
}

std::uint16_t Server::port() const {
  error_code error;
  const tcp::endpoint local = plain_.acceptor.local_endpoint(error);
  return error ? 0 : local.port();
}

std::uint16_t Server::securePort() const {
  if (!secure_.acceptor.is_open()) return 0;
  error_code error;
  const tcp::endpoint local = secure_.acceptor.local_endpoint(error);
  return error ? 0 : local.port();
}

std::string Server::Listen(Listener& listener, std::uint16_t port) {
  tcp::acceptor& acceptor = listener.acceptor;
  error_code error;
  acceptor.open(tcp::v4(), error);
  if (error) return "Pop Server: Error creating socket";
  acceptor.set_option(tcp::acceptor::reuse_address(true), error);
  const asio::ip::address_v4 address =
      options_.bindAddress ? asio::ip::address_v4(*options_.bindAddress) : asio::ip::address_v4::any();
  std::string failure;
  acceptor.bind(tcp::endpoint(address, port), error);
  if (error == asio::error::access_denied) {
    failure = "Pop Server: Error - no permission to use port " + std::to_string(port);
    if (!listener.secure) listenFailure_ = ListenFailure::NoPermission;
  } else if (error) {
    failure = "Pop Server: Error - port already in use";
  } else {
    // The kernel caps the backlog at its own maximum.
    acceptor.listen(std::numeric_limits<int>::max(), error);
    if (error) failure = "Pop Server: Error - cant listen";
  }
  if (!failure.empty()) {
    acceptor.close(error);
    return failure;
  }
  acceptor.non_blocking(true, error);
  return {};
}

// Loads the certificate and opens the secure port. Without them the server
// still serves plain connections, and says why in its log.
void Server::StartTls() {
  const PopSettings& s = options_.settings;
  if (!s.TlsConfigured()) return;
  std::string error;
  tls_ = MakeServerTlsContext(s.certFile, s.keyFile, error);
  if (!tls_) {
    Log("Pop Server: TLS not available - " + error);
    return;
  }
  context_.tlsAvailable = true;
  if (s.securePort == 0) return;
  if (const std::string failure = Listen(secure_, s.securePort); !failure.empty()) {
    Log(failure + " (secure port " + std::to_string(s.securePort) + ")");
  }
}

bool Server::Start() {
  Log("Boost.Asio " + std::to_string(BOOST_ASIO_VERSION / 100000) + "." +
      std::to_string(BOOST_ASIO_VERSION / 100 % 1000) + " sockets");
  const std::uint16_t port = options_.settings.port;
  // The secure port first: a client that finds the plain port open finds
  // the secure one too.
  StartTls();
  if (const std::string failure = Listen(plain_, port); !failure.empty()) {
    if (listenFailure_ == ListenFailure::None) listenFailure_ = ListenFailure::Other;
    error_code ignored;
    secure_.acceptor.close(ignored);
    Log(failure);
    return false;
  }
  descriptorLimit_ = DescriptorLimit();
  Accept();

  Log("Pop Server: Waiting for connection on port " + std::to_string(port) + "...");
  if (securePort() != 0) {
    Log("Pop Server: Waiting for secure connections on port " + std::to_string(securePort()) + "...");
  }
  // Says why clients on this machine are refused when the host's own
  // address is not a loopback address.
  if (options_.bindAddress) Log("Pop Server: Listening only on address " + DottedQuad(*options_.bindAddress));
  NoteSocketEvent();

  const PopSettings& s = options_.settings;
  if (s.inactivityTimeout == 0 && s.mailboxTimeout == 0) return true;
  if (!StartTicks()) {
    Log("Pop Server: Could not get timer - no inactivity timeout");
    return true;
  }
  if (s.inactivityTimeout != 0) {
    Log("Pop Server: Inactivity timeout set to " + std::to_string(s.inactivityTimeout) + " seconds");
  }
  if (s.mailboxTimeout != 0) {
    if (s.mailboxTimeout <= 60) {
      Log("Pop Server: Mailbox timeout set to " + std::to_string(s.mailboxTimeout) + " seconds");
    } else {
      Log("Pop Server: Mailbox timeout set to " + std::to_string(s.mailboxTimeout / 60) + " minutes");
    }
  }
  return true;
}

bool Server::StartTicks() {
  if (options_.startTicks) return options_.startTicks(options_.tickPeriod);
  ScheduleTick();
  return true;
}

void Server::ScheduleTick() {
  tickTimer_.expires_after(options_.tickPeriod);
  tickTimer_.async_wait([this](const error_code& error) {
    if (error || stopped_) return;
    Tick();
    if (!stopped_) ScheduleTick();
  });
}

void Server::Tick() {
  if (stopped_) return;
  const Millis now = clock_.Now();
  const PopSettings& s = options_.settings;
  if (s.inactivityTimeout != 0 && (now - lastSocketEvent_) / 1000 > s.inactivityTimeout) {
    Log("Pop Server: Inactivity timeout expired - terminating server");
    Shutdown();
    return;
  }
  if (s.mailboxTimeout == 0) return;
  std::vector<std::shared_ptr<Connection>> expired;
  for (const auto& c : active_) {
    if (c->session().IdleLongerThan(s.mailboxTimeout, now)) expired.push_back(c);
  }
  for (const auto& c : expired) {
    Log("Pop Server: Socket timeout expired - closing socket");
    Close(*c);
  }
}

void Server::Accept() {
  Accept(plain_);
  if (secure_.acceptor.is_open()) Accept(secure_);
}

void Server::Accept(Listener& listener) {
  if (listener.accepting || stopped_) return;
  listener.accepting = true;
  listener.acceptor.async_accept(listener.peer, [this, &listener](const error_code& error, tcp::socket socket) {
    listener.accepting = false;
    OnAccept(listener, error, std::move(socket));
  });
}

void Server::OnAccept(Listener& listener, const error_code& error, tcp::socket socket) {
  if (stopped_ || error == asio::error::operation_aborted) return;
  NoteSocketEvent();
  if (error) {
    const int code = error.value();
    if (code == EMFILE || code == ENFILE || code == ENOBUFS || code == ENOMEM) {
      if ((code == EMFILE || code == ENFILE) && ShedOneIdle(nullptr)) {
        ShedWhileShort(nullptr);
        Accept(listener);
        return;
      }
      // The connection stays queued; retrying now would only spin.
      if (!acceptPaused_) Log("Pop Server: Connection broken");
      PauseAccepting();
    } else {
      Log("Pop Server: Connection broken");
      Accept(listener);
    }
    return;
  }
  acceptPaused_ = false;
  error_code ignored;
  const tcp::endpoint peer = listener.peer;
  socket.non_blocking(true, ignored);
  socket.set_option(tcp::no_delay(true), ignored);
  std::string peerName = peer.address().is_v4() ? peer.address().to_v4().to_string() : "0.0.0.0";
  if (OverAddressCap(peerName, socket)) {
    Accept(listener);
    return;
  }
  Log("Pop Server: " + peerName + " Connected");
  ++perAddress_[peerName];
  auto connection = std::make_shared<Connection>(*this, std::move(socket), std::move(peerName), listener.secure);
  active_.push_back(connection);
  connection->place = std::prev(active_.end());
  ShedWhileShort(connection.get());
  connection->Begin();
  Accept(listener);
}

bool Server::OverAddressCap(const std::string& peerName, tcp::socket& socket) {
  const long long cap = options_.settings.maxPerAddress;
  const auto it = perAddress_.find(peerName);
  if (cap <= 0 || it == perAddress_.end() || it->second < cap) return false;
  Log("Pop Server: " + peerName + " refused - too many connections from this address");
  static constexpr std::string_view kRefusal = "-ERR too many connections from your address\r\n";
  error_code ignored;
  socket.write_some(asio::buffer(kRefusal.data(), kRefusal.size()), ignored);
  socket.close(ignored);
  return true;
}

void Server::ShedWhileShort(const Connection* keep) {
  // Counting is only worth it once sessions could fill the table.
  if (active_.size() + 2 * kDescriptorReserve < descriptorLimit_ / 2) return;
  while (OpenDescriptors() + kDescriptorReserve > descriptorLimit_) {
    if (!ShedOneIdle(keep)) return;
  }
}

bool Server::ShedOneIdle(const Connection* keep) {
  std::shared_ptr<Connection> oldest;
  for (const auto& c : active_) {
    // Not logged in: at the login prompt, or still in its TLS handshake.
    const Session::State state = c->session().state();
    if (c.get() == keep || (state != Session::State::Authorization && state != Session::State::New)) continue;
    if (!oldest || c->session().lastActivity() < oldest->session().lastActivity()) oldest = c;
  }
  if (!oldest) return false;
  Log("Pop Server: Out of descriptors - closing the longest idle connection");
  Close(*oldest);
  return true;
}

void Server::PauseAccepting() {
  acceptPaused_ = true;
  acceptTimer_.expires_after(kAcceptRetryDelay);
  acceptTimer_.async_wait([this](const error_code& error) {
    if (error || stopped_) return;
    Accept();
  });
}

void Server::Close(Connection& connection) {
  if (connection.closed()) return;
  const std::string peer = connection.session().peerName();
  connection.Shut();
  active_.erase(connection.place);
  if (auto it = perAddress_.find(peer); it != perAddress_.end() && --it->second <= 0) perAddress_.erase(it);
  Log("Pop Server: " + peer + " disconnected");
  if (active_.empty()) {
    Log("Pop Server: No current active sessions");
    // Give back to the system what a burst of connections took, once their
    // handlers, queued by now, have let go of them.
    asio::post(io_, [] { malloc_trim(0); });
  }
  if (acceptPaused_ && !stopped_) {
    // A descriptor is free again: take the next queued connection now.
    acceptTimer_.cancel();
    acceptPaused_ = false;
    Accept();
  }
}

void Server::Shutdown() {
  if (stopped_) return;
  stopped_ = true;
  error_code ignored;
  tickTimer_.cancel();
  if (options_.stopTicks) options_.stopTicks();
  Log("Pop Server: Terminated");
  for (auto& c : active_) c->Shut();
  active_.clear();
  perAddress_.clear();
  acceptTimer_.cancel();
  plain_.acceptor.close(ignored);
  secure_.acceptor.close(ignored);
  if (onShutdown) onShutdown();
}

}  // namespace tellmar::pop3
