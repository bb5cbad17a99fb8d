#include "pop3/message_stream.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace tellmar::pop3 {

MessageStream::MessageStream(MessageFile file, long long lineLimit, bool rfcEnding)
    : file_(std::move(file)), limit_(lineLimit), rfcEnding_(rfcEnding) {}

MessageStream MessageStream::Resume(MessageFile file, bool atLineStart, bool afterCR, bool rfcEnding) {
  MessageStream stream(std::move(file), -1, rfcEnding);
  stream.inBody_ = true;
  stream.lineStart_ = atLineStart;
  stream.lastWasCR_ = !atLineStart && afterCR;
  stream.lineLength_ = atLineStart ? 0 : 1;
  return stream;
}

void AppendMessageEnding(std::string& out, bool rfcEnding, bool atLineStart) {
  out.append(rfcEnding && atLineStart ? ".\r\n" : "\r\n.\r\n");
}

std::size_t FirstChangedByte(const char* data, std::size_t size, char before) {
  if (size == 0) return 0;
  if (before == '\n' && data[0] == '.') return 0;
  std::size_t pos = 0;
  while (pos < size) {
    const void* found = std::memchr(data + pos, '\n', size - pos);
    if (found == nullptr) return size;
    const std::size_t lf = static_cast<std::size_t>(static_cast<const char*>(found) - data);
    if ((lf == 0 ? before : data[lf - 1]) != '\r') return lf;
    if (lf + 1 < size && data[lf + 1] == '.') return lf + 1;
    pos = lf + 1;
  }
  return size;
}

bool MessageStream::Refill() {
  if (!buffer_) buffer_ = std::make_unique<char[]>(kMessageReadBlock);
  while (true) {
    const ssize_t n = ::read(file_.fd(), buffer_.get(), kMessageReadBlock);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) readError_ = true;
    pos_ = 0;
    end_ = n > 0 ? static_cast<std::size_t>(n) : 0;
    return n > 0;
  }
}

MessageStream::Status MessageStream::Finish(std::string& out) {
  file_.Close();
  buffer_.reset();
  AppendMessageEnding(out, rfcEnding_, lineStart_);
  return Status::Done;
}

MessageStream::Status MessageStream::Fill(std::string& out, std::size_t budget) {
  if (!file_.is_open()) return Status::Error;
  const std::size_t start = out.size();
  while (out.size() - start < budget) {
    if (pos_ == end_ && !Refill()) {
      if (readError_) {
        file_.Close();
        buffer_.reset();
        return Status::Error;
      }
      return Finish(out);
    }
    const char* data = buffer_.get();
    while (pos_ < end_ && out.size() - start < budget) {
      if (lineStart_) {
        if (inBody_) {
          ++bodyLines_;
          if (limit_ >= 0 && bodyLines_ > limit_) return Finish(out);
        }
        if (data[pos_] == '.') out.push_back('.');
        lineStart_ = false;
        lastWasCR_ = false;
        lineLength_ = 0;
      }
      const void* found = std::memchr(data + pos_, '\n', end_ - pos_);
      const std::size_t stop = found != nullptr
                                   ? static_cast<std::size_t>(static_cast<const char*>(found) - data)
                                   : end_;
      if (stop > pos_) {
        out.append(data + pos_, stop - pos_);
        lastWasCR_ = data[stop - 1] == '\r';
        lineLength_ += stop - pos_;
      }
      pos_ = stop;
      if (found == nullptr) break;
      if (!lastWasCR_) out.push_back('\r');
      out.push_back('\n');
      ++pos_;
      // The header ends at the first line that is empty but for its line end.
      if (!inBody_ && (lineLength_ == 0 || (lineLength_ == 1 && lastWasCR_))) inBody_ = true;
      lineStart_ = true;
    }
  }
  return Status::More;
}

}  // namespace tellmar::pop3
