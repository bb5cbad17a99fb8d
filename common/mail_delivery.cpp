#include "common/mail_delivery.h"

#include "common/file_bytes.h"
#include "common/mail_store.h"

namespace tellmar {
namespace {

// Temporary names share the message's base name, so that ChooseMessageName
// counts the number as taken while a delivery is under way, and do not end in
// ".txt", so that no reader takes them for messages.
constexpr std::string_view kPartSuffix = ".part";

// Tries before giving up on a folder where every chosen name keeps being
// taken by someone else between choice and rename.
constexpr int kMaxAttempts = 100;

std::uint32_t NumberOf(const std::string& name) {
  return static_cast<std::uint32_t>(std::stoul(name.substr(0, 8), nullptr, 16));
}

struct Attempt {
  bool nameTaken = false;  // someone else got there first: try the next number
  std::error_code error;
};

void RemoveQuietly(const std::filesystem::path& file) {
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
}

std::filesystem::path InFolder(const std::filesystem::path& folder, const std::string& base,
                               std::string_view extension, std::string_view suffix = {}) {
  return folder / (base + std::string(extension) + std::string(suffix));
}

// One try at base name `base` ("0000abcd."): envelope, then message, each
// written aside and renamed into place. Leaves nothing behind when it fails.
Attempt TryDeliver(const std::filesystem::path& folder, const std::string& base,
                   const std::string& message, const std::optional<std::string>& envelope) {
  const auto messagePath = InFolder(folder, base, kMessageExtension);
  const auto messagePart = InFolder(folder, base, kMessageExtension, kPartSuffix);
  const auto envelopePath = InFolder(folder, base, kEnvelopeExtension);
  const auto envelopePart = InFolder(folder, base, kEnvelopeExtension, kPartSuffix);
  auto failed = [](std::error_code ec) { return Attempt{ec == std::errc::file_exists, ec}; };

  // The message's temporary file is created first and exclusively: it claims
  // the number against other deliveries.
  if (std::error_code ec = WriteNewFileDurably(messagePart, message)) return failed(ec);
  if (envelope) {
    std::error_code ec = WriteNewFileDurably(envelopePart, *envelope);
    if (!ec) {
      ec = RenameNoReplace(envelopePart, envelopePath);
      if (ec) RemoveQuietly(envelopePart);
    }
    if (ec) {
      RemoveQuietly(messagePart);
      return failed(ec);
    }
  }
  if (std::error_code ec = RenameNoReplace(messagePart, messagePath)) {
    if (envelope) RemoveQuietly(envelopePath);
    RemoveQuietly(messagePart);
    return failed(ec);
  }
  // The message is in place and its bytes on disk; a failure to flush the
  // folder's entries is not worth a second copy of the message.
  (void)SyncDirectory(folder);
  return {};
}

}  // namespace

std::string ToCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32 + 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  if (!out.empty() && out.back() != '\n') out += "\r\n";
  return out;
}

DeliveryResult DeliverMessage(const std::filesystem::path& folder, const Delivery& delivery) {
  return DeliverMessage(folder, delivery, MillisecondTick());
}

DeliveryResult DeliverMessage(const std::filesystem::path& folder, const Delivery& delivery,
                              std::uint32_t start) {
  const auto invalid = std::make_error_code(std::errc::invalid_argument);
  if (delivery.text.empty()) return {{}, invalid};
  if (delivery.from && !IsSafeEnvelopeAddress(*delivery.from)) return {{}, invalid};
  for (const auto& to : delivery.recipients) {
    if (!IsSafeEnvelopeAddress(to)) return {{}, invalid};
  }
  std::optional<std::string> envelope;
  if (delivery.from || !delivery.recipients.empty()) {
    envelope = FormatEnvelope(delivery.from.value_or(""), delivery.recipients);
  }
  const std::string message = ToCrLf(delivery.text);

  std::uint32_t number = start;
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    ChosenName chosen = ChooseMessageName(folder, kMessageExtension, number);
    if (chosen.error) return {{}, chosen.error};
    const std::string base = chosen.name.substr(0, chosen.name.size() - kMessageExtension.size());
    const Attempt result = TryDeliver(folder, base, message, envelope);
    if (!result.nameTaken) {
      if (result.error) return {{}, result.error};
      return {chosen.name, {}};
    }
    number = NumberOf(chosen.name) + 1;
  }
  return {{}, std::make_error_code(std::errc::file_exists)};
}

}  // namespace tellmar
