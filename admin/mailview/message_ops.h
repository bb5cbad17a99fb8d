// The message operations of the mail administration window: delete, hold
// and release, copy and move. Each works on the files of the mail store, a
// message always together with its companions (ENV, LCK, TRG, found in any
// letter case). The window (mail_window.cpp) calls these with its selection
// and refreshes its lists afterwards. The file work itself is in
// message_files.h, the Copy/Move dialog's lists in copy_move_dialog.h.
//
// A delete, copy or move that changed the store writes RemoteUpdate itself
// (NoteStoreChanged); a caller that calls it again changes nothing.
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/messages.h"

namespace tellmar::admin::mailview {

// Deletes `messages` (full paths, in list order) with their companions.
// Several messages show progress; a message file that cannot be deleted
// stops there with the "File Delete error" box. Answers how many message
// files are gone. At most the first 1000 are taken; Cancel on the progress
// window stops after the message being deleted. A message file already gone
// counts as deleted (its companions still go).
int DeleteMessages(HWND owner, const std::vector<std::filesystem::path>& messages);

// The message's lock file exists.
bool IsHeld(const std::filesystem::path& message);
// Creates (held, replacing an existing one) or deletes (released, every
// spelling) the lock file; `now` dates its text with the four-digit year.
bool SetHeld(const std::filesystem::path& message, bool held, std::time_t now);
// "Mark multiple messages as held" (162, centred on the screen, "NOT held"
// preselected): true held, false not held, nothing when the person
// cancelled; Cancel means no operation, never "not held".
std::optional<bool> AskHoldMultiple(HWND owner);

// "Copy/Move messages" (161) for `messages` of the folder `viewedFolder`
// (its path relative to the server directory, as the folder list keeps it).
// Answers true when any file of the store changed.
bool RunCopyMove(HWND owner, const std::filesystem::path& viewedFolder,
                 const std::vector<std::filesystem::path>& messages);

// [environment] RemoteUpdate=-1 after a delete, copy or move.
void NoteStoreChanged();

}  // namespace tellmar::admin::mailview
