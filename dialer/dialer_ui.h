// What the dial engine asks of the window layer: the tray icon, the progress
// window, the dialogs and message boxes, the entry list's selection, posting
// commands to the main window and pumping messages. The engine decides what
// is shown and when (and never asks for a box in server-system mode); the
// window layer only shows it and reports the person's answer.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "platform/messages.h"
#include "platform/ras/dialup.h"

namespace tellmar::dialer {

struct PasswordAnswer {
  bool ok = false;  // OK pressed (else Cancel)
  std::string password;
  bool save = false;  // the "Save Password" box
};

enum class FailedAnswer { kRetry, kOk };

class DialerUi {
 public:
  virtual ~DialerUi() = default;

  // Tray (never called in RunAsService mode).
  virtual void ShowTray(int icon, std::string_view tip) = 0;

  // Progress window "RAS/DUN Connection - Progress".
  virtual bool ProgressOpen() const = 0;
  virtual void OpenProgress(std::string_view caption, std::string_view action) = 0;
  virtual void CloseProgress() = 0;  // stores its position first
  virtual void SetProgressCaption(std::string_view text) = 0;   // control 1063
  virtual void AddProgressStatus(std::string_view text) = 0;    // list 1000, last line selected
  virtual void SetProgressAction(std::string_view text) = 0;    // control 1067
  virtual void EnableRedial(bool on) = 0;
  virtual void EnableCancel(bool on) = 0;

  // Dialogs (modal; each returns when the person has answered).
  virtual PasswordAnswer PasswordDialog(std::string_view entry, std::string_view password,
                                        bool savePassword) = 0;
  virtual void NoPasswordDialog(std::string_view entry, bool sessionEndedLine) = 0;
  virtual FailedAnswer ConnectionFailedDialog(std::string_view entry, std::string_view reason,
                                              std::optional<int> redials) = 0;
  // A message box, as platform::MessageBox; owner 0 is the main window. In
  // server-system mode nothing is shown and the default button is the answer.
  virtual int MessageBox(HWND owner, std::string_view text, std::string_view caption, UINT flags) = 0;

  // The main window's entry list.
  virtual std::optional<std::string> SelectedEntry() const = 0;
  virtual bool SelectEntry(std::string_view name) = 0;  // case-insensitive; false if absent

  virtual void PostCommand(unsigned id, ras::ConnHandle param = 0) = 0;
  virtual void PumpMessages() = 0;
  // Waits while handling messages (the settle wait of a failed hang-up).
  virtual void WaitPumping(std::chrono::milliseconds duration) = 0;
  virtual void RememberForeground() = 0;
  virtual void RestoreForeground() = 0;
};

}  // namespace tellmar::dialer
