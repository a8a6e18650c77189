// The state of the block layer (engine/line_source.h) over one module's
// passes: open conditions, the body being read, the macros, the expansion
// under way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/line_source.h"

namespace qv3 {

enum class BlockWord { None, If, ElseIf, Else, EndIf, Repeat, EndRepeat, Macro, EndMacro, Error, Warning };

struct BlockBodyLine {
  std::string Text;  // comment cut, as written
  std::int32_t ModuleLine = 0;
  std::int32_t FileLine = 0;
  std::uint32_t File = 0;  // 1 + index into LineSourceState::Files; 0: the module
};

struct OpenConditional {
  bool ParentActive = true;
  bool Active = true;
  bool Taken = false;  // a branch was taken: the later ones are skipped
  bool SeenElse = false;
  std::int32_t Line = 0;
  std::string Text;  // the IF line, for a report at the module's end
};

struct MacroDefinition {
  std::vector<std::string> Parameters;  // upper case
  std::vector<BlockBodyLine> Body;
};

// A REPEAT or MACRO block whose body is being read.
struct BlockRecording {
  BlockWord Kind = BlockWord::Repeat;
  int Nesting = 0;  // blocks of the same kind opened inside
  std::vector<BlockBodyLine> Body;
  std::int64_t Count = 0;
  std::string Counter;  // REPEAT's loop counter name, upper case; may be empty
  std::string CountText;
  std::string Name;  // MACRO's
  std::vector<std::string> Parameters;
  bool Valid = true;  // a refused MACRO line: its body is read and dropped
  std::int32_t Line = 0;
  std::string Text;
};

// A parameter or loop counter and the text that replaces it.
struct Substitution {
  std::string_view Name;
  std::string_view Text;
};

struct LineSourceState {
  std::vector<OpenConditional> Conditionals;
  std::optional<BlockRecording> Open;
  std::unordered_map<std::string, MacroDefinition> Macros;  // by folded name
  std::vector<ExpansionFrame> Frames;
  std::vector<std::string> Files;  // the included files body lines came from
  std::int64_t Lines = 0;          // expanded and recorded in this pass
  bool Stopped = false;            // a limit was reached: no more expansion in this pass
  // Expansions so far of each macro (and of REPEAT rounds, under
  // "REPEAT"), by folded name: they name the scopes of expansions.
  std::unordered_map<std::string, std::uint32_t> Expansions;
  std::size_t FatalAtInvocation = 0;  // the fatal count when the outermost expansion began
  bool Abandoned = false;             // the outermost expansion is left (too many errors)
  // Pass 1's conditions and REPEAT counts in the order met: pass 2 takes
  // the same branches and counts, so both passes see the same lines.
  std::vector<std::int64_t> Decisions;
  std::size_t NextDecision = 0;
};

}  // namespace qv3
