#include "admin/shell/rcu_model.h"

#include "common/path_case.h"
#include "common/scramble.h"

namespace tellmar::admin {

namespace fs = std::filesystem;

fs::path RcuSettingsFile(const fs::path& workingDir) { return workingDir / "TM3ADMIN.INI"; }

bool RcuMenuEnabled(RcuState state, int command) {
  using namespace rcu_command;
  switch (command) {
    case kSetLocation:
    case kExit:
    case kRcuHelp:
    case kAbout:
      return true;
    case kConnect:
    case kHelpContents:
    case kHelpSearch:
      return state != RcuState::Unlocated;
    default:
      return state == RcuState::Connected;
  }
}

bool RcuConnectButtonEnabled(RcuState state) { return state == RcuState::Located; }
bool RcuDisconnectButtonEnabled(RcuState state) { return state == RcuState::Connected; }

Point RcuDialogPosition(int savedLeft, int savedTop, int dialogWidth, int screenWidth, int screenHeight) {
  if (savedLeft == kNeverSaved || savedTop == kNeverSaved) return {screenWidth / 4, screenHeight / 4};
  Point p{savedLeft, savedTop};
  if (p.x + dialogWidth < 20) p.x = 0;
  if (p.y < 0) p.y = 0;
  if (p.y > screenHeight - 20) p.y = screenHeight - 20;
  if (p.x > screenWidth - 20) p.x = screenWidth - 20;
  return p;
}

bool RemoteAccessPasswordMatches(std::string_view stored, std::string_view entered) {
  if (stored.empty()) return true;
  if (entered.empty()) return false;
  return Scramble(kRemoteAccessKeyWord, entered) == stored;
}

std::string ChosenServerDirectory(std::string_view chosenPath) {
  std::size_t at = chosenPath.find_last_of("\\/");
  if (at == std::string_view::npos) return {};
  if (at == 0) return std::string(chosenPath.substr(0, 1));  // the root itself
  std::string_view dir = chosenPath.substr(0, at);
  if (dir.size() == 2 && dir[1] == ':') return std::string{dir[0], ':', '\\'};
  return std::string(dir);
}

std::optional<std::string> NetworkShareOf(std::string_view settingsPath) {
  if (settingsPath.size() < 3 || settingsPath.substr(0, 2) != "\\\\") return std::nullopt;
  std::size_t serverEnd = settingsPath.find('\\', 2);
  if (serverEnd == std::string_view::npos || serverEnd == 2) return std::nullopt;
  std::size_t shareEnd = settingsPath.find('\\', serverEnd + 1);
  if (shareEnd == serverEnd + 1) return std::nullopt;
  return std::string(settingsPath.substr(0, shareEnd));
}

}  // namespace tellmar::admin
