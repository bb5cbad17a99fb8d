#include "admin/mailview/message_view.h"

#include <cstdio>
#include <fstream>

namespace tellmar::admin::mailview {

std::string ShownPart(std::string_view bytes, bool headers) {
  if (headers) return std::string(bytes);
  std::size_t body = bytes.find("\r\n\r\n");
  if (body != std::string_view::npos) return std::string(bytes.substr(body + 4));
  // A message stored with LF line ends has its empty line as LF LF.
  body = bytes.find("\n\n");
  if (body != std::string_view::npos) return std::string(bytes.substr(body + 2));
  return {};
}

std::optional<ShownText> ReadShownText(const std::filesystem::path& message, bool headers) {
  std::ifstream in(message, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes(kShownBytes + 1, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) return std::nullopt;
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  ShownText shown;
  shown.cut = bytes.size() > kShownBytes;
  if (shown.cut) bytes.resize(kShownBytes);
  shown.text = ShownPart(bytes, headers);
  return shown;
}

std::string SizeLine(std::uint64_t size, bool textShown, int lineCount, bool cut, std::time_t created) {
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char prefix[96];
  const long bytes = static_cast<long>(size);
  if (!textShown)
    std::snprintf(prefix, sizeof prefix, "%ld bytes : ", bytes);
  else if (cut)
    std::snprintf(prefix, sizeof prefix, "%ld bytes, %d+ lines : ", bytes, lineCount);
  else
    std::snprintf(prefix, sizeof prefix, "%ld bytes, %d lines : ", bytes, lineCount);
  std::tm local{};
  localtime_r(&created, &local);
  char date[48];
  std::snprintf(date, sizeof date, "%d %s %d", local.tm_mday, kMonths[local.tm_mon % 12], local.tm_year + 1900);
  return std::string(prefix) + date;
}

}  // namespace tellmar::admin::mailview
