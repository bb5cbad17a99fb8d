#include "admin/shell/rcu_dialog.h"

#include <ctime>
#include <fstream>

#include "admin/shell/admin_state.h"
#include "admin/shell/commands.h"
#include "admin/shell/tray_menu.h"
#include "admin/users/mail_status_window.h"
#include "admin/users/user_report.h"
#include "common/path_case.h"
#include "common/profile.h"
#include "platform/dialog.h"
#include "platform/form.h"
#include "platform/loop.h"
#include "platform/menu.h"
#include "platform/operator.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "resources/tmadmin32/rcu_ids.h"

namespace tellmar::admin {
namespace {

using Ids = res::tmadmin32::Rcu;
using PasswordIds = res::tmadmin32::RcuPassword;
using AboutIds = res::tmadmin32::AboutRcu;

namespace fs = std::filesystem;
using namespace rcu_command;

constexpr std::size_t kPasswordRead = 256, kPathRead = 260;

constexpr const char* kNotConnected = "Not connected to server...";

RcuState state = RcuState::Unlocated;
// The dialog's one stored setting: Keep on top, saved as soon as it changes.
Form keepOnTopForm;

// Every command of the menu bar, for greying by state.
constexpr int kMenuCommands[] = {kSetLocation, kConnect, kDisconnect, kExit, kUsers, kInternetAccess, kFilters,
                                 kAttachments, kAddressLists, kMailboxCollections, kScheduling, kMailScan,
                                 kUtilities, kMailWindow, kViewLog, kViewActivityLog, kUserReport,
                                 kMailboxStatus, kForceConnect, kHelpContents, kHelpSearch, kRcuHelp, kAbout};

// Menu commands forwarded to the main window as the main server's messages.
struct Forward {
  int command;
  UINT message;
  WPARAM wParam;
};
constexpr Forward kForwards[] = {{kUsers, msg::kUsers, 0},         {kInternetAccess, msg::kInternetAccess, 0}, {kFilters, msg::kFilters, 0},
                                 {kAttachments, msg::kAttachments, 0},   {kAddressLists, msg::kAddressLists, 0},   {kMailboxCollections, msg::kMailboxes, 0},
                                 {kScheduling, msg::kScheduling, 0},    {kMailScan, msg::kRiziDori, 0},       {kUtilities, msg::kOptions, 0},
                                 {kMailWindow, msg::kMailWindow, 1}};

fs::path AdminSettings() { return App().adminSettingsPath; }

void SetState(HWND dialog, RcuState next) {
  state = next;
  if (auto menu = GetMenu(dialog)) {
    for (int id : kMenuCommands)
      EnableMenuItem(*menu, static_cast<UINT>(id), RcuMenuEnabled(state, id) ? MF_STRING : MF_GRAYED);
    SetMenu(dialog, *menu);
  }
  EnableDlgItem(dialog, Ids::kConnect, RcuConnectButtonEnabled(state));
  EnableDlgItem(dialog, Ids::kDisconnect, RcuDisconnectButtonEnabled(state));
}

bool SettingsFileExists() {
  const fs::path file = ServerSettingsFile();
  std::error_code ec;
  return !App().serverSettingsPath.empty() &&
         fs::is_regular_file(ResolveNoCase(file.parent_path().empty() ? "." : file.parent_path(),
                                           file.filename().string()),
                             ec);
}

void ShowLocation(HWND dialog) {
  if (App().serverSettingsPath.empty()) {
    SetDlgItemText(dialog, Ids::kStatus, "Please set the path to the Tellmar3 installation...");
    SetDlgItemText(dialog, Ids::kPath, "");
    SetState(dialog, RcuState::Unlocated);
  } else if (SettingsFileExists()) {
    SetDlgItemText(dialog, Ids::kStatus, "Tellmar3 located...");
    SetDlgItemText(dialog, Ids::kPath, App().serverSettingsPath);
    SetState(dialog, RcuState::Located);
  } else {
    SetDlgItemText(dialog, Ids::kStatus, "Unable to connect to defined path to Tellmar3 installation...");
    SetDlgItemText(dialog, Ids::kPath, "");
    SetState(dialog, RcuState::Unlocated);
  }
}

void SavePosition(HWND dialog) {
  if (IsIconic(dialog)) return;
  const RECT r = GetWindowRect(dialog);
  ProfileBatch batch(AdminSettings());
  batch.Write("system", "Top", std::to_string(r.top));
  batch.Write("system", "Left", std::to_string(r.left));
  batch.Commit();
}

void PlaceDialog(HWND dialog) {
  const RECT r = GetWindowRect(dialog);
  const int width = r.right - r.left, height = r.bottom - r.top;
  const int top = GetProfileInt(AdminSettings(), "system", "Top", kNeverSaved);
  const int left = GetProfileInt(AdminSettings(), "system", "Left", kNeverSaved);
  const Point p = RcuDialogPosition(left, top, width, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  MoveWindow(dialog, p.x, p.y, width, height);
  SetTopmost(dialog, IsDlgButtonChecked(dialog, Ids::kKeepOnTop) == BST_CHECKED);
}

void LoadKeepOnTop(HWND dialog) {
  keepOnTopForm = Form();
  keepOnTopForm.Flag(Ids::kKeepOnTop, SettingsKey(AdminSettings(), "system", "OnTop", "0"));
  keepOnTopForm.Load(dialog);
}

void Disconnect(HWND dialog) {
  // Without a location there is nothing to disconnect from: staying
  // Unlocated keeps Connect greyed when Set location is cancelled.
  if (state == RcuState::Unlocated) return;
  SetDlgItemText(dialog, Ids::kStatus, kNotConnected);
  SetState(dialog, RcuState::Located);
  // A share of another machine is mounted by the system here, not by us:
  // there is no connection of ours to cancel (NetworkShareOf names it).
}

std::string DirectoryOfChoice(const std::string& chosen) {
  std::error_code ec;
  if (fs::is_regular_file(FromWindowsPath(chosen), ec)) return ChosenServerDirectory(chosen);
  std::string dir = chosen;
  if (dir.size() == 2 && dir[1] == ':') return dir + "\\";
  while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\') && !(dir.size() == 3 && dir[1] == ':'))
    dir.pop_back();
  return dir;
}

void SetLocation(HWND dialog) {
  Disconnect(dialog);
  FileRequest request;
  request.kind = FileDialogKind::Directory;
  request.owner = dialog;
  request.title = "Select Path to Tellmar3 installation";
  request.filters = {{"*.*", "*.*"}};
  request.initialDirectory = App().serverDir;
  const auto answer = Loop::Current().op().ChooseFile(request);
  if (!answer || answer->path.empty()) return;
  const std::string dir = DirectoryOfChoice(answer->path);
  SetDlgItemText(dialog, Ids::kStatus, kNotConnected);
  SetServerDirectory(dir);
  const char sep = dir.find('\\') != std::string::npos ? '\\' : '/';
  App().serverSettingsPath = dir + (dir.back() == sep ? "" : std::string(1, sep)) + "TMHUB.INI";
  ProfileBatch batch(AdminSettings());
  batch.Write("Administration", "ServerPath", App().serverSettingsPath);
  batch.Write("Administration", "Path", App().serverDir);
  batch.Commit();
  if (SettingsFileExists()) {
    ShowLocation(dialog);
  } else {
    SetDlgItemText(dialog, Ids::kStatus, "Please set the path to the Tellmar3 installation...");
    SetDlgItemText(dialog, Ids::kPath, "");
    SetState(dialog, RcuState::Unlocated);
  }
}

bool Readable(const fs::path& file) {
  std::ifstream in(ResolveNoCase(file.parent_path().empty() ? "." : file.parent_path(), file.filename().string()));
  return in.good();
}

void Connect(HWND dialog) {
  std::string entered;
  Form form;
  form.Text(PasswordIds::kPassword, FieldRef(entered), kPasswordRead - 1);
  const INT_PTR result = DialogBox(PasswordIds::kTemplate, dialog, [&](HWND box, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
    switch (message) {
      case WM_INITDIALOG:
        form.Load(box);
        SetTopmost(box, true);
        SetFocus(GetDlgItem(box, PasswordIds::kPassword));
        return FALSE;
      case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
          form.Apply();
          EndDialog(box, IDOK);
          return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
          EndDialog(box, IDCANCEL);
          return TRUE;
        }
    }
    return FALSE;
  });
  if (result != IDOK) return;
  // A settings file that cannot be read holds no password we could check:
  // it must not open the server as an empty password would.
  const fs::path settings = ServerSettingsFile();
  const bool ok = Readable(settings) &&
                  RemoteAccessPasswordMatches(GetProfileString(settings, "Environment", "serverpw", ""), entered);
  if (!ok) {
    MessageBox(dialog, "Invalid password...", "Password Error", MB_OK | MB_ICONSTOP);
    return;
  }
  SetDlgItemText(dialog, Ids::kStatus, "Connected to server...");
  SetState(dialog, RcuState::Connected);
}

void Exit(HWND dialog) {
  RemoveTrayIcon();
  SavePosition(dialog);
  PostQuitMessage(0);
}

std::string CurrentLogPath() {
  const fs::path settings = ServerSettingsFile();
  const std::string dir = App().serverDir;
  if (dir.empty()) return {};
  if (GetProfileInt(settings, "log", "daily", -1) == -1) {
    static constexpr const char* kDays[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return dir + "\\log\\" + kDays[local.tm_wday] + ".log";
  }
  return dir + "\\log\\" + GetProfileString(settings, "log", "fname", "srvlog.log");
}

void ViewFile(HWND dialog, const std::string& path, const char* notFound, const char* cannotOpen) {
  const fs::path file = FromWindowsPath(path);
  std::error_code ec;
  const fs::path found = file.empty() ? file : ResolvePathNoCase(file.is_absolute() ? fs::path("/") : fs::path(),
                                                                 file.relative_path().string());
  if (path.empty() || !fs::is_regular_file(found, ec)) {
    MessageBox(dialog, notFound, "Error", MB_OK | MB_ICONSTOP);
    return;
  }
  if (OpenInViewer(found.string()) <= 32) MessageBox(dialog, cannotOpen, "Error", MB_OK | MB_ICONSTOP);
}

void ForceConnection(HWND dialog) {
  ProfileBatch batch(ServerSettingsFile());
  batch.Write("remoteadmin", "ForceConnect", "-1");
  batch.Write("environment", "RemoteUpdate", "-1");
  if (auto error = batch.Commit())
    MessageBox(dialog, "Failed to write the server settings: " + error.message(), "Error", MB_OK | MB_ICONSTOP);
}

void OpenHelp(HWND dialog, const std::string& path) {
  const fs::path file = FromWindowsPath(path);
  std::error_code ec;
  if (path.empty() || !fs::is_regular_file(file, ec) || OpenInViewer(file.string()) <= 32)
    MessageBox(dialog, "Cannot open the help file " + path, "Help", MB_OK | MB_ICONSTOP);
}

void About(HWND dialog) {
  DialogBox(AboutIds::kTemplate, dialog, [](HWND box, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
    if (message == WM_INITDIALOG) {
      SetDlgItemText(box, AboutIds::kVersion, "Version: 3.60.3");
      return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
      EndDialog(box, LOWORD(wParam));
      return TRUE;
    }
    return FALSE;
  });
}

void MenuCommand(HWND dialog, int id) {
  // A greyed item (reached by its accelerator) does nothing, as a greyed
  // item of a menu bar does.
  if (!RcuMenuEnabled(state, id)) return;
  for (const Forward& f : kForwards) {
    if (f.command == id) {
      SendMessage(App().main, f.message, f.wParam, 0);
      return;
    }
  }
  switch (id) {
    case kSetLocation:
      return SetLocation(dialog);
    case kConnect:
      return Connect(dialog);
    case kDisconnect:
      return Disconnect(dialog);
    case kExit:
      return Exit(dialog);
    case kViewLog:
      return ViewFile(dialog, CurrentLogPath(), "Error can't find logfile...", "Error can't open logfile...");
    case kViewActivityLog:
      return ViewFile(dialog, App().serverDir.empty() ? std::string() : App().serverDir + "\\log\\activity.log",
                      "Error can't find activity logfile...", "Error can't open activity logfile...");
    case kUserReport: {
      const auto report = WriteUserReport(ServerSettingsFile(), App().serverDir, fs::current_path());
      return ViewFile(dialog, report ? report->string() : (fs::current_path() / "userrep.vcf").string(),
                      "Error can't find report file...", "Error can't open report file...");
    }
    case kMailboxStatus:
      ShowMailStatusWindow(true);
      return;
    case kForceConnect:
      return ForceConnection(dialog);
    case kHelpContents:
    case kHelpSearch:
      return OpenHelp(dialog, App().helpFilePath);
    case kRcuHelp:
      return OpenHelp(dialog, (App().workingDir / "TMREMOTE.HLP").string());
    case kAbout:
      return About(dialog);
    default:
      return;
  }
}

void Init(HWND dialog) {
  AdminState& app = App();
  app.rcuDialog = dialog;
  app.serverSettingsPath.clear();
  app.serverDir.clear();
  const fs::path settings = AdminSettings();
  const std::string serverPath = GetProfileString(settings, "Administration", "ServerPath", "", kPathRead);
  const std::string path = GetProfileString(settings, "Administration", "Path", "", kPathRead);
  if (!serverPath.empty()) app.serverSettingsPath = serverPath;
  if (!path.empty()) SetServerDirectory(path);
  LoadKeepOnTop(dialog);
  PlaceDialog(dialog);
  SetDlgItemText(dialog, Ids::kStatus, kNotConnected);
  ShowLocation(dialog);
  if (Window* w = Loop::Current().Find(dialog)) w->icon = kRcuIcon;
}

INT_PTR Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      Init(dialog);
      return TRUE;
    case WM_CLOSE:
      // Hidden, only the tray icon brings it back; without one (RunAsService)
      // the close box ends the program, or nothing could reach it again.
      if (!App().tray.shown()) {
        Exit(dialog);
        return TRUE;
      }
      SavePosition(dialog);
      ShowWindow(dialog, SW_HIDE);
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      switch (id) {
        case Ids::kKeepOnTop: {
          const bool onTop = IsDlgButtonChecked(dialog, Ids::kKeepOnTop) == BST_CHECKED;
          SetTopmost(dialog, onTop);
          if (const HWND status = MailStatusWindow()) SetTopmost(status, onTop);
          if (keepOnTopForm.Notice(wParam)) keepOnTopForm.Apply();
          return TRUE;
        }
        case Ids::kBrowse:
          MenuCommand(dialog, kSetLocation);
          return TRUE;
        case Ids::kConnect:
          MenuCommand(dialog, kConnect);
          return TRUE;
        case Ids::kDisconnect:
          MenuCommand(dialog, kDisconnect);
          return TRUE;
        case Ids::kExit:
          MenuCommand(dialog, kExit);
          return TRUE;
        case IDCANCEL:  // Esc: as the close box
          SendMessage(dialog, WM_CLOSE, 0, 0);
          return TRUE;
        default:
          MenuCommand(dialog, id);
          return TRUE;
      }
    }
  }
  return FALSE;
}

}  // namespace

HWND CreateRcuDialog() {
  const HWND dialog = CreateDialog(Ids::kTemplate, App().main, Proc);
  if (dialog == 0) return 0;
  if (auto table = LoadAccelerators(rcu_command::kAccelerators)) SetAccelerators(dialog, *table);
  ShowWindow(dialog, SW_SHOW);
  SetForegroundWindow(dialog);
  return dialog;
}

void RestoreRcuDialog() {
  const HWND dialog = App().rcuDialog;
  if (dialog == 0 || !IsWindow(dialog)) return;
  if (IsIconic(dialog)) ShowWindow(dialog, SW_RESTORE);
  ShowWindow(dialog, SW_SHOW);
  SetForegroundWindow(dialog);
}

RcuState CurrentRcuState() { return state; }

}  // namespace tellmar::admin
