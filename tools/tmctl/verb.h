// tmctl's verbs. Each verb file registers its verb with a static Verb object;
// main() looks the first argument up and runs it with the rest.
//
// A verb prints its result on standard output followed by a line end and
// returns 0, or prints one line "tmctl: ..." on standard error and returns
// non-zero (Fail() does that).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tmctl {

using Args = std::vector<std::string>;
using VerbFunction = int (*)(const Args& args);

struct Verb {
  Verb(std::string_view name, std::string_view usage, VerbFunction run);
};

// Prints "tmctl: <message>" on standard error; returns 1 (usage errors 2).
int Fail(std::string_view message);
int Usage(std::string_view usage);

}  // namespace tmctl
