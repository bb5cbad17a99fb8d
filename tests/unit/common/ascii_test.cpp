#include "common/ascii.h"

#include <gtest/gtest.h>

namespace tellmar {
namespace {

TEST(Ascii, EveryByteSurvivesATripThroughUtf8) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  std::string utf8 = Utf8FromBytes(all);
  EXPECT_EQ(BytesFromUtf8(utf8), all);
  EXPECT_EQ(Utf8FromBytes("\xA9"), "\xC2\xA9");  // the copyright sign
  EXPECT_EQ(BytesFromUtf8("\xE2\x82\xAC"), "?");  // beyond Latin-1
  EXPECT_EQ(BytesFromUtf8("\xC2"), "\xC2");       // cut short: kept as a byte
}

TEST(Ascii, CaseFoldsAsciiLettersOnly) {
  EXPECT_TRUE(EqualsNoCase("MailIn", "MAILIN"));
  EXPECT_FALSE(EqualsNoCase("\xC9", "\xE9"));
  EXPECT_TRUE(StartsWithNoCase("Software\\Clients", "SOFTWARE\\"));
  EXPECT_EQ(AsciiLower("AbC\xC9"), "abc\xC9");
}

}  // namespace
}  // namespace tellmar
