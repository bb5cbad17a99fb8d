// The benchmarks' table: the median of several timed runs, and one row per
// measurement beside its peer with their ratio.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace bench {

inline double Median(int runs, const std::function<void()>& before, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    before();
    const auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

inline std::string Show(double seconds) {
  char text[32];
  if (seconds >= 1)
    std::snprintf(text, sizeof text, "%.3g s", seconds);
  else
    std::snprintf(text, sizeof text, "%.3g ms", seconds * 1e3);
  return text;
}

inline void Row(const char* what, double time, const char* peer, double peerTime) {
  std::printf("| %s | %s | %s | %s | %.1f |\n", what, Show(time).c_str(), peer, Show(peerTime).c_str(), time / peerTime);
}

}  // namespace bench
