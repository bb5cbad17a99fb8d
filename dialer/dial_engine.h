// The dial engine: dials the current phonebook entry, follows the dial
// through its states, turns every outcome into a log line, a progress line
// and a result word for the client, hangs connections up and watches the
// active connections once a second.
//
// It owns no window and no timer. The window layer calls:
//   Connect()            command 1025 / 40022
//   HangUpCommand()      command 1026
//   DisconnectSelected() command 40023 (name from the parameter window)
//   DisconnectAny(h)     command 40024 (h from the second parameter, 0: none)
//   PasswordCommand()    command 40004
//   MonitorTick()        the one-second timer
//   Retry display        DUNM_SETATTEMPT .. DUNM_RETRYWAITEX
//   RedialPressed(), CancelPressed(), ProgressClosed()  progress window buttons
// and the engine calls back through DialerUi (tray, progress window, dialogs,
// posted commands) and Peers (result words). Dial notifications arrive from
// the dial-up service on the same loop.
#pragma once

#include <string>
#include <string_view>

#include "dialer/dial_log.h"
#include "dialer/dialer_ui.h"
#include "dialer/messages.h"
#include "dialer/peers.h"
#include "dialer/settings.h"
#include "platform/ras/dialup.h"

namespace tellmar::dialer {

// Tray states and icons.
inline constexpr int kTrayOffline = 0;
inline constexpr int kTrayOnline = 1;
inline constexpr int kTrayDialling = 2;
inline constexpr int kIconOffline = 121;
inline constexpr int kIconOnline = 116;
inline constexpr int kIconDialling = 145;
inline constexpr int kIconDevicesConnected = 141;
inline constexpr int kIconAuthenticated = 143;

// Room for active connections in one enumeration; more is an error.
inline constexpr std::size_t kConnectionRecords = 16;
inline constexpr int kSettleQueries = 10;

struct EngineState {
  std::string currentEntry;     // what Connect dials
  std::string currentPassword;  // held from when it is supplied until the dial
  ras::DialParams params;
  ras::ConnHandle dialHandle = 0;
  bool dialInProgress = false;
  bool dialActive = false;
  int requester = kRequesterNone;
  int attempt = 0;
  int redialCount = 0;
  int lastError = 0;
  int lastResult = 0;  // of the last Dial() call itself
  bool redialEnabled = true;
  bool cancelEnabled = true;
  int trayState = kTrayOffline;
  int trayIcon = kIconOffline;
  long onlineSeconds = 0;
  std::string onlineText = "Connected Successfully";
  bool noSavedPassword = false;
  bool passwordRefused = false;

  // The current client request (set by the control interface).
  bool requestMode = false;
  int fieldCount = 0;
  std::string requestEntry;     // field 2 of the request
  bool firstAutoConnect = false;  // the connect a start-up request posts

  bool runAsService = false;
  bool serverSystem = false;
};

class DialEngine {
 public:
  DialEngine(ras::DialUp& dialUp, DialerSettings& settings, DialLog& log, Peers& peers, DialerUi& ui);

  EngineState& state() { return s_; }
  const EngineState& state() const { return s_; }
  int platformCode() const { return dialUp_.PlatformCode(); }

  void Connect();
  void HangUpCommand();
  void DisconnectSelected(std::string_view name);
  void DisconnectAny(ras::ConnHandle handle = 0);
  void PasswordCommand();
  void MonitorTick();

  // Retry display; attempt / seconds as the client gave them.
  void SetAttempt(int attempt);
  void Attempting(int attempt);
  void RetryWait(int seconds, bool secondForm);
  void GivenUp(bool closeWindow);
  void Cancelled();

  void RedialPressed();
  void CancelPressed(bool closeAfterCancel);
  void ProgressClosed();

  // Reads the entry's saved dial parameters (before a dial and for the
  // Password command): a saved password becomes the current one, none sets
  // the no-saved-password flag.
  void LoadDialParams();
  // The Password dialog and what its answer does; false when no password
  // came of it (cancelled, empty, or suppressed in server-system mode).
  bool AskPassword();

  // The dial-up service's notification of the dial numbered `serial`.
  void OnDialEvent(unsigned serial, int dialState, int error);

  // Tray: the state with its icon; shown unless in RunAsService mode.
  void SetTray(int trayState);
  void RefreshTray();

 private:
  void SetTrayUnlessService(int trayState);
  void SetTrayIcon(int icon);
  void Log(std::string_view text);
  void List(std::string_view text);
  void Action(std::string_view text);
  void Report(std::string_view text);  // log and list

  bool ConnectForRequest();
  bool ConnectManually();
  void NoPassword();
  void IssueDial();
  void WriteBackDialParams();
  void ApplyPasswordKeeping(bool save);

  void Connected();
  void Disconnected(int error);
  void HandleError(int error);
  void HandleServiceError(int error, std::string_view text);
  void HandleOwnError(int error);
  void RetryWithWildcardDomain();
  void EnableButtonsAfterError();

  bool HangUpOne(ras::ConnHandle handle);
  void HangUpNamed(const ras::Enumeration& table, std::string_view name);
  void DunProblemBox();
  ras::Enumeration Enumerate() const { return dialUp_.EnumConnections(kConnectionRecords); }

  ras::DialUp& dialUp_;
  DialerSettings& settings_;
  DialLog& log_;
  Peers& peers_;
  DialerUi& ui_;
  EngineState s_;
  unsigned dialSerial_ = 0;
  bool protocolRetried_ = false;      // this connect is the wildcard retry
  bool wildcardRetryPosted_ = false;  // the retry's connect is on its way
};

}  // namespace tellmar::dialer
