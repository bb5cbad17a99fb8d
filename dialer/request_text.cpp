#include "dialer/request_text.h"

namespace tellmar::dialer {
namespace {

constexpr int kLastField = 5;

// Where field 2 starts, or npos when the text holds only the mode.
std::size_t SecondFieldStart(std::string_view text) {
  if (text.size() < 2) return std::string_view::npos;
  if (text[1] == ',') return 2;
  if (text[1] == ' ') {
    std::size_t comma = text.find(',', 2);
    return comma == std::string_view::npos ? comma : comma + 1;
  }
  return 1;
}

}  // namespace

Request ParseRequestText(std::string_view text) {
  Request r;
  if (text.empty()) return r;
  if (text.size() > kMaxRequestText) {
    // Cutting would dial a different, shorter entry name; refuse instead.
    r.status = RequestStatus::kTooLong;
    return r;
  }
  r.mode = text[0];
  if (r.mode != '0' && r.mode != '1') {
    r.status = RequestStatus::kBadMode;
    return r;
  }
  r.status = RequestStatus::kOk;
  r.fieldCount = 1;

  std::string* fields[] = {&r.entry, &r.password, &r.field4, &r.field5};
  std::size_t pos = SecondFieldStart(text);
  int field = 2;
  bool lastEmpty = false;
  while (pos != std::string_view::npos && pos <= text.size() && field <= kLastField) {
    while (pos < text.size() && text[pos] == ' ') ++pos;
    std::size_t comma = text.find(',', pos);
    std::size_t end = comma == std::string_view::npos ? text.size() : comma;
    *fields[field - 2] = std::string(text.substr(pos, end - pos));
    lastEmpty = end == pos;
    r.fieldCount = field;
    if (comma == std::string_view::npos) break;
    pos = comma + 1;
    ++field;
  }
  if (lastEmpty) --r.fieldCount;
  return r;
}

std::string DescribeRefusal(const Request& request) {
  switch (request.status) {
    case RequestStatus::kTooLong:
      return "Request refused - longer than 127 characters";
    case RequestStatus::kBadMode:
    {
      const unsigned char c = static_cast<unsigned char>(request.mode);
      // A control byte would break the log line; name it by its code instead.
      if (c < 0x20 || c == 0x7F) return "Request refused - unknown mode " + std::to_string(c);
      return std::string("Request refused - unknown mode '") + request.mode + "'";
    }
    default:
      return {};
  }
}

}  // namespace tellmar::dialer
