// The Options sheet: the footnote of outgoing mail, the servers' ports, the
// log files, administration by mail ("Intranet Admin") and the master
// password ("External Admin").
//
// A page writes its keys on apply only when a person changed something on
// it, then [environment] RemoteUpdate. "&Reset Defaults" on the ports page
// puts back 25, 25 and binding for SMTP, 110, 110 and binding for POP3 and
// a 5-minute timeout. A listening port must be 1 to 65535 (the spin offers
// 1 to 5000); anything else would have the server listen on a port nobody
// chose.
#pragma once

#include "platform/dialog.h"

namespace tellmar::admin {

void RunOptionsSheet(HWND owner, DialogGuard& guard);

}  // namespace tellmar::admin
