// tmctl scramble / unscramble: the password scrambler, for filling `pw` keys
// and checking them. The key word is used as given: for a user's password
// give the mailbox ID in upper case, as the programs form it.
#include "common/scramble.h"
#include "tools/tmctl/output.h"
#include "tools/tmctl/verb.h"

namespace tmctl {
namespace {

int RunScramble(const Args& a) {
  if (a.size() != 2) return Usage("scramble KEYWORD TEXT");
  return PrintLine(tellmar::Scramble(a[0], a[1]));
}

int RunUnscramble(const Args& a) {
  if (a.size() != 2) return Usage("unscramble KEYWORD TEXT");
  return PrintLine(tellmar::Unscramble(a[0], a[1]));
}

const Verb kScramble("scramble", "scramble KEYWORD TEXT", RunScramble);
const Verb kUnscramble("unscramble", "unscramble KEYWORD TEXT", RunUnscramble);

}  // namespace
}  // namespace tmctl
