// SPDX-License-Identifier: GPL-3.0-or-later
// A rename's edits (language/rename.h) put into an editor's text.
#pragma once

#include <string_view>
#include <vector>

#include "language/rename.h"

class QPlainTextEdit;

// Whether every edit's place in the editor holds oldName (as the assembler
// keys names: letter case ignored outside tildes), so the edits were
// planned on the text the editor shows.
bool EditsFit(const QPlainTextEdit& editor, const std::vector<TextEdit>& edits, std::string_view oldName);

// Puts the edits (in line and column order, not overlapping) into the text
// as one step of its undo history.
void ApplyAsOneStep(QPlainTextEdit& editor, const std::vector<TextEdit>& edits);
