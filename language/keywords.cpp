// SPDX-License-Identifier: GPL-3.0-or-later
#include "language/keywords.h"

#include "engine/instruction_set.h"
#include "engine/source_text.h"

bool IsDirective(std::string_view word) {
  for (const auto& directive : kDirectives)
    if (qv3::EqualsIgnoringCase(directive.Name, word)) return true;
  return false;
}

bool IsMnemonic(std::string_view word) {
  for (const std::string_view mnemonic : qv3::Mnemonics)
    if (qv3::EqualsIgnoringCase(mnemonic, word)) return true;
  return false;
}
