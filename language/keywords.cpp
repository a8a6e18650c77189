// SPDX-License-Identifier: GPL-3.0-or-later
#include "language/keywords.h"

#include <string>

#include "engine/instruction_set.h"
#include "engine/source_text.h"

bool IsDirective(std::string_view word) {
  for (const auto& directive : kDirectives)
    if (qv3::EqualsIgnoringCase(directive.Name, word)) return true;
  return false;
}

// The other names of undocumented instructions (ISB, ASR ...) count too.
bool IsMnemonic(std::string_view word) {
  if (word.size() != 3) return false;
  std::string upper(word);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return qv3::FindMnemonic(upper) >= 0;
}
