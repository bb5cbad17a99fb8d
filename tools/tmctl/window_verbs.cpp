// tmctl's window verbs: list the desktop's top-level windows, read or set a
// window's text, and send a window message with registered text slots, so
// that a script can play the main server's part towards our programs.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/channel.h"
#include "platform/controls.h"
#include "platform/loop.h"
#include "platform/window.h"
#include "platform/window_state.h"
#include "tools/tmctl/output.h"
#include "tools/tmctl/verb.h"

extern char** environ;

namespace tmctl {
namespace {

using namespace tellmar;
using namespace std::chrono_literals;

constexpr int kStartAttempts = 10;
constexpr auto kStartPoll = 1s;
constexpr int kDefaultWaitSeconds = 10;

constexpr const char* kCallUsage =
    "call CLASS TITLE [--start CMD] [--slot NAME:REGMSG[=TEXT]]... [--combo NAME]... [--copydata TEXT]"
    " [--post] [--repeat N] [--wait NAME[=WORD,WORD...]] [--timeout SECONDS] [--history] MSG [WPARAM [LPARAM]]";

// Joins the desktop as a program of its own, so peers can call back.
std::optional<std::string> Join(Loop& loop) {
  if (auto error = loop.OpenChannel("tmctl")) return "cannot join the desktop: " + error.message();
  return std::nullopt;
}

std::optional<std::int64_t> ParseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const long long value = std::strtoll(text.c_str(), &end, hex ? 16 : 10);
  if (end == nullptr || *end != '\0') return std::nullopt;
  return value;
}

int Windows(const Args& args) {
  if (!args.empty()) return Usage("windows");
  Loop loop;
  if (auto error = Join(loop)) return Fail(*error);
  for (const TopLevelWindow& w : EnumWindows())
    std::printf("%d\t%s\t%s\t%s\n", w.hwnd, Escaped(w.className).c_str(), Escaped(w.title).c_str(),
                Escaped(w.program).c_str());
  return 0;
}

int Text(const Args& args) {
  if (args.empty() || args.size() > 2) return Usage("text HANDLE [NEWTEXT]");
  const HWND hwnd = HandleFromText(args[0]);
  if (hwnd == 0) return Fail("not a window handle: " + args[0]);
  Loop loop;
  if (auto error = Join(loop)) return Fail(*error);
  if (args.size() == 2) {
    const SendResult result = loop.channel()->SetText(hwnd, args[1]);
    return result.ok ? 0 : Fail(result.error);
  }
  const Channel::TextResult result = loop.channel()->GetText(hwnd);
  if (!result.ok) return Fail(result.error);
  std::printf("%s\n", result.text.c_str());
  return 0;
}

struct Slot {
  std::string name;
  UINT registerMessage = 0;
  std::string text;  // "@OTHER": the handle of slot OTHER in decimal
  bool combo = false;
  HWND hwnd = 0;
  std::vector<std::string> history;  // every text a peer wrote, in order
};

struct CallOptions {
  std::string className, title;
  std::optional<std::string> start;
  std::vector<Slot> slots;
  std::optional<std::string> copyData;
  bool post = false;
  bool history = false;
  long repeat = 1;  // sends of the same message, e.g. a run of timer ticks
  std::optional<std::string> waitSlot;
  std::vector<std::string> waitWords;
  int timeoutSeconds = kDefaultWaitSeconds;
  std::vector<std::string> positional;  // MSG [WPARAM [LPARAM]]
};

std::optional<std::string> ParseCall(const Args& args, CallOptions& o) {
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    if (a == "--post") {
      o.post = true;
    } else if (a == "--history") {
      o.history = true;
    } else if (a == "--start" || a == "--slot" || a == "--combo" || a == "--copydata" || a == "--wait" ||
               a == "--timeout" || a == "--repeat") {
      auto v = value();
      if (!v) return a + " needs a value";
      if (a == "--start") {
        o.start = *v;
      } else if (a == "--copydata") {
        o.copyData = *v;
      } else if (a == "--timeout") {
        auto n = ParseNumber(*v);
        if (!n || *n < 0 || *n > 86400) return "bad --timeout " + *v;
        o.timeoutSeconds = static_cast<int>(*n);
      } else if (a == "--repeat") {
        auto n = ParseNumber(*v);
        if (!n || *n < 1 || *n > 10'000'000) return "bad --repeat " + *v;
        o.repeat = static_cast<long>(*n);
      } else if (a == "--wait") {
        const auto eq = v->find('=');
        o.waitSlot = v->substr(0, eq);
        if (eq != std::string::npos) {
          std::string words = v->substr(eq + 1);
          for (std::size_t p = 0; p <= words.size();) {
            std::size_t comma = words.find(',', p);
            if (comma == std::string::npos) comma = words.size();
            o.waitWords.push_back(words.substr(p, comma - p));
            p = comma + 1;
          }
        }
      } else if (a == "--combo") {
        Slot s;
        s.name = *v;
        s.combo = true;
        for (const Slot& other : o.slots)
          if (other.name == s.name) return "slot " + s.name + " given twice";
        o.slots.push_back(std::move(s));
      } else {
        Slot s;
        const auto colon = v->find(':');
        if (colon == std::string::npos || colon == 0) return "bad --slot " + *v + " (NAME:REGMSG[=TEXT])";
        s.name = v->substr(0, colon);
        std::string rest = v->substr(colon + 1);
        const auto eq = rest.find('=');
        if (eq != std::string::npos) {
          s.text = rest.substr(eq + 1);
          rest = rest.substr(0, eq);
        }
        auto n = ParseNumber(rest);
        if (!n || *n < 0 || *n > 0xFFFFFFFFLL) return "bad message number in --slot " + *v;
        s.registerMessage = static_cast<UINT>(*n);
        for (const Slot& other : o.slots)
          if (other.name == s.name) return "slot " + s.name + " given twice";
        o.slots.push_back(std::move(s));
      }
    } else if (a.size() > 2 && a.rfind("--", 0) == 0) {
      return "unknown option " + a;
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() < 3 || positional.size() > 5) return std::string("usage");
  o.className = positional[0];
  o.title = positional[1];
  o.positional.assign(positional.begin() + 2, positional.end());
  if (o.repeat > 1 && (o.post || o.copyData)) return std::string("--repeat goes with a sent message only");
  if (o.waitSlot) {
    bool known = false;
    for (const Slot& s : o.slots) known = known || s.name == *o.waitSlot;
    if (!known) return "--wait names no slot: " + *o.waitSlot;
  }
  return std::nullopt;
}

bool StartCommand(const std::string& command) {
  const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, "/bin/sh", nullptr, &attr, const_cast<char* const*>(argv), environ);
  posix_spawnattr_destroy(&attr);
  return rc == 0;
}

std::optional<std::int64_t> Parameter(const std::string& text, const std::vector<Slot>& slots) {
  if (!text.empty() && text[0] == '@') {
    for (const Slot& s : slots)
      if (s.name == text.substr(1)) return s.hwnd;
    return std::nullopt;
  }
  return ParseNumber(text);
}

int Call(const Args& args) {
  CallOptions o;
  if (auto error = ParseCall(args, o)) return *error == "usage" ? Usage(kCallUsage) : Fail(*error);
  auto msg = ParseNumber(o.positional[0]);
  if (!msg || *msg < 0 || *msg > 0xFFFFFFFFLL) return Fail("bad message number " + o.positional[0]);

  Loop loop;
  if (auto error = Join(loop)) return Fail(*error);
  HWND target = FindWindow(o.className, o.title);
  if (target == 0 && o.start) {
    if (!StartCommand(*o.start)) return Fail("cannot start " + *o.start);
    for (int attempt = 0; attempt < kStartAttempts && target == 0; ++attempt) {
      loop.PumpFor(kStartPoll);
      target = FindWindow(o.className, o.title);
    }
  }
  if (target == 0) return Fail("no window of class '" + o.className + "' titled '" + o.title + "'");

  for (Slot& s : o.slots) {
    s.hwnd = CreateWindow(s.combo ? kComboBoxClass : kEditClass, "", 0, 0, 0, 20, 20);
    if (s.hwnd == 0) return Fail("cannot create slot " + s.name);
    // Every text a peer writes is kept, so that a sequence of result words
    // can be shown, not only the last.
    Window* w = loop.Find(s.hwnd);
    w->proc = [inner = w->proc, &history = s.history](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
      if (m == WM_SETTEXT && lp != 0 && InSendMessageFromPeer()) history.emplace_back(reinterpret_cast<const char*>(lp));
      return inner(h, m, wp, lp);
    };
  }
  for (Slot& s : o.slots) {
    std::string text = s.text;
    if (text.size() > 1 && text[0] == '@') {
      if (auto h = Parameter(text, o.slots)) text = std::to_string(*h);
    }
    if (!s.combo) SetWindowText(s.hwnd, text);
  }
  for (const Slot& s : o.slots) {
    if (s.registerMessage == 0) continue;
    const SendResult r = TrySendMessage(target, s.registerMessage, static_cast<WPARAM>(s.hwnd), 0);
    if (!r.ok) return Fail("registering slot " + s.name + ": " + r.error);
  }
  std::int64_t wParam = 0, lParam = 0;
  if (o.positional.size() > 1) {
    auto v = Parameter(o.positional[1], o.slots);
    if (!v) return Fail("bad WPARAM " + o.positional[1]);
    wParam = *v;
  }
  if (o.positional.size() > 2) {
    auto v = Parameter(o.positional[2], o.slots);
    if (!v) return Fail("bad LPARAM " + o.positional[2]);
    lParam = *v;
  }

  const Slot* waited = nullptr;
  for (const Slot& s : o.slots)
    if (o.waitSlot && s.name == *o.waitSlot) waited = &s;
  const std::string baseline = waited != nullptr ? GetWindowText(waited->hwnd) : std::string();
  const unsigned writesBefore = waited != nullptr ? loop.Find(waited->hwnd)->textWrites : 0;

  SendResult result;
  const UINT message = static_cast<UINT>(*msg);
  if (o.copyData)
    result = SendCopyData(target, static_cast<HWND>(wParam), message, *o.copyData);
  else if (o.post)
    result = PostMessage(target, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam))
                 ? SendResult{true, 1, {}}
                 : SendResult{false, 0, "the message could not be posted"};
  else
    for (long i = 0; i < o.repeat && (i == 0 || result.ok); ++i)
      result = TrySendMessage(target, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));

  std::optional<std::string> failure;
  if (!result.ok) failure = result.error;
  if (!failure && waited != nullptr) {
    auto met = [&] {
      Window* w = loop.Find(waited->hwnd);
      if (w == nullptr || w->textWrites == writesBefore) return false;
      if (o.waitWords.empty()) return w->text != baseline;
      for (const std::string& word : o.waitWords)
        if (w->text == word) return true;
      return false;
    };
    if (!loop.PumpUntil(met, std::chrono::seconds(o.timeoutSeconds)))
      failure = "slot " + waited->name + " did not change within " + std::to_string(o.timeoutSeconds) + " s";
  }
  std::printf("result=%lld\n", static_cast<long long>(result.value));
  for (const Slot& s : o.slots) {
    if (!s.combo) {
      std::printf("%s=%s\n", s.name.c_str(), GetWindowText(s.hwnd).c_str());
      continue;
    }
    const int count = ComboBox_GetCount(s.hwnd);
    std::printf("%s=%d\n", s.name.c_str(), count);
    for (int i = 0; i < count; ++i) std::printf("%s[%d]=%s\n", s.name.c_str(), i, ComboBox_GetLBText(s.hwnd, i).c_str());
  }
  if (o.history) {
    for (const Slot& s : o.slots)
      for (std::size_t i = 0; i < s.history.size(); ++i)
        std::printf("%s#%zu=%s\n", s.name.c_str(), i + 1, s.history[i].c_str());
  }
  std::fflush(stdout);
  return failure ? Fail(*failure) : 0;
}

const Verb kWindows("windows", "windows", Windows);
const Verb kText("text", "text HANDLE [NEWTEXT]", Text);
const Verb kCall("call", kCallUsage, Call);

}  // namespace
}  // namespace tmctl
