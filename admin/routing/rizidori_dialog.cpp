#include "admin/routing/rizidori_dialog.h"

#include <array>

#include "admin/routing/key_phrases.h"
#include "admin/shell/admin_state.h"
#include "common/ascii.h"
#include "common/ini_document.h"
#include "common/profile.h"
#include "common/scramble.h"
#include "common/user_directory.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/settings_dialog.h"
#include "resources/tmadmin32/rizidori_ids.h"

namespace tellmar::admin {
namespace {

using Ids = res::tmadmin32::RiziDori;
constexpr std::string_view kCaption = "RiziDori configuration";
constexpr int kUserScanMax = 32000;

constexpr std::array<int, kPhraseCount> kPhraseIds = {
    Ids::kPhrase1, Ids::kPhrase2,  Ids::kPhrase3,  Ids::kPhrase4,  Ids::kPhrase5,  Ids::kPhrase6,  Ids::kPhrase7,
    Ids::kPhrase8, Ids::kPhrase9, Ids::kPhrase10, Ids::kPhrase11, Ids::kPhrase12, Ids::kPhrase13, Ids::kPhrase14};

std::vector<std::string> RealNames(const std::filesystem::path& ini) {
  const auto doc = LoadProfile(ini);
  std::vector<std::string> names;
  for (int n = 0; n < kUserScanMax; ++n) {
    const auto name = doc->Find(UserSectionName(n), "Realname");
    if (!name || name->empty()) break;
    names.emplace_back(*name);
  }
  return names;
}

void EnableEntries(HWND dialog, bool on) {
  for (int id : kPhraseIds) EnableDlgItem(dialog, id, on);
  EnableDlgItem(dialog, Ids::kRecipient, on);
}

void Load(HWND dialog, const std::filesystem::path& ini) {
  const bool enabled = GetProfileInt(ini, "Parser", "enabled", 0) != 0;
  CheckDlgButton(dialog, Ids::kEnable, enabled ? 1 : 0);
  EnableEntries(dialog, enabled);
  for (int n = 0; n < kPhraseCount; ++n) {
    const int id = kPhraseIds[static_cast<std::size_t>(n)];
    // The scanner reads no more than this of a phrase: longer ones are refused.
    SendDlgItemMessage(dialog, id, EM_LIMITTEXT, kPhraseRead);
    const std::string stored = GetProfileString(ini, "Parser", "kp" + std::to_string(n), "");
    if (!stored.empty()) SetDlgItemText(dialog, id, Unscramble(kPhraseKeyWord, stored));
  }
  const HWND list = GetDlgItem(dialog, Ids::kRecipient);
  const std::string chosen = GetProfileString(ini, "Parser", "nomaccount", "");
  const std::vector<std::string> names = RealNames(ini);
  int select = chosen.empty() && !names.empty() ? 0 : -1;
  for (std::size_t i = 0; i < names.size(); ++i) {
    ComboBox_AddString(list, names[i]);
    if (select < 0 && !chosen.empty() && StartsWithNoCase(names[i], chosen)) select = static_cast<int>(i);
  }
  if (select >= 0) ComboBox_SetCurSel(list, select);
}

bool Store(HWND dialog, const std::filesystem::path& ini) {
  for (int id : kPhraseIds) {
    if (auto refusal = CheckPhrase(GetDlgItemText(dialog, id))) {
      Refuse(dialog, id, kCaption, *refusal);
      return false;
    }
  }
  ProfileBatch batch(ini);
  for (int n = 0; n < kPhraseCount; ++n) batch.DeleteKey("Parser", "kp" + std::to_string(n));
  int next = 0;  // filled boxes are stored without gaps
  for (int id : kPhraseIds) {
    const std::string phrase = GetDlgItemText(dialog, id);
    if (!phrase.empty()) batch.Write("Parser", "kp" + std::to_string(next++), Scramble(kPhraseKeyWord, phrase));
  }
  const HWND list = GetDlgItem(dialog, Ids::kRecipient);
  const int at = ComboBox_GetCurSel(list);
  batch.Write("Parser", "enabled", IsDlgButtonChecked(dialog, Ids::kEnable) == BST_CHECKED ? "1" : "0");
  batch.Write("Parser", "nomaccount", at >= 0 ? ComboBox_GetLBText(list, at) : std::string());
  batch.Write("Parser", "dirty", "1");
  batch.Write("environment", "RemoteUpdate", "-1");
  return Saved(dialog, batch.Commit(), "The RiziDori settings");
}

}  // namespace

bool RunRiziDoriDialog(HWND owner, DialogGuard& guard) {
  const auto ini = ServerSettingsFile();
  SettingsDialog steps;
  steps.load = [&](HWND dialog) { Load(dialog, ini); };
  steps.command = [](HWND dialog, WPARAM wParam) {
    if (LOWORD(wParam) == Ids::kEnable) EnableEntries(dialog, IsDlgButtonChecked(dialog, Ids::kEnable) == BST_CHECKED);
  };
  steps.store = [&](HWND dialog) { return Store(dialog, ini); };
  return RunSettingsDialog(Ids::kTemplate, owner, steps, &guard) == IDOK;
}

}  // namespace tellmar::admin
