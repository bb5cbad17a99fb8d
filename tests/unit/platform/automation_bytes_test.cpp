#include <gtest/gtest.h>

#include "platform/automation.h"

namespace tellmar {
namespace {

// What crosses the channel as a described window keeps its 8-bit bytes.
TEST(AutomationJson, EightBitTextsAndMenusSurvive) {
  WindowInfo w;
  w.hwnd = 4242;
  w.className = "CorvVuvedo32Utility";
  w.text = "Price \xA3" "5 \xA9 Corvane";
  w.items = {" 1 - \tC:\\APP.EXE\t\xA9 caption", "plain"};
  w.menu = {MenuItem{0, "&File", MF_POPUP, {MenuItem{40030, "&Set\tCtrl+S", MF_STRING | MF_GRAYED, {}}}}};
  WindowInfo child;
  child.hwnd = 4243;
  child.text = "\x80\xFF";
  w.children.push_back(child);
  auto back = WindowInfo::FromJson(w.ToJson());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->text, w.text);
  EXPECT_EQ(back->items, w.items);
  EXPECT_EQ(back->children.at(0).text, "\x80\xFF");
  ASSERT_EQ(back->menu.size(), 1u);
  EXPECT_EQ(back->menu[0].items.at(0).id, 40030u);
  EXPECT_EQ(back->menu[0].items.at(0).flags, static_cast<UINT>(MF_STRING | MF_GRAYED));
}

}  // namespace
}  // namespace tellmar
