// SPDX-License-Identifier: GPL-3.0-or-later
// qv3-lsp on a document with conditions, repetition and macros: the blocks
// fold, the macros are in the outline with their parameters, lines a
// condition leaves out are greyed (comment tokens, whole).
#include <gtest/gtest.h>

#include <set>

#include "engine/check_compile.h"
#include "language/hover_text.h"
#include "language/rename.h"
#include "language/symbol_queries.h"
#include "tests/engine/e2e_support.h"
#include "tests/lsp/lsp_client.h"

namespace lsp_test {
namespace {

using qv3::e2e::ScratchFolder;

const QString kSource =
    "\tORIGIN $1000\r\n"           // 0 (0-based, as the protocol counts)
    "MACRO ADD16 DEST, VALUE\r\n"  // 1
    "\tCLC\r\n"                    // 2
    "ENDMACRO\r\n"                 // 3
    "IF 0\r\n"                     // 4
    "\tNOP\r\n"                    // 5
    "ENDIF\r\n"                    // 6
    "REPEAT 2\r\n"                 // 7
    "\tADD16 $FB, 1\r\n"           // 8
    "ENDREPEAT\r\n";               // 9

TEST(LspBlocks, FoldingOutlineAndInactiveLines) {
  ScratchFolder folder;
  const QString uri = UriOf(folder.PathOf("blocks.qv3"));
  LspClient client;
  client.Initialize();
  client.Notify("textDocument/didOpen",
                QJsonObject{{"textDocument", QJsonObject{{"uri", uri}, {"languageId", "qv3"}, {"version", 1}, {"text", kSource}}}});
  ASSERT_TRUE(client.WaitFor("textDocument/publishDiagnostics", uri));
  const QJsonObject document{{"textDocument", QJsonObject{{"uri", uri}}}};

  const auto folding = client.Request("textDocument/foldingRange", document);
  ASSERT_TRUE(folding);
  std::set<std::pair<int, int>> folds;
  for (const QJsonValue range : folding->value("result").toArray())
    folds.emplace(range.toObject().value("startLine").toInt(), range.toObject().value("endLine").toInt());
  EXPECT_EQ(folds, (std::set<std::pair<int, int>>{{1, 3}, {4, 6}, {7, 9}}));

  const auto symbols = client.Request("textDocument/documentSymbol", document);
  ASSERT_TRUE(symbols);
  bool macroListed = false;
  for (const QJsonValue symbol : symbols->value("result").toArray()) {
    if (symbol.toObject().value("name").toString() != "ADD16") continue;
    macroListed = true;
    const QJsonObject range = symbol.toObject().value("location").toObject().value("range").toObject();
    EXPECT_EQ(range.value("start").toObject().value("line").toInt(), 1);
    EXPECT_EQ(range.value("start").toObject().value("character").toInt(), 6);
  }
  EXPECT_TRUE(macroListed);

  // Decoded tokens: (line, start, length, type); type 5 is "comment".
  const auto tokens = client.Request("textDocument/semanticTokens/full", document);
  ASSERT_TRUE(tokens);
  const QJsonArray data = tokens->value("result").toObject().value("data").toArray();
  int line = 0, start = 0;
  bool inactiveGreyed = false, activeGreyed = false;
  for (qsizetype i = 0; i + 4 < data.size(); i += 5) {
    const int deltaLine = data[i].toInt();
    start = deltaLine == 0 ? start + data[i + 1].toInt() : data[i + 1].toInt();
    line += deltaLine;
    const bool comment = data[i + 3].toInt() == 5;
    if (line == 5 && comment && start == 0 && data[i + 2].toInt() == 4) inactiveGreyed = true;
    if (line == 2 && comment) activeGreyed = true;
  }
  EXPECT_TRUE(inactiveGreyed) << "the NOP a condition left out";
  EXPECT_FALSE(activeGreyed);
}

// The shared queries on local and anonymous labels: references (and so
// rename) of a local stay in its scope; hover on "-" names its target.
TEST(BlockQueries, LocalsStayInTheirScopeAndAnonymousLabelsShowTheirTarget) {
  ScratchFolder folder;
  const std::string source =
      "\tORIGIN $1000\n"     // 1
      "CLEAR:\tLDX #0\n"     // 2
      ".LOOP:\tDEX\n"        // 3
      "\tBNE .LOOP\n"        // 4
      "FILL:\tLDX #3\n"      // 5
      ".LOOP:\tDEX\n"        // 6
      "\tBNE .LOOP\n"        // 7
      "-\tDEY\n"             // 8
      "\tBNE -\n";           // 9
  const qv3::CheckResult check = qv3::CheckCompile(source, "main", folder.Path());
  ASSERT_FALSE(check.Fatal);
  const auto places = ReferencesAt(check.Knowledge, 7, 6);  // FILL's .LOOP in its BNE
  std::vector<std::int32_t> lines;
  for (const SourcePlace& place : places) lines.push_back(place.Span.Line);
  EXPECT_EQ(lines, (std::vector<std::int32_t>{6, 7}));
  ASSERT_TRUE(DefinitionAt(check.Knowledge, 4, 6));
  EXPECT_EQ(DefinitionAt(check.Knowledge, 4, 6)->Span.Line, 3);
  // Rename of FILL's .LOOP edits FILL's lines only.
  const RenamePlan plan = PlanRename(check.Knowledge, "\tBNE .LOOP", 7, 6, ".AGAIN");
  ASSERT_FALSE(plan.Refused()) << plan.Refusal;
  ASSERT_EQ(plan.Files.size(), 1u);
  std::vector<std::int32_t> edited;
  for (const TextEdit& edit : plan.Files[0].Edits) edited.push_back(edit.Line);
  EXPECT_EQ(edited, (std::vector<std::int32_t>{6, 7}));
  const std::string hover = HoverText(&check.Knowledge, "\tBNE -", 9, 5);
  EXPECT_EQ(hover.substr(0, hover.find('\n')), "- = $100A = 4106");
  EXPECT_NE(hover.find("anonymous label, line 8"), std::string::npos) << hover;
}

TEST(BlockQueries, AMacrosDefinitionAndInvocationsAreFoundFromEither) {
  ScratchFolder folder;
  const std::string source =
      "\tORIGIN $1000\n"      // 1
      "MACRO BUMP\n"           // 2
      "\tINX\n"               // 3
      "ENDMACRO\n"             // 4
      "\tBUMP\n"              // 5
      "LOOP:\tbump\n";        // 6
  const qv3::CheckResult check = qv3::CheckCompile(source, "main", folder.Path());
  ASSERT_FALSE(check.Fatal);
  const auto definition = DefinitionAt(check.Knowledge, 6, 7);  // in "bump"
  ASSERT_TRUE(definition);
  EXPECT_EQ(definition->Span.Line, 2);
  EXPECT_EQ(definition->Span.Column, 6u);
  std::vector<std::pair<std::int32_t, std::uint32_t>> places;
  for (const SourcePlace& place : ReferencesAt(check.Knowledge, 2, 7)) places.emplace_back(place.Span.Line, place.Span.Column);
  EXPECT_EQ(places, (std::vector<std::pair<std::int32_t, std::uint32_t>>{{2, 6}, {5, 1}, {6, 6}}));
}

}  // namespace
}  // namespace lsp_test
