#include "platform/ras/phonebook.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <optional>

#include "common/ini_document.h"
#include "common/profile.h"

namespace tellmar::ras {
namespace {

constexpr int kMaxStepMs = 60'000;
constexpr int kMaxDropAfterSeconds = 30 * 86'400;
constexpr std::size_t kMaxEntryName = 256;

// Whole-text decimal integer; nullopt for anything else (blanks were trimmed
// by the reader).
std::optional<int> ParseWholeInt(std::string_view text) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

// Reads an optional number key into *out; returns false (with a problem
// noted) when present but unusable.
bool ReadNumber(const IniDocument& doc, PhonebookEntry& entry, std::string_view key, int lowest,
                int highest, int* out) {
  auto text = doc.Find(entry.name, key);
  if (!text || text->empty()) return true;
  auto value = ParseWholeInt(*text);
  if (!value || *value < lowest || *value > highest) {
    entry.problem = std::string(key) + " has the unusable value \"" + std::string(*text) + "\"";
    return false;
  }
  *out = *value;
  return true;
}

bool IsFailState(int s) {
  // Failing on "connected" itself makes no sense; every earlier state may,
  // and "disconnected" reports the failure where "connected" would come.
  if (s == state::kDisconnected) return true;
  return s != state::kConnected &&
         std::find(std::begin(kDialSequence), std::end(kDialSequence), s) != std::end(kDialSequence);
}

PhonebookEntry ReadEntry(const IniDocument& doc, const std::string& name) {
  PhonebookEntry entry;
  entry.name = name;
  auto text = [&](std::string_view key) { return std::string(doc.Find(name, key).value_or("")); };
  entry.saved.entryName = name;
  entry.saved.phoneNumber = text("Number");
  entry.saved.callbackNumber = text("Callback");
  entry.saved.userName = text("User");
  entry.saved.password = text("Password");
  entry.saved.domain = text("Domain");

  if (name.size() > kMaxEntryName) {
    entry.problem = "the entry name is longer than 256 characters";
    return entry;
  }
  std::string keeps = text("PasswordSaved");
  if (keeps == "0") {
    entry.keepsPassword = false;
  } else if (!keeps.empty() && keeps != "1") {
    entry.problem = "PasswordSaved has the unusable value \"" + keeps + "\"";
    return entry;
  }
  if (!ReadNumber(doc, entry, "Result", 0, 744, &entry.result)) return entry;
  if (entry.result != 0 && entry.result < 601) {
    entry.problem = "Result " + std::to_string(entry.result) + " is not 0 or a code from 601 to 744";
    return entry;
  }
  if (!ReadNumber(doc, entry, "FailState", 0, state::kDisconnected, &entry.failState)) return entry;
  if (!IsFailState(entry.failState)) {
    entry.problem = "FailState " + std::to_string(entry.failState) + " is not a state the dial passes";
    return entry;
  }
  if (!ReadNumber(doc, entry, "StepMs", 0, kMaxStepMs, &entry.stepMs)) return entry;
  ReadNumber(doc, entry, "DropAfter", 0, kMaxDropAfterSeconds, &entry.dropAfterSeconds);
  return entry;
}

std::filesystem::path EnvPath(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? std::filesystem::path(value) : std::filesystem::path();
}

}  // namespace

const PhonebookEntry* Phonebook::Find(std::string_view name) const {
  // The service matches entry names without regard to case.
  for (const auto& e : entries)
    if (EqualsNoCase(e.name, name)) return &e;
  return nullptr;
}

std::filesystem::path DefaultPhonebookPath() {
  if (auto p = EnvPath("TELLMAR_PHONEBOOK"); !p.empty()) return p;
  // A relative XDG_CONFIG_HOME is to be ignored, as the convention says.
  if (auto p = EnvPath("XDG_CONFIG_HOME"); p.is_absolute()) return p / "tellmar" / "phonebook.ini";
  return EnvPath("HOME") / ".config" / "tellmar" / "phonebook.ini";
}

Phonebook LoadPhonebook(const std::filesystem::path& file) {
  Phonebook book;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    book.error = error::kCannotOpenPhonebook;
    return book;
  }
  auto doc = LoadProfile(file);
  for (const auto& name : doc->SectionNames()) book.entries.push_back(ReadEntry(*doc, name));
  return book;
}

std::string EntryNameProblem(std::string_view name) {
  if (name.empty()) return "An entry needs a name.";
  if (name.size() > kMaxEntryName) return "An entry name has at most 256 characters.";
  if (name.front() == ' ' || name.back() == ' ') return "An entry name cannot begin or end with a blank.";
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || c == '[' || c == ']' || c == '\\')
      return "An entry name cannot hold brackets, backslashes or control characters.";
  }
  return {};
}

std::error_code WritePhonebookEntry(const std::filesystem::path& file, const PhonebookEntry& entry) {
  if (!EntryNameProblem(entry.name).empty()) return std::make_error_code(std::errc::invalid_argument);
  ProfileBatch batch(file);
  batch.AddSection(entry.name);
  batch.Write(entry.name, "Number", entry.saved.phoneNumber);
  batch.Write(entry.name, "Callback", entry.saved.callbackNumber);
  batch.Write(entry.name, "User", entry.saved.userName);
  batch.Write(entry.name, "Password", entry.saved.password);
  batch.Write(entry.name, "Domain", entry.saved.domain);
  batch.Write(entry.name, "PasswordSaved", entry.keepsPassword ? "1" : "0");
  return batch.Commit();
}

}  // namespace tellmar::ras
