// Start-up, the main window and its message table.
#include "dialer/dialwick_app.h"

#include <cstdlib>
#include <cstring>

#include "common/ini_document.h"
#include "dialer/entry_list.h"
#include "dialer/messages.h"
#include "dialer/request_text.h"
#include "dialer/resources.h"
#include "dialer/texts.h"
#include "platform/controls.h"
#include "platform/loop.h"
#include "platform/menu.h"
#include "platform/operator.h"
#include "platform/registry_store.h"
#include "platform/tray.h"
#include "platform/window.h"

namespace tellmar::dialer {
namespace {

constexpr std::size_t kParamRead = 255;      // request texts, directories, list requests
constexpr std::size_t kEntryNameRead = 127;  // an entry name to disconnect
constexpr std::size_t kMaxEntryName = 256;
constexpr std::string_view kProfileKey = "RemoteAccess\\Profile";

// Client ids are 32-bit values; compare them as such whatever width the
// parameter had on its way here.
std::int64_t ClientId(LPARAM l) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(l)); }

}  // namespace

std::string_view PlatformText(int code) {
  switch (code) {
    case ras::kPlatformWin32s: return "Win32S on Windows 3.1";
    case ras::kPlatformWindows95: return "Win32 on Windows 95";
    default: return "Windows NT";
  }
}

PlatformInfo SimulatedPlatform() {
  PlatformInfo info;
  const char* text = std::getenv("TELLMAR_DIALUP_PLATFORM");
  if (text != nullptr && std::strlen(text) == 1 && text[0] >= '0' && text[0] <= '2') info.code = text[0] - '0';
  if (info.code == ras::kPlatformWindows95) info.build = 950;
  if (info.code == ras::kPlatformWin32s) {
    info.major = 3;
    info.minor = 10;
    info.build = 0;
  }
  return info;
}

DialwickApp::DialwickApp(boost::asio::io_context& io, AppOptions options)
    : options_(std::move(options)),
      modem_(io, ras::SimulatedModem::Options{options_.platform.code, options_.phonebook, options_.serviceErrorTexts}),
      settings_(options_.workingDir, options_.userProfile),
      log_(options_.workingDir, [this] { return settings_.LogFile(); }),
      peers_(*this),
      engine_(std::make_unique<DialEngine>(modem_, settings_, log_, peers_, *this)) {}

DialwickApp::~DialwickApp() {
  RemoveTray();
  if (IsWindow(main_)) DestroyWindow(main_);
  UnregisterClass(kWindowClass);
}

void DialwickApp::ReadModes() {
  EngineState& s = engine_->state();
  s.runAsService = settings_.RunAsService();
  s.serverSystem = settings_.ServerSystem();
}

bool DialwickApp::Start() {
  log_.Write("Dialwick is being loaded...");
  ReadModes();
  if (options_.commandLine.directory) {
    // Made absolute first: a relative name would otherwise be taken again
    // below the directory it has just become.
    std::error_code ec;
    const std::filesystem::path dir = std::filesystem::absolute(*options_.commandLine.directory, ec);
    if (!ec) std::filesystem::current_path(dir, ec);
    if (ec) {
      log_.Write(Printf("Unable to change to directory %s", options_.commandLine.directory->string().c_str()));
    } else {
      settings_.SetWorkingDir(dir);
      log_.SetDirectory(dir);
    }
  }
  Loop& loop = Loop::Current();
  // A service or a server system has nobody at the screen: boxes take their
  // default answer and go to standard error, whatever the desktop offers.
  if (runAsService() || serverSystem()) loop.SetOperator(MakeUnattendedOperator());

  // One copy per desktop; a second one leaves without a word.
  if (FindWindow(std::nullopt, kWindowTitle) != 0) return false;

  WNDCLASS cls;
  cls.name = std::string(kWindowClass);
  cls.icon = main_window::kIcon;
  cls.menu = main_window::kMenu;
  cls.proc = [this](HWND h, UINT m, WPARAM w, LPARAM l) { return MainProc(h, m, w, l); };
  if (!RegisterClass(cls)) return false;
  const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
  main_ = CreateWindow(kWindowClass, kWindowTitle, WS_OVERLAPPEDWINDOW, cx / 4, cy / 4, cx / 3, cy / 3);
  if (main_ == 0) return false;
  if (auto menu = LoadMenu(main_window::kMenu)) SetMenu(main_, *menu);
  loop.SetMainWindow(main_);

  EngineState& s = engine_->state();
  const Request request = ParseRequestText(options_.commandLine.request);
  ras::EntryNames names = LoadEntries();
  if (names.error != 0) {
    if (engine_->platformCode() == ras::kPlatformNT) {
      MessageBox(main_,
                 "RasEnumEntries() - Error, you do not appear to have any phone book entries\r\n"
                 "Please run RASPHONE.EXE from your SYSTEM32 directory to create a phone book...",
                 "Corvane Dialwick", MB_OK);
    } else {
      MessageBox(main_, "No DUN's appear to exist in your system,\nHandler will abort.....",
                 "Corvane 32bit DUN Handler", MB_OK);
      return false;
    }
  }
  for (const auto& name : names.names) ListBox_AddString(list_, name);

  // The selected entry: the one a command-line request names, else the
  // default, else the first.
  const bool named = request.ok() && request.fieldCount > 1 && !request.entry.empty();
  if (!(named && SelectEntry(request.entry)) && !SelectEntry(defaultDun_) && ListBox_GetCount(list_) > 0)
    ListBox_SetCurSel(list_, 0);
  if (auto selected = SelectedEntry()) s.currentEntry = *selected;
  if (named && request.fieldCount == 2 && engine_->platformCode() != ras::kPlatformNT) {
    s.currentEntry = request.entry;
    engine_->LoadDialParams();
    if (!s.noSavedPassword && s.currentPassword.empty()) engine_->AskPassword();
  }

  ras::Enumeration table = Connections();
  if (table.error == ras::error::kBufferTooSmall) {
    MessageBox(main_,
               "Sorry, Unable to handle more than 16 concurrent connections\r\nPlease closedown one or more manually...",
               "Dialwick Error", MB_OK | MB_ICONWARNING);
  } else if (!table.error && !table.connections.empty()) {
    s.currentEntry = table.connections.front().entryName;
    engine_->SetTray(kTrayOnline);
    SelectEntry(s.currentEntry);
  }
  if (!runAsService()) engine_->RefreshTray();
  if (SetTimer(main_, kMonitorTimerId, options_.monitorIntervalMs) == 0)
    MessageBox(main_, "Failed to create the required Timer !!", "Initialization error", MB_OK);
  ApplyCommandLineRequest();
  return true;
}

void DialwickApp::ApplyCommandLineRequest() {
  const std::string& text = options_.commandLine.request;
  if (text.empty()) return;
  const Request r = ParseRequestText(text);
  if (!r.ok()) {
    log_.Write(DescribeRefusal(r));
    return;
  }
  EngineState& s = engine_->state();
  s.requestMode = true;
  s.fieldCount = r.fieldCount;
  s.requestEntry = r.entry;
  if (r.hangUp()) {
    PostCommand(cmd::kHangUp);
    return;
  }
  if (r.fieldCount >= 2) {
    s.currentEntry = r.entry;
    if (r.fieldCount >= 3) s.currentPassword = r.password;
    PostCommand(cmd::kConnect);
    return;
  }
  if (ListBox_GetCount(list_) > 0) {
    ListBox_SetCurSel(list_, 0);
    s.currentEntry = ListBox_GetText(list_, 0);
  }
  s.firstAutoConnect = true;
  SendMessage(main_, WM_COMMAND, cmd::kConnect, 0);
}

ras::EntryNames DialwickApp::LoadEntries() const {
  if (engine_->platformCode() == ras::kPlatformNT) return LoadEntryNames(modem_);
  // The Windows 95 family keeps its dial-up entries as registry keys.
  ras::EntryNames out;
  const RegistryStore store = RegistryStore::ForUser();
  if (!store.KeyExists(RegistryRoot::CurrentUser, kProfileKey)) {
    out.error = ras::error::kCannotOpenPhonebook;
    return out;
  }
  for (auto name : store.SubKeys(RegistryRoot::CurrentUser, kProfileKey)) {
    if (name.size() > kMaxEntryName) name.resize(kMaxEntryName);
    out.names.push_back(std::move(name));
  }
  out.needed = out.names.size();
  return out;
}

ras::Enumeration DialwickApp::Connections() const { return modem_.EnumConnections(kConnectionRecords); }

bool DialwickApp::FillEntryList(HWND list, bool boxOnError) {
  ListBox_ResetContent(list);
  ras::EntryNames names = LoadEntries();
  if (names.error != 0) {
    if (boxOnError) MessageBox(main_, "Error in call to RasEnumEntries()", "Dialwick Error", MB_OK);
    return false;
  }
  for (const auto& name : names.names) ListBox_AddString(list, name);
  return true;
}

void DialwickApp::ReloadMainList() {
  const std::optional<std::string> selected = SelectedEntry();
  FillEntryList(list_, false);
  if (!selected || !SelectEntry(*selected)) SelectEntry(engine_->state().currentEntry);
}

// --- The main window ---------------------------------------------------------

LRESULT DialwickApp::MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      defaultDun_ = settings_.DefaultDun();
      list_ = CreateWindow(kListBoxClass, "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY, 0, 0, 200, 150,
                           hwnd, main_window::kEntryList);
      return list_ == 0 ? -1 : 0;
    case WM_SIZE:
      // The main window stays hidden, also when someone minimises it.
      if (wParam == SIZE_MINIMIZED) ShowWindow(hwnd, SW_HIDE);
      return 0;
    case WM_TIMER:
      if (wParam == kMonitorTimerId) engine_->MonitorTick();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), lParam);
      return 0;
    case WM_COPYDATA: {
      const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      if (cds == nullptr || cds->dwData != DUNM_REQUESTTEXT) return 0;
      std::string_view text(static_cast<const char*>(cds->lpData), cds->lpData == nullptr ? 0 : cds->cbData);
      text = text.substr(0, text.find('\0'));
      return HandleRequest(text.substr(0, kParamRead), std::nullopt, true);
    }
    case WM_CLOSE:
      EndProgram();
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd, kMonitorTimerId);
      RemoveTray();
      PostQuitMessage(0);
      return 0;
    default:
      if (msg >= DUNM_ADDCLIENT && msg <= DUNM_TRAY) return OnMessage(msg, wParam, lParam);
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

LRESULT DialwickApp::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  EngineState& s = engine_->state();
  const auto handle = static_cast<PeerHandle>(wParam);
  switch (msg) {
    case DUNM_ADDCLIENT: peers_.AddClient(ClientId(lParam)); return 0;
    case DUNM_REMOVECLIENT: return peers_.RemoveClient(ClientId(lParam)) ? 1 : 0;
    case DUNM_SETDIRECTORY: SetDirectory(); return 1;
    case DUNM_SETSTATUSWND: peers_.SetStatusWindow(handle); return 1;
    case DUNM_SETPARAMWND: peers_.SetParamWindow(handle); return 1;
    case DUNM_SETFAILWND: peers_.SetFailWindow(handle); return 1;
    case DUNM_QUERYACTIVE: {
      log_.Write("Looking for an active connection");
      ras::Enumeration table = Connections();
      if (table.error || table.connections.empty()) {
        peers_.Answer(word::kNone);
        return 0;
      }
      s.currentEntry = table.connections.front().entryName;
      SelectEntry(s.currentEntry);
      peers_.Answer(s.currentEntry);
      return 1;
    }
    case DUNM_RELEASE: Release(ClientId(lParam), false); return 1;
    case DUNM_RELEASENAMED: Release(ClientId(lParam), true); return 1;
    case DUNM_QUIT: EndProgram(); return 1;
    case DUNM_SETASYNC: {
      const auto v = static_cast<std::int32_t>(static_cast<std::uint32_t>(wParam));
      async_ = v == 1 || v == -1;
      return 1;
    }
    case DUNM_SHOWCONTROL: OpenControlCentre(); return 0;
    case DUNM_QUERYOS: peers_.Answer(std::to_string(engine_->platformCode())); return 1;
    case DUNM_LISTENTRIES:
      if (engine_->platformCode() == ras::kPlatformNT) {
        ListEntriesForClient();
        return 1;
      }
      [[fallthrough]];
    case DUNM_QUERYPASSWORDS: peers_.Answer(s.noSavedPassword ? word::kNoPasswords : word::kOk); return 1;
    case DUNM_REQUEST:
      peers_.SetRequestStatusWindow(0);
      return HandleRequest(peers_.ReadParam(kParamRead), static_cast<int>(wParam), false);
    case DUNM_REQUESTEX:
      peers_.SetRequestStatusWindow(static_cast<PeerHandle>(lParam));
      return HandleRequest(peers_.ReadParam(kParamRead), static_cast<int>(wParam), false);
    case DUNM_SETATTEMPT: engine_->SetAttempt(static_cast<int>(wParam)); return 1;
    case DUNM_ATTEMPTING: engine_->Attempting(static_cast<int>(wParam)); return 1;
    case DUNM_RETRYWAIT: engine_->RetryWait(static_cast<int>(wParam), false); return 1;
    case DUNM_RETRYWAITEX: engine_->RetryWait(static_cast<int>(wParam), true); return 1;
    case DUNM_GIVENUP: engine_->GivenUp(false); return 1;
    case DUNM_GIVENUPCLOSE: engine_->GivenUp(true); return 1;
    case DUNM_CANCELLED: engine_->Cancelled(); return 1;
    case DUNM_SETREQUESTER:
      s.requester = static_cast<int>(wParam);
      peers_.SetRequestStatusWindow(static_cast<PeerHandle>(lParam));
      return 1;
    case DUNM_REQUESTTEXT: {
      // The parameter is an address in this program: only a sender inside it
      // can give one. Other programs use the copy-data form.
      if (InSendMessageFromPeer() || lParam == 0) {
        log_.Write("Request refused - a request text address from another program");
        return 0;
      }
      const char* text = reinterpret_cast<const char*>(lParam);
      return HandleRequest(std::string_view(text, ::strnlen(text, kParamRead)), std::nullopt, true);
    }
    case DUNM_TRAY: OnTrayMouse(static_cast<UINT>(lParam)); return 1;
    default: return DefWindowProc(main_, msg, wParam, lParam);
  }
}

LRESULT DialwickApp::HandleRequest(std::string_view text, std::optional<int> redialCount, bool textForm) {
  EngineState& s = engine_->state();
  if (text.empty()) {
    s.requestMode = false;
    s.fieldCount = 0;
    return 1;
  }
  const Request r = ParseRequestText(text);
  if (!r.ok()) {
    log_.Write(DescribeRefusal(r));
    peers_.SendResult(word::kFail);
    return 0;
  }
  if (redialCount) s.redialCount = *redialCount;
  s.requestMode = true;
  s.fieldCount = r.fieldCount;
  s.requestEntry = r.entry;
  if (r.fieldCount > 1) s.currentEntry = r.entry;
  if (r.fieldCount > 2) s.currentPassword = r.password;
  if (r.connect()) {
    PostCommand(cmd::kConnect);
  } else {
    PostCommand(textForm ? cmd::kHangUp : cmd::kDisconnectAny);
  }
  return 1;
}

void DialwickApp::Release(std::int64_t client, bool named) {
  log_.Write("Disconnect request received");
  if (peers_.RemoveClient(client)) {
    log_.Write("Connection still in use");
    return;
  }
  if (named) {
    const std::string name = peers_.ReadParam(kEntryNameRead);
    if (!name.empty()) engine_->DisconnectSelected(name);
    return;
  }
  const ras::ConnHandle dial = engine_->state().dialHandle;
  bool listed = false;
  for (const auto& c : Connections().connections) listed = listed || (dial != 0 && c.handle == dial);
  PostCommand(cmd::kDisconnectAny, listed ? dial : 0);
  peers_.SendStatus(word::kFail);
}

void DialwickApp::SetDirectory() {
  const std::string text = peers_.ReadParam(kParamRead);
  if (text.empty()) {
    log_.Write("Settings directory request without a directory - ignored");
    return;
  }
  if (settings_.SetSettingsDir(text))
    log_.Write(Printf("Settings directory %s does not exist", text.c_str()));
  EngineState& s = engine_->state();
  s.serverSystem = false;
  s.serverSystem = settings_.ServerSystem();
  defaultDun_ = settings_.DefaultDun();
}

void DialwickApp::ListEntriesForClient() {
  const std::string text = peers_.ReadParam(kParamRead);
  peers_.Answer("");
  const long target = std::strtol(text.c_str(), nullptr, 10);
  const ras::EntryNames names = LoadEntries();
  if (names.error != 0) {
    MessageBox(main_, "Error in call to RasEnumEntries()", "Dialwick Error", MB_OK);
    return;
  }
  if (target == 0) {
    if (WriteEntryListFile(settings_.EntryListFile(), names.names)) {
      MessageBox(main_, "Unable to open output file...", "Error", MB_OK);
      return;
    }
  } else {
    const auto combo = static_cast<HWND>(target);
    for (const auto& name : names.names) {
      // A handle that names no combo box gets no "OK": the list did not arrive.
      const SendResult r = TrySendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
      if (!r.ok || r.value < 0) {
        log_.Write(Printf("Unable to list the entries into window %ld", target));
        return;
      }
    }
  }
  peers_.Answer(word::kOk);
}

void DialwickApp::OnCommand(unsigned id, unsigned notification, LPARAM lParam) {
  EngineState& s = engine_->state();
  switch (id) {
    case cmd::kConnect:
    case cmd::kConnectSelected: engine_->Connect(); break;
    case cmd::kHangUp: engine_->HangUpCommand(); break;
    case cmd::kCloseDialwick:
      // Hung up here rather than posted: the program ends before a posted
      // command would run.
      if (s.dialActive) engine_->HangUpCommand();
      EndProgram();
      break;
    case cmd::kEntryList:
      if (notification == LBN_SELCHANGE) {
        if (auto selected = SelectedEntry()) s.currentEntry = *selected;
      }
      break;
    case cmd::kDialProperties: EditDunSettings(); break;
    case cmd::kShowMainWindow: ShowWindow(main_, SW_SHOW); break;
    case cmd::kControlCentre: OpenControlCentre(); break;
    case cmd::kTrayHangUp: PostCommand(cmd::kHangUp); break;
    case cmd::kTrayDisconnectAny:
      engine_->DisconnectAny();
      peers_.SendStatus(word::kFail);
      break;
    case cmd::kTrayClose:
    case cmd::kExit: EndProgram(); break;
    case cmd::kPassword: engine_->PasswordCommand(); break;
    case cmd::kAbout: About(); break;
    case cmd::kDisconnectSelected: {
      std::string name = peers_.ReadParam(kEntryNameRead);
      // From the menu, with no client's window to read, the list says which.
      if (peers_.paramWindow() == 0) name = SelectedEntry().value_or("");
      engine_->DisconnectSelected(name);
      break;
    }
    case cmd::kDisconnectAny: engine_->DisconnectAny(static_cast<ras::ConnHandle>(lParam)); break;
    default: break;  // 5006 closes the menu, 1036 has no action
  }
}

void DialwickApp::OnTrayMouse(UINT mouse) {
  const EngineState& s = engine_->state();
  switch (mouse) {
    case WM_LBUTTONDBLCLK:
      if (s.trayState != kTrayOffline) {
        if (IsWindow(controlCentre_)) SendMessage(controlCentre_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        SendMessage(main_, WM_COMMAND, cmd::kHangUp, 0);
      } else if (IsWindow(controlCentre_)) {
        SendMessage(controlCentre_, WM_COMMAND, MAKEWPARAM(ids::ControlCentre::kConnectButton, BN_CLICKED), 0);
      }
      break;
    case WM_LBUTTONDOWN:
      if (!openingControlCentre_) OpenControlCentre();
      break;
    case WM_RBUTTONDOWN: ShowTrayMenu(); break;
    default: break;
  }
}

void DialwickApp::ShowTrayMenu() {
  const EngineState& s = engine_->state();
  const std::string& entry = s.currentEntry;
  Menu menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, cmd::kTrayCloseMenu, "Close Menu");
  AppendMenu(menu, MF_STRING, cmd::kTrayClose, "CloseDown Dialwick");
  AppendMenu(menu, MF_STRING, cmd::kControlCentre, "Dialwick Control Centre");
  AppendMenu(menu, MF_STRING, cmd::kShowLaunchPad, "Show LaunchPad");
  if (entry.empty() || s.trayState == kTrayOffline)
    AppendMenu(menu, MF_GRAYED, cmd::kTrayHangUp, "Disconnect the current connection");
  else
    AppendMenu(menu, MF_STRING, cmd::kTrayHangUp, Printf("Disconnect [%s]", entry.c_str()));
  AppendMenu(menu, MF_STRING, cmd::kTrayDisconnectAny, "Disconnect any active connection");
  if (!entry.empty()) AppendMenu(menu, MF_STRING, cmd::kConnect, Printf("Connect with [%s]", entry.c_str()));
  AppendMenu(menu, MF_STRING, cmd::kAbout, "About Dialwick...");
  TrackPopupMenu(menu, TPM_RIGHTBUTTON, main_);
}

void DialwickApp::RemoveTray() { tray_.Remove(); }

void DialwickApp::EndProgram() {
  if (!runAsService()) RemoveTray();
  if (IsWindow(main_)) DestroyWindow(main_);
}

}  // namespace tellmar::dialer
