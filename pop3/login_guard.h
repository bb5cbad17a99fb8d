// Failed logins by client address. Every failure is logged with the address,
// so that an administrator sees a guessing attack; once an address has failed
// kFailuresBeforeSlowDown times within kFailureWindow, the server's answers to
// that address's logins come late, more so with each further failure. Nothing
// is ever locked: the real user typing the right password from the same
// address still gets in, only slower, and an attacker cannot shut anyone out.
#pragma once

#include <deque>
#include <map>
#include <string>

#include "pop3/clock.h"

namespace tellmar::pop3 {

inline constexpr int kFailuresBeforeSlowDown = 3;
inline constexpr Millis kFailureWindow = 60'000;
// Each failure past the allowance adds this much, up to kMostLoginDelay.
inline constexpr Millis kLoginDelayStep = 1'000;
inline constexpr Millis kMostLoginDelay = 5'000;
// Addresses remembered at most; the oldest are forgotten first.
inline constexpr std::size_t kMostGuardedAddresses = 4096;

class LoginGuard {
 public:
  explicit LoginGuard(const Clock& clock) : clock_(clock) {}

  void NoteFailure(const std::string& address);
  // How long an answer to a login from `address` is held back now.
  Millis Delay(const std::string& address);

 private:
  void Forget(std::deque<Millis>& times, Millis now) const;

  const Clock& clock_;
  std::map<std::string, std::deque<Millis>> failures_;
};

}  // namespace tellmar::pop3
