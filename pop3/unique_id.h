// The unique ID of a message (UIDL): what identifies the file in its mailbox
// folder, so that it is the same in every session and after a restart.
//
// The ID is the file's name without ".txt" and its modification time to the
// nanosecond: "0001a2b3-6571f0c2.1d2e3f40". The name alone would come back
// for another message: the names count up from the tick count and the
// welcome messages are always 00000001 to 00000003, so a mailbox that was
// emptied and refilled could hold a new message under an old name. The time
// a file was written sets it apart.
//
// Copy and move by the administration window write a new file into the
// target folder (the same name when it is free, else a fresh one): the
// message gets a new modification time there and so a new ID, and a client
// that keeps mail on the server fetches it once as the new message it is for
// that mailbox. The source folder's other messages keep their IDs. A file
// restored with its times (cp -p, rsync -a, tar) keeps its ID; one that is
// rewritten gets a new one and is fetched again.
#pragma once

#include <string>

#include "common/maildrop.h"

namespace tellmar::pop3 {

// Longest unique ID RFC 1939 allows.
inline constexpr std::size_t kMaxUniqueIdLength = 70;

// Printable characters 0x21 to 0x7E only, at most kMaxUniqueIdLength.
std::string UniqueId(const MaildropEntry& entry);

}  // namespace tellmar::pop3
