#include "admin/shell/password_entry.h"

#include <string>

#include "admin/shell/admin_state.h"
#include "platform/dialog.h"
#include "platform/operator.h"
#include "platform/window.h"

namespace tellmar::admin {
namespace {

constexpr int kDialog = 236;
constexpr int kPrompt = 1234, kPassword = 1047, kConfirm = 1237, kConfirmLabel = 1238;
constexpr int kPasswordMax = 128;
constexpr const char* kCaption = "Invalid password entry";

struct Request {
  std::string prompt;
  bool confirm = false;
  std::string answer;
};

void Refuse(HWND dialog, const char* text) {
  MessageBox(dialog, text, kCaption, MB_OK | MB_ICONEXCLAMATION);
  SetFocus(GetDlgItem(dialog, kPassword));
}

INT_PTR Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* request = reinterpret_cast<Request*>(GetWindowUserData(dialog));
  switch (message) {
    case WM_INITDIALOG:
      request = reinterpret_cast<Request*>(lParam);
      SetWindowUserData(dialog, lParam);
      CenterWindow(dialog);
      SetDlgItemText(dialog, kPrompt, request->prompt);
      SendDlgItemMessage(dialog, kPassword, EM_LIMITTEXT, kPasswordMax, 0);
      SendDlgItemMessage(dialog, kConfirm, EM_LIMITTEXT, kPasswordMax, 0);
      ShowDlgItem(dialog, kConfirm, request->confirm);
      ShowDlgItem(dialog, kConfirmLabel, request->confirm);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        const std::string password = GetDlgItemText(dialog, kPassword);
        if (password.empty()) {
          Refuse(dialog, "You must enter a password, or press the Cancel button");
        } else if (password.find(' ') != std::string::npos) {
          Refuse(dialog, "Passwords cannot contain spaces, please correct...");
        } else if (request->confirm && GetDlgItemText(dialog, kConfirm) != password) {
          Refuse(dialog, "Passwords do not match, please correct...");
        } else {
          request->answer = password;
          EndDialog(dialog, IDOK);
        }
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace

void RunPasswordEntry(bool readSlots) {
  static DialogGuard guard;
  Request request;
  if (readSlots) {
    ReadSlot(Slot::A);
    request.prompt = ReadSlot(Slot::B);
    request.confirm = ReadSlot(Slot::C) == "1";
  }
  const AdminState& app = App();
  const INT_PTR result = DialogBox(kDialog, app.serverWindow != 0 ? app.serverWindow : app.main, Proc,
                                   reinterpret_cast<LPARAM>(&request), &guard);
  if (result == kDialogAlreadyOpen) return;
  const bool ok = result == IDOK;
  WriteSlot(Slot::A, ok ? "OK" : "FAIL");
  WriteSlot(Slot::B, ok ? request.answer : "");
}

}  // namespace tellmar::admin
