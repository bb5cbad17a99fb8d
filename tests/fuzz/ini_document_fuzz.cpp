// libFuzzer target for the settings-file parser and editor. Every input is a
// settings file; a few edits chosen from the input's last bytes are applied.
// Invariants checked:
//  - an unedited document serializes to exactly its input bytes;
//  - every listed section and key can be looked up;
//  - after Set, Find returns the value; after DeleteSection the section is
//    gone; ReplaceSection leaves exactly the given keys;
//  - after the edits, parsing the serialized bytes again gives a document
//    that answers every look-up the same way and serializes identically.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "common/ini_document.h"
#include "tests/fuzz/fuzz_check.h"

using tellmar::IniDocument;

namespace {

// Choices taken from the input's last bytes, so that the mutator steers the
// edits as well as the text; past the start every choice is 0.
class Choices {
 public:
  Choices(const std::uint8_t* data, std::size_t size) : data_(data), left_(size) {}
  // A number from 0 to `most`.
  std::size_t UpTo(std::size_t most) {
    const std::size_t byte = left_ > 0 ? data_[--left_] : 0;
    return byte % (most + 1);
  }

 private:
  const std::uint8_t* data_;
  std::size_t left_;
};

// Names that a writer may use: what the settings calls accept (no line break,
// no ']' in a section, no '=' in a key, a key not starting with '[' or ';'),
// without blanks around them, since look-ups ignore those.
bool UsableName(const std::string& name, bool isKey) {
  if (name.empty() || name.front() == ' ' || name.front() == '\t' || name.back() == ' ' ||
      name.back() == '\t') {
    return false;
  }
  if (name.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return false;
  if (isKey) return name.find('=') == std::string::npos && name[0] != '[' && name[0] != ';';
  return name.find(']') == std::string::npos;
}

// Values that read back as written: no line break, no blanks around, not
// wrapped in quotes.
const char* const kValues[] = {"", "1", "plain", "a = b", "\xA9\xA3 8-bit", "x\"y'", "[not]"};

std::string Pick(Choices& choices, const std::vector<std::string>& names,
                 const char* fresh, bool isKey) {
  std::vector<std::string> usable;
  for (const auto& n : names) {
    if (UsableName(n, isKey)) usable.push_back(n);
  }
  const std::size_t i = choices.UpTo(usable.size());
  return i < usable.size() ? usable[i] : std::string(fresh);
}

// Every look-up answered the same by both documents.
void CheckSameAnswers(const IniDocument& a, const IniDocument& b) {
  const auto sections = a.SectionNames();
  Check(sections == b.SectionNames(), "section names survive a round trip");
  std::size_t lookups = 0;
  for (const auto& s : sections) {
    const auto keys = a.KeyNames(s);
    Check(keys == b.KeyNames(s), "key names survive a round trip");
    for (const auto& k : keys) {
      if (++lookups > 256) return;
      Check(a.Find(s, k) == b.Find(s, k), "values survive a round trip");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  IniDocument doc(input);
  Check(doc.Serialize() == input, "unedited document serializes to its input");

  const auto sections = doc.SectionNames();
  std::size_t lookups = 0;
  for (const auto& s : sections) {
    Check(doc.HasSection(s), "a listed section exists");
    for (const auto& k : doc.KeyNames(s)) {
      if (++lookups > 256) break;
      Check(doc.Find(s, k).has_value(), "a listed key has a value");
    }
  }

  Choices choices(data, size);
  const std::size_t edits = 1 + choices.UpTo(5);
  for (std::size_t e = 0; e < edits; ++e) {
    const auto names = doc.SectionNames();
    const std::string section = Pick(choices, names, "FreshSection", false);
    const std::string key = Pick(choices, doc.KeyNames(section), "FreshKey", true);
    const std::string value = kValues[choices.UpTo(std::size(kValues) - 1)];
    switch (choices.UpTo(3)) {
      case 0:
        doc.Set(section, key, value);
        Check(doc.Find(section, key) == value, "after Set, Find returns the value");
        break;
      case 1:
        doc.DeleteKey(section, key);
        break;
      case 2:
        doc.DeleteSection(section);
        Check(!doc.HasSection(section), "after DeleteSection the section is gone");
        break;
      default: {
        const bool two = !tellmar::EqualsNoCase(key, "Second");
        std::vector<std::pair<std::string, std::string>> keys{{key, value}};
        if (two) keys.emplace_back("Second", "2");
        doc.ReplaceSection(section, keys);
        Check(doc.Find(section, key) == value, "after ReplaceSection, Find returns the value");
        Check(!two || doc.Find(section, "second") == "2", "after ReplaceSection, every key is there");
        Check(doc.KeyNames(section).size() == keys.size(), "ReplaceSection leaves only its keys");
        break;
      }
    }
  }

  const std::string edited = doc.Serialize();
  const IniDocument reparsed(edited);
  Check(reparsed.Serialize() == edited, "edited document serializes stably");
  CheckSameAnswers(doc, reparsed);
  return 0;
}
