// SPDX-License-Identifier: GPL-3.0-or-later
#include "lsp/server.h"

#include <dirent.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <algorithm>
#include <cstdio>

#include "engine/diagnostics.h"
#include "engine/file_system.h"
#include "engine/source_text.h"
#include "language/check_object_text.h"
#include "language/diagnostic_text.h"
#include "lsp/protocol.h"

namespace lsp {

namespace {

std::string Utf8(const QString& text) { return text.toStdString(); }

bool HasSourceExtension(std::string_view name) {
  return name.size() > 4 && qv3::EqualsIgnoringCase(name.substr(name.size() - 4), ".qv3");
}

// The range a diagnostic of a line marks: the line's text without its
// leading blanks and its comment.
QJsonObject LineRange(const Document& text, std::int32_t line) {
  const std::int32_t index = std::max(0, line - 1);
  std::string_view content = qv3::StripComment(text.Line(static_cast<std::size_t>(index)));
  std::size_t begin = 0;
  while (begin < content.size() && (content[begin] == ' ' || content[begin] == '\t')) ++begin;
  std::size_t end = content.size();
  while (end > begin && (content[end - 1] == ' ' || content[end - 1] == '\t')) --end;
  return RangeJson(index, static_cast<std::int32_t>(begin), static_cast<std::int32_t>(end));
}

}  // namespace

int Server::Run(int in, int out) {
  out_ = out;
  handlers_ = {
      {"textDocument/hover", Hover},
      {"textDocument/definition", Definition},
      {"textDocument/references", References},
      {"textDocument/documentSymbol", DocumentSymbols},
      {"workspace/symbol", WorkspaceSymbols},
      {"textDocument/prepareRename", PrepareRenameRequest},
      {"textDocument/rename", Rename},
      {"textDocument/completion", Completion},
      {"textDocument/semanticTokens/full", SemanticTokens},
      {"textDocument/foldingRange", FoldingRanges},
      {"textDocument/inlayHint", InlayHints},
      {"textDocument/codeAction", CodeActions},
  };
  MessageReader reader;
  std::string chunk(65536, '\0');
  while (!exit_ && !outputClosed_) {
    int timeout = -1;
    if (const auto due = NextDue()) {
      const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(*due - Clock::now()).count();
      timeout = static_cast<int>(std::clamp<long long>(wait, 0, 60000));
    }
    pollfd input{in, POLLIN, 0};
    const int ready = ::poll(&input, 1, timeout);
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0) {
      const ssize_t got = ::read(in, chunk.data(), chunk.size());
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;  // the client is gone
      reader.Feed(std::string_view(chunk.data(), static_cast<std::size_t>(got)));
      while (!exit_) {
        const std::optional<Frame> frame = reader.Next();
        if (!frame) break;
        Handle(*frame);
      }
    }
    RunDueChecks();
  }
  return exit_ && shutdown_ ? 0 : 1;
}

void Server::Handle(const Frame& frame) {
  if (!frame.Error.empty()) {
    RespondError(QJsonValue::Null, ErrorCode::ParseError, QString::fromStdString(frame.Error));
    return;
  }
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(frame.Body), &error);
  if (error.error != QJsonParseError::NoError) {
    RespondError(QJsonValue::Null, ErrorCode::ParseError, error.errorString());
    return;
  }
  if (!document.isObject()) {
    // Batches are no part of the protocol.
    RespondError(QJsonValue::Null, ErrorCode::InvalidRequest, "a message is a JSON object");
    return;
  }
  HandleMessage(document.object());
}

void Server::HandleMessage(const QJsonObject& message) {
  const QJsonValue id = message.value("id");
  const QString method = message.value("method").toString();
  const bool isRequest = message.contains("id");
  if (method.isEmpty()) {
    // A response to a request of ours (none are sent) or junk.
    if (isRequest && !message.contains("result") && !message.contains("error"))
      RespondError(id, ErrorCode::InvalidRequest, "no method");
    return;
  }
  const QJsonObject params = message.value("params").toObject();
  if (!isRequest) {
    HandleNotification(method, params);
    return;
  }
  try {
    if (method == "initialize") {
      Respond(id, Initialize(params));
      return;
    }
    if (!initialized_) {
      RespondError(id, ErrorCode::ServerNotInitialized, "initialize first");
      return;
    }
    if (shutdown_) {
      RespondError(id, ErrorCode::InvalidRequest, "the server is shutting down");
      return;
    }
    if (method == "shutdown") {
      shutdown_ = true;
      Respond(id, QJsonValue::Null);
      return;
    }
    const auto handler = handlers_.find(method);
    if (handler == handlers_.end()) {
      RespondError(id, ErrorCode::MethodNotFound, "unknown method " + method);
      return;
    }
    Respond(id, handler->second(*this, params));
  } catch (const RequestError& failure) {
    RespondError(id, failure.Code, failure.Message);
  }
}

void Server::HandleNotification(const QString& method, const QJsonObject& params) {
  if (method == "exit") {
    exit_ = true;
    return;
  }
  if (!initialized_ || shutdown_) return;
  try {
    if (method == "textDocument/didOpen") DidOpen(params);
    else if (method == "textDocument/didChange") DidChange(params);
    else if (method == "textDocument/didClose") DidClose(params);
    else if (method == "textDocument/didSave") {
      // A save may have rewritten object files (a compile in the editor):
      // every open document is checked again.
      for (auto& [uri, file] : open_) Schedule(file);
    }
  } catch (const RequestError&) {
    // A notification has no answer; a malformed one is dropped.
  }
}

QJsonValue Server::Initialize(const QJsonObject& params) {
  initialized_ = true;
  hierarchicalSymbols_ = params.value("capabilities").toObject().value("textDocument").toObject()
                             .value("documentSymbol").toObject()
                             .value("hierarchicalDocumentSymbolSupport").toBool();
  const QJsonObject capabilities{
      {"positionEncoding", "utf-16"},
      {"textDocumentSync", QJsonObject{{"openClose", true}, {"change", 2}, {"save", true}}},
      {"hoverProvider", true},
      {"definitionProvider", true},
      {"referencesProvider", true},
      {"documentSymbolProvider", true},
      {"workspaceSymbolProvider", true},
      {"renameProvider", QJsonObject{{"prepareProvider", true}}},
      {"completionProvider", QJsonObject{{"triggerCharacters", QJsonArray{"."}}}},
      {"semanticTokensProvider", QJsonObject{{"legend", SemanticTokenLegend()}, {"full", true}}},
      {"inlayHintProvider", true},
      {"foldingRangeProvider", true},
      {"codeActionProvider", QJsonObject{{"codeActionKinds", QJsonArray{"quickfix"}}}},
  };
  return QJsonObject{{"capabilities", capabilities},
                     {"serverInfo", QJsonObject{{"name", "qv3-lsp"}, {"version", QV3_VERSION}}}};
}

void Server::Send(const QJsonObject& message) {
  if (outputClosed_) return;
  const QByteArray body = QJsonDocument(message).toJson(QJsonDocument::Compact);
  if (!WriteAll(out_, FrameMessage(std::string_view(body.constData(), static_cast<std::size_t>(body.size())))))
    outputClosed_ = true;
}

void Server::Respond(const QJsonValue& id, const QJsonValue& result) {
  Send({{"jsonrpc", "2.0"}, {"id", id}, {"result", result}});
}

void Server::RespondError(const QJsonValue& id, int code, const QString& message) {
  Send({{"jsonrpc", "2.0"}, {"id", id}, {"error", QJsonObject{{"code", code}, {"message", message}}}});
}

void Server::DidOpen(const QJsonObject& params) {
  const QJsonObject item = params.value("textDocument").toObject();
  const std::string uri = Utf8(item.value("uri").toString());
  if (uri.empty()) throw RequestError{ErrorCode::InvalidParams, "no uri"};
  OpenFile file;
  file.Uri = uri;
  file.Path = PathOfUri(uri);
  file.Folder = qv3::FolderOf(file.Path);
  file.Module = std::string(qv3::CutAtFirstDot(qv3::FileNameOf(file.Path)));
  if (file.Module.empty()) file.Module = "anonymus";
  file.Text.SetText(LatinBytes(item.value("text").toString()));
  file.Version = item.value("version").toInteger();
  OpenFile& stored = open_[uri] = std::move(file);
  ++overlayStamp_;
  Schedule(stored);
  stored.Due = Clock::now();  // the first diagnostics without waiting
}

void Server::DidChange(const QJsonObject& params) {
  const QJsonObject item = params.value("textDocument").toObject();
  const auto found = open_.find(Utf8(item.value("uri").toString()));
  if (found == open_.end()) return;
  OpenFile& file = found->second;
  for (const QJsonValue change : params.value("contentChanges").toArray()) {
    const QJsonObject object = change.toObject();
    const std::string text = LatinBytes(object.value("text").toString());
    if (!object.contains("range")) {
      file.Text.SetText(text);
      continue;
    }
    const QJsonObject range = object.value("range").toObject();
    const auto position = [](const QJsonObject& p) {
      return Position{p.value("line").toInt(), p.value("character").toInt()};
    };
    file.Text.Replace(position(range.value("start").toObject()), position(range.value("end").toObject()), text);
  }
  file.Version = item.value("version").toInteger(file.Version + 1);
  ++overlayStamp_;
  Schedule(file);
}

void Server::DidClose(const QJsonObject& params) {
  const auto found = open_.find(Utf8(params.value("textDocument").toObject().value("uri").toString()));
  if (found == open_.end()) return;
  // Its diagnostics go with it.
  Send({{"jsonrpc", "2.0"},
        {"method", "textDocument/publishDiagnostics"},
        {"params", QJsonObject{{"uri", QString::fromStdString(found->first)}, {"diagnostics", QJsonArray{}}}}});
  open_.erase(found);
  ++overlayStamp_;
}

void Server::Schedule(OpenFile& file) {
  const Clock::time_point now = Clock::now();
  if (!file.Stale) file.FirstChange = now;
  file.Stale = true;
  file.Due = std::min(now + options_.Debounce, file.FirstChange + options_.MaxDelay);
}

std::optional<Clock::time_point> Server::NextDue() const {
  std::optional<Clock::time_point> next;
  for (const auto& [uri, file] : open_)
    if (file.Stale && (!next || file.Due < *next)) next = file.Due;
  return next;
}

void Server::RunDueChecks() {
  const Clock::time_point now = Clock::now();
  for (auto& [uri, file] : open_)
    if (file.Stale && file.Due <= now) EnsureChecked(file);
}

qv3::FileOverlay Server::Overlay(const std::string& excluding) const {
  qv3::FileOverlay overlay;
  for (const auto& [uri, file] : open_) {
    if (file.Path.empty() || file.Path == excluding) continue;
    overlay.Files.emplace_back(file.Path, file.Text.Text());
    if (!file.ObjectText.empty())
      overlay.Files.emplace_back(ObjectFilePathOf(file.Module, file.Folder), file.ObjectText);
  }
  return overlay;
}

std::shared_ptr<const qv3::CheckResult> Server::CheckText(std::string_view text, const std::string& module,
                                                          const std::string& folder) {
  const qv3::FileOverlay overlay = Overlay({});
  qv3::CheckOptions options;
  options.Overlay = &overlay;
  char* cwd = ::getcwd(nullptr, 0);
  options.CurrentDirectory = cwd ? std::string(cwd) + "/" : "/";
  std::free(cwd);
  return std::make_shared<const qv3::CheckResult>(qv3::CheckCompile(text, module, folder, options));
}

void Server::EnsureChecked(OpenFile& file) {
  if (!file.Stale && file.Check) return;
  file.Stale = false;
  const Clock::time_point start = Clock::now();
  file.Check = CheckText(file.Text.Text(), file.Module, file.Folder);
  if (options_.Timing)
    std::fprintf(stderr, "qv3-lsp: checked %s (version %lld, %zu lines) in %.2f ms\n", file.Path.c_str(),
                 static_cast<long long>(file.Version), file.Text.LineCount(),
                 std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  file.CheckedVersion = file.Version;
  std::string objectText = ObjectTextOfCheck(*file.Check);
  const bool symbolsChanged = objectText != file.ObjectText;
  if (!objectText.empty()) file.ObjectText = std::move(objectText);
  PublishDiagnostics(file);
  if (symbolsChanged) ++overlayStamp_;
  MarkDependentsStale(file, symbolsChanged);
}

void Server::MarkDependentsStale(const OpenFile& changed, bool symbolsChanged) {
  for (auto& [uri, file] : open_) {
    if (&file == &changed || file.Stale || file.Folder != changed.Folder) continue;
    // Its symbols may be used by every module of the folder; its text is
    // part of the modules that include it.
    bool includes = false;
    if (const qv3::ModuleKnowledge* top = file.Check ? file.Check->Knowledge.TopModule() : nullptr)
      includes = std::any_of(top->IncludedFiles.begin(), top->IncludedFiles.end(),
                             [&](const std::string& included) { return SameSourceFile(included, changed.Path); });
    if (symbolsChanged || includes) Schedule(file);
  }
}

void Server::PublishDiagnostics(OpenFile& file) {
  QJsonArray diagnostics;
  const qv3::ModuleKnowledge* top = file.Check->Knowledge.TopModule();
  if (top)
    for (const qv3::LineDiagnostic& diagnostic : top->Diagnostics)
      diagnostics.append(QJsonObject{{"range", LineRange(file.Text, diagnostic.Line)},
                                     {"severity", diagnostic.Fatal ? 1 : 2},
                                     {"code", diagnostic.Code},
                                     {"source", "qv3"},
                                     {"message", Text(DiagnosticMessage(diagnostic, file.Text.Line(
                                                                   static_cast<std::size_t>(std::max(0, diagnostic.Line - 1)))))}});
  if (file.Check->Abandoned)
    diagnostics.append(QJsonObject{{"range", RangeJson(0, 0, 0)}, {"severity", 1}, {"source", "qv3"},
                                   {"message", Text(file.Check->Error)}});
  // Hints: "Hint: NAME never used" marks the name's definition; the others
  // of the module stand on its first line.
  for (const qv3::StatusLine line : file.Check->Hints.Lines()) {
    constexpr std::string_view kPrefix = "Hint: ";
    constexpr std::string_view kUnused = " never used";
    const std::string_view text = line.Text;
    if (text.substr(0, kPrefix.size()) != kPrefix) continue;  // another module's
    QJsonObject range = RangeJson(0, 0, 0);
    if (top && text.size() > kPrefix.size() + kUnused.size() && text.substr(text.size() - kUnused.size()) == kUnused) {
      const std::string_view name = text.substr(kPrefix.size(), text.size() - kPrefix.size() - kUnused.size());
      if (const auto index = top->FindDefinition(name)) {
        const qv3::SourceSpan& where = top->Definitions[*index].Where;
        range = where.FromInclude ? LineRange(file.Text, where.Line) : SpanRange(where);
      }
    }
    diagnostics.append(QJsonObject{{"range", range}, {"severity", 4}, {"source", "qv3"},
                                   {"message", Text(text)}, {"tags", QJsonArray{1}}});
  }
  Send({{"jsonrpc", "2.0"},
        {"method", "textDocument/publishDiagnostics"},
        {"params", QJsonObject{{"uri", QString::fromStdString(file.Uri)},
                               {"version", static_cast<qint64>(file.CheckedVersion)},
                               {"diagnostics", diagnostics}}}});
}

OpenFile& Server::FileOf(const QJsonObject& params) {
  const std::string uri = Utf8(params.value("textDocument").toObject().value("uri").toString());
  const auto found = open_.find(uri);
  if (found == open_.end()) throw RequestError{ErrorCode::InvalidParams, "the document is not open"};
  EnsureChecked(found->second);
  return found->second;
}

OpenFile* Server::FindOpen(std::string_view path) {
  for (auto& [uri, file] : open_)
    if (file.Path == path) return &file;
  return nullptr;
}

const OpenFile* Server::FindOpenModule(std::string_view folder, std::string_view module) const {
  for (const auto& [uri, file] : open_)
    if (file.Folder == folder && qv3::EqualsIgnoringCase(file.Module, module)) return &file;
  return nullptr;
}

Workspace Server::WorkspaceOf(const OpenFile& from) {
  Workspace workspace;
  for (auto& [uri, file] : open_) {
    if (&file == &from) continue;
    EnsureChecked(file);
    workspace.Checks.push_back(&file.Check->Knowledge);
  }
  // The folder's other sources, checked once and again only when they or
  // the open documents changed. A document without a file has no folder.
  if (from.Path.empty()) return workspace;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(from.Folder.empty() ? "." : from.Folder.c_str()), ::closedir);
  if (!dir) return workspace;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (!HasSourceExtension(name)) continue;
    const std::string path = from.Folder + name;
    if (FindOpen(path)) continue;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    DiskModule& module = disk_[path];
    const std::int64_t modified = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    if (!module.Check || module.ModifiedNanoseconds != modified || module.Size != info.st_size ||
        module.OverlayStamp != overlayStamp_) {
      const auto text = qv3::ReadWholeFile(path);
      if (!text) continue;
      module.Check = CheckText(*text, std::string(qv3::CutAtFirstDot(name)), from.Folder);
      module.ModifiedNanoseconds = modified;
      module.Size = info.st_size;
      module.OverlayStamp = overlayStamp_;
    }
    workspace.Checks.push_back(&module.Check->Knowledge);
  }
  return workspace;
}

std::string Server::PathOfPlace(const SourcePlace& place) {
  if (!place.IncludedFile.empty()) return place.IncludedFile;
  if (const OpenFile* file = FindOpenModule(place.Folder, place.Module)) return file->Path;
  qv3::ModuleKnowledge module;
  module.Name = place.Module;
  module.Folder = place.Folder;
  return ModuleSourcePath(module);
}

std::string Server::UriOfFile(const std::string& path) {
  if (const OpenFile* file = FindOpen(path)) return file->Uri;
  return UriOfPath(path);
}

QJsonValue Server::LocationOf(const SourcePlace& place) {
  const std::string path = PathOfPlace(place);
  if (path.empty()) return QJsonValue::Null;
  const qv3::SourceSpan& span = place.IncludedFile.empty() ? place.Span : place.IncludedSpan;
  QJsonObject range = SpanRange(span);
  if (span.FromInclude || span.Length == 0) {
    // No columns of its own: the whole line.
    const std::optional<Document> text = TextOf(path);
    const auto line = static_cast<std::size_t>(std::max(0, span.Line - 1));
    range = RangeJson(static_cast<std::int32_t>(line), 0,
                      text ? static_cast<std::int32_t>(text->Line(line).size()) : 0);
  }
  return QJsonObject{{"uri", QString::fromStdString(UriOfFile(path))}, {"range", range}};
}

std::optional<Document> Server::TextOf(const std::string& path) {
  if (const OpenFile* file = FindOpen(path)) return file->Text;
  auto text = qv3::ReadWholeFile(path);
  if (!text) return std::nullopt;
  return Document(std::move(*text));
}

}  // namespace lsp
