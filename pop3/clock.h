// Time as the server sees it: monotonic milliseconds. Tests drive a manual
// clock; the running server may run its clock faster by a fixed factor
// (TELLMAR_POP3_CLOCK_SCALE), so that the minute-long timeouts can be tested
// in seconds.
#pragma once

#include <chrono>
#include <cstdint>

namespace tellmar::pop3 {

using Millis = std::int64_t;

class Clock {
 public:
  virtual ~Clock() = default;
  virtual Millis Now() const = 0;
};

class SteadyClock : public Clock {
 public:
  explicit SteadyClock(int scale = 1) : scale_(scale < 1 ? 1 : scale) {}
  Millis Now() const override {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(now).count() * scale_;
  }
  int scale() const { return scale_; }

 private:
  int scale_;
};

class ManualClock : public Clock {
 public:
  Millis Now() const override { return now_; }
  void Advance(Millis ms) { now_ += ms; }

 private:
  Millis now_ = 1'000'000;
};

}  // namespace tellmar::pop3
