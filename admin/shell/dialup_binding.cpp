#include "admin/shell/dialup_binding.h"

#include <algorithm>
#include <filesystem>

#include "admin/shell/admin_state.h"
#include "admin/shell/commands.h"
#include "common/path_case.h"
#include "platform/controls.h"
#include "platform/loop.h"
#include "platform/shell.h"
#include "platform/window.h"

namespace tellmar::admin {
namespace {

namespace fs = std::filesystem;

using namespace dunm;
constexpr std::size_t kEntryNameMax = 80;

// Dialwick from the server directory, else from beside our own program.
bool StartHandler() {
  const AdminState& app = App();
  const fs::path serverDir = ServerDirectoryPath();
  for (const fs::path& dir : {serverDir, app.programDir}) {
    if (dir.empty()) continue;
    const fs::path program = ResolveNoCase(dir, "Dialwick");
    if (FindOnSearchPath(program.string()).empty()) continue;
    return StartProgram(program.string(), "", serverDir.empty() ? std::string() : serverDir.string()) > 32;
  }
  return false;
}

}  // namespace

HWND BindDialupHandler(std::chrono::milliseconds pollInterval) {
  const AdminState& app = App();
  HWND handler = FindWindow(kDialupClass, kDialupTitle);
  if (handler == 0) {
    if (!StartHandler()) return 0;
    for (int poll = 0; poll < kDialupPolls && handler == 0; ++poll) {
      Loop::Current().PumpFor(pollInterval);
      handler = FindWindow(kDialupClass, kDialupTitle);
    }
    if (handler == 0) return 0;
  }
  SendMessage(handler, kSetStatusWindow, static_cast<WPARAM>(app.dunOpen), 0);
  SendMessage(handler, kSetParamWindow, static_cast<WPARAM>(app.dunParams), 0);
  SetWindowText(app.dunParams, app.serverDir);
  SendMessage(handler, kSetDirectory, 0, 0);
  return handler;
}

int ListDialupEntries(HWND combo) {
  const AdminState& app = App();
  if (app.platform == 1) {
    int added = 0;
    for (std::string name : app.registry.SubKeys(RegistryRoot::CurrentUser, "RemoteAccess\\Profile")) {
      if (name.size() > kEntryNameMax) name.resize(kEntryNameMax);
      if (ComboBox_AddString(combo, name) < 0) break;
      ++added;
    }
    return added;
  }
  const HWND handler = BindDialupHandler();
  if (handler == 0) return 0;
  SetWindowText(app.dunParams, HandleToText(combo));
  // The handler answers 1 however many names it added, so the count is
  // taken from the combo box itself.
  const int before = ComboBox_GetCount(combo);
  SendMessage(handler, kListEntries, 0, 0);
  return std::max(0, ComboBox_GetCount(combo) - before);
}

}  // namespace tellmar::admin
