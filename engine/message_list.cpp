#include "engine/message_list.h"

#include <stdexcept>

namespace qv3 {

void MessageList::Append(std::string_view text, std::uint32_t hash, std::optional<TErrorInfo> info) {
  // Sizes and record numbers are kept in 32 bits: four thousand million
  // lines, or a line of 4 GB, are beyond any compile.
  if (text.size() > 0xFFFFFFFFu || infos_.size() >= 0xFFFFFFFFu)
    throw std::length_error("message list: line or list too long");
  const std::string_view kept = texts_.Keep(text);
  Entry entry{kept.data(), static_cast<std::uint32_t>(kept.size()), 0};
  if (info) {
    infos_.push_back(std::move(*info));
    entry.InfoPlusOne = static_cast<std::uint32_t>(infos_.size());
  }
  entries_.push_back(entry);
  index_.Insert(kept, hash, entries_.size() - 1, [this](std::size_t at) { return TextOf(at); });
}

bool MessageList::Contains(std::string_view text) const {
  return index_.Find(text, [this](std::size_t at) { return TextOf(at); }) != TextIndex::kNone;
}

bool MessageList::AppendUnique(std::string_view text, std::optional<TErrorInfo> info) {
  const std::uint32_t hash = TextIndex::HashOf(text);
  if (index_.Find(text, hash, [this](std::size_t at) { return TextOf(at); }) != TextIndex::kNone)
    return false;
  Append(text, hash, std::move(info));
  return true;
}

void MessageList::Clear() {
  index_.Clear();
  entries_.clear();
  infos_.clear();
  texts_.Clear();
}

}  // namespace qv3
