// List rows: the program's rows live in ListRows and the list box shows
// them (text at tab stops, icon, colour, bold, item data); extended
// selection takes exactly the items a person Ctrl+clicks.
#include <gtest/gtest.h>

#include <vector>

#include "platform/automation.h"
#include "platform/controls.h"
#include "platform/list_rows.h"
#include "platform/loop.h"

using namespace tellmar;

namespace {

struct Host {
  Loop loop;
  HWND hwnd = 0;
  int selChanges = 0;
  Host() {
    RegisterClass({"RowsHost", [this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                     if (m == WM_COMMAND && HIWORD(w) == LBN_SELCHANGE) ++selChanges;
                     return DefWindowProc(h, m, w, l);
                   }});
    hwnd = CreateWindow("RowsHost", "", WS_VISIBLE, 0, 0, 100, 100);
  }
  HWND List(std::uint32_t style, int id = 1000) {
    return CreateWindow(kListBoxClass, "", WS_CHILD | WS_VISIBLE | LBS_NOTIFY | style, 0, 0, 10, 10, hwnd, id);
  }
};

ListRow Red(std::string name, LPARAM data) {
  return ListRow{.columns = {name, "x"}, .icon = 7, .color = RGB(255, 0, 0), .data = data};
}

}  // namespace

TEST(ListRows, TheControlShowsTheRowsInStepWithTheModel) {
  Host h;
  const HWND list = h.List(LBS_EXTENDEDSEL);
  ListRows rows(list);
  rows.Add(Red("ANNA", 1));
  rows.Add({.columns = {"BOB", "Bob Jones", "0"}, .bold = true, .data = 2});
  rows.Insert(0, {.columns = {"(User's Folders)"}});
  ASSERT_EQ(ListBox_GetCount(list), 3);
  EXPECT_EQ(ListBox_GetText(list, 2), "BOB\tBob Jones\t0") << "columns are one text with TAB between them";
  EXPECT_EQ(ListBox_GetItemData(list, 1), 1);
  EXPECT_EQ(ListBox_GetItemLook(list, 1), (ItemLook{7, RGB(255, 0, 0), false}));
  EXPECT_TRUE(ListBox_GetItemLook(list, 2).bold);

  // Turning a row black keeps its place and its selection.
  SendMessage(list, LB_SETSEL, 1, 1);
  ListRow black = rows.At(1);
  black.color = kDefaultColor;
  black.columns[1] = "y";
  ASSERT_TRUE(rows.Update(1, black));
  EXPECT_EQ(ListBox_GetText(list, 1), "ANNA\ty");
  EXPECT_EQ(ListBox_GetItemLook(list, 1).color, kDefaultColor);
  EXPECT_EQ(rows.Selected(), std::vector<int>{1});

  EXPECT_TRUE(rows.Remove(0));
  EXPECT_FALSE(rows.Remove(5));
  EXPECT_EQ(ListBox_GetCount(list), 2);
  EXPECT_EQ(rows.At(0).data, 1) << "the model, not the control, is the store";

  // A refresh keeps the selection and the top line where they still exist.
  SendMessage(list, LB_SETTOPINDEX, 1, 0);
  rows.Assign({Red("A", 1), Red("B", 2), Red("C", 3)});
  EXPECT_EQ(ListBox_GetCount(list), 3);
  EXPECT_EQ(rows.Selected(), std::vector<int>{0});
  EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 1);
  EXPECT_EQ(h.selChanges, 0) << "the program's own changes notify nobody";
}

TEST(ListRows, ExtendedSelectionTakesExactlyTheItemsClicked) {
  Host h;
  const HWND list = h.List(LBS_EXTENDEDSEL);
  ListRows rows(list);
  for (int i = 0; i < 5; ++i) rows.Add(Red("R" + std::to_string(i), i));

  ASSERT_TRUE(automation::SelectItem(list, 4));
  ASSERT_TRUE(automation::SelectItems(list, {0, 3, 2, 3}));
  EXPECT_EQ(rows.Selected(), (std::vector<int>{0, 2, 3})) << "the earlier selection is gone, duplicates count once";
  EXPECT_EQ(h.selChanges, 1 + 3) << "one notice per click";

  // Ctrl+click toggles one item; a plain click selects it alone.
  ASSERT_TRUE(automation::SelectItem(list, 2, KEY_CONTROL));
  EXPECT_EQ(rows.Selected(), (std::vector<int>{0, 3}));
  ASSERT_TRUE(automation::SelectItem(list, 1));
  EXPECT_EQ(rows.Selected(), std::vector<int>{1});

  EXPECT_FALSE(automation::SelectItems(list, {1, 9})) << "an item that is not there";
  EXPECT_EQ(rows.Selected(), std::vector<int>{1}) << "and nothing changed";

  const auto info = automation::Describe(list, false);
  ASSERT_TRUE(info);
  const auto again = WindowInfo::FromJson(info->ToJson());
  ASSERT_TRUE(again);
  ASSERT_EQ(again->itemLooks.size(), 5u);
  EXPECT_EQ(again->itemLooks[3], (ItemLook{7, RGB(255, 0, 0), false})) << "the look crosses programs";
  EXPECT_EQ(again->selected, std::vector<int>{1});
}

TEST(ListRows, OtherListsSelectAsTheirKindDoes) {
  Host h;
  const HWND single = h.List(0);
  ListRows one(single);
  for (int i = 0; i < 3; ++i) one.Add(Red("S", i));
  EXPECT_FALSE(automation::SelectItems(single, {0, 1})) << "one item at a time";
  ASSERT_TRUE(automation::SelectItems(single, {2}));
  EXPECT_EQ(one.Selected(), std::vector<int>{2});

  const HWND multiple = h.List(LBS_MULTIPLESEL, 1001);
  ListRows many(multiple);
  for (int i = 0; i < 4; ++i) many.Add(Red("M", i));
  ASSERT_TRUE(automation::SelectItems(multiple, {0, 1}));
  ASSERT_TRUE(automation::SelectItems(multiple, {1, 3}));
  EXPECT_EQ(many.Selected(), (std::vector<int>{1, 3})) << "every click toggles, so 0 was clicked away";
}
