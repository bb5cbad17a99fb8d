// The role a command line names, binding the dial-up handler, and the
// program the desktop's MIME database associates with a file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <vector>

#include "admin/shell/admin_state.h"
#include "admin/shell/dialup_binding.h"
#include "platform/controls.h"
#include "platform/loop.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "tests/unit/common/temp_dir.h"

using namespace tellmar;
using namespace tellmar::admin;

TEST(AdminRole, OnlyTheShippedNameWithADirectoryIsTheSupportModule) {
  EXPECT_EQ(RoleFromCommandLine({"/opt/tellmar/tmadmin32"}), Role::SupportModule);
  EXPECT_EQ(RoleFromCommandLine({"./TMADMIN32.exe", "any", "args"}), Role::SupportModule);
  EXPECT_EQ(RoleFromCommandLine({"tmremote", "X:\\DIR\\TMADMIN32.EXE"}), Role::SupportModule);
  EXPECT_EQ(RoleFromCommandLine({"tmadmin32"}), Role::RemoteConfiguration) << "found through the search path";
  EXPECT_EQ(RoleFromCommandLine({"/opt/tellmar/tmremote"}), Role::RemoteConfiguration);
  EXPECT_EQ(RoleFromCommandLine({"/opt/tellmar/tmadmin32x"}), Role::RemoteConfiguration);
  EXPECT_EQ(RoleFromCommandLine({}), Role::RemoteConfiguration);
}

TEST(DialupBinding, RegistersBothEditWindowsAndTheServerDirectory) {
  Loop loop;
  std::vector<std::pair<UINT, WPARAM>> seen;
  std::string directoryAtSetDirectory;
  AdminState& app = App();
  RegisterClass({"Host", [](HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProc(h, m, w, l); }});
  const HWND host = CreateWindow("Host", "host", 0, 0, 0, 10, 10);
  app.dunParams = CreateWindow(kEditClass, "dunparams", WS_CHILD, 0, 0, 20, 20, host);
  app.dunOpen = CreateWindow(kEditClass, "dunopen", WS_CHILD, 0, 0, 20, 20, host);
  SetServerDirectory("/srv/tellmar/");
  RegisterClass({std::string(kDialupClass), [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                   if (m >= 1224 && m <= 1237) {
                     seen.emplace_back(m, w);
                     if (m == 1224) directoryAtSetDirectory = GetWindowText(app.dunParams);
                     if (m == 1237) {  // as the handler does: names added, 1 answered
                       const HWND target = HandleFromText(GetWindowText(app.dunParams));
                       for (const char* name : {"ISP", "Office", "Home"}) ComboBox_AddString(target, name);
                       return 1;
                     }
                   }
                   return DefWindowProc(h, m, w, l);
                 }});
  const HWND handler = CreateWindow(kDialupClass, kDialupTitle, 0, 0, 0, 10, 10);
  EXPECT_EQ(BindDialupHandler(), handler);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], std::make_pair(UINT{1225}, static_cast<WPARAM>(app.dunOpen)));
  EXPECT_EQ(seen[1], std::make_pair(UINT{1226}, static_cast<WPARAM>(app.dunParams)));
  EXPECT_EQ(seen[2].first, 1224u);
  EXPECT_EQ(directoryAtSetDirectory, "/srv/tellmar") << "without its trailing separator";

  const HWND combo = CreateWindow(kComboBoxClass, "", WS_CHILD, 0, 0, 10, 10, host);
  EXPECT_EQ(ListDialupEntries(combo), 3);
  EXPECT_EQ(GetWindowText(app.dunParams), HandleToText(combo));
  app.dunParams = app.dunOpen = 0;
}

TEST(DialupBinding, NoHandlerAndNothingToStartGivesNone) {
  Loop loop;
  SetServerDirectory("/nonexistent/dir");
  App().programDir = "/nonexistent/bin";
  EXPECT_EQ(BindDialupHandler(std::chrono::milliseconds(1)), 0);
}

TEST(Shell, AssociatedProgramComesFromTheMimeDatabase) {
  tellmar::testing::TempDir dir;
  const auto data = dir.path() / "data";
  std::filesystem::create_directories(data / "mime");
  std::filesystem::create_directories(data / "applications");
  std::ofstream(data / "mime" / "globs2") << "50:text/x-tellmar-log:*.log\n";
  std::ofstream(data / "applications" / "mimeapps.list") << "[Default Applications]\ntext/x-tellmar-log=viewer.desktop\n";
  std::ofstream(data / "applications" / "viewer.desktop") << "[Desktop Entry]\nExec=sh -c true %f\n";
  std::ofstream(dir.path() / "SUN.LOG") << "x";
  ::setenv("XDG_DATA_HOME", data.c_str(), 1);
  ::setenv("XDG_DATA_DIRS", (dir.path() / "none").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (dir.path() / "config").c_str(), 1);
  std::string program;
  EXPECT_EQ(FindExecutable("SUN.LOG", dir.path().string(), program), kShellSuccess);
  EXPECT_EQ(std::filesystem::path(program).filename(), "sh");
  EXPECT_EQ(FindExecutable("missing.log", dir.path().string(), program), SE_ERR_FNF);
  EXPECT_TRUE(program.empty());
  std::ofstream(dir.path() / "notes.unknownext") << "x";
  EXPECT_EQ(FindExecutable("notes.unknownext", dir.path().string(), program), SE_ERR_NOASSOC);
  ::unsetenv("XDG_DATA_HOME");
  ::unsetenv("XDG_DATA_DIRS");
  ::unsetenv("XDG_CONFIG_HOME");
}
