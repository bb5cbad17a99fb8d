#include "admin/routing/key_phrases.h"

#include <gtest/gtest.h>

#include <fstream>

#include "common/ini_document.h"
#include "common/profile.h"
#include "common/scramble.h"
#include "tests/unit/common/temp_dir.h"

namespace tellmar::admin {
namespace {

class KeyPhrasesTest : public ::testing::Test {
 protected:
  std::optional<std::string> Scan(const std::string& text, const std::vector<std::string>& phrases) {
    std::ofstream(message_, std::ios::binary) << text;
    PhraseTable table;
    for (const std::string& p : phrases) table.push_back(SplitPhraseWords(p));
    return ScanForPhrases(message_, table);
  }

  tellmar::testing::TempDir dir_;
  std::filesystem::path message_ = dir_ / "00000001.TXT";
  std::filesystem::path ini_ = dir_ / "tmhub.ini";
};

TEST_F(KeyPhrasesTest, MatchesAcrossDelimitersCaseAndRestartedAttempts) {
  EXPECT_EQ(Scan("Subject: hi\r\n\r\nFREE-money now\r\n", {"free money"}), "FREE money");
  EXPECT_EQ(Scan("free free money\r\n", {"free money"}), "free money");
  EXPECT_EQ(Scan("win a\r\nprize today\r\n", {"win a prize"}), "win a prize") << "phrases run over lines";
  EXPECT_EQ(Scan("cheap \xA3" "5 pills|offer", {"5 pills offer"}), "5 pills offer");
  EXPECT_EQ(Scan("a b c d", {"c d", "b c"}), "b c") << "the earliest word wins, then the table's order";
  EXPECT_EQ(Scan("free mone", {"free money"}), std::nullopt) << "the file ends inside the phrase";
  EXPECT_EQ(Scan("free money", {"...--!!"}), std::nullopt) << "a phrase of delimiters only has no words";
  EXPECT_EQ(Scan("", {"x"}), std::nullopt);
  EXPECT_EQ(SplitPhraseWords("  a,,b\t\"c\"  "), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(KeyPhrasesTest, WordsAreNeverSplitByHowTheFileIsRead) {
  // A phrase word straddling every plausible read size, and a hostile word
  // far longer than any phrase word just before the match.
  for (std::size_t boundary : {8191u, 65536u}) {
    std::string text(boundary - 3, ' ');
    text += "jackpot winner";
    EXPECT_EQ(Scan(text, {"jackpot winner"}), "jackpot winner") << boundary;
    EXPECT_EQ(Scan(std::string(boundary - 3, 'x') + "pot winner", {"pot winner"}), std::nullopt) << boundary;
  }
  const std::string longWord(kPhraseWordMax, 'a');
  EXPECT_EQ(Scan(longWord + "a " + longWord + " end", {longWord + " end"}), longWord + " end");
  const std::string binary("\0\x01\xff bin\0 ok done", 16);
  EXPECT_EQ(Scan(std::string(3'000'000, 'q') + " " + binary, {"ok done"}), "ok done");
}

TEST_F(KeyPhrasesTest, WhatIsNotAReadableFileMatchesNothing) {
  PhraseTable table = {{"x"}};
  EXPECT_EQ(ScanForPhrases(dir_ / "missing.txt", table), std::nullopt);
  EXPECT_EQ(ScanForPhrases(dir_.path(), table), std::nullopt);
  EXPECT_EQ(ScanForPhrases(message_, {}), std::nullopt);
}

TEST_F(KeyPhrasesTest, PhrasesAreRefusedWhenTheyCouldNeverMatchOrWouldBeCut) {
  EXPECT_FALSE(CheckPhrase("free money"));
  EXPECT_FALSE(CheckPhrase(std::string(kPhraseWordMax, 'w')));
  EXPECT_TRUE(CheckPhrase(std::string(kPhraseWordMax + 1, 'w')));
  EXPECT_TRUE(CheckPhrase("two\r\nlines"));
  EXPECT_TRUE(CheckPhrase(std::string(600, 'a') + " " + std::string(500, 'b')));  // over what is read back
  EXPECT_FALSE(StorePhrase(ini_, 14, "x")) << "only kp0 to kp13";
  EXPECT_FALSE(StorePhrase(ini_, 0, std::string(300, 'w')));
  EXPECT_FALSE(LoadProfile(ini_)->HasSection("Parser"));
}

TEST_F(KeyPhrasesTest, TheTableIsScrambledFollowsDirtyAndIsFreedWhenDisabled) {
  ASSERT_TRUE(StorePhrase(ini_, 0, "free money"));
  ASSERT_TRUE(StorePhrase(ini_, 1, "Hot Stocks"));
  const std::string stored = GetProfileString(ini_, "Parser", "kp0", "");
  EXPECT_EQ(stored.size(), 10u);
  EXPECT_EQ(stored[4], ' ') << "a space is stored unchanged";
  EXPECT_NE(stored, "free money");
  EXPECT_EQ(Unscramble("tovrel82", stored), "free money");

  EXPECT_EQ(CurrentPhraseTable(ini_), nullptr) << "disabled by default";
  ASSERT_FALSE(WriteProfileString(ini_, "Parser", "enabled", "1"));
  const PhraseTable* table = CurrentPhraseTable(ini_);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(*table, (PhraseTable{{"free", "money"}, {"Hot", "Stocks"}}));
  EXPECT_EQ(GetProfileString(ini_, "Parser", "dirty", ""), "0");

  ASSERT_TRUE(StorePhrase(ini_, 1, "cheap"));
  EXPECT_EQ(CurrentPhraseTable(ini_)->at(1), (std::vector<std::string>{"Hot", "Stocks"})) << "kept while clean";
  ASSERT_FALSE(WriteProfileString(ini_, "Parser", "dirty", "1"));
  EXPECT_EQ(CurrentPhraseTable(ini_)->at(1), (std::vector<std::string>{"cheap"}));
  ASSERT_FALSE(WriteProfileString(ini_, "Parser", "kp0", ""));
  ASSERT_FALSE(WriteProfileString(ini_, "Parser", "dirty", "1"));
  EXPECT_TRUE(CurrentPhraseTable(ini_)->empty()) << "an empty key ends the phrases";
}

}  // namespace
}  // namespace tellmar::admin
