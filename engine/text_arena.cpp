#include "engine/text_arena.h"

#include <algorithm>
#include <cstring>

namespace qv3 {

namespace {
constexpr std::size_t kBlockSize = 64 * 1024;
}

std::string_view TextArena::Keep(std::string_view text) {
  if (text.size() > left_) {
    // A text longer than a block gets a block of its own.
    const std::size_t size = std::max(kBlockSize, text.size());
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
    next_ = blocks_.back().get();
    left_ = size;
  }
  if (text.empty()) return {};
  std::memcpy(next_, text.data(), text.size());
  const std::string_view kept(next_, text.size());
  next_ += text.size();
  left_ -= text.size();
  return kept;
}

void TextArena::Clear() {
  blocks_.clear();
  next_ = nullptr;
  left_ = 0;
}

}  // namespace qv3
