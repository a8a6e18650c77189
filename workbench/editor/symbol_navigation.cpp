#include "workbench/editor/symbol_navigation.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <algorithm>

namespace {

// The module and index of the definition named at column.
std::optional<std::pair<const qv3::ModuleKnowledge*, std::size_t>> DefinitionIndexAt(
    const qv3::CompileKnowledge& knowledge, std::int32_t lineNumber, std::size_t column) {
  const qv3::ModuleKnowledge* top = knowledge.TopModule();
  if (!top) return std::nullopt;
  const auto at = static_cast<std::uint32_t>(column);
  if (const qv3::SymbolReference* reference = top->ReferenceAt(lineNumber, at)) {
    const qv3::ModuleKnowledge* owner = knowledge.FindModule(reference->Module);
    if (!owner || !reference->Definition || *reference->Definition >= owner->Definitions.size())
      return std::nullopt;
    return std::pair{owner, *reference->Definition};
  }
  if (const auto index = top->DefinitionAt(lineNumber, at)) return std::pair{top, *index};
  return std::nullopt;
}

}  // namespace

std::optional<SourcePlace> DefinitionAt(const qv3::CompileKnowledge& knowledge, std::int32_t lineNumber,
                                        std::size_t column) {
  const auto found = DefinitionIndexAt(knowledge, lineNumber, column);
  if (!found) return std::nullopt;
  const auto& [module, index] = *found;
  const qv3::SymbolDefinition& definition = module->Definitions[index];
  return SourcePlace{definition.Name, module->Name, definition.Where, true};
}

std::vector<SourcePlace> ReferencesAt(const qv3::CompileKnowledge& knowledge, std::int32_t lineNumber,
                                      std::size_t column) {
  std::vector<SourcePlace> places;
  const auto found = DefinitionIndexAt(knowledge, lineNumber, column);
  if (!found) return places;
  const auto& [module, index] = *found;
  const qv3::SymbolDefinition& definition = module->Definitions[index];
  places.push_back({definition.Name, module->Name, definition.Where, true});
  for (const auto& [user, reference] : knowledge.ReferencesTo(*module, index))
    places.push_back({definition.Name, user->Name, reference->Where, false});
  return places;
}

bool SelectSourceSpan(QPlainTextEdit& editor, const qv3::SourceSpan& span) {
  const QTextBlock block = editor.document()->findBlockByNumber(span.Line - 1);
  if (span.Line < 1 || !block.isValid()) return false;
  const int lineLength = static_cast<int>(block.text().size());
  int start = 0;
  int length = lineLength;
  if (!span.FromInclude && span.Length > 0) {
    start = std::min(static_cast<int>(span.Column), lineLength);
    length = std::min(static_cast<int>(span.Length), lineLength - start);
  }
  QTextCursor cursor(block);
  cursor.setPosition(block.position() + start);
  cursor.setPosition(block.position() + start + length, QTextCursor::KeepAnchor);
  editor.setTextCursor(cursor);
  editor.centerCursor();
  return true;
}
