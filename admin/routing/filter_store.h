// The filter rules in the settings file ([MAILFILTERS] PRI%d rule lines,
// [MAILFILTERSFULL] PRIL%d companion lines, numbered from 0 without gaps;
// a missing key or "None" ends the list) and the working copy FLTTEMP.INI
// that the filter editor changes until OK.
//
// The working copy has the same two sections and their mirrors
// STARTMAILFILTERS and STARTMAILFILTERSFULL, from which a removal rebuilds
// the working sections. Compact and commit carry every rule however many
// numbers are missing between them, in the order of their numbers.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "admin/routing/filter_rule.h"

namespace tellmar::admin {

inline constexpr std::string_view kFilterWorkingFile = "FLTTEMP.INI";

struct FilterRow {
  std::string name;
  int state = 0;  // 100 to 105
};

struct WriteRuleResult {
  std::error_code error;
  bool badPath = false;  // a path's directory does not exist
};

class FilterStore {
 public:
  FilterStore(std::filesystem::path settingsFile, std::filesystem::path workingFile);

  // Replaces the working copy with the rule list of the settings file.
  std::vector<FilterRow> Open();
  // The rows of the working copy as they stand.
  std::vector<FilterRow> Rows() const;
  int Count() const;

  // Rule line n of the working copy, "None" when there is none.
  std::string ReadRule(int n) const;
  // Field k (0-based) of companion line n.
  std::string ReadLong(int n, int k) const;
  FilterRule Rule(int n) const;

  WriteRuleResult WriteRule(int n, const FilterRule& rule);
  // Replaces field k of rule line n (an empty line is left alone).
  std::error_code SetField(int n, int k, std::string_view value);
  std::error_code Rename(int n, std::string_view name);
  std::error_code Swap(int a, int b);
  // Deletes rule n and renumbers the rest.
  std::error_code Remove(int n);
  std::error_code Compact();
  // Replaces the settings file's rule list with the working copy and asks
  // the main server to reload.
  std::error_code Commit();
  void Discard();

  const std::filesystem::path& workingFile() const { return work_; }

 private:
  std::string WorkValue(std::string_view section, std::string_view key) const;

  std::filesystem::path settings_;
  std::filesystem::path work_;
};

std::string RuleKey(int n);       // "PRI%d"
std::string CompanionKey(int n);  // "PRIL%d"

}  // namespace tellmar::admin
