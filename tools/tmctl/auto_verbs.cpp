// tmctl auto: what a person does to a program's window, from a script.
//   tmctl auto CLASS TITLE describe              the window and its controls, as JSON
//   tmctl auto CLASS TITLE click ID              press a button (or check box)
//   tmctl auto CLASS TITLE settext ID TEXT       type into an edit control
//   tmctl auto CLASS TITLE select ID INDEX       choose a list or combo item
//   tmctl auto CLASS TITLE dblclick ID INDEX     double-click a list item
//   tmctl auto CLASS TITLE command ID            a menu-bar command
//   tmctl auto CLASS TITLE tray                  the program's tray icons: ID ICON TIP
//   tmctl auto CLASS TITLE trayclick ID MOUSEMSG a mouse message on a tray icon
// The window is found as `call` finds it (class and title without regard
// to case; an empty class matches any). ID 0 is the window itself.
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "platform/automation.h"
#include "platform/loop.h"
#include "platform/window.h"
#include "tools/tmctl/output.h"
#include "tools/tmctl/verb.h"

namespace tmctl {
namespace {

using namespace tellmar;

constexpr const char* kUsage =
    "auto CLASS TITLE describe|click ID|settext ID TEXT|select ID INDEX|dblclick ID INDEX|command ID|tray"
    "|trayclick ID MOUSEMSG";

std::optional<int> Number(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || value < -2147483647L || value > 2147483647L) return std::nullopt;
  return static_cast<int>(value);
}

int Run(const Args& args) {
  if (args.size() < 3) return Usage(kUsage);
  const std::string& action = args[2];
  Loop loop;
  if (auto error = loop.OpenChannel("tmctl")) return Fail("cannot join the desktop: " + error.message());
  const std::optional<std::string_view> cls =
      args[0].empty() ? std::nullopt : std::optional<std::string_view>(args[0]);
  const HWND window = FindWindow(cls, args[1]);
  if (window == 0) return Fail("no window of class '" + args[0] + "' titled '" + args[1] + "'");

  if (action == "describe" && args.size() == 3) {
    auto info = automation::Describe(window, true);
    if (!info) return Fail("cannot describe the window");
    return PrintLine(info->ToJson());
  }
  if (action == "tray" && args.size() == 3) {
    std::vector<std::string> lines;
    for (const TrayIcon& icon : automation::TrayIconsOf(window))
      lines.push_back(std::to_string(icon.id) + "\t" + std::to_string(icon.icon) + "\t" + icon.tip);
    return PrintLines(lines);
  }
  if (args.size() < 4) return Usage(kUsage);
  const auto id = Number(args[3]);
  if (!id) return Fail("bad ID " + args[3]);
  if (action == "command" && args.size() == 4) {
    return automation::ChooseMenuCommand(window, static_cast<UINT>(*id)) ? 0 : Fail("the command was not taken");
  }
  if (action == "trayclick" && args.size() == 5) {
    const auto mouse = Number(args[4]);
    if (!mouse) return Fail("bad mouse message " + args[4]);
    return automation::ClickTray(window, static_cast<UINT>(*id), static_cast<UINT>(*mouse)) ? 0
                                                                                               : Fail("no such tray icon");
  }
  const HWND control = *id == 0 ? window : automation::FindControl(window, *id);
  if (control == 0) return Fail("no control " + args[3]);
  bool done = false;
  if (action == "click" && args.size() == 4) {
    done = automation::Click(control);
  } else if (action == "settext" && args.size() == 5) {
    done = automation::SetText(control, args[4]);
  } else if ((action == "select" || action == "dblclick") && args.size() == 5) {
    const auto index = Number(args[4]);
    if (!index) return Fail("bad index " + args[4]);
    done = action == "select" ? automation::SelectItem(control, *index) : automation::DoubleClickItem(control, *index);
  } else {
    return Usage(kUsage);
  }
  return done ? 0 : Fail("the control did not take it (disabled, hidden or the wrong kind)");
}

const Verb verb("auto", kUsage, Run);

}  // namespace
}  // namespace tmctl
