#include "ui/web/desk_server.h"

#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <fstream>
#include <vector>

#include "ui/web/dialog_font.h"
#include "ui/web/embedded_files.h"

namespace tellmar::web {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using Request = http::request<http::string_body>;
using Response = http::response<http::string_body>;

constexpr std::size_t kBodyLimit = 64 * 1024;
constexpr auto kIdleTimeout = std::chrono::seconds(60);
// Changes that come within this time of each other are pushed once.
constexpr auto kCoalesce = std::chrono::milliseconds(30);
constexpr std::string_view kCookieName = "tmdesk";
constexpr std::string_view kTokenHeader = "X-Tmdesk-Token";

std::string_view Std(beast::string_view s) { return {s.data(), s.size()}; }
beast::string_view Beast(std::string_view s) { return {s.data(), s.size()}; }

bool SameToken(std::string_view a, std::string_view b) {
  if (a.size() != b.size() || a.empty()) return false;
  unsigned char diff = 0;
  for (std::size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

std::string_view QueryToken(std::string_view target) {
  std::size_t q = target.find('?');
  if (q == std::string_view::npos) return {};
  std::string_view query = target.substr(q + 1);
  while (!query.empty()) {
    std::size_t amp = query.find('&');
    std::string_view pair = query.substr(0, amp);
    if (pair.substr(0, 6) == "token=") return pair.substr(6);
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return {};
}

std::string_view CookieToken(const Request& req) {
  auto it = req.find(http::field::cookie);
  if (it == req.end()) return {};
  std::string_view cookies = Std(it->value());
  while (!cookies.empty()) {
    std::size_t semi = cookies.find(';');
    std::string_view c = cookies.substr(0, semi);
    while (!c.empty() && c.front() == ' ') c.remove_prefix(1);
    if (c.size() > kCookieName.size() && c.substr(0, kCookieName.size()) == kCookieName &&
        c[kCookieName.size()] == '=') {
      return c.substr(kCookieName.size() + 1);
    }
    if (semi == std::string_view::npos) break;
    cookies.remove_prefix(semi + 1);
  }
  return {};
}

std::string_view PathOf(std::string_view target) { return target.substr(0, target.find('?')); }

Response MakeResponse(const Request& req, http::status status, std::string_view type, std::string body) {
  Response res{status, req.version()};
  res.set(http::field::server, "tmdesk");
  res.set(http::field::content_type, Beast(type));
  res.set(http::field::cache_control, "no-store");
  res.set("X-Content-Type-Options", "nosniff");
  res.set("Referrer-Policy", "no-referrer");
  res.set("Content-Security-Policy",
          "default-src 'self'; script-src 'self'; style-src 'self'; connect-src 'self'; img-src 'self' data:");
  res.keep_alive(req.keep_alive());
  res.body() = std::move(body);
  res.prepare_payload();
  return res;
}

}  // namespace

class DeskServer::Impl : public std::enable_shared_from_this<Impl> {
 public:
  Impl(asio::io_context& io, tcp::endpoint at, DeskSource source, std::string token)
      : io_(io), acceptor_(io, at), source_(std::move(source)), token_(std::move(token)), coalesce_(io) {}

  void Start() { Accept(); }
  void Stop() {
    beast::error_code ignored;
    acceptor_.close(ignored);
    coalesce_.cancel();
  }
  tcp::endpoint endpoint() const { return acceptor_.local_endpoint(); }

  void NotifyChanged() {
    if (pushScheduled_) return;
    pushScheduled_ = true;
    coalesce_.expires_after(kCoalesce);
    coalesce_.async_wait([weak = weak_from_this()](beast::error_code ec) {
      auto self = weak.lock();
      if (!self || ec) return;
      self->pushScheduled_ = false;
      self->PushAll();
    });
  }

  bool Authorized(const Request& req) const {
    return SameToken(CookieToken(req), token_) || SameToken(QueryToken(Std(req.target())), token_);
  }
  nlohmann::json View() const { return source_.view ? source_.view() : nlohmann::json::object(); }
  Response Handle(const Request& req);

  class WsSession;
  void Register(const std::shared_ptr<WsSession>& s) { sockets_.push_back(s); }
  void PushAll();

 private:
  void Accept();

  asio::io_context& io_;
  tcp::acceptor acceptor_;
  DeskSource source_;
  std::string token_;
  asio::steady_timer coalesce_;
  bool pushScheduled_ = false;
  std::vector<std::weak_ptr<WsSession>> sockets_;
};

class DeskServer::Impl::WsSession : public std::enable_shared_from_this<WsSession> {
 public:
  WsSession(tcp::socket socket, std::shared_ptr<Impl> server)
      : ws_(std::move(socket)), server_(std::move(server)) {}

  void Start(Request req) {
    beast::get_lowest_layer(ws_).expires_never();
    ws_.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
    ws_.async_accept(req, [self = shared_from_this()](beast::error_code ec) {
      if (ec) return;
      self->server_->Register(self);
      self->Push();
      self->Read();
    });
  }

  // Marks the view stale; the newest view goes out once the last write is done.
  void Push() {
    stale_ = true;
    if (!writing_) WriteNext();
  }

 private:
  void WriteNext() {
    if (!stale_) return;
    stale_ = false;
    writing_ = true;
    out_ = server_->View().dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    ws_.text(true);
    ws_.async_write(asio::buffer(out_), [self = shared_from_this()](beast::error_code ec, std::size_t) {
      self->writing_ = false;
      if (!ec) self->WriteNext();
    });
  }
  // The page only listens; what it sends is read and dropped so that
  // control frames (ping, close) are answered.
  void Read() {
    ws_.async_read(in_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
      if (ec) return;
      self->in_.consume(self->in_.size());
      self->Read();
    });
  }

  websocket::stream<beast::tcp_stream> ws_;
  std::shared_ptr<Impl> server_;
  beast::flat_buffer in_;
  std::string out_;
  bool writing_ = false;
  bool stale_ = false;
};

void DeskServer::Impl::PushAll() {
  std::erase_if(sockets_, [](const std::weak_ptr<WsSession>& w) { return w.expired(); });
  for (auto& weak : sockets_) {
    if (auto s = weak.lock()) s->Push();
  }
}

namespace {

class HttpSession : public std::enable_shared_from_this<HttpSession> {
 public:
  HttpSession(tcp::socket socket, std::shared_ptr<DeskServer::Impl> server)
      : stream_(std::move(socket)), server_(std::move(server)) {}

  void Read() {
    parser_.emplace();
    parser_->body_limit(kBodyLimit);
    stream_.expires_after(kIdleTimeout);
    http::async_read(stream_, buffer_, *parser_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
      if (ec == http::error::body_limit) {
        Request head;
        head.version(self->parser_->get().version());
        Response res = MakeResponse(head, http::status::payload_too_large, "text/plain", "");
        res.keep_alive(false);
        return self->Send(std::move(res));
      }
      if (ec) return self->Close();
      self->OnRequest(self->parser_->release());
    });
  }

 private:
  void OnRequest(Request req) {
    if (websocket::is_upgrade(req) && PathOf(Std(req.target())) == "/ws") {
      if (!server_->Authorized(req) || !SameOrigin(req)) return Send(Forbidden(req));
      auto ws = std::make_shared<DeskServer::Impl::WsSession>(stream_.release_socket(), server_);
      ws->Start(std::move(req));
      return;
    }
    Send(server_->Handle(req));
  }

  static bool SameOrigin(const Request& req) {
    auto origin = req.find(http::field::origin);
    auto host = req.find(http::field::host);
    if (origin == req.end() || host == req.end()) return false;
    return Std(origin->value()) == "http://" + std::string(Std(host->value()));
  }

  static Response Forbidden(const Request& req) {
    Response res = MakeResponse(req, http::status::forbidden, "text/plain", "");
    res.keep_alive(false);
    return res;
  }

  void Send(Response res) {
    response_ = std::make_shared<Response>(std::move(res));
    http::async_write(stream_, *response_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
      if (ec || !self->response_->keep_alive()) return self->Close();
      self->Read();
    });
  }

  void Close() {
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
  }

  beast::tcp_stream stream_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  std::shared_ptr<Response> response_;
  std::shared_ptr<DeskServer::Impl> server_;
};

}  // namespace

// What the page's address without its token shows: how to get the address
// with it. No data of the desktop, no script.
constexpr std::string_view kWithoutTokenPage = R"(<!doctype html>
<html lang="en">
<head><meta charset="utf-8"><title>Tellmar desktop: access token needed</title></head>
<body>
<h1>Tellmar desktop</h1>
<p>This address needs the desktop's access token.</p>
<p>Open the address that <code>tmdesk</code> printed when it started: it ends in
<code>?token=</code> followed by 32 characters. The browser then keeps the token,
and this address opens the desktop.</p>
<p>On a server with the installed service, <code>journalctl -u tellmar-desk</code>
shows the address. The token is also kept in the file <code>tmdesk.token</code>
in the desktop directory.</p>
</body>
</html>
)";

Response DeskServer::Impl::Handle(const Request& req) {
  if (!Authorized(req)) {
    const bool pageAddress = req.method() == http::verb::get && PathOf(Std(req.target())) == "/";
    Response res = MakeResponse(req, http::status::forbidden, pageAddress ? "text/html; charset=utf-8" : "text/plain",
                                pageAddress ? std::string(kWithoutTokenPage) : std::string());
    res.keep_alive(false);
    return res;
  }
  std::string_view target = Std(req.target());
  std::string_view path = PathOf(target);
  if (req.method() == http::verb::get && !QueryToken(target).empty()) {
    // The first visit: keep the token as a cookie and drop it from the address.
    Response res = MakeResponse(req, http::status::see_other, "text/plain", "");
    res.set(http::field::location, std::string(path));
    res.set(http::field::set_cookie,
            std::string(kCookieName) + "=" + token_ + "; Path=/; HttpOnly; SameSite=Strict");
    return res;
  }
  if (req.method() == http::verb::get) {
    if (path == "/api/view") return MakeResponse(req, http::status::ok, "application/json", View().dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    if (path == "/dialog-font.ttf") {
      std::string font = DialogFontBytes();
      if (font.empty()) return MakeResponse(req, http::status::not_found, "text/plain", "no dialog font installed");
      return MakeResponse(req, http::status::ok, "font/ttf", std::move(font));
    }
    if (const EmbeddedFile* file = FindEmbeddedFile(path == "/" ? "index.html" : path.substr(1))) {
      return MakeResponse(req, http::status::ok, file->contentType, std::string(file->bytes));
    }
    return MakeResponse(req, http::status::not_found, "text/plain", "not found");
  }
  if (req.method() == http::verb::post && path == "/api/action") {
    auto header = req.find(Beast(kTokenHeader));
    if (header == req.end() || !SameToken(Std(header->value()), token_)) {
      return MakeResponse(req, http::status::forbidden, "text/plain", "");
    }
    nlohmann::json action = nlohmann::json::parse(req.body(), nullptr, false);
    if (action.is_discarded() || !action.is_object()) {
      return MakeResponse(req, http::status::bad_request, "application/json",
                          nlohmann::json{{"error", "the action is not a JSON object"}}.dump());
    }
    nlohmann::json answer;
    try {
      answer = source_.act ? source_.act(action) : nlohmann::json{{"error", "no actions"}};
    } catch (const nlohmann::json::exception&) {
      // A field of the wrong type ("index":"2", "hwnd":null): refused, and
      // the desktop serves on.
      return MakeResponse(req, http::status::bad_request, "application/json",
                          nlohmann::json{{"error", "a field of the action has the wrong type"}}.dump());
    }
    NotifyChanged();
    return MakeResponse(req, http::status::ok, "application/json",
                        answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
  }
  return MakeResponse(req, http::status::method_not_allowed, "text/plain", "");
}

void DeskServer::Impl::Accept() {
  acceptor_.async_accept([weak = weak_from_this()](beast::error_code ec, tcp::socket socket) {
    auto self = weak.lock();
    if (!self) return;
    if (!ec) std::make_shared<HttpSession>(std::move(socket), self)->Read();
    // A failed accept (out of descriptors, say) must not spin: try again later.
    if (ec == asio::error::operation_aborted || !self->acceptor_.is_open()) return;
    if (ec) {
      auto timer = std::make_shared<asio::steady_timer>(self->io_, std::chrono::milliseconds(100));
      timer->async_wait([self, timer](beast::error_code) { self->Accept(); });
      return;
    }
    self->Accept();
  });
}

DeskServer::DeskServer(asio::io_context& io, tcp::endpoint listenOn, DeskSource source, std::string token)
    : impl_(std::make_shared<Impl>(io, listenOn, std::move(source), token)), token_(std::move(token)) {
  impl_->Start();
}

DeskServer::~DeskServer() { impl_->Stop(); }

tcp::endpoint DeskServer::endpoint() const { return impl_->endpoint(); }

void DeskServer::NotifyChanged() { impl_->NotifyChanged(); }

std::string MakeAccessToken() {
  std::ifstream random("/dev/urandom", std::ios::binary);
  unsigned char bytes[16] = {};
  random.read(reinterpret_cast<char*>(bytes), sizeof bytes);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string token;
  for (unsigned char b : bytes) {
    token += kHex[b >> 4];
    token += kHex[b & 15];
  }
  return token;
}

}  // namespace tellmar::web
