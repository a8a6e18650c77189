// Conditions, repetition, macros and local/anonymous labels beyond the
// golden cases: the forms that stay as they were, bad input that must end
// in one diagnostic in bounded time, and what the compile's knowledge says
// about expanded and skipped lines.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "engine/check_compile.h"
#include "tests/engine/e2e_support.h"

namespace qv3 {
namespace {

using e2e::CompileSource;
using e2e::ScratchFolder;
using Clock = std::chrono::steady_clock;

struct Compiled {
  std::vector<std::string> Status;
  std::string Program;  // hex, empty when none was written
  bool Fatal = false;
  double Seconds = 0;
};

Compiled Compile(std::string_view source) {
  ScratchFolder folder;
  CompileSession session;
  const auto start = Clock::now();
  CompileSource(session, folder, "t", source);
  Compiled result;
  result.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
  result.Status = e2e::Texts(session.StatusList);
  result.Fatal = session.FatalFlag;
  if (const auto program = folder.Read("t.prg")) result.Program = e2e::Hex(*program);
  return result;
}

bool Mentions(const Compiled& compiled, std::string_view text) {
  for (const auto& line : compiled.Status)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

// Each pair assembles to the same bytes: the first line of a pair uses a
// form that already meant something and must keep that meaning; the second
// spells that meaning out without it.
TEST(BlocksKeepOldMeanings, FormsThatWereValidAssembleAsBefore) {
  struct Pair {
    const char* Why;
    std::string Form, Meaning;
  };
  const Pair pairs[] = {
      {"a line whose rest holds \"=\" defines a constant, even named IF or REPEAT",
       " ORIGIN $1000\nIF A=B\nREPEAT = 7\n LDA #REPEAT\n LDX #IF\n",
       " ORIGIN $1000\n LDA #7\n LDX #0\n"},
      {"\"+\" and \"-\" operands of other instructions are 0 + 0 and 0 - 0",
       " ORIGIN $1000\n LDA +\n LDA -,X\n JMP.16 -\n", " ORIGIN $1000\n LDA $00\n LDA $00,X\n JMP.16 $00\n"},
      {"a label named \"+\" is reached by \"++\" as 0 + its value",
       " ORIGIN $1000\n BNE ++\n NOP\n+: RTS\n", " ORIGIN $1000\n BNE $1003\n NOP\n RTS\n"},
      {"a \".\" label defined once is an ordinary label, from any scope",
       " ORIGIN $1000\n.X: NOP\nA: JMP .X\nB: JMP .X\n", " ORIGIN $1000\n NOP\n JMP $1000\n JMP $1000\n"},
      {"keywords after a label are not keywords: the old diagnostic",
       " ORIGIN $1000\nL: IF 1\n", " ORIGIN $1000\nL: XYZZY 1\n"},
  };
  for (const Pair& pair : pairs) {
    SCOPED_TRACE(pair.Why);
    const Compiled form = Compile(pair.Form), meaning = Compile(pair.Meaning);
    EXPECT_EQ(form.Program, meaning.Program);
    EXPECT_EQ(form.Fatal, meaning.Fatal) << form.Status[1];
  }
}

// Each source must end in its diagnostic, quickly and without a crash.
TEST(BlocksBadInput, HugeAndDeepSourcesEndInOneDiagnostic) {
  std::string deepIf, deepRepeat, macroChain;
  for (int i = 0; i < 10000; ++i) deepIf += "IF 1\n";
  deepIf += " NOP\n";
  for (int i = 0; i < 10000; ++i) deepIf += "ENDIF\n";
  for (int i = 0; i < 10000; ++i) deepRepeat += "REPEAT 1\n";
  deepRepeat += " NOP\n";
  for (int i = 0; i < 10000; ++i) deepRepeat += "ENDREPEAT\n";
  for (int i = 0; i < 10000; ++i)
    macroChain += "MACRO M" + std::to_string(i) + "\n M" + std::to_string(i + 1) + "\nENDMACRO\n";
  macroChain += "MACRO M10000\n NOP\nENDMACRO\n M0\n";
  std::string millions = "MACRO A\n";
  for (int i = 0; i < 100; ++i) millions += " NOP\n";
  millions += "ENDMACRO\n";
  for (const char* outer : {"B", "C", "D"}) {
    millions += std::string("MACRO ") + outer + "\n";
    for (int i = 0; i < 100; ++i) millions += std::string(" ") + static_cast<char>(outer[0] - 1) + "\n";
    millions += "ENDMACRO\n";
  }
  millions += " D\n";

  struct Case {
    const char* Why;
    std::string Source;
    const char* Diagnostic;  // nullptr: assembles
  };
  const Case cases[] = {
      {"IF nested 10,000 deep is fine", " ORIGIN $1000\n" + deepIf, nullptr},
      // The bodies read while nesting count towards the lines' limit first.
      {"REPEAT nested 10,000 deep", " ORIGIN $1000\n" + deepRepeat, "Expansion too large"},
      {"macros calling each other 10,000 deep", " ORIGIN $1000\n" + macroChain, "nested more than 64 deep"},
      {"a macro that calls itself twice", " ORIGIN $1000\nMACRO R\n R\n R\nENDMACRO\n R\n", "nested more than 64 deep"},
      {"a macro of 100,000,000 lines", " ORIGIN $1000\n" + millions, "Expansion too large"},
      {"REPEAT 2^31", " ORIGIN $1000\nREPEAT $80000000\n NOP\nENDREPEAT\n", "REPEAT count must be 0 to 65536"},
      {"REPEAT 60000 inside REPEAT 60000", " ORIGIN $1000\nREPEAT 60000\nREPEAT 60000\n NOP\nENDREPEAT\nENDREPEAT\n",
       "Expansion too large"},
      {"a failing line repeated 65536 times is reported once",
       " ORIGIN $1000\nREPEAT 65536\n BOGUS\nENDREPEAT\n", "Unknown instruction word in REPEAT line 3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Why);
    const Compiled compiled = Compile(c.Source);
    EXPECT_LT(compiled.Seconds, 20.0);  // a hang guard, not a speed target
    EXPECT_LT(compiled.Status.size(), 40u);
    if (!c.Diagnostic) {
      EXPECT_FALSE(compiled.Fatal) << compiled.Status[1];
      continue;
    }
    EXPECT_TRUE(compiled.Fatal);
    EXPECT_TRUE(Mentions(compiled, c.Diagnostic)) << compiled.Status[1];
  }
}

TEST(BlocksMessages, WarningKeepsTheVerdictAndErrorFailsTheModule) {
  const Compiled warned = Compile(" ORIGIN $1000\n WARNING \"slow path\"\n NOP\n");
  EXPECT_FALSE(warned.Fatal);
  EXPECT_EQ(warned.Status[1], e2e::WarningLine("t", "Warning: slow path", 2, " WARNING \"slow path\""));
  EXPECT_EQ(warned.Program, "00 10 EA");
  // A condition decides whether the ERROR line exists at all.
  const Compiled checked = Compile(" ORIGIN $1000\nIF 0\n ERROR never\nELSE\n ERROR at ~$1000~\nENDIF\n");
  EXPECT_TRUE(checked.Fatal);
  EXPECT_EQ(checked.Status[1], e2e::FatalLine("t", "Error: at ~$1000~", 5, " ERROR at ~$1000~"));
}

// What a check learns: expanded instructions on their invocation line with
// their body line, a breakpoint's addresses on a body line, the end of an
// expansion, the lines a condition left out, and references of a body line
// listed once there however often it was expanded.
TEST(BlocksKnowledge, ExpansionsKeepTheirBodyLinesAndSkippedLinesAreKnown) {
  const std::string source =
      " ORIGIN $1000\n"       // 1
      "VALUE = 5\n"           // 2
      "MACRO LOAD\n"          // 3
      " LDA #VALUE\n"         // 4
      " STA $2000\n"          // 5
      "ENDMACRO\n"            // 6
      " LOAD\n"               // 7
      " LOAD\n"               // 8
      "IF 0\n"                // 9
      " NOP\n"                // 10
      " NOP\n"                // 11
      "ENDIF\n"               // 12
      " RTS\n";               // 13
  const CheckResult check = CheckCompile(source, "t", "");
  ASSERT_FALSE(check.Fatal);
  const ModuleKnowledge& module = check.Knowledge.Modules.front();
  std::vector<std::tuple<std::int32_t, std::int32_t, std::int32_t>> ranges;  // line, address, body line
  for (const AssembledRange& range : module.Ranges) ranges.emplace_back(range.Line, range.Address, range.MacroLine);
  const std::vector<std::tuple<std::int32_t, std::int32_t, std::int32_t>> expected = {
      {7, 0x1000, 4}, {7, 0x1002, 5}, {8, 0x1005, 4}, {8, 0x1007, 5}, {13, 0x100A, 0}};
  EXPECT_EQ(ranges, expected);
  EXPECT_EQ(module.AddressesOfBodyLine(5), (std::vector<std::uint16_t>{0x1002, 0x1007}));
  EXPECT_EQ(module.BodyLineAt(0x1005), 4);
  EXPECT_EQ(module.BodyLineAt(0x100A), std::nullopt);
  EXPECT_EQ(module.ExpansionEndAt(0x1000), 0x1005) << "the first invocation only";
  EXPECT_EQ(module.InactiveLines, (std::vector<std::int32_t>{10, 11}));
  ASSERT_EQ(module.References.size(), 1u);
  EXPECT_EQ(module.References[0].Name, "VALUE");
  EXPECT_EQ(module.References[0].Where.Line, 4);
  EXPECT_EQ(module.References[0].Where.Column, 6u);
}

}  // namespace
}  // namespace qv3
