// Go to definition and find references, worked out from what the last check
// learnt; the widgets only show the places found here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/compile_knowledge.h"

class QPlainTextEdit;

// A place to show: a module (as diagnostics name it) and a span of its source.
struct SourcePlace {
  std::string Name;  // the symbol's
  std::string Module;
  qv3::SourceSpan Span;
  bool IsDefinition = false;
};

// The definition of the symbol at column of the 1-based line of the top
// module: the one a reference resolves to (in another module for
// @MODULE.NAME), or the definition itself when the column is on one.
std::optional<SourcePlace> DefinitionAt(const qv3::CompileKnowledge& knowledge, std::int32_t lineNumber,
                                        std::size_t column);

// The definition of the symbol at column and every use of it in every
// module the check knows, the definition first. Empty when no known
// definition is at column.
std::vector<SourcePlace> ReferencesAt(const qv3::CompileKnowledge& knowledge, std::int32_t lineNumber,
                                      std::size_t column);

// Selects the span in the editor (its whole line when the span has no
// columns of its own) and scrolls it into view. Touches neither the text nor
// its undo history. False when the line is past the editor's end.
bool SelectSourceSpan(QPlainTextEdit& editor, const qv3::SourceSpan& span);
