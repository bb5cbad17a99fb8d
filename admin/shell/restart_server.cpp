#include "admin/shell/restart_server.h"

#include <cstdlib>
#include <filesystem>

#include "admin/shell/admin_state.h"
#include "common/path_case.h"
#include "platform/dialog.h"
#include "platform/operator.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "resources/tmadmin32/support_ids.h"

namespace tellmar::admin {
namespace {

using Notice = res::tmadmin32::RestartNotice;


// TELLMAR_ADMIN_CLOCK_SCALE=N shortens the delay N-fold, for tests.
unsigned RestartDelay() {
  const char* scale = std::getenv("TELLMAR_ADMIN_CLOCK_SCALE");
  const long n = scale != nullptr ? std::strtol(scale, nullptr, 10) : 1;
  return n > 1 && n <= 10000 ? kRestartDelayMs / static_cast<unsigned>(n) : kRestartDelayMs;
}

INT_PTR NoticeProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG ? TRUE : FALSE; }

}  // namespace

void BeginServerRestart() {
  AdminState& app = App();
  if (app.restartNotice == 0 || !IsWindow(app.restartNotice)) {
    app.restartNotice = CreateDialog(Notice::kTemplate, 0, NoticeProc);
    CenterWindow(app.restartNotice);
    ShowWindow(app.restartNotice, SW_SHOW);
  }
  SetTimer(app.main, kRestartTimer, RestartDelay());
}

void FinishServerRestart() {
  AdminState& app = App();
  KillTimer(app.main, kRestartTimer);
  if (app.restartNotice != 0) DestroyWindow(app.restartNotice);
  app.restartNotice = 0;
  for (const char* name : {"tmhub", "tmhub.exe"}) {
    const std::filesystem::path program = ResolveNoCase(app.workingDir, name);
    if (!FindOnSearchPath(program.string()).empty()) {
      StartProgram(program.string(), "", app.workingDir.string());
      return;
    }
  }
  // Without a server program there is nothing to restart; say so rather
  // than leave the administrator waiting for a server that never comes.
  MessageBox(app.main, "Cannot restart the mail server: there is no tmhub program in " + app.workingDir.string(),
             "Tellmar3... ", MB_OK | MB_ICONSTOP);
}

}  // namespace tellmar::admin
