// Copies of many short texts kept in large blocks that never move, so the
// copies can be handed out as views for as long as the arena lives.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace qv3 {

class TextArena {
 public:
  // A copy of text, valid until the arena is cleared or destroyed.
  std::string_view Keep(std::string_view text);
  void Clear();

 private:
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* next_ = nullptr;
  std::size_t left_ = 0;
};

}  // namespace qv3
