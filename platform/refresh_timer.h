// A periodic refresh for a window that polls the store (the mail browser's
// five-second look at its folders, the mail status window's 5 to 90
// seconds): WM_TIMER with the timer's ID reaches the window every period
// while the timer runs. It stops while the window is minimised, if asked to
// follow that, and always when the timer object goes, so a closed window
// never gets a late tick.
#pragma once

#include <algorithm>
#include <chrono>

#include "platform/messages.h"

namespace tellmar {

class RefreshTimer {
 public:
  RefreshTimer(HWND window, UINT id, std::chrono::milliseconds period) : window_(window), id_(id), period_(period) {}
  ~RefreshTimer() { Stop(); }
  RefreshTimer(const RefreshTimer&) = delete;
  RefreshTimer& operator=(const RefreshTimer&) = delete;

  // Answers false when the timer could not be made (no such window).
  bool Start();
  void Stop();
  // A new period; a running timer starts counting it from now.
  bool SetPeriod(std::chrono::milliseconds period);
  // Minimised: stopped; restored: running again if it ran before.
  void WindowMinimized(bool minimized);

  bool running() const { return running_; }
  std::chrono::milliseconds period() const { return period_; }
  UINT id() const { return id_; }

 private:
  HWND window_;
  UINT id_;
  std::chrono::milliseconds period_;
  bool running_ = false;
  bool pausedByMinimize_ = false;
};

}  // namespace tellmar
