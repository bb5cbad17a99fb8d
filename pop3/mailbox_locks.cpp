#include "pop3/mailbox_locks.h"

#include "common/scramble.h"

namespace tellmar::pop3 {

bool MailboxLocks::TryLock(std::string_view mailboxId) {
  return held_.insert(MailboxKeyWord(mailboxId)).second;
}

void MailboxLocks::Unlock(std::string_view mailboxId) { held_.erase(MailboxKeyWord(mailboxId)); }

bool MailboxLocks::IsLocked(std::string_view mailboxId) const {
  return held_.count(MailboxKeyWord(mailboxId)) != 0;
}

}  // namespace tellmar::pop3
