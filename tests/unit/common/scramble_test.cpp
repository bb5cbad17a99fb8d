#include "common/scramble.h"

#include <gtest/gtest.h>

#include <random>

namespace tellmar {
namespace {

// Worked by hand: the rows start at the scramble key's positions in the
// alphabet ('W' 54, 'x' 87, '5' 20, '&' 5, 'T' 51, 'q' 80, '9' 24, '@' 31);
// with key word ROOT the key alphabet is R O T ! " # ... so 'R' is at 0,
// '!' at 3 and 'a' keeps its place 64.
TEST(Scramble, KnownVectors) {
  EXPECT_EQ(Scramble("ROOT", "R!a"), "W{u");
  EXPECT_EQ(Scramble("ROOT", "~"), "V");
  EXPECT_EQ(Unscramble("ROOT", "W{u"), "R!a");
  // A space is outside the alphabet and stays; the period is eight.
  EXPECT_EQ(Scramble("ROOT", "R R"), "W 5");  // row 2 starts at 20
  EXPECT_EQ(Scramble("ROOT", "RRRRRRRRR")[8], 'W');
  EXPECT_NE(Scramble("ROOT", "RR")[1], 'W');
}

TEST(Scramble, RoundTripsEveryTextForMailboxKeyWords) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> printable(0x21, 0x7e), length(0, 40), idChar(0, 35);
  const std::string idAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  for (int round = 0; round < 2000; ++round) {
    std::string id;
    for (int i = length(rng) % 31; i > 0; --i) id += idAlphabet[static_cast<std::size_t>(idChar(rng))];
    std::string text;
    for (int i = length(rng); i > 0; --i) text += static_cast<char>(printable(rng));
    std::string key = MailboxKeyWord(id);
    ASSERT_EQ(Unscramble(key, Scramble(key, text)), text) << id;
    ASSERT_EQ(Scramble(key, text).size(), text.size());
  }
}

TEST(Scramble, KeyWordOutsideTheAlphabetStillRoundTrips) {
  const std::string key = "A B\x01\xA9";
  std::string all;
  for (int c = 0x20; c <= 0x7e; ++c) all += static_cast<char>(c);
  all += "\xA3\xA9";
  EXPECT_EQ(Unscramble(key, Scramble(key, all)), all);
  // Characters outside the alphabet in the key word are left out of it.
  EXPECT_EQ(Scramble(key, all), Scramble("AB", all));
}

TEST(Scramble, MailboxKeyWordUpperCasesLettersOnly) {
  EXPECT_EQ(MailboxKeyWord("root9-x"), "ROOT9-X");
  EXPECT_EQ(Scramble(MailboxKeyWord("anna"), "pw"), Scramble("ANNA", "pw"));
}

}  // namespace
}  // namespace tellmar
