// SPDX-License-Identifier: GPL-3.0-or-later
// Go to definition and find references, worked out from what checks learnt.
// The workbench's editor and qv3-lsp ask these same functions and only show
// the places found here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/compile_knowledge.h"

// A place to show: a module (as diagnostics name it) and a span of its source.
struct SourcePlace {
  std::string Name;  // the symbol's
  std::string Module;
  qv3::SourceSpan Span;  // in the module's own lines (FromInclude: its INCLUDE line)
  bool IsDefinition = false;
  std::string Folder;  // the module's folder, "/"-terminated
  // Text from an INCLUDEd file whose place in that file is known: the file's
  // path and the span in its own lines. Empty for the module's own text.
  std::string IncludedFile;
  qv3::SourceSpan IncludedSpan;
};

// The modules a query looks across besides those of the check it starts
// from: the knowledge of other modules' own checks (each with its module as
// the top module), e.g. the open documents, the modules of a compile and the
// sources of the folder. Entries are borrowed, not owned.
struct Workspace {
  std::vector<const qv3::CompileKnowledge*> Checks;
};

// The definition of the symbol at column of the 1-based line of the top
// module: the one a reference resolves to (in another module for
// @MODULE.NAME), or the definition itself when the column is on one. A
// column just after a name (or after a label's colon) counts as on it.
std::optional<SourcePlace> DefinitionAt(const qv3::CompileKnowledge& knowledge, std::int32_t lineNumber,
                                        std::size_t column);

// The definition of the symbol at column and every use of it in every
// module the check knows and every module of workspace (the @MODULE.NAME
// uses of other modules included), the definition first, each place once.
// Empty when no known definition is at column.
std::vector<SourcePlace> ReferencesAt(const qv3::CompileKnowledge& knowledge, std::int32_t lineNumber,
                                      std::size_t column, const Workspace& workspace = {});

// The uses of name in the modules of workspace that INCLUDE includedPath
// and take the name from it (their own text and their other included
// files; the file itself is left out, its own check knows it), in module
// order. What the window of an included file adds to its own references.
std::vector<SourcePlace> UsesInIncludingModules(const Workspace& workspace, std::string_view includedPath,
                                                std::string_view name);
// The same file, the letter case of its name ignored as the assembler finds files.
bool SameSourceFile(std::string_view a, std::string_view b);

// The place of a span of module (its included file's place filled in when
// the span lies in one).
SourcePlace PlaceOf(const qv3::ModuleKnowledge& module, const std::string& name,
                    const qv3::SourceSpan& span, bool isDefinition);

// The path of a module's source as the assembler finds it: NAME.qv3 in its
// folder, letter case as on disk.
std::string ModuleSourcePath(const qv3::ModuleKnowledge& module);
