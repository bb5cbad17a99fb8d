#include "pop3/login_guard.h"

#include <algorithm>

namespace tellmar::pop3 {

void LoginGuard::Forget(std::deque<Millis>& times, Millis now) const {
  while (!times.empty() && now - times.front() >= kFailureWindow) times.pop_front();
}

void LoginGuard::NoteFailure(const std::string& address) {
  const Millis now = clock_.Now();
  if (failures_.size() >= kMostGuardedAddresses && failures_.count(address) == 0) {
    // Drop the addresses whose failures have all aged out; if none, the
    // one that failed longest ago.
    for (auto it = failures_.begin(); it != failures_.end();) {
      Forget(it->second, now);
      it = it->second.empty() ? failures_.erase(it) : std::next(it);
    }
    if (failures_.size() >= kMostGuardedAddresses) {
      failures_.erase(std::min_element(failures_.begin(), failures_.end(), [](const auto& a, const auto& b) {
        return a.second.back() < b.second.back();
      }));
    }
  }
  auto& times = failures_[address];
  Forget(times, now);
  times.push_back(now);
  // Only the recent count matters; a flood from one address stays small.
  while (times.size() > kFailuresBeforeSlowDown + kMostLoginDelay / kLoginDelayStep) times.pop_front();
}

Millis LoginGuard::Delay(const std::string& address) {
  const auto it = failures_.find(address);
  if (it == failures_.end()) return 0;
  Forget(it->second, clock_.Now());
  const auto count = static_cast<Millis>(it->second.size());
  if (it->second.empty()) {
    failures_.erase(it);
    return 0;
  }
  if (count < kFailuresBeforeSlowDown) return 0;
  return std::min(kMostLoginDelay, (count - kFailuresBeforeSlowDown + 1) * kLoginDelayStep);
}

}  // namespace tellmar::pop3
