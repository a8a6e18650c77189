// SPDX-License-Identifier: GPL-3.0-or-later
// qv3-lsp driven through its pipes: the life cycle, messages that are
// malformed or cut off, a storm of changes, and columns counted in UTF-16
// over Latin-1 bytes.
#include <gtest/gtest.h>

#include "tests/engine/e2e_support.h"
#include "tests/lsp/lsp_client.h"

namespace lsp_test {
namespace {

using qv3::e2e::ScratchFolder;

QJsonObject OpenParams(const QString& uri, const QString& text, int version = 1) {
  return {{"textDocument", QJsonObject{{"uri", uri}, {"languageId", "qv3"}, {"version", version}, {"text", text}}}};
}

int ErrorCode(const std::optional<QJsonObject>& response) {
  return response ? response->value("error").toObject().value("code").toInt() : 0;
}

TEST(LspLifeCycle, InitializeShutdownExitAndWhatComesOutOfOrder) {
  LspClient client;
  // Before initialize only initialize is served.
  EXPECT_EQ(ErrorCode(client.Request("textDocument/hover", QJsonObject{})), -32002);
  const QJsonObject capabilities = client.Initialize();
  for (const char* provider : {"hoverProvider", "definitionProvider", "referencesProvider", "documentSymbolProvider",
                               "workspaceSymbolProvider", "inlayHintProvider"})
    EXPECT_TRUE(capabilities.value(provider).toBool()) << provider;
  EXPECT_TRUE(capabilities.value("renameProvider").toObject().value("prepareProvider").toBool());
  EXPECT_EQ(capabilities.value("textDocumentSync").toObject().value("change").toInt(), 2);  // incremental
  EXPECT_TRUE(capabilities.contains("semanticTokensProvider"));
  EXPECT_EQ(capabilities.value("codeActionProvider").toObject().value("codeActionKinds").toArray(),
            QJsonArray{"quickfix"});

  EXPECT_EQ(ErrorCode(client.Request("textDocument/formatting", QJsonObject{})), -32601);
  const auto shutdown = client.Request("shutdown", QJsonValue::Null);
  ASSERT_TRUE(shutdown);
  EXPECT_TRUE(shutdown->contains("result"));
  EXPECT_TRUE(shutdown->value("result").isNull());
  // After shutdown a request is refused; exit then ends the server with 0.
  EXPECT_EQ(ErrorCode(client.Request("textDocument/hover", QJsonObject{})), -32600);
  client.Notify("exit", QJsonValue::Null);
  EXPECT_EQ(client.WaitForExit(), 0);
}

TEST(LspLifeCycle, AClientThatDisappearsEndsTheServer) {
  {
    LspClient client;
    client.Initialize();
    client.CloseInput();
    EXPECT_EQ(client.WaitForExit(), 1);  // no shutdown came first
  }
  {
    LspClient client;
    client.Initialize();
    client.Notify("exit", QJsonValue::Null);
    EXPECT_EQ(client.WaitForExit(), 1);
  }
}

TEST(LspMessages, MalformedMessagesGetAParseErrorAndTheServerGoesOn) {
  LspClient client;
  client.Initialize();
  const auto expectParseError = [&](std::string_view raw, int code = -32700) {
    client.SendRaw(raw);
    const auto answer = client.Read();
    ASSERT_TRUE(answer) << raw;
    EXPECT_TRUE(answer->value("id").isNull()) << raw;
    EXPECT_EQ(answer->value("error").toObject().value("code").toInt(), code) << raw;
  };
  expectParseError("Content-Length: 9\r\n\r\n{\"id\": 1,");
  expectParseError("Content-Type: application/json\r\n\r\n");  // no length
  expectParseError("Content-Length: many\r\n\r\n");
  expectParseError("garbage without a colon\r\n\r\n");
  expectParseError("Content-Length: 7\r\n\r\n[1,2,3]", -32600);  // not an object
  // A message to the server that is no request, notification or response.
  const auto noMethod = client.Request("", QJsonObject{});
  EXPECT_EQ(ErrorCode(noMethod), -32600);
  // Still serving: a real request after all that is answered.
  const auto answer = client.Request("workspace/symbol", QJsonObject{{"query", ""}});
  ASSERT_TRUE(answer);
  EXPECT_TRUE(answer->value("result").isArray());
}

TEST(LspMessages, ATruncatedMessageAtTheEndOfInputEndsTheServer) {
  LspClient client;
  client.Initialize();
  client.SendRaw("Content-Length: 500\r\n\r\n{\"jsonrpc\":\"2.0\",\"id\":7,\"method\":\"shut");
  client.CloseInput();
  EXPECT_EQ(client.WaitForExit(), 1);
  // A header cut off in the middle does the same.
  LspClient other;
  other.Initialize();
  other.SendRaw("Content-Len");
  other.CloseInput();
  EXPECT_EQ(other.WaitForExit(), 1);
}

// The last publishDiagnostics of uri among the notifications read so far.
QJsonObject LastDiagnostics(const LspClient& client, const QString& uri) {
  QJsonObject last;
  for (const QJsonObject& message : client.Notifications)
    if (message.value("method") == "textDocument/publishDiagnostics" &&
        message.value("params").toObject().value("uri").toString() == uri)
      last = message.value("params").toObject();
  return last;
}

TEST(LspDocuments, ADidChangeStormIsCheckedOnceItCalmsDown) {
  ScratchFolder folder;
  const QString uri = UriOf(folder.PathOf("storm.qv3"));
  LspClient client({"--debounce", "200"});
  client.Initialize();
  client.Notify("textDocument/didOpen", OpenParams(uri, "\tORIGIN $1000\r\n"));
  ASSERT_TRUE(client.WaitFor("textDocument/publishDiagnostics", uri));
  // 400 keystrokes typed at the end of line 2, then a request right away:
  // the request sees the whole text, and the storm costs a few checks only.
  const QString typed = "\tLDA NOWHERE";
  std::string storm;
  int version = 1;
  const auto insert = [&](int line, int character, const QString& text) {
    const QJsonObject range{{"start", Position(line, character)}, {"end", Position(line, character)}};
    const QJsonObject params{{"textDocument", QJsonObject{{"uri", uri}, {"version", ++version}}},
                             {"contentChanges", QJsonArray{QJsonObject{{"range", range}, {"text", text}}}}};
    const QJsonObject message{{"jsonrpc", "2.0"}, {"method", "textDocument/didChange"}, {"params", params}};
    const QByteArray body = QJsonDocument(message).toJson(QJsonDocument::Compact);
    storm += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body.toStdString();
  };
  for (int line = 1; line <= 40; ++line) {
    for (int i = 0; i < typed.size(); ++i) insert(line, i, QString(typed[i]));
    insert(line, static_cast<int>(typed.size()), "\r\n");  // the line break, typed last
  }
  client.SendRaw(storm);
  const auto symbols = client.Request("textDocument/documentSymbol", QJsonObject{{"textDocument", QJsonObject{{"uri", uri}}}});
  ASSERT_TRUE(symbols);
  const QJsonObject last = LastDiagnostics(client, uri);
  EXPECT_EQ(last.value("version").toInt(), version);
  const QJsonArray diagnostics = last.value("diagnostics").toArray();
  // Each of the 40 lines names an unknown symbol (twice: both passes look).
  ASSERT_GE(diagnostics.size(), 40);
  for (const QJsonValue diagnostic : diagnostics) {
    const QJsonObject range = diagnostic.toObject().value("range").toObject();
    EXPECT_EQ(range.value("start").toObject().value("character").toInt(), 1);
    EXPECT_EQ(range.value("end").toObject().value("character").toInt(), typed.size());
    EXPECT_EQ(diagnostic.toObject().value("code").toInt(), 2);
  }
  int published = 0;
  for (const QJsonObject& message : client.Notifications)
    published += message.value("method") == "textDocument/publishDiagnostics";
  EXPECT_LE(published, 5) << "each change was checked";
}

TEST(LspDocuments, ColumnsAreUtf16CodeUnitsOverLatin1Bytes) {
  ScratchFolder folder;
  const QString uri = UriOf(folder.PathOf("columns.qv3"));
  LspClient client;
  client.Initialize();
  // A TAB, a Latin-1 letter inside a name kept by tildes, and a character
  // beyond U+FFFF (two code units) in a comment that an edit turns into code.
  const QString line4 = QString::fromUtf8("\tLDA ~\xC3\xA9~ // \xF0\x9F\x98\x80 x");
  const QString text = "ORIGIN $1000\n~" + QString(QChar(0xE9)) + "~ = 5\nLATER = 6\n" + line4 + "\n";
  client.Notify("textDocument/didOpen", OpenParams(uri, text));
  const auto diagnostics = client.WaitFor("textDocument/publishDiagnostics", uri);
  ASSERT_TRUE(diagnostics);
  const auto definition = client.Request("textDocument/definition", DocumentAt(uri, 3, static_cast<int>(line4.indexOf("~")) + 2));
  ASSERT_TRUE(definition);
  EXPECT_EQ(definition->value("result").toObject().value("range").toObject().value("start").toObject().value("line").toInt(), 1);
  const auto tilde = client.Request("textDocument/hover", DocumentAt(uri, 3, static_cast<int>(line4.indexOf("~")) + 1));
  ASSERT_TRUE(tilde);
  EXPECT_TRUE(tilde->value("result").toObject().value("contents").toObject().value("value").toString().startsWith(
      QString("~") + QChar(0xE9) + "~ = $05 = 5"));

  // Delete the surrogate pair by its UTF-16 columns, then type a name after
  // the comment's x: the range of an incremental change counts code units.
  const int emoji = static_cast<int>(line4.indexOf(QChar(0xD83D)));
  const auto change = [&](int from, int to, const QString& insert, int version) {
    const QJsonObject range{{"start", Position(3, from)}, {"end", Position(3, to)}};
    const QJsonArray changes{QJsonObject{{"range", range}, {"text", insert}}};
    client.Notify("textDocument/didChange", QJsonObject{{"textDocument", QJsonObject{{"uri", uri}, {"version", version}}},
                                                        {"contentChanges", changes}});
  };
  change(emoji, emoji + 2, "", 2);
  const QString edited = QString(line4).remove(emoji, 2);
  // "//", the two blanks around the deleted character and "x" become a
  // use of LATER: "\tLDA ~\xE9~ +LATER".
  const int comment = static_cast<int>(edited.indexOf("//"));
  change(comment, comment + 5, "+LATER", 3);
  const QString now = QString(edited).replace(comment, 5, "+LATER");
  const auto second = client.Request("textDocument/definition", DocumentAt(uri, 3, static_cast<int>(now.lastIndexOf("LATER")) + 1));
  ASSERT_TRUE(second);
  EXPECT_EQ(second->value("result").toObject().value("range").toObject().value("start").toObject().value("line").toInt(), 2)
      << now.toStdString();
  const QJsonObject last = LastDiagnostics(client, uri);
  EXPECT_EQ(last.value("version").toInt(), 3);
  EXPECT_TRUE(last.value("diagnostics").toArray().isEmpty()) << "LATER is used now";
  // The same edit with the columns of the Latin-1 bytes of UTF-8 would
  // have cut into the name: one more check that the server counted units.
  const auto references = client.Request("textDocument/references",
                                         QJsonObject{{"textDocument", QJsonObject{{"uri", uri}}},
                                                     {"position", Position(2, 0)},
                                                     {"context", QJsonObject{{"includeDeclaration", false}}}});
  ASSERT_TRUE(references);
  const QJsonArray uses = references->value("result").toArray();
  ASSERT_EQ(uses.size(), 1);
  EXPECT_EQ(uses[0].toObject().value("range").toObject().value("start").toObject().value("character").toInt(),
            now.lastIndexOf("LATER"));
}

}  // namespace
}  // namespace lsp_test
