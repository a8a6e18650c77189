// An open-addressing hash index over texts stored elsewhere, ignoring ASCII
// letter case: it maps a text to the first entry indexed under an equal
// text, so a lookup answers exactly as a first-match linear search would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "engine/source_text.h"

namespace qv3 {

// Hash that ignores ASCII letter case (names equal but for case hash equal).
std::uint64_t CaseInsensitiveHash(std::string_view text) noexcept;

class TextIndex {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // The hash Find and Insert take, for a text looked up and then inserted.
  static std::uint32_t HashOf(std::string_view text) {
    return static_cast<std::uint32_t>(CaseInsensitiveHash(text));
  }

  // The entry indexed for text, or kNone. textOf(entry) gives an entry's text.
  template <typename TextOf>
  std::size_t Find(std::string_view text, const TextOf& textOf) const {
    return Find(text, HashOf(text), textOf);
  }
  template <typename TextOf>
  std::size_t Find(std::string_view text, std::uint32_t hash, const TextOf& textOf) const {
    if (slots_.empty()) return kNone;
    for (std::size_t at = hash & mask_;; at = (at + 1) & mask_) {
      const Slot& slot = slots_[at];
      if (slot.EntryPlusOne == 0) return kNone;
      if (slot.Hash == hash && EqualsIgnoringCase(textOf(slot.EntryPlusOne - 1), text))
        return slot.EntryPlusOne - 1;
    }
  }

  // Indexes entry under text unless an equal text is indexed already.
  // Returns the entry indexed for the text afterwards.
  template <typename TextOf>
  std::size_t Insert(std::string_view text, std::size_t entry, const TextOf& textOf) {
    return Insert(text, HashOf(text), entry, textOf);
  }
  template <typename TextOf>
  std::size_t Insert(std::string_view text, std::uint32_t hash, std::size_t entry, const TextOf& textOf) {
    if (Crowded(used_ + 1, slots_.size())) Grow();
    if (entry >= kMaxEntries) throw std::length_error("too many entries for a text index");
    for (std::size_t at = hash & mask_;; at = (at + 1) & mask_) {
      Slot& slot = slots_[at];
      if (slot.EntryPlusOne == 0) {
        slot = {hash, static_cast<std::uint32_t>(entry + 1)};
        ++used_;
        return entry;
      }
      if (slot.Hash == hash && EqualsIgnoringCase(textOf(slot.EntryPlusOne - 1), text))
        return slot.EntryPlusOne - 1;
    }
  }

  // Makes room for entries in all without growing again.
  void Reserve(std::size_t entries) {
    std::size_t size = slots_.empty() ? 64 : slots_.size();
    while (Crowded(entries, size)) size *= 2;
    if (size > slots_.size()) Rehash(size);
  }

  void Clear() {
    slots_.clear();
    used_ = 0;
    mask_ = 0;
  }

 private:
  // Eight bytes a slot keep the table small: 32 bits of the hash place the
  // slot and screen out most unequal texts before they are compared.
  struct Slot {
    std::uint32_t Hash = 0;
    std::uint32_t EntryPlusOne = 0;  // 0: empty
  };
  static constexpr std::size_t kMaxEntries = 0xFFFFFFFEu;
  // Up to two thirds full: probe runs stay short and the table small.
  static bool Crowded(std::size_t entries, std::size_t tableSize) { return entries * 3 > tableSize * 2; }

  void Grow() { Rehash(slots_.empty() ? 64 : slots_.size() * 2); }
  // Places the entries again, by their stored hashes, in a table of size
  // slots (a power of two).
  void Rehash(std::size_t size);

  std::vector<Slot> slots_;
  std::size_t used_ = 0;
  std::size_t mask_ = 0;
};

}  // namespace qv3
