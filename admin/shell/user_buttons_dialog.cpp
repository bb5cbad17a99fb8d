#include "admin/shell/user_buttons_dialog.h"

#include "admin/shell/admin_state.h"
#include "admin/shell/user_buttons_model.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/operator.h"
#include "platform/settings_dialog.h"
#include "resources/tmadmin32/user_buttons_ids.h"

namespace tellmar::admin {
namespace {

using Ids = res::tmadmin32::UserButtons;

constexpr std::size_t kProgramRead = 260, kCaptionRead = 256;

// The list and its buttons while browsing; the two edits and theirs while editing.
const ModeTable kModes = {
    {UserButtonsMode::kBrowsing,
     {Ids::kList, Ids::kEditEntry, Ids::kRemoveEntry, Ids::kOk, Ids::kCancel},
     {Ids::kProgram, Ids::kCaption, Ids::kBrowse, Ids::kSave, Ids::kCancelEdit}},
    {UserButtonsMode::kEditing,
     {Ids::kProgram, Ids::kCaption, Ids::kBrowse, Ids::kSave, Ids::kCancelEdit},
     {Ids::kList, Ids::kEditEntry, Ids::kRemoveEntry, Ids::kOk, Ids::kCancel}},
};

// The eight list lines are the dialog's data; the list box shows them.
class UserButtonsDialog {
 public:
  UserButtonsDialog() {
    form_.Text(Ids::kProgram, FieldRef(draft_.program), kProgramRead);
    form_.Text(Ids::kCaption, FieldRef(draft_.caption), kCaptionRead);
    form_.Modes(kModes);
  }

  SettingsDialog Steps() {
    SettingsDialog steps;
    steps.load = [this](HWND dialog) { Open(dialog); };
    steps.command = [this](HWND, WPARAM wParam) { Command(wParam); };
    steps.store = [this](HWND) { return Store(); };
    return steps;
  }

 private:
  void Open(HWND dialog) {
    dialog_ = dialog;
    lines_ = LoadUserButtonLines(ServerSettingsFile());
    ListBox_SetTabStops(List(), {25, 200});
    for (const std::string& line : lines_) ListBox_AddString(List(), line);
    ListBox_SetCurSel(List(), 0);
    ShowSelected();
  }

  void Command(WPARAM wParam) {
    switch (LOWORD(wParam)) {
      case Ids::kList:
        if (HIWORD(wParam) == LBN_SELCHANGE) ShowSelected();
        break;
      case Ids::kEditEntry:
        form_.SetMode(UserButtonsMode::kEditing);
        Refocus(Ids::kProgram);
        break;
      case Ids::kBrowse:
        Browse();
        break;
      case Ids::kSave:
        // What would not read back as typed is refused, and editing goes on.
        if (Refused(CheckUserButton({GetDlgItemText(dialog_, Ids::kProgram), GetDlgItemText(dialog_, Ids::kCaption)})))
          break;
        form_.SetMode(UserButtonsMode::kBrowsing);
        form_.Apply();
        ReplaceSelected(draft_);
        break;
      case Ids::kCancelEdit:
        form_.SetMode(UserButtonsMode::kBrowsing);
        form_.Cancel();
        SetFocus(List());
        break;
      case Ids::kRemoveEntry:
        draft_ = UserButton{std::string(kNotConfigured), ""};
        form_.Load(dialog_);
        ReplaceSelected(std::nullopt);
        break;
    }
  }

  HWND List() const { return GetDlgItem(dialog_, Ids::kList); }
  int Selected() const { return ListBox_GetCurSel(List()); }

  std::optional<UserButton> SelectedButton() const {
    const int at = Selected();
    if (at < 0 || at >= static_cast<int>(lines_.size())) return std::nullopt;
    return ParseUserButtonListLine(lines_[static_cast<std::size_t>(at)]);
  }

  void ShowSelected() {
    const auto button = SelectedButton();
    draft_ = button ? *button : UserButton{std::string(kNotConfigured), ""};
    form_.Load(dialog_);
  }

  void Refocus(int id) {
    SendDlgItemMessage(dialog_, id, EM_SETSEL, 0, -1);
    SetFocus(GetDlgItem(dialog_, id));
  }

  // Says why a button cannot be stored and puts the focus on what to correct.
  bool Refused(const std::optional<UserButtonRefusal>& refusal) {
    if (!refusal) return false;
    Refuse(dialog_, refusal->field == UserButtonField::kProgram ? Ids::kProgram : Ids::kCaption,
           kUserButtonRefusalCaption, refusal->text);
    return true;
  }

  void ReplaceSelected(const std::optional<UserButton>& button) {
    const int at = Selected();
    if (at < 0 || at >= static_cast<int>(lines_.size())) return;
    lines_[static_cast<std::size_t>(at)] = UserButtonListLine(at + 1, button);
    ListBox_DeleteString(List(), at);
    ListBox_InsertString(List(), at, lines_[static_cast<std::size_t>(at)]);
    ListBox_SetCurSel(List(), at);
    SetFocus(List());
  }

  void Browse() {
    FileRequest request;
    request.owner = dialog_;
    request.title = "Select File to be run";
    request.filters = {{"Executable Files (*.EXE)", "*.EXE"}};
    request.initialDirectory = UserButtonBrowseDirectory(SelectedButton(), App().serverDir);
    if (auto chosen = GetOpenFileName(request)) {
      if (Refused(CheckUserButtonProgram(chosen->path))) return;
      SetDlgItemText(dialog_, Ids::kProgram, chosen->path);
      SetDlgItemText(dialog_, Ids::kCaption, "");
      SetFocus(GetDlgItem(dialog_, Ids::kCaption));
    }
  }

  bool Store() {
    if (auto error = SaveUserButtonLines(ServerSettingsFile(), lines_)) {
      // Nothing was stored: saying OK would lose the operator's work silently.
      MessageBox(dialog_, "Failed to save the user buttons: " + error.message(), "Error", MB_OK | MB_ICONSTOP);
      return false;
    }
    return true;
  }

  HWND dialog_ = 0;
  std::vector<std::string> lines_;
  UserButton draft_;
  Form form_;
};

}  // namespace

bool RunUserButtonsDialog(HWND owner, DialogGuard& guard) {
  UserButtonsDialog dialog;
  return RunSettingsDialog(Ids::kTemplate, owner, dialog.Steps(), &guard) == IDOK;
}

}  // namespace tellmar::admin
