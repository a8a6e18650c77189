// Tooltip texts from a real check of a two-module program: the addressing
// mode the assembler picked (zero page by value, ".16" forcing absolute,
// branches), literals read the way the assembler reads them (tildes keep
// the case), symbols with their value and home, and diagnostics.
#include <gtest/gtest.h>

#include <string>

#include "engine/check_compile.h"
#include "engine/compile_command.h"
#include "engine/file_system.h"
#include "tests/engine/e2e_support.h"
#include "language/hover_text.h"

namespace {

using qv3::e2e::ScratchFolder;

// Lines of main.qv3, numbered from 1.
constexpr char kMain[] =
    "ORIGIN $1000\n"                    // 1
    "ZP = $10\n"                        // 2
    "FAR = $1234\n"                     // 3
    "LOOP:\tLDA $0010\t// $FF\n"        // 4
    "\tLDA.16 ZP\n"                     // 5
    "\tLDA FAR,X\n"                     // 6
    "\tSTA FAR,X\n"                     // 7
    "\tBNE LOOP\n"                      // 8
    "\tLDA #~$ff~ + $~ff~\n"            // 9
    "\tLDA #$ff\n"                      // 10
    "\tSTA @GFX.BORDER\n"               // 11
    "\tFOO\n"                           // 12
    "\tLDA.8 $10\n"                     // 13
    "\tLDA $10,Y\n";                    // 14
constexpr char kGfx[] = "ORIGIN $2000\nBORDER = $FF19\nINIT:\tRTS\n";

class HoverTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.Write("gfx.qv3", kGfx);
    qv3::CompileSession gfx;  // its object file holds BORDER
    ASSERT_FALSE(qv3::RunCompileCommand(gfx, qv3::SourceText(kGfx), "gfx", folder.Path()).Abandoned);
    result = qv3::CheckCompile(std::string_view(kMain), "main", folder.Path());
    lines = qv3::SplitLines(kMain);
  }
  // The tooltip at the first occurrence of word on the 1-based line.
  std::string At(int line, std::string_view word, std::size_t offset = 0) {
    const std::string& text = lines.at(static_cast<std::size_t>(line - 1));
    const std::size_t column = text.find(word);
    EXPECT_NE(column, std::string::npos) << word;
    return HoverText(&result.Knowledge, text, line, column + offset);
  }
  static bool Has(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
  }

  ScratchFolder folder;
  qv3::CheckResult result;
  std::vector<std::string> lines;
};

TEST_F(HoverTextTest, MnemonicShowsTheModeTheAssemblerPicked) {
  // "$0010" is written with four digits, but the value picks zero page.
  const std::string zeroPage = At(4, "LDA");
  EXPECT_TRUE(Has(zeroPage, "LDA zero page ($nn): opcode $A5, 2 bytes, 3 cycles")) << zeroPage;
  EXPECT_TRUE(Has(zeroPage, "changes N Z")) << zeroPage;
  EXPECT_TRUE(Has(zeroPage, "at $1000")) << zeroPage;
  // ".16" forces absolute for a value that fits a byte; the postfix is part of the word.
  const std::string forced = At(5, "LDA.16", 4);
  EXPECT_TRUE(Has(forced, "LDA absolute ($nnnn): opcode $AD, 3 bytes, 4 cycles")) << forced;
  EXPECT_FALSE(Has(forced, "zero page")) << forced;
  // Reads through abs,X take a cycle more across a page; stores never do.
  const std::string read = At(6, "LDA");
  EXPECT_TRUE(Has(read, "opcode $BD, 3 bytes, 4 cycles (+1 when the indexed address crosses a page)")) << read;
  const std::string store = At(7, "STA");
  EXPECT_TRUE(Has(store, "opcode $9D, 3 bytes, 5 cycles\n")) << store;
  EXPECT_TRUE(Has(store, "changes no flags")) << store;
  const std::string branch = At(8, "BNE");
  EXPECT_TRUE(Has(branch, "BNE relative: opcode $D0, 2 bytes, 2 cycles not taken, 3 taken, 4 taken to another page"))
      << branch;
}

TEST_F(HoverTextTest, MnemonicWithoutACheckListsWhatTheValueWouldDecide) {
  const std::string open = HoverText(nullptr, "\tLDA $10,X", 1, 2);
  EXPECT_TRUE(Has(open, "zero page when the value is below $100")) << open;
  EXPECT_TRUE(Has(open, "opcode $B5")) << open;
  EXPECT_TRUE(Has(open, "opcode $BD")) << open;
  const std::string forced = HoverText(nullptr, "\tLDA.16 $10", 1, 2);
  EXPECT_TRUE(Has(forced, "opcode $AD")) << forced;
  EXPECT_FALSE(Has(forced, "opcode $A5")) << forced;
  // A mode the mnemonic lacks (no zero page,Y for LDA, and $10 is below $100).
  const std::string lacking = At(14, "LDA");
  EXPECT_TRUE(Has(lacking, "Addressing mode not applicable")) << lacking;
  // The word "LDA" after a label is the mnemonic; an operand word is not.
  EXPECT_EQ(HoverText(nullptr, "\tJMP LDA", 1, 6), "");
}

// Undocumented instructions say so, the unstable ones that they are; NOP's
// implied form is no accumulator form although NOP now has a zero-page one.
TEST_F(HoverTextTest, UndocumentedInstructionsAreMarked) {
  const struct {
    const char* line;
    const char* expected;
  } cases[] = {
      {"\tLAX ($10),Y",
       "LAX (indirect),Y (($nn),Y): opcode $B3, 2 bytes, 5 cycles (+1 when the indexed address crosses a page); "
       "undocumented\nchanges N Z"},
      {"\tISB.16 $1234,X", "ISC absolute,X ($nnnn,X): opcode $FF, 3 bytes, 7 cycles; undocumented\nchanges N V Z C"},
      {"\tSHA $1234,Y", "SHA absolute,Y ($nnnn,Y): opcode $9F, 3 bytes, 5 cycles; undocumented, unstable on real "
                        "chips\nchanges no flags"},
      {"\tJAM", "JAM implied: opcode $02, 1 byte, halts the CPU; undocumented\nchanges no flags"},
      {"\tNOP", "NOP implied: opcode $EA, 1 byte, 2 cycles\nchanges no flags"},
      {"\tNOP #1", "NOP immediate (#$nn): opcode $80, 2 bytes, 2 cycles; undocumented\nchanges no flags"},
  };
  for (const auto& c : cases) EXPECT_EQ(HoverText(nullptr, c.line, 1, 2), c.expected) << c.line;
}

TEST_F(HoverTextTest, LiteralsReadAsTheAssemblerReadsThem) {
  EXPECT_EQ(HoverText(nullptr, "\tLDA #$1f", 1, 7), "$1F = 31 = %00011111");
  EXPECT_EQ(HoverText(nullptr, "\tLDX #%1010", 1, 6), "$0A = 10 = %00001010");
  EXPECT_EQ(HoverText(nullptr, "\tLDA $1234", 1, 6), "$1234 = 4660 = %0001001000110100");
  // "~" is the bitwise not of the expression that follows, and the digits
  // it keeps in lower case make no number.
  const std::string name = At(9, "~$ff~", 2);
  EXPECT_TRUE(Has(name, "Invalid number!")) << name;
  // Between tildes nothing is upper-cased: "$~ff~" is no number.
  const std::string tilde = At(9, "$~ff~", 2);
  EXPECT_TRUE(Has(tilde, "$~ff~: Invalid number! (read as 0)")) << tilde;
  EXPECT_TRUE(Has(At(10, "$ff"), "$FF = 255 = %11111111")) << At(10, "$ff");
  // A literal inside a comment is no literal.
  EXPECT_EQ(HoverText(nullptr, "\tNOP // $10", 1, 9), "");
}

TEST_F(HoverTextTest, SymbolsShowValueAndWhereTheyAreDefined) {
  const std::string reference = At(8, "LOOP");
  EXPECT_TRUE(Has(reference, "LOOP = $1000 = 4096\nlabel, defined in line 4")) << reference;
  const std::string constant = At(5, "ZP");
  EXPECT_TRUE(Has(constant, "ZP = $10 = 16\nconstant, defined in line 2")) << constant;
  const std::string definition = At(3, "FAR");
  EXPECT_EQ(definition, "FAR = $1234 = 4660\nconstant defined here, 2 uses");
  const std::string external = At(11, "@GFX", 6);
  EXPECT_TRUE(Has(external, "@GFX.BORDER = $FF19 = 65305")) << external;
  EXPECT_TRUE(Has(external, "constant, defined in line 2 of module gfx")) << external;
}

TEST_F(HoverTextTest, DiagnosticsOfTheLineComeFirst) {
  const std::string unknown = At(12, "FOO");
  EXPECT_TRUE(Has(unknown, "Unknown instruction word")) << unknown;
  // The editor shows the line: it is not quoted again, nor the module named.
  EXPECT_EQ(unknown.rfind("Fatal: Unknown instruction word", 0), 0u) << unknown;
  EXPECT_FALSE(Has(unknown, "line: 12") || Has(unknown, "in file [")) << unknown;
  // A warning is listed and the instruction still explained below it.
  const std::string warned = At(13, "LDA");
  EXPECT_TRUE(Has(warned, "Unknown addressing mode postfix")) << warned;
  EXPECT_TRUE(Has(warned, "\n\nLDA zero page")) << warned;
}

// Inside an expression the tooltip adds what the whole expression came to,
// from the check's symbols and the line's address; a single term adds
// nothing (its own hover says it).
TEST(ExpressionHover, ShowsTheValueOfTheExpressionAroundTheCursor) {
  ScratchFolder folder;
  const std::string source =
      "ROW = 12\n"                        // 1
      "AT = ROW*40 + $0C00\n"             // 2
      "\tORIGIN $1000\n"                  // 3
      "\tSTA AT+5,X\n"                    // 4
      "\tLDA ([AT-$0C00]/40),Y\n"         // 5
      "\tBIN.B 1, <AT+1, *-$1000\n"       // 6
      "\tLDA #ROW\n";                     // 7
  const qv3::CheckResult result = qv3::CheckCompile(std::string_view(source), "main", folder.Path());
  const std::vector<std::string> lines = qv3::SplitLines(source);
  const auto at = [&](int line, std::string_view word, std::size_t offset = 0) {
    const std::string& text = lines.at(static_cast<std::size_t>(line - 1));
    return HoverText(&result.Knowledge, text, line, text.find(word) + offset);
  };
  const struct {
    int Line;
    const char* Word;
    std::size_t Offset;
    const char* Shown;  // empty: no expression value at all
  } cases[] = {
      {2, "ROW", 0, "ROW*40 + $0C00 = $0DE0 = 3552"},
      {2, "*", 0, "ROW*40 + $0C00 = $0DE0 = 3552"},
      {4, "AT", 0, "AT+5 = $0DE5 = 3557"},
      {4, "+", 0, "AT+5 = $0DE5 = 3557"},
      {5, "/", 0, "[AT-$0C00]/40 = $0C = 12"},
      {6, "<AT", 0, "<AT+1 = $E1 = 225"},
      {6, "*-", 0, "*-$1000 = $05 = 5"},  // the line's address, $1005, in every item
      {6, "1,", 0, ""},
      {7, "ROW", 0, ""},
  };
  for (const auto& c : cases) {
    const std::string hover = at(c.Line, c.Word, c.Offset);
    if (*c.Shown)
      EXPECT_NE(hover.find(c.Shown), std::string::npos) << c.Line << " " << c.Word << ": " << hover;
    else  // the literal's or the symbol's own paragraph only
      EXPECT_EQ(hover.find("\n\n"), std::string::npos) << c.Line << " " << c.Word << ": " << hover;
  }
}

}  // namespace
