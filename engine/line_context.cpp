#include "engine/line_context.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/source_text.h"

namespace qv3 {

namespace {
constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// The high bit of each byte of word that equals c, else 0.
std::uint64_t BytesEqual(std::uint64_t word, char c) {
  const std::uint64_t x = word ^ (kOnes * static_cast<unsigned char>(c));
  return ~(((x & ~kHighBits) + ~kHighBits) | x) & kHighBits;
}

// Eight bytes at a time: a..z made upper case, TABs made blanks. Returns
// whether a "~" is among them. Bytes of 128 and up are left as they are.
bool NormaliseWord(std::uint64_t& word) {
  const std::uint64_t low7 = word & ~kHighBits;
  const std::uint64_t atLeastA = (low7 + kOnes * (0x80 - 'a')) & kHighBits;
  const std::uint64_t aboveZ = (low7 + kOnes * (0x80 - 'z' - 1)) & kHighBits;
  const std::uint64_t lower = atLeastA & ~aboveZ & ~word;
  word -= lower >> 2;                                    // 0x80 >> 2 == 'a' - 'A'
  word += (BytesEqual(word, '\t') >> 7) * (' ' - '\t');  // no byte carries over
  return BytesEqual(word, '~') != 0;
}
}  // namespace

void LineContext::Load(std::string_view text) {
  Buffer.assign(text);
  char* at = Buffer.data();
  std::size_t left = Buffer.size();
  bool tilde = false;
  for (; left >= 8; at += 8, left -= 8) {
    std::uint64_t word;
    std::memcpy(&word, at, 8);
    tilde |= NormaliseWord(word);
    std::memcpy(at, &word, 8);
  }
  if (left > 0) {
    std::uint64_t word = 0;  // zero bytes stay zero and are not copied back
    std::memcpy(&word, at, left);
    tilde |= NormaliseWord(word);
    std::memcpy(at, &word, left);
  }
  if (tilde) {
    // A tilde stretch keeps its letters: done again the slow way.
    Buffer.assign(text);
    UpperCaseOutsideTildesInPlace(Buffer);
    std::replace(Buffer.begin(), Buffer.end(), '\t', ' ');
  }
  RestOfLine = Buffer;
  FirstWord = TakeWordOf(RestOfLine);
}

}  // namespace qv3
