// The in-memory mailbox locks: at most one session holds a mailbox ID,
// compared without regard to case. Nothing is written to disk.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

namespace tellmar::pop3 {

class MailboxLocks {
 public:
  // Takes the lock; false when another session holds an equal ID.
  bool TryLock(std::string_view mailboxId);
  void Unlock(std::string_view mailboxId);
  bool IsLocked(std::string_view mailboxId) const;
  std::size_t size() const { return held_.size(); }

 private:
  std::unordered_set<std::string> held_;  // upper-cased IDs
};

}  // namespace tellmar::pop3
