// The bytes of one INI file, parsed for look-up and edited in place.
//
// The document keeps the file as lines, each with its own line end (or none
// for a last line without one), so that writing it back reproduces every
// byte that no edit touched: comments, blank lines, odd spacing, CR LF or LF,
// 8-bit bytes, NULs. Lines are views into the bytes read from disk (or into
// strings an edit made), so parsing 32000 user records allocates little.
//
// Lines before the first section belong to no section and are never found.
// A line whose first non-blank byte is '[' starts a section; ';' starts a
// comment; any other non-blank line inside a section is a key line (a line
// without '=' is a key with an empty value).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/ascii.h"

namespace tellmar {

class IniDocument {
 public:
  IniDocument();
  explicit IniDocument(std::string bytes);
  IniDocument(const IniDocument&) = delete;
  IniDocument& operator=(const IniDocument&) = delete;
  IniDocument(IniDocument&&) noexcept = default;
  IniDocument& operator=(IniDocument&&) noexcept = default;

  // The value of a key in the first section of that name, trimmed and
  // unquoted; nullopt when the section or the key is missing.
  std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;
  std::vector<std::string> SectionNames() const;
  std::vector<std::string> KeyNames(std::string_view section) const;

  // Edits keep every line they do not change. Set replaces the first key of
  // that name in the first section of that name, or adds the key after the
  // section's last key line, or adds the section at the end of the file.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // Adds an empty section at the end of the file unless one of that name exists.
  void AddSection(std::string_view section);
  // Removes every line of that key from the first section of that name.
  void DeleteKey(std::string_view section, std::string_view key);
  // Removes every section of that name.
  void DeleteSection(std::string_view section);
  // Gives the first section of that name a new name (its header line only).
  void RenameSection(std::string_view from, std::string_view to);
  // Replaces the key lines of the first section of that name with the given
  // keys, in order, keeping its comments; adds the section if missing.
  void ReplaceSection(std::string_view section,
                      const std::vector<std::pair<std::string, std::string>>& keys);

  std::string Serialize() const;

 private:
  enum class Kind : std::uint8_t { Blank, Comment, Key, Header, Other };
  struct Line {
    std::string_view text;  // without its line end
    std::uint8_t endLength = 0;  // 0, 1 ("\n") or 2 ("\r\n")
    Kind kind = Kind::Other;
    std::uint32_t nameOffset = 0, nameLength = 0;    // key or section name
    std::uint32_t valueOffset = 0, valueLength = 0;  // raw value, trimmed

    std::string_view name() const { return text.substr(nameOffset, nameLength); }
    std::string_view rawValue() const { return text.substr(valueOffset, valueLength); }
  };
  struct Section {
    Line header;
    std::vector<Line> body;
    bool deleted = false;
  };

  static Line ParseLine(std::string_view text, std::uint8_t endLength);
  Line MakeLine(std::string text);
  Section* FirstSection(std::string_view name);
  const Section* FirstSection(std::string_view name) const;
  Section& AppendSection(std::string_view name);
  void IndexSection(std::size_t index);
  void UnindexSection(std::size_t index);
  std::uint8_t NewLineEnd() const;
  Section* LastLiveSection();
  static std::size_t AfterLastKey(const Section& s);

  std::unique_ptr<std::string> bytes_;  // stable address: lines view into it
  std::deque<std::string> madeText_;    // texts of lines that edits made
  std::vector<Line> preamble_;          // lines before the first section
  std::vector<Section> sections_;
  // lower-cased name -> indexes of the live sections of that name, in order
  std::unordered_map<std::string, std::vector<std::size_t>> byName_;
  std::uint8_t lineEnd_ = 2;  // the file's own line end, for new lines
};

// Without leading and trailing blanks (space, tab, CR, LF, VT, FF).
std::string_view TrimBlanks(std::string_view text);

}  // namespace tellmar
