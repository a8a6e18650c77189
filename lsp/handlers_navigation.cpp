// SPDX-License-Identifier: GPL-3.0-or-later
// hover, definition, references, documentSymbol, workspace/symbol.
#include <QJsonArray>
#include <algorithm>

#include "engine/source_text.h"
#include "language/hover_text.h"
#include "language/symbol_queries.h"
#include "lsp/protocol.h"
#include "lsp/server.h"

namespace lsp {

namespace {

constexpr int kFunction = 12;  // the protocol's SymbolKind for a label
constexpr int kConstant = 14;
constexpr int kMacroSymbol = 6;  // the protocol's "Method": a macro is called, takes arguments

QJsonObject SymbolRange(const OpenFile& file, const qv3::SymbolDefinition& definition) {
  const auto line = static_cast<std::size_t>(std::max(0, definition.Where.Line - 1));
  if (definition.Where.FromInclude)
    return RangeJson(static_cast<std::int32_t>(line), 0, static_cast<std::int32_t>(file.Text.Line(line).size()));
  return SpanRange(definition.Where);
}

}  // namespace

QJsonValue Hover(Server& server, const QJsonObject& params) {
  OpenFile& file = server.FileOf(params);
  const Caret caret = CaretIn(file.Text, params);
  const std::string text = HoverText(&file.Check->Knowledge, caret.Line, caret.LineNumber, caret.Column);
  if (text.empty()) return QJsonValue::Null;
  QJsonObject hover{{"contents", QJsonObject{{"kind", "plaintext"}, {"value", Text(text)}}}};
  if (const auto word = WordAtColumn(caret.Line, caret.Column))
    hover["range"] = RangeJson(caret.LineNumber - 1, static_cast<std::int32_t>(word->Begin),
                               static_cast<std::int32_t>(word->End));
  return hover;
}

QJsonValue Definition(Server& server, const QJsonObject& params) {
  OpenFile& file = server.FileOf(params);
  const Caret caret = CaretIn(file.Text, params);
  const std::optional<SourcePlace> place = DefinitionAt(file.Check->Knowledge, caret.LineNumber, caret.Column);
  if (!place) return QJsonValue::Null;
  return server.LocationOf(*place);
}

QJsonValue References(Server& server, const QJsonObject& params) {
  OpenFile& file = server.FileOf(params);
  const Caret caret = CaretIn(file.Text, params);
  const bool withDeclaration = params.value("context").toObject().value("includeDeclaration").toBool(true);
  const Workspace workspace = server.WorkspaceOf(file);
  QJsonArray locations;
  for (const SourcePlace& place : ReferencesAt(file.Check->Knowledge, caret.LineNumber, caret.Column, workspace)) {
    if (place.IsDefinition && !withDeclaration) continue;
    if (const QJsonValue location = server.LocationOf(place); location.isObject()) locations.append(location);
  }
  return locations;
}

QJsonValue DocumentSymbols(Server& server, const QJsonObject& params) {
  OpenFile& file = server.FileOf(params);
  QJsonArray symbols;
  const qv3::ModuleKnowledge* top = file.Check->Knowledge.TopModule();
  if (!top) return symbols;
  for (const qv3::SymbolDefinition& definition : top->Definitions) {
    const int kind = definition.Kind == qv3::SymbolKind::Label ? kFunction : kConstant;
    QString detail = Text("$" + qv3::HexText(definition.Value));
    if (definition.Where.FromInclude) detail += " (included)";
    const QJsonObject range = SymbolRange(file, definition);
    if (server.ClientSupportsHierarchicalSymbols()) {
      symbols.append(QJsonObject{{"name", Text(definition.Name)}, {"kind", kind}, {"detail", detail},
                                 {"range", range}, {"selectionRange", range}});
    } else {
      symbols.append(QJsonObject{{"name", Text(definition.Name)}, {"kind", kind},
                                 {"location", QJsonObject{{"uri", QString::fromStdString(file.Uri)}, {"range", range}}}});
    }
  }
  // Macros: their whole MACRO ... ENDMACRO block, the name selected.
  for (const qv3::MacroInfo& macro : top->Macros) {
    std::string parameters;
    for (const std::string& parameter : macro.Parameters) parameters += (parameters.empty() ? "" : ", ") + parameter;
    const QString detail = Text("macro" + (parameters.empty() ? "" : " " + parameters));
    const QJsonObject name = SpanRange(macro.Where);
    const auto last = static_cast<std::size_t>(std::max(1, macro.LastLine) - 1);
    const QJsonObject whole{{"start", name.value("start")},
                            {"end", QJsonObject{{"line", static_cast<int>(last)},
                                                {"character", static_cast<int>(file.Text.Line(last).size())}}}};
    if (server.ClientSupportsHierarchicalSymbols())
      symbols.append(QJsonObject{{"name", Text(macro.Name)}, {"kind", kMacroSymbol}, {"detail", detail},
                                 {"range", whole}, {"selectionRange", name}});
    else
      symbols.append(QJsonObject{{"name", Text(macro.Name)}, {"kind", kMacroSymbol},
                                 {"location", QJsonObject{{"uri", QString::fromStdString(file.Uri)}, {"range", name}}}});
  }
  return symbols;
}

QJsonValue WorkspaceSymbols(Server& server, const QJsonObject& params) {
  const std::string query = LatinBytes(params.value("query").toString());
  QJsonArray symbols;
  // Every folder with an open document; each module once.
  std::vector<std::string> folders;
  std::vector<std::pair<std::string, std::string>> seen;  // folder, module
  for (const auto& [uri, file] : server.OpenFiles())
    if (std::find(folders.begin(), folders.end(), file.Folder) == folders.end()) folders.push_back(file.Folder);
  for (const std::string& folder : folders) {
    OpenFile* first = nullptr;
    for (auto& [uri, file] : server.OpenFiles())
      if (file.Folder == folder) first = &file;
    OpenFile& from = *first;
    server.EnsureChecked(from);
    Workspace workspace = server.WorkspaceOf(from);
    workspace.Checks.push_back(&from.Check->Knowledge);
    for (const qv3::CompileKnowledge* check : workspace.Checks) {
      const qv3::ModuleKnowledge* module = check->TopModule();
      if (!module) continue;
      const auto key = std::pair{module->Folder, qv3::FoldCase(module->Name)};
      if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
      seen.push_back(key);
      for (const qv3::SymbolDefinition& definition : module->Definitions) {
        if (!query.empty() && qv3::FoldCase(definition.Name).find(qv3::FoldCase(query)) == std::string::npos) continue;
        const QJsonValue location = server.LocationOf(PlaceOf(*module, definition.Name, definition.Where, true));
        if (!location.isObject()) continue;
        symbols.append(QJsonObject{{"name", Text(definition.Name)},
                                   {"kind", definition.Kind == qv3::SymbolKind::Label ? kFunction : kConstant},
                                   {"containerName", Text(module->Name)},
                                   {"location", location}});
      }
    }
  }
  return symbols;
}

}  // namespace lsp
