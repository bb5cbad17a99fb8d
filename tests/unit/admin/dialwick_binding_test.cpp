// Binding the real dial-up handler: the support module starts Dialwick from
// the server directory, registers its two edit windows and has the
// phonebook's entries listed into a combo box of its own, across processes.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "admin/shell/admin_state.h"
#include "admin/shell/dialup_binding.h"
#include "platform/controls.h"
#include "platform/loop.h"
#include "platform/window.h"
#include "tests/unit/common/temp_dir.h"

using namespace tellmar;
using namespace tellmar::admin;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr UINT kDunQuit = 1233;

// Puts back what the test changes, however it ends: the handler it started
// is told to quit, the variables are unset, the utility's state is reset.
struct Restore {
  ~Restore() {
    if (const HWND handler = FindWindow(kDialupClass, kDialupTitle)) SendMessage(handler, kDunQuit, 0, 0);
    AdminState& app = App();
    app.dunParams = app.dunOpen = 0;
    app.platform = 2;
    SetServerDirectory("");
    for (const char* name : {"TELLMAR_PHONEBOOK", "XDG_CONFIG_HOME", "TELLMAR_DESKTOP"}) ::unsetenv(name);
  }
};

TEST(DialwickBinding, StartsTheHandlerFromTheServerDirectoryAndListsItsEntries) {
  const fs::path dialwick = fs::path(TELLMAR_PROGRAM_DIR) / "Dialwick";
  if (!fs::exists(dialwick)) GTEST_SKIP() << "Dialwick is not built";
  tellmar::testing::TempDir dir;
  fs::create_directories(dir / "desk");
  fs::permissions(dir / "desk", fs::perms::owner_all);
  fs::create_directories(dir / "server");
  fs::create_symlink(dialwick, dir / "server" / "Dialwick");
  std::ofstream(dir / "phonebook.ini") << "[ISP]\r\nPassword=a\r\n[Office]\r\nPassword=b\r\n[Home]\r\n";
  ::setenv("TELLMAR_DESKTOP", (dir / "desk").c_str(), 1);
  ::setenv("TELLMAR_PHONEBOOK", (dir / "phonebook.ini").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);

  Loop loop;
  Restore restore;  // declared after the loop, so it runs while the loop still stands
  ASSERT_FALSE(loop.OpenChannel("tmadmin32"));
  AdminState& app = App();
  RegisterClass({"BindingHost", [](HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProc(h, m, w, l); }});
  const HWND host = CreateWindow("BindingHost", "host", 0, 0, 0, 10, 10);
  app.dunParams = CreateWindow(kEditClass, "dunparams", WS_CHILD, 0, 0, 20, 20, host);
  app.dunOpen = CreateWindow(kEditClass, "dunopen", WS_CHILD, 0, 0, 20, 20, host);
  app.programDir.clear();
  app.platform = 2;
  SetServerDirectory((dir / "server").string() + "/");

  const HWND combo = CreateWindow(kComboBoxClass, "", WS_CHILD, 0, 0, 10, 10, host);
  EXPECT_EQ(ListDialupEntries(combo), 3);
  ASSERT_EQ(ComboBox_GetCount(combo), 3);
  EXPECT_EQ(ComboBox_GetLBText(combo, 0), "ISP");
  EXPECT_EQ(ComboBox_GetLBText(combo, 2), "Home");

  // The handler took the server directory as its own: its log is there.
  const HWND handler = FindWindow(kDialupClass, kDialupTitle);
  ASSERT_NE(handler, 0);
  EXPECT_TRUE(fs::exists(dir / "server" / "dialwick.log"));
  // Bound again, it is found rather than started a second time.
  EXPECT_EQ(BindDialupHandler(1ms), handler);

  SendMessage(handler, kDunQuit, 0, 0);
  EXPECT_TRUE(loop.PumpUntil([] { return FindWindow(kDialupClass, kDialupTitle) == 0; }, 10s));
}

}  // namespace
