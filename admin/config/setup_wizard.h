// The setup wizard of a first installation (message 1824, tray "Setup
// Wizard"): eight pages in a wizard-style sheet centred on the screen, each
// checking its own fields on Next; nothing is written before Finish.
//
// Pages that do not apply to the chosen connection are passed over: an
// internal-only server goes from the connection type straight to the first
// user, and a TCP/IP connection skips the dial-up options. The closing page
// says which of the two kinds of server was set up; its texts are this
// implementation's own.
#pragma once

#include "platform/dialog.h"

namespace tellmar::admin {

// Modal; answers true when Finish ended it.
bool RunSetupWizard(HWND owner, DialogGuard& guard);

}  // namespace tellmar::admin
