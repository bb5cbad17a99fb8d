// The server configuration sheet (message 1825 or 1835, tray command 1112,
// the remote utility's "&Internet access"): connection type, dial-up
// networking, incoming and outgoing mail, server options, the domain and
// the time server plug-in. Modal; each page writes its keys of tmhub.ini
// when the sheet applies.
#pragma once

#include "platform/dialog.h"

namespace tellmar::admin {

inline constexpr const char* kInternetSheetCaption = "Server configuration";

void RunInternetSheet(HWND owner, DialogGuard& guard);

}  // namespace tellmar::admin
