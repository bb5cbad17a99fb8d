// The files of the address lists and what the "Address/Mailing lists" pages
// do to them: names checked, files created, loaded for the editor within
// its 32,000-byte limit, saved, copied and renamed with the address aliases
// that name a renamed list carried along.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tellmar::admin {

inline constexpr std::size_t kListEditorMax = 32000;
inline constexpr std::size_t kListNameMax = 8;
inline constexpr std::string_view kListTooLarge = "\r\n\r\nLIST is TOO LARGE for EDITOR, only 32Kb shown....\r\n\r\n";

// The lists of a directory, in capitals and without ".LST", in name order.
std::vector<std::string> ListNames(const std::filesystem::path& dir);

// The refusal of the name dialog (a period or a space), nullopt for a good name.
std::optional<std::string> CheckListName(std::string_view name);

// Why a list cannot be created (a file of that name exists in any case, or
// it cannot be made), with the caption "File create error"; nullopt when
// the empty file was made.
std::optional<std::string> CreateListFile(const std::filesystem::path& dir, std::string_view name);

struct ListText {
  std::string text;
  bool tooLarge = false;  // cut at the editor's limit: shown read-only
};
std::optional<ListText> LoadListText(const std::filesystem::path& dir, std::string_view name);
bool SaveListText(const std::filesystem::path& dir, std::string_view name, std::string_view text);

// Copy fails when the target exists; both answer false on failure.
bool CopyList(const std::filesystem::path& dir, std::string_view from, std::string_view to);
bool RenameList(const std::filesystem::path& dir, std::string_view from, std::string_view to);
bool DeleteList(const std::filesystem::path& dir, std::string_view name);

// Address aliases ([ADDRESS-ALIAS] ALIAS%d = source " -> " target " , "
// scope "," state) whose target is `from` (any case) get `to` in capitals;
// every other byte of every entry stays.
bool CarryListRename(const std::filesystem::path& settingsFile, std::string_view from, std::string_view to);

}  // namespace tellmar::admin
