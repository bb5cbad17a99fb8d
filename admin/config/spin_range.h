// An up-down control's range over a number field that keeps the stored
// value: the spin moves its buddy's text to its own position, so a value
// outside the range (a port above the spin's 5000, an hour of -1) would be
// shown, and then stored, as the range's end. Such a value is left as it
// stands; the spin then starts from the range's end when a person uses it.
#pragma once

#include <string_view>

#include "platform/window.h"

namespace tellmar::admin {

void SetSpinKeepingValue(HWND dialog, int spin, int min, int max, std::string_view value);

}  // namespace tellmar::admin
