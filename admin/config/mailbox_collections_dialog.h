// "Collecting mail from multiple mailboxes": the list of additional
// mailboxes with its editor. OK and Apply rewrite the whole section; a close
// with changes not yet written asks whether to write them.
#pragma once

#include "platform/dialog.h"

namespace tellmar::admin {

// True when closed with OK.
bool RunMailboxCollectionsDialog(HWND owner, DialogGuard& guard);

}  // namespace tellmar::admin
