// File descriptors of the process: every connection costs one, and so does
// every file a session opens. A service manager usually starts a program with
// a low soft limit and a higher hard one; the server takes what it may.
#pragma once

#include <cstddef>

namespace tellmar::pop3 {

// Raises the soft descriptor limit to the hard one (at most kDescriptorCeiling).
void RaiseDescriptorLimit();

// The current soft limit.
std::size_t DescriptorLimit();

// Descriptors the process has open now; the limit when they cannot be
// counted (which happens when none is left).
std::size_t OpenDescriptors();

inline constexpr std::size_t kDescriptorCeiling = 65536;

}  // namespace tellmar::pop3
