// The mail administration window "Administration - Mail Server" (160):
// one modeless window that browses the folders of the mail store and acts
// on their messages (message_ops.h, message_print.h).
//
// Choices made here:
//  - F6-Viewer switches the message text on and off ([MsgViewer] View);
//    "Show Headers" switches the header lines ([MsgViewer] headers).
//  - A folder line with mail is drawn bold; its has-mail flag is the row's
//    item data.
//  - The size and date line dates a message by its file's last change: the
//    file systems here keep no creation time the programs can rely on.
#pragma once

#include <optional>
#include <string_view>

#include "platform/messages.h"

namespace tellmar::admin::mailview {

// Creates the window, or brings the open one to the front with its
// message list refilled; with a user name, on that user's folder line.
HWND OpenMailWindow(std::optional<std::string_view> user = std::nullopt);
HWND MailWindow();  // 0 while closed

// F5-Refresh (message 1827): every folder's has-mail flag, and the message
// list when the selected folder's count changed. Nothing while closed.
void RefreshMailWindow();
// Rebuilds the folder list, the users' lines in record order (message 1930)
// or sorted.
void RebuildMailWindowFolders(bool recordOrder);
// The status line's text (message 1823).
void SetMailWindowStatus(std::string_view text);
// F9-Close: saves the place and closes.
void CloseMailWindow();

}  // namespace tellmar::admin::mailview
