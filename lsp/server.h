// SPDX-License-Identifier: GPL-3.0-or-later
// qv3-lsp's server: JSON-RPC over a pair of file descriptors, the life
// cycle, the open documents and their debounced checks. The requests are
// answered by the handlers in lsp/handlers_*.cpp, all on one thread: a
// check of a long document takes milliseconds, and a request about a
// document changed since its last check checks it first.
#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/check_compile.h"
#include "language/symbol_queries.h"
#include "lsp/document.h"
#include "lsp/framing.h"

namespace lsp {

using Clock = std::chrono::steady_clock;

// JSON-RPC and protocol error codes.
namespace ErrorCode {
inline constexpr int ParseError = -32700;
inline constexpr int InvalidRequest = -32600;
inline constexpr int MethodNotFound = -32601;
inline constexpr int InvalidParams = -32602;
inline constexpr int ServerNotInitialized = -32002;
inline constexpr int RequestFailed = -32803;
}  // namespace ErrorCode

// Thrown by a handler to answer its request with an error.
struct RequestError {
  int Code = ErrorCode::RequestFailed;
  QString Message;
};

struct OpenFile {
  std::string Uri;
  std::string Path;
  std::string Folder;  // "/"-terminated
  std::string Module;  // the file name without its extension
  Document Text;
  std::int64_t Version = 0;
  bool Stale = true;  // changed since its last check
  Clock::time_point FirstChange{};
  Clock::time_point Due{};  // when the debounced check runs
  std::shared_ptr<const qv3::CheckResult> Check;
  std::int64_t CheckedVersion = -1;
  std::string ObjectText;  // the symbols its last check without a fatal diagnostic would write
};

struct ServerOptions {
  std::chrono::milliseconds Debounce{150};
  // A document changed without pause is still checked this often.
  std::chrono::milliseconds MaxDelay{1000};
  // Each check's engine time on standard error (bench/lsp.sh reads it).
  bool Timing = false;
};

class Server {
 public:
  explicit Server(ServerOptions options = {}) : options_(options) {}

  // Serves until exit or the end of input: 0 after shutdown and exit, 1
  // otherwise (as the protocol asks).
  int Run(int in, int out);

  // For the handlers.
  OpenFile& FileOf(const QJsonObject& params);  // textDocument.uri, checked when stale
  OpenFile* FindOpen(std::string_view path);
  const OpenFile* FindOpenModule(std::string_view folder, std::string_view module) const;
  void EnsureChecked(OpenFile& file);
  // The other modules' checks for a query across modules: the open
  // documents and the .qv3 files of the folder (checked as they are on disk,
  // with the open documents standing in for theirs).
  Workspace WorkspaceOf(const OpenFile& file);
  std::map<std::string, OpenFile>& OpenFiles() { return open_; }
  // Where a place is, as a protocol Location (null when it has no file).
  QJsonValue LocationOf(const SourcePlace& place);
  std::string PathOfPlace(const SourcePlace& place);
  std::string UriOfFile(const std::string& path);
  // The lines of a file: an open document's or the file's on disk.
  std::optional<Document> TextOf(const std::string& path);
  // The open documents and their object files' symbols, as checks see them.
  qv3::FileOverlay Overlay(const std::string& excluding = {}) const;
  bool ClientSupportsHierarchicalSymbols() const { return hierarchicalSymbols_; }

 private:
  using Handler = std::function<QJsonValue(Server&, const QJsonObject&)>;
  void Handle(const Frame& frame);
  void HandleMessage(const QJsonObject& message);
  void HandleNotification(const QString& method, const QJsonObject& params);
  QJsonValue Initialize(const QJsonObject& params);
  void Send(const QJsonObject& message);
  void Respond(const QJsonValue& id, const QJsonValue& result);
  void RespondError(const QJsonValue& id, int code, const QString& message);

  void DidOpen(const QJsonObject& params);
  void DidChange(const QJsonObject& params);
  void DidClose(const QJsonObject& params);
  void Schedule(OpenFile& file);
  void RunDueChecks();
  std::optional<Clock::time_point> NextDue() const;
  void PublishDiagnostics(OpenFile& file);
  std::shared_ptr<const qv3::CheckResult> CheckText(std::string_view text, const std::string& module,
                                                    const std::string& folder);
  // Schedules the open documents a change of changed may concern.
  void MarkDependentsStale(const OpenFile& changed, bool symbolsChanged);

  ServerOptions options_;
  std::unordered_map<QString, Handler> handlers_;
  std::map<std::string, OpenFile> open_;  // by URI
  struct DiskModule {
    std::int64_t ModifiedNanoseconds = -1;
    std::int64_t Size = -1;
    std::uint64_t OverlayStamp = 0;
    std::shared_ptr<const qv3::CheckResult> Check;
  };
  std::map<std::string, DiskModule> disk_;  // by path
  std::uint64_t overlayStamp_ = 0;           // counts changes of what the overlay holds
  int out_ = 1;
  bool initialized_ = false;
  bool shutdown_ = false;
  bool exit_ = false;
  bool outputClosed_ = false;
  bool hierarchicalSymbols_ = false;
};

// The handlers, each answering one request (lsp/handlers_*.cpp).
QJsonValue Hover(Server& server, const QJsonObject& params);
QJsonValue Definition(Server& server, const QJsonObject& params);
QJsonValue References(Server& server, const QJsonObject& params);
QJsonValue DocumentSymbols(Server& server, const QJsonObject& params);
QJsonValue WorkspaceSymbols(Server& server, const QJsonObject& params);
QJsonValue PrepareRenameRequest(Server& server, const QJsonObject& params);
QJsonValue Rename(Server& server, const QJsonObject& params);
QJsonValue Completion(Server& server, const QJsonObject& params);
QJsonValue SemanticTokens(Server& server, const QJsonObject& params);
// The IF, REPEAT and MACRO blocks of the last check.
QJsonValue FoldingRanges(Server& server, const QJsonObject& params);
QJsonValue InlayHints(Server& server, const QJsonObject& params);
QJsonValue CodeActions(Server& server, const QJsonObject& params);

// The semantic token legend the server announces.
QJsonObject SemanticTokenLegend();

}  // namespace lsp
