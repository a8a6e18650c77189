// The symbols of one module: names, values and use counts in order of
// definition, with a case-insensitive index for lookups.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qv3 {

// Hash and equality that ignore ASCII letter case, usable with string_view
// keys so a lookup does not have to build a folded copy of the name.
struct CaseInsensitiveHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const noexcept;
};
struct CaseInsensitiveEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept;
};

class SymbolTable {
 public:
  SymbolTable() = default;
  SymbolTable(const SymbolTable&) = delete;
  SymbolTable& operator=(const SymbolTable&) = delete;

  // Index of the first symbol whose name equals name ignoring letter case.
  std::optional<std::size_t> Find(std::string_view name) const;
  // Appends a symbol with use count 0; returns its index.
  std::size_t Add(std::string name, std::uint16_t value);
  std::size_t Size() const { return SymbolNames.size(); }

  const std::string& Name(std::size_t i) const { return SymbolNames[i]; }
  std::uint16_t Value(std::size_t i) const { return SymbolValues[i]; }
  // The value as the object file and the operand evaluator see it: "$" and
  // 2 hex digits below 256, else 4.
  std::string ValueText(std::size_t i) const;
  void SetValue(std::size_t i, std::uint16_t value) { SymbolValues[i] = value; }
  std::uint32_t Uses(std::size_t i) const { return SymbolUses[i]; }
  void CountUse(std::size_t i) { ++SymbolUses[i]; }

 private:
  std::deque<std::string> SymbolNames;  // a deque never moves its names: the index refers to them
  std::vector<std::uint16_t> SymbolValues;  // the low 16 bits the value text shows
  std::vector<std::uint32_t> SymbolUses;
  // The first index for each name; later equal names never enter it, so a
  // lookup answers as a first-match linear search would.
  std::unordered_map<std::string_view, std::size_t, CaseInsensitiveHash, CaseInsensitiveEqual> index_;
};

}  // namespace qv3
