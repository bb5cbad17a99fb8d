// tmctl's ui verbs: what a person sees in a window and what they do to it,
// through the cross-process automation of the program that owns it.
//
//   tmctl ui tree HANDLE       the window and every control inside it, one
//                              per line, indented by depth: handle, ID,
//                              kind, "text", state words
//   tmctl ui get HANDLE ID     one control's state as key=value lines
//   tmctl ui click HANDLE ID   click a control as a person would
//
// Texts are printed as they are, with \, ", CR, LF and tab escaped, so that
// every control stays on one line. Each sub-verb is one row of kUiVerbs.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation.h"
#include "platform/loop.h"
#include "platform/window.h"
#include "tools/tmctl/output.h"
#include "tools/tmctl/verb.h"

namespace tmctl {
namespace {

using namespace tellmar;

constexpr const char* kUiUsage = "ui tree HANDLE | ui get HANDLE ID | ui click HANDLE ID";

std::string Escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out;
}

std::vector<std::string> StateWords(const WindowInfo& w) {
  std::vector<std::string> words;
  if (!w.visible) words.emplace_back("hidden");
  if (!w.enabled) words.emplace_back("disabled");
  if (w.focused) words.emplace_back("focused");
  if (w.foreground) words.emplace_back("foreground");
  if (w.minimized) words.emplace_back("minimized");
  if (w.check == 1) words.emplace_back("checked");
  if (w.check == 2) words.emplace_back("indeterminate");
  if (w.readOnly) words.emplace_back("readonly");
  if (w.password) words.emplace_back("password");
  if (w.kind == "listbox" || w.kind == "combobox") {
    words.push_back("items=" + std::to_string(w.items.size()));
    if (w.curSel >= 0) words.push_back("sel=" + std::to_string(w.curSel));
  }
  if (w.kind == "updown" || w.kind == "progress") words.push_back("pos=" + std::to_string(w.pos));
  return words;
}

void TreeLines(const WindowInfo& w, int depth, std::vector<std::string>& lines) {
  std::string line(static_cast<std::size_t>(depth) * 2, ' ');
  line += std::to_string(w.hwnd) + "\t" + std::to_string(w.id) + "\t" + w.kind + "\t\"" + Escaped(w.text) + "\"\t";
  const std::vector<std::string> words = StateWords(w);
  for (std::size_t i = 0; i < words.size(); ++i) line += (i == 0 ? "" : " ") + words[i];
  lines.push_back(std::move(line));
  for (const WindowInfo& child : w.children) TreeLines(child, depth + 1, lines);
}

std::vector<std::string> StateLines(const WindowInfo& w) {
  auto flag = [](bool b) { return std::string(b ? "1" : "0"); };
  std::vector<std::string> lines = {
      "hwnd=" + std::to_string(w.hwnd),   "id=" + std::to_string(w.id),
      "class=" + Escaped(w.className),    "kind=" + w.kind,
      "text=" + Escaped(w.text),          "visible=" + flag(w.visible),
      "enabled=" + flag(w.enabled),       "focused=" + flag(w.focused),
      "check=" + std::to_string(w.check), "sel=" + std::to_string(w.curSel),
  };
  if (w.kind == "updown" || w.kind == "progress") {
    lines.push_back("range=" + std::to_string(w.lower) + "," + std::to_string(w.upper));
    lines.push_back("pos=" + std::to_string(w.pos));
  }
  for (const std::string& item : w.items) lines.push_back("item=" + Escaped(item));
  return lines;
}

// The program owning a window answers only a member of the desktop.
std::optional<std::string> Join(Loop& loop) {
  if (auto error = loop.OpenChannel("tmctl")) return "cannot join the desktop: " + error.message();
  return std::nullopt;
}

std::optional<int> ControlId(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || value < -1 || value > 0xFFFF) return std::nullopt;
  return static_cast<int>(value);
}

// The control ID of a window inside HANDLE, as the first two arguments say.
struct Target {
  HWND window = 0;
  HWND control = 0;
};

std::optional<std::string> FindTarget(const Args& args, bool withControl, Target& target) {
  target.window = HandleFromText(args[0]);
  if (target.window == 0) return "not a window handle: " + args[0];
  if (!withControl) return std::nullopt;
  const std::optional<int> id = ControlId(args[1]);
  if (!id) return "not a control ID: " + args[1];
  target.control = automation::FindControl(target.window, *id);
  if (target.control == 0) return "no control " + args[1] + " in window " + args[0];
  return std::nullopt;
}

int Tree(const Args& args) {
  Target target;
  if (auto error = FindTarget(args, false, target)) return Fail(*error);
  const auto info = automation::Describe(target.window, true);
  if (!info) return Fail("no window " + args[0]);
  std::vector<std::string> lines;
  TreeLines(*info, 0, lines);
  return PrintLines(lines);
}

int Get(const Args& args) {
  Target target;
  if (auto error = FindTarget(args, true, target)) return Fail(*error);
  const auto info = automation::Describe(target.control, false);
  if (!info) return Fail("control " + args[1] + " has gone");
  return PrintLines(StateLines(*info));
}

int Click(const Args& args) {
  Target target;
  if (auto error = FindTarget(args, true, target)) return Fail(*error);
  if (!automation::Click(target.control)) return Fail("control " + args[1] + " cannot be clicked");
  return 0;
}

// Each runs on a loop that has joined the desktop.
struct UiVerb {
  std::string_view name;
  std::size_t arguments;  // after the sub-verb
  int (*run)(const Args&);
};

constexpr UiVerb kUiVerbs[] = {
    {"tree", 1, Tree},
    {"get", 2, Get},
    {"click", 2, Click},
};

int Ui(const Args& args) {
  if (args.empty()) return Usage(kUiUsage);
  for (const UiVerb& verb : kUiVerbs) {
    if (args[0] != verb.name) continue;
    const Args rest(args.begin() + 1, args.end());
    if (rest.size() != verb.arguments) return Usage(kUiUsage);
    Loop loop;
    if (auto error = Join(loop)) return Fail(*error);
    return verb.run(rest);
  }
  return Usage(kUiUsage);
}

const Verb kUi("ui", kUiUsage, Ui);

}  // namespace
}  // namespace tmctl
