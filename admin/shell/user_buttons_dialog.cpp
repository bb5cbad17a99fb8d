#include "admin/shell/user_buttons_dialog.h"

#include "admin/shell/admin_state.h"
#include "admin/shell/user_buttons_model.h"
#include "platform/controls.h"
#include "platform/operator.h"
#include "platform/window.h"

namespace tellmar::admin {
namespace {

constexpr int kDialog = 238;
constexpr int kList = 1049, kProgram = 1047, kCaption = 1048, kBrowse = 3, kEdit = 4, kRemove = 5, kSave = 6,
              kCancelEdit = 7;
constexpr std::size_t kProgramRead = 260, kCaptionRead = 256;

std::string Cut(std::string text, std::size_t limit) {
  if (text.size() > limit) text.resize(limit);
  return text;
}

void SetEditing(HWND dialog, bool editing) {
  for (int id : {kList, kEdit, kRemove, IDOK, IDCANCEL}) EnableDlgItem(dialog, id, !editing);
  for (int id : {kProgram, kCaption, kBrowse, kSave, kCancelEdit}) EnableDlgItem(dialog, id, editing);
}

HWND List(HWND dialog) { return GetDlgItem(dialog, kList); }

int Selected(HWND dialog) { return ListBox_GetCurSel(List(dialog)); }

std::optional<UserButton> SelectedButton(HWND dialog) {
  const int at = Selected(dialog);
  if (at < 0) return std::nullopt;
  return ParseUserButtonListLine(ListBox_GetText(List(dialog), at));
}

void FillEdits(HWND dialog) {
  const auto button = SelectedButton(dialog);
  SetDlgItemText(dialog, kProgram, button ? button->program : std::string(kNotConfigured));
  SetDlgItemText(dialog, kCaption, button ? button->caption : std::string());
}

void ReplaceSelected(HWND dialog, const std::optional<UserButton>& button) {
  const int at = Selected(dialog);
  if (at < 0) return;
  const HWND list = List(dialog);
  ListBox_DeleteString(list, at);
  ListBox_InsertString(list, at, UserButtonListLine(at + 1, button));
  ListBox_SetCurSel(list, at);
  SetFocus(list);
}

// Says why a button cannot be stored and puts the focus on what to correct.
bool Refused(HWND dialog, const std::optional<UserButtonRefusal>& refusal) {
  if (!refusal) return false;
  MessageBox(dialog, refusal->text, kUserButtonRefusalCaption, MB_OK | MB_ICONEXCLAMATION);
  const int field = refusal->field == UserButtonField::kProgram ? kProgram : kCaption;
  SendDlgItemMessage(dialog, field, EM_SETSEL, 0, -1);
  SetFocus(GetDlgItem(dialog, field));
  return true;
}

void Browse(HWND dialog) {
  FileRequest request;
  request.owner = dialog;
  request.title = "Select File to be run";
  request.filters = {{"Executable Files (*.EXE)", "*.EXE"}};
  request.initialDirectory = UserButtonBrowseDirectory(SelectedButton(dialog), App().serverDir);
  if (auto chosen = GetOpenFileName(request)) {
    if (Refused(dialog, CheckUserButtonProgram(chosen->path))) return;
    SetDlgItemText(dialog, kProgram, chosen->path);
    SetDlgItemText(dialog, kCaption, "");
    SetFocus(GetDlgItem(dialog, kCaption));
  }
}

bool Store(HWND dialog) {
  std::vector<std::string> lines;
  const HWND list = List(dialog);
  for (int i = 0; i < ListBox_GetCount(list) && i < kUserButtonCount; ++i) lines.push_back(ListBox_GetText(list, i));
  if (auto error = SaveUserButtonLines(ServerSettingsFile(), lines)) {
    // Nothing was stored: saying OK would lose the operator's work silently.
    MessageBox(dialog, "Failed to save the user buttons: " + error.message(), "Error", MB_OK | MB_ICONSTOP);
    return false;
  }
  return true;
}

INT_PTR Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      CenterWindow(dialog);
      const HWND list = List(dialog);
      ListBox_SetTabStops(list, {25, 200});
      for (const std::string& line : LoadUserButtonLines(ServerSettingsFile())) ListBox_AddString(list, line);
      ListBox_SetCurSel(list, 0);
      FillEdits(dialog);
      SetEditing(dialog, false);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kList:
          if (HIWORD(wParam) == LBN_SELCHANGE) FillEdits(dialog);
          return TRUE;
        case kEdit:
          SetEditing(dialog, true);
          SendDlgItemMessage(dialog, kProgram, EM_SETSEL, 0, -1);
          SetFocus(GetDlgItem(dialog, kProgram));
          return TRUE;
        case kBrowse:
          Browse(dialog);
          return TRUE;
        case kSave: {
          const UserButton button{Cut(GetDlgItemText(dialog, kProgram), kProgramRead),
                                  Cut(GetDlgItemText(dialog, kCaption), kCaptionRead)};
          if (Refused(dialog, CheckUserButton(button))) return TRUE;
          SetEditing(dialog, false);
          ReplaceSelected(dialog, button);
          return TRUE;
        }
        case kCancelEdit:
          SetEditing(dialog, false);
          SetFocus(List(dialog));
          return TRUE;
        case kRemove:
          SetDlgItemText(dialog, kProgram, kNotConfigured);
          SetDlgItemText(dialog, kCaption, "");
          ReplaceSelected(dialog, std::nullopt);
          return TRUE;
        case IDOK:
          if (Store(dialog)) EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace

bool RunUserButtonsDialog(HWND owner, DialogGuard& guard) { return DialogBox(kDialog, owner, Proc, 0, &guard) == IDOK; }

}  // namespace tellmar::admin
