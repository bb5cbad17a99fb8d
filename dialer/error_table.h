// The dialler's own explanation of the dial-up service's error codes, used
// when the service has no text for a code. Each row says what goes to the
// log, the progress window's status list and action line, the client's
// failure text window, which result word is sent, and what else is done.
#pragma once

#include <string_view>

namespace tellmar::dialer {

enum class ErrorExtra {
  kNone,
  kDisconnectAny,            // hang up before reporting on
  kDisconnectAnyThenFailed,  // and then the Connection Failed dialog
  kPostHangUpFirst,          // post Hang up before the reports
  kPasswordDialogFirst,      // the Password dialog before the reports
  kDisconnectAnyThenPassword,
  kProtocolNotConfigured,  // retry once with the domain "*"
};

struct ErrorRow {
  int first;
  int last;
  std::string_view log;       // empty: nothing logged
  std::string_view list;      // empty: nothing listed
  std::string_view failText;  // empty: nothing sent
  std::string_view action;    // progress action line, empty: untouched
  std::string_view action2;   // a second action line written after the first
  std::string_view word;      // result word, empty: none from the row
  ErrorExtra extra;
};

// The row for a code from 601 to 744; nullptr for other codes.
const ErrorRow* FindErrorRow(int code);

}  // namespace tellmar::dialer
