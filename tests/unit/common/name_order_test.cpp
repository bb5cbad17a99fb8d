#include "common/name_order.h"

#include <gtest/gtest.h>

namespace tellmar {
namespace {

TEST(NameOrderTest, SortsWithoutRegardToCaseAndLettersAsUpperCase) {
  std::vector<std::string> names = {"0000000b.txt", "0000000A.TXT", "00000009.txt", "_x", "Zz", "a", "B"};
  SortByNameOrder(names);
  EXPECT_EQ(names, (std::vector<std::string>{"00000009.txt", "0000000A.TXT", "0000000b.txt", "a", "B", "Zz", "_x"}));
}

TEST(NameOrderTest, NamesEqualButForCaseStillHaveAnOrder) {
  EXPECT_TRUE(NameOrderLess("ABC", "abc"));
  EXPECT_FALSE(NameOrderLess("abc", "ABC"));
  EXPECT_FALSE(NameOrderLess("abc", "abc"));
  EXPECT_TRUE(NameOrderLess("ab", "ABC")) << "a prefix comes first";
}

}  // namespace
}  // namespace tellmar
