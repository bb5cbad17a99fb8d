// "Maintain network users": browse, add, edit and delete the USER%d records
// and their mailbox folders (admin/users/network_users.h).
#pragma once

#include "platform/dialog.h"

namespace tellmar::admin {

namespace UsersMode {
enum : int { kBrowsing, kAdding, kEditing };
}

// Runs the dialog modally until "Close"; answers true.
bool RunUsersDialog(HWND owner, DialogGuard& guard);

}  // namespace tellmar::admin
