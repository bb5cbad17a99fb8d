// The hidden main window of class CorvVuvedo32Utility, in both roles: the
// support module's message interface, the commands of the tray popup and of
// the RCU dialog, and the dispatch of the configuration dialogs.
#pragma once

#include "platform/messages.h"

namespace tellmar::admin {

bool RegisterMainWindowClass();
// Creates the main window (hidden) with its two dial-up edit children.
HWND CreateMainWindow();

LRESULT MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace tellmar::admin
