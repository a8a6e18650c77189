#include "engine/symbol_table.h"

#include "engine/source_text.h"

namespace qv3 {

std::optional<std::size_t> SymbolTable::Find(std::string_view name) const {
  const std::size_t found = index_.Find(name, [this](std::size_t i) { return names_[i]; });
  if (found == TextIndex::kNone) return std::nullopt;
  return found;
}

std::size_t SymbolTable::Add(std::string_view name, std::uint16_t value) {
  const std::size_t index = names_.size();
  names_.push_back(nameTexts_.Keep(name));
  values_.push_back(value);
  uses_.push_back(0);
  index_.Insert(names_.back(), index, [this](std::size_t i) { return names_[i]; });
  return index;
}

std::string SymbolTable::ValueText(std::size_t i) const {
  std::string text = "$";
  AppendHexText(text, values_[i]);
  return text;
}

}  // namespace qv3
