// Where the dialler keeps its settings and which keys it reads and writes.
//
// Two directories matter: the working directory (tmhub.ini, the
// DISCONNECTIONS switch and the log live there; "-p" changes it at start)
// and the settings directory, which is the working directory until a client
// names another one; DIALWICK.INI is then taken from there. The user profile
// (the per-user settings file of the desktop) holds the one per-user switch.
//
// Every getter reads the file at that moment; nothing is cached, so a value
// another program writes is seen at the next read.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace tellmar::dialer {

inline constexpr std::string_view kDialwickIni = "DIALWICK.INI";
inline constexpr std::string_view kTmhubIni = "tmhub.ini";
inline constexpr std::string_view kEntryListFile = "NTPBLIST.LST";
inline constexpr int kNoStoredPosition = -10;

// The user profile file: win.ini in the user's configuration directory
// ($XDG_CONFIG_HOME/tellmar, else ~/.config/tellmar).
std::filesystem::path DefaultUserProfile();

// A directory named in a client's text: backslashes become "/", and trailing
// separators are dropped, so "dir", "dir/" and "dir\" name one directory.
std::filesystem::path DirectoryFromText(std::string_view text);

struct WindowPosition {
  int top = kNoStoredPosition;
  int left = kNoStoredPosition;
  bool stored() const { return top != kNoStoredPosition; }
};

class DialerSettings {
 public:
  DialerSettings(std::filesystem::path workingDir, std::filesystem::path userProfile);

  const std::filesystem::path& workingDir() const { return workingDir_; }
  const std::filesystem::path& settingsDir() const { return settingsDir_; }
  // "-p dir" at start: both directories become dir.
  void SetWorkingDir(std::filesystem::path dir);
  // A client names the settings directory. It is taken in any case (the
  // client asked for it); an error says that it does not exist, so that the
  // caller can log it: reads then give defaults and writes fail.
  std::error_code SetSettingsDir(std::string_view text);

  std::filesystem::path DialwickIni() const;
  std::filesystem::path EntryListFile() const;

  // tmhub.ini Environment RunAsService, non-zero: no tray icon at all.
  bool RunAsService() const;
  // Dun32 ServerSystem exactly "1": no message box is ever shown.
  bool ServerSystem() const;
  std::string DefaultDun() const;
  std::error_code SetDefaultDun(std::string_view entry);
  int SavePassword() const;
  std::error_code SetSavePassword(bool on);
  bool LogFile() const;
  std::error_code SetLogFile(bool on);

  // Section Password: entry passwords kept here when the dial-up service
  // keeps none.
  std::string StoredPassword(std::string_view entry) const;
  std::error_code StorePassword(std::string_view entry, std::string_view password);
  std::error_code RemoveStoredPassword(std::string_view entry);

  WindowPosition ProgressPosition() const;
  std::error_code StoreProgressPosition(WindowPosition position);
  bool CloseOnCancel() const;
  std::error_code SetCloseOnCancel(bool on);

  // DIALWICK.INI of the working directory, DISCONNECTIONS UseTimeout: any
  // value but "0" makes a failed hang-up wait for the line to settle.
  bool UseTimeout() const;

  // User profile corv-Dun32 showmsdialogs: 0 hides the progress window.
  bool ShowProgress() const;
  std::error_code SetShowProgress(bool on);

 private:
  std::filesystem::path workingDir_;
  std::filesystem::path settingsDir_;
  std::filesystem::path userProfile_;
};

}  // namespace tellmar::dialer
