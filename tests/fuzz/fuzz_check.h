// The one way a fuzz target reports a broken invariant: a line saying which,
// then an abort, which the fuzzer and the seed replay both count as a finding.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}
