// The command-line front end, run as a separate program: options, exit
// codes, where the outputs go, and the printed Status and Hints lines.
#include <gtest/gtest.h>

#include "tests/engine/e2e_support.h"

namespace qv3 {
namespace {

using e2e::ScratchFolder;
using e2e::ShellQuote;
using Lines = std::vector<std::string>;

struct ProgramRun {
  int Exit = -1;
  std::string Out;
  std::string Err;
};

// Runs qv3asm with the arguments (already quoted) from the folder cwd.
ProgramRun Qv3asm(const std::string& cwd, const std::string& arguments) {
  ScratchFolder capture;
  ProgramRun run;
  run.Exit = e2e::RunShell("cd " + ShellQuote(cwd) + " && " + ShellQuote(QV3ASM_PATH) + " " +
                           arguments + " </dev/null >" + ShellQuote(capture.PathOf("out")) +
                           " 2>" + ShellQuote(capture.PathOf("err")));
  run.Out = capture.Read("out").value_or("");
  run.Err = capture.Read("err").value_or("");
  return run;
}

TEST(Qv3asmOptions, HelpPrintsUsageAndSucceeds) {
  for (const char* option : {"--help", "-h"}) {
    const ProgramRun run = Qv3asm("/", option);
    EXPECT_EQ(run.Exit, 0) << option;
    EXPECT_NE(run.Out.find("Usage: qv3asm"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("Exit status"), std::string::npos) << run.Out;
    EXPECT_EQ(run.Err, "");
  }
}

TEST(Qv3asmOptions, VersionNamesTheRelease) {
  const ProgramRun run = Qv3asm("/", "--version");
  EXPECT_EQ(run.Exit, 0);
  EXPECT_NE(run.Out.find("v1.1.3"), std::string::npos) << run.Out;
}

TEST(Qv3asmOptions, UnknownOptionIsAUsageError) {
  ScratchFolder folder;
  folder.Write("m.qv3", "RTS");
  const ProgramRun run = Qv3asm(folder.Path(), "--frobnicate m.qv3");
  EXPECT_EQ(run.Exit, 2);
  EXPECT_NE(run.Err.find("--frobnicate"), std::string::npos) << run.Err;
  EXPECT_EQ(run.Out, "");
  EXPECT_EQ(folder.OutputFiles(), Lines{});
}

TEST(Qv3asmOptions, MissingArgumentsOrSourcesAreUsageErrors) {
  ScratchFolder folder;
  std::filesystem::create_directory(folder.PathOf("dir.qv3"));
  EXPECT_EQ(Qv3asm(folder.Path(), "").Exit, 2);
  const ProgramRun missing = Qv3asm(folder.Path(), "nothere.qv3");
  EXPECT_EQ(missing.Exit, 2);
  EXPECT_NE(missing.Err.find("nothere.qv3"), std::string::npos) << missing.Err;
  const ProgramRun directory = Qv3asm(folder.Path(), "dir.qv3");
  EXPECT_EQ(directory.Exit, 2);
  EXPECT_NE(directory.Err.find("dir.qv3"), std::string::npos) << directory.Err;
}

TEST(Qv3asmExit, ZeroWithoutFatalDiagnosticsOneWithThem) {
  ScratchFolder folder;
  folder.Write("good.qv3", "LEAP 1\nORIGIN $1000\nRTS");  // a warning only
  folder.Write("bad.qv3", "ORIGIN $1000\nLDA NOWHERE");
  const ProgramRun good = Qv3asm(folder.Path(), "good.qv3");
  EXPECT_EQ(good.Exit, 0) << good.Out << good.Err;
  const ProgramRun bad = Qv3asm(folder.Path(), "bad.qv3");
  EXPECT_EQ(bad.Exit, 1) << bad.Out << bad.Err;
  EXPECT_EQ(bad.Out.substr(bad.Out.rfind('\n', bad.Out.size() - 2) + 1),
            "Compile failed because of fatal error(s)!\n");
}

TEST(Qv3asmExit, AbandonedCompileIsTwoWithTheFileNamed) {
  ScratchFolder folder;
  folder.Write("m.qv3", "ORIGIN $1000\nRTS");
  std::filesystem::create_directory(folder.PathOf("m.qvo"));
  const ProgramRun run = Qv3asm(folder.Path(), "m.qv3");
  EXPECT_EQ(run.Exit, 2);
  EXPECT_NE(run.Err.find(folder.PathOf("m.qvo")), std::string::npos) << run.Err;
}

TEST(Qv3asmOutputs, LandNextToTheSourceWhateverTheWorkingFolder) {
  ScratchFolder folder, elsewhere;
  folder.Write("src/Prog.qv3", "COMPILE PART\nINCLUDE DEFS.INC\nORIGIN $1000\nLDA #VALUE");
  folder.Write("src/part.qv3", "ORIGIN $2000\nRTS");
  folder.Write("src/defs.inc", "VALUE = 7");
  for (const std::string& argument :
       {std::string("../") + "src/Prog.qv3", folder.PathOf("src/Prog.qv3")}) {
    const std::string cwd = argument[0] == '/' ? elsewhere.Path() : folder.PathOf("sub");
    std::filesystem::create_directories(cwd);
    const ProgramRun run = Qv3asm(cwd, ShellQuote(argument));
    EXPECT_EQ(run.Exit, 0) << run.Out << run.Err;
    // From a relative argument the folder is printed as the working folder
    // joined with the argument's folder ("…/sub/../src/"), not shortened.
    const std::string src = argument[0] == '/' ? folder.PathOf("src/") : cwd + "/../src/";
    EXPECT_EQ(run.Out, "*** compiling: " + src + "prog\nSuccess (prog)!\n" +
                           "*** compiling: " + src + "part\nSuccess (part)!\n");
    EXPECT_EQ(e2e::Hex(*folder.Read("src/prog.prg")), "00 10 A9 07");
    EXPECT_TRUE(folder.Exists("src/part.prg"));
    EXPECT_EQ(elsewhere.OutputFiles(), Lines{});
    std::filesystem::remove(folder.PathOf("src/prog.prg"));
  }
  EXPECT_FALSE(std::filesystem::exists(folder.PathOf("sub/prog.prg")));
}

// Every golden case once more through the program: the printed lines are
// the Status lines followed by the Hints lines, and the exit code follows.
class Qv3asmGoldenCase : public ::testing::TestWithParam<std::string> {};

TEST_P(Qv3asmGoldenCase, PrintsStatusThenHintsAndWritesTheSameFiles) {
  const e2e::GoldenCase golden = e2e::LoadGoldenCase(GetParam());
  ScratchFolder folder, elsewhere;
  e2e::CopyGoldenSources(golden, folder);
  const ProgramRun run = Qv3asm(elsewhere.Path(), ShellQuote(folder.PathOf(golden.TopFile)));
  std::string expected;
  for (const auto& line : e2e::WithFolder(golden.Status, folder.Path())) expected += line + "\n";
  for (const auto& line : golden.Hints) expected += line + "\n";
  EXPECT_EQ(run.Out, expected);
  const bool failed = !golden.Status.empty() &&
                      golden.Status.back() == "Compile failed because of fatal error(s)!";
  EXPECT_EQ(run.Exit, failed ? 1 : 0) << run.Err;
  e2e::ExpectGoldenOutputs(golden, folder);
}

INSTANTIATE_TEST_SUITE_P(Cases, Qv3asmGoldenCase, ::testing::ValuesIn(e2e::GoldenCaseNames()),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace qv3
