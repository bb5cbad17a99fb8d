// The mail status window as a person meets it: its place and size when it
// opens, the layout that follows a resize, topmost with the RCU's "Keep on
// top", hiding on minimise and the refresh period taking effect at once.
#include "admin/users/mail_status_window.h"

#include "admin/shell/rcu_dialog.h"
#include "platform/automation.h"
#include "resources/tmadmin32/mail_status_ids.h"
#include "resources/tmadmin32/rcu_ids.h"
#include "tests/unit/admin/admin_fixture.h"

using namespace tellmar;
using namespace tellmar::admin;
using Ids = res::tmadmin32::MailStatus;
namespace fs = std::filesystem;

namespace {

class MailStatusWindowTest : public tellmar::testing::AdminTest {
 protected:
  MailStatusWindowTest() {
    AddUser(0, "(System Postmaster)", "ROOT");
    SetServerDirectory(dir_.path().string());
    App().role = Role::RemoteConfiguration;
    App().rcuDialog = CreateDialog(res::tmadmin32::Rcu::kTemplate, 0, [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR {
      return FALSE;
    });
  }
  ~MailStatusWindowTest() override {
    if (MailStatusWindow() != 0) DestroyWindow(MailStatusWindow());
    DestroyWindow(App().rcuDialog);
    App().rcuDialog = 0;
    App().role = Role::RemoteConfiguration;
  }

  std::string Get(const std::string& key) { return Key("Administration", key); }
  void SaveRect(int left, int top, int width, int height) {
    Set("Administration", "left", std::to_string(left));
    Set("Administration", "top", std::to_string(top));
    Set("Administration", "width", std::to_string(width));
    Set("Administration", "height", std::to_string(height));
  }
  static RECT RectOf(int id) { return GetWindowRect(GetDlgItem(MailStatusWindow(), id)); }
  static bool Topmost(HWND hwnd) { return automation::Describe(hwnd, false)->topmost; }
};

bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(MailStatusWindowTest, InTheRcuTheSavedRectangleIsClampedToTheScreen) {
  SaveRect(-700, -50, 600, 300);
  const HWND win = ShowMailStatusWindow(true);
  EXPECT_TRUE(GetWindowRect(win) == (RECT{0, 0, 600, 300})) << "left off the screen, top above it";
  SendMessage(win, WM_COMMAND, IDCANCEL);

  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  SaveRect(screenWidth + 100, screenHeight + 100, 500, 250);
  const RECT r = GetWindowRect(ShowMailStatusWindow(true));
  EXPECT_EQ(r.left, screenWidth - 20);
  EXPECT_EQ(r.top, screenHeight - 20);
}

TEST_F(MailStatusWindowTest, TheSupportModuleKeepsTheResourcePlaceAndIsNeverTopmost) {
  App().role = Role::SupportModule;
  CheckDlgButton(App().rcuDialog, res::tmadmin32::Rcu::kKeepOnTop, BST_CHECKED);
  SaveRect(100, 100, 600, 300);
  const HWND win = ShowMailStatusWindow(false);
  const RECT r = GetWindowRect(win);
  EXPECT_FALSE(r.left == 100 && r.top == 100);
  EXPECT_FALSE(Topmost(win));
  MoveWindow(win, 30, 40, 700, 400);
  EXPECT_EQ(Get("left"), "100") << "a hidden window's size is not saved";
  EXPECT_FALSE(Topmost(win));
}

TEST_F(MailStatusWindowTest, ResizingLaysOutTheControlsKeepsTheMinimumAndSavesTheRectangle) {
  const HWND win = ShowMailStatusWindow(true);
  MoveWindow(win, 50, 60, 600, 300);
  EXPECT_TRUE(RectOf(Ids::kList) == (RECT{8, 8, 590, 253}));
  EXPECT_EQ(RectOf(Ids::kAutoLabel).left, 11);
  EXPECT_EQ(RectOf(Ids::kAutoLabel).top, 275);
  EXPECT_EQ(RectOf(Ids::kSeconds).left, 165);
  EXPECT_EQ(RectOf(Ids::kSeconds).top, 269);
  EXPECT_EQ(RectOf(Ids::kSecondsSpin).left, 185);
  EXPECT_GE(RectOf(Ids::kSecondsLabel).left, RectOf(Ids::kSecondsSpin).right);
  EXPECT_EQ(RectOf(Ids::kClose).right, 590);
  EXPECT_EQ(RectOf(Ids::kClose).top, 267);
  EXPECT_EQ(RectOf(Ids::kRefresh).top, 267);
  EXPECT_LT(RectOf(Ids::kRefresh).right, RectOf(Ids::kClose).left);
  EXPECT_EQ(Get("left") + "," + Get("top") + "," + Get("width") + "," + Get("height"), "50,60,600,300");

  MoveWindow(win, 50, 60, 100, 50);
  EXPECT_TRUE(GetWindowRect(win) == (RECT{50, 60, 490, 280})) << "never smaller than 440 by 220";
  EXPECT_EQ(Get("width") + "," + Get("height"), "440,220");
}

TEST_F(MailStatusWindowTest, TopmostFollowsKeepOnTopAndAMoveReappliesIt) {
  CheckDlgButton(App().rcuDialog, res::tmadmin32::Rcu::kKeepOnTop, BST_CHECKED);
  const HWND win = ShowMailStatusWindow(true);
  EXPECT_TRUE(Topmost(win));
  SendMessage(win, WM_COMMAND, IDCANCEL);

  CheckDlgButton(App().rcuDialog, res::tmadmin32::Rcu::kKeepOnTop, BST_UNCHECKED);
  const HWND again = ShowMailStatusWindow(true);
  EXPECT_FALSE(Topmost(again));
  MoveWindow(again, 10, 10, 500, 250);
  CheckDlgButton(App().rcuDialog, res::tmadmin32::Rcu::kKeepOnTop, BST_CHECKED);
  EXPECT_TRUE(automation::Move(again, 70, 80));
  EXPECT_TRUE(Topmost(again)) << "the move re-applied the box's state";
  EXPECT_EQ(Get("left"), "10") << "a move alone saves nothing";
}

TEST_F(MailStatusWindowTest, InTheRcuMinimisingHidesAndTheMenuCommandRestores) {
  const HWND win = ShowMailStatusWindow(true);
  MoveWindow(win, 10, 20, 500, 260);
  ShowWindow(win, SW_MINIMIZE);
  EXPECT_FALSE(IsWindowVisible(win));
  EXPECT_EQ(Get("left"), "10");

  EXPECT_EQ(ShowMailStatusWindow(true), win);
  EXPECT_TRUE(IsWindowVisible(win));
  EXPECT_FALSE(IsIconic(win));
  SendMessage(win, WM_COMMAND, IDCANCEL);
  EXPECT_EQ(MailStatusWindow(), 0);
  EXPECT_EQ(Get("max"), "0");
  EXPECT_EQ(Get("width") + "," + Get("height"), "500,260");
}

TEST_F(MailStatusWindowTest, AClickOnTheRcusKeepOnTopReachesTheOpenWindow) {
  DestroyWindow(App().rcuDialog);
  App().adminSettingsPath = dir_ / "TM3ADMIN.INI";
  App().rcuDialog = CreateRcuDialog();
  ASSERT_NE(App().rcuDialog, 0);
  const HWND win = ShowMailStatusWindow(true);
  const HWND keepOnTop = GetDlgItem(App().rcuDialog, res::tmadmin32::Rcu::kKeepOnTop);
  const bool before = Topmost(win);
  EXPECT_TRUE(automation::Click(keepOnTop));
  EXPECT_NE(Topmost(win), before);
  EXPECT_EQ(Topmost(win), Topmost(App().rcuDialog));
  EXPECT_TRUE(automation::Click(keepOnTop));
  EXPECT_EQ(Topmost(win), before);
}

TEST_F(MailStatusWindowTest, ClosedMaximisedItSavesMaxAndKeepsTheRectangle) {
  const HWND win = ShowMailStatusWindow(true);
  MoveWindow(win, 10, 20, 500, 260);
  ShowWindow(win, SW_MAXIMIZE);
  EXPECT_EQ(Get("width"), "500") << "a maximised window's size is not its own";
  SendMessage(win, WM_COMMAND, IDCANCEL);
  EXPECT_EQ(Get("max"), "1");
  EXPECT_EQ(Get("left") + "," + Get("top") + "," + Get("width") + "," + Get("height"), "10,20,500,260");
}

TEST_F(MailStatusWindowTest, ANewPeriodRestartsTheTimerAndAHalfTypedOneDoesNot) {
  Set("Administration", "maildelayperiod", "12");
  const HWND win = ShowMailStatusWindow(true);
  EXPECT_EQ(loop_.TimerPeriod(win, 1024), 12000u);
  automation::SetText(GetDlgItem(win, Ids::kSeconds), "45");
  EXPECT_EQ(loop_.TimerPeriod(win, 1024), 45000u);
  automation::SetText(GetDlgItem(win, Ids::kSeconds), "4");
  EXPECT_EQ(loop_.TimerPeriod(win, 1024), 45000u) << "outside 5 to 90: the running period stays";
  automation::Spin(GetDlgItem(win, Ids::kSecondsSpin), 1);
  EXPECT_EQ(GetWindowText(GetDlgItem(win, Ids::kSeconds)), "6");
  EXPECT_EQ(loop_.TimerPeriod(win, 1024), 6000u);

  SendMessage(win, WM_COMMAND, IDCANCEL);
  EXPECT_EQ(Get("maildelayperiod"), "6");
  EXPECT_EQ(loop_.TimerPeriod(win, 1024), std::nullopt);
}

}  // namespace
