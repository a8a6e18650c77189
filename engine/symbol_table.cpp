#include "engine/symbol_table.h"

#include <cstring>

#include "engine/source_text.h"

namespace qv3 {


std::size_t CaseInsensitiveHash::operator()(std::string_view text) const noexcept {
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
  return static_cast<std::size_t>(hash);
}

bool CaseInsensitiveEqual::operator()(std::string_view a, std::string_view b) const noexcept {
  return EqualsIgnoringCase(a, b);
}

std::optional<std::size_t> SymbolTable::Find(std::string_view name) const {
  const auto found = index_.find(name);
  if (found == index_.end()) return std::nullopt;
  return found->second;
}

std::size_t SymbolTable::Add(std::string name, std::uint16_t value) {
  const std::size_t index = SymbolNames.size();
  SymbolNames.push_back(std::move(name));
  index_.try_emplace(SymbolNames.back(), index);
  SymbolValues.push_back(value);
  SymbolUses.push_back(0);
  return index;
}

std::string SymbolTable::ValueText(std::size_t i) const { return "$" + HexText(SymbolValues[i]); }

}  // namespace qv3
