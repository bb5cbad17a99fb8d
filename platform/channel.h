// The cross-process channel: one Unix-domain socket per program in the
// desktop directory (desktop.h), frames of wire.h over it.
//
// Answering: the loop watches the listening socket and every accepted
// connection; a complete request is handled at once (window messages by
// value, enumeration, automation) and answered on its connection. A request
// for a window that is not this program's, a malformed frame or an unknown
// kind gets an error reply (a malformed frame also closes its connection);
// partial frames wait in a per-connection buffer, so a slow or truncated
// sender never blocks the loop. Replies wait in a bounded per-connection
// queue written when the socket takes them, so a peer that asks and never
// reads cannot block the loop either. When the process runs out of
// descriptors, accepting pauses briefly instead of spinning.
//
// Asking: a call writes its request on a pooled connection to the peer and
// then waits in a private poll loop that also serves requests addressed to
// this program, so the peer may call back into it (read and write its slots)
// before it answers. Posted messages, timers and sockets of the program wait
// until the call returns, as during a real SendMessage. A peer that dies
// gives an error at once (its connection closes); one that stops answering
// pings gives an error after kPeerSilenceLimit.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/desktop.h"
#include "platform/window.h"
#include "platform/wire.h"

namespace tellmar {

class Loop;

inline constexpr std::chrono::milliseconds kPingInterval{1000};
inline constexpr std::chrono::milliseconds kPeerSilenceLimit{10000};
inline constexpr std::chrono::milliseconds kWriteTimeout{5000};

class Channel {
 public:
  static std::unique_ptr<Channel> Open(Loop& loop, std::string_view program, std::error_code& error);
  ~Channel();
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;

  int slot() const { return lock_.slot(); }
  const std::filesystem::path& directory() const { return dir_; }

  SendResult Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  SendResult Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  SendResult SetText(HWND hwnd, std::string_view text);
  struct TextResult {
    bool ok = false;
    std::string text;
    std::string error;
  };
  TextResult GetText(HWND hwnd);
  // Any request to the program owning `hwnd` (automation uses this).
  wire::Reply Call(HWND hwnd, const wire::Request& request);
  wire::Reply CallSlot(int slot, const wire::Request& request);

  std::vector<TopLevelWindow> EnumerateOthers();

  // The answer to one request from another program (public for tests).
  wire::Reply Handle(const wire::Request& request);

 private:
  struct Connection;
  Channel(Loop& loop, std::filesystem::path dir, SlotLock lock, int listenFd, std::string program);
  void WatchListener();
  void AcceptAll();
  void PauseAccepting();
  void ResumeAccepting();
  void Watch(const std::shared_ptr<Connection>& c);
  void Service(const std::shared_ptr<Connection>& c);
  // Replies go out as the peer takes them, never waiting on the loop; a peer
  // that lets them pile up past a limit is dropped.
  void QueueReply(const std::shared_ptr<Connection>& c, const wire::Reply& reply);
  void Flush(const std::shared_ptr<Connection>& c);
  void RefuseAndClose(const std::shared_ptr<Connection>& c, const std::string& reason);
  void Close(const std::shared_ptr<Connection>& c);
  int Connect(int slot, std::string& error);
  // Serves incoming requests until `fd` is readable or the deadline passes.
  void ServeWhileWaiting(const std::vector<int>& fds, std::vector<short>& ready, int timeoutMs);

  Loop& loop_;
  std::filesystem::path dir_;
  SlotLock lock_;
  std::string program_;
  struct Listener;
  std::unique_ptr<Listener> listener_;
  std::map<int, std::shared_ptr<Connection>> connections_;  // by descriptor
  std::map<int, std::vector<int>> idle_;                    // pooled connections by slot
};

}  // namespace tellmar
