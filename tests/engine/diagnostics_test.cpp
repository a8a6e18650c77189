#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/diagnostics.h"
#include "engine/session.h"
#include "tests/engine/test_support.h"

namespace qv3 {
namespace {

TEST(ErrorMessages, AllNineteenTextsAreExact) {
  const std::vector<std::string> expected = {
      "Invalid number!",
      "Unknown constant/label",
      "Unknown instruction word",
      "Duplicate label",
      "Constant name already defined or is also a label",
      "Unknown addressing mode",
      "Addressing mode not applicable for this instruction",
      "File error!",
      "NEXTPAGE before first origin makes no sense",
      "Relative jump out of range!",
      "External declaration is incorrect!",
      "External constant not found!",
      "Final origin is above $FD00",
      "Final origin is above $FFFF - program too large!",
      "LEAP before first origin makes no sense",
      "Syntax error near SCREEN keyword. Use ~ symbols!",
      "Syntax error near COMPILE keyword",
      "Unknown addressing mode postfix",
      "Addressing mode cannot be changed",
  };
  ASSERT_EQ(expected.size(), 19u);
  for (ErrorCode code = 1; code <= 19; ++code)
    EXPECT_EQ(ErrorMessage(code), expected[code - 1u]) << "code " << code;
}

TEST(ErrorMessages, NamedCodesMatchTheirNumbers) {
  EXPECT_EQ(ErrorMessage(Err::InvalidNumber), "Invalid number!");
  EXPECT_EQ(ErrorMessage(Err::UnknownSymbol), "Unknown constant/label");
  EXPECT_EQ(ErrorMessage(Err::ModeNotApplicable),
            "Addressing mode not applicable for this instruction");
  EXPECT_EQ(ErrorMessage(Err::FileError), "File error!");
  EXPECT_EQ(ErrorMessage(Err::BranchOutOfRange), "Relative jump out of range!");
  EXPECT_EQ(ErrorMessage(Err::BadExternal), "External declaration is incorrect!");
  EXPECT_EQ(ErrorMessage(Err::ExternalNotFound), "External constant not found!");
  EXPECT_EQ(ErrorMessage(Err::OriginAboveFFFF), "Final origin is above $FFFF - program too large!");
  EXPECT_EQ(ErrorMessage(Err::UnknownPostfix), "Unknown addressing mode postfix");
  EXPECT_EQ(ErrorMessage(Err::ModeCannotChange), "Addressing mode cannot be changed");
}

TEST(FormatDiagnostic, ExactLineLayout) {
  EXPECT_EQ(FormatDiagnostic(1, true, "demo", 3, "LDA #$1G", 1),
            "Fatal in file [demo]: Invalid number! (at line: 3 \"LDA #$1G\", pass: 1)");
  EXPECT_EQ(FormatDiagnostic(13, false, "game", 120, "  rts ", 2),
            "Warning in file [game]: Final origin is above $FD00 (at line: 120 \"  rts \", pass: 2)");
}

TEST(FormatDiagnostic, EmptyFileNameLeavesOutTheFilePart) {
  EXPECT_EQ(FormatDiagnostic(3, true, "", 1, "FOO", 1),
            "Fatal: Unknown instruction word (at line: 1 \"FOO\", pass: 1)");
  EXPECT_EQ(FormatDiagnostic(18, false, "", 0, "", 1),
            "Warning: Unknown addressing mode postfix (at line: 0 \"\", pass: 1)");
}

TEST(FormatDiagnostic, ShowsTheFileNameWithoutDirectoryAndExtension) {
  EXPECT_EQ(FormatDiagnostic(8, true, "c:\\work\\src\\game.part.qv3", 1, "", 1),
            "Fatal in file [game]: File error! (at line: 1 \"\", pass: 1)");
  EXPECT_EQ(FormatDiagnostic(8, true, "c:game.qv3", 1, "", 1),
            "Fatal in file [game]: File error! (at line: 1 \"\", pass: 1)");
  EXPECT_EQ(FormatDiagnostic(8, true, "d:\\a.b\\lib", 1, "", 1),
            "Fatal in file [lib]: File error! (at line: 1 \"\", pass: 1)");
  EXPECT_EQ(FormatDiagnostic(8, true, "dir\\", 1, "", 1),
            "Fatal in file []: File error! (at line: 1 \"\", pass: 1)");
}

TEST(FormatDiagnostic, QuotesTheLineTextVerbatim) {
  const std::string text = "lda \"x\"\t\xE9";
  EXPECT_EQ(FormatDiagnostic(2, true, "m", -1, text, 2),
            "Fatal in file [m]: Unknown constant/label (at line: -1 \"" + text + "\", pass: 2)");
}

struct ReporterTest : ::testing::Test {
  CompileSession session;
  void SetUp() override {
    session.CurrentLineNumber = 5;
    session.CurrentLineText = "lda foo";
    session.ModulePass = 1;
  }
};

TEST_F(ReporterTest, AppendsOneLineWithItsRecord) {
  ReportDiagnostic(session, Err::UnknownSymbol, true, "demo");
  ASSERT_EQ(session.StatusList.Size(), 1u);
  const StatusLine& line = session.StatusList.Lines()[0];
  EXPECT_EQ(line.Text, "Fatal in file [demo]: Unknown constant/label (at line: 5 \"lda foo\", pass: 1)");
  ASSERT_NE(line.Info, nullptr);
  EXPECT_EQ(line.Info->Line, 5);
  EXPECT_EQ(line.Info->Pass, 1);
  EXPECT_TRUE(line.Info->Fatal);
  EXPECT_EQ(line.Info->FileName, "demo");
}

TEST_F(ReporterTest, RepeatedReportAddsNothing) {
  ReportDiagnostic(session, Err::UnknownSymbol, true, "demo");
  ReportDiagnostic(session, Err::UnknownSymbol, true, "demo");
  EXPECT_EQ(session.StatusList.Size(), 1u);
  // A different severity is a different line.
  ReportDiagnostic(session, Err::UnknownSymbol, false, "demo");
  EXPECT_EQ(session.StatusList.Size(), 2u);
  EXPECT_FALSE(session.StatusList.Lines()[1].Info->Fatal);
}

TEST_F(ReporterTest, DuplicateSuppressionIgnoresLetterCase) {
  ReportDiagnostic(session, Err::UnknownSymbol, true, "demo");
  session.CurrentLineText = "LDA FOO";
  ReportDiagnostic(session, Err::UnknownSymbol, true, "DEMO");
  EXPECT_EQ(session.StatusList.Size(), 1u);
  // Any listed line counts, also one without a record.
  session.StatusList.Append("FATAL: FILE ERROR! (AT LINE: 5 \"LDA FOO\", PASS: 1)");
  ReportDiagnostic(session, Err::FileError, true, "");
  EXPECT_EQ(session.StatusList.Size(), 2u);
}

TEST_F(ReporterTest, ModulePassOneAndTwoGiveTwoLines) {
  ReportDiagnostic(session, Err::DuplicateLabel, true, "demo");
  session.ModulePass = 2;
  ReportDiagnostic(session, Err::DuplicateLabel, true, "demo");
  ASSERT_EQ(session.StatusList.Size(), 2u);
  const auto& lines = session.StatusList.Lines();
  EXPECT_EQ(lines[0].Text.substr(0, lines[0].Text.size() - 2),
            lines[1].Text.substr(0, lines[1].Text.size() - 2));
  EXPECT_EQ(lines[0].Text.substr(lines[0].Text.size() - 2), "1)");
  EXPECT_EQ(lines[1].Text.substr(lines[1].Text.size() - 2), "2)");
  EXPECT_EQ(lines[0].Info->Pass, 1);
  EXPECT_EQ(lines[1].Info->Pass, 2);
}

TEST_F(ReporterTest, LineNumberAndTextMakeLinesDistinct) {
  ReportDiagnostic(session, Err::InvalidNumber, true, "demo");
  session.CurrentLineNumber = 6;
  ReportDiagnostic(session, Err::InvalidNumber, true, "demo");
  session.CurrentLineText = "other";
  ReportDiagnostic(session, Err::InvalidNumber, true, "demo");
  EXPECT_EQ(session.StatusList.Size(), 3u);
  EXPECT_EQ(session.StatusList.Lines()[1].Info->Line, 6);
}

TEST_F(ReporterTest, EmptyFileNameLineBeginsWithTheKindWord) {
  ReportDiagnostic(session, Err::LeapBeforeOrigin, false, "");
  ASSERT_EQ(session.StatusList.Size(), 1u);
  EXPECT_EQ(session.StatusList.Lines()[0].Text,
            "Warning: LEAP before first origin makes no sense (at line: 5 \"lda foo\", pass: 1)");
  EXPECT_EQ(session.StatusList.Lines()[0].Info->FileName, "");
  EXPECT_FALSE(session.StatusList.Lines()[0].Info->Fatal);
}

TEST_F(ReporterTest, RecordKeepsTheFileNameAsGiven) {
  ReportDiagnostic(session, Err::FileError, true, "c:\\src\\Game.Part");
  ASSERT_EQ(session.StatusList.Size(), 1u);
  EXPECT_EQ(session.StatusList.Lines()[0].Text,
            "Fatal in file [Game]: File error! (at line: 5 \"lda foo\", pass: 1)");
  EXPECT_EQ(session.StatusList.Lines()[0].Info->FileName, "c:\\src\\Game.Part");
}

TEST_F(ReporterTest, ReporterChangesNoEngineState) {
  ReportDiagnostic(session, Err::UnknownInstruction, true, "demo");
  EXPECT_EQ(session.CurrentLineNumber, 5);
  EXPECT_EQ(session.CurrentLineText, "lda foo");
  EXPECT_EQ(session.ModulePass, 1);
  EXPECT_FALSE(session.FatalFlag);  // only the compile command derives it
  EXPECT_EQ(session.HintList.Size(), 0u);
}

TEST(MessageList, CaseInsensitiveIndexFollowsRemovals) {
  MessageList list;
  list.Append("Hint: X never used");
  EXPECT_TRUE(list.Contains("HINT: x NEVER USED"));
  EXPECT_FALSE(list.AppendUnique("hint: x never used"));
  list.RemoveIf([](const StatusLine& line) { return line.Text.find('X') != std::string::npos; });
  EXPECT_EQ(list.Size(), 0u);
  EXPECT_FALSE(list.Contains("Hint: X never used"));
  EXPECT_TRUE(list.AppendUnique("hint: x never used"));
  list.Clear();
  EXPECT_FALSE(list.Contains("hint: x never used"));
}

}  // namespace
}  // namespace qv3
