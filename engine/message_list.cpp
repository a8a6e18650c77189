#include "engine/message_list.h"

namespace qv3 {

void MessageList::Append(std::string_view text, std::optional<TErrorInfo> info) {
  Entry entry{texts_.Keep(text)};
  if (info) {
    infos_.push_back(std::move(*info));
    entry.InfoPlusOne = infos_.size();
  }
  entries_.push_back(entry);
  index_.Insert(entry.Text, entries_.size() - 1,
                [this](std::size_t at) { return entries_[at].Text; });
}

bool MessageList::Contains(std::string_view text) const {
  return index_.Find(text, [this](std::size_t at) { return entries_[at].Text; }) != TextIndex::kNone;
}

bool MessageList::AppendUnique(std::string_view text, std::optional<TErrorInfo> info) {
  if (Contains(text)) return false;
  Append(text, std::move(info));
  return true;
}

void MessageList::Clear() {
  index_.Clear();
  entries_.clear();
  infos_.clear();
  texts_.Clear();
}

}  // namespace qv3
