// Restarting the main server on its own request (message 1938): a notice
// for ten seconds, then the program tmhub (else tmhub.exe) from the working
// directory is started.
#pragma once

#include "platform/messages.h"

namespace tellmar::admin {

inline constexpr UINT kRestartTimer = 4000;
inline constexpr unsigned kRestartDelayMs = 10000;

void BeginServerRestart();
// The timer's turn: start the server.
void FinishServerRestart();

}  // namespace tellmar::admin
