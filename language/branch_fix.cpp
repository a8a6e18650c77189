// SPDX-License-Identifier: GPL-3.0-or-later
#include "language/branch_fix.h"

#include <array>
#include <utility>

#include "engine/instruction.h"
#include "engine/instruction_set.h"
#include "engine/source_text.h"

namespace {
constexpr std::array<std::pair<std::string_view, std::string_view>, 8> kInverse = {{
    {"BCC", "BCS"}, {"BCS", "BCC"}, {"BEQ", "BNE"}, {"BNE", "BEQ"},
    {"BMI", "BPL"}, {"BPL", "BMI"}, {"BVC", "BVS"}, {"BVS", "BVC"},
}};
}  // namespace

std::optional<std::string> LongBranchReplacement(std::string_view line, std::string_view lineBreak) {
  const std::optional<qv3::InstructionForm> form = qv3::ReadInstructionForm(line);
  if (!form) return std::nullopt;
  const std::string_view mnemonic = qv3::Mnemonics[static_cast<std::size_t>(form->Row)];
  std::string_view inverse;
  for (const auto& [branch, opposite] : kInverse)
    if (branch == mnemonic) inverse = opposite;
  if (inverse.empty()) return std::nullopt;

  const std::string_view code = qv3::StripComment(line);
  const std::string_view comment = line.substr(code.size());
  std::size_t operandStart = form->MnemonicColumn + form->MnemonicLength;
  while (operandStart < code.size() && (code[operandStart] == ' ' || code[operandStart] == '\t')) ++operandStart;
  std::size_t operandEnd = code.size();
  while (operandEnd > operandStart && (code[operandEnd - 1] == ' ' || code[operandEnd - 1] == '\t')) --operandEnd;
  if (operandStart >= operandEnd) return std::nullopt;
  const std::string_view target = code.substr(operandStart, operandEnd - operandStart);

  // The JMP lines up under the branch: the label's bytes become blanks.
  std::string indent(line.substr(0, form->MnemonicColumn));
  for (char& c : indent)
    if (c != '\t') c = ' ';
  if (indent.empty()) indent = "\t";
  // A branch is 2 bytes and a JMP 3: "*+5" lands after the JMP.
  std::string text(line.substr(0, form->MnemonicColumn));
  text += inverse;
  text += " *+5";
  if (!comment.empty()) {
    // The blanks that stood between the operand and the comment, or one.
    const std::string_view gap = code.substr(operandEnd);
    text += gap.empty() ? std::string_view(" ") : gap;
    text += comment;
  }
  text += lineBreak;
  text += indent;
  text += "JMP ";
  text += target;
  return text;
}
