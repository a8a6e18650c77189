// SPDX-License-Identifier: GPL-3.0-or-later
// The shared queries (language/) where they are easy to get wrong: a caret
// just after a name, names of included files, rename plans with two uses on
// one line and clashes that differ only in case, where completion offers
// what, the long-branch rewrite, the ".16" fix and the diagnostics' text
// at their lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "engine/check_compile.h"
#include "engine/file_system.h"
#include "language/branch_fix.h"
#include "language/completion.h"
#include "language/diagnostic_text.h"
#include "language/quick_fixes.h"
#include "language/rename.h"
#include "language/symbol_queries.h"
#include "language/wide_operand_fix.h"
#include "tests/engine/e2e_support.h"

namespace {

using qv3::e2e::ScratchFolder;

qv3::CheckResult Check(std::string_view text, const ScratchFolder& folder) {
  return qv3::CheckCompile(text, "main", folder.Path());
}

TEST(SymbolQueries, ACaretJustAfterANameOrALabelsColonCountsAsOnIt) {
  ScratchFolder folder;
  const auto result = Check("\tORIGIN $1000\nLOOP:\tDEX\n\tBNE LOOP\n", folder);
  const auto& known = result.Knowledge;
  EXPECT_EQ(ReferencesAt(known, 2, 5).size(), 2u);   // after "LOOP:"
  EXPECT_EQ(ReferencesAt(known, 2, 4).size(), 2u);   // on the colon
  ASSERT_TRUE(DefinitionAt(known, 3, 9));            // after "BNE LOOP"
  EXPECT_EQ(DefinitionAt(known, 3, 9)->Span.Line, 2);
  EXPECT_FALSE(DefinitionAt(known, 2, 6));           // on DEX
  EXPECT_FALSE(DefinitionAt(known, 3, 10));          // past the name
}

TEST(SymbolQueries, NamesOfAnIncludedFileArePlacedInThatFile) {
  ScratchFolder folder;
  folder.Write("defs.inc", "// speeds\nSPEED = 3\n");
  const auto result = Check("\tORIGIN $1000\n\tINCLUDE DEFS.INC\n\tLDA #SPEED\n", folder);
  const auto place = DefinitionAt(result.Knowledge, 3, 7);
  ASSERT_TRUE(place);
  EXPECT_EQ(place->Span.Line, 2);  // the INCLUDE line, for the module's own view
  EXPECT_EQ(place->IncludedFile, folder.PathOf("defs.inc"));
  EXPECT_EQ(place->IncludedSpan.Line, 2);
  EXPECT_EQ(place->IncludedSpan.Column, 0u);
  EXPECT_EQ(place->IncludedSpan.Length, 5u);
  const RenameCheck check = PrepareRename(result.Knowledge, "\tLDA #SPEED", 3, 7);
  EXPECT_FALSE(check.Target);
  EXPECT_NE(check.Refusal.find("included file"), std::string::npos);

  // The same through @MODULE.NAME, in a module this check only scanned.
  folder.Write("gfx.qv3", "\tORIGIN $2000\n\tINCLUDE DEFS.INC\n");
  const auto external = Check("\tORIGIN $1000\n\tLDA #@GFX.SPEED\n", folder);
  const auto far = DefinitionAt(external.Knowledge, 2, 11);
  ASSERT_TRUE(far);
  EXPECT_EQ(far->Module, "gfx");
  EXPECT_EQ(far->IncludedFile, folder.PathOf("defs.inc"));
  EXPECT_EQ(far->IncludedSpan.Line, 2);
  EXPECT_EQ(far->IncludedSpan.Length, 5u);
}

TEST(RenamePlans, EveryUseOnALineAndClashesIgnoringCase) {
  ScratchFolder folder;
  const std::string text = "\tORIGIN $1000\nA = 1\nB = 2\n\tLDA #A+A\n";
  const auto result = Check(text, folder);
  const std::string_view line = "\tLDA #A+A";
  const RenamePlan plan = PlanRename(result.Knowledge, line, 4, 6, "SPEED");
  ASSERT_FALSE(plan.Refused()) << plan.Refusal;
  ASSERT_EQ(plan.Files.size(), 1u);
  const auto& edits = plan.Files[0].Edits;
  ASSERT_EQ(edits.size(), 3u);  // the definition and both uses
  EXPECT_EQ(edits[0].Line, 2);
  EXPECT_EQ(edits[1].Column, 6u);
  EXPECT_EQ(edits[2].Column, 8u);
  for (const TextEdit& edit : edits) EXPECT_EQ(edit.Length, 1u);
  EXPECT_TRUE(PlanRename(result.Knowledge, line, 4, 6, "b").Refused());     // B exists
  EXPECT_FALSE(PlanRename(result.Knowledge, line, 4, 6, "a").Refused());    // itself, new case
  EXPECT_TRUE(PlanRename(result.Knowledge, line, 4, 6, "nop").Refused());   // a mnemonic
  EXPECT_TRUE(PlanRename(result.Knowledge, line, 4, 6, "bin.b").Refused()); // a directive
  EXPECT_TRUE(PlanRename(result.Knowledge, line, 4, 6, "A B").Refused());
  EXPECT_FALSE(IsValidSymbolName(""));
  EXPECT_TRUE(IsValidSymbolName("_loop2"));
}

std::vector<std::string> Texts(const Completions& completions) {
  std::vector<std::string> texts;
  for (const auto& item : completions.Items) texts.push_back(item.Text);
  return texts;
}

TEST(CompletionPlaces, InstructionsWhereTheyStandNamesInOperandsNothingInComments) {
  ScratchFolder folder;
  const auto result = Check("\tORIGIN $1000\nBORDER = $FF19\nBACK:\tRTS\n", folder);
  const auto* known = &result.Knowledge;
  // After a label stands an instruction.
  EXPECT_EQ(Texts(CompletionsAt(known, "LOOP:\tRT", 4, 8, folder.Path())), (std::vector<std::string>{"RTI", "RTS"}));
  // In an operand, the module's names.
  const Completions operand = CompletionsAt(known, "\tSTA B", 4, 6, folder.Path());
  EXPECT_EQ(Texts(operand), (std::vector<std::string>{"BACK", "BORDER"}));
  EXPECT_EQ(operand.Replaced.Begin, 5u);
  EXPECT_TRUE(CompletionsAt(known, "\tNOP // B", 4, 9, folder.Path()).Items.empty());
  // The first word of a line may start a directive, a mnemonic or a name.
  const auto first = Texts(CompletionsAt(known, "B", 4, 1, folder.Path()));
  for (const char* expected : {"BIN.B", "BIN.W", "BINARY", "BNE", "BORDER", "BACK"})
    EXPECT_NE(std::find(first.begin(), first.end(), expected), first.end()) << expected;
}

// The editor's live check and qv3-lsp's diagnostics come from the same
// check: each fault of the expression language is there, on its line, with
// its code; the added directives are offered where a line starts.
TEST(ExpressionLanguage, EveryFaultIsADiagnosticOfTheCheckAndTheDirectivesAreOffered) {
  ScratchFolder folder;
  const std::pair<const char*, qv3::ErrorCode> lines[] = {
      {"\tORIGIN $1000", 0},
      {"\tLDA #300", qv3::Err::ValueDoesNotFit},
      {"\tLDA #1*", qv3::Err::ExpressionSyntax},  // "1+" is 1+0, as always
      {"\tLDA #[1", qv3::Err::UnbalancedBrackets},
      {"\tLDA #1/0", qv3::Err::DivisionByZero},
      {"\tLDA #$7FFFFFFF*$7FFFFFFF*4", qv3::Err::ArithmeticOverflow},
      {"\tLDA #$1FFFFFFFF*2", qv3::Err::NumberTooLarge},  // "+1" would wrap, as always
      {"X = LATER+1", qv3::Err::SymbolDefinedLater},
      {"\tLDA #1?2", qv3::Err::UnknownOperator},
      {"\tTEXT ~a_b~", qv3::Err::NoPetsciiCode},
      {"\tTEXT ~open", qv3::Err::TextSyntax},
      {"\tFILL", qv3::Err::FillSyntax},
      {"\tALIGN", qv3::Err::AlignSyntax},
      {"\tFILL 100000", qv3::Err::CountOutOfRange},
      {"\tJMP (1+2)*3", qv3::Err::IndirectNotClosed},
      {"LATER:\tRTS", 0},
  };
  std::string source;
  for (const auto& [line, code] : lines) source += std::string(line) + "\n";
  source += "\tLDA #" + std::string(300, '[') + "1" + std::string(300, ']') + "\n";
  const auto result = Check(source, folder);
  const auto* module = result.Knowledge.TopModule();
  ASSERT_NE(module, nullptr);
  const auto codesOfLine = [&](std::int32_t line) {
    std::vector<qv3::ErrorCode> codes;
    for (const auto* diagnostic : module->DiagnosticsOfLine(line)) codes.push_back(diagnostic->Code);
    return codes;
  };
  for (std::size_t i = 0; i < std::size(lines); ++i) {
    if (lines[i].second == 0) continue;
    const auto codes = codesOfLine(static_cast<std::int32_t>(i + 1));
    EXPECT_NE(std::find(codes.begin(), codes.end(), lines[i].second), codes.end()) << lines[i].first;
  }
  const auto deep = codesOfLine(static_cast<std::int32_t>(std::size(lines) + 1));
  EXPECT_NE(std::find(deep.begin(), deep.end(), qv3::Err::ExpressionTooDeep), deep.end());

  for (const char* directive : {"TEXT", "FILL", "ALIGN"}) {
    const auto offered = Texts(CompletionsAt(&result.Knowledge, std::string_view(directive, 2), 1, 2, folder.Path()));
    EXPECT_NE(std::find(offered.begin(), offered.end(), directive), offered.end()) << directive;
  }
}

TEST(LongBranch, TheInvertedBranchOverAJmpKeepsLabelCommentAndAlignment) {
  EXPECT_EQ(LongBranchReplacement("LOOP:\tBNE FAR\t// back", "\r\n"), "LOOP:\tBEQ *+5\t// back\r\n     \tJMP FAR");
  EXPECT_EQ(LongBranchReplacement("  bcc there", "\n"), "  BCS *+5\n  JMP there");
  EXPECT_FALSE(LongBranchReplacement("\tLDA #1", "\n"));
  EXPECT_FALSE(LongBranchReplacement("\tBNE", "\n"));
}

// Each fix is offered exactly where the assembler refuses the line, and the
// line it makes assembles.
TEST(WideOperand, TheAbsoluteFormWhereTheZeroPageFormIsMissing) {
  struct Case {
    const char* line;
    std::optional<std::string> fixed;
  };
  const Case cases[] = {
      {"\tSTA $12,Y", "\tSTA.16 $12,Y"},
      {"LOOP:\tsta $12,y  // keep", "LOOP:\tsta.16 $12,y  // keep"},
      {"\tLDA $12,Y", "\tLDA.16 $12,Y"},
      {"\tJMP $12", "\tJMP.16 $12"},
      {"\tLDX $12,Y", std::nullopt},    // has its zero-page form
      {"\tSTA $12,X", std::nullopt},
      {"\tSTX $12,X", std::nullopt},    // no absolute,X either
      {"\tSTA.16 $12,Y", std::nullopt}, // a postfix already
      {"\tBNE $12", std::nullopt},      // a branch has one form
      {"\tLDA ($12),Y", std::nullopt},
      {"X = $12", std::nullopt},
  };
  ScratchFolder folder;
  const auto codes = [&](const std::string& line) {
    std::vector<qv3::ErrorCode> found;
    const auto result = Check("\tORIGIN $1000\n" + line + "\n", folder);
    for (const auto& diagnostic : result.Knowledge.TopModule()->Diagnostics) found.push_back(diagnostic.Code);
    return found;
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WideOperandReplacement(c.line), c.fixed) << c.line;
    if (!c.fixed) continue;
    EXPECT_EQ(codes(c.line), std::vector<qv3::ErrorCode>{qv3::Err::ModeNotApplicable}) << c.line;
    EXPECT_EQ(codes(*c.fixed), std::vector<qv3::ErrorCode>{}) << *c.fixed;
  }
  // An unknown name reads as 0, so JSR NOWHERE is refused as a zero-page
  // JSR too: the name wants mending, not ".16".
  const auto fixesOf = [&](const std::string& line) {
    const auto result = Check("\tORIGIN $1000\n" + line + "\n", folder);
    return QuickFixesOfLines(*result.Knowledge.TopModule(), 1, 2, [&](std::int32_t) { return std::string_view(line); },
                             "\n");
  };
  EXPECT_TRUE(fixesOf("\tJSR NOWHERE").empty());
  const std::vector<QuickFix> fixes = fixesOf("\tJSR $12");
  ASSERT_EQ(fixes.size(), 1u);
  EXPECT_EQ(fixes[0].Line, 2);
  EXPECT_EQ(fixes[0].NewText, "\tJSR.16 $12");
}

// The text at the line drops the module and the quote of that same line,
// and keeps a quote of another (an included file's line).
TEST(DiagnosticText, TheMessageAloneUnlessTheQuoteIsAnotherLine) {
  ScratchFolder folder;
  folder.Write("bad.inc", "\tFROB\n");
  const std::string source =
      "\tORIGIN $1000\n\tLDA NOWHERE   // load\n\tINCLUDE BAD.INC\n\tLDA #$1G\n\tLDA.8 $10\n";
  const auto result = Check(source, folder);
  const std::vector<std::string> lines = qv3::SplitLines(source);
  std::vector<std::string> messages;
  for (const auto& diagnostic : result.Knowledge.TopModule()->Diagnostics)
    messages.push_back(std::to_string(diagnostic.Line) + " " +
                       DiagnosticMessage(diagnostic, lines[static_cast<std::size_t>(diagnostic.Line - 1)]));
  std::sort(messages.begin(), messages.end());  // pass 1's come before pass 2's
  EXPECT_EQ(messages, (std::vector<std::string>{"2 Unknown constant/label",
                                                "3 Unknown instruction word in \"\tFROB\"",
                                                "4 Invalid number!",
                                                "5 Unknown addressing mode postfix"}));
}

}  // namespace
