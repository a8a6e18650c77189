// The symbols of one module: names, values and use counts in order of
// definition, with a case-insensitive index for lookups.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/text_arena.h"
#include "engine/text_index.h"

namespace qv3 {

class SymbolTable {
 public:
  SymbolTable() = default;
  SymbolTable(const SymbolTable&) = delete;
  SymbolTable& operator=(const SymbolTable&) = delete;

  // Index of the first symbol whose name equals name ignoring letter case.
  std::optional<std::size_t> Find(std::string_view name) const;
  // Appends a symbol with use count 0; returns its index.
  std::size_t Add(std::string_view name, std::uint16_t value);
  std::size_t Size() const { return names_.size(); }
  // Room for up to count symbols without moving the lists; room not used
  // is never touched.
  void Reserve(std::size_t count) {
    names_.reserve(count);
    values_.reserve(count);
    uses_.reserve(count);
  }

  std::string_view Name(std::size_t i) const { return names_[i]; }
  std::uint16_t Value(std::size_t i) const { return values_[i]; }
  // The value as the object file and the operand evaluator see it: "$" and
  // 2 hex digits below 256, else 4.
  std::string ValueText(std::size_t i) const;
  void SetValue(std::size_t i, std::uint16_t value) { values_[i] = value; }
  std::uint32_t Uses(std::size_t i) const { return uses_[i]; }
  void CountUse(std::size_t i) { ++uses_[i]; }

 private:
  std::vector<std::string_view> names_;  // copies kept in nameTexts_
  std::vector<std::uint16_t> values_;    // the low 16 bits the value text shows
  std::vector<std::uint32_t> uses_;
  TextArena nameTexts_;
  // The first index for each name; later equal names never enter it.
  TextIndex index_;
};

}  // namespace qv3
