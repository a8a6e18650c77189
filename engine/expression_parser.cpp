#include "engine/expression_parser.h"

#include <limits>

#include "engine/knowledge_collector.h"
#include "engine/module_assembly.h"
#include "engine/operands.h"
#include "engine/petscii.h"
#include "engine/session.h"

namespace qv3 {

bool IsPlainName(std::string_view text) {
  if (text.empty() || (text[0] >= '0' && text[0] <= '9')) return false;
  for (char c : text)
    if (!IsNameCharacter(c)) return false;
  return true;
}

namespace {
// Binary operators, loosest first; a level's operators associate to the left.
enum OperatorId {
  kNone, kOr, kAnd, kBitOr, kBitXor, kBitAnd, kEqual, kNotEqual, kLess, kLessEqual, kGreater,
  kGreaterEqual, kShiftLeft, kShiftRight, kPlus, kMinus, kTimes, kDivide, kModulo
};
constexpr int kLevelCount = 10;  // levels 1..9; Binary(kLevelCount) reads a unary term

// Floored, as 64tass divides: -7 / 2 is -4, -7 % 2 is 1.
std::int64_t FlooredDivide(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if (a % b != 0 && ((a < 0) != (b < 0))) --q;
  return q;
}
std::int64_t FlooredModulo(std::int64_t a, std::int64_t b) {
  std::int64_t r = a % b;
  if (r != 0 && ((r < 0) != (b < 0))) r += b;
  return r;
}

// A character as a diagnostic shows it: in quotes, or in hex when it is
// no printable ASCII.
std::string Shown(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b >= 0x20 && b < 0x7F) return "\"" + std::string(1, c) + "\"";
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string("$") + kDigits[b >> 4] + kDigits[b & 0xF];
}

std::string ShortText(std::string_view text) {
  constexpr std::size_t kShown = 24;
  std::string shown(text.substr(0, kShown));
  if (text.size() > kShown) shown += "...";
  return shown;
}
}  // namespace

void ExpressionReader::Fail(ErrorCode code, std::string detail) { throw Failure{code, std::move(detail)}; }

std::string ExpressionReader::Near() const {
  if (at_ >= text_.size()) return "at the end";
  return "near \"" + ShortText(text_.substr(at_)) + "\"";
}

void ExpressionReader::SkipBlanks() {
  while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t')) ++at_;
}

bool ExpressionReader::AtEnd() {
  SkipBlanks();
  return at_ >= text_.size();
}

bool ExpressionReader::TakeComma() {
  SkipBlanks();
  if (at_ < text_.size() && text_[at_] == ',') {
    ++at_;
    return true;
  }
  return false;
}

ExpressionResult ExpressionReader::Next() {
  ExpressionResult result;
  forward_ = false;
  depth_ = 0;
  try {
    SkipBlanks();
    if (at_ >= text_.size() || text_[at_] == ',') Fail(Err::ExpressionSyntax, "(a value is missing)");
    result.Value = Binary(1);
    SkipBlanks();
    if (at_ < text_.size() && text_[at_] != ',') {
      const char c = text_[at_];
      if (c == ')' || c == ']') Fail(Err::UnbalancedBrackets, Near());
      Fail(Err::ExpressionSyntax, Near());
    }
    result.Valid = true;
    result.Forward = forward_;
    // Pass 1 takes an expression with a symbol not yet defined for an
    // address near the current location, as it takes such a symbol alone.
    if (forward_) result.Value = module_.Origin;
  } catch (const Failure& failure) {
    const bool report =
        options_.Report || (options_.ReportInvalidNumber && failure.Code == Err::InvalidNumber);
    if (report && failure.Code != 0 && !reported_)
      ReportDiagnostic(module_.Session, failure.Code, true, module_.ModuleName, failure.Detail);
    reported_ |= report;
    SkipItem();
    result.Valid = false;
  }
  return result;
}

void ExpressionReader::SkipItem() {
  int nesting = 0;
  for (; at_ < text_.size(); ++at_) {
    const char c = text_[at_];
    if (c == '\'' && at_ + 2 < text_.size() && text_[at_ + 2] == '\'') at_ += 2;
    else if (c == '(' || c == '[') ++nesting;
    else if ((c == ')' || c == ']') && nesting > 0) --nesting;
    else if (c == ',' && nesting == 0) break;
  }
}

ExpressionReader::Operator ExpressionReader::PeekOperator() {
  SkipBlanks();
  if (at_ >= text_.size()) return {};
  const char c = text_[at_];
  const char d = at_ + 1 < text_.size() ? text_[at_ + 1] : '\0';
  switch (c) {
    case '|': return d == '|' ? Operator{kOr, 1, 2} : Operator{kBitOr, 3, 1};
    case '&': return d == '&' ? Operator{kAnd, 2, 2} : Operator{kBitAnd, 5, 1};
    case '^': return {kBitXor, 4, 1};
    case '=': return d == '=' ? Operator{kEqual, 6, 2} : Operator{};
    case '!': return d == '=' ? Operator{kNotEqual, 6, 2} : Operator{};
    case '<':
      if (d == '<') return {kShiftLeft, 8, 2};
      if (d == '=') return {kLessEqual, 7, 2};
      if (d == '>') return {kNotEqual, 6, 2};
      return {kLess, 7, 1};
    case '>':
      if (d == '>') return {kShiftRight, 8, 2};
      if (d == '=') return {kGreaterEqual, 7, 2};
      return {kGreater, 7, 1};
    case '+': return {kPlus, 9, 1};
    case '-': return {kMinus, 9, 1};
    case '*': return {kTimes, 10, 1};
    case '/': return {kDivide, 10, 1};
    case '%': return {kModulo, 10, 1};
    default: return {};
  }
}

std::int64_t ExpressionReader::Binary(int level) {
  if (level > kLevelCount) return Unary();
  std::int64_t value = Binary(level + 1);
  for (;;) {
    const Operator op = PeekOperator();
    if (op.Id == kNone || op.Level != level) {
      if (op.Id == kNone && at_ < text_.size()) {
        const char c = text_[at_];
        if (c != ',' && c != ')' && c != ']' && !IsNameCharacter(c) && c != '$' && c != '\'' &&
            c != '@' && c != '!' && c != '=')
          Fail(Err::UnknownOperator, Shown(c));
      }
      return value;
    }
    at_ += static_cast<std::size_t>(op.Length);
    value = Apply(op.Id, value, Binary(level + 1));
  }
}

std::int64_t ExpressionReader::Apply(int op, std::int64_t a, std::int64_t b) {
  std::int64_t r = 0;
  switch (op) {
    case kOr: return (a != 0 || b != 0) ? 1 : 0;
    case kAnd: return (a != 0 && b != 0) ? 1 : 0;
    case kBitOr: return a | b;
    case kBitXor: return a ^ b;
    case kBitAnd: return a & b;
    case kEqual: return a == b ? 1 : 0;
    case kNotEqual: return a != b ? 1 : 0;
    case kLess: return a < b ? 1 : 0;
    case kLessEqual: return a <= b ? 1 : 0;
    case kGreater: return a > b ? 1 : 0;
    case kGreaterEqual: return a >= b ? 1 : 0;
    case kShiftLeft:
      if (b < 0 || b > 62) Fail(Err::ArithmeticOverflow, "(shift by " + std::to_string(b) + ")");
      r = static_cast<std::int64_t>(static_cast<std::uint64_t>(a) << b);
      if ((r >> b) != a) Fail(Err::ArithmeticOverflow, "(" + std::to_string(a) + " << " + std::to_string(b) + ")");
      return r;
    case kShiftRight:
      if (b < 0) Fail(Err::ArithmeticOverflow, "(shift by " + std::to_string(b) + ")");
      return b > 63 ? (a < 0 ? -1 : 0) : a >> b;
    case kPlus:
      if (__builtin_add_overflow(a, b, &r)) Fail(Err::ArithmeticOverflow, "(+)");
      return r;
    case kMinus:
      if (__builtin_sub_overflow(a, b, &r)) Fail(Err::ArithmeticOverflow, "(-)");
      return r;
    case kTimes:
      if (__builtin_mul_overflow(a, b, &r)) Fail(Err::ArithmeticOverflow, "(*)");
      return r;
    case kDivide:
    case kModulo:
      // Pass 1 may divide by a stand-in value; only pass 2's zero counts.
      if (b == 0) {
        if (forward_) return 0;
        Fail(Err::DivisionByZero);
      }
      if (a == std::numeric_limits<std::int64_t>::min() && b == -1) Fail(Err::ArithmeticOverflow, "(/)");
      return op == kDivide ? FlooredDivide(a, b) : FlooredModulo(a, b);
    default: return 0;
  }
}

std::int64_t ExpressionReader::Unary() {
  SkipBlanks();
  if (at_ >= text_.size()) Fail(Err::ExpressionSyntax, "(a value is missing at the end)");
  if (++depth_ > kMaxExpressionDepth) Fail(Err::ExpressionTooDeep);
  const char c = text_[at_];
  const char d = at_ + 1 < text_.size() ? text_[at_ + 1] : '\0';
  std::int64_t value = 0;
  switch (c) {
    case '-':
      ++at_;
      value = Unary();
      if (value == std::numeric_limits<std::int64_t>::min()) Fail(Err::ArithmeticOverflow, "(-)");
      value = -value;
      break;
    case '+':
      ++at_;
      value = Unary();
      break;
    case '~':
      ++at_;
      value = ~Unary();
      break;
    case '<':
    case '>':
      // Low and high byte of everything to the right, as 64tass reads them.
      ++at_;
      value = Binary(1);
      value = c == '<' ? (value & 0xFF) : ((value >> 8) & 0xFF);
      break;
    case '!':
      if (d == '(' || d == '[' || d == '!') {
        ++at_;
        value = Unary() == 0 ? 1 : 0;
        break;
      }
      value = Primary();
      break;
    default: value = Primary();
  }
  --depth_;
  return value;
}

std::int64_t ExpressionReader::Primary() {
  const char c = text_[at_];
  if (c == '(' || c == '[') {
    const char close = c == '(' ? ')' : ']';
    ++at_;
    const std::int64_t value = Binary(1);
    SkipBlanks();
    if (at_ >= text_.size() || text_[at_] != close)
      Fail(Err::UnbalancedBrackets, "(\"" + std::string(1, close) + "\" expected " + Near() + ")");
    ++at_;
    return value;
  }
  if (c == '*') {
    ++at_;
    return module_.Origin;
  }
  if (c == '$' || c == '%' || (c >= '0' && c <= '9')) return Number();
  if (c == '\'') return CharacterLiteral();
  if (c == '!' || c == '@') return SpecialTerm(c);
  if (IsNameCharacter(c)) return Symbol();
  if (c == ')' || c == ']') Fail(Err::UnbalancedBrackets, Near());
  if (c == ',' ) Fail(Err::ExpressionSyntax, "(a value is missing before \",\")");
  Fail(Err::UnknownOperator, Shown(c));
}

std::int64_t ExpressionReader::Number() {
  const std::size_t start = at_;
  const char c = text_[at_];
  const unsigned base = c == '$' ? 16 : c == '%' ? 2 : 10;
  if (base != 10) ++at_;
  std::uint64_t value = 0;
  std::size_t digits = 0;
  bool tooLarge = false;
  for (; at_ < text_.size(); ++at_, ++digits) {
    const char ch = text_[at_];
    unsigned digit = 0;
    // Lines are upper-cased outside tildes: lower-case digits were written
    // inside a "~" stretch, where no literal reads them either.
    if (ch >= '0' && ch <= '9') digit = static_cast<unsigned>(ch - '0');
    else if (base == 16 && ch >= 'A' && ch <= 'F') digit = static_cast<unsigned>(ch - 'A' + 10);
    else break;
    if (digit >= base) Fail(Err::InvalidNumber, "");
    value = value * base + digit;
    tooLarge |= value > 0xFFFFFFFFull;
  }
  // A name cannot start with a digit: "12AB" is a mistyped number.
  if (digits == 0 || (at_ < text_.size() && IsNameCharacter(text_[at_])))
    Fail(Err::InvalidNumber, "");
  if (tooLarge)
    Fail(Err::NumberTooLarge, "\"" + ShortText(text_.substr(start, at_ - start)) + "\"");
  return static_cast<std::int64_t>(value);
}

std::int64_t ExpressionReader::CharacterLiteral() {
  // 'c': one byte between quotes.
  if (at_ + 2 >= text_.size() || text_[at_ + 2] != '\'')
    Fail(Err::ExpressionSyntax, "(a character literal is one character between ' and ')");
  const char c = text_[at_ + 1];
  const auto code = PetsciiOfUpperCasedCharacter(c);
  if (!code) Fail(Err::NoPetsciiCode, "\"" + std::string(1, c) + "\"");
  at_ += 3;
  return *code;
}

std::int64_t ExpressionReader::Symbol() {
  const std::size_t start = at_;
  while (at_ < text_.size() && IsNameCharacter(text_[at_])) ++at_;
  const std::string_view name = text_.substr(start, at_ - start);
  if (const auto index = module_.Symbols.Find(name)) {
    module_.Symbols.CountUse(*index);
    const std::uint16_t value = module_.Symbols.Value(*index);
    if (module_.Knowledge && !options_.IsPass1) [[unlikely]]
      module_.Knowledge->Reference(module_, name, index, value);
    return value;
  }
  if (options_.IsPass1) {
    if (options_.ForwardIsError)
      Fail(Err::SymbolDefinedLater, std::string(name));
    forward_ = true;
    return module_.Origin;
  }
  if (module_.Knowledge) module_.Knowledge->Reference(module_, name, std::nullopt, std::nullopt);
  Fail(Err::UnknownSymbol, "");
}

// "!FILE" and "@MODULE.NAME" mean what they mean as a term alone; their
// names run over name characters (and "/" in a file's path).
std::int64_t ExpressionReader::SpecialTerm(char kind) {
  const std::size_t start = at_++;
  while (at_ < text_.size() && (IsNameCharacter(text_[at_]) || (kind == '!' && text_[at_] == '/')))
    ++at_;
  const std::string_view term = text_.substr(start, at_ - start);
  if (term.size() == 1) Fail(Err::ExpressionSyntax, Near());
  const std::size_t fatalBefore = module_.Session.FatalReports;
  const std::int64_t value = ResolveTerm(module_, term, options_.IsPass1);
  // The term reported its own fault; the expression has no value then.
  if (module_.Session.FatalReports != fatalBefore) throw Failure{0, {}};
  return value;
}

ExpressionResult EvaluateWholeExpression(ModuleAssembly& module, std::string_view text,
                                         ExpressionOptions options) {
  ExpressionReader reader(module, text, options);
  ExpressionResult result = reader.Next();
  if (result.Valid && !reader.AtEnd()) {
    if (options.Report)
      ReportDiagnostic(module.Session, Err::ExpressionSyntax, true, module.ModuleName,
                       "(\",\" where one value is expected)");
    result.Valid = false;
  }
  return result;
}

}  // namespace qv3
