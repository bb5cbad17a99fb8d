#include "common/mail_store.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <limits>
#include <unordered_set>

#include "common/file_bytes.h"
#include "common/ini_document.h"
#include "common/path_case.h"

namespace tellmar {
namespace {

constexpr std::array<StoreFolder, 6> kSystemFolders = {{
    {kMailInFolder, "Mail in", FolderKind::System},
    {kPendingFolder, "Pending", FolderKind::System},
    {kOutgoingFolder, "Outgoing", FolderKind::System},
    {kRootFolder, "Root user", FolderKind::System},
    {kArchiveInboundFolder, "Inbound Mail", FolderKind::Archive},
    {kArchiveOutboundFolder, "Outbound Mail", FolderKind::Archive},
}};

constexpr std::size_t kNumberDigits = 8;

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The number of a name "XXXXXXXX.<anything>" (hex digits in any case), as
// a name made by MessageFileName would collide with it.
std::optional<std::uint32_t> MessageNumberOf(std::string_view name) {
  if (name.size() <= kNumberDigits || name[kNumberDigits] != '.') return std::nullopt;
  std::uint32_t number = 0;
  for (std::size_t i = 0; i < kNumberDigits; ++i) {
    const int digit = HexDigitValue(name[i]);
    if (digit < 0) return std::nullopt;
    number = (number << 4) | static_cast<std::uint32_t>(digit);
  }
  return number;
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace

std::span<const StoreFolder> SystemFolders() { return kSystemFolders; }

std::filesystem::path StoreFolderPath(const std::filesystem::path& serverDir,
                                      std::string_view relative) {
  return ResolvePathNoCase(serverDir, relative);
}

std::optional<std::filesystem::path> MailboxFolder(const std::filesystem::path& serverDir,
                                                   std::string_view mailboxId) {
  if (!IsPlainFileName(mailboxId)) return std::nullopt;
  return ResolveNoCase(serverDir, mailboxId);
}

std::uint32_t MillisecondTick() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
  return static_cast<std::uint32_t>(ms);  // wraps like the 32-bit tick count
}

std::string MessageFileName(std::uint32_t number, std::string_view extension) {
  char digits[kNumberDigits + 1];
  std::snprintf(digits, sizeof digits, "%08lx", static_cast<unsigned long>(number));
  std::string name(digits);
  name += '.';
  name += extension;
  return name;
}

ChosenName ChooseMessageName(const std::filesystem::path& folder, std::string_view extension,
                             std::uint32_t start) {
  std::unordered_set<std::uint32_t> taken;
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec);
  if (ec) return {{}, ec};
  for (const std::filesystem::directory_iterator end; it != end; it.increment(ec)) {
    if (auto number = MessageNumberOf(it->path().filename().native())) taken.insert(*number);
  }
  if (ec) return {{}, ec};
  // The folder cannot hold every one of the 2^32 numbers, so this ends.
  std::uint32_t number = start;
  while (taken.count(number) != 0) ++number;
  return {MessageFileName(number, extension), {}};
}

std::string CompanionByCut(std::string_view messageName, std::string_view extension) {
  const std::size_t keep = messageName.size() >= 3 ? messageName.size() - 3 : 0;
  std::string name(messageName.substr(0, keep));
  name += extension;
  return name;
}

std::optional<std::string> CompanionByReplace(std::string_view messageName,
                                              std::string_view dotExtension) {
  constexpr std::string_view kTxt = ".TXT";
  if (!EndsWithNoCase(messageName, kTxt)) return std::nullopt;
  std::string name(messageName.substr(0, messageName.size() - kTxt.size()));
  name += dotExtension;
  return name;
}

std::filesystem::path CompanionPath(const std::filesystem::path& folder,
                                    std::string_view messageName, std::string_view extension) {
  return ResolveNoCase(folder, CompanionByCut(messageName, extension));
}

bool IsMessageFileName(std::string_view name) { return EndsWithNoCase(name, ".txt"); }

Envelope ParseEnvelope(std::string_view text) {
  constexpr std::string_view kFromTag = "MAIL FROM:";
  constexpr std::string_view kToTag = "RCPT TO:";
  Envelope envelope;
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    const std::string_view line = text.substr(0, lf);
    text = lf == std::string_view::npos ? std::string_view() : text.substr(lf + 1);

    std::string upper(line);
    for (char& c : upper) c = AsciiUpper(c);
    // The address is the rest of the line after the tag, cut at the first CR.
    auto rest = [&](std::size_t at, std::size_t tagLength) {
      std::string_view address = line.substr(at + tagLength);
      return std::string(address.substr(0, address.find('\r')));
    };
    if (const std::size_t at = upper.find(kFromTag); at != std::string::npos) {
      envelope.from = rest(at, kFromTag.size());
    } else if (const std::size_t at2 = upper.find(kToTag); at2 != std::string::npos) {
      envelope.recipients.push_back(rest(at2, kToTag.size()));
    }
  }
  return envelope;
}

bool IsSafeEnvelopeAddress(std::string_view address) {
  return address.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string BracketAddress(std::string_view address) {
  if (address.size() >= 2 && address.front() == '<' && address.back() == '>') {
    return std::string(address);
  }
  std::string bracketed = "<";
  bracketed += address;
  bracketed += '>';
  return bracketed;
}

std::string FormatEnvelope(std::string_view from, const std::vector<std::string>& recipients) {
  std::string text = "MAIL FROM: " + BracketAddress(from) + "\r\n";
  for (const auto& to : recipients) text += "RCPT TO: " + BracketAddress(to) + "\r\n";
  return text;
}

std::optional<Envelope> ReadEnvelopeFile(const std::filesystem::path& file) {
  std::error_code error;
  const auto text = ReadFileBytes(file, error);
  if (!text) return std::nullopt;
  return ParseEnvelope(*text);
}

}  // namespace tellmar
