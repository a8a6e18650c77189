// The layer between a source's lines and the line processor: conditional
// assembly (IF, ELSEIF, ELSE, ENDIF), repetition (REPEAT, ENDREPEAT), macros
// (MACRO, ENDMACRO and invocations) and the program's own ERROR and WARNING
// lines. It hands ProcessLine plain lines, skips those of branches not
// taken and makes the lines of expansions, each knowing where it came from.
//
// Every line of a module and of its INCLUDEd files passes FeedLine. A module
// that uses none of these forms costs one look at each line's first word.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/directives.h"
#include "engine/module_assembly.h"

namespace qv3 {

// Where a line stands in the file that holds it.
struct LineOrigin {
  std::int32_t ModuleLine = 0;  // the module's line: itself, or the INCLUDE line it came through
  std::int32_t FileLine = 0;    // 1-based, in the file that holds it
  std::string_view File;        // the INCLUDEd file's path; empty for the module itself
};

// The line of an expansion being handled, for the listing, the knowledge
// collector and the debugger's line map.
struct ExpansionFrame {
  std::string Name;             // the macro's name; empty for a REPEAT block
  std::int32_t ModuleLine = 0;  // the module line that holds the body line
  LineOrigin Body;              // the body line in its file
};

// One line of a source (its comment not cut yet). Until the first keyword
// the line processor reads every line itself, and hands back the one that
// starts with a keyword; from then on the layer looks at each line first.
void FeedBlockLine(ModuleAssembly& module, std::string_view text, bool isPass1, const LineOrigin& origin);
inline void FeedLine(ModuleAssembly& module, std::string_view text, bool isPass1,
                     const LineOrigin& origin) {
  if (!module.Blocks && ProcessLine(module, text, isPass1, true)) [[likely]]
    return;
  FeedBlockLine(module, text, isPass1, origin);
}

// Around each pass: the first forgets the blocks and macros of the pass
// before (the decisions pass 1 took are kept for pass 2); the second reports
// the blocks left open at the module's end.
void StartBlocksPass(ModuleAssembly& module, bool isPass1);
void EndBlocksPass(ModuleAssembly& module);

// Around an INCLUDEd file: blocks opened in it must close in it.
struct BlockMark {
  std::size_t Conditionals = 0;
};
BlockMark EnterBlocksFile(ModuleAssembly& module);
void LeaveBlocksFile(ModuleAssembly& module, BlockMark mark);

// The expansion lines being handled, innermost last (empty outside one).
const std::vector<ExpansionFrame>* CurrentExpansion(const ModuleAssembly& module);

}  // namespace qv3
