#include "admin/config/schedule_codec.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "common/profile.h"

namespace tellmar::admin {
namespace {

// Whether atoi would find digits: blanks, an optional sign, then a digit.
bool HasLeadingNumber(std::string_view text) {
  std::size_t at = text.find_first_not_of(" \t");
  if (at == std::string_view::npos) return false;
  if (text[at] == '+' || text[at] == '-') ++at;
  return at < text.size() && text[at] >= '0' && text[at] <= '9';
}

}  // namespace

std::string TimedItem(int hour, int minutes) {
  char head[8];
  std::snprintf(head, sizeof head, "%02d.", hour);
  if (minutes == 0) return std::string(head) + "00";
  // Eight significant digits of minutes/60, as "%.7e" rounds them.
  char sci[32];
  std::snprintf(sci, sizeof sci, "%.7e", minutes / 60.0);
  std::string digits;
  const char* e = sci;
  for (; *e != '\0' && *e != 'e'; ++e)
    if (*e != '.') digits += *e;
  const int exponent = *e == 'e' ? std::atoi(e + 1) : -1;
  const int zeros = exponent < -1 ? -exponent - 1 : 0;
  return std::string(head) + std::string(static_cast<std::size_t>(zeros), '0') + digits;
}

std::optional<std::string> TimedItemFromField(std::string_view field) {
  if (field.empty()) return std::nullopt;
  std::size_t split = field.find(':');
  if (split == std::string_view::npos) split = field.find('.');
  const std::string_view hourText = field.substr(0, split);
  if (!HasLeadingNumber(hourText)) return std::nullopt;
  const int hour = ParseProfileInt(hourText);
  if (hour < 0 || hour > 23) return std::nullopt;
  int minutes = split == std::string_view::npos ? 0 : ParseProfileInt(field.substr(split + 1));
  if (minutes < 0) minutes = 0;
  if (minutes > 59) minutes = 59;
  return TimedItem(hour, minutes);
}

std::string EncodeTimedPeriods(const std::vector<std::string>& fields) {
  std::set<std::string> items;  // the fixed-width hour makes text order time order
  for (const std::string& field : fields)
    if (auto item = TimedItemFromField(field)) items.insert(*item);
  std::string stored;
  for (const std::string& item : items) stored += item + ",";
  return stored;
}

std::vector<std::string> DecodeTimedPeriods(std::string_view stored) {
  std::vector<std::string> shown;
  while (!stored.empty() && static_cast<int>(shown.size()) < kTimedFields) {
    const std::size_t comma = stored.find(',');
    const std::string_view item = stored.substr(0, comma);
    stored = comma == std::string_view::npos ? std::string_view() : stored.substr(comma + 1);
    if (item.empty()) continue;
    const std::size_t point = item.find('.');
    if (point == std::string_view::npos) {
      shown.push_back(std::string(item) + ":00");
      continue;
    }
    const std::string fraction = "0." + std::string(item.substr(point + 1));
    const long minutes = std::lround(std::strtod(fraction.c_str(), nullptr) * 60.0);
    char mm[16];
    std::snprintf(mm, sizeof mm, "%02ld", minutes);
    shown.push_back(std::string(item.substr(0, point)) + ":" + mm);
  }
  return shown;
}

std::string EncodeAutoDays(const DayFlags& days) {
  std::string stored;
  for (bool on : days) stored += on ? "1," : "0,";
  return stored;
}

DayFlags DecodeAutoDays(std::string_view stored) {
  DayFlags days{};
  for (std::size_t day = 0; day < days.size() && !stored.empty(); ++day) {
    const std::size_t comma = stored.find(',');
    days[day] = stored.substr(0, comma) == "1";
    stored = comma == std::string_view::npos ? std::string_view() : stored.substr(comma + 1);
  }
  return days;
}

std::optional<WindowRefusal> CheckPeriodicWindow(int start, int end) {
  if (start <= 0 || end <= 0) return std::nullopt;
  if (end <= start)
    return WindowRefusal{WindowField::Start,
                         "The start time is later or equal to the end time for periodic collections...\r\n"
                         "Please set the start time to be less than the ending time."};
  if (end > 23)
    return WindowRefusal{WindowField::End,
                         "You cannot enter a stop time for periodic collections > 23\r\n"
                         "Please set the end time to a value less than 24."};
  if (start > 23 || start < 1)
    return WindowRefusal{WindowField::Start,
                         "You have entered an invalid time for lower periodic collection limiter\r\n"
                         "Please set the start time to a value less than the end time."};
  return std::nullopt;
}

}  // namespace tellmar::admin
