// The line processor: constant definitions, labels, the eleven directives
// and the keyword chain, line by line in both passes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

#include "tests/engine/e2e_support.h"

namespace qv3 {
namespace {

using e2e::Bytes;
using e2e::FatalLine;
using e2e::Hex;
using e2e::LineHarness;
using e2e::WarningLine;
using Lines = std::vector<std::string>;

constexpr char kInvalidNumber[] = "Invalid number!";
constexpr char kUnknownInstruction[] = "Unknown instruction word";
constexpr char kFileError[] = "File error!";

// ---------------------------------------------------------------- constants

TEST(ConstantDefinition, ValueIsStoredAsTwoOrFourHexDigitsOfTheLow16Bits) {
  LineHarness h;
  h.Pass({"X = $10", "Y = 300", "Z = 70000", "N = -1"}, true);
  EXPECT_EQ(h.Value("X"), "$10");
  EXPECT_EQ(h.Value("Y"), "$012C");
  EXPECT_EQ(h.Value("Z"), "$1170");
  EXPECT_EQ(h.Value("N"), "$FFFF");
  EXPECT_EQ(h.Status(), Lines{});
  EXPECT_EQ(h.Module().Origin, 0);
}

TEST(ConstantDefinition, WordAfterTheNameIsSkippedWhateverItIs) {
  LineHarness h;
  // '=5' is the skipped word; the value word is empty and reads as 0.
  h.Pass({"X =5", "Y := 7 and more"}, true);
  EXPECT_EQ(h.Value("X"), "$00");
  EXPECT_EQ(h.Value("Y"), "$07");
  EXPECT_EQ(h.Status(), Lines{});
}

TEST(ConstantDefinition, NoBlankBeforeTheEqualsSignIsAnInstruction) {
  LineHarness h;
  h.Pass({"X=5"}, true);
  EXPECT_EQ(h.Value("X=5"), "");
  EXPECT_EQ(h.Status(), (Lines{FatalLine("t", kUnknownInstruction, 1, "X=5")}));
}

TEST(ConstantDefinition, NameAsValueMustBeDefinedAboveAndGivesZeroOtherwise) {
  LineHarness h;
  h.Pass({"X = OTHER"}, true);
  EXPECT_EQ(h.Value("X"), "$00");
  EXPECT_EQ(h.Status(),
            (Lines{FatalLine("t", "Symbol not defined above its use here: OTHER", 1, "X = OTHER")}));
}

TEST(ConstantDefinition, RedefinitionReportsCode5KeepsTheFirstValueAndEndsTheLine) {
  LineHarness h;
  h.Pass({"x = 1", "X = 2", "LOOP: NOP", "loop = 3"}, true);
  EXPECT_EQ(h.Value("X"), "$01");
  EXPECT_EQ(h.Value("LOOP"), "$00");
  // Only code 5: the line ends, so "X" is not also taken as a mnemonic.
  const std::string message = "Constant name already defined or is also a label";
  EXPECT_EQ(h.Status(), (Lines{FatalLine("t", message, 2, "X = 2"),
                                      FatalLine("t", message, 4, "loop = 3")}));
}

TEST(ConstantDefinition, SecondPassLeavesTheValueAlone) {
  LineHarness h;
  h.BothPasses({"ORIGIN $1000", "X = $20", "NOP"});
  EXPECT_EQ(h.Value("X"), "$20");
  EXPECT_EQ(h.Program(), Bytes({0x00, 0x10, 0xEA}));
  EXPECT_EQ(h.Status(), Lines{});
}

// ------------------------------------------------------------------- labels

TEST(Label, CreatedAtOriginInPass1WithTheRestAssembled) {
  LineHarness h;
  h.Pass({"ORIGIN $1000", "LOOP: LDA #1", "ALONE:"}, true);
  EXPECT_EQ(h.Value("LOOP"), "$1000");
  EXPECT_EQ(h.Value("ALONE"), "$1002");
  EXPECT_EQ(h.Module().Origin, 0x1002);  // 'ALONE:' assembles nothing
  EXPECT_EQ(h.Module().Symbols.Uses(*h.Module().Symbols.Find("LOOP")), 0u);
}

TEST(Label, DuplicateEndsTheLineInPass1OnlyAndCountsAsNoInstruction) {
  LineHarness h;
  h.Pass({"ORIGIN $1000", "L: NOP", "l: NOP"}, true);
  EXPECT_EQ(h.Module().Origin, 0x1001);  // the second NOP was not measured
  EXPECT_EQ(h.Status(), (Lines{FatalLine("t", "Duplicate label", 3, "l: NOP")}));
  h.StartPass2();
  h.Pass({"ORIGIN $1000", "L: NOP", "l: NOP"}, false);
  // The second pass handles the line as usual: both NOPs are written and the
  // label ends up where the second pass last met it.
  EXPECT_EQ(h.Program(), Bytes({0x00, 0x10, 0xEA, 0xEA}));
  EXPECT_EQ(h.Value("L"), "$1001");
}

TEST(Label, SameNameAsAConstantIsADuplicate) {
  LineHarness h;
  h.Pass({"X = 1", "X: NOP"}, true);
  EXPECT_EQ(h.Status(), (Lines{FatalLine("t", "Duplicate label", 2, "X: NOP")}));
  EXPECT_EQ(h.Value("X"), "$01");
}

TEST(Label, SecondPassMovesItToWhereThatPassMeetsIt) {
  LineHarness h;
  // Pass 1 sizes the forward reference as zero page (it reads as $FE, the
  // current origin); pass 2 knows LATER is $0100 and needs three bytes, so
  // LATER moves one byte on.
  const std::vector<std::string> lines = {"ORIGIN $00FE", "LDA LATER", "LATER: NOP"};
  h.Pass(lines, true);
  EXPECT_EQ(h.Value("LATER"), "$0100");
  h.StartPass2();
  h.Pass(lines, false);
  EXPECT_EQ(h.Value("LATER"), "$0101");
  EXPECT_EQ(h.Program(), Bytes({0xFE, 0x00, 0xAD, 0x00, 0x01, 0xEA}));
}

TEST(Label, DirectiveAfterALabelIsTakenAsTheMnemonic) {
  LineHarness h;
  h.Pass({"START: ORIGIN $1000"}, true);
  EXPECT_EQ(h.Module().Origin, 0);
  EXPECT_EQ(h.Module().LoadAddress, 0);
  EXPECT_EQ(h.Value("START"), "$00");
  EXPECT_EQ(h.Status(), (Lines{FatalLine("t", kUnknownInstruction, 1, "START: ORIGIN $1000")}));
}

// ---------------------------------------------------------- ORIGIN and LEAP

TEST(OriginDirective, FirstOriginOfAPassAlsoSetsTheLoadAddress) {
  LineHarness h;
  h.Pass({"origin $0801", "NOP", "ORIGIN $2000"}, true);
  EXPECT_EQ(h.Module().Origin, 0x2000);
  EXPECT_EQ(h.Module().LoadAddress, 0x0801);
  EXPECT_EQ(h.Status(), Lines{});
}

TEST(OriginDirective, LaterOriginWhileOriginIsStillZeroSetsTheLoadAddressAgain) {
  LineHarness h;
  h.Pass({"ORIGIN 0", "ORIGIN $C000"}, true);
  EXPECT_EQ(h.Module().LoadAddress, 0xC000);
}

TEST(OriginDirective, NameAsArgumentTakesItsValueWhenDefinedAbove) {
  LineHarness h;
  h.Pass({"START = $1000", "ORIGIN START"}, true);
  EXPECT_EQ(h.Module().Origin, 0x1000);
  EXPECT_EQ(h.Module().LoadAddress, 0x1000);
  EXPECT_EQ(h.Status(), Lines{});
  LineHarness later;
  later.Pass({"ORIGIN START", "START = $1000"}, true);
  EXPECT_EQ(later.Module().Origin, 0);
  EXPECT_EQ(later.Module().LoadAddress, 0);
  EXPECT_EQ(later.Status(),
            (Lines{FatalLine("t", "Symbol not defined above its use here: START", 1, "ORIGIN START")}));
}

TEST(OriginDirective, FarAboveFFFFKeepsTheLow16BitsAsLoadAddress) {
  LineHarness h;
  h.Pass({"ORIGIN $12345678"}, true);
  EXPECT_EQ(h.Module().Origin, 0x12345678);
  EXPECT_EQ(h.Module().LoadAddress, 0x5678);
}

TEST(LeapDirective, BeforeTheFirstOriginWarnsAndDoesNothing) {
  LineHarness h;
  h.Pass({"LEAP 16", "NEXTPAGE"}, true);
  EXPECT_EQ(h.Module().Origin, 0);
  EXPECT_EQ(h.Status(), (Lines{WarningLine("t", "LEAP before first origin makes no sense", 1, "LEAP 16"),
                          WarningLine("t", "NEXTPAGE before first origin makes no sense", 2,
                                      "NEXTPAGE")}));
}

TEST(LeapDirective, AddsTheWholeRestOfTheLineReadAsOneNumber) {
  {
    LineHarness h;
    h.Pass({"ORIGIN $1000", "LEAP 16"}, true);
    EXPECT_EQ(h.Module().Origin, 0x1010);
    EXPECT_EQ(h.Status(), Lines{});
  }
  {
    // A trailing blank spoils a literal (hex or decimal): the rest is then
    // read as an expression, which allows blanks.
    LineHarness h;
    h.Pass({"ORIGIN $1000", "LEAP $10 ", "LEAP 16 ", "LEAP 2 * 8"}, true);
    EXPECT_EQ(h.Module().Origin, 0x1030);
    EXPECT_EQ(h.Status(), Lines{});
  }
  {
    // A binary number simply ends at the blank.
    LineHarness h;
    h.Pass({"ORIGIN $1000", "LEAP %11 junk"}, true);
    EXPECT_EQ(h.Module().Origin, 0x1003);
    EXPECT_EQ(h.Status(), Lines{});
  }
}

TEST(NextpageDirective, RoundsUpToTheNextPageAndListsOnlyWhenItMoves) {
  for (const char* start : {"ORIGIN $1001", "ORIGIN $10FF"}) {
    LineHarness h;
    h.Pass({start, "NEXTPAGE"}, true);
    EXPECT_EQ(h.Module().Origin, 0x1100) << start;
  }
  LineHarness h;
  h.BothPasses({"OBJECTFILE", "ORIGIN $1100", "NEXTPAGE", "NOP", "NEXTPAGE", "LEAP 2"});
  EXPECT_EQ(h.Module().Origin, 0x1202);
  EXPECT_EQ(h.Module().ObjectFile,
            e2e::CrLfLines({"1100 : EA         NOP ", "// * NEXTPAGE *", "// * LEAP *"}));
}

// ------------------------------------------------------------------- SCREEN

TEST(ScreenDirective, WritesScreenCodesAndListsTheRawRest) {
  LineHarness h;
  h.BothPasses({"OBJECTFILE", "ORIGIN $1000", "SCREEN ~Hello @~ ignored"});
  EXPECT_EQ(h.Module().Origin, 0x1007);
  EXPECT_EQ(h.Program(), Bytes({0x00, 0x10, 0x48, 0x05, 0x0C, 0x0C, 0x0F, 0x20, 0x00}));
  EXPECT_EQ(h.Module().ObjectFile, e2e::CrLfLines({"1000 : SCREEN  ~Hello @~ IGNORED"}));
}

TEST(ScreenDirective, UnclosedTextRunsToTheEndOfTheLineTrailingBlanksIncluded) {
  LineHarness h;
  h.BothPasses({"ORIGIN $1000", "SCREEN ~AB  "});
  EXPECT_EQ(h.Program(), Bytes({0x00, 0x10, 0x41, 0x42, 0x20, 0x20}));
}

TEST(ScreenDirective, WithoutTildesReportsOnceAndMovesNothing) {
  LineHarness h;
  h.BothPasses({"ORIGIN $1000", "SCREEN Hello"});
  EXPECT_EQ(h.Module().Origin, 0x1000);
  EXPECT_EQ(h.Status(), (Lines{FatalLine(
                              "t", "Syntax error near SCREEN keyword. Use ~ symbols!", 2,
                              "SCREEN Hello")}));
  // The second pass still wrote the load address before it looked for "~".
  EXPECT_EQ(h.Program(), Bytes({0x00, 0x10}));
}

TEST(ScreenDirective, ControlAndHighBytesBecomeBlanks) {
  LineHarness h;
  h.BothPasses({"ORIGIN $1000", std::string("SCREEN ~\x01\x00\x80\xFF[\\]^_`z{~", 21)});
  EXPECT_EQ(Hex(h.Program()), "00 10 20 20 20 20 1B 00 1D 00 00 20 1A 20");
}

TEST(ScreenCodes, FollowTheCommodoreScreenCodeTable) {
  for (int c = 0; c < 256; ++c) {
    int expected = 0x20;
    if (c >= 33 && c <= 63) expected = c;
    if (c >= 65 && c <= 90) expected = c;
    if (c >= 97 && c <= 122) expected = c - 96;
    if (c == 64 || c == 92 || c == 94 || c == 95) expected = 0x00;
    if (c == 91) expected = 0x1B;
    if (c == 93) expected = 0x1D;
    EXPECT_EQ(ScreenCodes[static_cast<std::size_t>(c)], expected) << "character code " << c;
  }
}

// ------------------------------------------------------------ BIN.B / BIN.W

TEST(BinDirective, BytesWordsAndTheirListingLines) {
  LineHarness h;
  h.BothPasses({"OBJECTFILE", "ORIGIN $1000", "BIN.B $01 $02 $FF", "bin.w $1234 $10"});
  EXPECT_EQ(h.Module().Origin, 0x1007);
  EXPECT_EQ(Hex(h.Program()), "00 10 01 02 FF 34 12 10 00");
  EXPECT_EQ(h.Module().ObjectFile,
            e2e::CrLfLines({"1000 : BIN.B  $01 $02 $FF", "1003 : BIN.W  $1234 $10"}));
}

TEST(BinDirective, CommaSeparatesExpressionItems) {
  LineHarness h;
  h.Pass({"ORIGIN $1000", "BIN.B $01,$02"}, true);
  EXPECT_EQ(h.Status(), Lines{});  // pass 1 only counts the values
  EXPECT_EQ(h.Module().Origin, 0x1002);
  h.StartPass2();
  h.Pass({"ORIGIN $1000", "BIN.B $01,$02"}, false);
  EXPECT_EQ(h.Program(), Bytes({0x00, 0x10, 0x01, 0x02}));
  EXPECT_EQ(h.Status(), Lines{});
}

TEST(BinDirective, ValuesAreCutWithAWarningOncePerLine) {
  LineHarness h;
  h.BothPasses({"ORIGIN $1000", "BIN.B 256 -1 -129", "BIN.W 70000", "BIN.W -32768 65535"});
  EXPECT_EQ(Hex(h.Program()), "00 10 00 FF 7F 70 11 00 80 FF FF");
  EXPECT_EQ(h.Status(),
            (Lines{WarningLine("t", "Value does not fit, only its low bytes are written: $100 written as $00", 2,
                               "BIN.B 256 -1 -129"),
                   WarningLine("t", "Value does not fit, only its low bytes are written: $11170 written as $1170",
                               3, "BIN.W 70000")}));
}

TEST(BinDirective, WithoutValuesWritesOnlyTheLoadAddress) {
  LineHarness h;
  h.BothPasses({"ORIGIN $1000", "BIN.B"});
  EXPECT_EQ(h.Program(), Bytes({0x00, 0x10}));
  EXPECT_EQ(h.Module().Origin, 0x1000);
}

TEST(BinDirective, ManyValuesOnOneLongLineStayLinear) {
  LineHarness h;
  std::string line = "BIN.B";
  for (int i = 0; i < 200000; ++i) line += " 1";
  const auto start = std::chrono::steady_clock::now();
  h.BothPasses({"ORIGIN $0000", line});
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(elapsed, std::chrono::seconds(3));
  EXPECT_EQ(h.Module().Origin, 200000);
  // Bytes beyond 64 KB are not stored; the line gets one code 14.
  EXPECT_EQ(h.Program().size(), static_cast<std::size_t>(ProgramImage::kMaxSize));
  ASSERT_EQ(h.Status().size(), 1u);
  EXPECT_NE(h.Status()[0].find("Final origin is above $FFFF - program too large!"),
            std::string::npos);
}

// ------------------------------------------------------------------- BINARY

TEST(BinaryDirective, CopiesTheFileAndAdvancesByItsSizeInBothPasses) {
  LineHarness h;
  std::string data;
  for (int i = 0; i < 1000; ++i) data.push_back(static_cast<char>(i * 7));
  h.Folder().Write("sprite.bin", data);  // found although the line is upper-cased
  h.Pass({"OBJECTFILE", "ORIGIN $1000", "BINARY sprite.bin"}, true);
  EXPECT_EQ(h.Module().Origin, 0x13E8);
  h.StartPass2();
  h.Pass({"OBJECTFILE", "ORIGIN $1000", "BINARY sprite.bin"}, false);
  EXPECT_EQ(h.Module().Origin, 0x13E8);
  EXPECT_EQ(h.Program(), Bytes({0x00, 0x10}) + data);
  EXPECT_EQ(h.Module().ObjectFile, e2e::CrLfLines({"1000 : BINARY  SPRITE.BIN"}));
  EXPECT_EQ(h.Status(), Lines{});
}

TEST(BinaryDirective, MissingFileFolderOrDeviceIsAFileErrorAndMovesNothing) {
  LineHarness h;
  std::filesystem::create_directory(h.Folder().PathOf("folder"));
  ASSERT_EQ(::symlink("/dev/zero", h.Folder().PathOf("zero").c_str()), 0);
  h.BothPasses({"ORIGIN $1000", "BINARY NOTHERE.BIN", "BINARY FOLDER", "BINARY ZERO"});
  EXPECT_EQ(h.Module().Origin, 0x1000);
  EXPECT_EQ(h.Status(), (Lines{FatalLine("t", kFileError, 2, "BINARY NOTHERE.BIN"),
                                      FatalLine("t", kFileError, 3, "BINARY FOLDER"),
                                      FatalLine("t", kFileError, 4, "BINARY ZERO")}));
}

TEST(BinaryDirective, HugeFileStoresOnly64KAndReportsTheLineOnce) {
  LineHarness h;
  const std::string path = h.Folder().Write("huge.bin", "");
  std::filesystem::resize_file(path, 100u << 20);  // sparse: cheap to make
  h.BothPasses({"ORIGIN $1000", "BINARY HUGE.BIN"});
  EXPECT_EQ(h.Module().Origin, 0x1000 + (100 << 20));
  EXPECT_EQ(h.Program().size(), static_cast<std::size_t>(ProgramImage::kMaxSize));
  ASSERT_EQ(h.Status().size(), 1u);
  EXPECT_EQ(h.Status()[0], FatalLine("t", "Final origin is above $FFFF - program too large!", 2,
                                     "BINARY HUGE.BIN"));
}

// ------------------------------------------------------------------ INCLUDE

TEST(IncludeDirective, IncludedLinesReportWithTheIncludingLineNumberAndTheirOwnText) {
  LineHarness h;
  h.Folder().Write("part.inc", "NOP\r\nNOP\r\nNOP\r\nNOP\r\nx = $1G // bad digit\r\nNOP\r\nNOP\r\n");
  std::vector<std::string_view> lines(11, "NOP");
  lines.push_back("INCLUDE PART.INC");
  std::int32_t number = 0;
  for (auto line : lines) {
    h.Session().CurrentLineNumber = ++number;
    ProcessLine(h.Module(), line, true);
  }
  EXPECT_EQ(h.Status(), (Lines{FatalLine("t", kInvalidNumber, 12, "x = $1G ")}));
  EXPECT_EQ(h.Module().Origin, 11 + 4 + 2);
}

TEST(IncludeDirective, SymbolsOfNestedIncludesBelongToTheModule) {
  LineHarness h;
  h.Folder().Write("outer.inc", "OUTER = $20\nINCLUDE INNER.INC\n");
  h.Folder().Write("Inner.INC", "INNER: LDA OUTER\n");
  h.BothPasses({"ORIGIN $1000", "INCLUDE outer.inc", "JMP INNER"});
  EXPECT_EQ(h.Value("INNER"), "$1000");
  EXPECT_EQ(Hex(h.Program()), "00 10 A5 20 4C 00 10");
  EXPECT_EQ(h.Status(), Lines{});
}

TEST(IncludeDirective, MissingFileIsAFileError) {
  LineHarness h;
  h.Pass({"INCLUDE NOTHERE.INC"}, true);
  EXPECT_EQ(h.Status(), (Lines{FatalLine("t", kFileError, 1, "INCLUDE NOTHERE.INC")}));
}

TEST(IncludeDirective, SelfInclusionEndsAtTheDepthLimitWithOneFileError) {
  LineHarness h;
  h.Folder().Write("self.inc", "NOP\ninclude self.inc\n");
  h.Pass({"ORIGIN $1000", "INCLUDE SELF.INC"}, true);
  EXPECT_EQ(h.Module().Origin, 0x1000 + kMaxIncludeDepth);
  EXPECT_EQ(h.Status(), (Lines{FatalLine("t", kFileError, 2, "include self.inc")}));
}

TEST(IncludeDirective, BranchingSelfInclusionEndsQuickly) {
  LineHarness h;
  // Two self-includes per file would make a tree of 2^64 inclusions if only
  // the depth were limited.
  h.Folder().Write("twice.inc", "INCLUDE TWICE.INC\nINCLUDE TWICE.INC\n");
  const auto start = std::chrono::steady_clock::now();
  h.BothPasses({"ORIGIN $1000", "INCLUDE TWICE.INC", "NOP"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(h.Status(), (Lines{FatalLine("t", kFileError, 2, "INCLUDE TWICE.INC")}));
  EXPECT_EQ(h.Program(), Bytes({0x00, 0x10, 0xEA}));
}

TEST(IncludeDirective, NextModuleLineIncludesAgainAfterTheLimitWasReached) {
  LineHarness h;
  h.Folder().Write("self.inc", "INCLUDE SELF.INC\n");
  h.Folder().Write("ok.inc", "NOP\n");
  h.BothPasses({"ORIGIN $1000", "INCLUDE SELF.INC", "INCLUDE OK.INC"});
  EXPECT_EQ(h.Program(), Bytes({0x00, 0x10, 0xEA}));
  EXPECT_EQ(h.Status(), (Lines{FatalLine("t", kFileError, 2, "INCLUDE SELF.INC")}));
}

// ------------------------------------------------- STRIP, OBJECTFILE, COMPILE

TEST(StripDirective, TakesEffectInBothPassesWhereverItStands) {
  LineHarness h;
  h.BothPasses({"ORIGIN $1000", "NOP", "STRIP rest ignored"});
  EXPECT_TRUE(h.Module().Stripped);
  EXPECT_EQ(h.Module().HeaderSize, 0);
  EXPECT_EQ(h.Program(), Bytes({0xEA}));
}

TEST(CompileDirective, ListsItsRestOfLineAndDoesNothingElse) {
  LineHarness h;
  h.BothPasses({"OBJECTFILE", "ORIGIN $1000", "COMPILE lib1, lib2"});
  EXPECT_EQ(h.Module().ObjectFile, e2e::CrLfLines({">> called compile  LIB1, LIB2"}));
  EXPECT_EQ(h.Module().Origin, 0x1000);
  EXPECT_EQ(h.Status(), Lines{});
}

TEST(ObjectfileDirective, WithoutItNothingIsListed) {
  LineHarness h;
  h.BothPasses({"ORIGIN $1000", "NOP", "BIN.B 1", "SCREEN ~A~", "LEAP 1", "COMPILE X"});
  EXPECT_EQ(h.Module().ObjectFile, "");
}

// ------------------------------------------------------------ keyword chain

TEST(KeywordChain, BinBValuesThatAreNamesNoLongerRunAsKeywords) {
  // Today a malformed last value ran as a keyword after the fatal report;
  // such words are now symbols of an expression list.
  LineHarness h;
  h.BothPasses({"ORIGIN $1000", "NOP", "BIN.B STRIP"});
  EXPECT_FALSE(h.Module().Stripped);
  EXPECT_EQ(h.Program(), Bytes({0x00, 0x10, 0xEA, 0x00}));
  EXPECT_EQ(h.Status(), (Lines{FatalLine("t", "Unknown constant/label", 3, "BIN.B STRIP")}));
  LineHarness compile;
  compile.BothPasses({"OBJECTFILE", "ORIGIN $1000", "BIN.B 1 COMPILE  "});
  EXPECT_EQ(compile.Module().ObjectFile, e2e::CrLfLines({"1000 : BIN.B  1 COMPILE  "}));
  EXPECT_EQ(Hex(compile.Program()), "00 10 01 00");
}

TEST(KeywordChain, ConstantValueWordIsAnExpressionWhenItIsNoNumber) {
  LineHarness h;
  h.Pass({"L = OBJECTFILE"}, true);
  EXPECT_FALSE(h.Module().CodeListing);
  EXPECT_EQ(h.Value("L"), "$00");
  EXPECT_EQ(h.Status(),
            (Lines{FatalLine("t", "Symbol not defined above its use here: OBJECTFILE", 1, "L = OBJECTFILE")}));
}

TEST(KeywordChain, LabelNamedLikeADirectiveRunsTheDirectiveInsteadOfTheInstruction) {
  LineHarness h;
  h.BothPasses({"ORIGIN $1000", "STRIP: NOP", "LDA #1"});
  EXPECT_TRUE(h.Module().Stripped);
  EXPECT_EQ(h.Value("STRIP"), "$1000");
  EXPECT_EQ(h.Program(), Bytes({0xA9, 0x01}));
}

TEST(KeywordChain, DirectiveLineWithAnEqualsSignIsAConstantInPass1) {
  LineHarness h;
  h.BothPasses({"ORIGIN $1000", "SCREEN ~A=B~"});
  // Pass 1 defines SCREEN: '~A=B~' is the skipped word and the missing value
  // word reads as 0; nothing advances. Pass 2 runs the directive.
  EXPECT_EQ(h.Value("SCREEN"), "$00");
  EXPECT_EQ(h.Status(), Lines{});
  EXPECT_EQ(h.Program(), Bytes({0x00, 0x10, 0x41, 0x3D, 0x42}));
}

// ---------------------------------------------------------------- bad input

TEST(BadLine, HighBytesAndNulOutsideTildesAreAnUnknownInstruction) {
  LineHarness h;
  const std::string high = "\x80\xE4\xFF", withNul("N\0P", 3);
  h.BothPasses({high, withNul});
  EXPECT_EQ(h.Status(), (Lines{FatalLine("t", kUnknownInstruction, 1, high),
                                      FatalLine("t", kUnknownInstruction, 2, withNul)}));
}

TEST(BadLine, ProgramBytesBeyond64KAreDroppedWithCode14) {
  LineHarness h;
  h.BothPasses({"ORIGIN $1000", "NOP", "LEAP $7FFF0000", "NOP", "SCREEN ~AB~"});
  EXPECT_EQ(h.Program(), Bytes({0x00, 0x10, 0xEA}));
  const std::string message = "Final origin is above $FFFF - program too large!";
  EXPECT_EQ(h.Status(), (Lines{FatalLine("t", message, 4, "NOP"), FatalLine("t", message, 5, "SCREEN ~AB~")}));
}

TEST(BadLine, CodeRunningJustPastFFFFStillLandsInTheFile) {
  LineHarness h;
  h.BothPasses({"ORIGIN $FFFE", "LDA $1234"});
  EXPECT_EQ(Hex(h.Program()), "FE FF AD 34 12");
  EXPECT_EQ(h.Status(), Lines{});  // the final check is the driver's
}

TEST(BadLine, MegabyteScreenTextBeyond64KFinishesWithOneReport) {
  LineHarness h;
  const std::string line = "SCREEN ~" + std::string(1 << 20, '\xC4') + "~";
  const auto start = std::chrono::steady_clock::now();
  h.BothPasses({"ORIGIN $1000", line});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(h.Module().Origin, 0x1000 + (1 << 20));
  EXPECT_EQ(h.Program().size(), static_cast<std::size_t>(ProgramImage::kMaxSize));
  EXPECT_EQ(static_cast<unsigned char>(h.Program().back()), 0x20);
  EXPECT_EQ(h.Status().size(), 1u);
}

}  // namespace
}  // namespace qv3
