// libFuzzer target for Dialwick's request text. Invariants checked:
//  - a text over kMaxRequestText characters is refused as too long, one not
//    starting with "0" or "1" as a bad mode, an empty one as empty;
//  - an accepted request's fields are pieces of the text (no invented
//    bytes) and hold no comma;
//  - every refusal has a log line.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "dialer/request_text.h"
#include "tests/fuzz/fuzz_check.h"

using namespace tellmar::dialer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const Request r = ParseRequestText(text);
  if (r.ok()) {
    Check(r.mode == '0' || r.mode == '1', "mode 0 or 1");
    Check(r.fieldCount >= 1 && r.fieldCount <= 5, "field count");
    for (const std::string* f : {&r.entry, &r.password, &r.field4, &r.field5}) {
      Check(f->find(',') == std::string::npos, "fields hold no comma");
      Check(f->empty() || text.find(*f) != std::string_view::npos, "fields come from the text");
    }
    return 0;
  }
  Check(!DescribeRefusal(r).empty() || r.status == RequestStatus::kEmpty, "a refusal has a log line");
  return 0;
}
