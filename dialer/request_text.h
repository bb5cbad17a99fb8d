// The request text a client leaves in its parameter window: a mode character
// ("0" connect, "1" hang up), then comma-separated fields: the phonebook
// entry name, the password, and two more that are accepted and not used.
//
//   "0"              connect the selected entry
//   "0,Office"       connect Office with its saved password
//   "0,Office,pw"    connect Office with that password
//   "0 ,Office"      a blank after the mode skips to the next comma
//   "0Office"        a letter after the mode starts the entry name
//   "1"              hang up
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tellmar::dialer {

inline constexpr std::size_t kMaxRequestText = 127;

enum class RequestStatus {
  kOk,
  kEmpty,    // no request at all: clears request mode
  kTooLong,  // more than kMaxRequestText characters
  kBadMode,  // the first character is neither "0" nor "1"
};

struct Request {
  RequestStatus status = RequestStatus::kEmpty;
  char mode = 0;
  // The number of the last field read, not counting a last field that is
  // empty; 1 when only the mode was given.
  int fieldCount = 0;
  std::string entry;     // field 2
  std::string password;  // field 3
  std::string field4, field5;

  bool ok() const { return status == RequestStatus::kOk; }
  bool connect() const { return ok() && mode == '0'; }
  bool hangUp() const { return ok() && mode == '1'; }
};

Request ParseRequestText(std::string_view text);

// A line for the log that says why a request was refused.
std::string DescribeRefusal(const Request& request);

}  // namespace tellmar::dialer
