// The password scrambler: a period-8 substitution over the 94 printable ASCII
// characters ("!" to "~"), keyed by a key word. User passwords are keyed by
// the upper-cased mailbox ID; other stored passwords by fixed key words.
//
// Key words with characters outside "!".."~" (a space, a control or 8-bit
// byte): those characters are left out of the key alphabet, which therefore
// stays a rearrangement of the 94 characters and every text still round-trips.
// Text characters outside the alphabet (a space, 8-bit bytes) are stored
// unchanged.
#pragma once

#include <string>
#include <string_view>

namespace tellmar {

std::string Scramble(std::string_view keyWord, std::string_view text);
std::string Unscramble(std::string_view keyWord, std::string_view stored);

// The key word of a user's password: the mailbox ID with a-z turned to A-Z.
std::string MailboxKeyWord(std::string_view mailboxId);

}  // namespace tellmar
