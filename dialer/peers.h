// The clients' windows the dialler writes into, and the bookkeeping of which
// one gets which text. The dialler never creates or destroys a peer window;
// it only sets and reads its text (PeerWindows, implemented by the window
// layer over the cross-process channel).
//
//   status window           result words
//   parameter window        request texts and directories in, answers out
//   request status window   the current request's result words, in place of
//                           the status window, until "OK" has been sent
//   failure text window     readable failure texts
//
// One handle per kind, the last registration wins, 0 unregisters. A text for
// a kind that has no window is not delivered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tellmar::dialer {

using PeerHandle = std::uint64_t;  // a window handle; 0 is none

class PeerWindows {
 public:
  virtual ~PeerWindows() = default;
  virtual void SetPeerText(PeerHandle window, std::string_view text) = 0;
  // At most maxChars characters of the window's text.
  virtual std::string GetPeerText(PeerHandle window, std::size_t maxChars) = 0;
  // Adds a string to a client's combo box (entry list for a client).
  virtual void AddComboString(PeerHandle combo, std::string_view text) = 0;
};

class Peers {
 public:
  explicit Peers(PeerWindows& windows) : windows_(windows) {}

  void SetStatusWindow(PeerHandle h) { status_ = h; }
  void SetParamWindow(PeerHandle h) { param_ = h; }
  void SetRequestStatusWindow(PeerHandle h) { requestStatus_ = h; }
  void SetFailWindow(PeerHandle h) { fail_ = h; }
  PeerHandle statusWindow() const { return status_; }
  PeerHandle paramWindow() const { return param_; }
  PeerHandle requestStatusWindow() const { return requestStatus_; }
  PeerHandle failWindow() const { return fail_; }

  // A result word: to the request status window when one is registered,
  // else to the status window. "OK" ends the request: the request status
  // window is forgotten after receiving it.
  void SendResult(std::string_view word);
  // Always to the status window.
  void SendStatus(std::string_view word);
  void SendFailText(std::string_view text);
  void Answer(std::string_view text);  // into the parameter window
  std::string ReadParam(std::size_t maxChars);
  void AddComboString(PeerHandle combo, std::string_view text) { windows_.AddComboString(combo, text); }

  // Client list: ids in order of registration, each once.
  void AddClient(std::int64_t id);
  // True when other ids remain after removing this one.
  bool RemoveClient(std::int64_t id);
  void ClearClients() { clients_.clear(); }
  const std::vector<std::int64_t>& clients() const { return clients_; }

 private:
  void Send(PeerHandle h, std::string_view text);

  PeerWindows& windows_;
  PeerHandle status_ = 0, param_ = 0, requestStatus_ = 0, fail_ = 0;
  std::vector<std::int64_t> clients_;
};

}  // namespace tellmar::dialer
