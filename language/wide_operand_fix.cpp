// SPDX-License-Identifier: GPL-3.0-or-later
#include "language/wide_operand_fix.h"

#include "engine/instruction.h"
#include "engine/instruction_set.h"

std::optional<std::string> WideOperandReplacement(std::string_view line) {
  const std::optional<qv3::InstructionForm> form = qv3::ReadInstructionForm(line);
  if (!form || !form->Postfix.empty()) return std::nullopt;
  // A written absolute mode stands for its zero-page counterpart as well,
  // three columns to the left; the value chose that one and found no opcode.
  const int mode = form->WrittenMode;
  if (mode != qv3::kAbsolute && mode != qv3::kAbsoluteX && mode != qv3::kAbsoluteY) return std::nullopt;
  const qv3::OpcodeEntry wide = qv3::LookupOpcode(form->Row, mode);
  if (wide.Length == 0 || qv3::IsRelativeBranch(mode, wide)) return std::nullopt;
  if (qv3::LookupOpcode(form->Row, mode - 3).Length != 0) return std::nullopt;
  std::string text(line);
  text.insert(form->MnemonicColumn + form->MnemonicLength, ".16");
  return text;
}
