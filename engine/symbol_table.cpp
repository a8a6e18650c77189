#include "engine/symbol_table.h"

#include "engine/source_text.h"

namespace qv3 {

namespace {
unsigned char FoldByte(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 32) : u;
}
}  // namespace

std::size_t CaseInsensitiveHash::operator()(std::string_view text) const noexcept {
  std::size_t hash = 14695981039346656037ull;  // FNV-1a
  for (char c : text) {
    hash ^= FoldByte(c);
    hash *= 1099511628211ull;
  }
  return hash;
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
  index_.try_emplace(name, index);
  SymbolNames.push_back(std::move(name));
  SymbolValues.push_back(value);
  SymbolUses.push_back(0);
  return index;
}

std::string SymbolTable::ValueText(std::size_t i) const { return "$" + HexText(SymbolValues[i]); }

}  // namespace qv3
