// The standard controls keep what a person sees, and only a person's action
// notifies the parent.
#include <gtest/gtest.h>

#include <vector>

#include "platform/automation.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/loop.h"
#include "platform/tray.h"

using namespace tellmar;

namespace {

struct Parent {
  Loop loop;
  HWND hwnd = 0;
  std::vector<std::pair<int, unsigned>> commands;  // (control ID, notification)
  Parent() {
    RegisterClass({"Parent", [this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                     if (m == WM_COMMAND) commands.emplace_back(LOWORD(w), HIWORD(w));
                     return DefWindowProc(h, m, w, l);
                   }});
    hwnd = CreateWindow("Parent", "", WS_VISIBLE, 0, 0, 100, 100);
  }
  HWND Child(std::string_view cls, int id, std::uint32_t style = 0, std::string_view text = "") {
    return CreateWindow(cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, hwnd, id);
  }
};

}  // namespace

TEST(Controls, ListBoxSortsKeepsItemDataAndFindsWithoutRegardToCase) {
  Parent p;
  const HWND list = p.Child(kListBoxClass, 1000, LBS_SORT | LBS_NOTIFY);
  ListBox_AddString(list, "pear");
  ListBox_AddString(list, "Apple");
  const int banana = ListBox_AddString(list, "banana");
  EXPECT_EQ(banana, 1);
  ListBox_SetItemData(list, banana, 99);
  EXPECT_EQ(ListBox_GetText(list, 0), "Apple");
  EXPECT_EQ(ListBox_GetItemData(list, 1), 99);
  EXPECT_EQ(ListBox_FindStringExact(list, -1, "PEAR"), 2);
  EXPECT_EQ(SendMessage(list, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("ban")), 1);
  EXPECT_EQ(SendMessage(list, LB_GETTEXT, 7, 0), LB_ERR);
  ListBox_SetCurSel(list, 2);
  EXPECT_TRUE(p.commands.empty()) << "the program's own selection notifies nobody";
  ListBox_DeleteString(list, 0);
  EXPECT_EQ(ListBox_GetCurSel(list), 1) << "the selection follows its item";
  EXPECT_TRUE(automation::SelectItem(list, 0));
  EXPECT_TRUE(automation::DoubleClickItem(list, 1));
  EXPECT_EQ(p.commands, (std::vector<std::pair<int, unsigned>>{{1000, LBN_SELCHANGE}, {1000, LBN_SELCHANGE}, {1000, LBN_DBLCLK}}));
  EXPECT_TRUE(ListBox_SetTabStops(list, {25, 200}));
  EXPECT_EQ(automation::Describe(list)->tabStops, (std::vector<int>{25, 200}));
}

TEST(Controls, EditTypingRespectsLimitReadOnlyAndNotifies) {
  Parent p;
  const HWND edit = p.Child(kEditClass, 1047, ES_PASSWORD);
  SendMessage(edit, EM_LIMITTEXT, 8);
  SetWindowText(edit, "preset that is longer");
  EXPECT_EQ(GetWindowText(edit), "preset that is longer") << "the limit binds typing only";
  EXPECT_TRUE(p.commands.empty());
  EXPECT_TRUE(automation::SetText(edit, "secret-password"));
  EXPECT_EQ(GetWindowText(edit), "secret-p");
  EXPECT_EQ(SendMessage(edit, EM_GETMODIFY), 1);
  EXPECT_EQ(p.commands.back(), (std::pair<int, unsigned>{1047, EN_CHANGE}));
  EXPECT_EQ(automation::Describe(edit)->text, "********") << "a person sees the mask";
  SendMessage(edit, EM_SETREADONLY, 1);
  EXPECT_FALSE(automation::SetText(edit, "x"));
  EnableWindow(edit, false);
  SendMessage(edit, EM_SETREADONLY, 0);
  EXPECT_FALSE(automation::SetText(edit, "x")) << "a disabled control takes nothing";
}

TEST(Controls, RadioButtonsOfAGroupExcludeEachOtherAndCheckBoxesToggle) {
  Parent p;
  const HWND r1 = p.Child(kButtonClass, 1, BS_AUTORADIOBUTTON | WS_GROUP);
  const HWND r2 = p.Child(kButtonClass, 2, BS_AUTORADIOBUTTON);
  const HWND r3 = p.Child(kButtonClass, 3, BS_AUTORADIOBUTTON | WS_GROUP);  // the next group
  const HWND box = p.Child(kButtonClass, 4, BS_AUTOCHECKBOX);
  CheckDlgButton(p.hwnd, 1, BST_CHECKED);
  CheckDlgButton(p.hwnd, 3, BST_CHECKED);
  EXPECT_TRUE(automation::Click(r2));
  EXPECT_EQ(IsDlgButtonChecked(p.hwnd, 1), BST_UNCHECKED);
  EXPECT_EQ(IsDlgButtonChecked(p.hwnd, 2), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(p.hwnd, 3), BST_CHECKED);
  EXPECT_TRUE(automation::Check(box, BST_CHECKED));
  EXPECT_TRUE(automation::Check(box, BST_CHECKED));
  EXPECT_EQ(IsDlgButtonChecked(p.hwnd, 4), BST_CHECKED);
  EXPECT_FALSE(automation::Check(r2, BST_UNCHECKED)) << "a person cannot clear a radio button";
  (void)r1;
  (void)r3;
}

TEST(Controls, SpinMovesWithinItsRangeAndWritesItsBuddy) {
  Parent p;
  const HWND field = p.Child(kEditClass, 1050);
  const HWND spin = p.Child(kUpDownClass, 1051);
  SendMessage(spin, UDM_SETBUDDY, static_cast<WPARAM>(field));
  SendMessage(spin, UDM_SETRANGE, 0, MAKELPARAM(240, 15));
  SendMessage(spin, UDM_SETPOS, 0, MAKELPARAM(239, 0));
  EXPECT_EQ(GetWindowText(field), "239");
  EXPECT_TRUE(automation::Spin(spin, 5));
  EXPECT_EQ(GetWindowText(field), "240");
  EXPECT_EQ(p.commands.back(), (std::pair<int, unsigned>{1050, EN_CHANGE}));
  SetWindowText(field, "20");
  EXPECT_EQ(SendMessage(spin, UDM_GETPOS), 20) << "the buddy's text is the position";
  const HWND progress = p.Child(kProgressClass, 1052);
  SendMessage(progress, PBM_SETRANGE, 0, MAKELPARAM(0, 10));
  SendMessage(progress, PBM_SETPOS, 50);
  EXPECT_EQ(SendMessage(progress, PBM_GETPOS), 10);
}

TEST(Controls, DropDownListComboShowsOnlyItsItems) {
  Parent p;
  const HWND combo = p.Child(kComboBoxClass, 1060, CBS_DROPDOWNLIST);
  ComboBox_AddString(combo, "ISP One");
  ComboBox_AddString(combo, "ISP Two");
  EXPECT_EQ(SendMessage(combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("isp two")), 1);
  EXPECT_EQ(ComboBox_GetCurSel(combo), 1);
  EXPECT_EQ(GetWindowText(combo), "ISP Two");
  EXPECT_EQ(SendMessage(combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("none")), CB_ERR);
  EXPECT_TRUE(automation::SetText(combo, "ISP One"));
  EXPECT_EQ(p.commands.back(), (std::pair<int, unsigned>{1060, CBN_SELCHANGE}));
}

TEST(Controls, NotifyIconIsAddedOnceChangedInPlaceAndRemovedOnce) {
  Loop loop;
  std::vector<LPARAM> clicks;
  RegisterClass({"TrayOwner", [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                   if (m == 2100 && w == 7) clicks.push_back(l);
                   return DefWindowProc(h, m, w, l);
                 }});
  const HWND owner = CreateWindow("TrayOwner", "", 0, 0, 0, 10, 10);
  NotifyIcon tray(7, 2100);
  tray.Remove();  // nothing shown: nothing to do
  EXPECT_TRUE(tray.Show(owner, 201, "first"));
  EXPECT_TRUE(tray.Show(owner, 202, std::string(80, 't')));
  ASSERT_EQ(TrayIcons().size(), 1u);
  EXPECT_EQ(TrayIcons()[0].icon, 202);
  EXPECT_EQ(TrayIcons()[0].tip, std::string(kTrayTipMax, 't'));
  EXPECT_TRUE(ClickTrayIcon(owner, 7, WM_RBUTTONDOWN));
  EXPECT_EQ(clicks, (std::vector<LPARAM>{WM_RBUTTONDOWN}));

  // Another program's icon with the same identifier is left alone.
  ASSERT_TRUE(Shell_NotifyIcon(NIM_ADD, NOTIFYICONDATA{CreateWindow("TrayOwner", "", 0, 0, 0, 10, 10), 7, NIF_TIP, 0, 1, "x"}));
  tray.Remove();
  tray.Remove();
  ASSERT_EQ(TrayIcons().size(), 1u);
  EXPECT_EQ(TrayIcons()[0].tip, "x");
  EXPECT_FALSE(tray.shown());
  EXPECT_TRUE(tray.Show(owner, 201, "again"));
  EXPECT_EQ(TrayIcons().size(), 2u);
}
