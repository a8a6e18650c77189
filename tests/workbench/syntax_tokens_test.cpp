// The colouring rules of a source line, written as the pieces a reader sees:
// Kind[text] for every token, in order.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "workbench/editor/syntax_tokens.h"

namespace {

using qv3::TokenKind;

const char* KindName(TokenKind kind) {
  switch (kind) {
    case TokenKind::Comment: return "Comment";
    case TokenKind::Mnemonic: return "Mnemonic";
    case TokenKind::Postfix: return "Postfix";
    case TokenKind::Directive: return "Directive";
    case TokenKind::Label: return "Label";
    case TokenKind::Constant: return "Constant";
    case TokenKind::Number: return "Number";
    case TokenKind::SpecialTerm: return "SpecialTerm";
    case TokenKind::FileName: return "FileName";
    case TokenKind::Text: return "Text";
  }
  return "?";
}

std::string Pieces(std::string_view line) {
  std::string out;
  for (const qv3::SyntaxToken& token : qv3::TokeniseLine(line)) {
    if (!out.empty()) out += ' ';
    out += KindName(token.kind);
    out += '[';
    out += line.substr(static_cast<std::size_t>(token.start), static_cast<std::size_t>(token.length));
    out += ']';
  }
  return out;
}

TEST(SyntaxTokens, CommentEndsTheLineEvenInsideTildes) {
  EXPECT_EQ(Pieces("LDA #$10 // load"), "Mnemonic[LDA] Number[$10] Comment[// load]");
  EXPECT_EQ(Pieces("SCREEN ~A//B~"), "Directive[SCREEN] Text[~A] Comment[//B~]");
  EXPECT_EQ(Pieces("// LDA #1"), "Comment[// LDA #1]");
  EXPECT_EQ(Pieces("NOP///"), "Mnemonic[NOP] Comment[///]");
  // An "=" in the comment does not make the line a constant definition.
  EXPECT_EQ(Pieces("LDA #1 // X = 5"), "Mnemonic[LDA] Number[1] Comment[// X = 5]");
  // A single "/" is no comment: it divides.
  EXPECT_EQ(Pieces("LDA #1 / 2"), "Mnemonic[LDA] Number[1] Number[2]");
}

TEST(SyntaxTokens, LabelIsTheFirstWordEndingInAColon) {
  EXPECT_EQ(Pieces("LDALOOP: NOP"), "Label[LDALOOP:] Mnemonic[NOP]");
  EXPECT_EQ(Pieces("loop: lda #1"), "Label[loop:] Mnemonic[lda] Number[1]");
  EXPECT_EQ(Pieces("STA_PTR: STA PTR,X"), "Label[STA_PTR:] Mnemonic[STA]");
  EXPECT_EQ(Pieces("LOOP:"), "Label[LOOP:]");
  EXPECT_EQ(Pieces("NOP: NOP"), "Label[NOP:] Mnemonic[NOP]");
  // A directive cannot follow a label: ORIGIN is an unknown instruction there.
  EXPECT_EQ(Pieces("START: ORIGIN $1000"), "Label[START:] Number[$1000]");
  // A colon later on the line makes no label.
  EXPECT_EQ(Pieces("LDA LOOP:"), "Mnemonic[LDA]");
}

TEST(SyntaxTokens, MnemonicMustBeTheWholeWordBeforeItsPostfix) {
  EXPECT_EQ(Pieces("LDAX #1"), "Number[1]");
  EXPECT_EQ(Pieces("XLDA"), "");
  EXPECT_EQ(Pieces("LDA.16 $10"), "Mnemonic[LDA] Postfix[.16] Number[$10]");
  EXPECT_EQ(Pieces("lda.8 $10"), "Mnemonic[lda] Postfix[.8] Number[$10]");
  EXPECT_EQ(Pieces("LDA. $10"), "Mnemonic[LDA] Postfix[.] Number[$10]");
  EXPECT_EQ(Pieces("LOOP: jmp.16 $0080"), "Label[LOOP:] Mnemonic[jmp] Postfix[.16] Number[$0080]");
  EXPECT_EQ(Pieces("LDAA.16 $10"), "Number[$10]");
  EXPECT_EQ(Pieces("BIN.16 $10"), "Number[$10]");
  EXPECT_EQ(Pieces("Rts"), "Mnemonic[Rts]");
}

TEST(SyntaxTokens, KeywordsInAnyCaseAndTabIndentation) {
  EXPECT_EQ(Pieces("   origin $0801"), "Directive[origin] Number[$0801]");
  EXPECT_EQ(Pieces("Leap 16"), "Directive[Leap] Number[16]");
  EXPECT_EQ(Pieces("nextpage"), "Directive[nextpage]");
  EXPECT_EQ(Pieces("\tlda\t#$10"), "Mnemonic[lda] Number[$10]");
  // Positions count the TABs as the one character each is in the editor.
  const std::vector<qv3::SyntaxToken> tokens = qv3::TokeniseLine("\t\tbin.w\t$1234 $10");
  const std::vector<qv3::SyntaxToken> expected = {
      {2, 5, TokenKind::Directive}, {8, 5, TokenKind::Number}, {14, 3, TokenKind::Number}};
  EXPECT_EQ(tokens, expected);
  EXPECT_EQ(Pieces(" \t LOOP:\tNOP"), "Label[LOOP:] Mnemonic[NOP]");
}

TEST(SyntaxTokens, ConstantDefinitionNeedsAnEqualsSignAfterTheFirstWord) {
  EXPECT_EQ(Pieces("X = $10"), "Constant[X] Number[$10]");
  EXPECT_EQ(Pieces("N = -1"), "Constant[N] Number[-1]");
  EXPECT_EQ(Pieces("mask = %1010 ignored 5"), "Constant[mask] Number[%1010]");
  // The second word is skipped whatever it holds; here the value is empty.
  EXPECT_EQ(Pieces("X =5"), "Constant[X]");
  EXPECT_EQ(Pieces("VALUE = OTHER"), "Constant[VALUE]");
  // No "=" after the first word: "X=5" is taken as an instruction word.
  EXPECT_EQ(Pieces("X=5"), "");
  EXPECT_EQ(Pieces("lda = 5"), "Constant[lda] Number[5]");
  EXPECT_EQ(Pieces("LOOP: = 1"), "Constant[LOOP:] Number[1]");
  // A directive keeps its keyword even when its argument holds "=".
  EXPECT_EQ(Pieces("SCREEN ~A=B~"), "Directive[SCREEN] Text[~A=B~]");
}

TEST(SyntaxTokens, OperandTermsAndPrefixes) {
  EXPECT_EQ(Pieces("LDA @LIB.NAME"), "Mnemonic[LDA] SpecialTerm[@LIB.NAME]");
  EXPECT_EQ(Pieces("LDX #<!FILE.BIN"), "Mnemonic[LDX] SpecialTerm[!FILE.BIN]");
  EXPECT_EQ(Pieces("LDA *+3"), "Mnemonic[LDA] SpecialTerm[*] Number[3]");
  EXPECT_EQ(Pieces("BNE *"), "Mnemonic[BNE] SpecialTerm[*]");
  EXPECT_EQ(Pieces("LDA #>@LIB.SCREEN+1"), "Mnemonic[LDA] SpecialTerm[@LIB.SCREEN] Number[1]");
  EXPECT_EQ(Pieces("JMP ($1234)"), "Mnemonic[JMP] Number[$1234]");
  EXPECT_EQ(Pieces("LDA ( $20 ) , Y"), "Mnemonic[LDA] Number[$20]");
  EXPECT_EQ(Pieces("LDA $10+$20"), "Mnemonic[LDA] Number[$10] Number[$20]");
  EXPECT_EQ(Pieces("LDA #-1"), "Mnemonic[LDA] Number[1]");
  EXPECT_EQ(Pieces("lda #$ff"), "Mnemonic[lda] Number[$ff]");
  // "*" is the location only on its own; "**" is a symbol name.
  EXPECT_EQ(Pieces("LDA **"), "Mnemonic[LDA]");
  EXPECT_EQ(Pieces("LDA * "), "Mnemonic[LDA] SpecialTerm[*]");
  // Blanks inside an operand are ignored by the assembler, so a term may span them.
  EXPECT_EQ(Pieces("LDA ! my file"), "Mnemonic[LDA] SpecialTerm[! my file]");
  EXPECT_EQ(Pieces("ASL A"), "Mnemonic[ASL]");
}

TEST(SyntaxTokens, DirectiveArguments) {
  EXPECT_EQ(Pieces("BIN.B $01 %1010 255"), "Directive[BIN.B] Number[$01] Number[%1010] Number[255]");
  // Values that are not all literals are expressions, separated by blanks
  // or by commas.
  EXPECT_EQ(Pieces("bin.w $1234 LABEL -2"), "Directive[bin.w] Number[$1234] Number[2]");
  EXPECT_EQ(Pieces("BIN.B $01,$02"), "Directive[BIN.B] Number[$01] Number[$02]");
  EXPECT_EQ(Pieces("INCLUDE macros.qv3"), "Directive[INCLUDE] FileName[macros.qv3]");
  EXPECT_EQ(Pieces("BINARY sprite data.bin  "), "Directive[BINARY] FileName[sprite data.bin]");
  EXPECT_EQ(Pieces("COMPILE lib1, lib2"), "Directive[COMPILE] FileName[lib1, lib2]");
  EXPECT_EQ(Pieces("ORIGIN $1000 $2000"), "Directive[ORIGIN] Number[$1000]");
  EXPECT_EQ(Pieces("OBJECTFILE 12"), "Directive[OBJECTFILE]");
  EXPECT_EQ(Pieces("STRIP"), "Directive[STRIP]");
  EXPECT_EQ(Pieces("BINARY"), "Directive[BINARY]");
}

// Expressions are coloured where the assembler reads them: arguments and
// values that are no single literal, the added directives, data after a
// label, character literals and quoted text.
TEST(SyntaxTokens, ExpressionsAndTheAddedDirectives) {
  const std::pair<const char*, const char*> cases[] = {
      {"X = $2000+19*320", "Constant[X] Number[$2000] Number[19] Number[320]"},
      {"X = 1 + 2", "Constant[X] Number[1]"},  // one number word: the rest is ignored
      {"ORIGIN BASE+$10", "Directive[ORIGIN] Number[$10]"},
      {"BIN.B 1, 2, LO|$80", "Directive[BIN.B] Number[1] Number[2] Number[$80]"},
      {"TEXT \"HI\", 13, ~lo~", "Directive[TEXT] Text[\"HI\"] Number[13] Text[~lo~]"},
      {"FILL 3, 'A'", "Directive[FILL] Number[3] Number['A']"},
      {"ALIGN 256", "Directive[ALIGN] Number[256]"},
      {"TITLE: TEXT ~Hi~", "Label[TITLE:] Directive[TEXT] Text[~Hi~]"},
      {"LDA #[1+2]*3", "Mnemonic[LDA] Number[1] Number[2] Number[3]"},
      {"LDA #3<4 == 1", "Mnemonic[LDA] Number[3] Number[4] Number[1]"},
      {"TEXT: NOP", "Label[TEXT:] Mnemonic[NOP]"},
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(Pieces(line), expected) << line;
}

TEST(SyntaxTokens, TildeStretchesKeepEverythingInside) {
  EXPECT_EQ(Pieces("SCREEN ~Hello @~"), "Directive[SCREEN] Text[~Hello @~]");
  EXPECT_EQ(Pieces("SCREEN ~AB  "), "Directive[SCREEN] Text[~AB  ]");
  EXPECT_EQ(Pieces("screen ~a~ x ~b~"), "Directive[screen] Text[~a~] Text[~b~]");
  EXPECT_EQ(Pieces("~lda~"), "Text[~lda~]");
  // An unpaired tilde in a label keeps the rest of the line as typed.
  EXPECT_EQ(Pieces("L~: lda #1"), "Label[L] Text[~: lda #1]");
}

TEST(SyntaxTokens, EmptyAndBlankLines) {
  EXPECT_TRUE(qv3::TokeniseLine("").empty());
  EXPECT_TRUE(qv3::TokeniseLine(" \t  ").empty());
  EXPECT_EQ(Pieces("  // note"), "Comment[// note]");
}

// Any bytes give ordered, disjoint tokens inside the line.
TEST(SyntaxTokens, ArbitraryBytesGiveOrderedTokensWithinTheLine) {
  std::mt19937 random(20240611);
  const std::string alphabet = "LDA.16 $%#(),+-<>*!@~/=:\tORIGINbin.b0123456789xyz\x80\xff";
  for (int round = 0; round < 5000; ++round) {
    std::string line;
    const int length = static_cast<int>(random() % 40);
    for (int i = 0; i < length; ++i) line += alphabet[random() % alphabet.size()];
    int previousEnd = 0;
    for (const qv3::SyntaxToken& token : qv3::TokeniseLine(line)) {
      ASSERT_GE(token.start, previousEnd) << line;
      ASSERT_GT(token.length, 0) << line;
      previousEnd = token.start + token.length;
    }
    ASSERT_LE(previousEnd, static_cast<int>(line.size())) << line;
  }
}

}  // namespace
