// What the mail administration window shows of one message: its text (cut
// at 32,000 bytes, with or without the header lines), the envelope summary
// and the size and date line.
#pragma once

#include <ctime>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tellmar::admin::mailview {

inline constexpr std::size_t kShownBytes = 32000;

struct ShownText {
  std::string text;
  bool cut = false;  // the file is longer than what was read
};

// The text box's content from the first bytes of a message: all of it, or
// with `headers` off only what follows the first empty line (CR LF CR LF,
// or LF LF in a file with LF line ends); nothing when there is none.
std::string ShownPart(std::string_view bytes, bool headers);

// Reads at most kShownBytes of the file; nullopt when it cannot be read.
std::optional<ShownText> ReadShownText(const std::filesystem::path& message, bool headers);

// The size and date line: "%ld bytes : " when the text is not shown,
// "%ld bytes, %d lines : " when it is, "%ld bytes, %d+ lines : " when only
// part of it is; then day, month abbreviation and four-digit year.
std::string SizeLine(std::uint64_t size, bool textShown, int lineCount, bool cut, std::time_t created);

}  // namespace tellmar::admin::mailview
