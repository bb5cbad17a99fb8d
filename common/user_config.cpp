#include "common/user_config.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace tellmar {

std::filesystem::path UserConfigDir() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    return std::filesystem::path(xdg) / "tellmar";
  }
  const char* home = std::getenv("HOME");
  if (!home || !*home) {
    const passwd* pw = ::getpwuid(::getuid());
    home = pw ? pw->pw_dir : "/tmp";
  }
  return std::filesystem::path(home) / ".config" / "tellmar";
}

std::filesystem::path UserWinIni() { return UserConfigDir() / "win.ini"; }

}  // namespace tellmar
