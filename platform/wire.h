// The frames of the cross-process channel, declared in one place.
//
// A frame is a 32-bit little-endian length followed by that many bytes. A
// request carries its kind, a window handle, a message number, wParam,
// lParam and a byte string (a text, a copy-data block, an automation
// argument); a reply carries ok/failed, a value and a byte string (a text,
// or the reason of a failure). Everything is by value: no address of one
// program means anything in another.
//
// The decoder checks every field and answers an error for a truncated or
// oversized frame or an unknown kind; it never trusts a length it was sent.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messages.h"

namespace tellmar::wire {

inline constexpr std::size_t kMaxFrame = 1u << 20;  // 1 MiB of payload
inline constexpr std::size_t kLengthBytes = 4;

enum class Kind : std::uint8_t {
  Send = 1,         // plain numbers
  Post = 2,         // plain numbers, queued
  SendText = 3,     // a message whose lParam is a text to read (WM_SETTEXT, LB_ADDSTRING...)
  SendGetText = 4,  // a message whose lParam is a buffer to fill (WM_GETTEXT, LB_GETTEXT...)
  CopyData = 5,     // WM_COPYDATA: lParam carries dwData, the bytes the block
  Enumerate = 6,    // the program's name and top-level windows
  Ping = 7,         // are you still serving?
  Automate = 8,     // an automation action (automation.h); msg is the action
  Reply = 100,
};

struct Request {
  Kind kind = Kind::Send;
  HWND hwnd = 0;
  UINT msg = 0;
  std::int64_t wParam = 0;
  std::int64_t lParam = 0;
  std::string bytes;
};

struct Reply {
  bool ok = false;
  std::int64_t value = 0;
  std::string bytes;  // a text, or the reason when not ok
};

std::string EncodeRequest(const Request& request);
std::string EncodeReply(const Reply& reply);

// Both take one frame's payload (without the length).
std::optional<Request> DecodeRequest(std::string_view payload, std::string& error);
std::optional<Reply> DecodeReply(std::string_view payload, std::string& error);

// The length of the frame at the start of `buffer`: nullopt while the length
// itself is incomplete; an error when it is over the limit.
std::optional<std::size_t> FrameLength(std::string_view buffer, std::string& error);

// How a message's parameters cross between programs.
enum class Marshal { Plain, TextIn, TextOut, CopyData, Refused };
Marshal MarshalOf(UINT msg);

// Messages whose parameters are addresses in the sending program (a
// structure, a buffer, a dialog's init value): as a number from another
// program they would point anywhere, so they never cross (Refused).
const std::vector<UINT>& PointerMessages();

// Lists of records inside a byte string (enumeration, automation replies).
class Writer {
 public:
  void U8(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void U32(std::uint32_t v);
  void I64(std::int64_t v);
  void Bytes(std::string_view v);
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) {}
  bool U8(std::uint8_t& v);
  bool U32(std::uint32_t& v);
  bool I64(std::int64_t& v);
  bool Bytes(std::string& v);
  bool AtEnd() const { return pos_ == in_.size(); }

 private:
  std::string_view in_;
  std::size_t pos_ = 0;
};

}  // namespace tellmar::wire
