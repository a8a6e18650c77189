// SPDX-License-Identifier: GPL-3.0-or-later
// Every feature of qv3-lsp on the two-module example (main uses lib's
// routines through @LIB.NAME and both include shared.inc), asked through the
// pipes as an editor asks. Expected places are looked up in the sources.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QStringList>
#include <map>
#include <fstream>
#include <sstream>

#include "engine/compile_command.h"
#include "engine/file_system.h"
#include "engine/source_text_lines.h"
#include "tests/engine/e2e_support.h"
#include "tests/lsp/lsp_client.h"

namespace lsp_test {
namespace {

using qv3::e2e::ScratchFolder;

QString ReadLatin1(const std::string& path) {
  const auto bytes = qv3::ReadWholeFile(path);
  return bytes ? QString::fromLatin1(bytes->data(), static_cast<qsizetype>(bytes->size())) : QString();
}

QStringList LinesOf(const QString& text) { return text.split(QRegularExpression("\r\n|\n|\r")); }

struct Place {
  int Line = -1;
  int Character = -1;
};
// The nth place of needle in text (0-based line and column).
Place Find(const QString& text, const QString& needle, int nth = 0) {
  const QStringList lines = LinesOf(text);
  for (int line = 0; line < lines.size(); ++line)
    for (qsizetype at = lines[line].indexOf(needle); at >= 0; at = lines[line].indexOf(needle, at + 1))
      if (nth-- == 0) return {line, static_cast<int>(at)};
  ADD_FAILURE() << "not found: " << needle.toStdString();
  return {};
}

int StartLine(const QJsonObject& location) {
  return location.value("range").toObject().value("start").toObject().value("line").toInt();
}
int StartCharacter(const QJsonObject& location) {
  return location.value("range").toObject().value("start").toObject().value("character").toInt();
}
int EndCharacter(const QJsonObject& location) {
  return location.value("range").toObject().value("end").toObject().value("character").toInt();
}

// Applies a list of protocol TextEdits to a text.
QString Apply(QString text, const QJsonArray& edits) {
  QStringList lines = LinesOf(text);
  std::vector<QJsonObject> sorted;
  for (const QJsonValue edit : edits) sorted.push_back(edit.toObject());
  std::sort(sorted.begin(), sorted.end(), [](const QJsonObject& a, const QJsonObject& b) {
    return std::pair(StartLine(a), StartCharacter(a)) > std::pair(StartLine(b), StartCharacter(b));
  });
  for (const QJsonObject& edit : sorted) {
    QString& line = lines[StartLine(edit)];
    line.replace(StartCharacter(edit), EndCharacter(edit) - StartCharacter(edit), edit.value("newText").toString());
  }
  return lines.join("\n");
}

class TwoModuleServer : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"main.qv3", "lib.qv3", "shared.inc"}) {
      const auto bytes = qv3::ReadWholeFile(std::string(QV3_SOURCE_DIR) + "/examples/twomodule/" + name);
      ASSERT_TRUE(bytes) << name;
      folder.Write(name, *bytes);
    }
    // lib.qvo and lib.prg, which main reads, exist after one compile.
    ASSERT_FALSE(CompileFails());
    main = ReadLatin1(folder.PathOf("main.qv3"));
    lib = ReadLatin1(folder.PathOf("lib.qv3"));
    shared = ReadLatin1(folder.PathOf("shared.inc"));
    mainUri = UriOf(folder.PathOf("main.qv3"));
    libUri = UriOf(folder.PathOf("lib.qv3"));
    const QJsonObject symbols{{"hierarchicalDocumentSymbolSupport", true}};
    client.Initialize(QJsonObject{{"textDocument", QJsonObject{{"documentSymbol", symbols}}}});
  }

  // Compiles main (and so lib) as the assembler does; true when it failed.
  bool CompileFails() {
    qv3::CompileSession session;
    const auto source = qv3::ReadWholeFile(folder.PathOf("main.qv3"));
    const qv3::CompileOutcome outcome =
        qv3::RunCompileCommand(session, qv3::SourceText(source.value_or("")), "main", folder.Path());
    return outcome.Abandoned || session.FatalFlag;
  }

  // Opens a document and returns its first diagnostics.
  QJsonArray Open(const QString& uri, const QString& text) {
    client.Notify("textDocument/didOpen",
                  QJsonObject{{"textDocument", QJsonObject{{"uri", uri}, {"languageId", "qv3"}, {"version", 1}, {"text", text}}}});
    const auto published = client.WaitFor("textDocument/publishDiagnostics", uri);
    return published ? published->value("params").toObject().value("diagnostics").toArray() : QJsonArray{};
  }

  QJsonValue Ask(const QString& method, const QString& uri, Place at, QJsonObject extra = {}) {
    extra["textDocument"] = QJsonObject{{"uri", uri}};
    extra["position"] = Position(at.Line, at.Character);
    const auto response = client.Request(method, extra);
    EXPECT_TRUE(response) << method.toStdString();
    if (!response) return {};
    if (response->contains("error")) return response->value("error");
    return response->value("result");
  }

  Place In(Place place, int offset) { return {place.Line, place.Character + offset}; }

  ScratchFolder folder;
  LspClient client;
  QString main, lib, shared, mainUri, libUri;
};

TEST_F(TwoModuleServer, DiagnosticsDefinitionsAndHover) {
  for (const QJsonValue diagnostic : Open(mainUri, main))
    EXPECT_NE(diagnostic.toObject().value("severity").toInt(), 1) << diagnostic.toObject().value("message").toString().toStdString();

  // Into the other module, and into the included file.
  const Place clear = Find(main, "@LIB.CLEARSCREEN");
  const QJsonObject toLib = Ask("textDocument/definition", mainUri, In(clear, 8)).toObject();
  EXPECT_EQ(toLib.value("uri").toString(), libUri);
  EXPECT_EQ(StartLine(toLib), Find(lib, "CLEARSCREEN:").Line);
  const QJsonObject toShared = Ask("textDocument/definition", mainUri, In(Find(main, "STA TEXTPTR"), 5)).toObject();
  EXPECT_EQ(toShared.value("uri").toString(), UriOf(folder.PathOf("shared.inc")));
  const Place textptr = Find(shared, "TEXTPTR =");
  EXPECT_EQ(StartLine(toShared), textptr.Line);
  EXPECT_EQ(StartCharacter(toShared), textptr.Character);
  EXPECT_EQ(EndCharacter(toShared), textptr.Character + 7);

  const auto hover = [&](Place at) {
    return Ask("textDocument/hover", mainUri, at).toObject().value("contents").toObject().value("value").toString();
  };
  const QString lda = hover(In(Find(main, "LDA #$00"), 0));
  EXPECT_TRUE(lda.contains("immediate") && lda.contains("opcode $A9") && lda.contains("2 bytes") && lda.contains("2 cycles")) << lda.toStdString();
  const QString beq = hover(In(Find(main, "BEQ WAIT"), 1));
  EXPECT_TRUE(beq.contains("taken to another page")) << beq.toStdString();
  const QString border = hover(In(Find(main, "STA BORDER"), 5));
  EXPECT_TRUE(border.startsWith("BORDER = $FF19 = 65305")) << border.toStdString();

  // An edit shows as the editor has it: GETIN misspelt is unknown.
  const Place getin = Find(main, "JSR GETIN");
  const QJsonObject range{{"start", Position(getin.Line, getin.Character + 9)}, {"end", Position(getin.Line, getin.Character + 9)}};
  client.Notify("textDocument/didChange",
                QJsonObject{{"textDocument", QJsonObject{{"uri", mainUri}, {"version", 2}}},
                            {"contentChanges", QJsonArray{QJsonObject{{"range", range}, {"text", "N"}}}}});
  const auto published = client.WaitFor("textDocument/publishDiagnostics", mainUri);
  ASSERT_TRUE(published);
  bool unknown = false;
  for (const QJsonValue value : published->value("params").toObject().value("diagnostics").toArray()) {
    const QJsonObject diagnostic = value.toObject();
    if (diagnostic.value("code").toInt() != 2) continue;
    unknown = true;
    EXPECT_EQ(diagnostic.value("severity").toInt(), 1);
    EXPECT_EQ(StartLine(diagnostic), getin.Line);
    // The editor shows the module and the line: the message says what is wrong.
    EXPECT_EQ(diagnostic.value("message").toString(), "Unknown constant/label");
  }
  EXPECT_TRUE(unknown);
}

TEST_F(TwoModuleServer, UnsavedModulesAndIncludedFilesCountAsTheEditorShowsThem) {
  Open(mainUri, main);
  Open(libUri, lib);
  const auto codesAfterChanging = [&](const QString& uri, const QString& text, int version) {
    client.Notify("textDocument/didChange", QJsonObject{{"textDocument", QJsonObject{{"uri", uri}, {"version", version}}},
                                                        {"contentChanges", QJsonArray{QJsonObject{{"text", text}}}}});
    // main is checked again because what it reads changed.
    std::map<int, int> lineOfCode;
    for (;;) {
      const auto published = client.WaitFor("textDocument/publishDiagnostics", mainUri);
      if (!published) return lineOfCode;
      for (const QJsonValue diagnostic : published->value("params").toObject().value("diagnostics").toArray())
        if (diagnostic.toObject().value("severity").toInt() == 1)
          lineOfCode[diagnostic.toObject().value("code").toInt()] = StartLine(diagnostic.toObject());
      if (!lineOfCode.empty()) return lineOfCode;
    }
  };
  // lib's SHOWTEXT renamed in the editor only: main's @LIB.SHOWTEXT is gone.
  QString changedLib = lib;
  changedLib.replace("SHOWTEXT:", "PRINTTEXT:");
  const auto external = codesAfterChanging(libUri, changedLib, 2);
  ASSERT_EQ(external.count(2), 1u);  // an unknown @MODULE.NAME is an unknown label
  EXPECT_EQ(external.at(2), Find(main, "JSR @LIB.SHOWTEXT").Line);
  client.Notify("textDocument/didChange", QJsonObject{{"textDocument", QJsonObject{{"uri", libUri}, {"version", 3}}},
                                                      {"contentChanges", QJsonArray{QJsonObject{{"text", lib}}}}});
  // The included file changed in the editor: main's TEXTPTR is unknown.
  const QString sharedUri = UriOf(folder.PathOf("shared.inc"));
  Open(sharedUri, shared);
  QString changedShared = shared;
  changedShared.replace("TEXTPTR =", "TEXTPOINTER =");
  const auto unknown = codesAfterChanging(sharedUri, changedShared, 2);
  ASSERT_EQ(unknown.count(2), 1u);
  EXPECT_EQ(unknown.at(2), Find(main, "LDA #>GREETING").Line + 1);  // STA TEXTPTR+1
  // A change that leaves the file's names as they were still reaches main:
  // the bad line shows on main's INCLUDE line.
  const auto included = codesAfterChanging(sharedUri, shared + "\tLDA NOWHERE\n", 3);
  ASSERT_EQ(included.count(2), 1u);
  EXPECT_EQ(included.at(2), Find(main, "INCLUDE SHARED.INC").Line);
}

// lib.qvo on disk still names CLEARSCREEN; lib's open text lends main its
// new name, so the rename checks clean before anything is saved.
TEST_F(TwoModuleServer, AfterARenameAcrossModulesTheChecksAgreeWithNothingSaved) {
  const std::string objectBefore = qv3::ReadWholeFile(folder.PathOf("lib.qvo")).value_or("");
  Open(mainUri, main);
  Open(libUri, lib);
  const QJsonObject edit =
      Ask("textDocument/rename", mainUri, In(Find(main, "@LIB.CLEARSCREEN"), 6), {{"newName", "BEEPON"}}).toObject();
  const QJsonObject changes = edit.value("changes").toObject();
  int version = 2;
  for (const auto& [uri, text] : {std::pair{mainUri, main}, std::pair{libUri, lib}})
    client.Notify("textDocument/didChange",
                  QJsonObject{{"textDocument", QJsonObject{{"uri", uri}, {"version", version++}}},
                              {"contentChanges", QJsonArray{QJsonObject{{"text", Apply(text, changes.value(uri).toArray())}}}}});
  // main's checks until the one after lib's names changed.
  QStringList fatal;
  for (;;) {
    const auto published = client.WaitFor("textDocument/publishDiagnostics", mainUri);
    if (!published) break;
    fatal.clear();
    for (const QJsonValue diagnostic : published->value("params").toObject().value("diagnostics").toArray())
      if (diagnostic.toObject().value("severity").toInt() == 1) fatal << diagnostic.toObject().value("message").toString();
    if (fatal.isEmpty()) break;
  }
  EXPECT_TRUE(fatal.isEmpty()) << fatal.join('\n').toStdString();
  EXPECT_EQ(qv3::ReadWholeFile(folder.PathOf("lib.qvo")).value_or(""), objectBefore) << "nothing was written";
}

TEST_F(TwoModuleServer, ReferencesFromTheDefiningModuleFindTheOtherModulesUses) {
  Open(libUri, lib);  // main is not open: the folder's sources are looked at
  const QJsonArray places = Ask("textDocument/references", libUri, Find(lib, "CLEARSCREEN:"),
                                QJsonObject{{"context", QJsonObject{{"includeDeclaration", true}}}}).toArray();
  ASSERT_EQ(places.size(), 2);
  EXPECT_EQ(places[0].toObject().value("uri").toString(), libUri);
  const QJsonObject use = places[1].toObject();
  EXPECT_EQ(use.value("uri").toString(), mainUri);
  EXPECT_EQ(StartLine(use), Find(main, "@LIB.CLEARSCREEN").Line);

  // A name of the included file: its definition there, and main's uses.
  Open(mainUri, main);
  const QJsonArray pointer = Ask("textDocument/references", mainUri, In(Find(main, "STA DESTPTR"), 5),
                                 QJsonObject{{"context", QJsonObject{{"includeDeclaration", true}}}}).toArray();
  ASSERT_EQ(pointer.size(), 3);  // the definition, STA DESTPTR, STA DESTPTR+1
  EXPECT_EQ(pointer[0].toObject().value("uri").toString(), UriOf(folder.PathOf("shared.inc")));
  EXPECT_EQ(StartLine(pointer[0].toObject()), Find(shared, "DESTPTR =").Line);
}

TEST_F(TwoModuleServer, RenameAcrossModulesOrARefusalWithItsReason) {
  Open(mainUri, main);
  Open(libUri, lib);
  const Place use = In(Find(main, "@LIB.CLEARSCREEN"), 6);
  const QJsonObject prepared = Ask("textDocument/prepareRename", mainUri, use).toObject();
  EXPECT_EQ(StartCharacter(prepared), Find(main, "@LIB.CLEARSCREEN").Character + 5);  // NAME only
  EXPECT_EQ(prepared.value("placeholder").toString(), "CLEARSCREEN");

  const auto refusal = [&](const QString& method, Place at, QJsonObject extra = {}) {
    return Ask(method, mainUri, at, extra).toObject().value("message").toString().toStdString();
  };
  EXPECT_EQ(refusal("textDocument/prepareRename", Find(main, "JSR @LIB")), "An opcode cannot be renamed.");
  EXPECT_EQ(refusal("textDocument/prepareRename", Find(main, "ORIGIN $1001")), "A directive cannot be renamed.");
  EXPECT_EQ(refusal("textDocument/prepareRename", In(Find(main, "LDA #$32"), 6)), "A number cannot be renamed.");
  EXPECT_EQ(refusal("textDocument/rename", use, {{"newName", "showtext"}}), "SHOWTEXT is already defined in module lib.");
  EXPECT_NE(refusal("textDocument/rename", use, {{"newName", "2FAST"}}).find("cannot name"), std::string::npos);
  EXPECT_NE(refusal("textDocument/rename", use, {{"newName", "LDA"}}).find("cannot name"), std::string::npos);

  const QJsonObject edit = Ask("textDocument/rename", mainUri, use, {{"newName", "CLS"}}).toObject();
  const QJsonObject changes = edit.value("changes").toObject();
  ASSERT_EQ(changes.size(), 2);
  const QString renamedMain = Apply(main, changes.value(mainUri).toArray());
  const QString renamedLib = Apply(lib, changes.value(libUri).toArray());
  EXPECT_TRUE(renamedMain.contains("JSR @LIB.CLS    "));
  EXPECT_TRUE(renamedLib.contains("\nCLS:\n"));
  EXPECT_FALSE(renamedLib.contains("CLEARSCREEN:"));
  // What the assembler says about the renamed sources is the proof.
  folder.Write("main.qv3", renamedMain.toLatin1().toStdString());
  folder.Write("lib.qv3", renamedLib.toLatin1().toStdString());
  EXPECT_FALSE(CompileFails());
}

// Renaming in the included file itself: the modules that include it take
// the name from it, so their uses are renamed with it.
TEST_F(TwoModuleServer, RenameInAnIncludedFileReachesTheModulesThatIncludeIt) {
  const QString sharedUri = UriOf(folder.PathOf("shared.inc"));
  Open(sharedUri, shared);
  const QJsonObject edit =
      Ask("textDocument/rename", sharedUri, Find(shared, "TEXTPTR ="), {{"newName", "TEXTADDR"}}).toObject();
  const QJsonObject changes = edit.value("changes").toObject();
  ASSERT_EQ(changes.size(), 3) << QJsonDocument(edit).toJson().toStdString();
  folder.Write("shared.inc", Apply(shared, changes.value(sharedUri).toArray()).toLatin1().toStdString());
  folder.Write("main.qv3", Apply(main, changes.value(mainUri).toArray()).toLatin1().toStdString());
  folder.Write("lib.qv3", Apply(lib, changes.value(libUri).toArray()).toLatin1().toStdString());
  EXPECT_FALSE(CompileFails());
  EXPECT_TRUE(ReadLatin1(folder.PathOf("main.qv3")).contains("STA TEXTADDR+1"));
}

TEST_F(TwoModuleServer, CompletionSymbolsTokensInlayHintsAndTheBranchFix) {
  Open(mainUri, main);
  const auto labels = [&](Place at) {
    QStringList texts;
    for (const QJsonValue item : Ask("textDocument/completion", mainUri, at).toObject().value("items").toArray())
      texts << item.toObject().value("label").toString();
    return texts;
  };
  // After "@LIB.SH": the names of lib.qvo that start so.
  EXPECT_EQ(labels(In(Find(main, "@LIB.SHOWTEXT"), 7)), (QStringList{"SHOWDONE", "SHOWLOOP", "SHOWTEXT"}));
  // In an operand: the module's names; where an instruction stands: mnemonics.
  EXPECT_EQ(labels(In(Find(main, "JSR GETIN"), 5)), (QStringList{"GETIN", "GREETING"}));
  EXPECT_EQ(labels(In(Find(main, "BEQ WAIT"), 2)), (QStringList{"BEQ"}));
  const QStringList mnemonics = labels(In(Find(main, "LDA #$00"), 2));
  EXPECT_EQ(mnemonics, (QStringList{"LDA", "LDX", "LDY"}));

  QStringList outline;
  for (const QJsonValue symbol : client.Request("textDocument/documentSymbol", QJsonObject{{"textDocument", QJsonObject{{"uri", mainUri}}}})
                                     ->value("result").toArray()) {
    outline << symbol.toObject().value("name").toString();
    if (symbol.toObject().value("name") == "WAIT") EXPECT_EQ(symbol.toObject().value("kind").toInt(), 12);
    if (symbol.toObject().value("name") == "BORDER") EXPECT_EQ(symbol.toObject().value("kind").toInt(), 14);
  }
  for (const char* name : {"TEXTPTR", "BACKGROUND", "WAIT", "GREETING"}) EXPECT_TRUE(outline.contains(name)) << name;
  const auto workspace = client.Request("workspace/symbol", QJsonObject{{"query", "showt"}});
  ASSERT_TRUE(workspace);
  const QJsonArray found = workspace->value("result").toArray();
  ASSERT_EQ(found.size(), 1);
  EXPECT_EQ(found[0].toObject().value("containerName").toString(), "lib");
  EXPECT_EQ(found[0].toObject().value("location").toObject().value("uri").toString(), libUri);

  // Semantic tokens, decoded: WAIT is a label's declaration, JSR a
  // keyword, and the comment after them a comment.
  const QJsonArray data = client.Request("textDocument/semanticTokens/full", QJsonObject{{"textDocument", QJsonObject{{"uri", mainUri}}}})
                              ->value("result").toObject().value("data").toArray();
  ASSERT_EQ(data.size() % 5, 0);
  using Kind = std::pair<int, int>;  // type, modifiers
  std::map<std::pair<int, int>, Kind> tokens;  // by line and start
  int line = 0, start = 0;
  for (qsizetype i = 0; i < data.size(); i += 5) {
    const int deltaLine = data[i].toInt();
    start = deltaLine == 0 ? start + data[i + 1].toInt() : data[i + 1].toInt();
    line += deltaLine;
    tokens[{line, start}] = {data[i + 3].toInt(), data[i + 4].toInt()};
  }
  const Place wait = Find(main, "WAIT:");
  EXPECT_EQ((tokens[{wait.Line, 0}]), Kind(2, 1));  // function, declaration
  EXPECT_EQ((tokens[{wait.Line, Find(main, "JSR GETIN").Character}]), Kind(0, 0));
  EXPECT_EQ((tokens[{wait.Line, Find(main, "// wait for a key").Character}]), Kind(5, 0));
  EXPECT_EQ((tokens[{wait.Line, Find(main, "JSR GETIN").Character + 4}].first), 3);  // a constant

  // Inlay hints: the BASIC line's bytes at $1001, the first instruction after them.
  const QJsonArray hints = client.Request("textDocument/inlayHint",
                                          QJsonObject{{"textDocument", QJsonObject{{"uri", mainUri}}},
                                                      {"range", QJsonObject{{"start", Position(0, 0)}, {"end", Position(200, 0)}}}})
                               ->value("result").toArray();
  const Place basic = Find(main, "BIN.B $0B");
  const int basicBytes = static_cast<int>(LinesOf(main)[basic.Line].count('$'));
  std::map<int, QString> hintOfLine;
  for (const QJsonValue hint : hints)
    hintOfLine[hint.toObject().value("position").toObject().value("line").toInt()] = hint.toObject().value("label").toString();
  EXPECT_EQ(hintOfLine[basic.Line], QString("$1001, %1 bytes").arg(basicBytes));
  EXPECT_EQ(hintOfLine[Find(main, "LDA #$00").Line], 
            "$" + QString::number(0x1001 + basicBytes, 16).toUpper().rightJustified(4, '0') + ", 2 bytes");
  EXPECT_EQ(hintOfLine.count(Find(main, "WAIT:").Line - 1), 0u);  // a blank line has none

  // The one code action: a branch out of reach becomes the inverted branch over a JMP.
  const QString farUri = UriOf(folder.PathOf("far.qv3"));
  const QString far =
      "\tORIGIN $1000\r\nSTART:\tNOP\r\n\tLEAP 200\r\n\tBNE START\t// back\r\n\tSTA $12,Y\t// zero page\r\n\tRTS\r\n";
  QJsonArray before = Open(farUri, far);
  ASSERT_EQ(before.size(), 2);
  EXPECT_EQ(before[0].toObject().value("code").toInt(), 10);
  EXPECT_EQ(before[1].toObject().value("code").toInt(), 7);
  const auto actionsOn = [&](int first, int last) {
    return client.Request("textDocument/codeAction",
                          QJsonObject{{"textDocument", QJsonObject{{"uri", farUri}}},
                                      {"range", QJsonObject{{"start", Position(first, 0)}, {"end", Position(last, 0)}}},
                                      {"context", QJsonObject{{"diagnostics", before}}}})
        ->value("result")
        .toArray();
  };
  EXPECT_EQ(actionsOn(3, 3).size(), 1) << "only the lines asked for";
  const QJsonArray actions = actionsOn(0, 5);
  ASSERT_EQ(actions.size(), 2);
  EXPECT_EQ(actions[1].toObject().value("title").toString(),
            "Use STA.16 (STA has no zero-page $nn,Y form; $nnnn,Y reaches the zero page too)");
  const auto fixOf = [&](int index) {
    return actions[index].toObject().value("edit").toObject().value("changes").toObject().value(farUri).toArray();
  };
  // The later line first: the branch fix adds a line.
  const QString fixed = Apply(Apply(far, fixOf(1)), fixOf(0));
  EXPECT_TRUE(fixed.contains("\tBEQ *+5\t// back\r\n\tJMP START")) << fixed.toStdString();
  EXPECT_TRUE(fixed.contains("\tSTA.16 $12,Y\t// zero page")) << fixed.toStdString();
  client.Notify("textDocument/didChange", QJsonObject{{"textDocument", QJsonObject{{"uri", farUri}, {"version", 2}}},
                                                      {"contentChanges", QJsonArray{QJsonObject{{"text", fixed}}}}});
  const auto after = client.WaitFor("textDocument/publishDiagnostics", farUri);
  ASSERT_TRUE(after);
  EXPECT_TRUE(after->value("params").toObject().value("diagnostics").toArray().isEmpty());
}

}  // namespace
}  // namespace lsp_test
