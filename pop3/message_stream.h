// One message going out (RETR or TOP): the file's bytes as they go on the
// wire. Lines ending in LF alone go out ending in CR LF, a line that starts
// with "." gets a second one in front, TOP stops after the header, its
// separator and the given number of body lines, and CR LF "." CR LF ends the
// transfer. With the ending of RFC 1939 a message whose last line ends in a
// line break is followed by "." CR LF alone, so that the octets before the
// terminator are the message's own.
//
// Lines are real lines of the file whatever their length: a line is never cut
// into pieces that would each be treated as a line.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "common/maildrop.h"

namespace tellmar::pop3 {

// Bytes read from the file at a time.
inline constexpr std::size_t kMessageReadBlock = 64 * 1024;

class MessageStream {
 public:
  enum class Status { More, Done, Error };

  // lineLimit: -1 for the whole message, n >= 0 for the header and n body lines.
  MessageStream(MessageFile file, long long lineLimit, bool rfcEnding = false);

  // Takes over a whole-message transfer whose bytes up to the file's current
  // position went out as stored: `atLineStart` when the last of them was an
  // LF (or none went out), `afterCR` when it was a CR.
  static MessageStream Resume(MessageFile file, bool atLineStart, bool afterCR, bool rfcEnding = false);

  // Appends the next wire bytes to `out`, stopping once about `budget` bytes
  // have been added (More), after the terminator (Done), or when the file
  // cannot be read (Error). The file is closed at Done and Error.
  Status Fill(std::string& out, std::size_t budget);

  // True between lines: nothing of a started line is still to come.
  bool atLineStart() const { return lineStart_; }

 private:
  Status Finish(std::string& out);
  bool Refill();

  MessageFile file_;
  long long limit_;
  bool rfcEnding_;
  bool inBody_ = false;
  long long bodyLines_ = 0;
  bool lineStart_ = true;
  bool lastWasCR_ = false;   // the last byte of the current line was CR
  std::size_t lineLength_ = 0;
  std::unique_ptr<char[]> buffer_;
  std::size_t pos_ = 0, end_ = 0;
  bool readError_ = false;
};

// The ending after the last byte of a message: with RFC 1939's ending a
// message whose last line ended is followed by "." CR LF alone.
void AppendMessageEnding(std::string& out, bool rfcEnding, bool atLineStart);

// The offset of the first of `data`'s `size` bytes that does not go on the
// wire as it is (an LF without a CR before it, a "." starting a line), or
// `size` when there is none. `before` is the byte before data[0]; '\n' at
// the start of the file.
std::size_t FirstChangedByte(const char* data, std::size_t size, char before);

}  // namespace tellmar::pop3
