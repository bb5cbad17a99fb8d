// cvpopd32's windows: the hidden main window (timer, tray and commands), the
// hidden socket window, the status dialog with the activity log and its
// Disconnect button, and the tray icon with its three-item menu.
//
// The windows only ask; the program decides. Every way of stopping the
// server (the dialog's Disconnect or close, the tray menu's Disconnect, the
// main window's close or Disconnect command) calls onDisconnect; the
// program shuts the server down and then calls Close().
#pragma once

#include <functional>
#include <utility>

#include "platform/messages.h"
#include "platform/tray.h"
#include "pop3/list_box_log.h"
#include "resources/cvpopd32/status_ids.h"

namespace tellmar::pop3 {

inline constexpr const char* kMainClass = "CV-POPsrv";
inline constexpr const char* kMainTitle = "Tellmar - POP3 Server";
inline constexpr const char* kSocketClass = "POPsrvClass";
inline constexpr int kProgramIcon = 101;
inline constexpr int kTrayIcon = 102;

// The main window's hidden children.
inline constexpr int kHiddenListId = 1024;
inline constexpr int kHiddenDisconnectId = 1025;
inline constexpr int kHiddenButtonWidth = 100;
inline constexpr int kHiddenButtonHeight = 25;

// The status dialog's template and controls (resources/cvpopd32/status.tmr).
using StatusIds = res::cvpopd32::Status;

// The tray icon, its callback, and the commands of its menu.
inline constexpr UINT kTrayIconId = 1025;
inline constexpr UINT kTrayMessage = 2022;
inline constexpr UINT kSocketMessage = 2023;
inline constexpr UINT kCommandDisconnect = 5000;
inline constexpr UINT kCommandRestore = 5001;
inline constexpr UINT kCommandCloseMenu = 5002;
inline constexpr const char* kTrayTip = "Corvane POP3 server";

inline constexpr UINT kTimeoutTimerId = 1;

// Start-up failures: a box, then this exit code.
inline constexpr int kStartFailureExit = 1;

class ServerWindows {
 public:
  struct Hooks {
    std::function<void()> onDisconnect;
    std::function<void()> onTick;
  };

  ServerWindows(bool serviceMode, Hooks hooks);
  ~ServerWindows();
  ServerWindows(const ServerWindows&) = delete;
  ServerWindows& operator=(const ServerWindows&) = delete;

  // The main window, the tray icon and the hidden status dialog. A failure
  // is shown to the operator; answers 0 or the exit code.
  int Create();
  // The socket window, part of starting the listener; false when it cannot
  // be had (nothing is shown).
  bool CreateSocketWindow();

  // The timeout check's timer on the main window.
  bool StartTimer(unsigned milliseconds);
  void StopTimer();

  // Takes the windows down in shutdown order: the socket window, the tray
  // icon, the status dialog, the main window (whose end posts the quit
  // message with code 0).
  void Close();

  HWND mainWindow() const { return main_; }
  HWND socketWindow() const { return socket_; }
  HWND statusDialog() const { return dialog_; }
  // The activity log in the status dialog's list box.
  ListBoxLog& log() { return log_; }

  void ShowStatus();

 private:
  LRESULT MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  INT_PTR StatusProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
  void CreateHiddenChildren(HWND hwnd);
  void TrayNotice(LPARAM mouseMessage);
  void Disconnect();
  void DestroySocketWindow();
  void RemoveTrayIcon();

  bool serviceMode_;
  Hooks hooks_;
  HWND main_ = 0;
  HWND socket_ = 0;
  HWND dialog_ = 0;
  NotifyIcon tray_{kTrayIconId, kTrayMessage};
  bool quiet_ = false;  // no quit message when the windows go
  bool mainClass_ = false;
  bool socketClass_ = false;
  ListBoxLog log_;
};

}  // namespace tellmar::pop3
