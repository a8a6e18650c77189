#include "engine/symbol_table.h"

#include <algorithm>
#include <cstring>

#include "engine/source_text.h"

namespace qv3 {

namespace {
constexpr std::size_t kBlockSize = 64 * 1024;
}

std::optional<std::size_t> SymbolTable::Find(std::string_view name) const {
  const std::size_t found = index_.Find(name, [this](std::size_t i) { return names_[i]; });
  if (found == TextIndex::kNone) return std::nullopt;
  return found;
}

std::string_view SymbolTable::Keep(std::string_view name) {
  if (name.size() > blockLeft_) {
    // A name longer than a block gets a block of its own.
    const std::size_t size = std::max(kBlockSize, name.size());
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
    blockNext_ = blocks_.back().get();
    blockLeft_ = size;
  }
  if (!name.empty()) std::memcpy(blockNext_, name.data(), name.size());
  const std::string_view kept(blockNext_, name.size());
  blockNext_ += name.size();
  blockLeft_ -= name.size();
  return kept;
}

std::size_t SymbolTable::Add(std::string_view name, std::uint16_t value) {
  const std::size_t index = names_.size();
  names_.push_back(Keep(name));
  values_.push_back(value);
  uses_.push_back(0);
  index_.Insert(names_.back(), index, [this](std::size_t i) { return names_[i]; });
  return index;
}

std::string SymbolTable::ValueText(std::size_t i) const {
  std::string text = HexText(values_[i]);
  text.insert(text.begin(), '$');
  return text;
}

}  // namespace qv3
