// SPDX-License-Identifier: GPL-3.0-or-later
// A language client for the tests: starts qv3-lsp with pipes for its
// standard input and output, sends framed JSON-RPC messages and reads the
// server's with a time limit, keeping the notifications it meets on the way.
#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <chrono>
#include <ostream>
#include <optional>
#include <string>
#include <vector>

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& texts, std::ostream* out) {
  *out << '{' << texts.join(", ").toStdString() << '}';
}

namespace lsp_test {

class LspClient {
 public:
  explicit LspClient(std::vector<std::string> arguments = {"--debounce", "20"});
  ~LspClient();
  LspClient(const LspClient&) = delete;
  LspClient& operator=(const LspClient&) = delete;

  // Raw bytes, exactly as given (for malformed and truncated messages).
  void SendRaw(std::string_view bytes);
  void Send(const QJsonObject& message);
  void Notify(const QString& method, const QJsonValue& params);
  // Sends a request and waits for its response (nothing when none came in time).
  std::optional<QJsonObject> Request(const QString& method, const QJsonValue& params);
  // The next message of any kind.
  std::optional<QJsonObject> Read(std::chrono::milliseconds limit = std::chrono::seconds(10));
  // Waits for a notification of method (for uri, when given), keeping others.
  std::optional<QJsonObject> WaitFor(const QString& method, const QString& uri = {},
                                     std::chrono::milliseconds limit = std::chrono::seconds(10));
  // The initialize/initialized exchange; the server's capabilities.
  QJsonObject Initialize(const QJsonObject& capabilities = {});

  void CloseInput();
  // The server's exit status after it ended by itself (nothing when it had
  // not within the limit: it is then killed).
  std::optional<int> WaitForExit(std::chrono::milliseconds limit = std::chrono::seconds(10));

  std::vector<QJsonObject> Notifications;  // in arrival order, those already read
  int NextId = 1;

 private:
  int pid_ = -1;
  int in_ = -1;   // the server's standard input
  int out_ = -1;  // its standard output
  std::string buffer_;
};

// file:// URI of a path (plain ASCII paths only: the test folders).
QString UriOf(const std::string& path);
QJsonObject Position(int line, int character);
QJsonObject DocumentAt(const QString& uri, int line, int character);

}  // namespace lsp_test
