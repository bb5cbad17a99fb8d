// The "Mail routing" property sheet: the filter page, domain aliasing and
// undeliverable mail. Modal; OK commits the filters and stores the pages,
// Cancel discards them.
#pragma once

#include "platform/dialog.h"

namespace tellmar::admin {

void RunMailRoutingSheet(HWND owner, DialogGuard& guard);

}  // namespace tellmar::admin
