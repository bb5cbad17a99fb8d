#include "pop3/server.h"

#include "pop3/descriptors.h"

#include <boost/asio/post.hpp>
#include <boost/asio/version.hpp>

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
class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(Server& server, tcp::socket socket, std::string peerName)
      : server_(server), socket_(std::move(socket)), session_(server.context_, std::move(peerName)) {}

  Session& session() { return session_; }
  bool closed() const { return closed_; }

  void Begin() {
    session_.SendFilesAsStored(true);
    session_.Start();
    Pump();
  }

  // Writes what is ready, then reads if the session may take input.
  void Pump() {
    if (closed_) return;
    Flush();
    if (closed_) return;
    if (!writing_ && session_.closing() && session_.Pending().empty() && !session_.Producing()) {
      server_.Close(*this);
      return;
    }
    // Input is taken while output waits: a client may speak during a transfer.
    StartReading();
  }

  // Ends the socket; the server does the bookkeeping.
  void Shut() {
    closed_ = true;
    error_code ignored;
    socket_.close(ignored);
    session_.Release();
  }

  std::list<std::shared_ptr<Connection>>::iterator place;

 private:
  void StartReading() {
    if (reading_ || closed_ || session_.closing() || session_.InputPaused()) return;
    if (session_.Pending().size() > kMaxUnsentOutput) return;
    reading_ = true;
    socket_.async_wait(tcp::socket::wait_read,
                       [self = shared_from_this()](const error_code& error) {
                         self->reading_ = false;
                         self->OnReadable(error);
                       });
  }

  void OnReadable(const error_code& error) {
    if (closed_) return;
    server_.NoteSocketEvent();
    if (error) {
      server_.Close(*this);
      return;
    }
    error_code readError;
    const std::size_t n = socket_.read_some(asio::buffer(server_.receiveBuffer_), readError);
    if (readError == asio::error::would_block || readError == asio::error::try_again) {
      StartReading();
      return;
    }
    if (readError || n == 0) {
      server_.Close(*this);
      return;
    }
    session_.Input(std::string_view(server_.receiveBuffer_.data(), n));
    if (session_.failed()) {
      server_.Close(*this);
      return;
    }
    Pump();
  }

  void Flush() {
    if (writing_) return;
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
  Session session_;
  bool reading_ = false;
  bool writing_ = false;
  bool closed_ = false;
};

Server::Server(asio::io_context& io, ServerOptions options, ActivityLog& log, const Clock& clock)
    : io_(io),
      options_(std::move(options)),
      log_(log),
      clock_(clock),
      acceptor_(io),
      tickTimer_(io),
      acceptTimer_(io) {
  context_.serverDir = options_.serverDir;
  context_.hostName = options_.hostName;
  context_.log = &log_;
  context_.locks = &locks_;
  context_.clock = &clock_;
}

Server::~Server() {
  for (auto& c : active_) c->Shut();
}

std::uint16_t Server::port() const {
  error_code error;
  const tcp::endpoint local = acceptor_.local_endpoint(error);
  return error ? 0 : local.port();
}

bool Server::Start() {
  Log("Boost.Asio " + std::to_string(BOOST_ASIO_VERSION / 100000) + "." +
      std::to_string(BOOST_ASIO_VERSION / 100 % 1000) + " sockets");
  const std::uint16_t port = options_.settings.port;
  error_code error;
  acceptor_.open(tcp::v4(), error);
  if (error) {
    listenFailure_ = ListenFailure::Other;
    Log("Pop Server: Error creating socket");
    return false;
  }
  acceptor_.set_option(tcp::acceptor::reuse_address(true), error);
  const asio::ip::address_v4 address =
      options_.bindAddress ? asio::ip::address_v4(*options_.bindAddress) : asio::ip::address_v4::any();
  std::string failure;
  acceptor_.bind(tcp::endpoint(address, port), error);
  if (error == asio::error::access_denied) {
    failure = "Pop Server: Error - no permission to use port " + std::to_string(port);
    listenFailure_ = ListenFailure::NoPermission;
  } else if (error) {
    failure = "Pop Server: Error - port already in use";
  } else {
    // The kernel caps the backlog at its own maximum.
    acceptor_.listen(std::numeric_limits<int>::max(), error);
    if (error) failure = "Pop Server: Error - cant listen";
  }
  if (!failure.empty()) {
    if (listenFailure_ == ListenFailure::None) listenFailure_ = ListenFailure::Other;
    error_code ignored;
    acceptor_.close(ignored);
    Log(failure);
    return false;
  }
  acceptor_.non_blocking(true, error);
  descriptorLimit_ = DescriptorLimit();
  Accept();

  Log("Pop Server: Waiting for connection on port " + std::to_string(port) + "...");
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
  if (accepting_ || stopped_) return;
  accepting_ = true;
  acceptor_.async_accept([this](const error_code& error, tcp::socket socket) {
    accepting_ = false;
    OnAccept(error, std::move(socket));
  });
}

void Server::OnAccept(const error_code& error, tcp::socket socket) {
  if (stopped_ || error == asio::error::operation_aborted) return;
  NoteSocketEvent();
  if (error) {
    const int code = error.value();
    if (code == EMFILE || code == ENFILE || code == ENOBUFS || code == ENOMEM) {
      if ((code == EMFILE || code == ENFILE) && ShedOneIdle(nullptr)) {
        ShedWhileShort(nullptr);
        Accept();
        return;
      }
      // The connection stays queued; retrying now would only spin.
      if (!acceptPaused_) Log("Pop Server: Connection broken");
      PauseAccepting();
    } else {
      Log("Pop Server: Connection broken");
      Accept();
    }
    return;
  }
  acceptPaused_ = false;
  error_code ignored;
  const tcp::endpoint peer = socket.remote_endpoint(ignored);
  socket.non_blocking(true, ignored);
  socket.set_option(tcp::no_delay(true), ignored);
  std::string peerName = peer.address().is_v4() ? peer.address().to_v4().to_string() : "0.0.0.0";
  if (OverAddressCap(peerName, socket)) {
    Accept();
    return;
  }
  Log("Pop Server: " + peerName + " Connected");
  ++perAddress_[peerName];
  auto connection = std::make_shared<Connection>(*this, std::move(socket), std::move(peerName));
  active_.push_back(connection);
  connection->place = std::prev(active_.end());
  ShedWhileShort(connection.get());
  connection->Begin();
  Accept();
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
    if (c.get() == keep || c->session().state() != Session::State::Authorization) continue;
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
  if (active_.empty()) Log("Pop Server: No current active sessions");
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
  acceptor_.close(ignored);
  if (onShutdown) onShutdown();
}

}  // namespace tellmar::pop3
