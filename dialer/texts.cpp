#include "dialer/texts.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "dialer/messages.h"

namespace tellmar::dialer {

std::string Printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string out;
  if (n > 0) {
    std::vector<char> buffer(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, again);
    out.assign(buffer.data(), static_cast<std::size_t>(n));
  }
  va_end(again);
  return out;
}

std::string OnlineTimeText(long seconds) {
  if (seconds < 60) return Printf("Online for %ld secs so far...", seconds);
  if (seconds < 3600) return Printf("Online for %ldm %ld secs so far...", seconds / 60, seconds % 60);
  if (seconds < 86400)
    return Printf("Online for %ldh:%ldm:%ldsecs so far...", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
  return Printf("Online for %ld Days + %ldh:%ldm:%ldsecs so far...", seconds / 86400,
                seconds / 3600 % 24, seconds / 60 % 60, seconds % 60);
}

std::string TrayTip(int trayState, std::string_view onlineText, std::string_view entry) {
  std::string tip;
  if (trayState == 1) {
    tip = std::string(onlineText) + " - " + std::string(entry);
  } else if (trayState == 2) {
    tip = "Dun system is dialling... - " + std::string(entry);
  } else {
    tip = "Dun System available for connection...";
  }
  if (tip.size() > kMaxTrayTip) tip.resize(kMaxTrayTip);
  return tip;
}

std::string DialCaption(int requester, std::string_view entry, int attempt, int redialCount) {
  const std::string e(entry);
  switch (requester) {
    case kRequesterPenwick:
      return Printf("Penwick connecting to - %s, [%d of %d]", e.c_str(), attempt, redialCount + 1);
    case kRequesterTellmar:
      return Printf("Tellmar connecting to - %s, [%d of %d]", e.c_str(), attempt, redialCount + 1);
    case kRequesterPortlow:
      return Printf("Portlow connecting to - %s, [%d of %d]", e.c_str(), attempt, redialCount + 1);
    default:
      return Printf("Connecting to - %s", e.c_str());
  }
}

std::string ProgressCaption(int requester, std::string_view entry) {
  const std::string e(entry);
  switch (requester) {
    case kRequesterPenwick:
      return Printf("Penwick Connecting to - %s ", e.c_str());
    case kRequesterTellmar:
      return Printf("Tellmar Connecting to - %s", e.c_str());
    case kRequesterPortlow:
      return Printf("Portlow Connecting to - %s", e.c_str());
    default:
      return Printf("Connecting to - %s", e.c_str());
  }
}

std::string ProgressFirstAction(int requester, int attempt, int redialCount) {
  if (requester == kRequesterNone) return "Trying to connect...";
  return Printf("Trying to connect [%d of %d]", attempt, redialCount + 1);
}

std::string LogTimeStamp(const std::tm& t) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int wday = t.tm_wday >= 0 && t.tm_wday < 7 ? t.tm_wday : 0;
  const int mon = t.tm_mon >= 0 && t.tm_mon < 12 ? t.tm_mon : 0;
  return Printf("%s %s %02d %02d:%02d:%02d %04d", kDays[wday], kMonths[mon], t.tm_mday % 100,
                t.tm_hour % 100, t.tm_min % 100, t.tm_sec % 100, (t.tm_year + 1900) % 10000);
}

}  // namespace tellmar::dialer
