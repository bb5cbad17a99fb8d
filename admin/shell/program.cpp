#include "admin/shell/program.h"

#include <sys/utsname.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "admin/shell/admin_state.h"
#include "admin/shell/main_window.h"
#include "admin/shell/rcu_dialog.h"
#include "admin/shell/tray_menu.h"
#include "common/path_case.h"
#include "common/profile.h"
#include "common/user_config.h"
#include "platform/loop.h"
#include "platform/operator.h"
#include "platform/text.h"
#include "platform/window.h"

namespace tellmar::admin {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kRunAsServiceRead = 12;

bool EarlierInstance(Role role) {
  for (const TopLevelWindow& w : EnumWindows()) {
    std::string title = w.title.substr(0, 256);
    if (EqualsNoCase(title, WindowTitle(role)) && w.hwnd != App().main) return true;
  }
  return false;
}

// The kernel's version numbers stand in for the Windows version.
void ReadPlatform(AdminState& app) {
  struct utsname names {};
  if (::uname(&names) == 0) std::sscanf(names.release, "%d.%d.%d", &app.major, &app.minor, &app.build);
  app.build &= 0xFFFF;
  app.servicePack =
      app.registry.GetValue(RegistryRoot::LocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion", "CSDVersion")
          .value_or("");
}

// Boxes wait for a person (the browser desktop or tmctl) when
// TELLMAR_OPERATOR asks for it; a server running as a service never shows
// any. The service mode can change at run time (message 1325), so each box
// asks the mode of the moment which operator answers it; a box already up
// stays with the operator that shows it.
class ServiceModeOperator : public Operator {
 public:
  int MessageBox(const MessageBoxRequest& request) override { return Current().MessageBox(request); }
  std::optional<FileAnswer> ChooseFile(const FileRequest& request) override { return Current().ChooseFile(request); }
  std::optional<PrintAnswer> ChoosePrinter(const PrintRequest& request) override {
    return Current().ChoosePrinter(request);
  }
  UINT TrackPopupMenu(const PopupRequest& request) override { return Current().TrackPopupMenu(request); }

 private:
  Operator& Current() { return App().runAsService ? *unattended_ : *person_; }

  std::unique_ptr<Operator> unattended_ = MakeUnattendedOperator();
  std::unique_ptr<Operator> person_ = MakeOperatorFromEnvironment();
};

}  // namespace

int RunAdmin(const std::vector<std::string>& argv) {
  AdminState& app = App();
  app.role = RoleFromCommandLine(argv);
  app.winIni = UserWinIni();
  std::error_code ec;
  app.programDir = fs::read_symlink("/proc/self/exe", ec).parent_path();

  Loop loop;
  if (auto error = loop.OpenChannel("tmadmin32")) {
    std::fprintf(stderr, "tmadmin32: cannot join the desktop: %s\n", error.message().c_str());
    return 1;
  }
  loop.SetOperator(std::make_unique<ServiceModeOperator>());
  if (EarlierInstance(app.role)) return 1;
  ReadPlatform(app);

  if (!RegisterMainWindowClass()) {
    MessageBox(0, "Cannot register main window class", "Error", MB_OK | MB_ICONSTOP);
    return 1;
  }
  app.main = CreateMainWindow();
  if (app.main == 0) {
    MessageBox(0, "Cannot create main window", "Error", MB_OK | MB_ICONSTOP);
    return 1;
  }
  loop.SetMainWindow(app.main);

  app.workingDir = fs::current_path(ec);
  if (ec) MessageBox(app.main, "Failed to locate current working directory...", "Error", MB_OK | MB_ICONSTOP);
  if (!app.workingDir.empty()) {
    fs::remove(ResolveNoCase(app.workingDir, "Dun.$$$"), ec);
    SetServerDirectory(app.workingDir.string());
  }
  if (app.serverSettingsPath.empty()) app.serverSettingsPath = (app.workingDir / "TMHUB.INI").string();
  const std::string service =
      GetProfileString(app.workingDir / "TMHUB.INI", "Environment", "RunAsService", "0", kRunAsServiceRead);
  app.runAsService = service == "1" || service == "-1";

  if (app.role == Role::RemoteConfiguration) {
    app.adminSettingsPath = RcuSettingsFile(app.workingDir);
    CreateRcuDialog();
  }
  AddTrayIcon();
  return loop.Run();
}

}  // namespace tellmar::admin
