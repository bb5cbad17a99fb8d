#include "ui/web/desk_server.h"

#include <gtest/gtest.h>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <thread>

namespace tellmar::web {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

class DeskServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeskSource source;
    source.view = [this] { return nlohmann::json{{"windows", nlohmann::json::array()}, {"title", title}}; };
    source.act = [this](const nlohmann::json& a) {
      actions.push_back(a);
      return nlohmann::json{{"ok", a.value("hwnd", 0) != 0}};  // throws, as the watcher does, on a wrong type
    };
    server = std::make_unique<DeskServer>(io, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0), source,
                                          "0123456789abcdef0123456789abcdef");
    thread = std::thread([this] { io.run(); });
  }
  void TearDown() override {
    asio::post(io, [this] { server.reset(); work.reset(); });
    thread.join();
  }

  http::response<http::string_body> Request(http::verb verb, const std::string& target,
                                            const std::string& withCookie = "", const std::string& header = "",
                                            const std::string& body = "") {
    asio::io_context client;
    beast::tcp_stream stream(client);
    stream.connect(server->endpoint());
    http::request<http::string_body> req{verb, target, 11};
    req.set(http::field::host, "127.0.0.1");
    if (!withCookie.empty()) req.set(http::field::cookie, withCookie);
    if (!header.empty()) req.set("X-Tmdesk-Token", header);
    req.body() = body;
    req.prepare_payload();
    http::write(stream, req);
    beast::flat_buffer buffer;
    http::response<http::string_body> res;
    http::read(stream, buffer, res);
    return res;
  }

  const std::string token = "0123456789abcdef0123456789abcdef";
  const std::string cookie = "tmdesk=" + token;
  std::string title = "<script>alert(1)</script>";
  std::vector<nlohmann::json> actions;
  asio::io_context io;
  std::optional<asio::executor_work_guard<asio::io_context::executor_type>> work{io.get_executor()};
  std::unique_ptr<DeskServer> server;
  std::thread thread;
};

TEST_F(DeskServerTest, NothingIsServedWithoutTheToken) {
  for (const char* target : {"/desk.js", "/api/view", "/dialog-font.ttf", "/icon-102.svg"}) {
    auto res = Request(http::verb::get, target);
    EXPECT_EQ(res.result(), http::status::forbidden) << target;
    EXPECT_TRUE(res.body().empty());
  }
  // The page's address says how to get in, and shows nothing of the desktop.
  for (const char* target : {"/", "/?token=wrong", "/?token="}) {
    auto res = Request(http::verb::get, target);
    EXPECT_EQ(res.result(), http::status::forbidden) << target;
    EXPECT_NE(res.body().find("tmdesk"), std::string::npos) << target;
    EXPECT_EQ(res.body().find(token), std::string::npos) << target;
    EXPECT_EQ(res.body().find("<script"), std::string::npos) << target;
  }
  EXPECT_EQ(Request(http::verb::get, "/", "tmdesk=" + token.substr(1) + "x").result(), http::status::forbidden);
}

TEST_F(DeskServerTest, TheFirstAddressSetsTheCookie) {
  auto res = Request(http::verb::get, "/?token=" + token);
  EXPECT_EQ(res.result(), http::status::see_other);
  EXPECT_EQ(res[http::field::location], "/");
  EXPECT_NE(std::string(res[http::field::set_cookie]).find("tmdesk=" + token), std::string::npos);
  auto page = Request(http::verb::get, "/", cookie);
  EXPECT_EQ(page.result(), http::status::ok);
  EXPECT_NE(page.body().find("desk.js"), std::string::npos);
  EXPECT_NE(std::string(page["Content-Security-Policy"]).find("script-src 'self'"), std::string::npos);
}

TEST_F(DeskServerTest, ViewIsJsonAndProgramTextStaysText) {
  auto res = Request(http::verb::get, "/api/view", cookie);
  ASSERT_EQ(res.result(), http::status::ok);
  EXPECT_EQ(res[http::field::content_type], "application/json");
  EXPECT_EQ(nlohmann::json::parse(res.body())["title"], title);
}

TEST_F(DeskServerTest, ActionsNeedTheTokenHeaderAndAnObject) {
  EXPECT_EQ(Request(http::verb::post, "/api/action", cookie, "", R"({"kind":"click"})").result(),
            http::status::forbidden);
  EXPECT_EQ(Request(http::verb::post, "/api/action", cookie, token, "not json").result(),
            http::status::bad_request);
  auto ok = Request(http::verb::post, "/api/action", cookie, token, R"({"kind":"click","hwnd":5})");
  EXPECT_EQ(ok.result(), http::status::ok);
  EXPECT_EQ(nlohmann::json::parse(ok.body())["ok"], true);
  // A field of the wrong type is refused and the server serves on.
  EXPECT_EQ(Request(http::verb::post, "/api/action", cookie, token, R"({"kind":"click","hwnd":null})").result(),
            http::status::bad_request);
  EXPECT_EQ(Request(http::verb::post, "/api/action", cookie, token, R"({"kind":"click","hwnd":5})").result(),
            http::status::ok);
  std::string big(200 * 1024, ' ');
  EXPECT_NE(Request(http::verb::post, "/api/action", cookie, token, "{" + big + "}").result(), http::status::ok);
  asio::post(io, [] {});
  EXPECT_EQ(actions.size(), 3u);
}

TEST_F(DeskServerTest, WebSocketPushesViewsToItsOwnOriginOnly) {
  asio::io_context client;
  beast::websocket::stream<beast::tcp_stream> ws(client);
  beast::get_lowest_layer(ws).connect(server->endpoint());
  std::string host = "127.0.0.1:" + std::to_string(server->endpoint().port());
  ws.set_option(beast::websocket::stream_base::decorator([&](beast::websocket::request_type& req) {
    req.set(http::field::cookie, cookie);
    req.set(http::field::origin, "http://" + host);
  }));
  ws.handshake(host, "/ws");
  beast::flat_buffer buffer;
  ws.read(buffer);
  EXPECT_EQ(nlohmann::json::parse(beast::buffers_to_string(buffer.data()))["title"], title);
  buffer.consume(buffer.size());
  asio::post(io, [this] {
    title = "changed";
    server->NotifyChanged();
  });
  ws.read(buffer);
  EXPECT_EQ(nlohmann::json::parse(beast::buffers_to_string(buffer.data()))["title"], "changed");

  beast::websocket::stream<beast::tcp_stream> foreign(client);
  beast::get_lowest_layer(foreign).connect(server->endpoint());
  foreign.set_option(beast::websocket::stream_base::decorator([&](beast::websocket::request_type& req) {
    req.set(http::field::cookie, cookie);
    req.set(http::field::origin, "http://evil.example");
  }));
  beast::error_code ec;
  foreign.handshake(host, "/ws", ec);
  EXPECT_TRUE(ec);
}

}  // namespace
}  // namespace tellmar::web
