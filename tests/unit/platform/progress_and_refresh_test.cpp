// The progress window of long operations and the refresh timers of windows
// that poll the store.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/automation.h"
#include "platform/controls.h"
#include "platform/loop.h"
#include "platform/progress_window.h"
#include "platform/refresh_timer.h"

using namespace tellmar;
using namespace std::chrono_literals;

TEST(ProgressWindow, ShowsItsStepsAndAsksToStopOnCancel) {
  Loop loop;
  HWND hwnd = 0;
  {
    ProgressWindow progress(0, "Deleting messages", 3);
    hwnd = progress.hwnd();
    ASSERT_NE(hwnd, 0);
    auto info = automation::Describe(hwnd);
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->visible);
    EXPECT_EQ(info->text, "Deleting messages");
    EXPECT_EQ(info->dialogTemplate, kProgressTemplate);

    progress.Step("00000001.TXT");
    progress.Step();
    const HWND bar = GetDlgItem(hwnd, kProgressBarId);
    EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), 2);
    EXPECT_EQ(GetWindowText(GetDlgItem(hwnd, kProgressTextId)), "00000001.TXT");

    // A person's click is waiting in the queue; the next step lets it in.
    EXPECT_FALSE(progress.cancelled());
    PostMessage(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), GetDlgItem(hwnd, IDCANCEL));
    progress.Step();
    EXPECT_TRUE(progress.cancelled());
    EXPECT_TRUE(IsWindow(hwnd)) << "Cancel only asks; the owner ends the work";
    progress.Step();
    EXPECT_EQ(progress.position(), 3) << "never past the end";
  }
  EXPECT_FALSE(IsWindow(hwnd)) << "the window goes with the operation";
}

TEST(RefreshTimer, TicksWhileRunningAndNeverAfterStopOrMinimize) {
  Loop loop;
  int ticks = 0;
  RegisterClass({"Polls", [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                   if (m == WM_TIMER && w == 2000) ++ticks;
                   return DefWindowProc(h, m, w, l);
                 }});
  const HWND window = CreateWindow("Polls", "", 0, 0, 0, 1, 1);
  {
    RefreshTimer timer(window, 2000, 5ms);
    ASSERT_TRUE(timer.Start());
    ASSERT_TRUE(loop.PumpUntil([&] { return ticks >= 2; }, 5s));

    timer.WindowMinimized(true);
    EXPECT_FALSE(timer.running());
    const int paused = ticks;
    loop.PumpFor(40ms);
    EXPECT_EQ(ticks, paused) << "no refresh while minimised";
    timer.WindowMinimized(false);
    EXPECT_TRUE(timer.running());
    ASSERT_TRUE(loop.PumpUntil([&] { return ticks > paused; }, 5s));

    EXPECT_TRUE(timer.SetPeriod(10ms));
    EXPECT_TRUE(timer.running());
  }
  const int atEnd = ticks;
  loop.PumpFor(40ms);
  EXPECT_EQ(ticks, atEnd) << "the timer stops with its owner";

  RefreshTimer orphan(4242, 1, 5ms);
  EXPECT_FALSE(orphan.Start()) << "no window, no timer";
  orphan.WindowMinimized(false);
  EXPECT_FALSE(orphan.running());
}
