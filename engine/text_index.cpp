#include "engine/text_index.h"

#include <cstring>

#include "engine/source_text.h"

namespace qv3 {

std::uint64_t CaseInsensitiveHash(std::string_view text) noexcept {
  // Eight bytes at a time. Setting bit 5 of every byte makes the two cases
  // of a letter alike (and some other bytes too, which only costs a rare
  // collision), so names equal but for case hash equal.
  constexpr std::uint64_t kCaseBits = 0x2020202020202020ull;
  std::uint64_t hash = 0x9E3779B97F4A7C15ull ^ text.size();
  const char* at = text.data();
  std::size_t left = text.size();
  auto mix = [&hash](std::uint64_t word) {
    hash = (hash ^ (word | kCaseBits)) * 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 32;
  };
  for (; left >= 8; at += 8, left -= 8) {
    std::uint64_t word;
    std::memcpy(&word, at, 8);
    mix(word);
  }
  if (left > 0) {
    std::uint64_t word = 0;
    std::memcpy(&word, at, left);
    mix(word);
  }
  // A final avalanche, so that every input bit reaches the low bits that
  // place a slot.
  hash ^= hash >> 33;
  hash *= 0xC4CEB9FE1A85EC53ull;
  hash ^= hash >> 33;
  return hash;
}

void TextIndex::Rehash(std::size_t size) {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(size, Slot{});
  mask_ = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.EntryPlusOne == 0) continue;
    std::size_t at = slot.Hash & mask_;
    while (slots_[at].EntryPlusOne != 0) at = (at + 1) & mask_;
    slots_[at] = slot;
  }
}

}  // namespace qv3
