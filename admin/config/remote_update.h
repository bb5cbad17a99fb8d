// The change notice for the main server: after a settings change it must
// pick up, [environment] RemoteUpdate is set to "-1"; the main server reloads
// its settings when it sees the flag. Writes reach the file at once (there is
// no profile cache to flush), so setting the key is the whole notice.
#pragma once

#include <filesystem>
#include <system_error>

#include "common/profile.h"

namespace tellmar::admin {

// Adds the notice to a batch, so that it lands with the change it announces.
void AddRemoteUpdate(ProfileBatch& batch);

// Sets the notice on its own, after a change already written.
std::error_code WriteRemoteUpdate(const std::filesystem::path& settingsFile);

}  // namespace tellmar::admin
