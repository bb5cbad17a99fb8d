// The Remote Configuration Utility's state and rules that do not depend on
// its dialog: where its own settings live, which menu items each connection
// state enables, the saved position, the remote access password check, and
// the files its log viewers open.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "admin/shell/commands.h"

namespace tellmar::admin {

enum class RcuState { Unlocated, Located, Connected };

inline constexpr std::string_view kRemoteAccessKeyWord = "KQZVRLM";
inline constexpr int kNeverSaved = -999;

// The RCU's own settings: TM3ADMIN.INI in its working directory.
std::filesystem::path RcuSettingsFile(const std::filesystem::path& workingDir);

// Whether a menu command is enabled in a state (greyed otherwise).
bool RcuMenuEnabled(RcuState state, int command);
// The Connect and Disconnect buttons.
bool RcuConnectButtonEnabled(RcuState state);
bool RcuDisconnectButtonEnabled(RcuState state);

struct Point {
  int x = 0, y = 0;
};
// Where the dialog opens: a quarter into the screen when never saved, else
// the saved place pulled back onto the screen.
Point RcuDialogPosition(int savedLeft, int savedTop, int dialogWidth, int screenWidth, int screenHeight);

// True when `entered` opens the server: no stored password lets anything
// in; otherwise a non-empty entry whose scrambled form equals the stored one.
bool RemoteAccessPasswordMatches(std::string_view stored, std::string_view entered);

// The server directory a chosen path names: the path cut before its file
// part; a bare drive ("C:") gets a backslash.
std::string ChosenServerDirectory(std::string_view chosenPath);

// "\\server\share\..." -> "\\server\share"; nullopt for a local path.
std::optional<std::string> NetworkShareOf(std::string_view settingsPath);

}  // namespace tellmar::admin
