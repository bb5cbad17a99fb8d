// "Administrators Properties" (message 1937): the main server's switches for
// administration by mail, on the one page "Special Administration". Owned
// by the main server's window and centred on the screen.
#pragma once

#include "platform/dialog.h"

namespace tellmar::admin {

inline constexpr const char* kAdministratorsCaption = "Administrators Properties";

void RunAdministratorsSheet(HWND owner, DialogGuard& guard);

}  // namespace tellmar::admin
