// "Copy/Move messages" (161): what the dialog offers and shows, apart from
// the window, so that it can be checked on its own. RunCopyMove
// (message_ops.h) runs the dialog.
//
// Choices of this implementation:
//  - a user record whose mailbox ID is not a plain folder name has no folder
//    to copy into and is not offered;
//  - Copy or Move with no target selected says "Failed to get list of
//    selected items..." (the dialog stays open); so do the two limits of
//    1000 messages and 1000 targets, each with its own text;
//  - a copy that fails (the message or a companion cannot be written) says
//    "File copy error - All files may not have been copied correctly...";
//    a target folder that cannot be made or listed, or that has no free
//    name left, says "Error Encountered copying files..."; either ends the
//    whole operation, and a move then deletes no source at all;
//  - a missing target folder is made;
//  - Cancel on the progress window ends the operation as a failure does,
//    without a box: what is copied stays, a move deletes no source.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tellmar::admin::mailview {

struct CopyTarget {
  std::string line;    // as the list shows it
  std::string folder;  // relative to the server directory
  bool archive = false;
  int record = -1;  // the user record it shows, -1 for the archive
};

// "Copy/Move %d message to -" for one, "Copy/Move %d messages to -" else.
std::string CopyMoveCaption(int messages);

// "(System Postmaster)", the user folders (USER1 upward until the first
// record without realname) as mailbox ID in upper case, TAB, real name
// (each read with at most 24 characters), sorted by that text, except the
// folder being viewed; then the two archive lines.
std::vector<CopyTarget> CopyMoveTargets(const std::filesystem::path& settingsFile,
                                        const std::filesystem::path& viewedFolder);

// What selecting a target shows: the record's real name, e-mail address
// (the ID key; with [Environment] UseDomain nonzero and no "@" in it, "@"
// and the Domain appended) and POP3 user ID. Empty for the archive.
struct TargetDetails {
  std::string realName, address, popId;
};
TargetDetails CopyTargetDetails(const std::filesystem::path& settingsFile, const CopyTarget& target);

}  // namespace tellmar::admin::mailview
