// Texts the dialler builds from numbers: the online time, the tray tip, the
// progress captions and the log's time stamp. Each is printf-formatted with
// its fixed pattern, so the bytes are exactly those the clients and the log
// readers know.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace tellmar::dialer {

// printf into a string.
std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "Online for ... so far..." for a connection up for `seconds` seconds.
std::string OnlineTimeText(long seconds);

// The tray tip, at most 63 characters: state 0 offline, 1 online (with the
// online text), 2 dialling.
inline constexpr std::size_t kMaxTrayTip = 63;
std::string TrayTip(int trayState, std::string_view onlineText, std::string_view entry);

// The caption line the dial notifications set, by requester code.
std::string DialCaption(int requester, std::string_view entry, int attempt, int redialCount);
// The progress window's own caption and first action line when it opens.
std::string ProgressCaption(int requester, std::string_view entry);
std::string ProgressFirstAction(int requester, int attempt, int redialCount);

// "Wed Jan 02 02:03:05 1980": English day and month names whatever the
// locale, two-digit day of month; always 24 characters.
std::string LogTimeStamp(const std::tm& local);

}  // namespace tellmar::dialer
