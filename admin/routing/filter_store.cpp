#include "admin/routing/filter_store.h"

#include <algorithm>
#include <optional>

#include "common/ascii.h"
#include "common/ini_document.h"
#include "common/profile.h"

namespace tellmar::admin {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kRules = "MAILFILTERS";
constexpr std::string_view kLongs = "MAILFILTERSFULL";
constexpr std::string_view kStartRules = "STARTMAILFILTERS";
constexpr std::string_view kStartLongs = "STARTMAILFILTERSFULL";
constexpr std::string_view kNone = "None";
constexpr int kOpenLimit = 4097;
constexpr std::size_t kShortestRule = 10;  // commit keeps only longer lines

std::string ValueOf(const IniDocument& doc, std::string_view section, std::string_view key) {
  auto v = doc.Find(section, key);
  return v ? std::string(*v) : std::string(kNone);
}

bool IsRuleLine(std::string_view line) { return !line.empty() && line != kNone; }

// The numbers of the "PRI%d" keys of a section, ascending: a compact or a
// commit walks them all, however many numbers are missing in between.
std::vector<int> RuleNumbers(const IniDocument& doc, std::string_view section) {
  std::vector<int> numbers;
  for (const std::string& key : doc.KeyNames(section)) {
    if (key.size() < 4 || key.size() > 12 || !EqualsNoCase(std::string_view(key).substr(0, 3), "PRI")) continue;
    const std::string_view digits = std::string_view(key).substr(3);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
    const long long n = std::stoll(std::string(digits));
    if (n <= 0x7fffffff) numbers.push_back(static_cast<int>(n));
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  return numbers;
}

}  // namespace

std::string RuleKey(int n) { return "PRI" + std::to_string(n); }
std::string CompanionKey(int n) { return "PRIL" + std::to_string(n); }

FilterStore::FilterStore(fs::path settingsFile, fs::path workingFile)
    : settings_(std::move(settingsFile)), work_(std::move(workingFile)) {}

std::string FilterStore::WorkValue(std::string_view section, std::string_view key) const {
  return ValueOf(*LoadProfile(work_), section, key);
}

std::vector<FilterRow> FilterStore::Open() {
  Discard();
  const auto source = LoadProfile(settings_);
  ProfileBatch batch(work_);
  std::vector<FilterRow> rows;
  for (int n = 0; n < kOpenLimit; ++n) {
    const std::string line = ValueOf(*source, "mailfilters", RuleKey(n));
    if (line == kNone) break;
    rows.push_back({RuleField(line, 1), RuleStateCode(line)});
    batch.Write(kRules, RuleKey(n), line);
    batch.Write(kStartRules, RuleKey(n), line);
    const std::string companion = ValueOf(*source, "mailfiltersfull", CompanionKey(n));
    batch.Write(kLongs, CompanionKey(n), companion);
    batch.Write(kStartLongs, CompanionKey(n), companion);
  }
  batch.AddSection(kRules);
  (void)batch.Commit();
  return rows;
}

std::vector<FilterRow> FilterStore::Rows() const {
  const auto doc = LoadProfile(work_);
  std::vector<FilterRow> rows;
  for (int n = 0; n < kOpenLimit; ++n) {
    const std::string line = ValueOf(*doc, kRules, RuleKey(n));
    if (line == kNone) break;
    rows.push_back({RuleField(line, 1), RuleStateCode(line)});
  }
  return rows;
}

int FilterStore::Count() const { return static_cast<int>(Rows().size()); }

std::string FilterStore::ReadRule(int n) const { return WorkValue(kRules, RuleKey(n)); }

std::string FilterStore::ReadLong(int n, int k) const {
  const std::string companion = WorkValue(kLongs, CompanionKey(n));
  return companion == kNone ? std::string() : CompanionField(companion, k);
}

FilterRule FilterStore::Rule(int n) const {
  const auto doc = LoadProfile(work_);
  return DecodeRule(ValueOf(*doc, kRules, RuleKey(n)), ValueOf(*doc, kLongs, CompanionKey(n)));
}

WriteRuleResult FilterStore::WriteRule(int n, const FilterRule& rule) {
  if (CheckRuleText(rule)) return {std::make_error_code(std::errc::invalid_argument), false};
  const EncodedRule encoded = EncodeRule(rule);
  ProfileBatch batch(work_);
  batch.Write(kRules, RuleKey(n), encoded.line);
  batch.Write(kStartRules, RuleKey(n), encoded.line);
  batch.Write(kLongs, CompanionKey(n), encoded.companion);
  batch.Write(kStartLongs, CompanionKey(n), encoded.companion);
  return {batch.Commit(), encoded.badPath};
}

std::error_code FilterStore::SetField(int n, int k, std::string_view value) {
  if (value.find_first_of("^\r\n") != std::string_view::npos) return std::make_error_code(std::errc::invalid_argument);
  const std::string line = ReadRule(n);
  if (!IsRuleLine(line) || k < 1) return {};
  std::size_t start = 0;
  for (int i = 1; i < k; ++i) {
    const std::size_t caret = line.find('^', start);
    if (caret == std::string::npos) return {};  // the line has no field k
    start = caret + 1;
  }
  const std::size_t end = line.find('^', start);
  const std::string rest = end == std::string::npos ? std::string() : line.substr(end + 1);
  const std::string updated = line.substr(0, start) + std::string(value) + "^" + rest;
  ProfileBatch batch(work_);
  batch.Write(kRules, RuleKey(n), updated);
  batch.Write(kStartRules, RuleKey(n), updated);
  return batch.Commit();
}

std::error_code FilterStore::Rename(int n, std::string_view name) {
  if (name.find_first_of("^\r\n") != std::string_view::npos) return std::make_error_code(std::errc::invalid_argument);
  auto renamed = [&](const std::string& line) {
    const std::size_t caret = line.find('^');
    return std::string(name) + (caret == std::string::npos ? std::string("^") : line.substr(caret));
  };
  const std::string line = ReadRule(n);
  if (!IsRuleLine(line)) return {};
  const std::string companion = WorkValue(kLongs, CompanionKey(n));
  ProfileBatch batch(work_);
  batch.Write(kRules, RuleKey(n), renamed(line));
  batch.Write(kStartRules, RuleKey(n), renamed(line));
  if (IsRuleLine(companion)) {
    batch.Write(kLongs, CompanionKey(n), renamed(companion));
    batch.Write(kStartLongs, CompanionKey(n), renamed(companion));
  }
  return batch.Commit();
}

std::error_code FilterStore::Swap(int a, int b) {
  const auto doc = LoadProfile(work_);
  ProfileBatch batch(work_);
  for (auto [section, key] : {std::pair{kRules, &RuleKey}, std::pair{kStartRules, &RuleKey},
                              std::pair{kLongs, &CompanionKey}, std::pair{kStartLongs, &CompanionKey}}) {
    const auto va = doc->Find(section, key(a));
    const auto vb = doc->Find(section, key(b));
    if (vb) batch.Write(section, key(a), *vb); else batch.DeleteKey(section, key(a));
    if (va) batch.Write(section, key(b), *va); else batch.DeleteKey(section, key(b));
  }
  return batch.Commit();
}

std::error_code FilterStore::Remove(int n) {
  ProfileBatch batch(work_);
  batch.DeleteKey(kRules, RuleKey(n));
  batch.DeleteKey(kStartRules, RuleKey(n));
  batch.DeleteKey(kLongs, CompanionKey(n));
  batch.DeleteKey(kStartLongs, CompanionKey(n));
  if (auto ec = batch.Commit()) return ec;
  return Compact();
}

std::error_code FilterStore::Compact() {
  const auto doc = LoadProfile(work_);
  std::vector<std::pair<std::string, std::string>> rules, longs;
  for (int n : RuleNumbers(*doc, kStartRules)) {
    const std::string line = ValueOf(*doc, kStartRules, RuleKey(n));
    if (!IsRuleLine(line)) continue;
    const int k = static_cast<int>(rules.size());
    rules.emplace_back(RuleKey(k), line);
    longs.emplace_back(CompanionKey(k), ValueOf(*doc, kStartLongs, CompanionKey(n)));
  }
  ProfileBatch batch(work_);
  batch.ReplaceSection(kRules, rules);
  batch.ReplaceSection(kLongs, longs);
  batch.ReplaceSection(kStartRules, rules);
  batch.ReplaceSection(kStartLongs, longs);
  return batch.Commit();
}

std::error_code FilterStore::Commit() {
  const auto doc = LoadProfile(work_);
  ProfileBatch batch(settings_);
  batch.DeleteSection(kRules);
  batch.DeleteSection(kLongs);
  int k = 0;
  for (int n : RuleNumbers(*doc, "mailfilters")) {
    const std::string line = ValueOf(*doc, "mailfilters", RuleKey(n));
    if (!IsRuleLine(line) || line.size() <= kShortestRule) continue;
    batch.Write(kRules, RuleKey(k), line);
    batch.Write(kLongs, CompanionKey(k), ValueOf(*doc, "mailfiltersfull", CompanionKey(n)));
    ++k;
  }
  batch.Write("environment", "RemoteUpdate", "-1");
  return batch.Commit();
}

void FilterStore::Discard() {
  std::error_code ignored;
  fs::remove(work_, ignored);
}

}  // namespace tellmar::admin
