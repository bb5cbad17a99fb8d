// The Dialwick program: its hidden main window on the desktop channel, the
// message table clients drive it with, the tray icon, the progress window,
// the dialogs, and the wiring of the dial engine to all of them.
//
// One object per program, on the program's one loop. The window procedures
// are lambdas that reach it; the engine calls back through the DialerUi and
// PeerWindows faces it implements.
#pragma once

#include <boost/asio/io_context.hpp>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "dialer/command_line.h"
#include "dialer/dial_engine.h"
#include "dialer/dial_log.h"
#include "dialer/dialer_ui.h"
#include "dialer/peers.h"
#include "dialer/settings.h"
#include "platform/dialog.h"
#include "platform/messages.h"
#include "platform/tray.h"
#include "platform/ras/simulated_modem.h"

namespace tellmar::dialer {

// What the operating system would tell: the platform code and the version
// numbers the About box shows.
struct PlatformInfo {
  int code = ras::kPlatformNT;
  int major = 4, minor = 0, build = 1381;
};
std::string_view PlatformText(int code);
// $TELLMAR_DIALUP_PLATFORM ("0", "1" or "2"; default 2, NT) chooses which
// operating system family the simulated dial-up service presents.
PlatformInfo SimulatedPlatform();

struct AppOptions {
  std::filesystem::path workingDir;
  std::filesystem::path userProfile;
  std::filesystem::path phonebook;
  PlatformInfo platform;
  // Whether the dial-up service has a text for each error code; without,
  // the handler's own error table speaks.
  bool serviceErrorTexts = true;
  CommandLine commandLine;
  // The connection monitor's period; tests lengthen it and drive the
  // monitor with WM_TIMER messages of their own.
  unsigned monitorIntervalMs = kMonitorIntervalMs;
};

class DialwickApp final : public DialerUi, public PeerWindows {
 public:
  DialwickApp(boost::asio::io_context& io, AppOptions options);
  ~DialwickApp() override;
  DialwickApp(const DialwickApp&) = delete;
  DialwickApp& operator=(const DialwickApp&) = delete;

  // Start-up up to the running main window; false when the program is to
  // end at once (another copy runs, no entries on the Windows 95 family, no
  // main window). The caller then runs the loop.
  bool Start();

  HWND mainWindow() const { return main_; }
  DialEngine& engine() { return *engine_; }
  Peers& peers() { return peers_; }
  DialerSettings& settings() { return settings_; }
  HWND controlCentre() const { return controlCentre_; }
  HWND progressWindow() const { return progress_; }

  // --- DialerUi -------------------------------------------------------------
  void ShowTray(int icon, std::string_view tip) override;
  bool ProgressOpen() const override;
  void OpenProgress(std::string_view caption, std::string_view action) override;
  void CloseProgress() override;
  void SetProgressCaption(std::string_view text) override;
  void AddProgressStatus(std::string_view text) override;
  void SetProgressAction(std::string_view text) override;
  void EnableRedial(bool on) override;
  void EnableCancel(bool on) override;
  PasswordAnswer PasswordDialog(std::string_view entry, std::string_view password, bool savePassword) override;
  void NoPasswordDialog(std::string_view entry, bool sessionEndedLine) override;
  FailedAnswer ConnectionFailedDialog(std::string_view entry, std::string_view reason,
                                      std::optional<int> redials) override;
  int MessageBox(HWND owner, std::string_view text, std::string_view caption, UINT flags) override;
  std::optional<std::string> SelectedEntry() const override;
  bool SelectEntry(std::string_view name) override;
  void PostCommand(unsigned id, ras::ConnHandle param = 0) override;
  void PumpMessages() override;
  void WaitPumping(std::chrono::milliseconds duration) override;
  void RememberForeground() override;
  void RestoreForeground() override;

  // --- PeerWindows ----------------------------------------------------------
  void SetPeerText(PeerHandle window, std::string_view text) override;
  std::string GetPeerText(PeerHandle window, std::size_t maxChars) override;
  void AddComboString(PeerHandle combo, std::string_view text) override;

  // --- Dialogs of the window layer (dialwick_dialogs.cpp and friends) ---------
  void OpenControlCentre();
  void CloseControlCentre();
  void EditDunSettings();
  void About();
  // Our phonebook entry editor; `entry` empty: a new entry. True when saved.
  bool EditPhonebookEntry(std::string_view entry);

  // Fills a list box with the phonebook entries; false (after the box) when
  // the enumeration failed.
  bool FillEntryList(HWND list, bool boxOnError);
  // Reloads the main window's list, keeping the selection by name.
  void ReloadMainList();
  bool serverSystem() const { return engine_->state().serverSystem; }
  bool runAsService() const { return engine_->state().runAsService; }

 private:
  LRESULT MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnCommand(unsigned id, unsigned notification, LPARAM lParam);
  void OnTrayMouse(UINT mouse);
  void ShowTrayMenu();
  // A request text from the parameter window, a copy-data message or the
  // in-process message. textForm: DUNM_REQUESTTEXT (hang-up posts 1026 and
  // the redial count stays).
  LRESULT HandleRequest(std::string_view text, std::optional<int> redialCount, bool textForm);
  void ApplyCommandLineRequest();
  void Release(std::int64_t client, bool named);
  void ListEntriesForClient();
  void SetDirectory();
  void ReadModes();
  void EndProgram();
  void RemoveTray();
  ras::EntryNames LoadEntries() const;
  ras::Enumeration Connections() const;

  AppOptions options_;
  ras::SimulatedModem modem_;
  DialerSettings settings_;
  DialLog log_;
  Peers peers_;
  std::unique_ptr<DialEngine> engine_;
  std::string defaultDun_;
  HWND main_ = 0;
  HWND list_ = 0;
  HWND progress_ = 0;
  HWND controlCentre_ = 0;
  bool openingControlCentre_ = false;
  HWND foreground_ = 0;
  NotifyIcon tray_{kTrayIconId, DUNM_TRAY};
  DialogGuard passwordGuard_;
  DialogGuard editGuard_;
  bool async_ = false;
};

}  // namespace tellmar::dialer
