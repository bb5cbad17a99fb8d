#include "admin/shell/password_entry.h"

#include <string>

#include "admin/shell/admin_state.h"
#include "platform/dialog.h"
#include "platform/operator.h"
#include "platform/window.h"
#include "resources/tmadmin32/support_ids.h"

namespace tellmar::admin {
namespace {

using Ids = res::tmadmin32::ConfirmPassword;

constexpr int kPasswordMax = 128;
constexpr const char* kCaption = "Invalid password entry";

struct Request {
  std::string prompt;
  bool confirm = false;
  std::string answer;
};

void Refuse(HWND dialog, const char* text) {
  MessageBox(dialog, text, kCaption, MB_OK | MB_ICONEXCLAMATION);
  SetFocus(GetDlgItem(dialog, Ids::kPassword));
}

INT_PTR Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* request = reinterpret_cast<Request*>(GetWindowUserData(dialog));
  switch (message) {
    case WM_INITDIALOG:
      request = reinterpret_cast<Request*>(lParam);
      SetWindowUserData(dialog, lParam);
      CenterWindow(dialog);
      SetDlgItemText(dialog, Ids::kPrompt, request->prompt);
      SendDlgItemMessage(dialog, Ids::kPassword, EM_LIMITTEXT, kPasswordMax, 0);
      SendDlgItemMessage(dialog, Ids::kConfirm, EM_LIMITTEXT, kPasswordMax, 0);
      ShowDlgItem(dialog, Ids::kConfirm, request->confirm);
      ShowDlgItem(dialog, Ids::kConfirmLabel, request->confirm);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        const std::string password = GetDlgItemText(dialog, Ids::kPassword);
        if (password.empty()) {
          Refuse(dialog, "You must enter a password, or press the Cancel button");
        } else if (password.find(' ') != std::string::npos) {
          Refuse(dialog, "Passwords cannot contain spaces, please correct...");
        } else if (request->confirm && GetDlgItemText(dialog, Ids::kConfirm) != password) {
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
  const INT_PTR result = DialogBox(Ids::kTemplate, app.serverWindow != 0 ? app.serverWindow : app.main, Proc,
                                   reinterpret_cast<LPARAM>(&request), &guard);
  if (result == kDialogAlreadyOpen) return;
  const bool ok = result == IDOK;
  WriteSlot(Slot::A, ok ? "OK" : "FAIL");
  WriteSlot(Slot::B, ok ? request.answer : "");
}

}  // namespace tellmar::admin
