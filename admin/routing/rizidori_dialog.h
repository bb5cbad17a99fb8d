// "RiziDori configuration": the switch, the 14 phrase boxes and the user
// who receives a copy of each message that holds a phrase.
#pragma once

#include "platform/dialog.h"

namespace tellmar::admin {

// True when closed with OK (and the settings stored).
bool RunRiziDoriDialog(HWND owner, DialogGuard& guard);

}  // namespace tellmar::admin
