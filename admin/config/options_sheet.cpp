#include "admin/config/options_sheet.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "admin/config/footer_file.h"
#include "admin/config/remote_update.h"
#include "admin/config/spin_range.h"
#include "admin/shell/admin_state.h"
#include "common/profile.h"
#include "common/scramble.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/operator.h"
#include "platform/propsheet.h"
#include "resources/tmadmin32/options_ids.h"

namespace tellmar::admin {
namespace {

using FootIds = res::tmadmin32::FootnotePage;
using PortIds = res::tmadmin32::PortsPage;
using LogIds = res::tmadmin32::LogfilesPage;
using IntranetIds = res::tmadmin32::IntranetAdminPage;
using ExternalIds = res::tmadmin32::ExternalAdminPage;

constexpr int kHelpContext = 23;
constexpr std::string_view kMasterKeyWord = "KQZVRLM";
constexpr std::string_view kFootnotePlaceholder = "Add your footnote here...";

// One page: a form and what the page does besides it. A page writes only
// when a person changed it, so that an OK elsewhere leaves its keys alone.
struct OptionsPage {
  Form form;
  std::function<void(HWND page)> init;                    // once, when first shown
  std::function<void(HWND page, int id)> command;         // a button of its own
  std::function<bool(HWND page)> check;                   // before storing; false refuses
  std::function<bool(HWND page)> store;                   // after the form's keys; false refuses
  struct Spin {
    int field, spin, min, max;
  };
  std::vector<Spin> spins;  // number fields whose spin must not change the stored value

  void Number(int field, ValueRef ref, int spin, int min, int max) {
    form.Integer(field, std::move(ref), min, max);
    spins.push_back({field, spin, min, max});
  }

  INT_PTR Proc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
      if (init) init(page);
      return TRUE;
    }
    if (message == WM_COMMAND) {
      form.Notice(wParam);
      if (command) command(page, LOWORD(wParam));
      return TRUE;
    }
    if (message != WM_NOTIFY) return FALSE;
    const auto* notify = reinterpret_cast<const PSHNOTIFY*>(lParam);
    if (notify->hdr.code == PSN_APPLY) {
      SetDlgMsgResult(page, Apply(page) ? PSNRET_NOERROR : PSNRET_INVALID);
      return TRUE;
    }
    const bool loading = notify->hdr.code == PSN_SETACTIVE && form.dialog() == 0;
    const bool handled = form.SheetNotify(page, lParam);
    if (loading)
      for (const Spin& s : spins) SetSpinKeepingValue(page, s.spin, s.min, s.max, GetDlgItemText(page, s.field));
    if (notify->hdr.code == PSN_SETACTIVE && command) command(page, 0);  // states that follow the loaded values
    return handled;
  }

  bool Apply(HWND page) {
    if (!form.Modified()) return true;
    if (check && !check(page)) return false;
    if (!form.Apply()) return false;
    if (store && !store(page)) {
      form.MarkModified(true);
      return false;
    }
    (void)WriteRemoteUpdate(ServerSettingsFile());
    return true;
  }
};

PROPSHEETPAGE MakePage(int templateId, std::shared_ptr<OptionsPage> page) {
  return {templateId, [page](HWND h, UINT m, WPARAM w, LPARAM l) { return page->Proc(h, m, w, l); }, 0};
}

// --- Footnote ---------------------------------------------------------------

std::shared_ptr<OptionsPage> FootnotePage() {
  auto page = std::make_shared<OptionsPage>();
  auto text = std::make_shared<std::string>();
  const auto ini = ServerSettingsFile();
  page->form.Flag(FootIds::kAppend, SettingsKey(ini, "footer", "append", "0"), kMinusOneZero);
  page->form.Text(FootIds::kFootnote, FieldRef(*text), 0);
  page->init = [text](HWND h) {
    std::error_code error;
    const auto footer = ReadFooter(ServerDirectoryPath(), error);
    if (error) MessageBox(h, "Failed to read file...", "File Read error", MB_OK | MB_ICONEXCLAMATION);
    *text = footer ? *footer : error ? std::string() : std::string(kFootnotePlaceholder);
  };
  page->store = [text](HWND h) {
    const auto failed = WriteFooter(ServerDirectoryPath(), *text);
    if (!failed) return true;
    char message[64];
    std::snprintf(message, sizeof message,
                  failed->stage == FooterSaveError::Stage::Create ? "Failed to create file, error %d..."
                                                                  : "Failed to write file, error %d...",
                  failed->code);
    MessageBox(h, message, "Error", MB_OK | MB_ICONEXCLAMATION);
    MessageBox(h, "Error occured saving footer text", "Error", MB_OK | MB_ICONEXCLAMATION);
    return false;
  };
  return page;
}

// --- Ports ------------------------------------------------------------------

// A bind flag is on only when it reads as exactly 1, as the servers take it.
ValueRef BindKey(const std::filesystem::path& ini, const char* section) {
  ValueRef ref = SettingsKey(ini, section, "bind", "1");
  ref.read = [ini, section] { return std::string(GetProfileInt(ini, section, "bind", 1) == 1 ? "1" : "0"); };
  return ref;
}

bool IsPort(const std::string& text) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  const int port = ParseProfileInt(text);
  return port >= 1 && port <= 65535;
}

std::shared_ptr<OptionsPage> PortsPage() {
  auto page = std::make_shared<OptionsPage>();
  const auto ini = ServerSettingsFile();
  Form& f = page->form;
  page->Number(PortIds::kSmtpPort, SettingsKey(ini, "smtpsrv", "port", "25"), PortIds::kSmtpPortSpin, 1, 5000);
  page->Number(PortIds::kSmtpExternal, SettingsKey(ini, "outports", "smtp", "25"), PortIds::kSmtpExternalSpin, 1, 5000);
  f.Flag(PortIds::kSmtpBind, BindKey(ini, "smtpsrv"));
  page->Number(PortIds::kPopPort, SettingsKey(ini, "popsrv", "port", "110"), PortIds::kPopPortSpin, 1, 5000);
  page->Number(PortIds::kPopExternal, SettingsKey(ini, "outports", "pop3", "110"), PortIds::kPopExternalSpin, 1, 5000);
  f.Flag(PortIds::kPopBind, BindKey(ini, "popsrv"));
  page->Number(PortIds::kTimeout, SettingsKey(ini, "popsrv", "timeout", "5"), PortIds::kTimeoutSpin, 1, 99);
  for (int id : {PortIds::kSmtpPort, PortIds::kSmtpExternal, PortIds::kPopPort, PortIds::kPopExternal})
    f.Require(id, IsPort, "Invalid port", "Please enter a port number from 1 to 65535");
  page->command = [form = &page->form](HWND h, int id) {  // the page owns this: a plain pointer back
    if (id != PortIds::kResetDefaults) return;
    const std::pair<int, int> fields[] = {{PortIds::kSmtpPort, 25}, {PortIds::kSmtpExternal, 25},
                                          {PortIds::kPopPort, 110}, {PortIds::kPopExternal, 110},
                                          {PortIds::kTimeout, 5}};
    for (const auto& [field, value] : fields) SetDlgItemText(h, field, std::to_string(value));
    for (const auto& [spin, value] : {std::pair{PortIds::kSmtpPortSpin, 25}, {PortIds::kSmtpExternalSpin, 25},
                                      {PortIds::kPopPortSpin, 110}, {PortIds::kPopExternalSpin, 110},
                                      {PortIds::kTimeoutSpin, 5}})
      SendDlgItemMessage(h, spin, UDM_SETPOS32, 0, value);
    CheckDlgButton(h, PortIds::kSmtpBind, BST_CHECKED);
    CheckDlgButton(h, PortIds::kPopBind, BST_CHECKED);
    form->MarkModified(true);
  };
  return page;
}

// --- Logfiles ---------------------------------------------------------------

std::shared_ptr<OptionsPage> LogfilesPage() {
  auto page = std::make_shared<OptionsPage>();
  const auto ini = ServerSettingsFile();
  page->form.Radio({{LogIds::kDaily, "-1"}, {LogIds::kSingle, "0"}}, SettingsKey(ini, "log", "daily", "0"));
  page->form.Text(LogIds::kFileName, SettingsKey(ini, "log", "fname", "srvlog.log"), 259);
  page->Number(LogIds::kMaxSize, SettingsKey(ini, "log", "maxsize", "32"), LogIds::kMaxSizeSpin, 1, 20);
  return page;
}

// --- Intranet Admin ---------------------------------------------------------

std::shared_ptr<OptionsPage> IntranetAdminPage() {
  auto page = std::make_shared<OptionsPage>();
  const auto ini = ServerSettingsFile();
  const std::pair<int, const char*> tasks[] = {
      {IntranetIds::kSingleCreate, "AllowSingleCreate"}, {IntranetIds::kChangeId, "AllowChangeID"},
      {IntranetIds::kChangePassword, "AllowChangePW"},   {IntranetIds::kMailAlerts, "AllowMailAlerts"},
      {IntranetIds::kRealName, "AllowRealName"},         {IntranetIds::kTransport, "AllowTransport"}};
  page->form.Flag(IntranetIds::kRemoteEnabled, SettingsKey(ini, "RemoteAdmin", "RemoteEnabled", "-1"), kMinusOneZero);
  for (const auto& [id, key] : tasks)
    page->form.Flag(id, SettingsKey(ini, "RemoteAdmin", key, id == IntranetIds::kSingleCreate ? "0" : "-1"),
                    kMinusOneZero);
  // The tasks mean nothing while administration by mail is off.
  page->command = [](HWND h, int) {
    const bool on = IsDlgButtonChecked(h, IntranetIds::kRemoteEnabled) == BST_CHECKED;
    for (int id : {IntranetIds::kSingleCreate, IntranetIds::kChangeId, IntranetIds::kChangePassword,
                   IntranetIds::kMailAlerts, IntranetIds::kRealName, IntranetIds::kTransport})
      EnableDlgItem(h, id, on);
  };
  return page;
}

// --- External Admin ---------------------------------------------------------

std::shared_ptr<OptionsPage> ExternalAdminPage() {
  auto page = std::make_shared<OptionsPage>();
  const auto ini = ServerSettingsFile();
  auto password = std::make_shared<std::string>(
      Unscramble(kMasterKeyWord, GetProfileString(ini, "ENVIRONMENT", "SERVERPW", kMasterKeyWord)));
  page->form.Text(ExternalIds::kPassword, FieldRef(*password), 128);
  page->command = [](HWND h, int id) {
    if (id != ExternalIds::kShowPassword) return;
    const bool show = GetDlgItemText(h, ExternalIds::kShowPassword) == "Show &Password";
    SendDlgItemMessage(h, ExternalIds::kPassword, EM_SETPASSWORDCHAR, show ? 0 : '*', 0);
    SetDlgItemText(h, ExternalIds::kShowPassword, show ? "Hide &Password" : "Show &Password");
  };
  page->check = [](HWND h) {
    if (GetDlgItemText(h, ExternalIds::kPassword).find(' ') == std::string::npos) return true;
    Refuse(h, ExternalIds::kPassword, "Invalid Password", "Passwords cannot contain spaces", MB_ICONSTOP);
    return false;
  };
  page->store = [ini, password](HWND h) {
    return Saved(h, WriteProfileString(ini, "ENVIRONMENT", "SERVERPW", Scramble(kMasterKeyWord, *password)),
                 "The master password");
  };
  return page;
}

}  // namespace

void RunOptionsSheet(HWND owner, DialogGuard& guard) {
  PROPSHEETHEADER header;
  header.caption = "Options";
  header.owner = owner;
  header.helpFile = App().helpFilePath;
  header.helpContext = kHelpContext;
  header.pages = {MakePage(FootIds::kTemplate, FootnotePage()), MakePage(PortIds::kTemplate, PortsPage()),
                  MakePage(LogIds::kTemplate, LogfilesPage()), MakePage(IntranetIds::kTemplate, IntranetAdminPage()),
                  MakePage(ExternalIds::kTemplate, ExternalAdminPage())};
  PropertySheet(header, &guard);
}

}  // namespace tellmar::admin
