// SPDX-License-Identifier: GPL-3.0-or-later
// Shows what the symbol queries (language/symbol_queries.h) found in an
// editor.
#pragma once

#include "language/symbol_queries.h"

class QPlainTextEdit;

// Selects the span in the editor (its whole line when the span has no
// columns of its own) and scrolls it into view. Touches neither the text nor
// its undo history. False when the line is past the editor's end.
bool SelectSourceSpan(QPlainTextEdit& editor, const qv3::SourceSpan& span);

// Where go to definition leaves the caret: at the start of the defined name,
// with the rest of the line selected back from its end so the definition's
// line stands out (the whole line when the span has no columns). Find
// References then works on the name at once.
bool SelectDefinitionLine(QPlainTextEdit& editor, const qv3::SourceSpan& span);
