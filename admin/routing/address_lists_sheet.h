// The "Address/Mailing lists" sheet: the lists with their editor and the
// per-list sender settings ("Change Reply address"). It closes with
// "Close"; every change is stored when it is made.
#pragma once

#include "platform/dialog.h"

namespace tellmar::admin {

void RunAddressListsSheet(HWND owner, DialogGuard& guard);

}  // namespace tellmar::admin
