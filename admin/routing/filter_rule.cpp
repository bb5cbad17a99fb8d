#include "admin/routing/filter_rule.h"

#include <system_error>

#include "admin/shell/system_services.h"
#include "common/path_case.h"
#include "common/profile.h"

namespace tellmar::admin {
namespace fs = std::filesystem;

namespace {

int CodeIn(std::string_view text, std::size_t count) {
  const int code = ParseProfileInt(text);
  return code >= 0 && static_cast<std::size_t>(code) < count ? code : 0;
}

void AddField(std::string& line, std::string_view field) {
  line += field;
  line += '^';
}

void AddCondition(std::string& line, const FilterCondition& c) {
  AddField(line, std::to_string(c.field));
  AddField(line, std::to_string(c.test));
  AddField(line, c.text);
}

FilterCondition ConditionAt(std::string_view line, int first) {
  return {CodeIn(RuleField(line, first), kConditionFields.size()),
          CodeIn(RuleField(line, first + 1), kConditionTests.size()), RuleField(line, first + 2)};
}

}  // namespace

bool EndsChain(int actionCode) {
  return actionCode == action::kKill || actionCode == action::kRedirect || actionCode == action::kTransfer ||
         actionCode == action::kRedirectToList;
}

std::string_view FixedParameter(int actionCode) {
  switch (actionCode) {
    case action::kNone: return kNoActionText;
    case action::kKill: return kKillText;
    case action::kBounce: return kBounceText;
    default: return {};
  }
}

bool IsPathParameter(std::string_view parameter) {
  return parameter.find(":\\") != std::string_view::npos || (!parameter.empty() && parameter.front() == '/');
}

std::string RuleField(std::string_view line, int k) {
  std::size_t start = 0;
  for (int i = 1; i < k; ++i) {
    const std::size_t caret = line.find('^', start);
    if (caret == std::string_view::npos) return std::string(line.substr(start));  // after the last caret
    start = caret + 1;
  }
  const std::size_t end = line.find('^', start);
  return std::string(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

std::string CompanionField(std::string_view line, int k) { return RuleField(line, k + 1); }

int StateCode(bool active, FilterScope scope) {
  const int base = active ? 100 : 103;
  switch (scope) {
    case FilterScope::Internal: return base;
    case FilterScope::External: return base + 1;
    case FilterScope::All: break;
  }
  return base + 2;
}

namespace {
FilterScope ScopeOf(std::string_view field) {
  if (field == "2") return FilterScope::Internal;
  if (field == "1") return FilterScope::External;
  return FilterScope::All;
}
}  // namespace

int RuleStateCode(std::string_view line) {
  return StateCode(RuleField(line, 3) == "1", ScopeOf(RuleField(line, 2)));
}

std::optional<std::string> CheckRuleText(const FilterRule& rule) {
  auto bad = [](std::string_view text) { return text.find_first_of("^\r\n") != std::string_view::npos; };
  auto refusal = [](std::string_view what) {
    return "The " + std::string(what) +
           " may not contain the character ^ or a line break,\r\nplease remove it and try again...";
  };
  if (bad(rule.name)) return refusal("filter name");
  if (bad(rule.first.text)) return refusal("text of the first condition");
  if (bad(rule.second.text)) return refusal("text of the second condition");
  for (std::size_t k = 0; k < rule.actions.size(); ++k)
    if (bad(rule.actions[k].parameter)) return refusal("parameter of action " + std::to_string(k + 1));
  return std::nullopt;
}

std::optional<std::string> ShortPathForm(std::string_view path) {
  const std::size_t cut = path.find_last_of("\\/");
  if (cut == std::string_view::npos) return std::nullopt;
  std::error_code ec;
  const std::string_view dir = path.substr(0, cut + 1);
  const fs::path directory = dir == "/" ? fs::path("/") : FromWindowsPath(dir.substr(0, dir.size() - 1));
  if (!fs::is_directory(directory, ec)) return std::nullopt;
  // This file system keeps no separate 8.3 names: the short form is the path.
  return std::string(path);
}

EncodedRule EncodeRule(const FilterRule& rule) {
  EncodedRule out;
  std::string& line = out.line;
  AddField(line, rule.name);
  AddField(line, std::to_string(static_cast<int>(rule.scope)));
  AddField(line, rule.active ? "1" : "2");
  AddField(line, "0");
  AddField(line, "0");
  AddCondition(line, rule.first);
  AddField(line, std::to_string(rule.join));
  AddCondition(line, rule.second);
  out.companion = rule.name + "^";
  for (const FilterActionSlot& slot : rule.actions) {
    AddField(line, std::to_string(slot.code));
    const std::string_view fixed = FixedParameter(slot.code);
    if (!fixed.empty()) {
      AddField(line, fixed);
      AddField(out.companion, "");
    } else if (!IsPathParameter(slot.parameter)) {
      AddField(line, slot.parameter);
      AddField(out.companion, "");
    } else {
      const auto shortForm = ShortPathForm(slot.parameter);
      if (!shortForm) out.badPath = true;
      AddField(line, shortForm.value_or(slot.parameter));
      AddField(out.companion, slot.parameter);
    }
  }
  return out;
}

FilterRule DecodeRule(std::string_view line, std::string_view companion) {
  FilterRule rule;
  rule.name = RuleField(line, 1);
  rule.scope = ScopeOf(RuleField(line, 2));
  rule.active = RuleField(line, 3) == "1";
  rule.first = ConditionAt(line, 6);
  rule.join = CodeIn(RuleField(line, 9), kConditionJoins.size());
  rule.second = ConditionAt(line, 10);
  const bool hasCompanion = !companion.empty() && companion != "None";
  for (int k = 0; k < kActionSlots; ++k) {
    FilterActionSlot& slot = rule.actions[static_cast<std::size_t>(k)];
    slot.code = CodeIn(RuleField(line, 13 + 2 * k), kFilterActions.size());
    if (slot.code == action::kNone) continue;
    slot.parameter = RuleField(line, 14 + 2 * k);
    if (IsPathParameter(slot.parameter) && hasCompanion) {
      std::string longForm = CompanionField(companion, k + 1);
      if (!longForm.empty()) slot.parameter = std::move(longForm);
    }
  }
  return rule;
}

}  // namespace tellmar::admin
