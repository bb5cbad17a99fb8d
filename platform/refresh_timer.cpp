#include "platform/refresh_timer.h"

#include "platform/window.h"

namespace tellmar {

bool RefreshTimer::Start() {
  pausedByMinimize_ = false;
  const auto ms = static_cast<unsigned>(std::max<std::chrono::milliseconds::rep>(period_.count(), 1));
  running_ = SetTimer(window_, id_, ms) != 0;
  return running_;
}

void RefreshTimer::Stop() {
  if (running_ && IsWindow(window_)) KillTimer(window_, id_);
  running_ = false;
  pausedByMinimize_ = false;
}

bool RefreshTimer::SetPeriod(std::chrono::milliseconds period) {
  period_ = period;
  return running_ ? Start() : true;
}

void RefreshTimer::WindowMinimized(bool minimized) {
  if (minimized && running_) {
    Stop();
    pausedByMinimize_ = true;
  } else if (!minimized && pausedByMinimize_) {
    Start();
  }
}

}  // namespace tellmar
