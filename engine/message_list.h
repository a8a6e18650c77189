// The Status and Hints lists: message lines in order, diagnostics with their
// record, and a case-insensitive index beside them so that "is this line
// listed already?" stays cheap for long lists. The texts are kept in large
// blocks rather than one allocation each: a module with many unused
// symbols gives as many hints.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/diagnostics.h"
#include "engine/text_arena.h"
#include "engine/text_index.h"

namespace qv3 {

// A line of a list as the list hands it out: views valid while the list
// keeps the line.
struct StatusLine {
  std::string_view Text;
  const TErrorInfo* Info = nullptr;  // diagnostics carry their record
};

class MessageList {
 public:
  // The lines, walked in order or read by position.
  class Range {
   public:
    class Iterator {
     public:
      using iterator_category = std::input_iterator_tag;
      using value_type = StatusLine;
      using difference_type = std::ptrdiff_t;
      using pointer = void;
      using reference = StatusLine;
      Iterator(const MessageList* list, std::size_t at) : list_(list), at_(at) {}
      StatusLine operator*() const { return list_->Line(at_); }
      Iterator& operator++() {
        ++at_;
        return *this;
      }
      Iterator operator++(int) {
        Iterator before = *this;
        ++at_;
        return before;
      }
      bool operator==(const Iterator& other) const { return at_ == other.at_; }
      bool operator!=(const Iterator& other) const { return at_ != other.at_; }

     private:
      const MessageList* list_;
      std::size_t at_;
    };
    explicit Range(const MessageList& list) : list_(&list) {}
    Iterator begin() const { return {list_, 0}; }
    Iterator end() const { return {list_, list_->Size()}; }
    std::size_t size() const { return list_->Size(); }
    bool empty() const { return list_->Size() == 0; }
    StatusLine operator[](std::size_t i) const { return list_->Line(i); }
    StatusLine back() const { return list_->Line(list_->Size() - 1); }

   private:
    const MessageList* list_;
  };

  void Append(std::string_view text, std::optional<TErrorInfo> info = std::nullopt) {
    Append(text, TextIndex::HashOf(text), std::move(info));
  }
  // True when a line equal to text, letter case ignored, is in the list.
  bool Contains(std::string_view text) const;
  // Appends unless an equal line (letter case ignored) is listed already.
  // Returns whether the line was added.
  bool AppendUnique(std::string_view text, std::optional<TErrorInfo> info = std::nullopt);
  void Clear();
  // Makes room for more lines at once.
  void Reserve(std::size_t more) {
    entries_.reserve(entries_.size() + more);
    index_.Reserve(entries_.size() + more);
  }
  // Removes the lines for which drop(StatusLine) returns true, keeping the
  // order of the rest.
  template <typename Predicate>
  void RemoveIf(Predicate drop) {
    MessageList kept;
    for (std::size_t i = 0; i < Size(); ++i) {
      const StatusLine line = Line(i);
      if (drop(line)) continue;
      kept.Append(line.Text, line.Info ? std::optional<TErrorInfo>(*line.Info) : std::nullopt);
    }
    *this = std::move(kept);
  }
  Range Lines() const { return Range(*this); }
  std::size_t Size() const { return entries_.size(); }
  StatusLine Line(std::size_t i) const {
    const Entry& entry = entries_[i];
    return {entry.View(), entry.InfoPlusOne ? &infos_[entry.InfoPlusOne - 1] : nullptr};
  }

 private:
  void Append(std::string_view text, std::uint32_t hash, std::optional<TErrorInfo> info);
  std::string_view TextOf(std::size_t at) const { return entries_[at].View(); }

  struct Entry {
    const char* Text;  // kept in texts_
    std::uint32_t Size;
    std::uint32_t InfoPlusOne;  // 0: no record
    std::string_view View() const { return {Text, Size}; }
  };
  TextArena texts_;
  std::vector<Entry> entries_;
  std::deque<TErrorInfo> infos_;  // a deque never moves the records handed out
  TextIndex index_;
};

}  // namespace qv3
