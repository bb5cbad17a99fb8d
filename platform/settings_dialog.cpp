#include "platform/settings_dialog.h"

namespace tellmar {

INT_PTR RunSettingsDialog(int templateId, HWND owner, const SettingsDialog& steps, DialogGuard* guard) {
  return DialogBox(templateId, owner, [&steps](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
    if (message == WM_INITDIALOG) {
      if (steps.centred) CenterWindow(dialog);
      if (steps.load) steps.load(dialog);
      return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam);
    if (id == IDOK && steps.store) {
      if (steps.store(dialog)) EndDialog(dialog, IDOK);
    } else if (id == IDCANCEL) {
      if (!steps.cancel || steps.cancel(dialog)) EndDialog(dialog, IDCANCEL);
    } else if (steps.command) {
      steps.command(dialog, wParam);
    }
    return TRUE;
  }, 0, guard);
}

}  // namespace tellmar
