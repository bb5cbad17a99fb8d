// Dialogs: modal (DialogBox, a nested loop until EndDialog) and modeless
// (CreateDialog), built from templates by resource number. A dialog
// procedure answers TRUE for what it handled; a value for WM_NOTIFY goes
// through SetDlgMsgResult. Unhandled WM_CLOSE becomes the IDCANCEL command.
//
//   INT_PTR PasswordProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
//     switch (msg) {
//       case WM_INITDIALOG: SetDlgItemText(dlg, 1234, prompt); return TRUE;
//       case WM_COMMAND:
//         if (LOWORD(wp) == IDOK) { password = GetDlgItemText(dlg, 1047); EndDialog(dlg, IDOK); }
//         if (LOWORD(wp) == IDCANCEL) EndDialog(dlg, IDCANCEL);
//         return TRUE;
//     }
//     return FALSE;
//   }
//   if (DialogBox(236, owner, PasswordProc, 0, &passwordGuard) == IDOK) ...
//
// A DialogGuard keeps one dialog open at a time: a second DialogBox with the
// same guard brings the open one to the top and answers kDialogAlreadyOpen.
#pragma once

#include <string>
#include <string_view>

#include "platform/resource.h"
#include "platform/window.h"
#include "platform/window_state.h"

namespace tellmar {

inline constexpr INT_PTR kDialogAlreadyOpen = -2;

class DialogGuard {
 public:
  bool IsOpen() const;
  HWND Handle() const { return open_; }
  // Shows, restores and brings the open dialog to the foreground.
  bool RaiseIfOpen();
  void Opened(HWND dialog) { open_ = dialog; }
  void Closed() { open_ = 0; }

 private:
  HWND open_ = 0;
};

// Answers what EndDialog was given; -1 when there is no such template or
// the dialog could not be made; kDialogAlreadyOpen as above.
INT_PTR DialogBox(int templateId, HWND owner, DlgProc proc, LPARAM initParam = 0, DialogGuard* guard = nullptr);
INT_PTR DialogBoxIndirect(const DialogTemplate& tmpl, HWND owner, DlgProc proc, LPARAM initParam = 0,
                          DialogGuard* guard = nullptr);
HWND CreateDialog(int templateId, HWND owner, DlgProc proc, LPARAM initParam = 0);
HWND CreateDialogIndirect(const DialogTemplate& tmpl, HWND owner, DlgProc proc, LPARAM initParam = 0);
bool EndDialog(HWND dialog, INT_PTR result);
bool IsDialog(HWND hwnd);
LRESULT DefDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void SetDlgMsgResult(HWND dialog, LRESULT value);
// The control whose ID the Enter key presses (BS_DEFPUSHBUTTON), else IDOK.
int GetDefaultButtonId(HWND dialog);

// --- Controls of a dialog by ID --------------------------------------------------
LRESULT SendDlgItemMessage(HWND dialog, int id, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
bool SetDlgItemText(HWND dialog, int id, std::string_view text);
std::string GetDlgItemText(HWND dialog, int id);
bool SetDlgItemInt(HWND dialog, int id, int value);
// Like the Windows call: leading blanks, a sign, digits; *ok false otherwise.
int GetDlgItemInt(HWND dialog, int id, bool* ok = nullptr);
bool CheckDlgButton(HWND dialog, int id, int state);
int IsDlgButtonChecked(HWND dialog, int id);
bool CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId);
bool EnableDlgItem(HWND dialog, int id, bool enable);
bool ShowDlgItem(HWND dialog, int id, bool show);

// Centres a window on the screen, or places its centre at a point.
void CenterWindow(HWND hwnd);
void PlaceCentreAt(HWND hwnd, int x, int y);

}  // namespace tellmar
