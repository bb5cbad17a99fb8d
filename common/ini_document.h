// The bytes of one INI file, parsed for look-up and edited in place.
//
// The document keeps the file as its lines (each with its own line end, or
// none for a last line without one), so that writing it back reproduces every
// byte that no edit touched. Look-ups go through an index built at parse time:
// section name (lower-cased) -> first section of that name; key name
// (lower-cased) -> first key line of that name in the section.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tellmar {

class IniDocument {
 public:
  IniDocument() = default;
  explicit IniDocument(std::string bytes);

  // The value of a key of the first section of that name, unquoted and
  // trimmed; nullopt when the section or key is missing.
  std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;
  std::vector<std::string> SectionNames() const;
  std::vector<std::string> KeyNames(std::string_view section) const;

  // Edits; each keeps every line it does not change. Set adds the key after
  // the section's last key line, or a new section at the end of the file.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  void DeleteKey(std::string_view section, std::string_view key);
  void DeleteSection(std::string_view section);
  void ReplaceSection(std::string_view section,
                      const std::vector<std::pair<std::string, std::string>>& keys);

  std::string Serialize() const;
  std::size_t size_bytes() const { return bytes_; }

 private:
  struct Line {
    std::string text;  // without its line end
    std::string end;   // "\r\n", "\n", "\r" or "" (last line without one)
  };
  struct Key {
    std::string name;   // as written, trimmed
    std::size_t line;   // index into lines_
  };
  struct Section {
    std::string name;    // as written, trimmed
    std::size_t header;  // index of the "[name]" line
    std::size_t end;     // one past its last line (next header or end of file)
    std::vector<Key> keys;
    std::unordered_map<std::string, std::size_t> firstKey;  // lower name -> keys index
  };

  void Reindex();
  const Section* FindSection(std::string_view section) const;
  std::string NewLineEnd() const;
  std::size_t InsertPointAfterLastKey(const Section& s) const;

  std::vector<Line> lines_;
  std::vector<Section> sections_;
  std::unordered_map<std::string, std::size_t> firstSection_;  // lower name -> sections_ index
  std::size_t bytes_ = 0;
};

// Lower-cases ASCII letters only; other bytes are kept.
std::string AsciiLower(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace tellmar
