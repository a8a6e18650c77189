// SPDX-License-Identifier: GPL-3.0-or-later
// What may be typed at the caret: the workbench's completion (Ctrl+Space)
// and qv3-lsp's textDocument/completion ask this function.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "language/hover_text.h"

namespace qv3 {
struct CompileKnowledge;
struct FileOverlay;
}  // namespace qv3

enum class CompletionKind : std::uint8_t { Mnemonic, Directive, Label, Constant, External, Macro };

struct CompletionItem {
  std::string Text;    // what to insert in place of the word being typed
  CompletionKind Kind = CompletionKind::Mnemonic;
  std::string Detail;  // one line: a value, an instruction's modes, a directive's form
};

struct Completions {
  // The part of the line the chosen item replaces: the word typed so far
  // up to the caret (empty at a blank), for @MODULE. names the part after
  // the dot.
  WordSpan Replaced;
  std::vector<CompletionItem> Items;  // letter case ignored, each starts with the typed part; sorted
};

// Completions at column (0-based, bytes) of the 1-based line of the check's
// top module; line is that line's text. Where an instruction or directive
// stands (a line's first word, or the word after a label) mnemonics and
// directives are offered; in an operand the labels and constants of the
// module; after "@MODULE." the names of that module's object file (MODULE.qvo
// in folder, "/"-terminated: the checked module's). knowledge may be null
// (nothing checked yet). Nothing inside a comment. overlay, when given, stands
// in for object files as it does for a check.
Completions CompletionsAt(const qv3::CompileKnowledge* knowledge, std::string_view line,
                          std::int32_t lineNumber, std::size_t column, std::string_view folder,
                          const qv3::FileOverlay* overlay = nullptr);

// The symbols an object file's first section lists ("NAME = $1234" lines),
// in its order; nothing when it cannot be read.
std::vector<std::pair<std::string, std::uint16_t>> ObjectFileSymbols(const std::string& path,
                                                                     const qv3::FileOverlay* overlay = nullptr);
