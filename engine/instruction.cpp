#include "engine/instruction.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/directives.h"
#include "engine/block_diagnostics.h"
#include "engine/instruction_set.h"
#include "engine/knowledge_collector.h"
#include "engine/line_context.h"
#include "engine/module_assembly.h"
#include "engine/operand_reading.h"
#include "engine/operands.h"
#include "engine/session.h"
#include "engine/source_text.h"
#include "engine/value_range.h"

namespace qv3 {

namespace {
void Report(ModuleAssembly& module, ErrorCode code, bool fatal) {
  ReportDiagnostic(module.Session, code, fatal, module.ModuleName);
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

void EraseFirst(std::string& text, std::string_view part) {
  const auto at = text.find(part);
  if (at != std::string::npos) text.erase(at, part.size());
}

// Which marks an operand holds, noted while its text is gathered so that
// the searches for absent ones are skipped.
struct OperandShape {
  bool Comma = false, CommaX = false, CommaY = false;
  bool Hash = false, Open = false, Close = false, Plus = false, Minus = false;
};

// The operand text, blanks removed wherever they stand, into operand.
OperandShape OperandText(std::string_view rest, std::string& operand) {
  OperandShape shape;
  operand.resize(rest.size());
  std::size_t size = 0;
  char previous = 0;
  for (char c : rest) {
    if (c == ' ') continue;
    operand[size++] = c;
    if (previous == ',') {
      shape.CommaX |= c == 'X';
      shape.CommaY |= c == 'Y';
    }
    shape.Comma |= c == ',';
    shape.Hash |= c == '#';
    shape.Open |= c == '(';
    shape.Close |= c == ')';
    shape.Plus |= c == '+';
    shape.Minus |= c == '-';
    previous = c;
  }
  operand.resize(size);
  return shape;
}

// The addressing mode by the operand's punctuation alone.
int ClassifyOperand(std::string_view operand, const OperandShape& shape) {
  if (operand.empty()) return kImplied;
  if (operand[0] == '#') return kImmediate;
  if (operand[0] == '(') {
    int mode = -1;
    if (shape.CommaX) mode = kIndexedIndirect;
    if (shape.CommaY) mode = kIndirectIndexed;
    if (!shape.Comma) mode = kIndirect;
    if (mode >= 0) return mode;
    // "(" with a comma but neither ",X" nor ",Y": taken as absolute below.
  }
  int mode = kAbsolute;
  if (shape.CommaX) mode = kAbsoluteX;
  if (shape.CommaY) mode = kAbsoluteY;
  return mode;
}

// The expression left when the mode's punctuation is taken out (in place):
// the first ",X", then the first ",Y", "#", "(" and ")".
void OperandExpression(std::string& operand, OperandShape shape) {
  if (shape.CommaX) {
    EraseFirst(operand, ",X");
    shape.CommaY = Contains(operand, ",Y");  // the cut may have joined a "," and a "Y"
  }
  if (shape.CommaY) EraseFirst(operand, ",Y");
  if (shape.Hash) EraseFirst(operand, "#");
  if (shape.Open) EraseFirst(operand, "(");
  if (shape.Close) EraseFirst(operand, ")");
}

std::int32_t Add(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
std::int32_t Subtract(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

// One operator at most: the first "+", else the first "-", else a leading
// "<" or ">" byte selector, else a single term.
std::int32_t ExpressionValue(ModuleAssembly& module, std::string_view expression,
                             const OperandShape& shape, bool isPass1) {
  if (expression.empty()) return 0;
  auto term = [&](std::string_view text) { return ResolveTerm(module, text, isPass1); };
  if (shape.Plus) {
    const auto plus = expression.find('+');
    return Add(term(expression.substr(0, plus)), term(expression.substr(plus + 1)));
  }
  if (shape.Minus) {
    const auto minus = expression.find('-');
    return Subtract(term(expression.substr(0, minus)), term(expression.substr(minus + 1)));
  }
  if (expression[0] == '<') return term(expression.substr(1)) & 0xFF;
  if (expression[0] == '>') return (term(expression.substr(1)) >> 8) & 0xFF;
  return term(expression);
}

// "-", "--", "+", "++", ... as the whole operand of an instruction that
// takes an absolute address and has no zero-page form (the branches, JMP,
// JSR): an anonymous label. Read as today's expression such an operand
// is 0 or below 256, a mode these instructions lack, so the line failed;
// only "+..." with a symbol named by the signs after the first one (0 +
// its value) meant something, and keeps that meaning.
std::optional<std::int32_t> AnonymousOperand(ModuleAssembly& module, int row, int mode,
                                             std::string_view postfix, std::string_view expression,
                                             bool isPass1) {
  if (!postfix.empty() || mode != kAbsolute || expression.empty()) return std::nullopt;
  const char sign = expression[0];
  if (sign != '+' && sign != '-') return std::nullopt;
  for (char c : expression)
    if (c != sign) return std::nullopt;
  if (LookupOpcode(row, kAbsolute).Length == 0 || LookupOpcode(row, kZeroPage).Length != 0)
    return std::nullopt;
  if (sign == '+' && expression.size() > 1 && module.Symbols.Find(expression.substr(1)))
    return std::nullopt;
  bool known = true;
  if (const auto target = module.Scopes.AnonymousTarget(sign == '+', expression.size(), known)) {
    if (module.Knowledge && !isPass1) module.Knowledge->AnonymousReference(module, expression, *target);
    return *target;
  }
  // Pass 1 does not know the labels ahead: sized as for a label ahead.
  if (known && !(isPass1 && sign == '+'))
    ReportDiagnostic(module.Session, Err::AnonymousLabelNotFound, true, module.ModuleName);
  return module.Origin;
}

std::string HexByte(std::uint8_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[value >> 4], kDigits[value & 0xF]};
}

std::string OperandListing(int mode, std::int32_t value, std::int32_t branchTarget, bool branch) {
  const std::string h = HexText(static_cast<std::uint32_t>(value));
  switch (mode) {
    case kImplied: return {};
    case kImmediate: return "#$" + h;
    case kZeroPage: return "$" + h;
    case kZeroPageX: return "$" + h + ",X";
    case kZeroPageY: return "$" + h + ",Y";
    case kAbsolute: return "$" + (branch ? HexText(static_cast<std::uint32_t>(branchTarget)) : h);
    case kAbsoluteX: return "$" + h + ",X";
    case kAbsoluteY: return "$" + h + ",Y";
    case kIndexedIndirect: return "($" + h + ",X)";
    case kIndirectIndexed: return "($" + h + "),Y";
    case kIndirect: return "($" + h + ")";
    default: return {};
  }
}

void WriteCodeLine(ModuleAssembly& module, int row, int mode, OpcodeEntry entry,
                   std::int32_t value, const std::string& expression) {
  const auto low = static_cast<std::uint8_t>(value & 0xFF);
  const auto high = static_cast<std::uint8_t>((value >> 8) & 0xFF);
  std::string line = ListingAddress(module.Origin);
  line += " : ";
  line += HexByte(entry.Opcode);
  if (entry.Length == 1) {
    line += "      ";
  } else if (entry.Length == 2) {
    line += ' ' + HexByte(low) + "   ";
  } else {
    line += ' ' + HexByte(low) + ' ' + HexByte(high);
  }
  line += "   ";
  line += Mnemonics[static_cast<std::size_t>(row)];
  line += ' ';
  const bool branch = IsRelativeBranch(mode, entry);
  line += OperandListing(mode, value, Add(Add(module.Origin, value), 2), branch);
  if (!expression.empty()) {
    line += "\t\t[";
    line += expression;
    line += ']';
  }
  WriteObjectLine(module, line);
}
}  // namespace

void AssembleInstruction(ModuleAssembly& module, LineContext& line) {
  if (line.AfterLabel) line.FirstWord = TakeWordOf(line.RestOfLine);
  if (line.FirstWord.empty()) return;  // a label alone on its line

  // Only "16" is a known postfix; letter case cannot make or unmake it.
  std::string_view mnemonic = line.FirstWord;
  std::string_view postfix;
  if (const auto dot = mnemonic.find('.'); dot != std::string_view::npos) {
    postfix = mnemonic.substr(dot + 1);
    mnemonic = mnemonic.substr(0, dot);
  }

  const int row = FindMnemonic(mnemonic);
  if (row < 0) {
    Report(module, Err::UnknownInstruction, true);
    return;
  }

  std::string& expression = module.OperandScratch;
  const OperandShape shape = OperandText(line.RestOfLine, expression);
  int mode = ClassifyOperand(expression, shape);
  OperandExpression(expression, shape);
  std::int64_t value = 0;
  std::optional<std::int32_t> anonymous;
  if ((shape.Plus || shape.Minus) &&
      (anonymous = AnonymousOperand(module, row, mode, postfix, expression, line.IsPass1))) [[unlikely]] {
    value = *anonymous;
  } else if (TodaysReadingHolds(module, expression, shape.Plus, shape.Minus, line.IsPass1)) [[likely]] {
    value = ExpressionValue(module, expression, shape, line.IsPass1);
  } else {
    const ReadOperand read = ReadOperandWithExpressions(module, line.RestOfLine, line.IsPass1);
    mode = read.Mode;
    value = read.Value;
    expression.assign(read.Expression);
  }

  // The zero-page form is chosen by the value, not by how it was written.
  if (value < 256 && (mode == kAbsolute || mode == kAbsoluteX || mode == kAbsoluteY)) mode -= 3;

  if (!postfix.empty()) {
    if (postfix == "16") {
      if (mode == kZeroPage || mode == kZeroPageX || mode == kZeroPageY)
        mode += 3;
      else
        Report(module, Err::ModeCannotChange, false);
    } else {
      Report(module, Err::UnknownPostfix, false);
    }
  }

  const OpcodeEntry entry = LookupOpcode(row, mode);
  if (entry.Length == 0) {
    Report(module, Err::ModeNotApplicable, true);
    return;
  }

  const bool branch = IsRelativeBranch(mode, entry);
  if (branch) {
    // Today's operands are 32-bit and wrap; only a wider value of the
    // expression grammar can lie beyond them, and it is out of range.
    const bool wide = value != static_cast<std::int32_t>(value);
    value = Subtract(Subtract(static_cast<std::int32_t>(value), module.Origin), 2);
    if (wide || value < -128 || value > 127) {
      Report(module, Err::BranchOutOfRange, true);
      return;
    }
  }

  if (!line.IsPass1) {
    if (!branch && entry.Length >= 2) WarnIfValueDoesNotFit(module, value, entry.Length - 1);
    WriteLoadAddress(module);
    SeekOrigin(module);
    WriteProgramByte(module, entry.Opcode);
    if (entry.Length >= 2) WriteProgramByte(module, static_cast<std::uint8_t>(value & 0xFF));
    if (entry.Length == 3) WriteProgramByte(module, static_cast<std::uint8_t>((value >> 8) & 0xFF));
    if (module.CodeListing)
      WriteCodeLine(module, row, mode, entry, static_cast<std::int32_t>(value), expression);
    if (module.Knowledge) [[unlikely]]
      module.Knowledge->Instruction(module, module.Origin, entry.Opcode, entry.Length);
  }

  AdvanceOrigin(module, entry.Length);
}

}  // namespace qv3

namespace qv3 {

std::optional<InstructionForm> ReadInstructionForm(std::string_view lineText) {
  // The same text the line processor works on: comment cut, upper case
  // outside tildes, TABs as blanks; positions stay those of the line.
  std::string text = UpperCaseOutsideTildes(StripComment(lineText));
  for (char& c : text)
    if (c == '\t') c = ' ';
  std::string_view rest = text;
  std::string_view word = TakeWordOf(rest);
  if (word.empty() || (rest.find('=') != std::string_view::npos && DefinesConstant(rest))) return std::nullopt;
  if (word.back() == ':') word = TakeWordOf(rest);
  if (word.empty()) return std::nullopt;

  InstructionForm form;
  form.MnemonicColumn = static_cast<std::size_t>(word.data() - text.data());
  form.MnemonicLength = word.size();
  std::string_view mnemonic = word;
  if (const auto dot = mnemonic.find('.'); dot != std::string_view::npos) {
    form.Postfix.assign(mnemonic.substr(dot + 1));
    mnemonic = mnemonic.substr(0, dot);
  }
  form.Row = FindMnemonic(mnemonic);
  if (form.Row < 0) return std::nullopt;
  std::string operand;
  const OperandShape shape = OperandText(rest, operand);
  form.WrittenMode = ClassifyOperand(operand, shape);
  return form;
}

}  // namespace qv3
