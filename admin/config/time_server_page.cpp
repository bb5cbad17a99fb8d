// "@Tickvane setup": the time server plug-in's server, its switches, and
// setting the clock at once through the time client.
#include <cerrno>
#include <cstdio>
#include <initializer_list>
#include <memory>

#include "admin/config/internet_pages.h"
#include "admin/config/settings_page.h"
#include "admin/shell/admin_state.h"
#include "common/path_case.h"
#include "common/profile.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/operator.h"
#include "platform/shell.h"
#include "resources/tmadmin32/internet_sheet_ids.h"

namespace tellmar::admin {
namespace {

namespace fs = std::filesystem;
using Ids = res::tmadmin32::TimeServerPage;

constexpr std::string_view kSection = "tickvane";
constexpr std::size_t kStoredServerRead = 512;  // the stored server is read up to 511 characters
constexpr std::size_t kStoredServerMax = 1024;
constexpr std::size_t kLineMax = 1023;
constexpr std::string_view kListFile = "TIMESERVERS.DAT";

std::string OnlyOne(const std::string& stored) { return stored == "1" ? "1" : "0"; }

// The server list file's non-empty lines, in file order; errno when it
// cannot be opened.
struct ServerList {
  std::vector<std::string> lines;
  int error = 0;
};

ServerList ReadServerList(const fs::path& file) {
  ServerList list;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(file.c_str(), "rb"), std::fclose);
  if (!in) {
    list.error = errno;
    return list;
  }
  std::string line;
  bool cut = false;
  auto finish = [&] {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    if (!line.empty()) list.lines.push_back(line);
    line.clear();
    cut = false;
  };
  for (int c; (c = std::fgetc(in.get())) != EOF;) {
    if (c == '\n') {
      finish();
    } else if (line.size() < kLineMax && !cut) {
      line.push_back(static_cast<char>(c));
    } else {
      cut = true;  // a longer line keeps its first characters
    }
  }
  finish();
  return list;
}

// The time client beside the program: ZERARIRI.EXE, or ZERARIRI.
fs::path TimeClient(const fs::path& dir) {
  std::error_code error;
  for (const char* name : {"ZERARIRI.EXE", "ZERARIRI"}) {
    const fs::path found = ResolveNoCase(dir, name);
    if (fs::is_regular_file(found, error)) return found;
  }
  return dir / "ZERARIRI.EXE";
}

class TimeServerPage : public SettingsPage {
 public:
  TimeServerPage() : SettingsPage("Set up the plug-in Time Server system...") {
    form_.Flag(Ids::kActive, Key(kSection, "Active", "0", [](const std::string& stored) {
                 return std::string(stored == "0" ? "0" : "1");
               }));
    form_.Flag(Ids::kShowConfirm, Key(kSection, "showconfirm", "0", OnlyOne));
    form_.Flag(Ids::kMailClient, Key(kSection, "newusermail", "0", OnlyOne));
    form_.Text(Ids::kChosen, Key(kSection, "timeserver", ""), kStoredServerMax);
  }

 private:
  HWND List() const { return GetDlgItem(page(), Ids::kServers); }

  void EnableServerChoice(bool on) {
    for (int id : {Ids::kServers, Ids::kChosen, Ids::kShowConfirm, Ids::kMailClient})
      EnableDlgItem(page(), id, on);
  }

  void Loaded() override {
    const auto ini = ServerSettingsFile();
    if (GetProfileString(ini, kSection, "installed", "0") == "0") {
      EnableServerChoice(false);
      for (int id : {Ids::kActive, Ids::kExplanation, Ids::kResetNow}) EnableDlgItem(page(), id, false);
      ShowDlgItem(page(), Ids::kNotInstalled, true);
      return;
    }
    if (IsDlgButtonChecked(page(), Ids::kActive) != BST_CHECKED) EnableServerChoice(false);
    // A page that has been shown is stored by the next apply.
    writeUnchanged_ = true;
    FillList(GetProfileString(ini, kSection, "timeserver", "", kStoredServerRead));
  }

  void FillList(const std::string& stored) {
    const fs::path file = ResolveNoCase(App().workingDir, kListFile);
    const ServerList list = ReadServerList(file);
    if (list.error != 0) {
      char text[1100];
      std::snprintf(text, sizeof text, "Can't open TimeServer Data file [%s] - errno %d", file.c_str(),
                    list.error);
      MessageBox(page(), text, "File not found", MB_OK | MB_ICONSTOP);
      return;
    }
    ListBox_ResetContent(List());
    for (const std::string& line : list.lines) ListBox_AddString(List(), line);
    // Without a line to choose the stored server stays as it is.
    if (list.lines.empty()) return;
    int row = 0;
    for (std::size_t i = 0; i < list.lines.size(); ++i)
      if (list.lines[i] == stored) row = static_cast<int>(i);
    ListBox_SetCurSel(List(), row);
    SendMessage(List(), LB_SETTOPINDEX, static_cast<WPARAM>(row));
    SetDlgItemText(page(), Ids::kChosen, list.lines[static_cast<std::size_t>(row)]);
  }

  void Command(int id, unsigned code) override {
    switch (id) {
      case Ids::kServers:
        if (code != LBN_SELCHANGE || ListBox_GetCurSel(List()) < 0) break;
        SetDlgItemText(page(), Ids::kChosen, ListBox_GetText(List(), ListBox_GetCurSel(List())));
        Changed();
        break;
      case Ids::kActive:
        if (code != BN_CLICKED) break;
        EnableServerChoice(IsDlgButtonChecked(page(), Ids::kActive) == BST_CHECKED);
        EnableDlgItem(page(), Ids::kResetNow, IsDlgButtonChecked(page(), Ids::kActive) == BST_CHECKED);
        break;
      case Ids::kResetNow:
        if (code == BN_CLICKED) ResetTimeNow();
        break;
    }
  }

  void ResetTimeNow() {
    const int row = ListBox_GetCurSel(List());
    const std::string server = row >= 0 ? ListBox_GetText(List(), row) : std::string();
    EnableDlgItem(page(), Ids::kResetNow, false);
    const fs::path dir = App().workingDir;
    if (ShellExecute(page(), "open", TimeClient(dir).string(), " -v " + server, dir.string(),
                     SW_SHOWNORMAL) <= 32)
      MessageBox(page(), "Error can't Execute ZERARIRI.EXE...", "Error", MB_OK | MB_ICONSTOP);
    EnableDlgItem(page(), Ids::kResetNow, true);
  }
};

}  // namespace

PROPSHEETPAGE MakeTimeServerPage() {
  return SettingsPage::Make(std::make_shared<TimeServerPage>(), Ids::kTemplate, 50);
}

}  // namespace tellmar::admin
