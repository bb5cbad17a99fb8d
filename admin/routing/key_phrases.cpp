#include "admin/routing/key_phrases.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>

#include "common/ascii.h"
#include "common/profile.h"
#include "common/scramble.h"
#include "common/unique_fd.h"

namespace tellmar::admin {
namespace {

constexpr std::string_view kDelimiters = " \t\r\n.,-;:\\\"'&()!\xA3$%^*=+{}[]|";
constexpr std::size_t kReadChunk = 64 * 1024;
constexpr int kLoadedKeys = 15;  // kp0 to kp14

const std::array<bool, 256> kIsDelimiter = [] {
  std::array<bool, 256> table{};
  for (char c : kDelimiters) table[static_cast<unsigned char>(c)] = true;
  return table;
}();

// Words of a file, read in chunks; a word crossing a chunk is joined.
class WordReader {
 public:
  WordReader(int fd, std::size_t keep) : fd_(fd), keep_(keep) {}

  bool Next(std::string& word) {
    word.clear();
    bool inWord = false;
    for (;;) {
      if (pos_ == len_ && !Fill()) return inWord;
      if (!inWord) {
        while (pos_ < len_ && kIsDelimiter[static_cast<unsigned char>(buffer_[pos_])]) ++pos_;
        if (pos_ == len_) continue;
        inWord = true;
      }
      const std::size_t start = pos_;
      while (pos_ < len_ && !kIsDelimiter[static_cast<unsigned char>(buffer_[pos_])]) ++pos_;
      // Beyond the longest phrase word one more byte is enough to know the
      // word cannot match.
      if (word.size() <= keep_)
        word.append(buffer_.data() + start, std::min(pos_ - start, keep_ + 1 - word.size()));
      if (pos_ < len_) return true;
    }
  }

 private:
  bool Fill() {
    ssize_t n;
    do n = ::read(fd_, buffer_.data(), buffer_.size());
    while (n < 0 && errno == EINTR);
    pos_ = 0;
    len_ = n > 0 ? static_cast<std::size_t>(n) : 0;
    return len_ > 0;
  }

  int fd_;
  std::size_t keep_;
  std::array<char, kReadChunk> buffer_{};
  std::size_t pos_ = 0, len_ = 0;
};

PhraseTable& Table() {
  static PhraseTable table;
  return table;
}
bool& TableLoaded() {
  static bool loaded = false;
  return loaded;
}

}  // namespace

bool IsPhraseDelimiter(char c) { return kIsDelimiter[static_cast<unsigned char>(c)]; }

std::vector<std::string> SplitPhraseWords(std::string_view text) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsPhraseDelimiter(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !IsPhraseDelimiter(text[i])) ++i;
    if (i > start) words.emplace_back(text.substr(start, i - start));
  }
  return words;
}

std::optional<std::string> CheckPhrase(std::string_view phrase) {
  if (phrase.size() > kPhraseRead)
    return "A phrase may have at most " + std::to_string(kPhraseRead) + " characters...";
  if (phrase.find_first_of("\r\n") != std::string_view::npos) return std::string("A phrase must be on one line...");
  for (const std::string& word : SplitPhraseWords(phrase))
    if (word.size() > kPhraseWordMax)
      return "A word of a phrase may have at most " + std::to_string(kPhraseWordMax) +
             " characters,\r\nplease shorten the phrase...";
  return std::nullopt;
}

std::optional<std::string> ScanForPhrases(const std::filesystem::path& file, const PhraseTable& phrases) {
  std::size_t longest = 0;
  for (const auto& phrase : phrases)
    for (const auto& word : phrase) longest = std::max(longest, word.size());
  if (longest == 0) return std::nullopt;

  UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat st {};
  if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;

  WordReader reader(fd.get(), longest);
  // The words read ahead of the current start, in a ring whose strings are
  // reused, so a long message costs no allocation per word.
  std::size_t depth = 1;
  for (const auto& phrase : phrases) depth = std::max(depth, phrase.size());
  std::vector<std::string> ring(depth);
  std::size_t head = 0, count = 0;
  bool ended = false;
  auto wordAt = [&](std::size_t i) -> const std::string* {
    while (count <= i && !ended) {
      if (reader.Next(ring[(head + count) % depth])) ++count;
      else ended = true;
    }
    return i < count ? &ring[(head + i) % depth] : nullptr;
  };

  while (wordAt(0) != nullptr) {
    for (const auto& phrase : phrases) {
      if (phrase.empty()) continue;
      std::size_t matched = 0;
      while (matched < phrase.size()) {
        const std::string* w = wordAt(matched);
        if (w == nullptr || !EqualsNoCase(*w, phrase[matched])) break;
        ++matched;
      }
      if (matched == phrase.size()) {
        std::string found;
        for (std::size_t i = 0; i < matched; ++i) found += (i ? " " : "") + *wordAt(i);
        return found;
      }
    }
    head = (head + 1) % depth;
    --count;
  }
  return std::nullopt;
}

PhraseTable ReadPhraseTable(const std::filesystem::path& settingsFile) {
  PhraseTable table;
  for (int n = 0; n < kLoadedKeys; ++n) {
    const std::string stored = GetProfileString(settingsFile, "parser", "kp" + std::to_string(n), "", kPhraseRead + 1);
    if (stored.empty()) break;
    table.push_back(SplitPhraseWords(Unscramble(kPhraseKeyWord, stored)));
  }
  return table;
}

const PhraseTable* CurrentPhraseTable(const std::filesystem::path& settingsFile) {
  if (GetProfileInt(settingsFile, "Parser", "enabled", 0) == 0) {
    Table().clear();
    TableLoaded() = false;
    return nullptr;
  }
  if (!TableLoaded() || GetProfileInt(settingsFile, "Parser", "dirty", 0) != 0) {
    Table() = ReadPhraseTable(settingsFile);
    TableLoaded() = true;
    (void)WriteProfileString(settingsFile, "Parser", "dirty", "0");
  }
  return &Table();
}

bool StorePhrase(const std::filesystem::path& settingsFile, int number, std::string_view phrase) {
  if (number < 0 || number >= kPhraseCount || CheckPhrase(phrase)) return false;
  return !WriteProfileString(settingsFile, "Parser", "kp" + std::to_string(number),
                             Scramble(kPhraseKeyWord, phrase));
}

}  // namespace tellmar::admin
