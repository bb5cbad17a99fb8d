// The administration utility's process-wide state: its role, its hidden main
// window, the main server's registered windows (the slots), the server's
// paths and the switches the main server sets by message. One instance,
// owned by the main thread, as the program was designed.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "admin/shell/system_services.h"
#include "platform/messages.h"
#include "platform/tray.h"
#include "platform/registry_store.h"

namespace tellmar::admin {

enum class Role { SupportModule, RemoteConfiguration };

// The role a command line names: the program's own name with a directory
// part and the file name TMADMIN32 (or TMADMIN32.EXE, any case) makes the
// support module, and so does the Windows form "\TMADMIN32.EXE" anywhere in
// the command line; anything else is the Remote Configuration Utility.
Role RoleFromCommandLine(const std::vector<std::string>& argv);

inline constexpr std::string_view kMainClass = "CorvVuvedo32Utility";
inline constexpr std::string_view kSupportTitle = "Corvane 32 bit Server Utility Module";
inline constexpr std::string_view kRcuTitle = "Remote Configuration Utility";
inline constexpr int kSupportIcon = 124;
inline constexpr int kRcuIcon = 254;
inline constexpr UINT kTrayIconId = 124;
inline constexpr UINT kTrayMessage = 2023;

std::string_view WindowTitle(Role role);
std::string_view TrayTip(Role role);
int TrayIconResource(Role role);

// The slots: peer text windows the main server registers.
enum class Slot { A, B, C, D, E, F };
inline constexpr std::size_t kSlotCount = 6;
inline constexpr std::size_t kSlotRead = 260;  // characters read from a slot

struct AdminState {
  Role role = Role::RemoteConfiguration;
  HWND main = 0;
  HWND dunParams = 0, dunOpen = 0;
  std::array<HWND, kSlotCount> slots{};
  HWND serverWindow = 0;       // message 1229
  HWND chooserDirWindow = 0;   // message 1233
  bool extendedPopup = false;  // message 1220
  bool chooserOption = false;  // messages 1237/1238, commands 1030/1031
  int chooserKindPreset = -1;  // message 1737: kind 1 unless slot B names one
  bool infoBoxOpen = false;
  bool runAsService = false;
  NotifyIcon tray{kTrayIconId, kTrayMessage};
  int configuredUsers = 0;  // message 1254

  std::filesystem::path workingDir;
  std::filesystem::path programDir;  // where our own program lives
  std::string serverSettingsPath;
  std::string serverDir;
  std::string helpFilePath;
  std::filesystem::path adminSettingsPath;  // TM3ADMIN.INI of the RCU

  // Platform, as the About and information boxes show it: 2 ("Windows NT")
  // with the kernel's version numbers.
  int platform = 2;
  int major = 0, minor = 0, build = 0;
  std::string servicePack;

  HWND rcuDialog = 0;
  HWND splash = 0;
  HWND restartNotice = 0;

  DirectoryListings listings;
  RegistryStore registry{RegistryStore::ForUser()};
  std::filesystem::path winIni;
};

AdminState& App();

// "Windows Version [%d.%d.%d] - %s" of the information boxes.
std::string WindowsVersionText();

// The slot's text, at most `limit` characters; empty when not registered.
std::string ReadSlot(Slot slot, std::size_t limit = kSlotRead);
// Writes the slot when it is registered.
void WriteSlot(Slot slot, std::string_view text);

// The server directory as a Linux path ("C:\..." and "/..." alike).
std::filesystem::path ServerDirectoryPath();
void SetServerDirectory(std::string_view directory);
std::filesystem::path ServerSettingsFile();

}  // namespace tellmar::admin
