#include "admin/shell/service_messages.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "admin/mailview/mail_window.h"
#include "admin/routing/key_phrases.h"
#include "admin/shell/admin_state.h"
#include "admin/shell/tray_menu.h"
#include "admin/users/mail_status_window.h"
#include "admin/users/welcome_messages.h"
#include "common/profile.h"
#include "platform/machine_info.h"
#include "platform/operator.h"
#include "platform/shell.h"
#include "platform/window.h"

namespace tellmar::admin {
namespace {

namespace fs = std::filesystem;

// A path longer than 511 characters or a phrase longer than 259 would be
// cut by the reads the main server expects: a cut path names another file
// and a cut phrase is another phrase, so such requests are refused whole.
constexpr std::size_t kKeywordPathMax = 511, kKeywordPhraseMax = 259;

// A path a slot names. A NUL byte would silently cut the name short at the
// system call, so such a text names no file at all.
std::optional<fs::path> SlotPath(std::string_view text) {
  if (text.empty() || text.find('\0') != std::string_view::npos) return std::nullopt;
  return FromWindowsPath(text);
}

std::string JoinWindows(std::string_view dir, std::string_view name) {
  return std::string(dir) + "\\" + std::string(name);
}

std::string HoursText(int minutes) { return std::to_string(minutes / 60); }  // truncated toward zero

// 1 and the phrase as found in slot B when the message holds a key phrase.
LRESULT KeywordScan() {
  const std::string path = ReadSlot(Slot::B, kKeywordPathMax + 1);
  const auto file = SlotPath(path);
  const PhraseTable* phrases = CurrentPhraseTable(ServerSettingsFile());
  if (!file || path.size() > kKeywordPathMax || phrases == nullptr) return 0;
  const auto found = ScanForPhrases(*file, *phrases);
  if (!found) return 0;
  WriteSlot(Slot::B, *found);
  return 1;
}

// Stores slot B as phrase kp<wParam>; 1 when stored. The scanner reloads
// its phrases at the next request.
LRESULT StoreKeyword(WPARAM number) {
  const std::string phrase = ReadSlot(Slot::B, kKeywordPhraseMax + 1);
  if (phrase.size() > kKeywordPhraseMax || number >= static_cast<WPARAM>(kPhraseCount)) return 0;
  const auto settings = ServerSettingsFile();
  if (!StorePhrase(settings, static_cast<int>(number), phrase)) return 0;
  (void)WriteProfileString(settings, "Parser", "dirty", "1");
  return 1;
}

void TimeZone() {
  const TimeZoneBiases zone = CurrentTimeZoneBiases();
  if (!zone.known) {
    WriteSlot(Slot::A, "0");
    return;
  }
  WriteSlot(Slot::B, HoursText(zone.biasMinutes));
  WriteSlot(Slot::A, zone.daylightNow ? HoursText(zone.daylightBiasMinutes) : "0");
}

void ShortNameService(Slot fileSlot, Slot dirSlot, bool writeDirectoryAndStatus) {
  const std::string file = ReadSlot(fileSlot);
  const std::string dir = ReadSlot(dirSlot);
  const bool existing = ReadSlot(Slot::E) == "EXIST";
  std::optional<std::string> shortName;
  if (auto path = SlotPath(dir); path && file.find('\0') == std::string::npos)
    shortName = ShortName(*path, file, existing);
  WriteSlot(Slot::A, shortName.value_or(""));
  if (!writeDirectoryAndStatus) return;
  if (shortName) WriteSlot(Slot::B, dir);
  WriteSlot(Slot::D, shortName ? "OK" : "FAIL");
}

void FileTest() {
  // The name as found on disk, without its directory.
  std::string found;
  if (auto path = SlotPath(ReadSlot(Slot::A))) {
    const fs::path dir = path->parent_path().empty() ? fs::path(".") : path->parent_path();
    found = LongName(dir, path->filename().string()).value_or("");
  }
  WriteSlot(Slot::B, found);
}

void CanRead() {
  bool ok = false;
  if (auto path = SlotPath(JoinWindows(ReadSlot(Slot::A), ReadSlot(Slot::B)))) {
    const int fd = ::open(path->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) {
      // A directory opens for reading here, but it is no file to read.
      struct stat st {};
      ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
      ::close(fd);
    }
  }
  WriteSlot(Slot::A, ok ? "OK" : "FAIL");
}

void LongNameService() {
  const std::string dir = ReadSlot(Slot::B);
  const std::string name = ReadSlot(Slot::A);
  std::optional<std::string> found;
  if (auto path = SlotPath(dir); path && name.find('\0') == std::string::npos) found = LongName(*path, name);
  WriteSlot(Slot::B, found.value_or(""));
  if (!found) WriteSlot(Slot::A, "");
}

void MoveFile() {
  const std::string from = ReadSlot(Slot::A), to = ReadSlot(Slot::B);
  if (!SlotPath(from) || !SlotPath(to)) return;
  if (auto moved = MoveFileNumbered(from, to)) {
    // The file system keeps no separate short name: the name is its own.
    WriteSlot(Slot::A, "");
    WriteSlot(Slot::B, *moved);
  }
}

std::optional<std::int32_t> ListingHandle() {
  const std::string text = ReadSlot(Slot::B);
  if (text.empty() || text.size() > 10) return std::nullopt;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (end == nullptr || *end != '\0' || value <= 0 || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

LRESULT ListFirst() {
  const std::string pattern = ReadSlot(Slot::B);
  std::optional<DirectoryListings::First> first;
  if (SlotPath(pattern)) first = App().listings.Begin(pattern);
  WriteSlot(Slot::B, first ? first->name : "");
  return first ? first->handle : 0;
}

void ListNext() {
  const auto handle = ListingHandle();
  WriteSlot(Slot::B, handle ? App().listings.Next(*handle) : "");
}

void ListEnd() {
  const auto handle = ListingHandle();
  if (!handle || !App().listings.End(*handle))
    MessageBox(App().main, "Failed to free DIRLIST() global memory...", "Memory Error", MB_OK | MB_ICONSTOP);
}

void StartFile() {
  const std::string file = ReadSlot(Slot::B);
  const std::string parameters = ReadSlot(Slot::A), dir = ReadSlot(Slot::C);
  int result = SE_ERR_FNF;
  if (SlotPath(file) && dir.find('\0') == std::string::npos)
    result = ShellExecute(App().serverWindow, "open", FromWindowsPath(file).string(), parameters,
                          dir.empty() ? std::string() : FromWindowsPath(dir).string(), SW_SHOWNORMAL);
  WriteSlot(Slot::B, result > 32 ? "1" : "0");
}

int AssociatedProgram(const std::string& file, const std::string& dir, std::string& program) {
  if (!SlotPath(file) || dir.find('\0') != std::string::npos) return SE_ERR_FNF;
  return FindExecutable(FromWindowsPath(file).string(), dir.empty() ? std::string() : FromWindowsPath(dir).string(),
                        program);
}

void DriveType() {
  const std::string path = ReadSlot(Slot::A);
  DriveTypeAnswer answer;
  if (path.find('\0') == std::string::npos && !path.empty()) answer = CheckDriveType(path);
  WriteSlot(Slot::A, answer.name);
  WriteSlot(Slot::B, answer.ok ? "OK" : "NO");
}

LRESULT RegisterServicesMessage() {
  const std::string flag = ReadSlot(Slot::B);
  std::string dir = ReadSlot(Slot::A);
  const int result = RegisterServices(App().registry, flag, dir);
  if (flag == "0") {
    App().runAsService = false;
    AddTrayIcon();
  } else {
    App().runAsService = true;
    RemoveTrayIcon();
  }
  return result;
}

const char* PlatformName() {
  switch (App().platform) {
    case 0:
      return "W31";
    case 1:
      return "W95";
    default:
      return "NT4";
  }
}

}  // namespace

std::optional<LRESULT> HandleServiceMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  AdminState& app = App();
  auto registerSlot = [&](Slot slot) {
    app.slots[static_cast<std::size_t>(slot)] = static_cast<HWND>(wParam);
    return LRESULT{0};
  };
  switch (message) {
    case msg::kSlotF:
      return registerSlot(Slot::F);
    case msg::kSlotE:
      return registerSlot(Slot::E);
    case msg::kSlotA:
      return registerSlot(Slot::A);
    case msg::kSlotB:
      return registerSlot(Slot::B);
    case msg::kSlotC:
      return registerSlot(Slot::C);
    case msg::kSlotD:
      return registerSlot(Slot::D);
    case msg::kServerWindow:
      app.serverWindow = static_cast<HWND>(wParam);
      return 0;
    case msg::kChooserDirWindow:
      app.chooserDirWindow = static_cast<HWND>(wParam);
      return 0;
    case msg::kExtendedPopup:
      app.extendedPopup = wParam == 1;
      return 0;
    case msg::kChooserOptionOn:
    case msg::kChooserOptionOff:
      app.chooserOption = message == msg::kChooserOptionOn;
      return 0;
    case msg::kTimeZone:
    case msg::kTimeZone2:
      TimeZone();
      return 0;
    case msg::kPlatformName:
      if (app.serverWindow != 0) WriteSlot(Slot::B, PlatformName());
      return 0;
    case msg::kServerSettingsPath: {
      app.serverSettingsPath = ReadSlot(Slot::B);
      const std::size_t cut = app.serverSettingsPath.find_last_of("\\/");
      SetServerDirectory(cut == std::string::npos ? std::string() : app.serverSettingsPath.substr(0, cut));
      return 0;
    }
    case msg::kAssociatedProgram: {
      std::string program;
      AssociatedProgram(ReadSlot(Slot::B), {}, program);
      WriteSlot(Slot::B, program);
      WriteSlot(Slot::D, "OK");
      return 0;
    }
    case msg::kFindExecutable: {
      std::string program;
      const int result = AssociatedProgram(ReadSlot(Slot::B), ReadSlot(Slot::A), program);
      WriteSlot(Slot::B, result > 32 ? program : std::to_string(result));
      return 0;
    }
    case msg::kFileTest:
      FileTest();
      return 0;
    case msg::kEnvironment: {
      const std::string name = ReadSlot(Slot::B);
      const char* value = name.empty() || name.find('\0') != std::string::npos ? nullptr : std::getenv(name.c_str());
      WriteSlot(Slot::B, value != nullptr ? value : "");
      return 0;
    }
    case msg::kLowDiskSpace: {
      const std::string path = ReadSlot(Slot::B);
      WriteSlot(Slot::B, SlotPath(path) && LowDiskSpaceCheck(path) == 0 ? "0" : "-1");
      return 0;
    }
    case msg::kShortNameA:
      ShortNameService(Slot::A, Slot::B, true);
      return 0;
    case msg::kShortNameB:
      ShortNameService(Slot::B, Slot::A, false);
      return 0;
    case msg::kCanRead:
      CanRead();
      return 0;
    case msg::kLongName:
      LongNameService();
      return 0;
    case msg::kMoveFile:
      MoveFile();
      return 0;
    case msg::kListFirst:
      return ListFirst();
    case msg::kListNext:
      ListNext();
      return 0;
    case msg::kListEnd:
      ListEnd();
      return 0;
    case msg::kFileExists: {
      const auto path = SlotPath(ReadSlot(Slot::B));
      std::error_code ec;
      WriteSlot(Slot::B, path && fs::exists(*path, ec) ? "1" : "0");
      return 0;
    }
    case msg::kStartFile:
      StartFile();
      return 0;
    case msg::kHostNameRegistry:
    case msg::kHostNameSockets: {
      auto name = message == msg::kHostNameRegistry ? HostNameFromRegistry(app.registry) : MachineHostName();
      WriteSlot(Slot::B, name && !name->empty() ? *name : "Machine name Unknown");
      return 0;
    }
    case msg::kHostAddressRegistry:
    case msg::kHostAddressSockets: {
      auto address = message == msg::kHostAddressRegistry ? HostAddressFromRegistry(app.registry) : MachineHostAddress();
      WriteSlot(Slot::B, address && !address->empty() ? *address : "No Machine IP address available");
      return 0;
    }
    case msg::kNetworkDrive: {
      const std::string path = ReadSlot(Slot::A);
      WriteSlot(Slot::A, SlotPath(path) && DriveKindOf(FromWindowsPath(path).string()) == DriveKind::Remote ? "OK" : "FAIL");
      return 0;
    }
    case msg::kDriveType:
      DriveType();
      return 0;
    case msg::kRegisterServices:
      return RegisterServicesMessage();
    case msg::kRegisterMailClient:
      return RegisterMailClient(app.registry, app.workingDir.string());
    case msg::kDragSetting:
      WriteSlot(Slot::D, DesktopDragSetting(app.registry));
      return 0;
    case msg::kRegisterFileTypes:
      // No Windows directories here: the stored texts name the usual ones.
      return RegisterMailFileTypes(app.registry, "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS");
    case msg::kUserHandler:
      AddUserDefinedHandler(app.winIni, ReadSlot(Slot::B));
      return 0;
    case msg::kPlatform:
      return app.platform;
    case msg::kCloseModule:
      PostMessage(hwnd, WM_CLOSE, 0, 0);
      return 0;
    case msg::kKeywordScan:
      return KeywordScan();
    case msg::kStoreKeyword:
      return StoreKeyword(wParam);
    case msg::kRefreshMailStatus:
      RefreshMailStatusWindow(lParam != 0);
      return 0;
    case msg::kStatusLine:
      // The caller's two windows: up to 255 characters of the first, then
      // up to 127 of the second.
      if (mailview::MailWindow() != 0)
        mailview::SetMailWindowStatus(GetWindowText(static_cast<HWND>(wParam)).substr(0, 255) +
                                      GetWindowText(static_cast<HWND>(lParam)).substr(0, 127));
      return 0;
    case msg::kRefreshMailWindow:
      mailview::RefreshMailWindow();
      return 0;
    case msg::kRebuildFolders:
      mailview::RebuildMailWindowFolders(true);
      return 0;
    case msg::kWelcomeMessage: {
      // Slot B names the user's record, slot A the folder ("...\ANNA\").
      const std::string section = ReadSlot(Slot::B);
      const std::string prefix = ReadSlot(Slot::A);
      if (!section.empty() && SlotPath(prefix))
        WriteWelcomeMessage(CurrentWelcomeContext(), section, FolderFromPrefix(prefix));
      return 0;
    }
    default:
      return std::nullopt;
  }
}

}  // namespace tellmar::admin
