// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/lsp/lsp_client.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace lsp_test {

LspClient::LspClient(std::vector<std::string> arguments) {
  int toServer[2], fromServer[2];
  if (::pipe(toServer) != 0 || ::pipe(fromServer) != 0) throw std::runtime_error("pipe");
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(toServer[0], 0);
    ::dup2(fromServer[1], 1);
    ::close(toServer[1]);
    ::close(fromServer[0]);
    std::vector<char*> argv{const_cast<char*>(QV3_LSP_PATH)};
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    ::execv(QV3_LSP_PATH, argv.data());
    ::_exit(127);
  }
  ::close(toServer[0]);
  ::close(fromServer[1]);
  in_ = toServer[1];
  out_ = fromServer[0];
  ::signal(SIGPIPE, SIG_IGN);
}

LspClient::~LspClient() {
  if (in_ >= 0) ::close(in_);
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (out_ >= 0) ::close(out_);
}

void LspClient::SendRaw(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(in_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

void LspClient::Send(const QJsonObject& message) {
  const QByteArray body = QJsonDocument(message).toJson(QJsonDocument::Compact);
  SendRaw("Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body.toStdString());
}

void LspClient::Notify(const QString& method, const QJsonValue& params) {
  Send({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
}

std::optional<QJsonObject> LspClient::Read(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const std::size_t end = buffer_.find("\r\n\r\n");
    if (end != std::string::npos) {
      const std::size_t at = buffer_.find("Content-Length:");
      const std::size_t length = std::stoul(buffer_.substr(at + 15, end - at - 15));
      if (buffer_.size() >= end + 4 + length) {
        const QByteArray body = QByteArray::fromStdString(buffer_.substr(end + 4, length));
        buffer_.erase(0, end + 4 + length);
        return QJsonDocument::fromJson(body).object();
      }
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd input{out_, POLLIN, 0};
    if (::poll(&input, 1, static_cast<int>(left.count())) <= 0) continue;
    char chunk[65536];
    const ssize_t got = ::read(out_, chunk, sizeof chunk);
    if (got <= 0) return std::nullopt;
    buffer_.append(chunk, static_cast<std::size_t>(got));
  }
}

std::optional<QJsonObject> LspClient::Request(const QString& method, const QJsonValue& params) {
  const int id = NextId++;
  Send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}});
  while (const auto message = Read()) {
    if (message->contains("id") && message->value("id").toInt() == id && !message->contains("method")) return message;
    Notifications.push_back(*message);
  }
  return std::nullopt;
}

std::optional<QJsonObject> LspClient::WaitFor(const QString& method, const QString& uri,
                                              std::chrono::milliseconds limit) {
  const auto matches = [&](const QJsonObject& message) {
    return message.value("method").toString() == method &&
           (uri.isEmpty() || message.value("params").toObject().value("uri").toString() == uri);
  };
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    const auto message = Read(left);
    if (!message) return std::nullopt;
    Notifications.push_back(*message);
    if (matches(*message)) return message;
  }
}

QJsonObject LspClient::Initialize(const QJsonObject& capabilities) {
  const auto response = Request("initialize", QJsonObject{{"processId", static_cast<int>(::getpid())},
                                                          {"rootUri", QJsonValue::Null},
                                                          {"capabilities", capabilities}});
  if (!response) return {};
  Notify("initialized", QJsonObject{});
  return response->value("result").toObject().value("capabilities").toObject();
}

void LspClient::CloseInput() {
  if (in_ >= 0) ::close(in_);
  in_ = -1;
}

std::optional<int> LspClient::WaitForExit(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    ::usleep(10000);
  }
  return std::nullopt;
}

QString UriOf(const std::string& path) { return QString::fromStdString("file://" + path); }

QJsonObject Position(int line, int character) { return {{"line", line}, {"character", character}}; }

QJsonObject DocumentAt(const QString& uri, int line, int character) {
  return {{"textDocument", QJsonObject{{"uri", uri}}}, {"position", Position(line, character)}};
}

}  // namespace lsp_test
