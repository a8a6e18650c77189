#include "language/hover_text.h"

#include "language/expression_hover.h"

#include <array>
#include <cctype>
#include <string>

#include "engine/compile_knowledge.h"
#include "engine/diagnostics.h"
#include "language/diagnostic_text.h"
#include "engine/instruction.h"
#include "engine/instruction_set.h"
#include "engine/source_text.h"

namespace {

bool IsWordCharacter(unsigned char c) {
  return std::isalnum(c) || c == '_' || c == '$' || c == '%' || c == '@' || c == '.' || c == '~';
}

std::string Hex(std::int64_t value) {
  if (value >= 0 && value <= 0xFFFF) return "$" + qv3::HexText(static_cast<std::uint32_t>(value));
  static constexpr char kDigits[] = "0123456789ABCDEF";
  auto bits = static_cast<std::uint32_t>(value);
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i, bits >>= 4) text[static_cast<std::size_t>(i)] = kDigits[bits & 0xF];
  return "$" + text;
}

std::string Binary(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  const int width = bits <= 0xFF ? 8 : bits <= 0xFFFF ? 16 : 32;
  std::string text = "%";
  for (int bit = width - 1; bit >= 0; --bit) text += (bits >> bit) & 1 ? '1' : '0';
  return text;
}

std::string ValueText(std::int32_t value) { return Hex(value) + " = " + std::to_string(value); }

std::string_view ModeName(int mode, int row) {
  static constexpr std::array<std::string_view, qv3::kAddressingModeCount> kNames = {
      "implied", "immediate", "zero page", "zero page,X", "zero page,Y", "absolute",
      "absolute,X", "absolute,Y", "(indirect,X)", "(indirect),Y", "indirect"};
  // ASL/LSR/ROL/ROR without an operand; NOP's zero-page form is no such sign.
  const qv3::OpcodeEntry zeroPage = qv3::LookupOpcode(row, qv3::kZeroPage);
  if (mode == qv3::kImplied && zeroPage.Length != 0 && !zeroPage.Undocumented) return "accumulator";
  if (qv3::IsRelativeBranch(mode, qv3::LookupOpcode(row, mode))) return "relative";
  return kNames[static_cast<std::size_t>(mode)];
}

// What the 8501 does with these varies from chip to chip (and with the
// TED's bus sharing); the others are as dependable as the documented ones.
std::string_view UndocumentedNote(int row) {
  const std::string_view name = qv3::Mnemonics[static_cast<std::size_t>(row)];
  for (const std::string_view unstable : {"ANE", "LXA", "SHA", "SHX", "SHY", "TAS"})
    if (name == unstable) return "; undocumented, unstable on real chips";
  return "; undocumented";
}

std::string DescribeMode(int row, int mode) {
  const qv3::OpcodeEntry entry = qv3::LookupOpcode(row, mode);
  std::string text(qv3::Mnemonics[static_cast<std::size_t>(row)]);
  text += ' ';
  text += ModeName(mode, row);
  const bool branch = qv3::IsRelativeBranch(mode, entry);
  if (!branch && mode != qv3::kImplied) {
    text += " (";
    text += qv3::AddressingModeNotations[static_cast<std::size_t>(mode)];
    text += ')';
  }
  text += ": opcode $" + qv3::HexText(entry.Opcode) + ", " + std::to_string(entry.Length) +
          (entry.Length == 1 ? " byte, " : " bytes, ");
  // JAM has no cycle count: it never completes.
  text += entry.Cycles == 0 ? std::string("halts the CPU") : std::to_string(entry.Cycles) + " cycles";
  if (branch)
    text += " not taken, " + std::to_string(entry.Cycles + 1) + " taken, " +
            std::to_string(entry.Cycles + 2) + " taken to another page";
  else if (entry.PageCrossCycle)
    text += " (+1 when the indexed address crosses a page)";
  if (entry.Undocumented) text += UndocumentedNote(row);
  return text;
}

std::string FlagsText(int row) {
  const std::string_view flags = qv3::FlagsChanged(row);
  if (flags.empty()) return "changes no flags";
  std::string text = "changes ";
  for (const char flag : flags) {
    if (text.size() > 8) text += ' ';
    text += flag;
  }
  return text;
}

// Where a definition stands, seen from the module that refers to it.
std::string PlaceText(const qv3::ModuleKnowledge& from, const qv3::DefinitionPlace& place) {
  const qv3::SymbolDefinition& definition = *place.Definition;
  std::string text = definition.Kind == qv3::SymbolKind::Label ? "label" : "constant";
  text += definition.Where.FromInclude ? ", defined in a file included in line " : ", defined in line ";
  text += std::to_string(definition.Where.Line);
  if (place.Module != &from) text += " of module " + place.Module->Name;
  return text;
}

}  // namespace

std::optional<WordSpan> WordAtColumn(std::string_view line, std::size_t column) {
  if (column >= qv3::StripComment(line).size()) return std::nullopt;
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(line[i]); };
  if (!IsWordCharacter(at(column))) return std::nullopt;
  WordSpan word{column, column + 1};
  while (word.Begin > 0 && IsWordCharacter(at(word.Begin - 1))) --word.Begin;
  while (word.End < line.size() && IsWordCharacter(at(word.End))) ++word.End;
  return word;
}

std::string NumberLiteralHover(std::string_view line, std::size_t column) {
  const std::optional<WordSpan> word = WordAtColumn(line, column);
  if (!word) return {};
  const char first = line[word->Begin];
  if (first != '$' && first != '%' && !std::isdigit(static_cast<unsigned char>(first))) return {};
  // The literal as the assembler reads it: upper case only outside tildes.
  const std::string read =
      qv3::UpperCaseOutsideTildes(line.substr(0, word->End)).substr(word->Begin);
  const qv3::NumberLiteral literal = qv3::ReadNumberLiteral(read);
  if (!literal.Valid) {
    std::string text = read + ": ";
    text += qv3::ErrorMessage(qv3::Err::InvalidNumber);
    text += " (read as " + std::to_string(literal.Value) + ")";
    if (read.find('~') != std::string::npos) text += "; between ~ letters keep their case, and a ~ is no digit";
    return text;
  }
  return ValueText(literal.Value) + " = " + Binary(literal.Value);
}

std::string MnemonicHover(std::string_view line, std::size_t column,
                          const qv3::ModuleKnowledge* module, std::int32_t lineNumber) {
  const std::optional<qv3::InstructionForm> form = qv3::ReadInstructionForm(line);
  if (!form || column < form->MnemonicColumn || column >= form->MnemonicColumn + form->MnemonicLength)
    return {};
  const int row = form->Row;

  // The punctuation names the mode; for an absolute form the assembler
  // takes zero page when the value fits a byte (unless ".16" forbids it).
  std::vector<int> modes;
  const int written = form->WrittenMode;
  if (written == qv3::kAbsolute || written == qv3::kAbsoluteX || written == qv3::kAbsoluteY)
    modes.push_back(written - 3);
  modes.push_back(written);
  std::erase_if(modes, [row](int mode) { return qv3::LookupOpcode(row, mode).Length == 0; });

  std::uint32_t assembledSize = 0;
  std::optional<std::int32_t> address;
  if (module)
    for (const qv3::AssembledRange& range : module->RangesOfLine(lineNumber))
      if (range.Size > 0) {
        assembledSize = range.Size;
        address = range.Address;
        break;
      }

  std::string text;
  if (assembledSize > 0) {
    std::erase_if(modes, [&](int mode) { return qv3::LookupOpcode(row, mode).Length != assembledSize; });
  } else if (modes.size() == 2 && form->Postfix == "16") {
    modes.erase(modes.begin());
  }
  if (modes.empty()) {
    text = std::string(qv3::Mnemonics[static_cast<std::size_t>(row)]) + ": ";
    text += qv3::ErrorMessage(qv3::Err::ModeNotApplicable);
  } else if (modes.size() == 1) {
    text = DescribeMode(row, modes.front());
    if (address) text += "\nat " + Hex(*address);
  } else {
    text = "zero page when the value is below $100, else absolute:";
    for (const int mode : modes) text += "\n" + DescribeMode(row, mode);
  }
  return text + "\n" + FlagsText(row);
}

std::string SymbolHover(const qv3::CompileKnowledge& knowledge, const qv3::ModuleKnowledge& module,
                        std::int32_t lineNumber, std::size_t column) {
  const auto at = static_cast<std::uint32_t>(column);
  if (const qv3::SymbolReference* reference = module.ReferenceAt(lineNumber, at)) {
    if (reference->Anonymous && reference->Value) {
      const auto target = static_cast<std::uint16_t>(*reference->Value & 0xFFFF);
      const std::optional<std::int32_t> line = module.LineAtAddress(target);
      return reference->Name + " = " + ValueText(*reference->Value) + "\nanonymous label" +
             (line ? ", line " + std::to_string(*line) : std::string());
    }
    std::string text = reference->External
                           ? "@" + qv3::UpperCaseOutsideTildes(reference->Module) + "." + reference->Name
                           : reference->Name;
    const std::optional<qv3::DefinitionPlace> place = knowledge.DefinitionOf(*reference);
    if (reference->Value)
      text += " = " + ValueText(*reference->Value);
    else if (place && place->Definition->HasValue)
      text += " = " + ValueText(place->Definition->Value);
    else
      text += ": value not known";
    text += "\n";
    text += place ? PlaceText(module, *place) : std::string(qv3::ErrorMessage(qv3::Err::UnknownSymbol));
    return text;
  }
  if (const auto index = module.DefinitionAt(lineNumber, at)) {
    const qv3::SymbolDefinition& definition = module.Definitions[*index];
    const std::size_t uses = knowledge.ReferencesTo(module, *index).size();
    return definition.Name + " = " + ValueText(definition.Value) + "\n" +
           (definition.Kind == qv3::SymbolKind::Label ? "label" : "constant") + " defined here, " +
           std::to_string(uses) + (uses == 1 ? " use" : " uses");
  }
  return {};
}

// The line's diagnostics without what the editor shows already (the module,
// the line): "Fatal: Unknown constant/label".
std::string DiagnosticsHover(const qv3::ModuleKnowledge& module, std::int32_t lineNumber, std::string_view line) {
  std::string text;
  for (const qv3::LineDiagnostic* diagnostic : module.DiagnosticsOfLine(lineNumber)) {
    if (!text.empty()) text += '\n';
    text += diagnostic->Fatal ? "Fatal: " : "Warning: ";
    text += DiagnosticMessage(*diagnostic, line);
  }
  return text;
}

std::string HoverText(const qv3::CompileKnowledge* knowledge, std::string_view line,
                      std::int32_t lineNumber, std::size_t column) {
  const qv3::ModuleKnowledge* module = knowledge ? knowledge->TopModule() : nullptr;
  std::string diagnostics = module ? DiagnosticsHover(*module, lineNumber, line) : std::string();
  std::string meaning = module ? SymbolHover(*knowledge, *module, lineNumber, column) : std::string();
  if (meaning.empty()) meaning = MnemonicHover(line, column, module, lineNumber);
  if (meaning.empty()) meaning = NumberLiteralHover(line, column);
  // Inside an expression, what the whole of it came to follows.
  if (module) {
    const std::string expression = ExpressionHover(*module, line, lineNumber, column);
    if (!expression.empty()) meaning = meaning.empty() ? expression : meaning + "\n\n" + expression;
  }
  if (diagnostics.empty()) return meaning;
  if (meaning.empty()) return diagnostics;
  return diagnostics + "\n\n" + meaning;
}
