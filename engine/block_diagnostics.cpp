#include "engine/block_diagnostics.h"

#include <array>

namespace qv3 {

namespace {
// Indexed from code 40.
constexpr std::array<std::string_view, 20> kBlockMessages = {
    "IF without ENDIF",
    "ELSEIF, ELSE or ENDIF without IF",
    "ELSEIF or ELSE after ELSE",
    "REPEAT without ENDREPEAT",
    "ENDREPEAT without REPEAT",
    "REPEAT count must be 0 to 65536",
    "MACRO without ENDMACRO",
    "ENDMACRO without MACRO",
    "Macro name is not a name, or is an instruction, directive or keyword",
    "Macro already defined",
    "Wrong number of macro arguments",
    "Macros and REPEAT blocks nested more than 64 deep",
    "Expansion too large: more than 1000000 lines from macros and REPEAT blocks",
    "Anonymous label not found",
    "Local label defined in several scopes, none of them this one",
    "Value must be known here: a symbol defined further down cannot be used",
    "Error:",
    "Warning:",
    "Syntax error in IF, REPEAT or MACRO line",
    "Too many errors in this expansion: the rest of it is left out",
};
}  // namespace

std::string_view BlockErrorMessage(ErrorCode code) {
  if (code < 40 || code >= 40 + kBlockMessages.size()) return {};
  return kBlockMessages[code - 40];
}

}  // namespace qv3
