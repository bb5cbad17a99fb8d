// The support module's service messages: the main server registers its
// slots and asks questions about the machine; each answer is written into
// the slots before the handler returns, so the sender reads them as soon as
// its send comes back.
#pragma once

#include <optional>

#include "admin/shell/commands.h"

namespace tellmar::admin {

// Answers the message when it is one of the services (nullopt otherwise).
std::optional<LRESULT> HandleServiceMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace tellmar::admin
