#include "admin/config/attachments_dialog.h"

#include "admin/config/remote_update.h"
#include "admin/shell/admin_state.h"
#include "admin/shell/system_services.h"
#include "common/profile.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/operator.h"
#include "platform/settings_dialog.h"
#include "platform/shell.h"
#include "resources/tmadmin32/attachments_ids.h"

namespace tellmar::admin {
namespace {

using Ids = res::tmadmin32::Attachments;

constexpr int kHelpContext = 24;
constexpr std::string_view kSection = "attachcfg";
constexpr std::size_t kPathLimit = 259;

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
const char* OneZero(bool on) { return on ? "1" : "0"; }
bool Remote() { return App().role == Role::RemoteConfiguration; }

void Load(HWND dialog, const std::filesystem::path& ini) {
  CheckDlgButton(dialog, Ids::kExtract, GetProfileInt(ini, kSection, "extract", 0) != 0 ? BST_CHECKED : BST_UNCHECKED);
  const bool exeOnly = GetProfileString(ini, kSection, "EXEfilesOnly", "0") == "1";
  CheckRadioButton(dialog, Ids::kAnyFiles, Ids::kExeOnly, exeOnly ? Ids::kExeOnly : Ids::kAnyFiles);
  CheckDlgButton(dialog, Ids::kRemove, GetProfileInt(ini, kSection, "remove", 0) != 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, Ids::kHold, GetProfileInt(ini, kSection, "hold", 0) != 0 ? BST_CHECKED : BST_UNCHECKED);
  SendDlgItemMessage(dialog, Ids::kDirectory, EM_LIMITTEXT, kPathLimit);
  SetDlgItemText(dialog, Ids::kDirectory, GetProfileString(ini, kSection, "LongExtractDir", ""));
  if (Remote()) SendDlgItemMessage(dialog, Ids::kDirectory, EM_SETREADONLY, 1);
}

void Select(HWND dialog) {
  if (Remote()) {
    MessageBox(dialog, "Sorry - but you cannot set the attachments path using R.C.U...", "Warning",
               MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (auto chosen = BrowseForFolder(dialog, "Select Directory", GetDlgItemText(dialog, Ids::kDirectory)))
    SetDlgItemText(dialog, Ids::kDirectory, *chosen);
}

bool Store(HWND dialog, const std::filesystem::path& ini) {
  const bool extract = Checked(dialog, Ids::kExtract);
  ProfileBatch batch(ini);
  if (!Remote()) {
    const std::string typed = GetDlgItemText(dialog, Ids::kDirectory);
    std::string shortForm;
    if (!typed.empty() || extract) {
      std::error_code ec;
      if (typed.empty() || !std::filesystem::is_directory(ServerDirectoryPath() / typed, ec)) {
        Refuse(dialog, Ids::kDirectory, "Unknown path entered",
               "WARNING - the path entered cannot be found, please use the\r\nSelect Button or retype the path "
               "entered correctly");
        return false;
      }
      shortForm = typed.back() == '/' ? typed : typed + "/";
    }
    batch.Write(kSection, "LongExtractDir", typed);
    batch.Write(kSection, "ExtractDir", shortForm);
  }
  batch.Write(kSection, "extract", OneZero(extract));
  batch.Write(kSection, "EXEfilesOnly", OneZero(Checked(dialog, Ids::kExeOnly)));
  batch.Write(kSection, "hold", OneZero(Checked(dialog, Ids::kHold)));
  batch.Write(kSection, "remove", OneZero(Checked(dialog, Ids::kRemove)));
  AddRemoteUpdate(batch);
  return Saved(dialog, batch.Commit(), "The attachment settings");
}

}  // namespace

bool RunAttachmentsDialog(HWND owner, DialogGuard& guard) {
  const auto ini = ServerSettingsFile();
  SettingsDialog steps;
  steps.load = [&](HWND dialog) { Load(dialog, ini); };
  steps.command = [](HWND dialog, WPARAM wParam) {
    if (LOWORD(wParam) == Ids::kSelect) Select(dialog);
    if (LOWORD(wParam) == Ids::kHelp) OpenHelpFile(dialog, FromWindowsPath(App().helpFilePath), kHelpContext);
  };
  steps.store = [&](HWND dialog) { return Store(dialog, ini); };
  return RunSettingsDialog(Ids::kTemplate, owner, steps, &guard) == IDOK;
}

}  // namespace tellmar::admin
