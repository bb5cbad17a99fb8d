#include "admin/shell/user_buttons_model.h"

#include <cstdio>

#include "common/profile.h"

namespace tellmar::admin {
namespace {

constexpr std::string_view kSection = "UserButtons";
constexpr std::size_t kValueBuffer = 256;

std::string ButtonKey(int number) { return "Button" + std::to_string(number); }

}  // namespace

std::optional<UserButton> ParseUserButtonValue(std::string_view value) {
  std::size_t at = value.find(kUserButtonSeparator);
  if (value.empty() || at == std::string_view::npos) return std::nullopt;
  return UserButton{std::string(value.substr(0, at)), std::string(value.substr(at + 1))};
}

std::string UserButtonValue(const std::optional<UserButton>& button) {
  if (!button || button->program.empty()) return {};
  std::string caption = button->caption;
  if (caption.empty()) {
    // The file name: after the last separator of either kind.
    std::size_t slash = button->program.find_last_of("\\/");
    caption = slash == std::string::npos ? button->program : button->program.substr(slash + 1);
  }
  return button->program + kUserButtonSeparator + caption;
}

std::optional<UserButtonRefusal> CheckUserButtonProgram(std::string_view program) {
  if (program.find(kUserButtonSeparator) == std::string_view::npos) return std::nullopt;
  return UserButtonRefusal{UserButtonField::kProgram,
                           "The program's path contains a character (such as an accented letter or the "
                           "copyright sign) that a stored button uses to separate program and caption. "
                           "Please choose a program whose path does not contain it..."};
}

std::optional<UserButtonRefusal> CheckUserButton(const UserButton& button) {
  if (auto refusal = CheckUserButtonProgram(button.program)) return refusal;
  if (button.caption.find(kUserButtonSeparator) != std::string::npos) {
    return UserButtonRefusal{UserButtonField::kCaption,
                             "The caption contains a character (such as an accented letter or the copyright "
                             "sign) that a stored button uses to separate program and caption. "
                             "Please enter another caption..."};
  }
  if (UserButtonValue(button).size() > kUserButtonValueMax) {
    return UserButtonRefusal{UserButtonField::kCaption,
                             "The program's path and the caption are too long to be stored together (at most " +
                                 std::to_string(kUserButtonValueMax) +
                                 " characters). Please shorten the caption or the path..."};
  }
  return std::nullopt;
}

std::string UserButtonListLine(int number, const std::optional<UserButton>& button) {
  std::string line = " " + std::to_string(number) + " - \t";
  if (!button) return line + std::string(kNotConfigured);
  return line + button->program + "\t" + button->caption;
}

std::optional<UserButton> ParseUserButtonListLine(std::string_view line) {
  if (line.find(kNotConfigured) != std::string_view::npos) return std::nullopt;
  std::size_t first = line.find('\t');
  std::size_t second = first == std::string_view::npos ? first : line.find('\t', first + 1);
  std::size_t last = line.rfind('\t');
  UserButton button;
  if (first != std::string_view::npos) {
    button.program = std::string(line.substr(first + 1, second == std::string_view::npos ? std::string_view::npos
                                                                                           : second - first - 1));
  }
  if (last != std::string_view::npos) button.caption = std::string(line.substr(last + 1));
  return button;
}

std::vector<std::string> LoadUserButtonLines(const std::filesystem::path& settingsFile) {
  std::vector<std::string> lines;
  for (int n = 1; n <= kUserButtonCount; ++n) {
    std::string value = GetProfileString(settingsFile, kSection, ButtonKey(n), kNotConfigured, kValueBuffer);
    lines.push_back(UserButtonListLine(n, ParseUserButtonValue(value)));
  }
  return lines;
}

std::error_code SaveUserButtonLines(const std::filesystem::path& settingsFile,
                                    const std::vector<std::string>& lines) {
  ProfileBatch batch(settingsFile);
  for (int n = 1; n <= kUserButtonCount; ++n) {
    std::optional<UserButton> button;
    if (static_cast<std::size_t>(n) <= lines.size()) button = ParseUserButtonListLine(lines[n - 1]);
    batch.Write(kSection, ButtonKey(n), UserButtonValue(button));
  }
  return batch.Commit();
}

std::string UserButtonBrowseDirectory(const std::optional<UserButton>& button,
                                      std::string_view installationDir) {
  if (!button) return std::string(installationDir);
  std::size_t at = button->program.find_last_of("\\/");
  if (at == std::string::npos) return std::string(installationDir);
  return button->program.substr(0, at);
}

}  // namespace tellmar::admin
