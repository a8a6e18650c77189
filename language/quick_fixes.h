// SPDX-License-Identifier: GPL-3.0-or-later
// The fixes a check's diagnostics offer, one list for qv3-lsp's code actions
// and the editor's Quick Fix: a branch out of reach becomes the inverted
// branch over a JMP (branch_fix.h), an address whose zero-page form the
// instruction lacks gets ".16" (wide_operand_fix.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/compile_knowledge.h"

struct QuickFix {
  std::int32_t Line = 0;  // 1-based
  std::string Title;
  std::string NewText;  // replaces the whole line, its break kept
};

// The fixes for the diagnostics of module on lines first..last (1-based,
// inclusive), in line order, one per line and kind. lineText gives a line
// as the document holds it now; lineBreak joins the lines a fix makes.
std::vector<QuickFix> QuickFixesOfLines(const qv3::ModuleKnowledge& module, std::int32_t first,
                                        std::int32_t last,
                                        const std::function<std::string_view(std::int32_t)>& lineText,
                                        std::string_view lineBreak);
