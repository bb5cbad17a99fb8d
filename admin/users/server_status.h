// "Server Status": a read-only summary of the server's set-up, shown when
// the main server asks (message 1254, with the number of configured users).
#pragma once

#include <filesystem>
#include <map>

#include "platform/dialog.h"
#include "platform/registry_store.h"

namespace tellmar::admin {

// What each control of the box shows: edits their text, check boxes "1"/"0".
std::map<int, std::string> ServerStatusFields(const std::filesystem::path& ini,
                                              const std::filesystem::path& workingDir, int configuredUsers,
                                              const RegistryStore& registry);

// Runs the box modally; nothing is ever written to the settings.
void RunServerStatus(HWND owner, DialogGuard& guard);

}  // namespace tellmar::admin
