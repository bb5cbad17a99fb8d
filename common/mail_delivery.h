// Delivery of a message into a folder of the mail store, safe against readers
// that scan the folder while it happens.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tellmar {

// Message text with every LF that is not preceded by CR turned into CR LF, and
// a CR LF added after a last line that has none. Other bytes are kept.
std::string ToCrLf(std::string_view text);

// What a delivery needs: the message text (any line ends) and, optionally,
// its envelope. Addresses must not hold a CR, LF or NUL.
struct Delivery {
  std::string text;
  std::optional<std::string> from;  // no envelope when neither from nor recipients
  std::vector<std::string> recipients;
};

struct DeliveryResult {
  std::string name;  // the message file's name in the folder
  std::error_code error;
};

// Delivers into an existing folder under a fresh "%08lx.txt" name (counting up
// from the tick), envelope first, then the message, each written under a
// temporary name that no "*.txt" scan matches, flushed to disk and then
// renamed without replacing anything; so a reader never sees a half-written
// message or a message without its envelope. An empty message is refused
// (invalid_argument): the store never offers one.
DeliveryResult DeliverMessage(const std::filesystem::path& folder, const Delivery& delivery);

// The same, counting up from `start` instead of the tick.
DeliveryResult DeliverMessage(const std::filesystem::path& folder, const Delivery& delivery,
                              std::uint32_t start);

}  // namespace tellmar
