// Where a user's own settings live: $XDG_CONFIG_HOME/tellmar, else
// ~/.config/tellmar. It holds the user's Windows settings file (win.ini),
// the dial-up phonebook of the simulated modem and the registry store.
#pragma once

#include <filesystem>

namespace tellmar {

std::filesystem::path UserConfigDir();
// The user's Windows settings file: win.ini in UserConfigDir().
std::filesystem::path UserWinIni();

}  // namespace tellmar
