// The loop, windows, messages, timers and modal dialogs.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

#include "platform/automation.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/loop.h"
#include "platform/operator.h"
#include "platform/resource.h"
#include "platform/window.h"

using namespace tellmar;
using namespace std::chrono_literals;

namespace {

struct Logged {
  HWND hwnd;
  UINT msg;
  WPARAM wp;
};

DialogTemplate SmallDialog(int id) {
  DialogTemplate t;
  t.id = id;
  t.caption = "Small";
  t.cx = 100;
  t.cy = 50;
  t.style = WS_POPUP | WS_CAPTION;
  ControlTemplate edit;
  edit.className = "Edit";
  edit.id = 1047;
  edit.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
  t.controls.push_back(edit);
  ControlTemplate ok;
  ok.className = "Button";
  ok.id = IDOK;
  ok.caption = "OK";
  ok.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON;
  t.controls.push_back(ok);
  return t;
}

}  // namespace

TEST(Loop, MessagesReachTheProcedureSentAtOncePostedInOrder) {
  Loop loop;
  std::vector<Logged> log;
  ASSERT_TRUE(RegisterClass({"TestClass", [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                               log.push_back({h, m, w});
                               if (m == WM_USER + 1) return 42;
                               return DefWindowProc(h, m, w, l);
                             }}));
  EXPECT_FALSE(RegisterClass({"testclass", nullptr})) << "class names ignore case";
  const HWND main = CreateWindow("TestClass", "Main", 0, 0, 0, 100, 100);
  ASSERT_GT(main, 0);
  EXPECT_EQ(log.front().msg, WM_CREATE);
  EXPECT_EQ(SendMessage(main, WM_USER + 1, 7, 0), 42);
  PostMessage(main, WM_USER + 2, 1, 0);
  PostMessage(main, WM_USER + 2, 2, 0);
  EXPECT_EQ(log.back().msg, static_cast<UINT>(WM_USER + 1)) << "a post waits for the loop";
  while (loop.Pump()) {
  }
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[log.size() - 2].wp, 1u);
  EXPECT_EQ(log.back().wp, 2u);

  SetWindowText(main, "Caf\xE9 \xA3 \xA9");
  EXPECT_EQ(GetWindowText(main), "Caf\xE9 \xA3 \xA9");
  char small[5];
  EXPECT_EQ(GetWindowText(main, small, sizeof small), 4);
  EXPECT_STREQ(small, "Caf\xE9");
}

TEST(Loop, QuitEndsRunWithItsCodeAndDestroyWalksTheTree) {
  Loop loop;
  std::vector<UINT> destroyed;
  RegisterClass({"Top", [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                   if (m == WM_DESTROY) {
                     destroyed.push_back(static_cast<UINT>(h));
                     PostQuitMessage(3);
                   }
                   return DefWindowProc(h, m, w, l);
                 }});
  const HWND main = CreateWindow("Top", "T", 0, 0, 0, 10, 10);
  const HWND edit = CreateWindow("Edit", "", WS_CHILD, 0, 0, 10, 10, main, 1024);
  ASSERT_NE(edit, 0);
  EXPECT_EQ(GetDlgItem(main, 1024), edit);
  PostMessage(main, WM_CLOSE);
  EXPECT_EQ(loop.Run(), 3);
  EXPECT_FALSE(IsWindow(main));
  EXPECT_FALSE(IsWindow(edit));
  EXPECT_EQ(destroyed.size(), 1u);
}

TEST(Loop, TimersFireByWindowAndIdAndStopWhenKilled) {
  Loop loop;
  int ticks = 0;
  UINT lastId = 0;
  RegisterClass({"Timed", [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                   if (m == WM_TIMER) {
                     ++ticks;
                     lastId = static_cast<UINT>(w);
                     if (ticks == 3) KillTimer(h, 4000);
                     return 0;
                   }
                   return DefWindowProc(h, m, w, l);
                 }});
  const HWND main = CreateWindow("Timed", "", 0, 0, 0, 1, 1);
  EXPECT_EQ(SetTimer(main, 4000, 5), 4000u);
  EXPECT_TRUE(loop.PumpUntil([&] { return ticks == 3; }, 2s));
  loop.PumpFor(30ms);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(lastId, 4000u);
  EXPECT_EQ(SetTimer(12345, 1, 5), 0u) << "no timer for a window that does not exist";
}

TEST(Loop, TimerPeriodFollowsARestartAndEndsWithTheTimer) {
  Loop loop;
  RegisterClass({"Periodic", [](HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProc(h, m, w, l); }});
  const HWND main = CreateWindow("Periodic", "", 0, 0, 0, 1, 1);
  EXPECT_EQ(loop.TimerPeriod(main, 7), std::nullopt);
  SetTimer(main, 7, 30000);
  EXPECT_EQ(loop.TimerPeriod(main, 7), 30000u);
  SetTimer(main, 7, 5000);
  EXPECT_EQ(loop.TimerPeriod(main, 7), 5000u) << "setting it again restarts it with the new period";
  KillTimer(main, 7);
  EXPECT_EQ(loop.TimerPeriod(main, 7), std::nullopt);
}

TEST(Loop, TimerFiresInsideNestedModalLoopsAndEachEndsInOrder) {
  Loop loop;
  int ticks = 0;
  std::vector<std::string> order;
  RegisterClass({"Host", [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                   if (m == WM_TIMER) ++ticks;
                   return DefWindowProc(h, m, w, l);
                 }});
  const HWND host = CreateWindow("Host", "", 0, 0, 0, 1, 1);
  SetTimer(host, 1, 2);
  const DialogTemplate outer = SmallDialog(1);
  const DialogTemplate inner = SmallDialog(2);
  const INT_PTR result = DialogBoxIndirect(outer, host, [&](HWND dlg, UINT m, WPARAM, LPARAM) -> INT_PTR {
    if (m != WM_INITDIALOG) return FALSE;
    EXPECT_FALSE(IsWindowEnabled(host)) << "a modal dialog disables its owner";
    const int before = ticks;
    const INT_PTR innerResult = DialogBoxIndirect(inner, dlg, [&](HWND d2, UINT m2, WPARAM, LPARAM) -> INT_PTR {
      if (m2 == WM_INITDIALOG) SetTimer(d2, 9, 1);
      if (m2 == WM_TIMER && ticks >= before + 3) {
        order.push_back("inner");
        EndDialog(d2, 77);
      }
      return FALSE;
    });
    EXPECT_EQ(innerResult, 77);
    order.push_back("outer");
    EndDialog(dlg, IDOK);
    return TRUE;
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(order, (std::vector<std::string>{"inner", "outer"}));
  EXPECT_GE(ticks, 3);
  EXPECT_TRUE(IsWindowEnabled(host));
}

TEST(Loop, AWindowDisabledByItsModalDialogTakesNoClicksOrKeys) {
  Loop loop;
  int commands = 0;
  RegisterClass({"Host", [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                   if (m == WM_COMMAND) ++commands;
                   return DefWindowProc(h, m, w, l);
                 }});
  const HWND host = CreateWindow("Host", "", WS_VISIBLE, 0, 0, 100, 100);
  const HWND button = CreateWindow(kButtonClass, "Close", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, host);
  ASSERT_TRUE(UserClick(button));
  ASSERT_EQ(commands, 1);
  DialogBoxIndirect(SmallDialog(1), host, [&](HWND dlg, UINT m, WPARAM, LPARAM) -> INT_PTR {
    if (m != WM_INITDIALOG) return FALSE;
    EXPECT_FALSE(UserClick(button));
    EXPECT_FALSE(automation::PressKey(host, VK_ESCAPE));
    EXPECT_FALSE(automation::ChooseMenuCommand(host, 40030));
    EXPECT_FALSE(automation::Close(host));
    EXPECT_EQ(commands, 1);
    EndDialog(dlg, IDOK);
    return TRUE;
  });
  EXPECT_TRUE(UserClick(button)) << "enabled again once the dialog ends";
  EXPECT_EQ(commands, 2);
}

TEST(Loop, QuitInsideAModalLoopEndsItAndTheOuterLoop) {
  Loop loop;
  RegisterClass({"Host", DefWindowProc});
  const HWND host = CreateWindow("Host", "", 0, 0, 0, 1, 1);
  const INT_PTR result = DialogBoxIndirect(SmallDialog(1), host, [](HWND dlg, UINT m, WPARAM, LPARAM) -> INT_PTR {
    if (m == WM_INITDIALOG) SetTimer(dlg, 1, 1);
    if (m == WM_TIMER) PostQuitMessage(5);
    return FALSE;
  });
  EXPECT_EQ(result, -1);
  EXPECT_EQ(loop.Run(), 5);
}

TEST(Loop, DialogGuardRaisesTheOpenDialogInsteadOfASecond) {
  Loop loop;
  DialogGuard guard;
  int opened = 0;
  INT_PTR secondResult = 0;
  HWND first = 0;
  RegisterClass({"Host", [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                   if (m == WM_USER) {
                     return DialogBoxIndirect(SmallDialog(1), h, [&](HWND dlg, UINT dm, WPARAM, LPARAM) -> INT_PTR {
                       if (dm == WM_INITDIALOG) {
                         ++opened;
                         first = dlg;
                         // A request arriving while the dialog runs (a nested message).
                         PostMessage(h, WM_USER + 1);
                       }
                       if (dm == WM_USER + 2) EndDialog(dlg, IDOK);
                       return FALSE;
                     }, 0, &guard);
                   }
                   if (m == WM_USER + 1) {
                     const HWND other = CreateWindow("Host", "other", 0, 0, 0, 1, 1);
                     SetForegroundWindow(other);
                     ShowWindow(first, SW_MINIMIZE);
                     secondResult = DialogBoxIndirect(SmallDialog(1), h, [&](HWND, UINT dm, WPARAM, LPARAM) -> INT_PTR {
                       if (dm == WM_INITDIALOG) ++opened;
                       return FALSE;
                     }, 0, &guard);
                     EXPECT_EQ(GetForegroundWindow(), first);
                     EXPECT_FALSE(IsIconic(first));
                     PostMessage(first, WM_USER + 2);
                   }
                   return DefWindowProc(h, m, w, l);
                 }});
  const HWND host = CreateWindow("Host", "", 0, 0, 0, 1, 1);
  EXPECT_EQ(SendMessage(host, WM_USER), IDOK);
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(secondResult, kDialogAlreadyOpen);
  EXPECT_FALSE(guard.IsOpen());
}

TEST(Loop, HandlesSurviveATripAsDecimalText) {
  Loop loop;
  RegisterClass({"H", DefWindowProc});
  const HWND h = CreateWindow("H", "", 0, 0, 0, 1, 1);
  const std::string text = HandleToText(h);
  EXPECT_EQ(HandleFromText(text), h);
  EXPECT_EQ(HandleFromText(" " + text), h);
  EXPECT_EQ(HandleFromText("2147483648"), 0) << "out of signed 32 bits";
  EXPECT_EQ(HandleFromText("-5"), 0);
  EXPECT_EQ(HandleFromText("abc"), 0);
  EXPECT_EQ(std::atoi(text.c_str()), h) << "peers convert with a plain decimal conversion";
}

TEST(Operator, ScriptedOperatorRecordsEveryBoxInOrderAndAnswersFromItsQueue) {
  Loop loop;
  auto scripted = std::make_unique<ScriptedOperator>();
  ScriptedOperator& op = *scripted;
  loop.SetOperator(std::move(scripted));
  op.QueueBox(IDNO);
  EXPECT_EQ(MessageBox(0, "Really?", "Question", MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_EQ(MessageBox(0, "Second", "Default taken", MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
  Menu menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, 5002, "Close Menu");
  AppendMenu(menu, MF_STRING, 5001, "Restore");
  op.QueueMenu(5001);
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 0), 5001u);
  ASSERT_EQ(op.shown().size(), 3u);
  EXPECT_EQ(op.shown()[0].caption, "Question");
  EXPECT_EQ(op.shown()[0].answer, "7");
  EXPECT_EQ(op.shown()[1].text, "Second");
  EXPECT_EQ(op.shown()[2].text, "Close Menu\nRestore");
}

TEST(Operator, UnattendedTakesTheDefaultButton) {
  Loop loop;
  EXPECT_EQ(MessageBox(0, "text", "caption", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
  EXPECT_EQ(MessageBox(0, "text", "caption", MB_YESNO), IDYES);
  EXPECT_FALSE(GetOpenFileName(FileRequest{}).has_value());
}

TEST(Templates, ParseDialogsMenusAndAcceleratorsAndReportBadLines) {
  RegisterResourceText("sample.tmr", R"(# A test dialog.
dialog 9103 "Tellmar 32bit POP3 Server" 0 0 220 150 caption sysmenu
  picture    -1   ""              7   7  32  20  image=104
  listbox    1000 ""              7  30 206  90  vscroll
  ownerdraw  1001 "  Disconnect"  80 125  60  18
  edit       1047 "\"quoted\" )" "\xA3" R"(" 7 7 50 12 password readonly
  edit       1048 "" 7 7 50 12
  updown     1049 "" 60 7 10 12 buddy
end
menu 9110
  popup "&File"
    item 40004 "&Password..."
    separator
    item 40007 "E&xit..." grayed
  end
end
accelerators 9256
  Ctrl+F 40050
  ctrl+f 40036
  F1 40048
  Alt+F4 40033
end
dialog 9999 "broken" 0 0 10 10
  slider 1 "" 0 0 1 1
end
)");
  const DialogTemplate* t = FindDialogTemplate(9103);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->caption, "Tellmar 32bit POP3 Server");
  ASSERT_EQ(t->controls.size(), 6u);
  EXPECT_EQ(t->Find(1001)->caption, "  Disconnect");
  EXPECT_EQ(t->Find(1001)->style & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_EQ(t->Find(1047)->caption, "\"quoted\" \xA3");
  EXPECT_NE(t->Find(1047)->style & ES_PASSWORD, 0u);
  EXPECT_EQ(t->Find(-1)->image, 104);
  auto menu = LoadMenu(9110);
  ASSERT_TRUE(menu.has_value());
  auto file = GetSubMenu(*menu, 0);
  ASSERT_TRUE(file.has_value());
  ASSERT_EQ(file->items.size(), 3u);
  EXPECT_NE(FindMenuItem(*menu, 40007)->flags & MF_GRAYED, 0u);
  auto keys = LoadAccelerators(9256);
  ASSERT_TRUE(keys.has_value());
  EXPECT_EQ(TranslateAccelerator(*keys, 'F', KEY_CONTROL), 40050u) << "the first entry wins";
  EXPECT_EQ(TranslateAccelerator(*keys, VK_F4, KEY_ALT), 40033u);
  EXPECT_FALSE(TranslateAccelerator(*keys, 'F', 0).has_value());
  const auto errors = ResourceErrors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("sample.tmr:24"), std::string::npos) << errors[0];

  // A dialog from the template: controls by ID, buddy, Enter presses the default.
  Loop loop;
  const HWND dialog = CreateDialog(9103, 0, [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; });
  ASSERT_NE(dialog, 0);
  EXPECT_EQ(GetWindowText(GetDlgItem(dialog, 1001)), "  Disconnect");
  EXPECT_EQ(SendDlgItemMessage(dialog, 1049, UDM_GETBUDDY), GetDlgItem(dialog, 1048));
}

namespace {

// Maximising fills the screen and restoring puts the window back; a
// maximised window minimised and restored is maximised again. The title
// bar's buttons reach it through automation; a person's Delete key reaches
// a subclassed control before the control.
TEST(Loop, MaximiseRestoreAndSubclassedKeys) {
  Loop loop;
  std::vector<WPARAM> sizes;
  RegisterClass({"Sized", [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                   if (m == WM_SIZE) sizes.push_back(w);
                   return DefWindowProc(h, m, w, l);
                 }});
  const HWND win = CreateWindow("Sized", "", WS_VISIBLE, 10, 20, 300, 200);
  ShowWindow(win, SW_SHOW);
  sizes.clear();
  EXPECT_TRUE(automation::ShowAs(win, SW_MAXIMIZE));
  EXPECT_TRUE(IsZoomed(win));
  const RECT full = GetWindowRect(win);
  EXPECT_EQ(full.right - full.left, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_TRUE(automation::Describe(win, false)->maximized);
  ShowWindow(win, SW_MINIMIZE);
  ShowWindow(win, SW_RESTORE);
  EXPECT_TRUE(IsZoomed(win)) << "back to maximised";
  EXPECT_TRUE(automation::ShowAs(win, SW_RESTORE));
  EXPECT_FALSE(IsZoomed(win));
  const RECT r = GetWindowRect(win);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.bottom, 220);
  EXPECT_EQ(sizes.front(), SIZE_MAXIMIZED);
  EXPECT_EQ(sizes.back(), SIZE_RESTORED);
  EXPECT_FALSE(automation::ShowAs(win, SW_HIDE)) << "only the title bar's buttons";

  const HWND edit = CreateWindow(kEditClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 10, win, 7);
  std::vector<WPARAM> seen;
  auto original = std::make_shared<WndProc>();
  *original = SubclassWindow(edit, [&, original](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_KEYDOWN) seen.push_back(w);
    return CallWindowProc(*original, h, m, w, l);
  });
  SetFocus(edit);
  automation::PressKey(win, VK_DELETE);
  SetWindowText(edit, "still an edit");
  EXPECT_EQ(seen, std::vector<WPARAM>{static_cast<WPARAM>(VK_DELETE)});
  EXPECT_EQ(GetWindowText(edit), "still an edit");
}

}  // namespace
