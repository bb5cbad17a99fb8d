// Connect, issuing the dial, the dial notifications, the monitor, the retry
// display and the Password dialog's effects.
#include "dialer/dial_engine.h"

#include "common/ini_document.h"
#include "dialer/texts.h"

namespace tellmar::dialer {

DialEngine::DialEngine(ras::DialUp& dialUp, DialerSettings& settings, DialLog& log, Peers& peers,
                       DialerUi& ui)
    : dialUp_(dialUp), settings_(settings), log_(log), peers_(peers), ui_(ui) {}

void DialEngine::Log(std::string_view text) { log_.Write(text); }

void DialEngine::List(std::string_view text) {
  if (ui_.ProgressOpen()) ui_.AddProgressStatus(text);
}

void DialEngine::Action(std::string_view text) {
  if (ui_.ProgressOpen()) ui_.SetProgressAction(text);
}

void DialEngine::Report(std::string_view text) {
  Log(text);
  List(text);
}

void DialEngine::SetTray(int trayState) {
  s_.trayState = trayState;
  s_.trayIcon = trayState == kTrayOnline ? kIconOnline : trayState == kTrayDialling ? kIconDialling : kIconOffline;
  RefreshTray();
}

void DialEngine::SetTrayUnlessService(int trayState) {
  if (!s_.runAsService) SetTray(trayState);
}

void DialEngine::SetTrayIcon(int icon) {
  s_.trayIcon = icon;
  RefreshTray();
}

void DialEngine::RefreshTray() {
  if (s_.runAsService) return;
  ui_.ShowTray(s_.trayIcon, TrayTip(s_.trayState, s_.onlineText, s_.currentEntry));
}

void DialEngine::LoadDialParams() {
  if (s_.currentEntry.empty()) return;
  ras::SavedDialParams saved = dialUp_.GetEntryDialParams(s_.currentEntry);
  s_.params = saved.error ? ras::DialParams{} : saved.params;
  s_.params.entryName = s_.currentEntry;
  // The flag describes the entry being loaded, so one entry without a saved
  // password does not make every later entry look the same.
  s_.noSavedPassword = saved.error || !saved.passwordSaved;
  // A password the client gave with its request wins over the saved one:
  // that is how a corrected password reaches the provider.
  if (!s_.noSavedPassword && s_.currentPassword.empty()) s_.currentPassword = saved.params.password;
}

void DialEngine::WriteBackDialParams() {
  if (platformCode() != ras::kPlatformWindows95) return;
  if (settings_.SavePassword() == 1) {
    dialUp_.SetEntryDialParams(s_.params, false);
    return;
  }
  ras::DialParams blank = s_.params;
  blank.password.clear();
  dialUp_.SetEntryDialParams(blank, false);
  dialUp_.SetEntryDialParams(blank, true);
}

bool DialEngine::AskPassword() {
  if (s_.serverSystem) {
    // Suppressed: as if the person had cancelled.
    s_.currentPassword.clear();
    s_.passwordRefused = true;
    return false;
  }
  const std::string shown = s_.currentPassword == "None" ? std::string() : s_.currentPassword;
  PasswordAnswer answer = ui_.PasswordDialog(s_.currentEntry, shown, settings_.SavePassword() == 1);
  if (!answer.ok || answer.password.empty()) {
    s_.currentPassword.clear();
    s_.passwordRefused = true;
    return false;
  }
  s_.currentPassword = answer.password;
  s_.passwordRefused = false;
  ApplyPasswordKeeping(answer.save);
  return true;
}

void DialEngine::ApplyPasswordKeeping(bool save) {
  if (platformCode() != ras::kPlatformWindows95) return;
  ras::DialParams p = s_.params;
  p.entryName = s_.currentEntry;
  p.password = s_.currentPassword;
  if (!save) {
    dialUp_.SetEntryDialParams(p, true);
    settings_.SetSavePassword(false);
    settings_.RemoveStoredPassword(s_.currentEntry);
    return;
  }
  dialUp_.SetEntryDialParams(p, false);
  ras::SavedDialParams back = dialUp_.GetEntryDialParams(s_.currentEntry);
  if (!back.error && back.passwordSaved) {
    s_.noSavedPassword = false;
    settings_.SetSavePassword(true);
    settings_.RemoveStoredPassword(s_.currentEntry);
  } else {
    s_.noSavedPassword = true;
    settings_.StorePassword(s_.currentEntry, s_.currentPassword);
  }
}

void DialEngine::Connect() {
  // Only the connect that the wildcard retry posted counts as its retry.
  protocolRetried_ = wildcardRetryPosted_;
  wildcardRetryPosted_ = false;
  const bool go = s_.requestMode ? ConnectForRequest() : ConnectManually();
  s_.firstAutoConnect = false;
  if (go) IssueDial();
}

bool DialEngine::ConnectForRequest() {
  if (s_.fieldCount < 2 || s_.requestEntry.empty()) {
    std::optional<std::string> selected = ui_.SelectedEntry();
    if (!selected || selected->empty()) {
      // The client waits for a word: tell it, and say why in the log.
      Log("Connection request refused - no DUN selected");
      peers_.SendResult(word::kFail);
      if (!selected && !s_.firstAutoConnect && !s_.serverSystem)
        ui_.MessageBox(0, "Please select a DUN to connect with...", "No Dun Selected!", MB_OK);
      return false;
    }
    s_.currentEntry = *selected;
    LoadDialParams();
    if (!s_.noSavedPassword && s_.currentPassword.empty()) AskPassword();
  }
  SetTrayUnlessService(kTrayDialling);
  LoadDialParams();
  if (s_.noSavedPassword) {
    if (s_.currentPassword.empty()) {
      if (settings_.SavePassword() == 1) {
        s_.currentPassword = settings_.StoredPassword(s_.currentEntry);
      } else {
        settings_.RemoveStoredPassword(s_.currentEntry);
      }
      if (s_.currentPassword.empty()) AskPassword();
    } else {
      settings_.RemoveStoredPassword(s_.currentEntry);
    }
  }
  s_.params.password = s_.currentPassword;
  if (s_.currentPassword.empty() && settings_.SavePassword() == 1) {
    AskPassword();
    if (s_.currentPassword.empty()) {
      NoPassword();
      return false;
    }
    s_.params.password = s_.currentPassword;
  }
  return true;
}

bool DialEngine::ConnectManually() {
  const bool hadPassword = !s_.currentPassword.empty();
  if (!hadPassword) {
    LoadDialParams();
    if (s_.currentPassword.empty() && s_.noSavedPassword)
      s_.currentPassword = settings_.StoredPassword(s_.currentEntry);
    if (s_.currentPassword.empty() && !AskPassword()) {
      NoPassword();
      return false;
    }
  } else {
    settings_.RemoveStoredPassword(s_.currentEntry);
  }
  SetTrayUnlessService(kTrayDialling);
  Log(Printf("Dialup request for %s", s_.currentEntry.c_str()));
  if (!EqualsNoCase(s_.params.entryName, s_.currentEntry)) {
    // Parameters still of another entry (a password given before any load):
    // take this entry's user name and domain.
    ras::SavedDialParams saved = dialUp_.GetEntryDialParams(s_.currentEntry);
    s_.params = saved.error ? ras::DialParams{} : saved.params;
  }
  s_.params.entryName = s_.currentEntry;
  bool serviceHasPassword = false;
  if (platformCode() == ras::kPlatformWindows95) {
    ras::SavedDialParams saved = dialUp_.GetEntryDialParams(s_.currentEntry);
    if (!saved.error) s_.params = saved.params;
    serviceHasPassword = !saved.error && saved.passwordSaved;
  }
  if (s_.currentPassword.empty()) {
    AskPassword();
  }
  if (!serviceHasPassword) s_.params.password = s_.currentPassword;
  return true;
}

// The client hears "OFFLINE" and the tray goes offline before the dialog
// waits for a person, who may never come on an unattended machine.
void DialEngine::NoPassword() {
  const bool sessionEnded = peers_.statusWindow() != 0;
  if (sessionEnded) peers_.SendResult(word::kOffline);
  SetTrayUnlessService(kTrayOffline);
  if (!s_.serverSystem) ui_.NoPasswordDialog(s_.currentEntry, sessionEnded);
}

void DialEngine::IssueDial() {
  s_.dialHandle = 0;
  s_.dialActive = true;
  ui_.RememberForeground();
  s_.dialInProgress = true;
  if (platformCode() == ras::kPlatformNT) {
    s_.params.domain.clear();
  } else if (s_.params.domain == "*") {
    s_.params.domain.clear();
  }
  if (settings_.ShowProgress()) {
    if (ui_.ProgressOpen()) ui_.CloseProgress();
    ui_.OpenProgress(ProgressCaption(s_.requester, s_.currentEntry),
                     ProgressFirstAction(s_.requester, s_.attempt, s_.redialCount));
    ui_.PumpMessages();
  }
  // Notifications of an older dial (one hung up or replaced) are not this
  // dial's outcome; the serial tells them apart.
  const unsigned serial = ++dialSerial_;
  ras::ConnHandle handle = 0;
  s_.lastResult = dialUp_.Dial(
      s_.params, [this, serial](int st, int err) { OnDialEvent(serial, st, err); }, &handle);
  s_.dialHandle = handle;
  WriteBackDialParams();
  s_.currentPassword.clear();
  // A dial the service refuses at once sends no notification; without this
  // the client would wait for a word that never comes.
  if (s_.lastResult != ras::error::kSuccess) HandleError(s_.lastResult);
}

void DialEngine::OnDialEvent(unsigned serial, int st, int error) {
  if (serial != dialSerial_) return;
  const bool showing = settings_.ShowProgress();
  const std::string caption = DialCaption(s_.requester, s_.currentEntry, s_.attempt, s_.redialCount);
  if (showing && ui_.ProgressOpen()) {
    ui_.SetProgressCaption(caption);
    ui_.PumpMessages();
  }
  namespace rs = ras::state;
  switch (st) {
    case rs::kOpenPort:
      Log(caption);
      Report("Opening port");
      break;
    case rs::kPortOpened: Report("Port opened successfully"); break;
    case rs::kConnectDevice: Report("Connecting device"); break;
    case rs::kDeviceConnected:
      Log("Device connected successfully");
      if (peers_.requestStatusWindow() == 0) peers_.SendStatus(word::kDialComplete);
      break;
    case rs::kAllDevicesConnected:
      List("Device connected successfully");
      SetTrayIcon(kIconDevicesConnected);
      break;
    case rs::kAuthenticate: Report("Login authentication ..."); break;
    case rs::kAuthRetry:
    case rs::kReAuthenticate: Report("Retrying authentication"); break;
    case rs::kAuthChangePassword:
      Report("Authentication - change password");
      if (!s_.serverSystem) AskPassword();
      break;
    case rs::kAuthenticated:
      Report("Authentication accepted");
      ui_.RememberForeground();
      SetTrayIcon(kIconAuthenticated);
      break;
    case rs::kWaitForModemReset: Report("Waiting for modem reset"); break;
    case rs::kWaitForCallback: Report("Waiting for callback"); break;
    case rs::kStartAuthentication: peers_.SendResult(word::kAuthenticate); break;
    case rs::kInteractive: Report("Interactive mode"); break;
    case rs::kRetryAuthentication:
    case rs::kCallbackSetByCaller: Report("Callback set by caller"); break;
    case rs::kPasswordExpired:
      Report("Password expired");
      if (!s_.serverSystem) AskPassword();
      break;
    case rs::kConnected:
      Log("Connected...");
      Connected();
      List("Connection successful ...");
      break;
    case rs::kDisconnected:
      Report("DUN/RAS was disconnected");
      Disconnected(error);
      break;
    default: break;
  }
  ui_.PumpMessages();
  if (error != 0) HandleError(error);
}

void DialEngine::Connected() {
  if (ui_.ProgressOpen()) ui_.CloseProgress();
  WriteBackDialParams();
  dialUp_.GetConnectStatus(s_.dialHandle);
  s_.currentPassword.clear();
  s_.dialActive = true;
  s_.requestMode = false;
  s_.onlineSeconds = 0;
  s_.onlineText = "Connected Successfully";
  SetTrayUnlessService(kTrayOnline);
  peers_.SendResult(word::kOk);
  ui_.RestoreForeground();
}

void DialEngine::MonitorTick() {
  ras::Enumeration table = Enumerate();
  if (table.error) return;
  if (table.connections.empty()) {
    s_.trayState = kTrayOffline;
    s_.trayIcon = kIconOffline;
  } else if (s_.trayState == kTrayOffline) {
    s_.trayState = kTrayOnline;
    s_.trayIcon = kIconOnline;
  } else if (s_.trayState == kTrayOnline) {
    ++s_.onlineSeconds;
    s_.onlineText = OnlineTimeText(s_.onlineSeconds);
  }
  RefreshTray();
}

void DialEngine::SetAttempt(int attempt) { s_.attempt = attempt; }

void DialEngine::Attempting(int attempt) {
  s_.attempt = attempt;
  const std::string text = Printf("Attempting connection [%d of %d]", s_.attempt, s_.redialCount + 1);
  Log(text);
  Action(text);
  if (ui_.ProgressOpen()) ui_.EnableRedial(false);
}

void DialEngine::RetryWait(int seconds, bool secondForm) {
  const std::string text = Printf("Dial attempt %d of %d will occur in %d seconds", s_.attempt + 1,
                                  s_.redialCount + 1, seconds);
  Log(text);
  Action(text);
  if (secondForm && ui_.ProgressOpen()) ui_.EnableCancel(s_.requester != kRequesterPortlow);
}

void DialEngine::GivenUp(bool closeWindow) {
  const std::string_view text = "Dial up connection failed - no further attempts due...";
  Log(text);
  Action(text);
  if (closeWindow && ui_.ProgressOpen()) ui_.CloseProgress();
}

void DialEngine::Cancelled() {
  const std::string_view text = "Dial up connection cancelled manually...";
  Log(text);
  Action(text);
  if (!ui_.ProgressOpen()) return;
  const bool noRequester = s_.requester < 0;
  ui_.EnableRedial(noRequester);
  ui_.EnableCancel(!noRequester);
}

void DialEngine::RedialPressed() {
  Action("Redialling");
  ui_.EnableCancel(false);
  peers_.SendResult(word::kRedial);
  ui_.EnableRedial(false);
  ui_.EnableCancel(true);
  Connect();
}

void DialEngine::CancelPressed(bool closeAfterCancel) {
  Action("connection cancelled by user...");
  ras::Enumeration table = Enumerate();
  bool listed = false;
  for (const auto& c : table.connections) listed = listed || (s_.dialHandle != 0 && c.handle == s_.dialHandle);
  DisconnectAny(listed ? s_.dialHandle : 0);
  peers_.SendResult(word::kFail);
  if (ui_.ProgressOpen()) ui_.EnableCancel(false);
  if (closeAfterCancel) {
    if (ui_.ProgressOpen()) ui_.CloseProgress();
    peers_.ClearClients();
    s_.requester = kRequesterNone;
  }
  SetTrayUnlessService(kTrayOffline);
}

void DialEngine::ProgressClosed() { s_.requester = kRequesterNone; }

void DialEngine::PasswordCommand() {
  if (auto selected = ui_.SelectedEntry(); selected && !selected->empty()) s_.currentEntry = *selected;
  LoadDialParams();
  if (!s_.noSavedPassword) AskPassword();
}

}  // namespace tellmar::dialer
