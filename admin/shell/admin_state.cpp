#include "admin/shell/admin_state.h"

#include <cstdio>

#include "common/ascii.h"
#include "platform/window.h"

namespace tellmar::admin {

Role RoleFromCommandLine(const std::vector<std::string>& argv) {
  std::string line;
  for (const std::string& arg : argv) line += (line.empty() ? "" : " ") + arg;
  line = AsciiUpper(line);
  if (line.find("\\TMADMIN32.EXE") != std::string::npos) return Role::SupportModule;
  if (argv.empty()) return Role::RemoteConfiguration;
  const std::string program = AsciiUpper(argv[0]);
  const std::size_t slash = program.find_last_of("/\\");
  if (slash == std::string::npos) return Role::RemoteConfiguration;  // found through the search path
  const std::string name = program.substr(slash + 1);
  return name == "TMADMIN32" || name == "TMADMIN32.EXE" ? Role::SupportModule : Role::RemoteConfiguration;
}

std::string_view WindowTitle(Role role) { return role == Role::SupportModule ? kSupportTitle : kRcuTitle; }

std::string_view TrayTip(Role role) {
  return role == Role::SupportModule ? "Tellmar support module..." : "Tellmar Remote Control module...";
}

int TrayIconResource(Role role) { return role == Role::SupportModule ? kSupportIcon : kRcuIcon; }

AdminState& App() {
  static AdminState state;
  return state;
}

std::string WindowsVersionText() {
  const AdminState& app = App();
  char text[300];
  std::snprintf(text, sizeof text, "Windows Version [%d.%d.%d] - %s", app.major, app.minor, app.build,
                app.servicePack.c_str());
  return text;
}

std::string ReadSlot(Slot slot, std::size_t limit) {
  const HWND hwnd = App().slots[static_cast<std::size_t>(slot)];
  if (hwnd == 0) return {};
  std::string text = GetWindowText(hwnd);
  if (text.size() > limit) text.resize(limit);
  return text;
}

void WriteSlot(Slot slot, std::string_view text) {
  const HWND hwnd = App().slots[static_cast<std::size_t>(slot)];
  if (hwnd != 0) SetWindowText(hwnd, text);
}

std::filesystem::path ServerDirectoryPath() { return FromWindowsPath(App().serverDir); }

void SetServerDirectory(std::string_view directory) {
  AdminState& app = App();
  app.serverDir = std::string(directory);
  // "C:\" keeps its separator; other directories lose a trailing one.
  while (app.serverDir.size() > 1 && (app.serverDir.back() == '\\' || app.serverDir.back() == '/') &&
         !(app.serverDir.size() == 3 && app.serverDir[1] == ':'))
    app.serverDir.pop_back();
  const char sep = app.serverDir.find('\\') != std::string::npos ? '\\' : '/';
  app.helpFilePath = app.serverDir + sep + "TELLMSRV.HLP";
}

std::filesystem::path ServerSettingsFile() { return FromWindowsPath(App().serverSettingsPath); }

}  // namespace tellmar::admin
