// SPDX-License-Identifier: GPL-3.0-or-later
#include "language/quick_fixes.h"

#include <algorithm>
#include <optional>

#include "engine/diagnostics.h"
#include "engine/instruction.h"
#include "engine/instruction_set.h"
#include "language/branch_fix.h"
#include "language/wide_operand_fix.h"

namespace {
std::string WideTitle(std::string_view fixed) {
  const std::optional<qv3::InstructionForm> form = qv3::ReadInstructionForm(fixed);
  const std::string mnemonic(qv3::Mnemonics[static_cast<std::size_t>(form->Row)]);
  return "Use " + mnemonic + ".16 (" + mnemonic + " has no zero-page " +
         std::string(qv3::AddressingModeNotations[static_cast<std::size_t>(form->WrittenMode - 3)]) +
         " form; " + std::string(qv3::AddressingModeNotations[static_cast<std::size_t>(form->WrittenMode)]) +
         " reaches the zero page too)";
}

bool OnlyFatalOfItsLine(const qv3::ModuleKnowledge& module, const qv3::LineDiagnostic& diagnostic) {
  for (const qv3::LineDiagnostic* other : module.DiagnosticsOfLine(diagnostic.Line))
    if (other->Fatal && other->Code != diagnostic.Code) return false;
  return true;
}
}  // namespace

std::vector<QuickFix> QuickFixesOfLines(const qv3::ModuleKnowledge& module, std::int32_t first,
                                        std::int32_t last,
                                        const std::function<std::string_view(std::int32_t)>& lineText,
                                        std::string_view lineBreak) {
  std::vector<QuickFix> fixes;
  const auto offered = [&](std::int32_t line, const std::string& title) {
    return std::any_of(fixes.begin(), fixes.end(),
                       [&](const QuickFix& fix) { return fix.Line == line && fix.Title == title; });
  };
  for (const qv3::LineDiagnostic& diagnostic : module.Diagnostics) {
    if (diagnostic.Line < first || diagnostic.Line > last) continue;
    const std::string_view line = lineText(diagnostic.Line);
    std::optional<std::string> replacement;
    std::string title;
    if (diagnostic.Code == qv3::Err::BranchOutOfRange) {
      replacement = LongBranchReplacement(line, lineBreak);
      title = "Branch over a JMP (the target is out of a branch's reach)";
    } else if (diagnostic.Code == qv3::Err::ModeNotApplicable && OnlyFatalOfItsLine(module, diagnostic)) {
      // An unknown name reads as 0, a zero-page address: JSR NOWHERE needs
      // its name mended, not ".16".
      replacement = WideOperandReplacement(line);
      if (replacement) title = WideTitle(*replacement);
    }
    if (!replacement || offered(diagnostic.Line, title)) continue;
    fixes.push_back({diagnostic.Line, std::move(title), std::move(*replacement)});
  }
  std::stable_sort(fixes.begin(), fixes.end(), [](const QuickFix& a, const QuickFix& b) { return a.Line < b.Line; });
  return fixes;
}
