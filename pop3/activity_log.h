// The server's activity log: the "Pop Server:" lines that the status dialog
// lists. Each sink gets every line; the status dialog keeps the last lines
// in a LogList.
#pragma once

#include <cstddef>
#include <cstdio>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace tellmar::pop3 {

// The status dialog's list holds at most this many lines.
inline constexpr std::size_t kLogListLines = 500;

class ActivityLog {
 public:
  virtual ~ActivityLog() = default;
  virtual void Line(std::string_view text) = 0;
};

// The part of a log text that is shown: up to its first LF, then up to its
// first CR.
std::string_view LogLineText(std::string_view text);

// The status dialog's list of lines: an empty text is ignored; when the list
// is full the oldest line goes before the next is appended.
class LogList {
 public:
  void Append(std::string_view text);
  const std::deque<std::string>& lines() const { return lines_; }

 private:
  std::deque<std::string> lines_;
};

// Writes each line at once to a stdio stream (standard output for the
// service manager or terminal).
class StreamLog : public ActivityLog {
 public:
  explicit StreamLog(std::FILE* stream) : stream_(stream) {}
  void Line(std::string_view text) override;

 private:
  std::FILE* stream_;
};

// Passes every line to several logs.
class FanoutLog : public ActivityLog {
 public:
  void Add(ActivityLog& log) { logs_.push_back(&log); }
  void Line(std::string_view text) override;

 private:
  std::vector<ActivityLog*> logs_;
};

}  // namespace tellmar::pop3
