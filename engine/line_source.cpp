#include "engine/line_source.h"

#include "engine/line_source_state.h"

#include <memory>
#include <optional>
#include <unordered_map>

#include "engine/block_diagnostics.h"
#include "engine/directives.h"
#include "engine/expression.h"
#include "engine/file_system.h"
#include "engine/instruction_set.h"
#include "engine/knowledge_collector.h"
#include "engine/module_assembly.h"
#include "engine/session.h"
#include "engine/source_text.h"

namespace qv3 {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNamePart(char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

// The first word of a raw line (blanks and TABs before it skipped), taken
// from the front of the view.
std::string_view TakeRawWord(std::string_view& text) {
  std::size_t start = 0;
  while (start < text.size() && IsBlank(text[start])) ++start;
  std::size_t end = start;
  while (end < text.size() && !IsBlank(text[end])) ++end;
  const std::string_view word = text.substr(start, end - start);
  text.remove_prefix(end);
  return word;
}

BlockWord KeywordOf(std::string_view word) {
  switch (word.size()) {
    case 2:
      if (EqualsIgnoringCase(word, "IF")) return BlockWord::If;
      break;
    case 4:
      if (EqualsIgnoringCase(word, "ELSE")) return BlockWord::Else;
      break;
    case 5:
      if (EqualsIgnoringCase(word, "ENDIF")) return BlockWord::EndIf;
      if (EqualsIgnoringCase(word, "MACRO")) return BlockWord::Macro;
      if (EqualsIgnoringCase(word, "ERROR")) return BlockWord::Error;
      break;
    case 6:
      if (EqualsIgnoringCase(word, "ELSEIF")) return BlockWord::ElseIf;
      if (EqualsIgnoringCase(word, "REPEAT")) return BlockWord::Repeat;
      break;
    case 7:
      if (EqualsIgnoringCase(word, "WARNING")) return BlockWord::Warning;
      break;
    case 8:
      if (EqualsIgnoringCase(word, "ENDMACRO")) return BlockWord::EndMacro;
      break;
    case 9:
      if (EqualsIgnoringCase(word, "ENDREPEAT")) return BlockWord::EndRepeat;
      break;
  }
  return BlockWord::None;
}

// A line whose rest holds "=" is a constant definition before anything
// else. "IF A=B" and "REPEAT = 3" define constants named IF and REPEAT,
// as they always did; only where that reading fails (the word after the
// one that holds "=" is no number, as in "IF MODE = 1") is the keyword
// read instead.
bool DefinesConstant(std::string_view rest) {
  if (rest.find('=') == std::string_view::npos) return false;
  TakeRawWord(rest);
  const std::string value = UpperCaseOutsideTildes(TakeRawWord(rest));
  return ReadNumberLiteral(value).Valid;
}

// The keyword a (comment-free) line starts with, and the text after it.
BlockWord ClassifyLine(std::string_view line, std::string_view& rest) {
  rest = line;
  const BlockWord word = KeywordOf(TakeRawWord(rest));
  if (word == BlockWord::None || DefinesConstant(rest)) return BlockWord::None;
  return word;
}

}  // namespace

namespace {
void Report(ModuleAssembly& module, ErrorCode code, bool fatal, std::string_view detail = {}) {
  ReportDiagnostic(module.Session, code, fatal, module.ModuleName, detail);
}

// A report about a block opened elsewhere names its opening line.
void ReportAt(ModuleAssembly& module, ErrorCode code, std::int32_t line, const std::string& text) {
  CompileSession& session = module.Session;
  const std::int32_t number = session.CurrentLineNumber;
  std::string current = std::move(session.CurrentLineText);
  session.CurrentLineNumber = line;
  session.CurrentLineText = text;
  Report(module, code, true);
  session.CurrentLineNumber = number;
  session.CurrentLineText = std::move(current);
}

// The collector, when pass 2 collects and the line is one of the module's
// own (not of an INCLUDEd file, not made by an expansion).
KnowledgeCollector* OwnLineKnowledge(const ModuleAssembly& module, const LineSourceState& state,
                                     bool isPass1) {
  if (isPass1 || module.IncludeDepth != 0 || !state.Frames.empty()) return nullptr;
  return module.Knowledge;
}

std::int64_t Decide(LineSourceState& state, bool isPass1, std::int64_t computed) {
  if (isPass1) {
    state.Decisions.push_back(computed);
    return computed;
  }
  if (state.NextDecision < state.Decisions.size()) return state.Decisions[state.NextDecision++];
  return computed;
}

std::string Normalised(std::string_view text) {
  std::string normal = UpperCaseOutsideTildes(TrimBlanks(text));
  for (char& c : normal)
    if (c == '\t') c = ' ';
  return normal;
}

bool IsName(std::string_view text) {
  if (text.empty() || !IsNameStart(text[0])) return false;
  for (char c : text)
    if (!IsNamePart(c)) return false;
  return true;
}

bool IsDefinedName(const ModuleAssembly& module, const LineSourceState& state, std::string_view name) {
  if (IsLocalLabelName(name) && module.Scopes.IsKnownLocal(name)) {
    bool ambiguous = false;
    return module.Scopes.Resolve(name, ambiguous).has_value();
  }
  return module.Symbols.Find(name).has_value() || state.Macros.contains(FoldCase(name));
}

// "DEFINED(NAME)" terms replaced by 1 or 0: whether NAME is a symbol or a
// macro defined above this line. Both passes decide alike because pass 2
// takes pass 1's decisions. False on a malformed term.
bool ReplaceDefinedTerms(const ModuleAssembly& module, const LineSourceState& state, std::string& text) {
  static constexpr std::string_view kDefined = "DEFINED";
  std::size_t at = 0;
  while ((at = text.find(kDefined, at)) != std::string::npos) {
    if (at > 0 && (IsNamePart(text[at - 1]) || text[at - 1] == '.')) {
      at += kDefined.size();
      continue;
    }
    std::size_t open = at + kDefined.size();
    while (open < text.size() && text[open] == ' ') ++open;
    if (open >= text.size() || text[open] != '(') {
      at += kDefined.size();
      continue;
    }
    const std::size_t close = text.find(')', open);
    if (close == std::string::npos) return false;
    const std::string_view name = TrimBlanks(std::string_view(text).substr(open + 1, close - open - 1));
    if (name.empty()) return false;
    const char* value = IsDefinedName(module, state, name) ? "1" : "0";
    text.replace(at, close + 1 - at, value);
    ++at;
  }
  return true;
}

// A value that decides which lines exist must not depend on a symbol
// defined further down: pass 1 would guess it. (The expression evaluator
// flags such guesses; a lone name is caught here as well.)
bool NamesSymbolAhead(const ModuleAssembly& module, const LineSourceState& state, std::string_view text) {
  const bool name = IsName(text) || (IsLocalLabelName(text) && IsName(text.substr(1)));
  return name && !IsDefinedName(module, state, text);
}

// The value of an IF condition or a REPEAT count, as pass 1 decided it.
std::int64_t BlockValue(ModuleAssembly& module, LineSourceState& state, std::string_view rest,
                        bool isPass1, bool& valid) {
  std::string text = Normalised(rest);
  valid = !text.empty() && ReplaceDefinedTerms(module, state, text);
  if (!valid) {
    Report(module, Err::BlockSyntax, true);
  } else if (isPass1 && NamesSymbolAhead(module, state, text)) {
    Report(module, Err::ValueNotKnownYet, true);
    valid = false;
  }
  std::int64_t value = 0;
  if (valid) {
    const ExpressionResult result = EvaluateExpression(module, text, isPass1);
    valid = result.Valid;
    if (valid && result.Forward && isPass1) {
      Report(module, Err::ValueNotKnownYet, true);
      valid = false;
    }
    value = valid ? result.Value : 0;
  }
  return Decide(state, isPass1, value);
}

bool Condition(ModuleAssembly& module, LineSourceState& state, std::string_view rest, bool isPass1) {
  bool valid = true;
  return BlockValue(module, state, rest, isPass1, valid) != 0;
}

bool Active(const LineSourceState& state) {
  return state.Conditionals.empty() || state.Conditionals.back().Active;
}

// ELSEIF, ELSE and ENDIF, met in taken and skipped lines alike.
void Branch(ModuleAssembly& module, LineSourceState& state, BlockWord word, std::string_view rest,
            bool isPass1) {
  if (state.Conditionals.empty()) {
    Report(module, Err::EndifWithoutIf, true);
    return;
  }
  OpenConditional& open = state.Conditionals.back();
  if (word == BlockWord::EndIf) {
    if (KnowledgeCollector* knowledge = OwnLineKnowledge(module, state, isPass1))
      knowledge->Block(BlockKind::Condition, open.Line, module.Session.CurrentLineNumber);
    state.Conditionals.pop_back();
    return;
  }
  if (open.SeenElse) {
    Report(module, Err::ElseAfterElse, true);
    open.Active = false;
    return;
  }
  if (word == BlockWord::Else) {
    open.SeenElse = true;
    open.Active = open.ParentActive && !open.Taken;
  } else {
    open.Active = open.ParentActive && !open.Taken && Condition(module, state, rest, isPass1);
  }
  open.Taken |= open.Active;
}

void OpenIf(ModuleAssembly& module, LineSourceState& state, std::string_view rest, bool active,
            bool isPass1, std::string_view line) {
  OpenConditional open;
  open.ParentActive = active;
  open.Active = active && Condition(module, state, rest, isPass1);
  open.Taken = open.Active || !active;
  open.Line = module.Session.CurrentLineNumber;
  open.Text.assign(line);
  state.Conditionals.push_back(std::move(open));
}

// The words between commas, blanks around them removed.
std::vector<std::string_view> CommaList(std::string_view text) {
  std::vector<std::string_view> items;
  text = TrimBlanks(text);
  if (text.empty()) return items;
  for (;;) {
    const auto comma = text.find(',');
    items.push_back(TrimBlanks(text.substr(0, comma)));
    if (comma == std::string_view::npos) return items;
    text.remove_prefix(comma + 1);
  }
}

void StartRepeat(ModuleAssembly& module, LineSourceState& state, std::string_view rest,
                 bool isPass1, std::string_view line) {
  BlockRecording open;
  open.Kind = BlockWord::Repeat;
  open.Line = module.Session.CurrentLineNumber;
  open.Text.assign(line);
  const auto parts = CommaList(rest);
  bool valid = !parts.empty() && parts.size() <= 2;
  if (parts.size() == 2) {
    open.Counter = Normalised(parts[1]);
    valid = IsName(open.Counter);
  }
  if (!valid) {
    Report(module, Err::BlockSyntax, true);
    Decide(state, isPass1, 0);
  } else {
    open.CountText = Normalised(parts[0]);
    open.Count = BlockValue(module, state, parts[0], isPass1, valid);
    if (valid && (open.Count < 0 || open.Count > kMaxRepeatCount)) {
      Report(module, Err::RepeatCountOutOfRange, true);
      open.Count = 0;
    }
  }
  if (!valid) open.Count = 0;
  state.Open = std::move(open);
}

bool IsReservedWord(std::string_view upper) {
  std::string_view mnemonic = upper.substr(0, upper.find('.'));
  std::string_view ignored;
  return FindMnemonic(mnemonic) >= 0 || IsDirectiveWord(upper) ||
         ClassifyLine(upper, ignored) != BlockWord::None || upper == "DEFINED";
}

void StartMacro(ModuleAssembly& module, LineSourceState& state, std::string_view rest,
                std::string_view line) {
  BlockRecording open;
  open.Kind = BlockWord::Macro;
  open.Line = module.Session.CurrentLineNumber;
  open.Text.assign(line);
  std::string normal = Normalised(rest);
  std::string_view parameters = normal;
  open.Name.assign(TakeWordOf(parameters));
  if (const auto comma = open.Name.find(','); comma != std::string::npos) {
    parameters = std::string_view(normal).substr(comma);  // "NAME,A" lacks the blank
    open.Name.resize(comma);
  }
  if (!IsName(open.Name) || IsReservedWord(open.Name)) {
    Report(module, Err::MacroNameRefused, true);
    open.Valid = false;
  } else if (state.Macros.contains(FoldCase(open.Name))) {
    Report(module, Err::MacroRedefined, true);
    open.Valid = false;
  } else {
    parameters = TrimBlanks(parameters);
    if (!parameters.empty() && parameters.front() == ',') parameters.remove_prefix(1);
    for (const std::string_view parameter : CommaList(parameters)) {
      bool repeated = false;
      for (const auto& earlier : open.Parameters) repeated |= earlier == parameter;
      if (!IsName(parameter) || repeated) {
        Report(module, Err::BlockSyntax, true);
        open.Valid = false;
        break;
      }
      open.Parameters.emplace_back(parameter);
    }
  }
  state.Open = std::move(open);
}

// The program's own message: the text after the keyword as written, one
// pair of quotes around it dropped.
void ProgramMessage(ModuleAssembly& module, BlockWord word, std::string_view rest) {
  std::string_view text = TrimBlanks(rest);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  if (word == BlockWord::Error)
    Report(module, Err::ProgramError, true, text);
  else
    Report(module, Err::ProgramWarning, false, text);
}

// The body line with each parameter (a whole name, not after ".", "$" or
// "%", outside tilde stretches) replaced by its argument.
void Substitute(std::string_view body, const std::vector<Substitution>& substitutions, std::string& out) {
  out.clear();
  if (substitutions.empty()) {
    out.assign(body);
    return;
  }
  bool inTilde = false;
  for (std::size_t i = 0; i < body.size();) {
    const char c = body[i];
    if (c == '~') inTilde = !inTilde;
    const char before = i > 0 ? body[i - 1] : ' ';
    if (inTilde || !IsNamePart(c) || IsNamePart(before)) {
      out += c;
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < body.size() && IsNamePart(body[end])) ++end;
    const std::string_view word = body.substr(i, end - i);
    const Substitution* match = nullptr;
    if (IsNameStart(c) && before != '.' && before != '$' && before != '%')
      for (const Substitution& s : substitutions)
        if (EqualsIgnoringCase(s.Name, word)) match = &s;
    if (match)
      out += match->Text;
    else
      out += word;
    i = end;
  }
}

// The text that follows a diagnostic of an expanded line: its body line in
// each expansion around it, innermost first.
// Deep nesting (recursion) names the three innermost and the outermost.
std::string ExpansionDetailText(const LineSourceState& state) {
  std::string text;
  const std::size_t count = state.Frames.size();
  for (std::size_t i = 0; i < count; ++i) {
    const auto frame = state.Frames.rbegin() + static_cast<std::ptrdiff_t>(i);
    if (count > 4 && i == 3) {
      text += ", ... (" + std::to_string(count - 4) + " more)";
      continue;
    }
    if (count > 4 && i > 3 && i + 1 < count) continue;
    if (!text.empty()) text += ", ";
    text += frame->Name.empty() ? "in REPEAT" : "in macro " + frame->Name;
    if (!frame->Body.File.empty()) {
      text += " (";
      text += FileNameOf(frame->Body.File);
      text += " line " + std::to_string(frame->Body.FileLine) + ")";
    } else {
      text += " line " + std::to_string(frame->Body.FileLine);
    }
  }
  return text;
}

// Blocks opened by a body (or an included file) close there: those still
// open are reported at their opening lines and dropped.
void CloseBlocksSince(ModuleAssembly& module, LineSourceState& state, std::size_t conditionals) {
  if (state.Open) {
    const ErrorCode code = state.Open->Kind == BlockWord::Macro ? Err::MacroWithoutEndmacro
                                                                : Err::RepeatWithoutEndrepeat;
    ReportAt(module, code, state.Open->Line, state.Open->Text);
    state.Open.reset();
  }
  while (state.Conditionals.size() > conditionals) {
    ReportAt(module, Err::IfWithoutEndif, state.Conditionals.back().Line,
             state.Conditionals.back().Text);
    state.Conditionals.pop_back();
  }
}

// Feeds the body's lines, substituted, as lines of their own.
void Expand(ModuleAssembly& module, LineSourceState& state, const std::vector<BlockBodyLine>& body,
            const std::vector<Substitution>& substitutions, const std::string& name, bool isPass1) {
  if (state.Stopped) return;
  if (state.Frames.size() >= static_cast<std::size_t>(kMaxExpansionDepth)) {
    Report(module, Err::ExpansionTooDeep, true);
    state.Stopped = true;
    return;
  }
  CompileSession& session = module.Session;
  const std::size_t conditionals = state.Conditionals.size();
  const std::string detail = session.ExpansionDetail;
  const std::int32_t invocationLine = session.CurrentLineNumber;
  if (state.Frames.empty()) {
    state.FatalAtInvocation = session.FatalReports;
    state.Abandoned = false;
  }
  state.Frames.push_back({name, 0, {}});
  std::string text;
  for (const BlockBodyLine& line : body) {
    if (state.Stopped || state.Abandoned) break;
    if (session.FatalReports - state.FatalAtInvocation >= kMaxExpansionReports) {
      Report(module, Err::ExpansionErrors, true);
      state.Abandoned = true;
      break;
    }
    if (++state.Lines > kMaxExpandedLines) {
      Report(module, Err::ExpansionTooLarge, true);
      state.Stopped = true;
      break;
    }
    Substitute(line.Text, substitutions, text);
    const std::string_view file = line.File == 0 ? std::string_view() : state.Files[line.File - 1];
    ExpansionFrame& frame = state.Frames.back();
    frame.ModuleLine = line.ModuleLine;
    frame.Body = {line.ModuleLine, line.FileLine, file};
    session.ExpansionDetail = ExpansionDetailText(state);
    FeedLine(module, text, isPass1, frame.Body);
    if (module.Knowledge && !isPass1) [[unlikely]]
      module.Knowledge->ExpandedLine(line.Text, line.ModuleLine, file, line.FileLine);
  }
  CloseBlocksSince(module, state, conditionals);
  state.Frames.pop_back();
  session.ExpansionDetail = detail;
  session.CurrentLineNumber = invocationLine;
}

void WriteExpansionListing(ModuleAssembly& module, bool isPass1, std::string_view what,
                           std::string_view text) {
  if (isPass1 || !module.CodeListing) return;
  std::string listing = ">> ";
  listing += what;
  listing += ' ';
  listing += text;
  WriteObjectLine(module, listing);
}

// "ADD16:3": the third expansion of ADD16 in this module ("REPEAT:5": the
// fifth REPEAT round), the scope its local labels are kept under.
std::string ExpansionScope(LineSourceState& state, const std::string& name) {
  return name + ":" + std::to_string(++state.Expansions[FoldCase(name)]);
}

void RunRepeat(ModuleAssembly& module, LineSourceState& state, const BlockRecording& block, bool isPass1) {
  WriteExpansionListing(module, isPass1, "repeat", block.CountText);
  const std::int32_t endLine = module.Session.CurrentLineNumber;
  std::string counter;
  std::vector<Substitution> substitutions;
  for (std::int64_t round = 0; round < block.Count && !state.Stopped && !state.Abandoned; ++round) {
    substitutions.clear();
    if (!block.Counter.empty()) {
      counter = std::to_string(round);
      substitutions.push_back({block.Counter, counter});
    }
    // Every round is a scope of its own: an unrolled loop's local labels
    // do not clash.
    module.Scopes.PushScope(ExpansionScope(state, "REPEAT"));
    const std::size_t fatal = module.Session.FatalReports;
    // The rounds stand on the REPEAT line, as a macro's lines stand on its
    // invocation: the line map keeps its order, each byte knows its body line.
    module.Session.CurrentLineNumber = block.Line;
    Expand(module, state, block.Body, substitutions, std::string(), isPass1);
    module.Scopes.PopScope();
    // A round that failed would fail again the same way, thousands of times.
    if (module.Session.FatalReports != fatal) break;
  }
  module.Session.CurrentLineNumber = endLine;
}

void FinishRecording(ModuleAssembly& module, LineSourceState& state, bool isPass1) {
  BlockRecording block = std::move(*state.Open);
  state.Open.reset();
  if (KnowledgeCollector* knowledge = OwnLineKnowledge(module, state, isPass1)) {
    const std::int32_t last = module.Session.CurrentLineNumber;
    const bool macro = block.Kind == BlockWord::Macro;
    knowledge->Block(macro ? BlockKind::Macro : BlockKind::Repeat, block.Line, last);
    if (macro && block.Valid) {
      MacroInfo info{block.Name, block.Parameters, {}, last};
      info.Where.Line = block.Line;
      const auto keyword = block.Text.find_first_not_of(" \t");
      const auto at = FoldCase(block.Text).find(FoldCase(block.Name),
                                                keyword == std::string::npos ? 0 : keyword + 5);
      info.Where.Column = static_cast<std::uint32_t>(at == std::string::npos ? 0 : at);
      info.Where.Length = static_cast<std::uint32_t>(block.Name.size());
      knowledge->Macro(std::move(info));
    }
  }
  if (block.Kind == BlockWord::Repeat) {
    RunRepeat(module, state, block, isPass1);
  } else if (block.Valid) {
    state.Macros.emplace(FoldCase(block.Name), MacroDefinition{std::move(block.Parameters), std::move(block.Body)});
  }
}

void Record(ModuleAssembly& module, LineSourceState& state, BlockWord word, std::string_view line,
            const LineOrigin& origin, bool isPass1) {
  BlockRecording& open = *state.Open;
  const BlockWord closing = open.Kind == BlockWord::Macro ? BlockWord::EndMacro : BlockWord::EndRepeat;
  if (word == open.Kind) {
    ++open.Nesting;
  } else if (word == closing) {
    if (open.Nesting == 0) {
      FinishRecording(module, state, isPass1);
      return;
    }
    --open.Nesting;
  }
  if (state.Stopped) return;
  if (++state.Lines > kMaxExpandedLines) {
    Report(module, Err::ExpansionTooLarge, true);
    state.Stopped = true;
    return;
  }
  std::uint32_t file = 0;
  if (!origin.File.empty()) {
    if (state.Files.empty() || state.Files.back() != origin.File) state.Files.emplace_back(origin.File);
    file = static_cast<std::uint32_t>(state.Files.size());
  }
  open.Body.push_back({std::string(line), origin.ModuleLine, origin.FileLine, file});
}

// The arguments of an invocation: split at commas outside parentheses and
// braces; braces around an argument keep its commas and are dropped.
std::vector<std::string_view> Arguments(std::string_view text) {
  std::vector<std::string_view> arguments;
  text = TrimBlanks(text);
  if (text.empty()) return arguments;
  int depth = 0;
  bool inTilde = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : ',';
    if (c == '~') inTilde = !inTilde;
    if (inTilde && i < text.size()) continue;
    if (c == '(' || c == '{') ++depth;
    if ((c == ')' || c == '}') && depth > 0) --depth;
    if (c != ',' || (depth > 0 && i < text.size())) continue;
    std::string_view argument = TrimBlanks(text.substr(start, i - start));
    if (argument.size() >= 2 && argument.front() == '{' && argument.back() == '}')
      argument = TrimBlanks(argument.substr(1, argument.size() - 2));
    arguments.push_back(argument);
    start = i + 1;
  }
  return arguments;
}

// A line whose first word (after a label, if any) names a macro: the label
// is defined, then the body is fed with the arguments in place.
bool Invoke(ModuleAssembly& module, LineSourceState& state, std::string_view line, bool isPass1) {
  if (state.Macros.empty()) return false;
  std::string_view rest = line;
  std::string_view word = TakeRawWord(rest);
  std::string_view label;
  if (!word.empty() && word.back() == ':') {
    label = line.substr(0, static_cast<std::size_t>(word.data() + word.size() - line.data()));
    word = TakeRawWord(rest);
  }
  if (word.empty() || rest.find('=') != std::string_view::npos) return false;
  const auto found = state.Macros.find(FoldCase(word));
  if (found == state.Macros.end()) return false;
  const MacroDefinition& macro = found->second;
  if (!label.empty()) ProcessLine(module, label, isPass1);
  module.Session.CurrentLineText.assign(line);
  const auto arguments = Arguments(rest);
  if (arguments.size() != macro.Parameters.size()) {
    Report(module, Err::MacroArgumentCount, true,
           "(" + std::to_string(macro.Parameters.size()) + " expected, " +
               std::to_string(arguments.size()) + " given)");
    return true;
  }
  std::vector<Substitution> substitutions;
  for (std::size_t i = 0; i < arguments.size(); ++i)
    substitutions.push_back({macro.Parameters[i], arguments[i]});
  const std::string name = Normalised(word);
  if (KnowledgeCollector* knowledge = OwnLineKnowledge(module, state, isPass1))
    knowledge->MacroUse(name, module.Session.CurrentLineNumber,
                        static_cast<std::uint32_t>(word.data() - line.data()),
                        static_cast<std::uint32_t>(word.size()));
  WriteExpansionListing(module, isPass1, "macro", Normalised(TrimBlanks(line.substr(
                                                      static_cast<std::size_t>(word.data() - line.data())))));
  module.Scopes.PushScope(ExpansionScope(state, name));
  Expand(module, state, macro.Body, substitutions, name, isPass1);
  module.Scopes.PopScope();
  return true;
}

// A line the layer handles itself is quoted by its diagnostics, and the
// references its condition or count makes are placed in it.
void NoteBlockLine(ModuleAssembly& module, std::string_view line, bool isPass1) {
  module.Session.CurrentLineText.assign(line);
  if (!module.Knowledge || isPass1) return;
  const auto depth = static_cast<std::size_t>(module.IncludeDepth);
  while (module.LineContexts.size() <= depth) module.LineContexts.push_back(std::make_unique<LineContext>());
  module.LineContexts[depth]->Load(line);
}

void HandleLine(ModuleAssembly& module, LineSourceState& state, std::string_view text, bool isPass1,
                const LineOrigin& origin) {
  const std::string_view line = StripComment(text);
  std::string_view rest;
  const BlockWord word = ClassifyLine(line, rest);
  if (state.Open) {
    Record(module, state, word, line, origin, isPass1);
    return;
  }
  const bool active = Active(state);
  if (word != BlockWord::None) NoteBlockLine(module, line, isPass1);
  switch (word) {
    case BlockWord::If: OpenIf(module, state, rest, active, isPass1, line); return;
    case BlockWord::ElseIf:
    case BlockWord::Else:
    case BlockWord::EndIf: Branch(module, state, word, rest, isPass1); return;
    default: break;
  }
  if (!active) {
    if (module.Knowledge && !isPass1 && module.IncludeDepth == 0 && state.Frames.empty()) [[unlikely]]
      module.Knowledge->InactiveLine(module.Session.CurrentLineNumber);
    return;
  }
  switch (word) {
    case BlockWord::Repeat: StartRepeat(module, state, rest, isPass1, line); return;
    case BlockWord::Macro: StartMacro(module, state, rest, line); return;
    case BlockWord::EndRepeat: Report(module, Err::EndrepeatWithoutRepeat, true); return;
    case BlockWord::EndMacro: Report(module, Err::EndmacroWithoutMacro, true); return;
    case BlockWord::Error:
    case BlockWord::Warning: ProgramMessage(module, word, rest); return;
    default: break;
  }
  if (!Invoke(module, state, line, isPass1)) ProcessLine(module, text, isPass1);
}
}  // namespace

void FeedBlockLine(ModuleAssembly& module, std::string_view text, bool isPass1, const LineOrigin& origin) {
  if (!module.Blocks) module.Blocks = std::make_unique<LineSourceState>();
  HandleLine(module, *module.Blocks, text, isPass1, origin);
}

void StartBlocksPass(ModuleAssembly& module, bool isPass1) {
  module.Scopes.StartPass(isPass1);
  LineSourceState* state = module.Blocks.get();
  if (!state) return;
  std::vector<std::int64_t> decisions = std::move(state->Decisions);
  *state = LineSourceState{};
  if (!isPass1) state->Decisions = std::move(decisions);
}

void EndBlocksPass(ModuleAssembly& module) {
  if (module.Blocks) CloseBlocksSince(module, *module.Blocks, 0);
}

BlockMark EnterBlocksFile(ModuleAssembly& module) {
  return {module.Blocks ? module.Blocks->Conditionals.size() : 0};
}

void LeaveBlocksFile(ModuleAssembly& module, BlockMark mark) {
  if (module.Blocks) CloseBlocksSince(module, *module.Blocks, mark.Conditionals);
}

const std::vector<ExpansionFrame>* CurrentExpansion(const ModuleAssembly& module) {
  if (!module.Blocks || module.Blocks->Frames.empty()) return nullptr;
  return &module.Blocks->Frames;
}

}  // namespace qv3
