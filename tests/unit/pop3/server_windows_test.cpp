// cvpopd32's windows, driven as a person or another program would: through
// the automation calls and the operator.
#include "pop3/server_windows.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "platform/automation.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/loop.h"
#include "platform/operator.h"
#include "platform/resource.h"
#include "platform/window.h"

namespace tellmar::pop3 {
namespace {

using namespace std::chrono_literals;

class ServerWindowsTest : public ::testing::Test {
 protected:
  // Boxes and menus answer from a script the test fills.
  ScriptedOperator& Script() {
    auto scripted = std::make_unique<ScriptedOperator>();
    operator_ = scripted.get();
    loop_.SetOperator(std::move(scripted));
    return *operator_;
  }

  void Make(bool serviceMode = false) {
    Script();
    windows_ = std::make_unique<ServerWindows>(serviceMode, ServerWindows::Hooks{[this] {
                                                 ++disconnects_;
                                                 windows_->Close();
                                               },
                                                                             [this] { ++ticks_; }});
    ASSERT_EQ(windows_->Create(), 0);
    ASSERT_TRUE(windows_->CreateSocketWindow());
  }

  HWND Dialog() const { return windows_->statusDialog(); }
  HWND Main() const { return windows_->mainWindow(); }

  Loop loop_;
  ScriptedOperator* operator_ = nullptr;
  std::unique_ptr<ServerWindows> windows_;
  int disconnects_ = 0;
  int ticks_ = 0;
};

TEST(Pop3Templates, EveryTemplateParsesAndHoldsTheIdsTheLogicUses) {
  for (const auto& e : ResourceErrors()) EXPECT_EQ(e.find(".tmr:"), std::string::npos) << e;
  const DialogTemplate* status = FindDialogTemplate(StatusIds::kTemplate);
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->caption, "Tellmar 32bit POP3 Server");
  for (int id : {StatusIds::kLog, StatusIds::kDisconnect}) EXPECT_NE(status->Find(id), nullptr) << id;
}

TEST_F(ServerWindowsTest, HiddenWindowsAsOtherProgramsFindThem) {
  Make();
  const HWND main = FindWindow("cv-popsrv", "TELLMAR - POP3 SERVER");
  ASSERT_EQ(main, Main());
  EXPECT_FALSE(IsWindowVisible(main));
  const auto info = automation::Describe(main);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->icon, kProgramIcon);
  const HWND list = GetDlgItem(main, kHiddenListId);
  const HWND button = GetDlgItem(main, kHiddenDisconnectId);
  ASSERT_NE(list, 0);
  ASSERT_NE(button, 0);
  EXPECT_EQ(GetWindowText(button), "Disconnect");
  // The button sits centred at the bottom of the main window, 100 by 25.
  const RECT client = GetClientRect(main);
  const RECT r = GetWindowRect(button);
  EXPECT_EQ(r.right - r.left, kHiddenButtonWidth);
  EXPECT_EQ(r.bottom - r.top, kHiddenButtonHeight);
  EXPECT_EQ(r.bottom, client.bottom - client.top);
  EXPECT_EQ((r.left + r.right) / 2, (client.right - client.left) / 2);

  const HWND socket = windows_->socketWindow();
  EXPECT_EQ(GetClassName(socket), kSocketClass);
  EXPECT_EQ(GetParent(socket), main);
  EXPECT_FALSE(IsWindowVisible(socket));

  const HWND dialog = Dialog();
  ASSERT_NE(dialog, 0);
  EXPECT_EQ(GetWindowText(dialog), "Tellmar 32bit POP3 Server");
  EXPECT_FALSE(IsWindowVisible(dialog));
  const RECT d = GetWindowRect(dialog);
  EXPECT_NEAR((d.left + d.right) / 2, GetSystemMetrics(SM_CXSCREEN) * 2 / 3, 1);
  EXPECT_NEAR((d.top + d.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) * 2 / 3, 1);
  EXPECT_EQ(GetWindowText(GetDlgItem(dialog, StatusIds::kDisconnect)), "  Disconnect");
  EXPECT_EQ(GetWindowStyle(GetDlgItem(dialog, StatusIds::kDisconnect)) & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_EQ(GetClassName(GetDlgItem(dialog, StatusIds::kLog)), kListBoxClass);
}

TEST_F(ServerWindowsTest, TrayIconShowsTheDialogAndOffersItsMenu) {
  Make();
  const auto icons = automation::TrayIconsOf(Main());
  ASSERT_EQ(icons.size(), 1u);
  EXPECT_EQ(icons[0].id, kTrayIconId);
  EXPECT_EQ(icons[0].icon, kTrayIcon);
  EXPECT_EQ(icons[0].tip, "Corvane POP3 server");
  EXPECT_EQ(icons[0].callbackMessage, kTrayMessage);

  ASSERT_TRUE(automation::ClickTray(Main(), kTrayIconId, WM_LBUTTONDBLCLK));
  EXPECT_TRUE(IsWindowVisible(Dialog()));
  EXPECT_EQ(GetForegroundWindow(), Dialog());

  // Minimizing puts it away; Restore from the menu brings it back.
  ShowWindow(Dialog(), SW_MINIMIZE);
  EXPECT_FALSE(IsWindowVisible(Dialog()));
  operator_->QueueMenu(kCommandRestore);
  ASSERT_TRUE(automation::ClickTray(Main(), kTrayIconId, WM_RBUTTONDOWN));
  ASSERT_TRUE(loop_.PumpUntil([&] { return IsWindowVisible(Dialog()); }, 5s));
  EXPECT_FALSE(IsIconic(Dialog()));
  ASSERT_EQ(operator_->shown().size(), 1u);
  EXPECT_EQ(operator_->shown()[0].kind, "menu");
  EXPECT_EQ(operator_->shown()[0].text, "Close Menu\nRestore\nDisconnect");

  // Close Menu and a menu left without a choice do nothing.
  operator_->QueueMenu(kCommandCloseMenu);
  automation::ClickTray(Main(), kTrayIconId, WM_RBUTTONDOWN);
  automation::ClickTray(Main(), kTrayIconId, WM_RBUTTONDOWN);
  loop_.PumpFor(20ms);
  EXPECT_EQ(disconnects_, 0);

  operator_->QueueMenu(kCommandDisconnect);
  automation::ClickTray(Main(), kTrayIconId, WM_RBUTTONDOWN);
  ASSERT_TRUE(loop_.PumpUntil([&] { return disconnects_ == 1; }, 5s));
}

TEST_F(ServerWindowsTest, DisconnectButtonTakesEverythingDown) {
  Make();
  EXPECT_FALSE(automation::Click(GetDlgItem(Dialog(), StatusIds::kDisconnect))) << "nobody can click a hidden dialog";
  windows_->ShowStatus();
  EXPECT_TRUE(automation::Click(GetDlgItem(Dialog(), StatusIds::kDisconnect)));
  EXPECT_EQ(disconnects_, 1);
  // Close() took everything down and asked the loop to end with code 0.
  EXPECT_FALSE(IsWindow(Main()));
  EXPECT_EQ(FindWindow(kMainClass, kMainTitle), 0);
  EXPECT_TRUE(automation::TrayIconsOf(0).empty());
  EXPECT_TRUE(loop_.Quitting());
  EXPECT_EQ(loop_.ExitCode(), 0);
}

TEST_F(ServerWindowsTest, CloseOfTheDialogOrTheMainWindowDisconnects) {
  Make();
  automation::Close(Dialog());
  EXPECT_EQ(disconnects_, 1);

  Loop again;
  int asked = 0;
  ServerWindows windows(false, {[&] { ++asked; }, nullptr});
  ASSERT_EQ(windows.Create(), 0);
  automation::Close(windows.mainWindow());
  SendMessage(windows.mainWindow(), WM_COMMAND, kHiddenDisconnectId, 0);
  EXPECT_EQ(asked, 2);
  EXPECT_TRUE(IsWindow(windows.mainWindow())) << "the program decides when the windows go";
}

TEST_F(ServerWindowsTest, TimerTicksReachTheServer) {
  Make();
  ASSERT_TRUE(windows_->StartTimer(5));
  ASSERT_TRUE(loop_.PumpUntil([&] { return ticks_ >= 2; }, 5s));
  windows_->StopTimer();
  const int seen = ticks_;
  loop_.PumpFor(30ms);
  EXPECT_EQ(ticks_, seen);
}

TEST_F(ServerWindowsTest, NoTrayIconInServiceMode) {
  Make(true);
  EXPECT_TRUE(automation::TrayIconsOf(Main()).empty());
  EXPECT_NE(Dialog(), 0);
}

TEST_F(ServerWindowsTest, StartFailureIsABoxAndExitCodeOne) {
  ScriptedOperator& op = Script();
  ASSERT_TRUE(RegisterClass({kMainClass, nullptr}));  // someone has the name
  ServerWindows windows(false, {});
  EXPECT_EQ(windows.Create(), kStartFailureExit);
  ASSERT_EQ(op.shown().size(), 1u);
  EXPECT_EQ(op.shown()[0].kind, "box");
  EXPECT_EQ(op.shown()[0].text, "Cannot register main window class");
  EXPECT_TRUE(automation::TrayIconsOf(0).empty());
}

TEST_F(ServerWindowsTest, LogListKeepsFiveHundredLinesCutAtLineEnds) {
  Make();
  ListBoxLog& log = windows_->log();
  const HWND list = GetDlgItem(Dialog(), StatusIds::kLog);
  ASSERT_EQ(log.listBox(), list);
  log.Line("");
  EXPECT_EQ(ListBox_GetCount(list), 0);
  log.Line("Pop Server: first\nsecond");
  log.Line("Pop Server: one\rtwo\nthree");
  EXPECT_EQ(ListBox_GetText(list, 0), "Pop Server: first");
  EXPECT_EQ(ListBox_GetText(list, 1), "Pop Server: one");
  for (int i = 3; i <= 501; ++i) log.Line("line " + std::to_string(i));
  ASSERT_EQ(ListBox_GetCount(list), 500);
  EXPECT_EQ(ListBox_GetText(list, 0), "Pop Server: one");
  EXPECT_EQ(ListBox_GetText(list, 499), "line 501");
  log.Line("line 502");
  EXPECT_EQ(ListBox_GetCount(list), 500);
  EXPECT_EQ(ListBox_GetText(list, 0), "line 3");
  // The newest line is in view: the top line is as far down as it can be.
  const RECT client = GetClientRect(list);
  const int fitting = (client.bottom - client.top + 1) / static_cast<int>(SendMessage(list, LB_GETITEMHEIGHT, 0, 0));
  EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 500 - fitting);

  // Once the dialog has gone, lines are dropped without harm.
  windows_->Close();
  log.Line("Pop Server: Terminated");
}

}  // namespace
}  // namespace tellmar::pop3
