// What a dial's end and its errors report: the disconnect notification,
// errors the service explains, and errors only the dialler's own table
// explains.
#include "dialer/dial_engine.h"
#include "dialer/error_table.h"
#include "dialer/texts.h"

namespace tellmar::dialer {

void DialEngine::Disconnected(int error) {
  WriteBackDialParams();
  s_.currentPassword.clear();
  SetTrayUnlessService(kTrayOffline);
  if (error == 0) peers_.SendResult(word::kOffline);
  const bool busyLike = error == 676 || error == 678 || error == 602 || error == 680;
  if (!s_.noSavedPassword && !busyLike) {
    DisconnectAny();
    peers_.SendFailText("Failed to Connect");
    peers_.SendResult(word::kFail);
    List("Failed to connect...");
  } else if (error == 676 || error == 678) {
    DisconnectAny();
    peers_.SendFailText(error == 676 ? "Cancelled - Line is busy" : "Cancelled - Remote Modem not answering");
    peers_.SendResult(word::kBusy);
    Report("Connection busy");
  } else if (error == 677 || error == 680 || error == 602) {
    DisconnectAny();
    peers_.SendFailText(error == 677   ? "Cancelled - Received Voice answer"
                        : error == 680 ? "Cancelled - No Dial Tone"
                                       : "Cancelled - Another application has Port open...");
    peers_.SendResult(word::kBusy);
  }
  s_.dialActive = false;
}

void DialEngine::HandleError(int error) {
  s_.lastError = error;
  if (std::optional<std::string> text = dialUp_.ErrorString(error)) {
    HandleServiceError(error, *text);
  } else {
    HandleOwnError(error);
  }
}

void DialEngine::EnableButtonsAfterError() {
  if (peers_.requestStatusWindow() != 0 || !ui_.ProgressOpen()) return;
  if (s_.redialEnabled) ui_.EnableRedial(true);
  if (s_.cancelEnabled) ui_.EnableCancel(true);
}

void DialEngine::HandleServiceError(int error, std::string_view text) {
  Report(text);
  EnableButtonsAfterError();
  if (error == 691) {
    DisconnectAny();
    peers_.SendFailText("Incorrect Password");
    peers_.SendResult(word::kFail);
    if (!s_.noSavedPassword) AskPassword();  // suppressed: marks it refused
    if (s_.passwordRefused) ui_.PostCommand(cmd::kHangUp);
    Report("Password not accepted");
  } else if (error >= 676 && error <= 680) {
    SetTrayUnlessService(kTrayOffline);
    Report("Line is busy...");
    EnableButtonsAfterError();
    peers_.SendResult(word::kBusy);
  } else if (error == 602) {
    SetTray(kTrayOffline);
    DisconnectAny();
    if (peers_.statusWindow() != 0) {
      Report("Line busy");
      if (peers_.requestStatusWindow() == 0 && s_.requester != kRequesterPortlow && ui_.ProgressOpen()) {
        ui_.EnableRedial(false);
        ui_.EnableCancel(true);
      }
      peers_.SendResult(word::kBusy);
    }
    SetTray(kTrayOffline);
  } else {
    DisconnectAny();
    Report("Dialup connection terminated");
    Action("**error** - No further dial attempts");
    const bool disable = peers_.requestStatusWindow() != 0 || s_.requester == kRequesterPortlow ||
                         s_.requester == kRequesterPenwick;
    if (disable && ui_.ProgressOpen()) {
      ui_.EnableRedial(false);
      ui_.EnableCancel(false);
    }
    peers_.SendFailText("Connection failed or was cancelled");
    peers_.SendResult(word::kFail);
    s_.dialInProgress = false;
    SetTray(kTrayOffline);
  }
}

// A line that is busy, does not answer or has no dial tone is worth another
// attempt: the client's redial loop reads the last word, so it is "BUSY"
// whether or not the service has a text for the code.
static bool IsBusyLike(int error) { return error == 602 || (error >= 676 && error <= 680); }

void DialEngine::HandleOwnError(int error) {
  const std::string_view finalWord = IsBusyLike(error) ? word::kBusy : word::kFail;
  if (const ErrorRow* row = FindErrorRow(error)) {
    if (row->extra == ErrorExtra::kPostHangUpFirst) ui_.PostCommand(cmd::kHangUp);
    if (row->extra == ErrorExtra::kPasswordDialogFirst && !s_.serverSystem) AskPassword();
    if (!row->log.empty()) Log(row->log);
    if (!row->list.empty()) List(row->list);
    if (!row->action.empty()) Action(row->action);
    if (!row->action2.empty()) Action(row->action2);
    switch (row->extra) {
      case ErrorExtra::kDisconnectAny:
      case ErrorExtra::kDisconnectAnyThenFailed:
      case ErrorExtra::kDisconnectAnyThenPassword:
        DisconnectAny();
        break;
      default:
        break;
    }
    if (!row->failText.empty()) peers_.SendFailText(row->failText);
    if (!row->word.empty()) peers_.SendResult(IsBusyLike(error) ? finalWord : row->word);
    if (row->extra == ErrorExtra::kDisconnectAnyThenFailed && !s_.serverSystem) {
      SetTrayUnlessService(kTrayOffline);
      const std::string reason = dialUp_.ErrorString(s_.lastError).value_or("");
      std::optional<int> redials;
      if (s_.redialCount > 0) redials = s_.redialCount;
      if (ui_.ConnectionFailedDialog(s_.currentEntry, reason, redials) == FailedAnswer::kRetry) {
        ui_.PostCommand(cmd::kConnect);
      } else {
        ui_.PostCommand(cmd::kDisconnectAny);
        peers_.SendResult(word::kOffline);
      }
    }
    if (row->extra == ErrorExtra::kDisconnectAnyThenPassword && !s_.serverSystem) AskPassword();
    if (row->extra == ErrorExtra::kProtocolNotConfigured) RetryWithWildcardDomain();
  }
  WriteBackDialParams();
  SetTray(kTrayOffline);
  DisconnectAny();
  peers_.SendFailText("Undefined connection failure");
  peers_.SendResult(finalWord);
  s_.redialEnabled = true;
  s_.cancelEnabled = false;
  s_.dialInProgress = false;
  s_.lastError = error;
}

// The server would not run a protocol for this domain: try once more with
// the domain "*". The new dial is posted, not issued here, because the
// common tail of the error handling hangs up whatever is dialling; and it is
// tried once per connect, because on NT the domain is emptied before every
// dial and the retry would otherwise never end.
void DialEngine::RetryWithWildcardDomain() {
  if (s_.params.domain == "*" || protocolRetried_) {
    peers_.SendResult(word::kFail);
    return;
  }
  ras::SavedDialParams saved = dialUp_.GetEntryDialParams(s_.currentEntry);
  if (!saved.error) s_.params = saved.params;
  s_.params.entryName = s_.currentEntry;
  s_.params.domain.assign(1, '*');  // (assign: GCC 12 misreports operator= here)
  if (platformCode() == ras::kPlatformWindows95)
    dialUp_.SetEntryDialParams(s_.params, s_.params.password.empty());
  DisconnectAny();
  wildcardRetryPosted_ = true;
  ui_.PostCommand(cmd::kConnect);
}

}  // namespace tellmar::dialer
