#include "engine/label_scopes.h"

#include "engine/source_text.h"

namespace qv3 {

void LabelScopes::StartPass(bool isPass1) {
  isPass1_ = isPass1;
  scopes_.assign(1, std::string_view());
  expansionNames_.clear();
  backwardSeen_ = forwardSeen_ = 0;
  backward_.clear();
  if (isPass1) {
    forward_.clear();
    locals_.clear();
  }
}

std::string LabelScopes::Key(std::string_view name) { return FoldCase(name); }

std::optional<std::size_t> LabelScopes::FindIn(std::string_view name, std::string_view scope) const {
  const auto found = locals_.find(Key(name));
  if (found == locals_.end()) return std::nullopt;
  for (const Definition& definition : found->second)
    if (EqualsIgnoringCase(definition.Scope, scope)) return definition.Symbol;
  return std::nullopt;
}

std::optional<std::size_t> LabelScopes::FindInScope(std::string_view name) const {
  return FindIn(name, scopes_.back());
}

std::optional<std::size_t> LabelScopes::Resolve(std::string_view name, bool& ambiguous) const {
  ambiguous = false;
  const auto found = locals_.find(Key(name));
  if (found == locals_.end()) return std::nullopt;
  for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope)
    if (const auto symbol = FindIn(name, *scope)) return symbol;
  if (found->second.size() == 1) return found->second.front().Symbol;
  ambiguous = true;
  return std::nullopt;
}

void LabelScopes::AddLocal(std::string_view name, std::size_t symbol) {
  locals_[Key(name)].push_back({std::string(scopes_.back()), symbol});
}

std::string LabelScopes::QualifiedName(std::string_view name) const {
  return std::string(scopes_.back()) + std::string(name);
}

void LabelScopes::DefineAnonymous(bool forward, std::int32_t address) {
  // Pass 2 meets the labels in pass 1's order: it moves them as it meets
  // them, as it moves the named ones.
  std::vector<std::int32_t>& list = forward ? forward_ : backward_;
  std::size_t& seen = forward ? forwardSeen_ : backwardSeen_;
  if (seen < list.size())
    list[seen] = address;
  else
    list.push_back(address);
  ++seen;
}

std::optional<std::int32_t> LabelScopes::AnonymousTarget(bool forward, std::size_t count,
                                                         bool& known) const {
  known = true;
  if (!forward) {
    if (count > backwardSeen_) return std::nullopt;
    return backward_[backwardSeen_ - count];
  }
  if (isPass1_) {
    known = false;
    return std::nullopt;
  }
  const std::size_t index = forwardSeen_ + count - 1;
  if (index >= forward_.size()) return std::nullopt;
  return forward_[index];
}

}  // namespace qv3
