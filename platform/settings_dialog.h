// The modal settings dialog: centred and filled when it opens; OK stores and
// closes with IDOK, unless the store refuses (it has said why, and the
// dialog stays open); Cancel (and closing the window) closes with IDCANCEL,
// unless `cancel` keeps it open; every other command goes to `command`, OK
// too when there is no `store` (a dialog without an OK button).
//
//   SettingsDialog steps;
//   steps.load = [&](HWND dialog) { form.Load(dialog); };
//   steps.command = [&](HWND, WPARAM wParam) { form.Notice(wParam); };
//   steps.store = [&](HWND) { return form.Apply(); };
//   return RunSettingsDialog(Ids::kTemplate, owner, steps, &guard) == IDOK;
//
// A store that writes a batch of its own reports a failed write with
// Saved(dialog, batch.Commit(), "The schedule") (platform/form.h).
#pragma once

#include <functional>

#include "platform/dialog.h"

namespace tellmar {

struct SettingsDialog {
  std::function<void(HWND dialog)> load;
  std::function<void(HWND dialog, WPARAM wParam)> command;  // any but OK and Cancel
  std::function<bool(HWND dialog)> store;                   // false keeps the dialog open
  std::function<bool(HWND dialog)> cancel;                  // unset: Cancel always closes
  bool centred = true;                                      // false: where the template puts it
};

// Answers what DialogBox answers.
INT_PTR RunSettingsDialog(int templateId, HWND owner, const SettingsDialog& steps, DialogGuard* guard = nullptr);

}  // namespace tellmar
