// libFuzzer target for the envelope reader. Invariants checked:
//  - no address holds a CR or LF;
//  - what FormatEnvelope writes from the addresses read reads back as the
//    same sender and recipients (bracketed as written).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/mail_store.h"
#include "tests/fuzz/fuzz_check.h"

using namespace tellmar;

namespace {

bool NoLineBreak(const std::string& s) { return s.find_first_of("\r\n") == std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const Envelope envelope = ParseEnvelope(text);
  if (envelope.from) Check(NoLineBreak(*envelope.from), "sender on one line");
  for (const std::string& r : envelope.recipients) Check(NoLineBreak(r), "recipient on one line");

  // Addresses that can be written: no NUL, and not blank-led (the writer
  // puts one blank after the tag, and the reader keeps what follows it).
  auto writable = [](const std::string& a) {
    return IsSafeEnvelopeAddress(a) && !a.empty() && a.front() != ' ' && a.front() != '\t';
  };
  if (!envelope.from || !writable(*envelope.from)) return 0;
  for (const std::string& r : envelope.recipients) {
    if (!writable(r)) return 0;
  }
  const Envelope again = ParseEnvelope(FormatEnvelope(*envelope.from, envelope.recipients));
  Check(again.from.has_value(), "sender read back");
  Check(*again.from == " " + BracketAddress(*envelope.from), "sender read back unchanged");
  Check(again.recipients.size() == envelope.recipients.size(), "every recipient read back");
  for (std::size_t i = 0; i < again.recipients.size(); ++i) {
    Check(again.recipients[i] == " " + BracketAddress(envelope.recipients[i]), "recipient read back unchanged");
  }
  return 0;
}
