// "Attachment handling": whether the main server keeps copies of the
// attachments of incoming mail, which ones, where, and what happens to the
// message.
//
// The directory is stored as typed (LongExtractDir) and in the form the
// server reads (ExtractDir): on this system the path itself with a "/" at
// the end. A relative path is taken from the server directory. It must be an
// existing directory whenever one is typed or copies are to be taken. In the
// Remote Configuration Utility the directory is left as it is stored.
#pragma once

#include "platform/dialog.h"

namespace tellmar::admin {

// True when closed with OK (and the settings stored).
bool RunAttachmentsDialog(HWND owner, DialogGuard& guard);

}  // namespace tellmar::admin
