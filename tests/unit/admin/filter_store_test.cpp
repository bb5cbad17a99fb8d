#include "admin/routing/filter_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "common/file_bytes.h"
#include "common/ini_document.h"
#include "common/profile.h"
#include "tests/unit/common/temp_dir.h"

namespace tellmar::admin {
namespace {

const char* const kJunkLine =
    "Junk^1^1^0^0^2^0^free money^0^0^0^^3^Delete message from system...^0^No action specified...^0^No action "
    "specified...^0^No action specified...^0^No action specified...^";

FilterRule Junk() {
  FilterRule rule;
  rule.name = "Junk";
  rule.scope = FilterScope::External;
  rule.first = {2, 0, "free money"};
  rule.actions[0] = {action::kKill, ""};
  return rule;
}

int CaretCount(std::string_view line) { return static_cast<int>(std::count(line.begin(), line.end(), '^')); }

TEST(FilterRule, TheJunkExampleBothWays) {
  const EncodedRule encoded = EncodeRule(Junk());
  EXPECT_EQ(encoded.line, kJunkLine);
  EXPECT_EQ(encoded.companion, "Junk^^^^^^");
  EXPECT_FALSE(encoded.badPath);

  const FilterRule back = DecodeRule(kJunkLine, "Junk^^^^^^");
  EXPECT_EQ(back.name, "Junk");
  EXPECT_EQ(back.scope, FilterScope::External);
  EXPECT_TRUE(back.active);
  EXPECT_EQ(back.first.field, 2);
  EXPECT_EQ(back.first.text, "free money");
  EXPECT_EQ(back.join, 0);
  EXPECT_EQ(back.actions[0].code, action::kKill);
  EXPECT_EQ(back.actions[1].code, action::kNone);
  EXPECT_EQ(back.actions[1].parameter, "") << "no action reads as an empty parameter";
  EXPECT_EQ(EncodeRule(back).line, kJunkLine);
  EXPECT_EQ(RuleStateCode(kJunkLine), 101);
}

TEST(FilterRule, FieldsAndStateCodes) {
  EXPECT_EQ(RuleField("a^b^c^", 2), "b");
  EXPECT_EQ(RuleField("a^b", 5), "b") << "beyond the last caret: what follows it";
  EXPECT_EQ(RuleField("a^b^", 5), "");
  EXPECT_EQ(RuleField("", 3), "");
  EXPECT_EQ(RuleField("whole", 4), "whole");
  EXPECT_EQ(CompanionField("N^^C:\\X^", 2), "C:\\X");

  struct Row { const char* scope; const char* active; int state; };
  const Row rows[] = {{"2", "1", 100}, {"1", "1", 101}, {"3", "1", 102},
                      {"2", "2", 103}, {"1", "2", 104}, {"3", "2", 105}, {"x", "7", 105}};
  for (const Row& r : rows)
    EXPECT_EQ(RuleStateCode(std::string("n^") + r.scope + "^" + r.active + "^"), r.state) << r.scope << r.active;
}

TEST(FilterRule, PathParametersAreStoredTwiceOthersOnce) {
  tellmar::testing::TempDir dir;
  std::filesystem::create_directory(dir / "Mail Archive");
  FilterRule rule = Junk();
  const std::string archive = (dir / "Mail Archive").string() + "/Junk";
  rule.actions[0] = {action::kCopyToDirectory, archive};
  rule.actions[1] = {action::kAddToList, "SALES.LST"};
  rule.actions[2] = {action::kForward, "a@x.org b@y.org"};
  rule.actions[3] = {action::kPrint, ""};  // options never set
  const EncodedRule encoded = EncodeRule(rule);
  EXPECT_FALSE(encoded.badPath);
  EXPECT_EQ(RuleField(encoded.line, 14), archive);
  EXPECT_EQ(RuleField(encoded.line, 16), "SALES.LST");
  EXPECT_EQ(RuleField(encoded.line, 18), "a@x.org b@y.org");
  EXPECT_EQ(RuleField(encoded.line, 20), "");
  EXPECT_EQ(encoded.companion, "Junk^" + archive + "^^^^^");

  // A directory that does not exist: flagged, and the line keeps all its fields.
  rule.actions[0].parameter = "C:\\Mail Archive\\Junk";
  const EncodedRule bad = EncodeRule(rule);
  EXPECT_TRUE(bad.badPath);
  EXPECT_EQ(CaretCount(bad.line), kRuleFieldCount);
  EXPECT_EQ(CompanionField(bad.companion, 1), "C:\\Mail Archive\\Junk");

  // Reading: a path field comes from the companion line, or from the rule
  // line itself when the companion is missing.
  EXPECT_EQ(DecodeRule(bad.line, bad.companion).actions[0].parameter, "C:\\Mail Archive\\Junk");
  EXPECT_EQ(DecodeRule(encoded.line, "None").actions[0].parameter, archive);
}

TEST(FilterRule, CaretsAndLineBreaksAreRefusedInEveryField) {
  EXPECT_FALSE(CheckRuleText(Junk()));
  auto refused = [](auto change) {
    FilterRule rule = Junk();
    change(rule);
    return CheckRuleText(rule).has_value();
  };
  EXPECT_TRUE(refused([](FilterRule& r) { r.name = "a^b"; }));
  EXPECT_TRUE(refused([](FilterRule& r) { r.first.text = "x^"; }));
  EXPECT_TRUE(refused([](FilterRule& r) { r.second.text = "x\r\ny"; }));
  EXPECT_TRUE(refused([](FilterRule& r) { r.actions[4] = {action::kForward, "a@b^c"}; }));
  EXPECT_NE(CheckRuleText([] { FilterRule r = Junk(); r.name = "^"; return r; }())->find("filter name"),
            std::string::npos);
}

class FilterStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(ini_, std::ios::binary) << "; server settings\r\n[Environment]\r\nDomain=x.org\r\n"
                                          << "[MailFilters]\r\nPRI0=" << Line("A") << "\r\nPRI1=" << Line("B")
                                          << "\r\nPRI2=" << Line("C") << "\r\n[MailFiltersFull]\r\n"
                                          << "PRIL0=A^^^^^^\r\nPRIL1=B^^^^^^\r\nPRIL2=C^^^^^^\r\n"
                                          << "[Other]\r\nodd key = kept\r\n";
  }
  static std::string Line(const std::string& name) {
    FilterRule r = Junk();
    r.name = name;
    return EncodeRule(r).line;
  }
  std::vector<std::string> Names(std::string_view section, std::string_view prefix) const {
    std::vector<std::string> out;
    for (int n = 0;; ++n) {
      const std::string v = GetProfileString(work_, section, std::string(prefix) + std::to_string(n), "None");
      if (v == "None") return out;
      out.push_back(RuleField(v, 1));
    }
  }
  void ExpectEverywhere(const std::vector<std::string>& names) const {
    EXPECT_EQ(Names("MAILFILTERS", "PRI"), names);
    EXPECT_EQ(Names("STARTMAILFILTERS", "PRI"), names);
    EXPECT_EQ(Names("MAILFILTERSFULL", "PRIL"), names);
    EXPECT_EQ(Names("STARTMAILFILTERSFULL", "PRIL"), names);
  }

  tellmar::testing::TempDir dir_;
  std::filesystem::path ini_ = dir_ / "tmhub.ini";
  std::filesystem::path work_ = dir_ / "FLTTEMP.INI";
  FilterStore store_{ini_, work_};
};

TEST_F(FilterStoreTest, OpenCopiesTheListAndEditsWorkByPosition) {
  std::ofstream(work_) << "[STALE]\nx=1\n";
  const auto rows = store_.Open();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2].name, "C");
  EXPECT_EQ(rows[2].state, 101);
  EXPECT_FALSE(LoadProfile(work_)->HasSection("STALE")) << "an old working copy is replaced";
  ExpectEverywhere({"A", "B", "C"});

  ASSERT_FALSE(store_.Swap(0, 1));
  ASSERT_FALSE(store_.Rename(2, "B"));  // two rules of one name are two rules
  ExpectEverywhere({"B", "A", "B"});
  EXPECT_EQ(store_.ReadLong(2, 0), "B");

  ASSERT_FALSE(store_.SetField(1, 3, "2"));
  EXPECT_EQ(store_.Rows()[1].state, 104);
  EXPECT_EQ(GetProfileString(work_, "STARTMAILFILTERS", "PRI1", ""), store_.ReadRule(1));
  ASSERT_FALSE(store_.SetField(1, 14, "Header: on Attachments: off"));
  EXPECT_EQ(RuleField(store_.ReadRule(1), 14), "Header: on Attachments: off");
  EXPECT_EQ(CaretCount(store_.ReadRule(1)), kRuleFieldCount);
  EXPECT_TRUE(store_.SetField(1, 8, "a^b")) << "a caret would split the line";

  ASSERT_FALSE(store_.Remove(0));
  ExpectEverywhere({"A", "B"});
  ASSERT_FALSE(store_.Remove(1));
  ASSERT_FALSE(store_.Remove(0));
  ExpectEverywhere({});
  EXPECT_EQ(store_.ReadRule(0), "None");
  EXPECT_EQ(GetProfileString(ini_, "MailFilters", "PRI0", ""), Line("A")) << "the settings file waits for commit";
}

TEST_F(FilterStoreTest, WriteRuleRefusesACaretAndWritesNothing) {
  store_.Open();
  FilterRule rule = Junk();
  rule.first.text = "50^ off";
  EXPECT_TRUE(store_.WriteRule(1, rule).error);
  ExpectEverywhere({"A", "B", "C"});
  rule.first.text = "50 off";
  ASSERT_FALSE(store_.WriteRule(3, rule).error);
  EXPECT_EQ(store_.Rule(3).first.text, "50 off");
  EXPECT_EQ(store_.Count(), 4);
}

TEST_F(FilterStoreTest, CommitReplacesTheListKeepsTheRestAndFlagsTheServer) {
  store_.Open();
  ASSERT_FALSE(store_.Remove(1));
  ASSERT_FALSE(store_.Commit());
  EXPECT_EQ(GetProfileString(ini_, "MAILFILTERS", "PRI1", ""), Line("C"));
  EXPECT_EQ(GetProfileString(ini_, "MAILFILTERS", "PRI2", "None"), "None");
  EXPECT_EQ(GetProfileString(ini_, "MAILFILTERSFULL", "PRIL1", ""), "C^^^^^^");
  EXPECT_EQ(GetProfileString(ini_, "environment", "RemoteUpdate", ""), "-1");
  std::error_code ec;
  const std::string bytes = ReadFileBytes(ini_, ec).value_or("");
  EXPECT_NE(bytes.find("; server settings\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("odd key = kept\r\n"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(work_)) << "the working copy stays until the next open";

  // An empty list leaves both sections absent.
  ASSERT_FALSE(store_.Remove(0));
  ASSERT_FALSE(store_.Remove(0));
  ASSERT_FALSE(store_.Commit());
  EXPECT_FALSE(LoadProfile(ini_)->HasSection("MAILFILTERS"));
  EXPECT_FALSE(LoadProfile(ini_)->HasSection("MAILFILTERSFULL"));
  EXPECT_TRUE(store_.Open().empty());
}

TEST_F(FilterStoreTest, CompactAndCommitKeepRulesBehindManyMissingNumbers) {
  store_.Open();
  // Rules at 0, 30 and 2000 of the mirrors: far more than 20 numbers missing.
  ProfileBatch batch(work_);
  for (const char* section : {"STARTMAILFILTERS", "MAILFILTERS"}) {
    batch.Write(section, "PRI30", Line("Far"));
    batch.Write(section, "PRI2000", Line("Farther"));
    batch.Write(section, "PRI31", "short^");  // 10 characters or fewer: not a rule for the server
  }
  batch.Write("STARTMAILFILTERSFULL", "PRIL30", "Far^^^^^^");
  batch.Write("MAILFILTERSFULL", "PRIL30", "Far^^^^^^");
  ASSERT_FALSE(batch.Commit());

  ASSERT_FALSE(store_.Commit());
  EXPECT_EQ(RuleField(GetProfileString(ini_, "MAILFILTERS", "PRI3", ""), 1), "Far");
  EXPECT_EQ(RuleField(GetProfileString(ini_, "MAILFILTERS", "PRI4", ""), 1), "Farther");
  EXPECT_EQ(GetProfileString(ini_, "MAILFILTERS", "PRI5", "None"), "None");
  EXPECT_EQ(GetProfileString(ini_, "MAILFILTERSFULL", "PRIL3", ""), "Far^^^^^^");

  ASSERT_FALSE(store_.Remove(1));
  EXPECT_EQ(Names("MAILFILTERS", "PRI"), (std::vector<std::string>{"A", "C", "Far", "short", "Farther"}));
  EXPECT_EQ(Names("STARTMAILFILTERS", "PRI"), Names("MAILFILTERS", "PRI"));
  EXPECT_EQ(GetProfileString(work_, "MAILFILTERSFULL", "PRIL2", ""), "Far^^^^^^");
}

}  // namespace
}  // namespace tellmar::admin
