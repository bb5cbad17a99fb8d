#include "admin/users/server_status.h"

#include <algorithm>

#include "admin/shell/admin_state.h"
#include "common/profile.h"
#include "platform/controls.h"
#include "platform/window.h"
#include "resources/tmadmin32/server_status_ids.h"

namespace tellmar::admin {
namespace {

namespace fs = std::filesystem;
using Ids = res::tmadmin32::ServerStatus;

const int kChecks[] = {Ids::kPeriodic, Ids::kTimed, Ids::kCollected, Ids::kSent};

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// The product's service-pack text; blanks only count as unset.
std::string ServicePack(const RegistryStore& registry) {
  constexpr std::string_view kKey = "Tellmar\\SPVersion";
  if (!registry.KeyExists(RegistryRoot::ClassesRoot, kKey))
    registry.CreateKey(RegistryRoot::ClassesRoot, kKey);
  const std::string text = registry.GetValue(RegistryRoot::ClassesRoot, kKey, "").value_or("");
  return text.find_first_not_of(' ') == std::string::npos ? std::string() : text;
}

}  // namespace

std::map<int, std::string> ServerStatusFields(const fs::path& ini, const fs::path& workingDir,
                                              int configuredUsers, const RegistryStore& registry) {
  auto text = [&ini](std::string_view section, std::string_view key, std::string_view fallback) {
    return GetProfileString(ini, section, key, fallback);
  };
  auto number = [&ini](std::string_view section, std::string_view key, int fallback) {
    return GetProfileInt(ini, section, key, fallback);
  };
  std::map<int, std::string> f;
  f[Ids::kDirectory] = Upper(workingDir.string());
  f[Ids::kUsers] = std::to_string(configuredUsers);
  const int proxies = number("PROXYCOLLECTIONS", "TotalProxies", 0);
  f[Ids::kMailboxes] = text("PROXYCOLLECTIONS", "TotalProxies", "0");
  int active = 0;
  for (int n = 2; n <= proxies + 1; ++n)
    if (number("PROXYCOLLECTIONS", "PROXYACTIVE" + std::to_string(n), 0) == 1) ++active;
  f[Ids::kActiveMailboxes] = std::to_string(active);
  f[Ids::kPopHost] = text("NetMailServer", "POPHost", "");
  f[Ids::kSmtpHost] = text("Netmailserver", "Mailserver0", "0");
  f[Ids::kDialUp] = number("ServerStatus", "Use95DUN", 0) == -1 ? "Yes..." : "No...";
  const int autoPop = number("ServerStatus", "AutoPOPMail", 0);
  const bool automatic = autoPop == -1 || autoPop == 1;
  const bool periodic = number("ServerStatus", "PeriodicAutoMail", 0) == -1;
  f[Ids::kPeriodic] = automatic && periodic ? "1" : "0";
  f[Ids::kTimed] = automatic && !periodic ? "1" : "0";
  const std::string minutes = text("ServerStatus", "AutoPopTime", "5");
  f[Ids::kMinutes] = minutes == "0" ? "5" : minutes;
  f[Ids::kCollected] = number("ServerStatus", "AutoFetchMail", -1) == -1 ? "1" : "0";
  f[Ids::kSent] = number("ServerStatus", "AutoPostMail", -1) == -1 ? "1" : "0";
  for (int i = 1; i <= 12; ++i)
    f[Ids::kTimed1 + i - 1] = text("ServerStatus", "timedperiod" + std::to_string(i), "");
  std::string version = text("ServerStatus", "version", "") + " ";
  if (const std::string sp = ServicePack(registry); !sp.empty()) version += "(SP" + sp + ")";
  f[Ids::kVersion] = version;
  return f;
}

void RunServerStatus(HWND owner, DialogGuard& guard) {
  std::map<int, std::string> shown;
  DialogBox(
      Ids::kTemplate, owner,
      [&shown](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) {
          shown = ServerStatusFields(ServerSettingsFile(), fs::current_path(), App().configuredUsers,
                                     App().registry);
          for (const auto& [id, value] : shown) {
            if (std::find(std::begin(kChecks), std::end(kChecks), id) != std::end(kChecks))
              CheckDlgButton(dialog, id, value == "1" ? BST_CHECKED : BST_UNCHECKED);
            else
              SetDlgItemText(dialog, id, value);
          }
          CenterWindow(dialog);
          SetForegroundWindow(dialog);
          return TRUE;
        }
        if (message != WM_COMMAND) return FALSE;
        const int id = LOWORD(wParam);
        if (id == IDOK || id == IDCANCEL) {
          EndDialog(dialog, id);
          return TRUE;
        }
        // Nothing here changes: a typed text or a click is put back as shown.
        const auto it = shown.find(id);
        if (it == shown.end()) return FALSE;
        if (std::find(std::begin(kChecks), std::end(kChecks), id) != std::end(kChecks)) {
          CheckDlgButton(dialog, id, it->second == "1" ? BST_CHECKED : BST_UNCHECKED);
        } else if (HIWORD(wParam) == EN_CHANGE && GetDlgItemText(dialog, id) != it->second) {
          SetDlgItemText(dialog, id, it->second);
        }
        return TRUE;
      },
      0, &guard);
}

}  // namespace tellmar::admin
