// SPDX-License-Identifier: GPL-3.0-or-later
// prepareRename, rename, completion and the code action.
#include <QJsonArray>

#include "engine/diagnostics.h"
#include "language/quick_fixes.h"
#include "language/completion.h"
#include "language/rename.h"
#include "lsp/protocol.h"
#include "lsp/server.h"

namespace lsp {

namespace {
// The protocol's CompletionItemKind.
int KindOf(CompletionKind kind) {
  switch (kind) {
    case CompletionKind::Mnemonic: return 14;   // Keyword
    case CompletionKind::Directive: return 14;  // Keyword
    case CompletionKind::Label: return 3;       // Function
    case CompletionKind::Constant: return 21;   // Constant
    case CompletionKind::External: return 21;
    case CompletionKind::Macro: return 3;       // Function: called with arguments
  }
  return 1;
}

std::string LineBreakOf(const Document& text) {
  const std::string& bytes = text.Text();
  const std::size_t at = bytes.find_first_of("\r\n");
  if (at == std::string::npos) return "\r\n";  // the assembler's own
  if (bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n') return "\r\n";
  return std::string(1, bytes[at]);
}
}  // namespace

QJsonValue PrepareRenameRequest(Server& server, const QJsonObject& params) {
  OpenFile& file = server.FileOf(params);
  const Caret caret = CaretIn(file.Text, params);
  const RenameCheck check = PrepareRename(file.Check->Knowledge, caret.Line, caret.LineNumber, caret.Column);
  if (!check.Target) throw RequestError{ErrorCode::RequestFailed, Text(check.Refusal)};
  const auto from = static_cast<std::int32_t>(check.Target->Column);
  return QJsonObject{{"range", RangeJson(caret.LineNumber - 1, from, from + static_cast<std::int32_t>(check.Target->Length))},
                     {"placeholder", Text(check.Target->Name)}};
}

QJsonValue Rename(Server& server, const QJsonObject& params) {
  OpenFile& file = server.FileOf(params);
  const Caret caret = CaretIn(file.Text, params);
  const std::string newName = LatinBytes(params.value("newName").toString());
  const Workspace workspace = server.WorkspaceOf(file);
  RenamePlan plan = PlanRename(file.Check->Knowledge, caret.Line, caret.LineNumber, caret.Column, newName, workspace);
  // The document may be a file that modules of the folder INCLUDE: their
  // uses of the name are renamed too, as in the workbench.
  const RenameCheck check = PrepareRename(file.Check->Knowledge, caret.Line, caret.LineNumber, caret.Column);
  if (!plan.Refused() && check.Target && !file.Path.empty())
    AddUsesInIncludingModules(plan, workspace, file.Path, check.Target->Name, newName);
  if (plan.Refused()) throw RequestError{ErrorCode::RequestFailed, Text(plan.Refusal)};
  QJsonObject changes;
  for (const FileEdits& edits : plan.Files) {
    SourcePlace place;
    place.Module = edits.Module;
    place.Folder = edits.Folder;
    place.IncludedFile = edits.IncludedFile;
    const std::string path = server.PathOfPlace(place);
    QJsonArray list;
    for (const TextEdit& edit : edits.Edits) {
      const auto from = static_cast<std::int32_t>(edit.Column);
      list.append(QJsonObject{{"range", RangeJson(edit.Line - 1, from, from + static_cast<std::int32_t>(edit.Length))},
                              {"newText", Text(edit.NewText)}});
    }
    changes[QString::fromStdString(server.UriOfFile(path))] = list;
  }
  return QJsonObject{{"changes", changes}};
}

QJsonValue Completion(Server& server, const QJsonObject& params) {
  OpenFile& file = server.FileOf(params);
  const Position position = PositionOf(params);
  const std::string_view line = file.Text.Line(static_cast<std::size_t>(std::max(0, position.Line)));
  const auto column = std::min(static_cast<std::size_t>(std::max(0, position.Character)), line.size());
  const qv3::FileOverlay overlay = server.Overlay();
  const Completions completions =
      CompletionsAt(&file.Check->Knowledge, line, position.Line + 1, column, file.Folder, &overlay);
  QJsonArray items;
  const QJsonObject range = RangeJson(position.Line, static_cast<std::int32_t>(completions.Replaced.Begin),
                                      static_cast<std::int32_t>(completions.Replaced.End));
  for (const CompletionItem& item : completions.Items)
    items.append(QJsonObject{{"label", Text(item.Text)},
                             {"kind", KindOf(item.Kind)},
                             {"detail", Text(item.Detail)},
                             {"textEdit", QJsonObject{{"range", range}, {"newText", Text(item.Text)}}}});
  return QJsonObject{{"isIncomplete", false}, {"items", items}};
}

QJsonValue CodeActions(Server& server, const QJsonObject& params) {
  OpenFile& file = server.FileOf(params);
  const QJsonObject range = params.value("range").toObject();
  const int first = range.value("start").toObject().value("line").toInt();
  const int last = range.value("end").toObject().value("line").toInt();
  QJsonArray actions;
  const qv3::ModuleKnowledge* top = file.Check->Knowledge.TopModule();
  if (!top) return actions;
  const auto lineText = [&](std::int32_t line) { return file.Text.Line(static_cast<std::size_t>(line - 1)); };
  for (const QuickFix& fix : QuickFixesOfLines(*top, first + 1, last + 1, lineText, LineBreakOf(file.Text))) {
    const auto length = static_cast<std::int32_t>(lineText(fix.Line).size());
    const QJsonObject edit{{"range", RangeJson(fix.Line - 1, 0, length)}, {"newText", Text(fix.NewText)}};
    actions.append(QJsonObject{
        {"title", Text(fix.Title)},
        {"kind", "quickfix"},
        {"isPreferred", true},
        {"edit", QJsonObject{{"changes", QJsonObject{{QString::fromStdString(file.Uri), QJsonArray{edit}}}}}}});
  }
  return actions;
}

}  // namespace lsp
