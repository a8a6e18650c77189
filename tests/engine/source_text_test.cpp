#include <gtest/gtest.h>

#include "engine/session.h"
#include "engine/source_text.h"
#include "tests/engine/test_support.h"

namespace qv3 {
namespace {

using test::ReportedMessages;

TEST(HexText, TwoDigitsBelow256FourAbove) {
  EXPECT_EQ(HexText(0), "00");
  EXPECT_EQ(HexText(10), "0A");
  EXPECT_EQ(HexText(255), "FF");
  EXPECT_EQ(HexText(256), "0100");
  EXPECT_EQ(HexText(65535), "FFFF");
  EXPECT_EQ(HexText(65536), "00");
}

TEST(HexText, TakesTheValueModulo65536) {
  EXPECT_EQ(HexText(0x10100), "0100");
  EXPECT_EQ(HexText(0x1ABCD), "ABCD");
  EXPECT_EQ(HexText(0xFFFFFFFFu), "FFFF");  // -1 as a 32-bit pattern
  EXPECT_EQ(HexText(0xFFFF00FFu), "FF");
}

TEST(StripComment, CutsBeforeTheFirstDoubleSlash) {
  EXPECT_EQ(StripComment("LDA #$10 // load"), "LDA #$10 ");
  EXPECT_EQ(StripComment("a//b//c"), "a");
  EXPECT_EQ(StripComment("no comment"), "no comment");
  EXPECT_EQ(StripComment("//"), "");
  EXPECT_EQ(StripComment("a/b/"), "a/b/");
  EXPECT_EQ(StripComment(""), "");
}

TEST(StripComment, TildesDoNotProtectAComment) {
  EXPECT_EQ(StripComment("~A//B~"), "~A");
  EXPECT_EQ(StripComment("SCREEN ~http://x~"), "SCREEN ~http:");
}

TEST(UpperCaseOutsideTildes, KeepsTheCaseBetweenTildes) {
  EXPECT_EQ(UpperCaseOutsideTildes("lda ~Hello~ x"), "LDA ~Hello~ X");
  EXPECT_EQ(UpperCaseOutsideTildes("~ab"), "~ab");  // unpaired: rest stays as typed
  EXPECT_EQ(UpperCaseOutsideTildes("a~b~c~d"), "A~b~C~d");
  EXPECT_EQ(UpperCaseOutsideTildes("~~x"), "~~X");
  EXPECT_EQ(UpperCaseOutsideTildes(""), "");
}

TEST(UpperCaseOutsideTildes, ChangesOnlyAsciiLetters) {
  const std::string input = "az{}`@[\xE4\xE9\x01\tzq9";
  EXPECT_EQ(UpperCaseOutsideTildes(input), "AZ{}`@[\xE4\xE9\x01\tZQ9");
}

TEST(UpperCaseOutsideTildes, InPlaceVariantAgrees) {
  std::string text = "ldx ~mixed Case~ end";
  UpperCaseOutsideTildesInPlace(text);
  EXPECT_EQ(text, UpperCaseOutsideTildes("ldx ~mixed Case~ end"));
}

std::string Normalised(std::string text) {
  NormaliseBlanks(text);
  return text;
}

TEST(NormaliseBlanks, RemovesLeadingBlanksAndTurnsTabsIntoBlanks) {
  EXPECT_EQ(Normalised("   LDA"), "LDA");
  EXPECT_EQ(Normalised("LDA\t#1\t"), "LDA #1 ");
  EXPECT_EQ(Normalised("LDA   "), "LDA   ");  // trailing blanks stay
  EXPECT_EQ(Normalised("   "), "");
  EXPECT_EQ(Normalised(""), "");
}

TEST(NormaliseBlanks, ALeadingTabLeavesOneBlankUntilAppliedTwice) {
  const std::string tabbed = "\tLDA\t#1";
  std::string once = tabbed;
  NormaliseBlanks(once);
  EXPECT_EQ(once, " LDA #1");
  NormaliseBlanks(once);
  EXPECT_EQ(once, "LDA #1");
  // Blanks, then a TAB: only the blanks go in the first application.
  EXPECT_EQ(Normalised("  \t X"), "  X");
  EXPECT_EQ(Normalised(Normalised("  \t X")), "X");
  // Idempotent once no leading TAB is left.
  EXPECT_EQ(Normalised(Normalised(Normalised("\t\tA"))), "A");
  EXPECT_EQ(Normalised("\t\tA"), "  A");
}

TEST(TakeWord, TakesTheWordAndLeavesTheBlankThatFollowed) {
  std::string line = "LDA #1";
  EXPECT_EQ(TakeWord(line, true), "LDA");
  EXPECT_EQ(line, " #1");
  EXPECT_EQ(TakeWord(line, true), "#1");
  EXPECT_EQ(line, "");

  std::string rts = "RTS";
  EXPECT_EQ(TakeWord(rts, true), "RTS");
  EXPECT_EQ(rts, "");

  std::string empty;
  EXPECT_EQ(TakeWord(empty, true), "");
  EXPECT_EQ(empty, "");
}

TEST(TakeWord, WithoutDeletionOnlyNormalises) {
  std::string line = "  ORIGIN\t$1000";
  EXPECT_EQ(TakeWord(line, false), "ORIGIN");
  EXPECT_EQ(line, "ORIGIN $1000");
}

TEST(TakeWord, ATabLedLineGivesAnEmptyWord) {
  std::string line = "\tNOP";
  EXPECT_EQ(TakeWord(line, true), "");
  EXPECT_EQ(line, " NOP");  // normalised, nothing deleted
  // The next call sees a normalised line and finds the word.
  EXPECT_EQ(TakeWord(line, true), "NOP");
}

TEST(TakeWord, ABlankOnlyLineGivesAnEmptyWord) {
  std::string line = "    ";
  EXPECT_EQ(TakeWord(line, true), "");
  EXPECT_EQ(line, "");
}

std::vector<std::string> Split(std::string_view text, std::string_view separator, bool keepBlank) {
  std::vector<std::string> list = {"old"};
  SplitText(text, list, separator, true, keepBlank);
  return list;
}

TEST(SplitText, DropsBlankPiecesUnlessKeepBlank) {
  EXPECT_EQ(Split("a, ,b,", ",", false), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(Split("a, ,b,", ",", true), (std::vector<std::string>{"a", " ", "b", ""}));
}

TEST(SplitText, PiecesStayUntrimmed) {
  EXPECT_EQ(Split(" lib , game\t", ",", false), (std::vector<std::string>{" lib ", " game\t"}));
}

TEST(SplitText, ControlCharactersCountAsBlank) {
  EXPECT_EQ(Split("\t,\x01\x02,x", ",", false), (std::vector<std::string>{"x"}));
}

TEST(SplitText, EmptyTextGivesOnePieceOnlyWithKeepBlank) {
  EXPECT_TRUE(Split("", ",", false).empty());
  EXPECT_EQ(Split("", ",", true), (std::vector<std::string>{""}));
}

TEST(SplitText, AnEmptySeparatorIsNeverFound) {
  EXPECT_EQ(Split("a,b", "", false), (std::vector<std::string>{"a,b"}));
  EXPECT_EQ(Split("  ", "", true), (std::vector<std::string>{"  "}));
  EXPECT_TRUE(Split("  ", "", false).empty());
}

TEST(SplitText, MultiCharacterSeparator) {
  EXPECT_EQ(Split("a::b:c", "::", true), (std::vector<std::string>{"a", "b:c"}));
}

TEST(SplitText, AppendsWithoutClearFirst) {
  std::vector<std::string> list = {"keep"};
  SplitText("x,y", list, ",", false, false);
  EXPECT_EQ(list, (std::vector<std::string>{"keep", "x", "y"}));
}

TEST(CutAtFirstDot, CutsBeforeTheFirstDot) {
  EXPECT_EQ(CutAtFirstDot("game.qv3"), "game");
  EXPECT_EQ(CutAtFirstDot("demo.part.qv3"), "demo");
  EXPECT_EQ(CutAtFirstDot("noext"), "noext");
  EXPECT_EQ(CutAtFirstDot(".qv3"), "");
  EXPECT_EQ(CutAtFirstDot(""), "");
}

// ParseNumber reports through the session; each case gets a fresh one so
// duplicate suppression cannot hide a report.
struct Parsed {
  std::int32_t Value;
  std::vector<std::string> Messages;
  std::vector<std::string> Lines;
};

Parsed Parse(std::string_view text) {
  CompileSession session;
  session.CurrentLineNumber = 7;
  session.CurrentLineText = "BIN.B x";
  Parsed result;
  result.Value = ParseNumber(text, session, "demo");
  result.Messages = ReportedMessages(session);
  result.Lines = test::StatusTexts(session);
  return result;
}

void ExpectValue(std::string_view text, std::int32_t value) {
  const Parsed parsed = Parse(text);
  EXPECT_EQ(parsed.Value, value) << "text: '" << text << "'";
  EXPECT_TRUE(parsed.Messages.empty()) << "text: '" << text << "' reported " << parsed.Messages.size();
}

void ExpectInvalid(std::string_view text, std::int32_t value) {
  const Parsed parsed = Parse(text);
  EXPECT_EQ(parsed.Value, value) << "text: '" << text << "'";
  EXPECT_EQ(parsed.Messages, std::vector<std::string>{"Invalid number!"}) << "text: '" << text << "'";
}

TEST(ParseNumber, HexadecimalLiterals) {
  ExpectValue("$FF", 255);
  ExpectValue("$0010", 16);
  ExpectValue("$", 0);
  ExpectValue("$DEADBEEF", static_cast<std::int32_t>(0xDEADBEEFu));
  ExpectValue("  $C000", 0xC000);  // leading blanks are normalised away
}

TEST(ParseNumber, HexadecimalStopsAtTheFirstBadDigitAndReports) {
  ExpectInvalid("$ff", 0);  // lower case is not a digit of "$" literals
  ExpectInvalid("$1G", 1);
  ExpectInvalid("$12 ", 0x12);  // a trailing blank is not a digit either
  ExpectInvalid("$1,X", 1);
  ExpectInvalid("$$1", 0);
}

TEST(ParseNumber, HexadecimalWrapsIn32BitsWithoutReport) {
  ExpectValue("$123456789", 0x23456789);  // the ninth digit pushes the first one out
  ExpectValue("$100000000", 0);
  ExpectValue("$FFFFFFFF", -1);
  ExpectValue("$1FFFFFFFF", -1);
}

TEST(ParseNumber, BinaryLiterals) {
  ExpectValue("%1010", 10);
  ExpectValue("%", 0);
  ExpectValue("%101 1", 5);  // a blank ends the number, the rest is ignored
  ExpectValue("%1 junk", 1);
  ExpectValue("%1\t1", 1);  // the TAB became a blank: ends the number without error
  ExpectValue("%11111111111111111111111111111111", -1);
}

TEST(ParseNumber, BinaryWrapsIn32Bits) {
  ExpectValue("%1" + std::string(32, '0'), 0);               // 33 digits: 2^32
  ExpectValue("%1" + std::string(31, '0') + "1", 1);         // 2^32 + 1
  ExpectValue("%11" + std::string(31, '0'), std::int32_t{INT32_MIN});  // 3 * 2^31
}

TEST(ParseNumber, BinaryStopsAtTheFirstBadDigitAndReports) {
  ExpectInvalid("%102", 2);
  ExpectInvalid("%2", 0);
}

TEST(ParseNumber, DecimalLiterals) {
  ExpectValue("49152", 49152);
  ExpectValue("-1", -1);
  ExpectValue("+5", 5);
  ExpectValue("0", 0);
  ExpectValue("-0", 0);
  ExpectValue("000000000000000000042", 42);
  ExpectValue("", 0);
  ExpectValue("   ", 0);
}

TEST(ParseNumber, DecimalRangeLimits) {
  ExpectValue("2147483647", 2147483647);
  ExpectValue("-2147483648", INT32_MIN);
  ExpectValue("+2147483647", 2147483647);
  ExpectInvalid("2147483648", 0);
  ExpectInvalid("-2147483649", 0);
  ExpectInvalid("99999999999999999999999", 0);
}

TEST(ParseNumber, DecimalConversionFailuresGiveZero) {
  ExpectInvalid("12 ", 0);  // trailing blank
  ExpectInvalid("-", 0);    // sign without digits
  ExpectInvalid("+", 0);
  ExpectInvalid("1-2", 0);
  ExpectInvalid("--1", 0);
  ExpectInvalid("12A", 0);
  ExpectInvalid("LABEL", 0);
  ExpectInvalid("1.5", 0);
  ExpectInvalid(std::string("1\0", 2), 0);
}

TEST(ParseNumber, DecimalConversionAcceptsHexForms) {
  ExpectValue("0X1F", 31);
  ExpectValue("0x1f", 31);
  ExpectValue("X1F", 31);
  ExpectValue("x1F", 31);
  ExpectValue("0XFFFFFFFF", -1);  // all 32 bits may be used
  ExpectValue("0X0", 0);
  ExpectInvalid("0X", 0);
  ExpectInvalid("X", 0);
  ExpectInvalid("0X1G", 0);
  ExpectInvalid("-0X1F", 0);  // no sign before the hex forms
}

TEST(ParseNumber, LeadingTabLeavesABlankForTheDecimalConversion) {
  // One normalisation of "\t$ff" gives " $ff": not a "$" literal any more,
  // but the decimal conversion's own "$" form, which takes either case.
  ExpectValue("\t$ff", 255);
  ExpectValue("\t12", 12);
  ExpectInvalid("\t%101", 0);  // " %101" is no decimal number
  ExpectInvalid("\t", 0);      // " " is not empty, and no number either
}

TEST(ParseNumber, EachFailingCallReportsOnceWithTheModuleName) {
  const Parsed parsed = Parse("$1G");
  ASSERT_EQ(parsed.Lines.size(), 1u);
  EXPECT_EQ(parsed.Lines[0],
            "Fatal in file [demo]: Invalid number! (at line: 7 \"BIN.B x\", pass: 1)");

  CompileSession session;
  session.CurrentLineNumber = 3;
  ParseNumber("nonsense", session, "other");
  ParseNumber("12 ", session, "other");  // same line text: listed once
  ASSERT_EQ(session.StatusList.Size(), 1u);
  ASSERT_NE(session.StatusList.Lines()[0].Info, nullptr);
  EXPECT_TRUE(session.StatusList.Lines()[0].Info->Fatal);
  EXPECT_EQ(session.StatusList.Lines()[0].Info->FileName, "other");
  session.CurrentLineNumber = 4;
  ParseNumber("%3", session, "other");
  EXPECT_EQ(session.StatusList.Size(), 2u);
}

}  // namespace
}  // namespace qv3
