// Private-profile access to the INI files every program shares (tmhub.ini and
// the others), with the semantics the programs were written against:
//
//  - section and key names match without regard to case; blanks around names
//    and values are ignored; a value in matching double or single quotes reads
//    without them; the first of duplicate sections (and of duplicate keys in
//    a section) wins; lines starting with ';' are comments;
//  - a missing file, section or key reads as the caller's default;
//  - a read can be cut to a buffer size, counted as the Windows calls count it
//    (the size includes the terminator, so at most size-1 bytes come back);
//  - integer reads convert like atoi: blanks, optional sign, digits up to the
//    first non-digit, no digits give 0; an empty value gives the default.
//
// Writes keep every other byte of the file (comments, blank lines, order,
// CR LF or LF line ends, 8-bit bytes). A write is atomic (temporary file in
// the same directory, then rename) and holds an advisory lock for its
// read-modify-write, so several programs can write at once and none loses a
// key. A batch lands many edits as one replacement.
//
// Reads see the latest contents at every call, but an unchanged file (same
// identity, size and modification time) is never parsed twice.
//
// The file name is looked up without regard to case when the exact name does
// not exist (an existing TMHUB.INI serves tmhub.ini).
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tellmar {

class IniDocument;

// No cut: read the whole value.
inline constexpr std::size_t kWholeValue = static_cast<std::size_t>(-1);

std::string GetProfileString(const std::filesystem::path& file, std::string_view section,
                             std::string_view key, std::string_view defaultValue,
                             std::size_t bufferSize = kWholeValue);

int GetProfileInt(const std::filesystem::path& file, std::string_view section,
                  std::string_view key, int defaultValue);

// The conversion of GetProfileInt: blanks, optional sign, digits up to the
// first non-digit; no digits give 0; beyond int's range it saturates.
int ParseProfileInt(std::string_view text);

// Section names / key names of one section, in file order, each once.
std::vector<std::string> GetProfileSectionNames(const std::filesystem::path& file);
std::vector<std::string> GetProfileKeyNames(const std::filesystem::path& file,
                                            std::string_view section);

// Writes one value; value nullopt deletes the key. Returns an error (and
// leaves the file as it was) when the file cannot be replaced, or when a name
// or value would break the file's line structure (a CR or LF in it, a key
// holding '=' or starting with '[' or ';', a section name holding ']').
std::error_code WriteProfileString(const std::filesystem::path& file, std::string_view section,
                                   std::string_view key, std::optional<std::string_view> value);

// Deletes every section of that name with all its keys.
std::error_code DeleteProfileSection(const std::filesystem::path& file, std::string_view section);

// Many edits, applied in order to one fresh read of the file under one lock,
// written as one replacement by Commit(). Nothing touches the file before.
class ProfileBatch {
 public:
  explicit ProfileBatch(std::filesystem::path file);
  void Write(std::string_view section, std::string_view key, std::string_view value);
  void DeleteKey(std::string_view section, std::string_view key);
  // Adds the section, empty, unless it exists.
  void AddSection(std::string_view section);
  void DeleteSection(std::string_view section);
  // Renames the first section of that name (its header line only).
  void RenameSection(std::string_view from, std::string_view to);
  // Replaces a whole section's keys with the given ones (in order), keeping
  // the section's place in the file; adds the section at the end if missing.
  void ReplaceSection(std::string_view section,
                      std::vector<std::pair<std::string, std::string>> keys);
  bool empty() const { return edits_.empty(); }
  std::error_code Commit();

 private:
  struct Edit {
    enum class Kind { Write, DeleteKey, AddSection, DeleteSection, RenameSection, ReplaceSection } kind;
    std::string section, key, value;
    std::vector<std::pair<std::string, std::string>> keys;
  };
  std::error_code Validate() const;

  std::filesystem::path file_;
  std::vector<Edit> edits_;
};

// The current parsed contents of a file, shared and immutable; the same
// object comes back for as long as the file is unchanged, so callers may key
// derived indexes on its address. Never null (a missing file is empty).
std::shared_ptr<const IniDocument> LoadProfile(const std::filesystem::path& file);

}  // namespace tellmar
