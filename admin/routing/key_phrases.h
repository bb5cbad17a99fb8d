// RiziDori: up to 14 key phrases ([Parser] kp0..kp13, scrambled with the
// key word "tovrel82") that the support module looks for in a message when
// the main server asks (message 1925).
//
// Phrases and message text are split into words at 28 delimiter bytes; a
// phrase matches where its words follow one another in the message, letter
// case ignored. Each word of the message starts a new attempt, so "free
// free money" holds "free money". The message is read as a stream of words,
// so a word is never split by how the file is read, and a word longer than
// any phrase word is kept only as far as needed to know it cannot match.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tellmar::admin {

inline constexpr std::string_view kPhraseKeyWord = "tovrel82";
inline constexpr int kPhraseCount = 14;
inline constexpr std::size_t kPhraseWordMax = 255;  // longer words are refused at entry
inline constexpr std::size_t kPhraseRead = 1023;    // what the scanner reads of a stored phrase

bool IsPhraseDelimiter(char c);
std::vector<std::string> SplitPhraseWords(std::string_view text);

// Why a phrase cannot be stored (a word too long to be kept, a line break,
// longer than the scanner reads); nullopt when it can.
std::optional<std::string> CheckPhrase(std::string_view phrase);

using PhraseTable = std::vector<std::vector<std::string>>;

// The first phrase found in the file, as its words read joined by single
// spaces; nullopt when none is found or the file cannot be read as a file.
std::optional<std::string> ScanForPhrases(const std::filesystem::path& file, const PhraseTable& phrases);

// The phrases of the settings file, unscrambled, in key order up to the
// first empty key.
PhraseTable ReadPhraseTable(const std::filesystem::path& settingsFile);

// The support module's table: nullopt (and the table freed) when RiziDori
// is disabled; reloaded when [Parser] dirty is set, which it then clears.
const PhraseTable* CurrentPhraseTable(const std::filesystem::path& settingsFile);

// Stores kp<number>; false when refused (number outside 0 to 13, or a
// phrase CheckPhrase refuses) or the file cannot be written.
bool StorePhrase(const std::filesystem::path& settingsFile, int number, std::string_view phrase);

}  // namespace tellmar::admin
