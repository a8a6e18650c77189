// The Status and Hints panes of an editor window after a compile: the lines
// with their diagnostic records, the tab captions and the final scroll.
#pragma once

#include <optional>

#include "engine/diagnostics.h"

class QListWidget;
class QListWidgetItem;
class TfrmQVEdit;

namespace qv3 {
struct CompileSession;
class MessageList;
}  // namespace qv3

// Empties both lists of the window (their records go with their lines).
void ClearMessages(TfrmQVEdit& editor);
// Puts the session's lines into the window's lists, in one batch each.
void ShowMessageLines(TfrmQVEdit& editor, const qv3::CompileSession& session);
// "Status (n)" and "Hints (n)", then, with more than 3 Status lines, the
// third line from the end scrolled to the top and the last line selected.
void ShowCompileVerdict(TfrmQVEdit& editor);
// The diagnostic record a Status line carries, if any.
std::optional<qv3::TErrorInfo> ErrorInfoOf(const QListWidgetItem& item);
