#include "platform/channel.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <boost/asio/posix/stream_descriptor.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <cerrno>
#include <cstring>

#include "platform/automation.h"
#include "platform/handles.h"
#include "platform/loop.h"

namespace tellmar {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kListenBacklog = 64;
constexpr std::chrono::milliseconds kPingWriteTimeout{2000};
constexpr int kPollSliceMs = 100;
// Replies waiting for a peer that does not read: past this the peer is
// dropped. Room for the largest reply twice over.
constexpr std::size_t kMaxQueuedReplies = 2 * (wire::kMaxFrame + wire::kLengthBytes);
// Requests of one connection served in one pass of the loop; the rest wait
// for the next pass, so that one peer cannot hold the loop.
constexpr int kRequestsPerPass = 64;
// After the process runs out of descriptors, accepting waits this long (or
// until a connection closes) instead of retrying at once.
constexpr std::chrono::milliseconds kAcceptRetryDelay{100};

bool OutOfDescriptors(int error) { return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM; }

// Writes what the socket takes now; answers false on an error.
bool SendSome(int fd, std::string& data) {
  while (!data.empty()) {
    const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      data.erase(0, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
  }
  return true;
}

wire::Reply Failure(std::string reason) { return wire::Reply{false, 0, std::move(reason)}; }
wire::Reply Success(std::int64_t value, std::string bytes = {}) { return wire::Reply{true, value, std::move(bytes)}; }

bool Readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0;
}

bool WriteAll(int fd, std::string_view data, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!data.empty()) {
    const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      data.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      pollfd p{fd, POLLOUT, 0};
      ::poll(&p, 1, static_cast<int>(left));
      continue;
    }
    return false;
  }
  return true;
}

// Reads what is there without waiting. Answers false at end of stream or on
// an error.
bool ReadAvailable(int fd, std::string& into) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n > 0) {
      into.append(buffer, static_cast<std::size_t>(n));
      if (into.size() > wire::kMaxFrame + 2 * sizeof buffer) return true;  // the length check refuses it
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    return false;
  }
}

// A complete frame (or a length to refuse) waits at the front of `buffer`.
bool FrameReady(std::string_view buffer) {
  std::string error;
  const auto length = wire::FrameLength(buffer, error);
  return !error.empty() || (length && buffer.size() >= wire::kLengthBytes + *length);
}

// Takes one complete frame's payload off the front of `buffer`.
std::optional<std::string> TakeFrame(std::string& buffer, std::string& error) {
  const auto length = wire::FrameLength(buffer, error);
  if (!length || buffer.size() < wire::kLengthBytes + *length) return std::nullopt;
  std::string payload = buffer.substr(wire::kLengthBytes, *length);
  buffer.erase(0, wire::kLengthBytes + *length);
  return payload;
}

std::string EncodeWindows(const std::string& program, Loop& loop) {
  wire::Writer w;
  w.Bytes(program);
  w.U32(static_cast<std::uint32_t>(loop.ZOrder().size()));
  for (HWND hwnd : loop.ZOrder()) {
    Window* win = loop.Find(hwnd);
    w.U32(static_cast<std::uint32_t>(hwnd));
    w.U8(win->visible ? 1 : 0);
    w.Bytes(win->className);
    w.Bytes(win->text);
  }
  return w.Take();
}

bool DecodeWindows(std::string_view bytes, std::vector<TopLevelWindow>& out) {
  wire::Reader r(bytes);
  std::string program;
  std::uint32_t count = 0;
  if (!r.Bytes(program) || !r.U32(count)) return false;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t hwnd = 0;
    std::uint8_t visible = 0;
    TopLevelWindow w;
    if (!r.U32(hwnd) || !r.U8(visible) || !r.Bytes(w.className) || !r.Bytes(w.title)) return false;
    w.hwnd = static_cast<HWND>(hwnd);
    w.visible = visible != 0;
    w.program = program;
    out.push_back(std::move(w));
  }
  return true;
}

}  // namespace

struct Channel::Connection {
  Connection(boost::asio::io_context& io, int descriptor) : watch(io, descriptor), fd(descriptor) {}
  boost::asio::posix::stream_descriptor watch;
  int fd;
  std::string in;
  std::string out;  // replies the peer has not taken yet
  bool busy = false;
  bool closed = false;
  bool armed = false;
  bool writing = false;  // a wait for writability is pending
};

struct Channel::Listener {
  Listener(boost::asio::io_context& io, int descriptor) : watch(io, descriptor), fd(descriptor), retry(io) {}
  boost::asio::posix::stream_descriptor watch;
  int fd;
  bool armed = false;
  bool paused = false;  // out of descriptors: waiting before accepting again
  boost::asio::steady_timer retry;
};

std::unique_ptr<Channel> Channel::Open(Loop& loop, std::string_view program, std::error_code& error) {
  const std::filesystem::path dir = DesktopDirectory();
  if ((error = PrepareDesktopDirectory(dir))) return nullptr;
  auto lock = ClaimSlot(dir, error);
  if (!lock) return nullptr;
  const std::string path = SocketPath(dir, lock->slot()).string();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    error = std::make_error_code(std::errc::filename_too_long);
    return nullptr;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, kListenBacklog) != 0) {
    error = {errno, std::generic_category()};
    if (fd >= 0) ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<Channel>(new Channel(loop, dir, std::move(*lock), fd, std::string(program)));
}

Channel::Channel(Loop& loop, std::filesystem::path dir, SlotLock lock, int listenFd, std::string program)
    : loop_(loop), dir_(std::move(dir)), lock_(std::move(lock)), program_(std::move(program)),
      listener_(std::make_unique<Listener>(loop.io(), listenFd)) {
  WatchListener();
}

Channel::~Channel() {
  ::unlink(SocketPath(dir_, slot()).c_str());  // still under our lock
  boost::system::error_code ignored;
  listener_->retry.cancel();
  listener_->watch.close(ignored);
  for (auto& [fd, c] : connections_) {
    c->closed = true;
    c->watch.close(ignored);
  }
  for (auto& [slot, fds] : idle_)
    for (int fd : fds) ::close(fd);
}

void Channel::WatchListener() {
  if (listener_->armed || listener_->paused) return;
  if (Readable(listener_->fd)) {
    listener_->armed = true;
    boost::asio::post(loop_.io(), [this] {
      listener_->armed = false;
      AcceptAll();
      WatchListener();
    });
    return;
  }
  listener_->armed = true;
  listener_->watch.async_wait(boost::asio::posix::stream_descriptor::wait_read,
                              [this](const boost::system::error_code& ec) {
                                if (ec) return;
                                listener_->armed = false;
                                AcceptAll();
                                WatchListener();
                              });
}

void Channel::AcceptAll() {
  if (listener_->paused) return;
  for (;;) {
    const int fd = ::accept4(listener_->fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (OutOfDescriptors(errno)) PauseAccepting();
      return;
    }
    auto c = std::make_shared<Connection>(loop_.io(), fd);
    connections_[fd] = c;
    Watch(c);
  }
}

// The waiting connection stays queued; trying again at once would only spin.
void Channel::PauseAccepting() {
  listener_->paused = true;
  listener_->retry.expires_after(kAcceptRetryDelay);
  listener_->retry.async_wait([this](const boost::system::error_code& ec) {
    if (ec) return;
    ResumeAccepting();
  });
}

void Channel::ResumeAccepting() {
  if (!listener_->paused) return;
  listener_->paused = false;
  listener_->retry.cancel();
  WatchListener();
}

void Channel::QueueReply(const std::shared_ptr<Connection>& c, const wire::Reply& reply) {
  if (c->closed) return;
  c->out += wire::EncodeReply(reply);
  if (c->out.size() > kMaxQueuedReplies) return Close(c);  // it asks and never reads
  Flush(c);
}

void Channel::Flush(const std::shared_ptr<Connection>& c) {
  if (c->closed || c->writing) return;
  if (!SendSome(c->fd, c->out)) return Close(c);
  if (c->out.empty()) return;
  c->writing = true;
  std::weak_ptr<Connection> weak = c;
  c->watch.async_wait(boost::asio::posix::stream_descriptor::wait_write,
                      [this, weak](const boost::system::error_code& ec) {
                        auto self = weak.lock();
                        if (!self) return;
                        self->writing = false;
                        if (ec || self->closed) return;
                        Flush(self);
                      });
}

void Channel::Watch(const std::shared_ptr<Connection>& c) {
  if (c->closed || c->armed || c->busy) return;
  c->armed = true;
  std::weak_ptr<Connection> weak = c;
  // The descriptor may already hold data that arrived while a nested loop
  // ran; an edge-triggered wait would not see it, so look first. Requests
  // left over from the last pass are served in the next one.
  if (FrameReady(c->in) || Readable(c->fd)) {
    boost::asio::post(loop_.io(), [this, weak] {
      auto self = weak.lock();
      if (!self) return;
      self->armed = false;
      Service(self);
      Watch(self);
    });
    return;
  }
  c->watch.async_wait(boost::asio::posix::stream_descriptor::wait_read,
                      [this, weak](const boost::system::error_code& ec) {
                        auto self = weak.lock();
                        if (!self) return;
                        self->armed = false;
                        if (ec || self->closed) return;
                        Service(self);
                        Watch(self);
                      });
}

void Channel::Service(const std::shared_ptr<Connection>& c) {
  if (c->closed || c->busy) return;
  const bool open = ReadAvailable(c->fd, c->in);
  // Served requests leave the buffer once per pass: erasing each one from
  // the front would move the whole buffer every time.
  std::size_t taken = 0;
  auto compact = [&] {
    if (!c->closed) c->in.erase(0, taken);
    taken = 0;
  };
  for (int served = 0; !c->closed; ++served) {
    if (served == kRequestsPerPass) {
      compact();
      // The rest in a later pass, after the loop's other work.
      std::weak_ptr<Connection> weak = c;
      boost::asio::post(loop_.io(), [this, weak] {
        if (auto self = weak.lock()) {
          Service(self);
          Watch(self);
        }
      });
      return;
    }
    std::string error;
    const std::string_view rest = std::string_view(c->in).substr(taken);
    const auto length = wire::FrameLength(rest, error);
    if (!error.empty()) return RefuseAndClose(c, error);
    if (!length || rest.size() < wire::kLengthBytes + *length) break;
    auto request = wire::DecodeRequest(rest.substr(wire::kLengthBytes, *length), error);
    taken += wire::kLengthBytes + *length;
    if (!request) return RefuseAndClose(c, error);
    c->busy = true;
    bool replied = false;
    const int early = request->kind == wire::Kind::Automate ? loop_.AddEarlyReply([this, &replied, c] {
      // What a person does returns at once even when it opens a dialog.
      replied = true;
      QueueReply(c, Success(1));
    }) : 0;
    const wire::Reply reply = Handle(*request);
    loop_.RemoveEarlyReply(early);
    c->busy = false;
    if (c->closed) return;
    if (!replied) QueueReply(c, reply);
    if (c->closed) return;
    if (!FrameReady(std::string_view(c->in).substr(taken)) && Readable(c->fd)) ReadAvailable(c->fd, c->in);
  }
  compact();
  if (!open) Close(c);
}

// The reason goes out if the socket takes it now; the peer is dropped anyway.
void Channel::RefuseAndClose(const std::shared_ptr<Connection>& c, const std::string& reason) {
  std::string bytes = wire::EncodeReply(Failure(reason));
  SendSome(c->fd, bytes);
  Close(c);
}

void Channel::Close(const std::shared_ptr<Connection>& c) {
  if (c->closed) return;
  c->closed = true;
  const int fd = c->fd;
  boost::system::error_code ignored;
  c->watch.close(ignored);
  connections_.erase(fd);
  ResumeAccepting();  // a descriptor is free again
}

wire::Reply Channel::Handle(const wire::Request& r) {
  using wire::Kind;
  using wire::Marshal;
  switch (r.kind) {
    case Kind::Ping:
      return Success(0);
    case Kind::Enumerate:
      return Success(0, EncodeWindows(program_, loop_));
    case Kind::Automate:
      return HandleAutomation(r);
    default:
      break;
  }
  if (SlotOfHandle(r.hwnd) != slot() || loop_.Find(r.hwnd) == nullptr)
    return Failure("no window " + HandleToText(r.hwnd) + " in " + program_);
  const Marshal marshal = wire::MarshalOf(r.msg);
  const auto wParam = static_cast<WPARAM>(r.wParam);
  switch (r.kind) {
    case Kind::Send:
    case Kind::Post:
      if (marshal != Marshal::Plain)
        return Failure("message " + std::to_string(r.msg) + " needs its parameters by value");
      if (r.kind == Kind::Post) {
        loop_.PostFromPeer(r.hwnd, r.msg, wParam, static_cast<LPARAM>(r.lParam));
        return Success(1);
      } else {
        Loop::PeerMessageScope fromPeer(loop_);
        return Success(SendMessage(r.hwnd, r.msg, wParam, static_cast<LPARAM>(r.lParam)));
      }
    case Kind::SendText: {
      if (marshal != Marshal::TextIn) return Failure("message " + std::to_string(r.msg) + " takes no text");
      const std::string text = r.bytes;
      Loop::PeerMessageScope fromPeer(loop_);
      return Success(SendMessage(r.hwnd, r.msg, wParam, reinterpret_cast<LPARAM>(text.c_str())));
    }
    case Kind::SendGetText: {
      if (marshal != Marshal::TextOut) return Failure("message " + std::to_string(r.msg) + " gives no text");
      Loop::PeerMessageScope fromPeer(loop_);
      std::size_t size = 0;
      if (r.msg == WM_GETTEXT) {
        const LRESULT length = SendMessage(r.hwnd, WM_GETTEXTLENGTH, 0, 0);
        size = static_cast<std::size_t>(std::clamp<std::int64_t>(r.wParam, 0, std::min<std::int64_t>(length + 1, wire::kMaxFrame / 2)));
      } else {
        const UINT lengthMsg = r.msg == LB_GETTEXT ? LB_GETTEXTLEN : CB_GETLBTEXTLEN;
        const LRESULT length = SendMessage(r.hwnd, lengthMsg, wParam, 0);
        if (length < 0) return Success(length);
        if (static_cast<std::size_t>(length) >= wire::kMaxFrame / 2) return Failure("text too long");
        size = static_cast<std::size_t>(length) + 1;
      }
      if (size == 0) return Success(0);
      std::string buffer(size, '\0');
      const LRESULT got = SendMessage(r.hwnd, r.msg, wParam, reinterpret_cast<LPARAM>(buffer.data()));
      buffer.resize(static_cast<std::size_t>(std::clamp<LRESULT>(got, 0, static_cast<LRESULT>(size - 1))));
      return Success(got, buffer);
    }
    case Kind::CopyData: {
      if (r.msg != WM_COPYDATA) return Failure("copy-data frame for another message");
      COPYDATASTRUCT cds;
      cds.dwData = static_cast<std::uintptr_t>(r.lParam);
      cds.cbData = static_cast<std::uint32_t>(r.bytes.size());
      cds.lpData = r.bytes.data();
      Loop::PeerMessageScope fromPeer(loop_);
      return Success(SendMessage(r.hwnd, WM_COPYDATA, wParam, reinterpret_cast<LPARAM>(&cds)));
    }
    default:
      return Failure("unknown request");
  }
}

int Channel::Connect(int slot, std::string& error) {
  const std::string path = SocketPath(dir_, slot).string();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    error = "desktop path too long";
    return -1;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = std::strerror(errno);
    return -1;
  }
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    const int e = errno;
    ::close(fd);
    if (e == EAGAIN) {
      error = "program " + std::to_string(slot) + " is too busy to take a connection";
    } else {
      SlotAlive(dir_, slot);  // removes the socket of a program that died
      error = "program " + std::to_string(slot) + " is not running";
    }
    return -1;
  }
  return fd;
}

void Channel::ServeWhileWaiting(const std::vector<int>& fds, std::vector<short>& ready, int timeoutMs) {
  std::vector<pollfd> polled;
  for (int fd : fds) polled.push_back(pollfd{fd, POLLIN, 0});
  // While accepting waits for descriptors, the listener is left out (-1).
  polled.push_back(pollfd{listener_->paused ? -1 : listener_->fd, POLLIN, 0});
  std::vector<std::shared_ptr<Connection>> serving;
  for (auto& [fd, c] : connections_) {
    if (c->closed) continue;
    // Queued replies still go out, also to a peer whose request is being
    // handled further up: it may be the one this call waits for.
    const short events = static_cast<short>((c->busy ? 0 : POLLIN) | (c->out.empty() ? 0 : POLLOUT));
    if (events == 0) continue;
    polled.push_back(pollfd{fd, events, 0});
    serving.push_back(c);
  }
  // Requests left over from a pass need no wait.
  const bool leftOver = std::any_of(serving.begin(), serving.end(),
                                    [](const auto& c) { return !c->busy && FrameReady(c->in); });
  ready.assign(fds.size(), 0);
  if (::poll(polled.data(), polled.size(), leftOver ? 0 : timeoutMs) < 0) return;
  for (std::size_t i = 0; i < fds.size(); ++i) ready[i] = polled[i].revents;
  if (polled[fds.size()].revents != 0) AcceptAll();
  for (std::size_t i = 0; i < serving.size(); ++i) {
    short revents = polled[fds.size() + 1 + i].revents;
    if (!serving[i]->busy && FrameReady(serving[i]->in)) revents |= POLLIN;
    if (revents == 0) continue;
    if (revents & POLLOUT) {
      serving[i]->writing = false;  // the pending wait, if any, finds nothing to do
      Flush(serving[i]);
    }
    if (!serving[i]->busy && (revents & ~POLLOUT) != 0) Service(serving[i]);
  }
}

wire::Reply Channel::Call(HWND hwnd, const wire::Request& request) { return CallSlot(SlotOfHandle(hwnd), request); }

wire::Reply Channel::CallSlot(int slot, const wire::Request& request) {
  if (slot == this->slot()) return Handle(request);
  if (slot <= 0 || slot >= kSlotLimit) return Failure("no program for handle " + HandleToText(request.hwnd));
  const std::string frame = wire::EncodeRequest(request);
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::string error;
    bool reused = false;
    int fd = -1;
    if (auto& pool = idle_[slot]; attempt == 0 && !pool.empty()) {
      fd = pool.back();
      pool.pop_back();
      reused = true;
    } else {
      fd = Connect(slot, error);
      if (fd < 0) return Failure(error);
    }
    if (!WriteAll(fd, frame, kWriteTimeout)) {
      ::close(fd);
      if (reused) continue;
      return Failure("cannot write to program " + std::to_string(slot));
    }
    std::string in;
    int pingFd = -1;
    std::string pingIn;
    auto lastHeard = Clock::now();
    auto closePing = [&] {
      if (pingFd >= 0) ::close(pingFd);
      pingFd = -1;
      pingIn.clear();
    };
    for (;;) {
      std::vector<int> fds{fd};
      if (pingFd >= 0) fds.push_back(pingFd);
      std::vector<short> ready;
      ServeWhileWaiting(fds, ready, kPollSliceMs);
      if (ready[0] != 0) {
        const bool open = ReadAvailable(fd, in);
        std::string frameError;
        if (auto payload = TakeFrame(in, frameError)) {
          closePing();
          auto reply = wire::DecodeReply(*payload, frameError);
          if (!reply) {
            ::close(fd);
            return Failure(frameError);
          }
          // An automation action may still be running (a dialog it opened):
          // its connection stays busy on the far side, so it is not reused.
          if (open && in.empty() && request.kind != wire::Kind::Automate)
            idle_[slot].push_back(fd);
          else
            ::close(fd);
          return *reply;
        }
        if (!frameError.empty() || !open) {
          ::close(fd);
          closePing();
          if (!open && reused && in.empty()) break;  // a pooled connection gone stale: once more, fresh
          return Failure(frameError.empty() ? "program " + std::to_string(slot) + " ended during the call" : frameError);
        }
      }
      if (pingFd >= 0 && ready.size() > 1 && ready[1] != 0) {
        const bool open = ReadAvailable(pingFd, pingIn);
        std::string ignored;
        if (TakeFrame(pingIn, ignored)) {
          closePing();
          lastHeard = Clock::now();
        } else if (!open) {
          closePing();
        }
      }
      const auto now = Clock::now();
      if (now - lastHeard > kPeerSilenceLimit) {
        ::close(fd);
        closePing();
        return Failure("program " + std::to_string(slot) + " does not answer");
      }
      if (pingFd < 0 && now - lastHeard >= kPingInterval) {
        std::string pingError;
        pingFd = Connect(slot, pingError);
        if (pingFd < 0) {
          ::close(fd);
          return Failure(pingError);
        }
        wire::Request ping;
        ping.kind = wire::Kind::Ping;
        if (!WriteAll(pingFd, wire::EncodeRequest(ping), kPingWriteTimeout)) closePing();
      }
    }
  }
  return Failure("program " + std::to_string(slot) + " is not running");
}

SendResult Channel::Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  wire::Request r;
  r.hwnd = hwnd;
  r.msg = msg;
  r.wParam = static_cast<std::int64_t>(wParam);
  r.lParam = lParam;
  switch (wire::MarshalOf(msg)) {
    case wire::Marshal::Plain:
      r.kind = wire::Kind::Send;
      break;
    case wire::Marshal::TextIn:
      r.kind = wire::Kind::SendText;
      r.bytes = lParam != 0 ? reinterpret_cast<const char*>(lParam) : "";
      r.lParam = 0;
      break;
    case wire::Marshal::TextOut:
      r.kind = wire::Kind::SendGetText;
      r.lParam = 0;
      break;
    case wire::Marshal::CopyData: {
      r.kind = wire::Kind::CopyData;
      const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      if (cds == nullptr) return SendResult{false, 0, "copy-data message without its block"};
      r.lParam = static_cast<std::int64_t>(cds->dwData);
      if (cds->cbData > 0 && cds->lpData != nullptr) r.bytes.assign(static_cast<const char*>(cds->lpData), cds->cbData);
      break;
    }
    case wire::Marshal::Refused:
      return SendResult{false, 0, "message " + std::to_string(msg) + " cannot go to another program"};
  }
  const wire::Reply reply = Call(hwnd, r);
  if (!reply.ok) return SendResult{false, 0, reply.bytes};
  if (r.kind == wire::Kind::SendGetText && lParam != 0 && reply.value >= 0) {
    auto* out = reinterpret_cast<char*>(lParam);
    std::size_t n = reply.bytes.size();
    if (msg == WM_GETTEXT) n = wParam == 0 ? 0 : std::min<std::size_t>(n, wParam - 1);
    if (msg != WM_GETTEXT || wParam > 0) {
      std::memcpy(out, reply.bytes.data(), n);
      out[n] = '\0';
    }
  }
  return SendResult{true, static_cast<LRESULT>(reply.value), {}};
}

SendResult Channel::Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (wire::MarshalOf(msg) != wire::Marshal::Plain)
    return SendResult{false, 0, "message " + std::to_string(msg) + " cannot be posted to another program"};
  wire::Request r;
  r.kind = wire::Kind::Post;
  r.hwnd = hwnd;
  r.msg = msg;
  r.wParam = static_cast<std::int64_t>(wParam);
  r.lParam = lParam;
  const wire::Reply reply = Call(hwnd, r);
  return SendResult{reply.ok, static_cast<LRESULT>(reply.value), reply.ok ? std::string() : reply.bytes};
}

SendResult Channel::SetText(HWND hwnd, std::string_view text) {
  wire::Request r;
  r.kind = wire::Kind::SendText;
  r.hwnd = hwnd;
  r.msg = WM_SETTEXT;
  r.bytes = std::string(text);
  const wire::Reply reply = Call(hwnd, r);
  return SendResult{reply.ok, static_cast<LRESULT>(reply.value), reply.ok ? std::string() : reply.bytes};
}

Channel::TextResult Channel::GetText(HWND hwnd) {
  wire::Request r;
  r.kind = wire::Kind::SendGetText;
  r.hwnd = hwnd;
  r.msg = WM_GETTEXT;
  r.wParam = static_cast<std::int64_t>(wire::kMaxFrame / 2);
  const wire::Reply reply = Call(hwnd, r);
  if (!reply.ok) return TextResult{false, {}, reply.bytes};
  return TextResult{true, reply.bytes, {}};
}

std::vector<TopLevelWindow> Channel::EnumerateOthers() {
  std::vector<TopLevelWindow> all;
  for (int other : ListSlots(dir_)) {
    if (other == slot()) continue;
    wire::Request r;
    r.kind = wire::Kind::Enumerate;
    const wire::Reply reply = CallSlot(other, r);
    if (reply.ok) DecodeWindows(reply.bytes, all);
  }
  return all;
}

}  // namespace tellmar
