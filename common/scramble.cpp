#include "common/scramble.h"

#include <array>

namespace tellmar {
namespace {

constexpr char kFirst = '!';  // the alphabet is '!' .. '~'
constexpr int kAlphabetSize = 94;
constexpr std::string_view kScrambleKey = "Wx5&Tq9@";

bool InAlphabet(unsigned char c) { return c >= 0x21 && c <= 0x7e; }

// The key alphabet: the key word's distinct characters, then the rest of the
// alphabet in order. position[c - '!'] is c's place in it.
struct KeyAlphabet {
  std::array<char, kAlphabetSize> chars{};
  std::array<int, kAlphabetSize> position{};

  explicit KeyAlphabet(std::string_view keyWord) {
    position.fill(-1);
    int n = 0;
    auto add = [&](unsigned char c) {
      if (!InAlphabet(c) || position[c - kFirst] >= 0) return;
      position[c - kFirst] = n;
      chars[static_cast<std::size_t>(n++)] = static_cast<char>(c);
    };
    for (unsigned char c : keyWord) add(c);
    for (int c = 0x21; c <= 0x7e; ++c) add(static_cast<unsigned char>(c));
  }
};

// Row r is the alphabet rotated left by the position of the scramble key's
// r-th character.
int RowShift(std::size_t i) { return kScrambleKey[i % 8] - kFirst; }

}  // namespace

std::string Scramble(std::string_view keyWord, std::string_view text) {
  KeyAlphabet key(keyWord);
  std::string out(text);
  for (std::size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (!InAlphabet(c)) continue;
    int q = key.position[c - kFirst];
    out[i] = static_cast<char>(kFirst + (RowShift(i) + q) % kAlphabetSize);
  }
  return out;
}

std::string Unscramble(std::string_view keyWord, std::string_view stored) {
  KeyAlphabet key(keyWord);
  std::string out(stored);
  for (std::size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (!InAlphabet(c)) continue;
    int q = ((c - kFirst) - RowShift(i) + kAlphabetSize) % kAlphabetSize;
    out[i] = key.chars[static_cast<std::size_t>(q)];
  }
  return out;
}

std::string MailboxKeyWord(std::string_view mailboxId) {
  std::string out(mailboxId);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace tellmar
