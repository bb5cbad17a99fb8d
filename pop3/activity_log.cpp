#include "pop3/activity_log.h"

namespace tellmar::pop3 {

std::string_view LogLineText(std::string_view text) {
  text = text.substr(0, text.find('\n'));
  return text.substr(0, text.find('\r'));
}

void LogList::Append(std::string_view text) {
  if (text.empty()) return;
  if (lines_.size() >= kLogListLines) lines_.pop_front();
  lines_.emplace_back(LogLineText(text));
}

void StreamLog::Line(std::string_view text) {
  if (text.empty()) return;
  const std::string_view shown = LogLineText(text);
  std::fwrite(shown.data(), 1, shown.size(), stream_);
  std::fputc('\n', stream_);
  std::fflush(stream_);
}

void FanoutLog::Line(std::string_view text) {
  for (ActivityLog* log : logs_) log->Line(text);
}

}  // namespace tellmar::pop3
