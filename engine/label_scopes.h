// Local labels (".NAME", scoped between two ordinary labels) and anonymous
// labels ("-" and "+" lines) of one module, over one pass at a time.
//
// A local label lives in the symbol table like any other: its first
// definition in the module under its own name (".LOOP"), so a module that
// defines each such name once lists and resolves it exactly as an ordinary
// label; every later definition in another scope under "SCOPE.LOOP"
// (".LOOP" after the ordinary label CLEAR becomes "CLEAR.LOOP"). Anonymous
// labels never enter the table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qv3 {

class LabelScopes {
 public:
  // Both passes begin before the first ordinary label, with no anonymous
  // label met yet; pass 2 keeps pass 1's forward targets until it meets them.
  void StartPass(bool isPass1);

  // The scope the locals of the following lines belong to: the last
  // ordinary label, or the macro expansion or REPEAT round being read. An
  // expansion's scope lies inside its caller's: a reference looks there
  // next, so an unrolled loop reaches the locals of its routine.
  std::string_view Scope() const { return scopes_.back(); }
  // name: a view that stays valid for the pass (the symbol table's copy).
  void EnterScope(std::string_view name) { scopes_.back() = name; }
  void PushScope(std::string name) {
    expansionNames_.push_back(std::move(name));
    scopes_.push_back(expansionNames_.back());
  }
  void PopScope() {
    if (scopes_.size() <= 1) return;
    scopes_.pop_back();
    expansionNames_.pop_back();
  }

  // Locals: name is the whole ".NAME" as read (upper case outside tildes).
  bool IsKnownLocal(std::string_view name) const { return locals_.contains(Key(name)); }
  // The symbol index of the definition in the current scope.
  std::optional<std::size_t> FindInScope(std::string_view name) const;
  // The symbol a reference reaches: the definition in its own scope, else
  // in the scopes around it, else the only definition anywhere. ambiguous is set when there are several,
  // none of them in this scope.
  std::optional<std::size_t> Resolve(std::string_view name, bool& ambiguous) const;
  void AddLocal(std::string_view name, std::size_t symbol);
  // The name a further definition (in another scope) is kept under.
  std::string QualifiedName(std::string_view name) const;

  // Anonymous labels: forward is "+", else "-".
  void DefineAnonymous(bool forward, std::int32_t address);
  // The address "-" (count 1), "--" (count 2), ... or "+", "++", ... reach
  // from here. Pass 1 does not know forward targets yet (nothing, known
  // false); otherwise nothing means there is no such label.
  std::optional<std::int32_t> AnonymousTarget(bool forward, std::size_t count, bool& known) const;

 private:
  static std::string Key(std::string_view name);
  struct Definition {
    std::string Scope;
    std::size_t Symbol = 0;
  };
  std::optional<std::size_t> FindIn(std::string_view name, std::string_view scope) const;
  // Views: of ordinary labels' names in the symbol table, or of the names
  // of the expansions under way (kept here, a deque so they stay put).
  std::vector<std::string_view> scopes_ = {std::string_view()};
  std::deque<std::string> expansionNames_;
  bool isPass1_ = true;
  std::unordered_map<std::string, std::vector<Definition>> locals_;
  std::vector<std::int32_t> backward_, forward_;
  std::size_t backwardSeen_ = 0, forwardSeen_ = 0;
};

// A label name that is scoped: it begins with ".".
inline bool IsLocalLabelName(std::string_view name) { return name.size() > 1 && name[0] == '.'; }

}  // namespace qv3
