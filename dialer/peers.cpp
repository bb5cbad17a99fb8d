#include "dialer/peers.h"

#include <algorithm>

#include "dialer/messages.h"

namespace tellmar::dialer {

void Peers::Send(PeerHandle h, std::string_view text) {
  if (h != 0) windows_.SetPeerText(h, text);
}

void Peers::SendResult(std::string_view w) {
  if (requestStatus_ != 0) {
    Send(requestStatus_, w);
    if (w == word::kOk) requestStatus_ = 0;
    return;
  }
  Send(status_, w);
}

void Peers::SendStatus(std::string_view w) { Send(status_, w); }

void Peers::SendFailText(std::string_view text) { Send(fail_, text); }

void Peers::Answer(std::string_view text) { Send(param_, text); }

std::string Peers::ReadParam(std::size_t maxChars) {
  return param_ != 0 ? windows_.GetPeerText(param_, maxChars) : std::string();
}

void Peers::AddClient(std::int64_t id) {
  if (std::find(clients_.begin(), clients_.end(), id) == clients_.end()) clients_.push_back(id);
}

bool Peers::RemoveClient(std::int64_t id) {
  clients_.erase(std::remove(clients_.begin(), clients_.end(), id), clients_.end());
  return !clients_.empty();
}

}  // namespace tellmar::dialer
