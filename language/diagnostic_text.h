// SPDX-License-Identifier: GPL-3.0-or-later
// A diagnostic as an editor shows it at its own line. The Status list's
// text names the module and quotes the line and the pass ("Fatal in file
// [game]: Unknown constant/label (at line: 12 "JSR X", pass: 1)"); at the
// line itself, underlined in its own document, that is noise.
#pragma once

#include <string>
#include <string_view>

#include "engine/compile_knowledge.h"

// The message and its detail alone ("Unknown constant/label"). When the
// quoted text is not the line as the editor shows it (the diagnostic came
// from an INCLUDEd file, or stands on the last line for the whole module),
// the quote follows: `Unknown constant/label in "LDA NOWHERE"`.
std::string DiagnosticMessage(const qv3::LineDiagnostic& diagnostic, std::string_view lineText);
