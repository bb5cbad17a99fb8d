#include "dialer/settings.h"

#include <cstdlib>

#include "common/path_case.h"
#include "common/profile.h"

namespace tellmar::dialer {
namespace {

constexpr std::string_view kDun32 = "Dun32";
constexpr std::string_view kWindowSection = "corv-Dun32";
constexpr std::string_view kPasswordSection = "Password";
constexpr std::size_t kEntryPasswordBuffer = 129;  // 128 characters

const char* Flag(bool on) { return on ? "1" : "0"; }

}  // namespace

std::filesystem::path DefaultUserProfile() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg == '/') return std::filesystem::path(xdg) / "tellmar" / "win.ini";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home ? home : ".") / ".config" / "tellmar" / "win.ini";
}

std::filesystem::path DirectoryFromText(std::string_view text) {
  std::string dir(text);
  for (char& c : dir)
    if (c == '\\') c = '/';
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

DialerSettings::DialerSettings(std::filesystem::path workingDir, std::filesystem::path userProfile)
    : workingDir_(workingDir), settingsDir_(std::move(workingDir)), userProfile_(std::move(userProfile)) {}

void DialerSettings::SetWorkingDir(std::filesystem::path dir) {
  workingDir_ = dir;
  settingsDir_ = std::move(dir);
}

std::error_code DialerSettings::SetSettingsDir(std::string_view text) {
  settingsDir_ = DirectoryFromText(text);
  std::error_code ec;
  if (!std::filesystem::is_directory(settingsDir_, ec))
    return ec ? ec : std::make_error_code(std::errc::no_such_file_or_directory);
  return {};
}

std::filesystem::path DialerSettings::DialwickIni() const {
  return ResolveNoCase(settingsDir_, kDialwickIni);
}

std::filesystem::path DialerSettings::EntryListFile() const {
  return ResolveNoCase(settingsDir_, kEntryListFile);
}

bool DialerSettings::RunAsService() const {
  return GetProfileInt(ResolveNoCase(workingDir_, kTmhubIni), "Environment", "RunAsService", 0) != 0;
}

bool DialerSettings::ServerSystem() const {
  return GetProfileString(DialwickIni(), kDun32, "ServerSystem", "0") == "1";
}

std::string DialerSettings::DefaultDun() const {
  return GetProfileString(DialwickIni(), kDun32, "DefaultDUN", "None", 257);
}

std::error_code DialerSettings::SetDefaultDun(std::string_view entry) {
  return WriteProfileString(DialwickIni(), kDun32, "DefaultDUN", entry);
}

int DialerSettings::SavePassword() const {
  return GetProfileInt(DialwickIni(), kDun32, "SavePassword", 1);
}

std::error_code DialerSettings::SetSavePassword(bool on) {
  return WriteProfileString(DialwickIni(), kDun32, "SavePassword", Flag(on));
}

bool DialerSettings::LogFile() const {
  return GetProfileInt(DialwickIni(), kDun32, "logfile", 1) != 0;
}

std::error_code DialerSettings::SetLogFile(bool on) {
  return WriteProfileString(DialwickIni(), kDun32, "logfile", Flag(on));
}

std::string DialerSettings::StoredPassword(std::string_view entry) const {
  return GetProfileString(DialwickIni(), kPasswordSection, entry, "", kEntryPasswordBuffer);
}

std::error_code DialerSettings::StorePassword(std::string_view entry, std::string_view password) {
  return WriteProfileString(DialwickIni(), kPasswordSection, entry, password);
}

std::error_code DialerSettings::RemoveStoredPassword(std::string_view entry) {
  return WriteProfileString(DialwickIni(), kPasswordSection, entry, std::nullopt);
}

WindowPosition DialerSettings::ProgressPosition() const {
  WindowPosition p;
  p.top = GetProfileInt(DialwickIni(), kWindowSection, "top", kNoStoredPosition);
  p.left = GetProfileInt(DialwickIni(), kWindowSection, "left", kNoStoredPosition);
  return p;
}

std::error_code DialerSettings::StoreProgressPosition(WindowPosition position) {
  ProfileBatch batch(DialwickIni());
  batch.Write(kWindowSection, "top", std::to_string(position.top));
  batch.Write(kWindowSection, "left", std::to_string(position.left));
  return batch.Commit();
}

bool DialerSettings::CloseOnCancel() const {
  return GetProfileInt(DialwickIni(), kWindowSection, "closeoncancel", 0) == 1;
}

std::error_code DialerSettings::SetCloseOnCancel(bool on) {
  return WriteProfileString(DialwickIni(), kWindowSection, "closeoncancel", Flag(on));
}

bool DialerSettings::UseTimeout() const {
  return GetProfileString(ResolveNoCase(workingDir_, kDialwickIni), "DISCONNECTIONS", "UseTimeout", "0") !=
         "0";
}

bool DialerSettings::ShowProgress() const {
  return GetProfileInt(userProfile_, kWindowSection, "showmsdialogs", 1) != 0;
}

std::error_code DialerSettings::SetShowProgress(bool on) {
  // The user's configuration directory may not exist yet on a fresh account.
  std::error_code ec;
  std::filesystem::create_directories(userProfile_.parent_path(), ec);
  return WriteProfileString(userProfile_, kWindowSection, "showmsdialogs", Flag(on));
}

}  // namespace tellmar::dialer
