// qv3run run as a separate program: stop lines, exit statuses, the KERNAL
// calls, dumps, a compiled source, and bad input.
#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "tests/engine/e2e_support.h"

namespace qv3 {
namespace {

using e2e::ScratchFolder;
using e2e::ShellQuote;

struct ProgramRun {
  int Exit = -1;
  std::string Out;
  std::string Err;
  std::string LastLine() const {
    const std::size_t end = Out.empty() || Out.back() != '\n' ? Out.size() : Out.size() - 1;
    const std::size_t start = Out.rfind('\n', end == 0 ? 0 : end - 1);
    return Out.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1));
  }
};

ProgramRun Qv3run(const ScratchFolder& folder, const std::string& arguments) {
  ProgramRun run;
  run.Exit = e2e::RunShell("cd " + ShellQuote(folder.Path()) + " && " + ShellQuote(QV3RUN_PATH) + " " +
                           arguments + " </dev/null >" + ShellQuote(folder.PathOf("run.out")) + " 2>" +
                           ShellQuote(folder.PathOf("run.err")));
  run.Out = folder.Read("run.out").value_or("");
  run.Err = folder.Read("run.err").value_or("");
  return run;
}

// A .prg loading at $2000.
void WritePrg(const ScratchFolder& folder, const std::string& name, std::initializer_list<int> code,
              int load = 0x2000) {
  std::string bytes = {static_cast<char>(load & 0xFF), static_cast<char>(load >> 8)};
  for (int b : code) bytes += static_cast<char>(b);
  folder.Write(name, bytes);
}

TEST(Qv3runStops, EachReasonHasItsLineAndExitStatus) {
  ScratchFolder folder;
  WritePrg(folder, "returns.prg", {0xA9, 0x05, 0x60});            // LDA #$05, RTS
  WritePrg(folder, "brk.prg", {0xA2, 0x03, 0x00});                // LDX #$03, BRK
  WritePrg(folder, "loop.prg", {0xA0, 0x80, 0x4C, 0x02, 0x20});   // LDY #$80, JMP *
  WritePrg(folder, "branch.prg", {0xD0, 0xFE});                   // BNE *
  WritePrg(folder, "jam.prg", {0xEA, 0x02});
  WritePrg(folder, "illegal.prg", {0xEA, 0xFF});
  WritePrg(folder, "forever.prg", {0xE8, 0x4C, 0x00, 0x20});      // INX, JMP back
  struct Case {
    const char* arguments;
    int exit;
    const char* line;
  };
  const Case cases[] = {
      {"returns.prg", 0, "stop: returned at $FFFF A=$05 X=$00 Y=$00 SP=$FF P=$24 cycles=8"},
      {"brk.prg", 0, "stop: brk at $2002 A=$00 X=$03 Y=$00 SP=$FD P=$24 cycles=9"},
      {"loop.prg", 0, "stop: loop at $2002 A=$00 X=$00 Y=$80 SP=$FD P=$A4 cycles=5"},
      {"branch.prg", 0, "stop: loop at $2000 A=$00 X=$00 Y=$00 SP=$FD P=$24 cycles=3"},
      {"jam.prg", 4, "stop: jam at $2001 A=$00 X=$00 Y=$00 SP=$FD P=$24 cycles=2"},
      {"illegal.prg", 4, "stop: illegal at $2001 A=$00 X=$00 Y=$00 SP=$FD P=$24 cycles=2"},
      {"--cycles 1000 forever.prg", 3, "stop: cycle limit at $2000 A=$00 X=$C8 Y=$00 SP=$FD P=$A4 cycles=1000"},
      {"'--cycles=$64' forever.prg", 3, "stop: cycle limit at $2000 A=$00 X=$14 Y=$00 SP=$FD P=$24 cycles=100"},
      // --start skips the INX.
      {"--start 8193 --cycles 9 forever.prg", 3, "stop: cycle limit at $2001 A=$00 X=$02 Y=$00 SP=$FD P=$24 cycles=10"},
  };
  for (const Case& c : cases) {
    const ProgramRun run = Qv3run(folder, c.arguments);
    EXPECT_EQ(run.Exit, c.exit) << c.arguments;
    EXPECT_EQ(run.Out, std::string(c.line) + "\n") << c.arguments;
  }
  EXPECT_NE(Qv3run(folder, "illegal.prg").Err.find("illegal opcode $FF at $2001"), std::string::npos);
  EXPECT_NE(Qv3run(folder, "jam.prg").Err.find("JAM ($02) at $2001"), std::string::npos);
}

// On the Plus/4 model undocumented opcodes run unless asked to stop; the
// bare 6502 stops at them always. A write to $FDCF ends the run with the
// written value as the exit status.
TEST(Qv3runPlus4, UndocumentedOpcodesAndTheDebugExit) {
  ScratchFolder folder;
  const std::initializer_list<int> verdict3 = {0xA9, 0x07, 0xA2, 0x03,  // LDA #$07 / LDX #$03
                                               0x8F, 0x00, 0x03,        // SAX $0300
                                               0xAD, 0x00, 0x03,        // LDA $0300
                                               0x8D, 0xCF, 0xFD,        // STA $FDCF
                                               0x60};
  WritePrg(folder, "verdict3.prg", verdict3);
  WritePrg(folder, "pass.prg", {0xA9, 0x00, 0x8D, 0xCF, 0xFD, 0xEA, 0x60});  // STA $FDCF with 0
  struct Case {
    const char* arguments;
    int exit;
    const char* lineStart;
  };
  const Case cases[] = {
      {"--plus4 verdict3.prg", 3, "stop: debug-exit at $200D A=$03 X=$03"},
      {"--plus4 pass.prg", 0, "stop: debug-exit at $2005 A=$00"},
      {"--plus4 --stop-undocumented verdict3.prg", 4, "stop: illegal at $2004 A=$07 X=$03"},
      {"verdict3.prg", 4, "stop: illegal at $2004 A=$07 X=$03"},
      {"--stop-undocumented verdict3.prg", 4, "stop: illegal at $2004 A=$07 X=$03"},
  };
  for (const Case& c : cases) {
    const ProgramRun run = Qv3run(folder, c.arguments);
    EXPECT_EQ(run.Exit, c.exit) << c.arguments << "\n" << run.Out << run.Err;
    EXPECT_EQ(run.LastLine().rfind(c.lineStart, 0), 0u) << c.arguments << ": " << run.LastLine();
  }
  EXPECT_NE(Qv3run(folder, "--help").Out.find("--stop-undocumented"), std::string::npos);
}

TEST(Qv3runKernal, ChroutGetinAndNotesForTheRest) {
  ScratchFolder folder;
  // CLR, "HI", RETURN; then echo each GETIN key; then STOP ($FFE1) twice
  // and RTS.
  WritePrg(folder, "echo.prg",
           {0xA9, 0x93, 0x20, 0xD2, 0xFF, 0xA9, 0x48, 0x20, 0xD2, 0xFF, 0xA9, 0x49, 0x20, 0xD2, 0xFF,
            0xA9, 0x0D, 0x20, 0xD2, 0xFF,
            0x20, 0xE4, 0xFF, 0xF0, 0x06, 0x20, 0xD2, 0xFF, 0x4C, 0x14, 0x20,   // $2014: GETIN loop
            0x20, 0xE1, 0xFF, 0x20, 0xE1, 0xFF, 0x60});
  const ProgramRun run = Qv3run(folder, "--keys AB --dump '$0C00:3' --dump 3112:2 echo.prg");
  EXPECT_EQ(run.Exit, 0) << run.Err;
  // The open line "AB" is closed before the dumps.
  const std::string expectedStart = "HI\nAB\n0C00: 08 09 20\n0C28: 01 02\nstop: returned at $FFFF ";
  EXPECT_EQ(run.Out.substr(0, expectedStart.size()), expectedStart) << run.Out;
  EXPECT_EQ(run.Err, "qv3run: note: KERNAL call $FFE1 (STOP) is not provided; it returned at once\n");
  const ProgramRun noKeys = Qv3run(folder, "echo.prg");
  EXPECT_EQ(noKeys.Out.substr(0, 3 + 6), "HI\nstop: ") << noKeys.Out;
}

TEST(Qv3runDumps, SixteenBytesALineTheLastOneShorter) {
  ScratchFolder folder;
  // Store X at $3000+X for X = 0..19, then BRK.
  WritePrg(folder, "fill.prg", {0xA2, 0x00, 0x8A, 0x9D, 0x00, 0x30, 0xE8, 0xE0, 0x14, 0xD0, 0xF7, 0x00});
  const ProgramRun run = Qv3run(folder, "--dump '$3000:20' --dump '$FFFF:1' --dump 0:0 fill.prg");
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(run.Out,
            "3000: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\n"
            "3010: 10 11 12 13\n"
            "FFFF: 00\n" +
                run.LastLine() + "\n");
  EXPECT_EQ(run.LastLine().rfind("stop: brk at $200B ", 0), 0u) << run.Out;
}

TEST(Qv3runSource, AssemblesAsQv3asmDoesThenRuns) {
  ScratchFolder folder;
  folder.Write("Good.qv3", "        ORIGIN $2000\r\n        LDA #$2A\r\n        JMP $FFD2\r\n");
  const ProgramRun good = Qv3run(folder, "Good.qv3");
  EXPECT_EQ(good.Exit, 0) << good.Err;
  EXPECT_EQ(good.Out, "*\nstop: returned at $FFFF A=$2A X=$00 Y=$00 SP=$FF P=$24 cycles=11\n");
  EXPECT_TRUE(std::filesystem::exists(folder.PathOf("good.prg")));
  EXPECT_NE(good.Err.find("Success ("), std::string::npos) << good.Err;

  folder.Write("bad.qv3", "        ORIGIN $2000\r\n        FROB #1\r\n");
  const ProgramRun bad = Qv3run(folder, "bad.qv3");
  EXPECT_EQ(bad.Exit, 1);
  EXPECT_NE(bad.Out.find("Unknown instruction word"), std::string::npos) << bad.Out;
  EXPECT_EQ(bad.Out.find("stop:"), std::string::npos) << "nothing ran";
}

TEST(Qv3runSource, StartAndDumpTakeTheSourcesLabelsAndConstants) {
  ScratchFolder folder;
  folder.Write("names.qv3",
               "        ORIGIN $2000\n"
               "PLAYERX = $3000\n"
               "COUNT = 3\n"
               "        INX\n"  // --start Entry passes it by
               "ENTRY:  LDA #$2A\n"
               "        STA PLAYERX\n"
               "        STA PLAYERX+2\n"
               "        RTS\n");
  WritePrg(folder, "plain.prg", {0x60});
  const ProgramRun run = Qv3run(folder, "--start Entry --dump PLAYERX:COUNT --dump 'playerx:1' --dump '$2000:1' names.qv3");
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(run.Out, "3000: 2A 00 2A\n3000: 2A\n2000: E8\n" + run.LastLine() + "\n");
  EXPECT_EQ(run.LastLine().rfind("stop: returned at $FFFF A=$2A X=$00 ", 0), 0u) << run.Out;

  struct Case {
    const char* arguments;
    const char* message;
  };
  const Case refused[] = {
      {"--dump NOWHERE:1 names.qv3", "--dump NOWHERE:1: NOWHERE is not a label or constant of names.qv3"},
      {"--start nowhere names.qv3", "--start: nowhere is not a label or constant of names.qv3"},
      {"--dump PLAYERX:65535 names.qv3", "--dump PLAYERX:65535 runs past $FFFF ($3000, 65535 bytes)"},
      {"--start ENTRY plain.prg", "only a .qv3 source has labels and constants (plain.prg is a program file)"},
      {"--dump '1x:COUNT' names.qv3", "--dump needs ADDR:LEN"},
  };
  for (const Case& c : refused) {
    const ProgramRun bad = Qv3run(folder, c.arguments);
    EXPECT_EQ(bad.Exit, 2) << c.arguments;
    EXPECT_NE(bad.Err.find(c.message), std::string::npos) << c.arguments << ": " << bad.Err;
    EXPECT_EQ(bad.Out.find("stop:"), std::string::npos) << "nothing ran: " << c.arguments;
  }
}

TEST(Qv3runSource, TheExampleTestProgramPasses) {
  ScratchFolder folder;
  std::filesystem::copy_file(QV3_SOURCE_DIR "/examples/qv3run/multiply_test.qv3", folder.PathOf("multiply_test.qv3"));
  const ProgramRun run = Qv3run(folder, "--dump '$2000:10' multiply_test.qv3");
  EXPECT_EQ(run.Exit, 0) << run.Err;
  // The products 0, 1, 120, 65025, 600.
  EXPECT_EQ(run.Out.substr(0, run.Out.size() - run.LastLine().size() - 1),
            "MULTIPLY: 5 CASES OK\n2000: 00 00 01 00 78 00 01 FE 58 02\n");
  EXPECT_EQ(run.LastLine().rfind("stop: returned at $FFFF A=$00 X=$05 ", 0), 0u) << run.Out;
}

// The debug-exit example passes on the model.
TEST(Qv3runSource, TheDebugExitExamplePasses) {
  ScratchFolder folder;
  std::filesystem::copy_file(QV3_SOURCE_DIR "/examples/qv3run/debug_exit.qv3", folder.PathOf("debug_exit.qv3"));
  const ProgramRun pass = Qv3run(folder, "--plus4 debug_exit.qv3");
  EXPECT_EQ(pass.Exit, 0) << pass.Out << pass.Err;
  EXPECT_EQ(pass.LastLine().rfind("stop: debug-exit ", 0), 0u) << pass.Out;
}

TEST(Qv3runInput, BadInputIsAClearErrorAndNothingRuns) {
  ScratchFolder folder;
  WritePrg(folder, "ok.prg", {0x60});
  folder.Write("short.prg", std::string(1, '\x01'));
  WritePrg(folder, "past.prg", {0x60, 0x60}, 0xFFFF);
  std::filesystem::create_directory(folder.PathOf("dir.prg"));
  struct Case {
    const char* arguments;
    const char* message;
  };
  const Case cases[] = {
      {"missing.prg", "cannot read program file 'missing.prg'"},
      {"missing.qv3", "cannot read source file 'missing.qv3'"},
      {"dir.prg", "cannot read program file 'dir.prg'"},
      {"/dev/zero", "cannot read program file '/dev/zero'"},
      {"short.prg", "fewer than the 2"},
      {"past.prg", "would run past $FFFF"},
      {"", "no program given"},
      {"ok.prg ok.prg", "only one program"},
      {"--frob ok.prg", "unknown option '--frob'"},
      {"--start '$10000' ok.prg", "--start needs an address"},
      {"--start 12x ok.prg", "--start needs an address"},
      {"--cycles -5 ok.prg", "--cycles needs a number"},
      {"--cycles 99999999999999999999999 ok.prg", "--cycles needs a number"},
      {"--dump 100 ok.prg", "--dump needs ADDR:LEN"},
      {"--dump '$FFFF:2' ok.prg", "runs past $FFFF"},
      {"ok.prg --start", "option '--start' needs a value"},
  };
  for (const Case& c : cases) {
    const ProgramRun run = Qv3run(folder, c.arguments);
    EXPECT_EQ(run.Exit, 2) << c.arguments;
    EXPECT_NE(run.Err.find(c.message), std::string::npos) << c.arguments << ": " << run.Err;
    EXPECT_EQ(run.Out, "") << c.arguments;
  }
  const ProgramRun help = Qv3run(folder, "--help");
  EXPECT_EQ(help.Exit, 0);
  EXPECT_NE(help.Out.find("Usage: qv3run"), std::string::npos);
}

TEST(Qv3runTrace, EveryInstructionBeforeItRuns) {
  ScratchFolder folder;
  WritePrg(folder, "t.prg", {0xA9, 0x05, 0x20, 0xD2, 0xFF, 0x60});
  const ProgramRun run = Qv3run(folder, "--trace t.prg");
  EXPECT_EQ(run.Exit, 0);
  EXPECT_EQ(run.Err,
            "2000  A9 05     LDA #$05            A=00 X=00 Y=00 SP=FD P=24 cycles=0\n"
            "2002  20 D2 FF  JSR $FFD2           A=05 X=00 Y=00 SP=FD P=24 cycles=2\n"
            "FFD2            KERNAL CHROUT       A=05 X=00 Y=00 SP=FB P=24 cycles=8\n"
            "2005  60        RTS                 A=05 X=00 Y=00 SP=FD P=24 cycles=14\n");
}

}  // namespace
}  // namespace qv3
