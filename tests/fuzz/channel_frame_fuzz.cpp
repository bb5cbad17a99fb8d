// libFuzzer target for the frame decoder of the cross-process channel. The
// input is a byte stream as a peer might send it. Invariants checked:
//  - a frame length over the limit is an error, never a length;
//  - a request or reply that decodes encodes back to the same payload;
//  - a decode that fails says why.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/wire.h"
#include "tests/fuzz/fuzz_check.h"

using namespace tellmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view stream(reinterpret_cast<const char*>(data), size);
  while (!stream.empty()) {
    std::string error;
    const auto length = wire::FrameLength(stream, error);
    if (!error.empty()) {
      Check(!length.has_value(), "an error gives no length");
      break;
    }
    if (!length) break;
    Check(*length <= wire::kMaxFrame, "length within the limit");
    if (stream.size() < wire::kLengthBytes + *length) break;
    const std::string_view payload = stream.substr(wire::kLengthBytes, *length);
    stream.remove_prefix(wire::kLengthBytes + *length);

    std::string requestError, replyError;
    if (auto request = wire::DecodeRequest(payload, requestError)) {
      const std::string again = wire::EncodeRequest(*request);
      Check(again.substr(wire::kLengthBytes) == payload, "request round trip");
      (void)wire::MarshalOf(request->msg);
    } else {
      Check(!requestError.empty(), "a refused request says why");
    }
    if (auto reply = wire::DecodeReply(payload, replyError)) {
      const std::string again = wire::EncodeReply(*reply);
      Check(again.substr(wire::kLengthBytes) == payload, "reply round trip");
    } else {
      Check(!replyError.empty(), "a refused reply says why");
    }
    // Records inside a byte string, as enumeration and automation use them.
    wire::Reader r(payload);
    std::uint8_t u8 = 0;
    std::uint32_t u32 = 0;
    std::int64_t i64 = 0;
    std::string bytes;
    while (r.U8(u8) && r.U32(u32) && r.I64(i64) && r.Bytes(bytes)) {
    }
  }
  return 0;
}
