// One mail filter rule and its two stored lines.
//
// The rule line holds 22 fields, each followed by "^": name, scope, state,
// "0", "0", first condition (field, test, text), join, second condition
// (field, test, text), then five actions (code, parameter). The companion
// line holds the name and the long forms of the five action parameters
// that are paths, 6 fields with 6 carets. Codes are positions in the tables
// below, which the editor's drop-down lists show in the same order.
//
// A parameter is a path when it holds ":\" (a Windows drive path) or starts
// with "/" (a path of this machine). Its short form is the path itself when
// its directory exists; the rule line gets the short form and the companion
// line the path as chosen.
//
// The format has no escape: a "^" in any field would split the line, and a
// line break would split the settings file. Such rules are refused before
// they are encoded (CheckRuleText).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tellmar::admin {

inline constexpr int kRuleFieldCount = 22;
inline constexpr int kActionSlots = 5;
inline constexpr std::size_t kRuleTextMax = 255;    // name and condition texts
inline constexpr std::size_t kParameterMax = 1024;  // an action's parameter

inline constexpr std::array<std::string_view, 11> kConditionFields = {
    "Any Destination Address", "Senders Address", "Subject Line",    "To Line",
    "From Line",               "Reply-To Line",   "Cc Line",         "Date Line",
    "Message-ID Line",         "Any Header Line", "Any Message Body Line"};
inline constexpr std::array<std::string_view, 8> kConditionTests = {
    "Contains", "Does not contain", "Is", "Is not", "Starts with", "Ends with", "Appears", "Does not appear"};
inline constexpr std::array<std::string_view, 4> kConditionJoins = {"Ignore", "And", "Or", "Unless"};
inline constexpr std::array<std::string_view, 17> kFilterActions = {
    "No action",
    "Play sound",
    "Print message",
    "Kill message",
    "Generate a bounce message",
    "Forward to external address",
    "Redirect to external address",
    "Transfer to local user",
    "Copy to other local user",
    "Copy to directory",
    "Mail back a file",
    "Run a program",
    "Add sender to address list",
    "Remove sender from address list",
    "Forward message to address list",
    "Redirect message to address list",
    "Remove any attachments"};

namespace action {
inline constexpr int kNone = 0, kPlaySound = 1, kPrint = 2, kKill = 3, kBounce = 4, kForward = 5, kRedirect = 6,
                     kTransfer = 7, kCopyToUser = 8, kCopyToDirectory = 9, kMailBack = 10, kRunProgram = 11,
                     kAddToList = 12, kRemoveFromList = 13, kForwardToList = 14, kRedirectToList = 15,
                     kRemoveAttachments = 16;
}  // namespace action

inline constexpr std::string_view kNoActionText = "No action specified...";
inline constexpr std::string_view kKillText = "Delete message from system...";
inline constexpr std::string_view kBounceText = "Send an undelivered mail message...";

// Kill, redirect, transfer and redirect to a list dispose of the message.
bool EndsChain(int actionCode);
// The fixed parameter of codes 0, 3 and 4; empty for the others.
std::string_view FixedParameter(int actionCode);
bool IsPathParameter(std::string_view parameter);

// Scope codes as stored in field 2.
enum class FilterScope { External = 1, Internal = 2, All = 3 };

struct FilterCondition {
  int field = 0;
  int test = 0;
  std::string text;
};

struct FilterActionSlot {
  int code = action::kNone;
  std::string parameter;  // as the user chose it (long form for paths)
};

struct FilterRule {
  std::string name;
  FilterScope scope = FilterScope::All;
  bool active = true;
  FilterCondition first;
  int join = 0;
  FilterCondition second;
  std::array<FilterActionSlot, kActionSlots> actions;
};

// Field k (1-based) of a rule line: the text between the (k-1)-th and the
// k-th caret; beyond the last caret, everything after it.
std::string RuleField(std::string_view line, int k);
// Field k (0-based: 0 the name, 1 to 5 the actions) of a companion line.
std::string CompanionField(std::string_view line, int k);

// The list state code (100 to 105) of a rule line: active (field 3 "1") or
// inactive, by scope (field 2: "2" internal, "1" external, else all).
int RuleStateCode(std::string_view line);
inline bool StateIsActive(int state) { return state >= 100 && state <= 102; }
int StateCode(bool active, FilterScope scope);

// Why a rule cannot be stored as given ("^" or a line break in one of its
// texts), naming the field; nullopt when it can.
std::optional<std::string> CheckRuleText(const FilterRule& rule);

struct EncodedRule {
  std::string line;
  std::string companion;
  bool badPath = false;  // a path's directory does not exist: stored as written
};
// Builds both lines. Call CheckRuleText first.
EncodedRule EncodeRule(const FilterRule& rule);

// A rule read back: parameters of path fields come from the companion line
// when it has them, else from the rule line itself.
FilterRule DecodeRule(std::string_view line, std::string_view companion);

// The short form of a path parameter; nullopt when its directory does not exist.
std::optional<std::string> ShortPathForm(std::string_view path);

}  // namespace tellmar::admin
