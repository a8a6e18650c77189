// The operator grammar of expressions: literals, symbols, "*", "!FILE",
// "@MODULE.NAME", character literals, unary and binary operators with the
// usual precedence, and ( ) or [ ] for grouping. Values are 64-bit; every
// fault (syntax, division by zero, overflow, nesting too deep) becomes a
// diagnostic instead of a value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/diagnostics.h"
#include "engine/expression.h"

namespace qv3 {

struct ModuleAssembly;

// Characters a symbol name may hold in an expression; a name with others
// ("A*2:" is a valid label) is only reachable by today's one-term reading.
inline bool IsNameCharacter(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '_' ||
         b == '.' || b >= 0x80;
}
bool IsPlainName(std::string_view text);

// Deeper nesting of brackets and unary operators is a diagnostic: the
// reader recurses once per level.
inline constexpr int kMaxExpressionDepth = 256;

struct ExpressionOptions {
  bool IsPass1 = false;
  // Report faults through the session; otherwise a fault only makes the
  // result invalid (pass 1 sizes instructions without reporting).
  bool Report = true;
  // A value needed in pass 1 (a constant, ORIGIN, LEAP, FILL, ALIGN): a
  // symbol not defined above is a diagnostic, not a stand-in.
  bool ForwardIsError = false;
  // Report a malformed number even when Report is off: an instruction's
  // operand reports it in pass 1 already, as its literals always did.
  bool ReportInvalidNumber = false;
};

// Reads expressions one after another from a text: a list's items are
// separated by commas at the top level.
class ExpressionReader {
 public:
  ExpressionReader(ModuleAssembly& module, std::string_view text, ExpressionOptions options)
      : module_(module), text_(text), options_(options) {}

  // The next expression, up to the end, a top-level "," or a closing
  // bracket without its opening one (reported).
  ExpressionResult Next();
  // Skips blanks; true (and past it) at a ",".
  bool TakeComma();
  // Skips to the next top-level "," (or the end) without reading.
  void SkipItem();
  bool AtEnd();
  std::size_t Position() const { return at_; }
  // Whether a fault was reported; a long list reports its first one only
  // (each report repeats the line's text).
  bool Reported() const { return reported_; }

 private:
  struct Failure {
    ErrorCode Code;
    std::string Detail;
  };
  std::int64_t Binary(int level);
  std::int64_t Unary();
  std::int64_t Primary();
  std::int64_t Number();
  std::int64_t CharacterLiteral();
  std::int64_t Symbol();
  std::int64_t SpecialTerm(char kind);
  std::int64_t Apply(int op, std::int64_t a, std::int64_t b);
  // The binary operator at the position (id, level, length), id 0 for none.
  struct Operator {
    int Id = 0, Level = 0, Length = 0;
  };
  Operator PeekOperator();
  void SkipBlanks();
  [[noreturn]] void Fail(ErrorCode code, std::string detail = {});
  std::string Near() const;

  ModuleAssembly& module_;
  std::string_view text_;
  ExpressionOptions options_;
  std::size_t at_ = 0;
  int depth_ = 0;
  bool forward_ = false;
  bool reported_ = false;
};

// One expression that must fill the whole text.
ExpressionResult EvaluateWholeExpression(ModuleAssembly& module, std::string_view text,
                                         ExpressionOptions options);

}  // namespace qv3
