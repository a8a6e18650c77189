#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/instruction.h"
#include "engine/line_context.h"
#include "engine/module_assembly.h"
#include "engine/compile_command.h"
#include "engine/session.h"
#include "engine/source_text.h"
#include "tests/engine/test_support.h"

namespace qv3 {
namespace {

using test::Bytes;
using Code = std::vector<std::uint8_t>;
using Messages = std::vector<std::string>;

// What one call of AssembleInstruction left behind.
struct Outcome {
  Code Header;   // the first two bytes of the program file
  Code Bytes;    // the program file after them
  std::string Listing;
  Messages Reported;
  std::vector<bool> Fatal;
  std::int32_t OriginAfter = 0;
};

struct LineSetup {
  std::int32_t Origin = 0x1000;
  bool IsPass1 = false;
  bool CodeListing = true;
  std::function<void(ModuleAssembly&)> Prepare;
};

// Assembles one line on a fresh module whose load address is the origin,
// as the line processor would hand it over.
Outcome AssembleLine(std::string_view text, LineSetup setup = {}) {
  CompileSession session;
  std::vector<std::string> lines;
  ModuleAssembly module(session, lines);
  module.ModuleName = "demo";
  module.Directory = "/nonexistent-qv3-folder/";
  module.Origin = setup.Origin;
  module.LoadAddress = static_cast<std::uint16_t>(setup.Origin & 0xFFFF);
  module.CodeListing = setup.CodeListing;
  if (setup.Prepare) setup.Prepare(module);
  session.CurrentLineNumber = 1;
  session.CurrentLineText.assign(text);

  LineContext line;
  line.IsPass1 = setup.IsPass1;
  line.Load(text);
  if (!line.FirstWord.empty() && line.FirstWord.back() == ':') {
    line.FirstWord.remove_suffix(1);
    line.AfterLabel = true;
  }
  AssembleInstruction(module, line);

  Outcome outcome;
  const auto& bytes = module.ProgramFile.Bytes();
  outcome.Header.assign(bytes.begin(), bytes.begin() + std::min<std::size_t>(2, bytes.size()));
  if (bytes.size() > 2) outcome.Bytes.assign(bytes.begin() + 2, bytes.end());
  outcome.Listing = module.ObjectFile;
  outcome.Reported = test::ReportedMessages(session);
  for (const auto& status : session.StatusList.Lines())
    if (status.Info) outcome.Fatal.push_back(status.Info->Fatal);
  outcome.OriginAfter = module.Origin;
  return outcome;
}

LineSetup At(std::int32_t origin) {
  LineSetup setup;
  setup.Origin = origin;
  return setup;
}

LineSetup WithSymbol(std::string name, std::uint16_t value, std::int32_t origin = 0x1000) {
  LineSetup setup = At(origin);
  setup.Prepare = [name = std::move(name), value](ModuleAssembly& module) {
    module.Symbols.Add(name, value);
  };
  return setup;
}

// Bytes with no diagnostic at all.
void ExpectCode(std::string_view text, const Code& expected, LineSetup setup = {}) {
  const Outcome outcome = AssembleLine(text, setup);
  EXPECT_EQ(outcome.Bytes, expected) << text;
  EXPECT_TRUE(outcome.Reported.empty()) << text << ": " << outcome.Reported.front();
  EXPECT_EQ(outcome.OriginAfter, setup.Origin + static_cast<std::int32_t>(expected.size())) << text;
}

// A fatal stop: nothing written, Origin unchanged, exactly this message.
void ExpectRefused(std::string_view text, std::string_view message, LineSetup setup = {}) {
  const Outcome outcome = AssembleLine(text, setup);
  EXPECT_TRUE(outcome.Header.empty() && outcome.Bytes.empty()) << text;
  EXPECT_TRUE(outcome.Listing.empty()) << text;
  EXPECT_EQ(outcome.Reported, Messages{std::string(message)}) << text;
  EXPECT_EQ(outcome.Fatal, std::vector<bool>{true}) << text;
  EXPECT_EQ(outcome.OriginAfter, setup.Origin) << text;
}

// Bytes written together with the given diagnostics.
void ExpectCodeWith(std::string_view text, const Code& expected, const Messages& messages,
                    LineSetup setup = {}) {
  const Outcome outcome = AssembleLine(text, setup);
  EXPECT_EQ(outcome.Bytes, expected) << text;
  EXPECT_EQ(outcome.Reported, messages) << text;
  EXPECT_EQ(outcome.OriginAfter, setup.Origin + static_cast<std::int32_t>(expected.size())) << text;
}

constexpr const char* kNotApplicable = "Addressing mode not applicable for this instruction";
constexpr const char* kUnknownWord = "Unknown instruction word";
constexpr const char* kOutOfRange = "Relative jump out of range!";
constexpr const char* kInvalidNumber = "Invalid number!";
constexpr const char* kUnknownSymbol = "Unknown constant/label";
// The one diagnostic that operands which assembled before may get now.
std::string DoesNotFit(std::string_view detail) {
  return "Value does not fit, only its low bytes are written: " + std::string(detail);
}

TEST(ZeroPageChoice, DependsOnTheValueNotTheDigits) {
  ExpectCode("LDA #$10", Bytes({0xA9, 0x10}));
  ExpectCode("LDA $10", Bytes({0xA5, 0x10}));
  ExpectCode("LDA $1234", Bytes({0xAD, 0x34, 0x12}));
  ExpectCode("LDA $0010", Bytes({0xA5, 0x10}));
  ExpectCode("LDA $00FF", Bytes({0xA5, 0xFF}));
  ExpectCode("LDA $0100", Bytes({0xAD, 0x00, 0x01}));
  ExpectCode("LDA 255", Bytes({0xA5, 0xFF}));
  ExpectCode("LDA 256", Bytes({0xAD, 0x00, 0x01}));
  ExpectCode("LDA %11111111", Bytes({0xA5, 0xFF}));
}

TEST(ZeroPageChoice, NegativeValuesCountAsBelow256) {
  ExpectCode("LDA -1", Bytes({0xA5, 0xFF}));
  ExpectCode("LDA -5", Bytes({0xA5, 0xFB}));
  ExpectCode("LDA $FFFFFFFF", Bytes({0xA5, 0xFF}));  // -1 as a 32-bit value
  ExpectRefused("JMP -1", kNotApplicable);           // JMP has no zero-page form
}

TEST(ZeroPageChoice, SymbolValuesChooseToo) {
  ExpectCode("LDA ZP", Bytes({0xA5, 0x20}), WithSymbol("ZP", 0x20));
  ExpectCode("LDA HI", Bytes({0xAD, 0x20, 0x01}), WithSymbol("HI", 0x0120));
  ExpectCode("STA ZP,X", Bytes({0x95, 0x20}), WithSymbol("ZP", 0x20));
}

TEST(ZeroPageChoice, IndexedForms) {
  ExpectCode("LDA $10,X", Bytes({0xB5, 0x10}));
  ExpectCode("LDA $1234,X", Bytes({0xBD, 0x34, 0x12}));
  ExpectCode("LDA $1234,Y", Bytes({0xB9, 0x34, 0x12}));
  ExpectRefused("LDA $10,Y", kNotApplicable);  // no zero-page-Y form for LDA
  ExpectCode("LDX $10,Y", Bytes({0xB6, 0x10}));
  ExpectCode("STX $10,Y", Bytes({0x96, 0x10}));
  ExpectCode("LDY $10,X", Bytes({0xB4, 0x10}));
  ExpectRefused("LDX $10,X", kNotApplicable);
  ExpectRefused("STX $1234,Y", kNotApplicable);
}

TEST(Postfix, SixteenForcesTheAbsoluteForm) {
  ExpectCode("LDA.16 $10", Bytes({0xAD, 0x10, 0x00}));
  ExpectCode("LDA.16 $10,X", Bytes({0xBD, 0x10, 0x00}));
  ExpectCode("LDA.16 $10,Y", Bytes({0xB9, 0x10, 0x00}));
  ExpectCode("LDX.16 $10,Y", Bytes({0xBE, 0x10, 0x00}));
  ExpectCode("JMP.16 $0080", Bytes({0x4C, 0x80, 0x00}));
  ExpectCode("JSR.16 $80", Bytes({0x20, 0x80, 0x00}));
  ExpectCode("LOOP: LDA.16 $10", Bytes({0xAD, 0x10, 0x00}));
}

TEST(Postfix, WarningsLeaveTheAutomaticMode) {
  const Messages cannot = {"Addressing mode cannot be changed"};
  const Messages unknown = {"Unknown addressing mode postfix"};
  ExpectCodeWith("LDA.16 $1234", Bytes({0xAD, 0x34, 0x12}), cannot);
  ExpectCodeWith("LDA.16 #$10", Bytes({0xA9, 0x10}), cannot);
  ExpectCodeWith("LDA.16 ($10),Y", Bytes({0xB1, 0x10}), cannot);
  ExpectCodeWith("NOP.16", Bytes({0xEA}), cannot);
  ExpectCodeWith("LDA.8 $10", Bytes({0xA5, 0x10}), unknown);
  ExpectCodeWith("lda.x $10", Bytes({0xA5, 0x10}), unknown);
  ExpectCodeWith("LDA.16.16 $10", Bytes({0xA5, 0x10}), unknown);
  ExpectCodeWith("LDA.016 $10", Bytes({0xA5, 0x10}), unknown);
  const Outcome warned = AssembleLine("LDA.8 $10");
  EXPECT_EQ(warned.Fatal, std::vector<bool>{false});
}

TEST(Postfix, EmptyPostfixIsNoPostfix) {
  ExpectCode("LDA. $10", Bytes({0xA5, 0x10}));
  ExpectCode("NOP.", Bytes({0xEA}));
}

TEST(Postfix, WarningComesBeforeTheModeCheck) {
  const Outcome outcome = AssembleLine("LDA.16");
  EXPECT_EQ(outcome.Reported, (Messages{"Addressing mode cannot be changed", kNotApplicable}));
  EXPECT_TRUE(outcome.Bytes.empty());
  EXPECT_EQ(outcome.OriginAfter, 0x1000);
}

TEST(ModeChecks, MissingFormsAreFatal) {
  ExpectRefused("JMP $0080", kNotApplicable);
  ExpectRefused("JSR $0080", kNotApplicable);
  ExpectRefused("RTS $10", kNotApplicable);
  ExpectRefused("LDA", kNotApplicable);
  ExpectRefused("STA #$10", kNotApplicable);
  ExpectRefused("LDA ($20)", kNotApplicable);  // only JMP has the indirect form
  ExpectRefused("BIT $10,X", kNotApplicable);
  ExpectRefused("INX A", kNotApplicable, WithSymbol("A", 0x10));
}

TEST(ModeChecks, UnknownMnemonicIsFatal) {
  ExpectRefused("FOO", kUnknownWord);
  ExpectRefused("LDAX #1", kUnknownWord);
  ExpectRefused("LD A", kUnknownWord);
  ExpectRefused("FOO.16 $10", kUnknownWord);
  ExpectRefused(".16 $10", kUnknownWord);
  const Outcome outcome = AssembleLine("xyz #1");
  ASSERT_EQ(outcome.Reported.size(), 1u);
}

TEST(ModeChecks, DiagnosticLineNamesTheModule) {
  CompileSession session;
  std::vector<std::string> lines;
  ModuleAssembly module(session, lines);
  module.ModuleName = "demo";
  session.CurrentLineNumber = 12;
  session.CurrentLineText = "  foo #1";
  LineContext line;
  line.IsPass1 = true;
  line.FirstWord = "FOO";
  line.RestOfLine = " #1";
  AssembleInstruction(module, line);
  ASSERT_EQ(session.StatusList.Size(), 1u);
  EXPECT_EQ(session.StatusList.Lines()[0].Text,
            "Fatal in file [demo]: Unknown instruction word (at line: 12 \"  foo #1\", pass: 1)");
}

TEST(IndirectForms, EncodeTheirOpcodes) {
  ExpectCode("JMP ($1234)", Bytes({0x6C, 0x34, 0x12}));
  ExpectCode("JMP ($0080)", Bytes({0x6C, 0x80, 0x00}));  // indirect is never made zero page
  ExpectCode("LDA ($20),Y", Bytes({0xB1, 0x20}));
  ExpectCode("LDA ($20,X)", Bytes({0xA1, 0x20}));
  ExpectCode("LDA ( $20 ) , Y", Bytes({0xB1, 0x20}));
  ExpectCode("STA ($FB),Y", Bytes({0x91, 0xFB}));
  ExpectCodeWith("LDA ($1234),Y", Bytes({0xB1, 0x34}), {DoesNotFit("$1234 written as $34")});
}

TEST(IndirectForms, PunctuationRulesAsWritten) {
  ExpectCode("LDA ($20,X),Y", Bytes({0xB1, 0x20}));  // ",Y" wins over ",X"
  ExpectCode("LDA (1),X", Bytes({0xA1, 0x01}));      // any ",X" after "(" is indexed indirect
  ExpectCode("LDA $1234,X,Y", Bytes({0xB9, 0x34, 0x12}));
  ExpectCode("LDA #($10),Y", Bytes({0xA9, 0x10}));   // immediate stays immediate
  ExpectCode("LDA #$10,X", Bytes({0xA9, 0x10}));
}

TEST(IndirectForms, ParenthesisWithOtherCommaIsTakenAsAbsolute) {
  // Neither ",X" nor ",Y": today's reading fails, and the expression
  // grammar refuses a list where one value belongs.
  const std::string list = "Syntax error in expression (\",\" where one value is expected)";
  ExpectCodeWith("JMP ($1234,)", Bytes({0x6C, 0x00, 0x00}), {list});
  ExpectCodeWith("LDA ($20,Z)", Code{}, {list, kNotApplicable});
  ExpectCodeWith("LDA (ZP,S)", Code{}, {kUnknownSymbol, kNotApplicable});
}

TEST(Accumulator, OnlyTheBareMnemonic) {
  ExpectCode("ASL", Bytes({0x0A}));
  ExpectCode("LSR", Bytes({0x4A}));
  ExpectCode("ROL", Bytes({0x2A}));
  ExpectCode("ROR", Bytes({0x6A}));
  ExpectCode("ASL $10", Bytes({0x06, 0x10}));
  ExpectCode("ROR $1234,X", Bytes({0x7E, 0x34, 0x12}));
}

TEST(Accumulator, ASLATakesAAsASymbol) {
  ExpectCode("ASL A", Bytes({0x06, 0x30}), WithSymbol("A", 0x30));
  ExpectCode("ASL A", Bytes({0x0E, 0x00, 0xC0}), WithSymbol("A", 0xC000));
  ExpectCodeWith("ASL A", Bytes({0x06, 0x00}), {kUnknownSymbol});
  // Pass 1 takes the undefined A for a label nearby and sizes three bytes.
  LineSetup pass1;
  pass1.IsPass1 = true;
  const Outcome outcome = AssembleLine("ASL A", pass1);
  EXPECT_EQ(outcome.OriginAfter, 0x1003);
  EXPECT_TRUE(outcome.Reported.empty());
}

TEST(Immediate, ByteSelectorsAndTruncation) {
  ExpectCode("LDA #<$1234", Bytes({0xA9, 0x34}));
  ExpectCode("LDA #>$1234", Bytes({0xA9, 0x12}));
  ExpectCode("LDA #>$123456", Bytes({0xA9, 0x34}));  // bits 8 to 15
  ExpectCode("LDA #-1", Bytes({0xA9, 0xFF}));
  ExpectCodeWith("LDA #$1FF", Bytes({0xA9, 0xFF}), {DoesNotFit("$1FF written as $FF")});
  ExpectCode("LDX #<LABEL", Bytes({0xA2, 0xCD}), WithSymbol("LABEL", 0xABCD));
  ExpectCode("LDY #>LABEL", Bytes({0xA0, 0xAB}), WithSymbol("LABEL", 0xABCD));
  ExpectCode("LDA #>$FFFF", Bytes({0xA9, 0xFF}));
  // ">-1" holds a "-": today's split makes ">" an unknown left term, so the
  // expression grammar reads it: the high byte of -1.
  ExpectCode("LDA #>-1", Bytes({0xA9, 0xFF}));
  ExpectCode("LDA #<", Bytes({0xA9, 0x00}));
}

TEST(Expressions, PlusMinusAndStar) {
  ExpectCode("LDA *+3", Bytes({0xAD, 0x03, 0x10}));
  ExpectCode("LDA $10+$20", Bytes({0xA5, 0x30}));
  ExpectCode("LDA $30-$10", Bytes({0xA5, 0x20}));
  ExpectCode("LDA $1000-$10", Bytes({0xAD, 0xF0, 0x0F}));
  ExpectCode("LDA #5-7", Bytes({0xA9, 0xFE}));
  ExpectCode("LDA *-*", Bytes({0xA5, 0x00}));
  ExpectCode("LDA $FF+1", Bytes({0xAD, 0x00, 0x01}));
  ExpectCode("STA TABLE+1,X", Bytes({0x9D, 0x01, 0x20}), WithSymbol("TABLE", 0x2000));
  ExpectCode("LDA ( PTR + 1 ) , Y", Bytes({0xB1, 0xFC}), WithSymbol("PTR", 0xFB));
}

TEST(Expressions, EmptyLeftOfMinusCountsAsZero) {
  ExpectCode("LDA #-5", Bytes({0xA9, 0xFB}));
  ExpectCode("LDA #-$10", Bytes({0xA9, 0xF0}));
  ExpectCode("LDA -5", Bytes({0xA5, 0xFB}));
  ExpectCode("LDA #+5", Bytes({0xA9, 0x05}));  // empty left of "+" too
}

TEST(Expressions, ByteSelectorsOnlyWithoutPlusOrMinus) {
  // With "-" present, today's split makes "<$1234" a left term nobody
  // defined: the expression grammar reads the operand, "<" and ">" taking
  // everything to their right. A name "<LO" keeps today's reading.
  ExpectCode("LDA #>$1234-1", Bytes({0xA9, 0x12}));
  ExpectCode("LDA #<$1234+1", Bytes({0xA9, 0x35}));
  ExpectCode("LDA #<LO+1", Bytes({0xA9, 0x01}), WithSymbol("<LO", 0x00));
}

TEST(Expressions, OnlyTheFirstOperatorCounts) {
  // Today's reading takes "$20+$30" for one malformed term; such operands
  // are read by the expression grammar, left to right.
  ExpectCode("LDA $10+$20+$30", Bytes({0xA5, 0x60}));
  ExpectCode("LDA $30-$10-$5", Bytes({0xA5, 0x1B}));
  ExpectCode("LDA $30-$10+$1", Bytes({0xA5, 0x21}));
}

TEST(Branches, DisplacementAndRange) {
  ExpectCode("BNE *", Bytes({0xD0, 0xFE}));
  ExpectCode("BNE *", Bytes({0xD0, 0xFE}), At(0xC000));
  ExpectCode("BEQ *", Bytes({0xF0, 0xFE}), At(0x0100));
  ExpectCode("BNE $1000", Bytes({0xD0, 0xF9}), At(0x1005));
  ExpectCode("BNE $1081", Bytes({0xD0, 0x7F}));
  ExpectCode("BPL $0F82", Bytes({0x10, 0x80}));
  ExpectCode("BNE LOOP", Bytes({0xD0, 0xF9}), WithSymbol("LOOP", 0x1000, 0x1005));
  ExpectRefused("BNE $1082", kOutOfRange);
  ExpectRefused("BNE $0F81", kOutOfRange);
  ExpectRefused("BNE $1000", kOutOfRange, At(0x1100));
  ExpectRefused("BVC $7FFFFFFF", kOutOfRange);
}

TEST(Branches, TargetBelow256NeedsThePostfix) {
  ExpectRefused("BNE $10", kNotApplicable);
  ExpectRefused("BCC *", kNotApplicable, At(0x0080));
  ExpectCode("BNE.16 $20", Bytes({0xD0, 0x0E}), At(0x0010));
  ExpectCode("BCS.16 *", Bytes({0xB0, 0xFE}), At(0x0080));
  ExpectRefused("BNE.16 $80000000", kOutOfRange);  // wraps without undefined behaviour
}

TEST(Branches, ForwardReferenceInPassOneIsAccepted) {
  LineSetup pass1;
  pass1.IsPass1 = true;
  const Outcome outcome = AssembleLine("BNE LATER", pass1);
  EXPECT_TRUE(outcome.Reported.empty());
  EXPECT_EQ(outcome.OriginAfter, 0x1002);
  EXPECT_TRUE(outcome.Header.empty() && outcome.Bytes.empty());
  EXPECT_TRUE(outcome.Listing.empty());
}

TEST(Labels, LabelAloneAssemblesNothing) {
  const Outcome outcome = AssembleLine("LOOP:");
  EXPECT_TRUE(outcome.Header.empty());
  EXPECT_TRUE(outcome.Listing.empty());
  EXPECT_TRUE(outcome.Reported.empty());
  EXPECT_EQ(outcome.OriginAfter, 0x1000);
  ExpectCode("LOOP: NOP", Bytes({0xEA}));
  ExpectCode("LOOP:\tLDA   #1", Bytes({0xA9, 0x01}));
}

TEST(Output, PassOneWritesNothingButAdvances) {
  LineSetup pass1;
  pass1.IsPass1 = true;
  const Outcome outcome = AssembleLine("LDA $1234", pass1);
  EXPECT_TRUE(outcome.Header.empty() && outcome.Bytes.empty());
  EXPECT_TRUE(outcome.Listing.empty());
  EXPECT_EQ(outcome.OriginAfter, 0x1003);
}

TEST(Output, WithoutCodeListingOnlyTheBytes) {
  LineSetup quiet;
  quiet.CodeListing = false;
  const Outcome outcome = AssembleLine("LDA $1234", quiet);
  EXPECT_EQ(outcome.Bytes, Bytes({0xAD, 0x34, 0x12}));
  EXPECT_TRUE(outcome.Listing.empty());
}

TEST(Output, LoadAddressGoesFirstThenCodeAtItsOffset) {
  LineSetup setup = At(0x1004);
  setup.Prepare = [](ModuleAssembly& module) { module.LoadAddress = 0x1000; };
  const Outcome outcome = AssembleLine("STA $D020", setup);
  EXPECT_EQ(outcome.Header, Bytes({0x00, 0x10}));
  EXPECT_EQ(outcome.Bytes, Bytes({0x00, 0x00, 0x00, 0x00, 0x8D, 0x20, 0xD0}));

  LineSetup stripped = At(0x2000);
  stripped.Prepare = [](ModuleAssembly& module) {
    module.Stripped = true;
    module.HeaderSize = 0;
  };
  const Outcome raw = AssembleLine("LDA #$01", stripped);
  EXPECT_EQ(raw.Header, Bytes({0xA9, 0x01}));  // no load address: the code itself
  EXPECT_TRUE(raw.Bytes.empty());
}

TEST(Output, LaterInstructionsDoNotRewriteTheLoadAddress) {
  CompileSession session;
  std::vector<std::string> lines;
  ModuleAssembly module(session, lines);
  module.ModuleName = "demo";
  module.LoadAddress = 0x1000;
  module.Origin = 0x1000;
  for (const char* text : {"NOP", "LDA #1", "RTS"}) {
    LineContext line;
    line.IsPass1 = false;
    line.Load(text);
    AssembleInstruction(module, line);
  }
  EXPECT_EQ(module.ProgramFile.Bytes(), Bytes({0x00, 0x10, 0xEA, 0xA9, 0x01, 0x60}));
  EXPECT_EQ(module.Origin, 0x1004);
}

std::string ListingOf(std::string_view text, LineSetup setup = {}) { return AssembleLine(text, setup).Listing; }

TEST(Listing, ExamplesByteForByte) {
  EXPECT_EQ(ListingOf("LDA #$01"), "1000 : A9 01      LDA #$01\t\t[$01]\r\n");
  EXPECT_EQ(ListingOf("NOP"), "1000 : EA         NOP \r\n");
  EXPECT_EQ(ListingOf("STA $FD00", At(0x1002)), "1002 : 8D 00 FD   STA $FD00\t\t[$FD00]\r\n");
  EXPECT_EQ(ListingOf("BNE LOOP", WithSymbol("LOOP", 0x1000, 0x1005)),
            "1005 : D0 F9      BNE $1000\t\t[LOOP]\r\n");
}

TEST(Listing, EveryModeShowsItsOperand) {
  EXPECT_EQ(ListingOf("LDA $10"), "1000 : A5 10      LDA $10\t\t[$10]\r\n");
  EXPECT_EQ(ListingOf("LDA $0010"), "1000 : A5 10      LDA $10\t\t[$0010]\r\n");
  EXPECT_EQ(ListingOf("LDA $10,X"), "1000 : B5 10      LDA $10,X\t\t[$10]\r\n");
  EXPECT_EQ(ListingOf("LDX $10,Y"), "1000 : B6 10      LDX $10,Y\t\t[$10]\r\n");
  EXPECT_EQ(ListingOf("LDA $1234,X"), "1000 : BD 34 12   LDA $1234,X\t\t[$1234]\r\n");
  EXPECT_EQ(ListingOf("LDA $1234,Y"), "1000 : B9 34 12   LDA $1234,Y\t\t[$1234]\r\n");
  EXPECT_EQ(ListingOf("LDA ($20,X)"), "1000 : A1 20      LDA ($20,X)\t\t[$20]\r\n");
  EXPECT_EQ(ListingOf("lda ( $20 ) , y"), "1000 : B1 20      LDA ($20),Y\t\t[$20]\r\n");
  EXPECT_EQ(ListingOf("JMP ($1234)"), "1000 : 6C 34 12   JMP ($1234)\t\t[$1234]\r\n");
  EXPECT_EQ(ListingOf("ASL"), "1000 : 0A         ASL \r\n");
}

TEST(Listing, OperandShowsTheValueAndTheSourceAsWritten) {
  EXPECT_EQ(ListingOf("LDA #<$1234"), "1000 : A9 34      LDA #$34\t\t[<$1234]\r\n");
  EXPECT_EQ(ListingOf("lda #<label", WithSymbol("LABEL", 0x1234)),
            "1000 : A9 34      LDA #$34\t\t[<LABEL]\r\n");
  EXPECT_EQ(ListingOf("LDA *+3"), "1000 : AD 03 10   LDA $1003\t\t[*+3]\r\n");
  // The value, not its low byte: 2 digits below 256, else 4.
  EXPECT_EQ(ListingOf("LDA #$1FF"), "1000 : A9 FF      LDA #$01FF\t\t[$1FF]\r\n");
  EXPECT_EQ(ListingOf("LDA -1"), "1000 : A5 FF      LDA $FFFF\t\t[-1]\r\n");
  EXPECT_EQ(ListingOf("LDA.16 $10"), "1000 : AD 10 00   LDA $10\t\t[$10]\r\n");
  EXPECT_EQ(ListingOf("LDA ( $20 ,X ) "), "1000 : A1 20      LDA ($20,X)\t\t[$20]\r\n");
}

TEST(Listing, BranchShowsItsTarget) {
  EXPECT_EQ(ListingOf("BNE *"), "1000 : D0 FE      BNE $1000\t\t[*]\r\n");
  EXPECT_EQ(ListingOf("BPL $0F82"), "1000 : 10 80      BPL $0F82\t\t[$0F82]\r\n");
  EXPECT_EQ(ListingOf("BEQ $1081"), "1000 : F0 7F      BEQ $1081\t\t[$1081]\r\n");
  EXPECT_EQ(ListingOf("BNE.16 $20", At(0x0010)), "0010 : D0 0E      BNE $20\t\t[$20]\r\n");
}

TEST(Listing, AddressIsPaddedToFourDigitsAndMayGrow) {
  EXPECT_EQ(ListingOf("NOP", At(0x0080)), "0080 : EA         NOP \r\n");
  EXPECT_EQ(ListingOf("NOP", At(0x0000)), "0000 : EA         NOP \r\n");
  LineSetup high = At(0x10000);
  high.Prepare = [](ModuleAssembly& module) { module.LoadAddress = 0xFFF0; };
  EXPECT_EQ(ListingOf("NOP", high), "10000 : EA         NOP \r\n");
}

TEST(Listing, NothingForRefusedInstructions) {
  EXPECT_EQ(ListingOf("FOO"), "");
  EXPECT_EQ(ListingOf("LDA $10,Y"), "");
  EXPECT_EQ(ListingOf("BNE $2000"), "");
}

TEST(BadInput, UnbalancedParentheses) {
  ExpectRefused("LDA ($10", kNotApplicable);           // taken as indirect
  ExpectCode("JMP ($1234", Bytes({0x6C, 0x34, 0x12}));
  ExpectCode("LDA $10)", Bytes({0xA5, 0x10}));
  ExpectCodeWith("LDA (($10),Y", Bytes({0xB1, 0x00}),
                 {"Unbalanced parentheses or brackets (\")\" expected at the end)"});
  ExpectCode("LDA )(", Bytes({0xA5, 0x00}));
  ExpectRefused("LDA (", kNotApplicable);
}

TEST(BadInput, StrayCommas) {
  const std::string list = "Syntax error in expression (\",\" where one value is expected)";
  ExpectCodeWith("LDA $10,,X", Bytes({0xB5, 0x00}), {list});
  ExpectCode("LDA ,X", Bytes({0xB5, 0x00}));
  ExpectCodeWith("LDA $10,", Bytes({0xA5, 0x00}), {list});
  ExpectCodeWith("LDA ,", Bytes({0xA5, 0x00}), {"Syntax error in expression (a value is missing)"});
  ExpectCodeWith("LDA #1,2", Bytes({0xA9, 0x00}), {list});
}

TEST(BadInput, HugeAndNegativeValues) {
  // The low bits are written as before, now with a warning.
  ExpectCodeWith("LDA $123456", Bytes({0xAD, 0x56, 0x34}), {DoesNotFit("$123456 written as $3456")});
  ExpectCodeWith("JMP $FFFFF", Bytes({0x4C, 0xFF, 0xFF}), {DoesNotFit("$FFFFF written as $FFFF")});
  ExpectCodeWith("LDA #99999999999", Bytes({0xA9, 0x00}), {"Number too large \"99999999999\""});
  // Today's 32-bit sums wrap: to the most negative value, to -2, to the
  // most positive.
  ExpectCodeWith("LDA 2147483647+1", Bytes({0xA5, 0x00}), {DoesNotFit("-2147483648 written as $00")});
  ExpectCode("LDA $7FFFFFFF+$7FFFFFFF", Bytes({0xA5, 0xFE}));
  ExpectCodeWith("LDA $80000000-1", Bytes({0xAD, 0xFF, 0xFF}), {DoesNotFit("$7FFFFFFF written as $FFFF")});
  // Two "-": the expression grammar, which does not wrap.
  ExpectCodeWith("LDA -2147483647-2", Bytes({0xA5, 0xFF}), {DoesNotFit("-2147483649 written as $FF")});
  ExpectCode("LDA #$FFFFFFFF", Bytes({0xA9, 0xFF}));
}

TEST(BadInput, MegabyteOperands) {
  const std::string digits(1 << 20, '1');
  ExpectCodeWith("LDA " + digits, Bytes({0xA5, 0x00}), {"Number too large \"111111111111111111111111...\""});
  ExpectCode("LDA $" + std::string(1 << 20, 'F'), Bytes({0xA5, 0xFF}));
  {
    // The operand is read before the mode is checked: an indirect operand
    // that never closes.
    const Outcome parens = AssembleLine("LDA " + std::string(1 << 20, '('));
    EXPECT_EQ(parens.Reported, (Messages{"A leading ( means indirect addressing: group with [ ]", kNotApplicable}));
    EXPECT_TRUE(parens.Bytes.empty() && parens.Header.empty());
    EXPECT_EQ(parens.OriginAfter, 0x1000);
  }
  ExpectCode("LDA" + std::string(1 << 20, ' ') + "#1", Bytes({0xA9, 0x01}));
  ExpectCodeWith("LDA " + std::string(1 << 20, ','), Bytes({0xA5, 0x00}),
                 {"Syntax error in expression (a value is missing)"});
  // Half a million unary "+": deeper than the reader recurses.
  ExpectCodeWith("LDA #" + std::string(1 << 19, '+'), Bytes({0xA9, 0x00}), {"Expression nested too deeply"});
}

TEST(BadInput, ControlAndHighBytes) {
  ExpectCodeWith("LDA #\x01", Bytes({0xA9, 0x00}), {"Unknown operator $01"});
  ExpectRefused("LDA\x01 #1", kUnknownWord);
  ExpectCodeWith(std::string("LDA #1\0", 7), Bytes({0xA9, 0x00}), {"Unknown operator $00"});
  ExpectCodeWith("LDA #\xE9\xFF", Bytes({0xA9, 0x00}), {kUnknownSymbol});
  ExpectCode("LDA\t#$10\t", Bytes({0xA9, 0x10}));
  ExpectRefused("\xFF\xFE", kUnknownWord);
}

// Whole-module behaviour: both passes through the real driver.
struct CompiledModule {
  test::TempDir Folder;
  CompileSession Session;
  Code Program;
  std::string Object;

  explicit CompiledModule(const std::vector<std::string>& lines) {
    Session.KeepTopModuleSymbols = true;
    const CompileOutcome outcome = RunCompileCommand(Session, lines, "demo", Folder.Path());
    EXPECT_FALSE(outcome.Abandoned) << outcome.Error;
    Program = test::ReadFileAsBytes(Folder / "demo.prg");
    Object = test::ReadFileBytes(Folder / "demo.qvo").value_or("");
  }
  Messages Reported() const { return test::ReportedMessages(Session); }
  // A symbol's value as pass 2 left it (kept even when no file is written).
  std::optional<std::uint16_t> Symbol(std::string_view name) const {
    for (const auto& [symbol, value] : Session.TopModuleSymbols)
      if (symbol == name) return value;
    return std::nullopt;
  }
};

TEST(TwoPasses, ForwardReferenceIsSizedAsNearby) {
  const CompiledModule far({"ORIGIN $1000", "LDA LATER", "LATER: NOP"});
  EXPECT_EQ(far.Program, Bytes({0x00, 0x10, 0xAD, 0x03, 0x10, 0xEA}));
  EXPECT_TRUE(far.Reported().empty());

  const CompiledModule zeroPage({"ORIGIN $0080", "LDA LATER", "LATER: RTS"});
  EXPECT_EQ(zeroPage.Program, Bytes({0x80, 0x00, 0xA5, 0x82, 0x60}));
}

TEST(TwoPasses, NothingComparesTheLengthsOfThePasses) {
  // Pass 1 sizes "LDA FWD" from $00FE as zero page, so FWD lands on $0100;
  // pass 2 then chooses the absolute form for $0100 and moves FWD along.
  const CompiledModule module({"ORIGIN $00FE", "LDA FWD", "FWD: NOP"});
  EXPECT_EQ(module.Program, Bytes({0xFE, 0x00, 0xAD, 0x00, 0x01, 0xEA}));
  EXPECT_TRUE(module.Reported().empty());
  EXPECT_NE(module.Object.find("FWD = $0100\r\n"), std::string::npos) << module.Object;
}

TEST(TwoPasses, ForwardBranchIsCheckedInPassTwo) {
  const CompiledModule near({"ORIGIN $1000", "BNE DONE", "NOP", "DONE: RTS"});
  EXPECT_EQ(near.Program, Bytes({0x00, 0x10, 0xD0, 0x01, 0xEA, 0x60}));

  const CompiledModule far({"ORIGIN $1000", "BEQ FAR", "LEAP 200", "FAR: RTS"});
  EXPECT_EQ(far.Reported(), Messages{kOutOfRange});
  // The refused branch does not advance, so pass 2 places FAR two bytes
  // lower; the failed module writes no file.
  EXPECT_EQ(far.Symbol("FAR"), 0x1000 + 200);
  EXPECT_TRUE(far.Program.empty());
}

TEST(TwoPasses, ASLAWithoutASymbolIsUnknownInPassTwo) {
  const CompiledModule module({"ORIGIN $1000", "ASL A", "NOP"});
  EXPECT_EQ(module.Reported(), Messages{kUnknownSymbol});
  // "A" is taken for a symbol: zero-page ASL $00 (two bytes) before the NOP.
  const CompiledModule sized({"ORIGIN $1000", "ASL A", "AFTER: NOP"});
  EXPECT_EQ(sized.Symbol("AFTER"), 0x1002);
  EXPECT_TRUE(module.Program.empty());
}

TEST(TwoPasses, ListingLinesInTheObjectFile) {
  const CompiledModule module({"OBJECTFILE", "ORIGIN $1000", "LOOP: LDA #$01", "NOP",
                               "STA $FD00", "BNE LOOP"});
  const std::string code = module.Object.substr(module.Object.find("// Code\r\n") + 9);
  EXPECT_EQ(code,
            "1000 : A9 01      LDA #$01\t\t[$01]\r\n"
            "1002 : EA         NOP \r\n"
            "1003 : 8D 00 FD   STA $FD00\t\t[$FD00]\r\n"
            "1006 : D0 F8      BNE $1000\t\t[LOOP]\r\n");
}

}  // namespace
}  // namespace qv3
