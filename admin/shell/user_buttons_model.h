// The eight user buttons of the main server: their stored form in tmhub.ini
// ([UserButtons] Button1..Button8 = program, byte 0xA9, caption) and the
// lines the "Configure User Buttons" list shows for them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tellmar::admin {

inline constexpr int kUserButtonCount = 8;
inline constexpr char kUserButtonSeparator = '\xA9';
inline constexpr std::string_view kNotConfigured = "Not Configured...";

struct UserButton {
  std::string program;
  std::string caption;
};

// A stored value: nullopt when it is empty or has no separator.
std::optional<UserButton> ParseUserButtonValue(std::string_view value);
// The value OK stores: empty without a program; the program's file name
// (after its last backslash) stands in for an empty caption.
std::string UserButtonValue(const std::optional<UserButton>& button);

// " %d - \t%s\t%s" for a configured button, " %d - \tNot Configured..."
// for another one.
std::string UserButtonListLine(int number, const std::optional<UserButton>& button);
// The button a list line shows: nullopt when the line contains
// "Not Configured...", else program between the first two tabs and caption
// after the last tab.
std::optional<UserButton> ParseUserButtonListLine(std::string_view line);

// Why a button cannot be stored so that it reads back as it was given, and
// which field to correct; nullopt when it can. The stored form splits at
// the first byte 0xA9, which UTF-8 also uses inside letters such as "e"
// with an acute accent, and a stored value is read back with a 256-byte
// buffer.
enum class UserButtonField { kProgram, kCaption };
struct UserButtonRefusal {
  UserButtonField field;
  std::string text;
};
inline constexpr std::size_t kUserButtonValueMax = 255;
inline constexpr std::string_view kUserButtonRefusalCaption = "Configure User Buttons";
std::optional<UserButtonRefusal> CheckUserButtonProgram(std::string_view program);
std::optional<UserButtonRefusal> CheckUserButton(const UserButton& button);

// Reads the eight list lines from the settings file.
std::vector<std::string> LoadUserButtonLines(const std::filesystem::path& settingsFile);
// Writes the eight values that the list lines stand for, as one batch.
std::error_code SaveUserButtonLines(const std::filesystem::path& settingsFile,
                                    const std::vector<std::string>& lines);

// Where Browse starts: the program path cut before its last backslash (or
// slash); the installation directory for a line that is not configured or a
// path without a separator.
std::string UserButtonBrowseDirectory(const std::optional<UserButton>& button,
                                      std::string_view installationDir);

}  // namespace tellmar::admin
