// The browser desktop's web server: one page, its script and style, a JSON
// view of the desktop and a WebSocket that pushes every change, all on the
// program's Asio loop (Boost.Beast).
//
// Access: a random token is made at start. The first address carries it as
// "?token=..."; the answer sets it as a cookie and sends the browser to "/".
// Without the cookie (or the token in the query) every request gets 403 and
// nothing else. Requests that change something (POST /api/action) must also
// carry the token in the "X-Tmdesk-Token" header, so another site cannot
// make the browser send them; the WebSocket must come from the page's own
// origin.
//
// The server knows nothing of windows: the desktop view is a JSON value
// that its source hands over, and actions are JSON values handed back.
// Changes are pushed as whole views, at most one in flight per browser:
// a slow browser gets the newest view when it is ready for one, never a
// backlog.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

namespace tellmar::web {

struct DeskSource {
  // The whole desktop as the page shows it.
  std::function<nlohmann::json()> view;
  // A person's action ({"kind": "...", ...}); the answer goes back to the
  // page as the POST's body.
  std::function<nlohmann::json(const nlohmann::json&)> act;
};

class DeskServer {
 public:
  DeskServer(boost::asio::io_context& io, boost::asio::ip::tcp::endpoint listenOn, DeskSource source,
             std::string token);
  ~DeskServer();
  DeskServer(const DeskServer&) = delete;
  DeskServer& operator=(const DeskServer&) = delete;

  // The address actually bound (port 0 picks a free one).
  boost::asio::ip::tcp::endpoint endpoint() const;
  const std::string& token() const { return token_; }
  // Something changed: every open page gets the new view soon (changes that
  // come in a burst are pushed once).
  void NotifyChanged();

  class Impl;  // defined in desk_server.cpp

 private:
  std::shared_ptr<Impl> impl_;
  std::string token_;
};

// 32 hexadecimal digits from the system's random source.
std::string MakeAccessToken();

}  // namespace tellmar::web
