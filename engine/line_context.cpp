#include "engine/line_context.h"

#include "engine/source_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>


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
  const std::size_t size = text.size();
  if (capacity_ < size + 8) {
    capacity_ = std::max({size + 8, capacity_ * 2, std::size_t{256}});
    buffer_ = std::make_unique_for_overwrite<char[]>(capacity_);
  }
  char* const out = buffer_.get();
  if (size > 0) std::memcpy(out, text.data(), size);
  std::memset(out + size, 0, 8);  // zeros: no letter, TAB or tilde

  bool tilde = false;
  for (std::size_t at = 0; at < size; at += 8) {
    std::uint64_t word;
    std::memcpy(&word, out + at, 8);
    tilde |= NormaliseWord(word);
    std::memcpy(out + at, &word, 8);
  }
  if (tilde) {
    // A tilde stretch keeps its letters: done again the plain way.
    std::memcpy(out, text.data(), size);
    UpperCaseOutsideTildesInPlace(std::span<char>(out, size));
    std::replace(out, out + size, '\t', ' ');
  }
  RestOfLine = std::string_view(out, size);
  FirstWord = TakeWordOf(RestOfLine);
}

}  // namespace qv3
