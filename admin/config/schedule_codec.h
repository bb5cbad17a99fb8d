// The stored forms of connection scheduling, kept apart from the dialog so
// that each can be checked byte for byte.
//
// TimedPeriods: up to twelve items, each followed by a comma, ascending and
// without duplicates. An item is the hour with two digits, a point, and the
// minutes as a fraction of an hour written as 8 significant digits without
// the point ("0" in front below 0.1, "00" below 0.01); a whole hour is
// written ".00". 9:30 -> "09.50000000,", 13:15 -> "13.25000000,", 8 -> "08.00,".
//
// AutoDays: seven tokens "1," or "0," from Sunday to Saturday.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tellmar::admin {

inline constexpr int kTimedFields = 12;

// One timed item for hour 0..23 and minutes 0..59.
std::string TimedItem(int hour, int minutes);

// A time field as typed ("9:30", "09.30", "8"), as its stored item; nullopt
// when the field is empty or its hour is not 0 to 23. The hour is split off
// at the first ':' or, failing that, the first '.'; minutes are limited to
// 0..59. An hour without digits (text typed by mistake) is skipped as well,
// so that no stray word turns into a connection at midnight.
std::optional<std::string> TimedItemFromField(std::string_view field);

// The TimedPeriods value of the twelve fields: the items sorted, each once.
std::string EncodeTimedPeriods(const std::vector<std::string>& fields);

// The stored value as the dialog shows it, "hh:mm" per item (at most twelve).
std::vector<std::string> DecodeTimedPeriods(std::string_view stored);

// Sunday = 0 .. Saturday = 6.
using DayFlags = std::array<bool, 7>;
std::string EncodeAutoDays(const DayFlags& days);
// Only tokens equal to "1" tick their day; missing tokens leave days unticked.
DayFlags DecodeAutoDays(std::string_view stored);

// The periodic window's refusal, when there is one: which field to select
// and the text. Both hours are checked only when both read above 0.
enum class WindowField { Start, End };
struct WindowRefusal {
  WindowField field;
  std::string text;
};
inline constexpr std::string_view kWindowRefusalCaption = "Time Limitation Error";
std::optional<WindowRefusal> CheckPeriodicWindow(int start, int end);

}  // namespace tellmar::admin
