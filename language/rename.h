// SPDX-License-Identifier: GPL-3.0-or-later
// Renaming a label or constant across modules: the workbench's Rename and
// qv3-lsp's prepareRename/rename ask these functions. A plan lists the edits
// per file; applying them is the front end's business (an editor window, a
// protocol WorkspaceEdit). Columns are bytes of the line as the editor shows
// it, as SourceSpan counts them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "language/symbol_queries.h"

// One replacement in one line: Length bytes from Column become NewText.
struct TextEdit {
  std::int32_t Line = 0;  // 1-based
  std::uint32_t Column = 0;
  std::uint32_t Length = 0;
  std::string NewText;
};

// The edits of one file: a module's source (Module and Folder, IncludedFile
// empty) or an included file (IncludedFile its path). Edits are in line and
// column order and never overlap.
struct FileEdits {
  std::string Module;
  std::string Folder;
  std::string IncludedFile;
  std::vector<TextEdit> Edits;
};

// What a rename at the caret would rename, or why it cannot.
struct RenameTarget {
  std::string Name;       // as the assembler keys it
  qv3::SymbolKind Kind = qv3::SymbolKind::Label;
  SourcePlace Definition;
  // The name's span in the caret's line (for an @MODULE.NAME use only the
  // NAME part): what an editor highlights and replaces.
  std::uint32_t Column = 0;
  std::uint32_t Length = 0;
};
struct RenameCheck {
  std::optional<RenameTarget> Target;
  std::string Refusal;  // when there is no target: why, for the user
};

// What stands at column of the 1-based line of the check's top module (line
// is that line's text): a label or constant defined in a module's own text
// can be renamed; opcodes, directives, number literals, names defined in an
// INCLUDEd file, unknown names and blanks are refused with a reason.
RenameCheck PrepareRename(const qv3::CompileKnowledge& knowledge, std::string_view line,
                          std::int32_t lineNumber, std::size_t column);

struct RenamePlan {
  std::vector<FileEdits> Files;  // the defining module's file first
  std::string Refusal;           // set (and Files empty) when the rename is refused
  bool Refused() const { return !Refusal.empty(); }
};

// The edits that rename the symbol at column to newName: its definition, its
// uses in its module and the @MODULE.NAME uses in every module of the check
// and of workspace. Refused, besides what PrepareRename refuses, when
// newName is no valid name (a letter or "_" first, then letters, digits,
// "_"), is an opcode or directive, or is already defined in the defining
// module.
RenamePlan PlanRename(const qv3::CompileKnowledge& knowledge, std::string_view line,
                      std::int32_t lineNumber, std::size_t column, std::string_view newName,
                      const Workspace& workspace = {});

// Renaming a name in a file that other modules INCLUDE (the file checked as
// a module of its own, as its own window checks it): the modules of
// workspace that include includedPath take the name from it, so their uses
// of it are renamed too (in their own text and in their other included
// files). plan, made by PlanRename for the file, gains those edits; it is
// refused instead when newName is already defined in such a module.
void AddUsesInIncludingModules(RenamePlan& plan, const Workspace& workspace, std::string_view includedPath,
                               std::string_view name, std::string_view newName);

// Whether name can name a label or constant (letters A-Z in either case,
// digits and "_", not first a digit, and neither a mnemonic nor a directive).
bool IsValidSymbolName(std::string_view name);
