// FOOTER.TXT in the server directory: the footnote the main server appends
// to outgoing mail. Found in any letter case; written whole or not at all
// (a temporary file beside it, flushed, then renamed over it), so a full
// disk never leaves half a footnote.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace tellmar::admin {

inline constexpr std::string_view kFooterFileName = "FOOTER.TXT";

// The footnote; nullopt when there is no file. A file that exists but cannot
// be read sets `error`.
std::optional<std::string> ReadFooter(const std::filesystem::path& serverDir, std::error_code& error);

// Where saving failed: the file could not be made, or not written.
struct FooterSaveError {
  enum class Stage { Create, Write } stage;
  int code;  // the system's error number
};
std::optional<FooterSaveError> WriteFooter(const std::filesystem::path& serverDir, std::string_view text);

}  // namespace tellmar::admin
