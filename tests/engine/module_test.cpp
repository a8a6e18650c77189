// The module driver: output files, final-origin checks, the COMPILE
// pre-scan, modules compiled once and twice, chains and cycles, hints.
#include <gtest/gtest.h>

#include "tests/engine/e2e_support.h"

namespace qv3 {
namespace {

using e2e::FatalLine;
using e2e::Hex;
using e2e::ScratchFolder;
using e2e::WarningLine;
using Lines = std::vector<std::string>;

// A folder of module files and a session, driven the way the compile
// command drives the driver (without its clean-up afterwards, so that the
// diagnostics of first compiles can still be seen).
class DriverTest : public ::testing::Test {
 protected:
  void Module(std::string_view fileName, std::string_view text) { folder.Write(fileName, text); }
  // Assembles fileName's text as the top module.
  void CompileTop(std::string_view fileName) {
    session.CurrentDirectory = folder.Path();
    lines = e2e::SourceLines(*folder.Read(fileName));
    CompileModule(session, lines, CutAtFirstDot(fileName), true, folder.Path());
  }
  void CompileTopText(std::string_view moduleName, std::string_view text) {
    session.CurrentDirectory = folder.Path();
    lines = e2e::SourceLines(text);
    CompileModule(session, lines, moduleName, true, folder.Path());
  }
  Lines Status() const { return e2e::Texts(session.StatusList); }
  Lines Hints() const { return e2e::Texts(session.HintList); }
  std::string Compiling(std::string_view module) const { return e2e::CompilingLine(folder.Path(), module); }
  static std::string Success(std::string_view module) { return e2e::SuccessLine(module); }

  ScratchFolder folder;
  CompileSession session;
  std::vector<std::string> lines;
};

// ------------------------------------------------------------ output files

TEST_F(DriverTest, EmptyModuleWritesAnEmptyProgramAndTheBareObjectFile) {
  CompileTopText("Empty", "");
  EXPECT_EQ(folder.Read("empty.prg"), "");
  EXPECT_EQ(folder.Read("empty.qvo"), "// Objects\r\n\r\n// Code\r\n");
  EXPECT_EQ(Status(), (Lines{Compiling("empty"), Success("empty")}));
  EXPECT_EQ(Hints(), Lines{});
}

TEST_F(DriverTest, ObjectFileShowsTheSymbolsAsPass1LeftThem) {
  // LATER moves by one byte in pass 2 (see the label tests); the symbol
  // section is written before pass 2 and keeps the first value, and so does
  // the reference above the label.
  CompileTopText("m", "OBJECTFILE\nORIGIN $00FE\nLDA LATER\nLATER: NOP\nX = 300");
  EXPECT_EQ(*folder.Read("m.qvo"), e2e::CrLfLines({"// Objects", "LATER = $0100", "X = $012C", "",
                                                   "// Code",
                                                   "00FE : AD 00 01   LDA $0100\t\t[LATER]",
                                                   "0101 : EA         NOP "}));
  EXPECT_EQ(Hex(*folder.Read("m.prg")), "FE 00 AD 00 01 EA");
}

TEST_F(DriverTest, OutputsAreNamedFromTheLowerCasedModuleName) {
  CompileTopText("MixedCase", "ORIGIN $1000\nRTS");
  EXPECT_EQ(folder.OutputFiles(), (Lines{"mixedcase.prg", "mixedcase.qvo"}));
  EXPECT_EQ(Status(), (Lines{Compiling("mixedcase"), Success("mixedcase")}));
}

TEST_F(DriverTest, ModuleWithoutAFolderIsCompiledInTheSessionsCurrentDirectory) {
  session.CurrentDirectory = folder.Path();
  const Lines source = {"ORIGIN $1000", "RTS"};
  CompileModule(session, source, "anonymus", true, "");
  EXPECT_EQ(Status(), (Lines{Compiling("anonymus"), Success("anonymus")}));
  EXPECT_EQ(Hex(*folder.Read("anonymus.prg")), "00 10 60");
}

TEST_F(DriverTest, StripAfterTheCodeStillRemovesTheLoadAddress) {
  CompileTopText("m", "ORIGIN $C000\nLDA #1\nRTS\nSTRIP");
  EXPECT_EQ(Hex(*folder.Read("m.prg")), "A9 01 60");
}

TEST_F(DriverTest, GapsBetweenCodeReadAsZeroAndTheFileEndsAtTheLastByte) {
  CompileTopText("m", "ORIGIN $1000\nNOP\nORIGIN $1004\nNOP\nORIGIN $1001\nRTS\nLEAP 100");
  EXPECT_EQ(Hex(*folder.Read("m.prg")), "00 10 EA 60 00 00 EA");
}

// ----------------------------------------------------------- final origin

TEST_F(DriverTest, FinalOriginThresholds) {
  const std::string hint =
      "Hint: reduce code size or starting origin, because final origin is behind $FC00";
  struct Case {
    const char* origin;
    Lines status;  // between the compiling and the success line
    Lines hints;
  };
  const Case cases[] = {
      {"$FC00", {}, {}},
      {"$FC01", {}, {hint}},
      {"$FD00", {}, {hint}},
      {"$FD01", {WarningLine("m", "Final origin is above $FD00", 3, "ORIGIN $FD01")}, {}},
      {"$FFFF", {WarningLine("m", "Final origin is above $FD00", 3, "ORIGIN $FFFF")}, {}},
      {"$10000",
       {FatalLine("m", "Final origin is above $FFFF - program too large!", 3, "ORIGIN $10000")},
       {}},
  };
  for (const auto& c : cases) {
    CompileSession fresh;
    session = std::move(fresh);
    CompileTopText("m", "ORIGIN $1000\nRTS\nORIGIN " + std::string(c.origin));
    Lines expected = {Compiling("m")};
    expected.insert(expected.end(), c.status.begin(), c.status.end());
    const bool fails = c.status.size() == 1 && c.status[0].starts_with("Fatal");
    expected.push_back(fails ? e2e::FailedLine("m") : Success("m"));
    EXPECT_EQ(Status(), expected) << c.origin;
    EXPECT_EQ(Hints(), c.hints) << c.origin;
    // The program too large leaves the file of the case before it.
    EXPECT_EQ(Hex(*folder.Read("m.prg")), "00 10 60") << c.origin;
  }
}

TEST_F(DriverTest, FinalOriginHintIsListedForEveryModuleThatEarnsIt) {
  Module("a.qv3", "ORIGIN $FC01");
  CompileTopText("t", "COMPILE A\nORIGIN $FC01");
  const std::string hint =
      "Hint: reduce code size or starting origin, because final origin is behind $FC00";
  EXPECT_EQ(Hints(), (Lines{hint, hint}));
}

TEST_F(DriverTest, FinalOriginDiagnosticQuotesTheLastLineHandled) {
  // The last module line is an INCLUDE, so the last line handled is the
  // included file's last line, while the number is the module's last.
  Module("tail.inc", "NOP\nLEAP $0D00");
  CompileTopText("m", "ORIGIN $F000\nINCLUDE TAIL.INC");
  EXPECT_EQ(Status(), (Lines{Compiling("m"),
                             WarningLine("m", "Final origin is above $FD00", 2, "LEAP $0D00"),
                             Success("m")}));
}

// ---------------------------------------------------------------- pre-scan

TEST_F(DriverTest, EmptyPiecesOfACompileLineAreDropped) {
  Module("a.qv3", "");
  Module("b.qv3", "");
  CompileTopText("t", "compile a, ,,b");
  EXPECT_EQ(Status(), (Lines{Compiling("t"), Success("t"), Compiling("a"), Success("a"),
                             Compiling("b"), Success("b")}));
}

TEST_F(DriverTest, CompileWithoutNamesStopsTheModuleBeforeItsPasses) {
  for (const char* line : {"COMPILE", "COMPILE , ,", "COMPILE   // nothing"}) {
    ScratchFolder empty;
    CompileSession fresh;
    const Lines source = {"COMPILE A", "NOP", line, "NOP"};
    fresh.CurrentDirectory = empty.Path();
    CompileModule(fresh, source, "t", true, empty.Path());
    const std::string text(StripComment(line));
    EXPECT_EQ(e2e::Texts(fresh.StatusList),
              (Lines{FatalLine("t", "Syntax error near COMPILE keyword", 3, text)}))
        << line;
    EXPECT_EQ(empty.OutputFiles(), Lines{}) << line;  // not even the earlier dependent
    EXPECT_EQ(fresh.ModulesCompiledOnce, (Lines{"T"}));
  }
}

TEST_F(DriverTest, CommentAfterTheNamesIsNotPartOfTheLastName) {
  Module("lib.qv3", "ORIGIN $2000\nRTS");
  CompileTopText("t", "COMPILE LIB // the library");
  EXPECT_EQ(Status(), (Lines{Compiling("t"), Success("t"), Compiling("lib"), Success("lib")}));
}

TEST_F(DriverTest, DependentLookupIgnoresLetterCase) {
  Module("Lib.qv3", "ORIGIN $2000\nRTS");
  CompileTopText("t", "compile lib");
  EXPECT_EQ(Status(), (Lines{Compiling("t"), Success("t"), Compiling("lib"), Success("lib")}));
  EXPECT_EQ(Hex(*folder.Read("lib.prg")), "00 20 60");
}

TEST_F(DriverTest, DependentLookupPrefersTheAllLowerCaseSpelling) {
  Module("Lib.qv3", "ORIGIN $2000\nRTS");
  Module("lib.qv3", "ORIGIN $3000\nRTS");
  CompileTopText("t", "COMPILE Lib");
  EXPECT_EQ(Hex(*folder.Read("lib.prg")), "00 30 60");
}

// ----------------------------------------------------- compiled once, twice

TEST_F(DriverTest, ModuleNamedTwiceIsCompiledAgainWithModulePass2) {
  Module("a.qv3", "COMPILE C");
  Module("b.qv3", "COMPILE C");
  Module("c.qv3", "NOP\nLDA NOWHERE");
  CompileTopText("t", "COMPILE A, B, C");
  const std::string unknown = "Unknown constant/label";
  EXPECT_EQ(Status(), (Lines{Compiling("t"), Success("t"), Compiling("a"), Success("a"),
                             Compiling("c"), FatalLine("c", unknown, 2, "LDA NOWHERE", 1),
                             e2e::FailedLine("c"), Compiling("b"), Success("b"), Compiling("c"),
                             FatalLine("c", unknown, 2, "LDA NOWHERE", 2), e2e::FailedLine("c")}));
  // The third request (from t itself) is ignored without a line.
  EXPECT_EQ(session.ModulesCompiledOnce, (Lines{"T", "A", "C", "B"}));
  EXPECT_EQ(session.ModulesCompiledTwice, (Lines{"C"}));
  ASSERT_EQ(session.StatusList.Lines()[5].Info->Pass, 1);
  EXPECT_EQ(session.StatusList.Lines()[10].Info->Pass, 2);
  EXPECT_EQ(session.StatusList.Lines()[10].Info->FileName, "c");
}

TEST_F(DriverTest, CycleRunsEachModuleTwiceInDepthFirstOrderAndEnds) {
  Module("t.qv3", "LEAP 1\nCOMPILE A");
  Module("a.qv3", "LEAP 2\nCOMPILE T");
  CompileTop("t.qv3");
  const std::string leap = "LEAP before first origin makes no sense";
  EXPECT_EQ(Status(), (Lines{Compiling("t"), WarningLine("t", leap, 1, "LEAP 1", 1), Success("t"),
                             Compiling("a"), WarningLine("a", leap, 1, "LEAP 2", 1), Success("a"),
                             Compiling("t"), WarningLine("t", leap, 1, "LEAP 1", 2), Success("t"),
                             Compiling("a"), WarningLine("a", leap, 1, "LEAP 2", 2), Success("a")}));
  EXPECT_EQ(session.ModulesCompiledTwice, (Lines{"T", "A"}));
}

TEST_F(DriverTest, SecondCompileSeesTheObjectFilesWrittenSinceTheFirst) {
  Module("t.qv3", "COMPILE A\nORIGIN $1000\nLDA #@A.VALUE");
  Module("a.qv3", "VALUE = $42\nCOMPILE T");
  CompileTop("t.qv3");
  // First compile of t: a.qvo does not exist yet.
  EXPECT_EQ(Status()[1], FatalLine("t", "File error!", 3, "LDA #@A.VALUE", 1));
  EXPECT_EQ(Hex(*folder.Read("t.prg")), "00 10 A9 42");
}

TEST_F(DriverTest, NamesDifferingOnlyInCaseAreOneModule) {
  Module("Main.qv3", "COMPILE Lib");
  Module("lib.qv3", "COMPILE MAIN\nCOMPILE main");
  CompileTop("Main.qv3");
  EXPECT_EQ(Status(), (Lines{Compiling("main"), Success("main"), Compiling("lib"), Success("lib"),
                             Compiling("main"), Success("main"), Compiling("lib"),
                             Success("lib")}));
  EXPECT_EQ(session.ModulesCompiledOnce, (Lines{"MAIN", "LIB"}));
  EXPECT_EQ(folder.OutputFiles(), (Lines{"lib.prg", "lib.qvo", "main.prg", "main.qvo"}));
}

TEST_F(DriverTest, MissingDependentReportsCode8AndSkipsTheRest) {
  Module("a.qv3", "NOP\nRTS // a's last line");
  Module("b.qv3", "NOP");
  CompileTopText("t", "COMPILE A, MISSING, B\nNOP");
  // The diagnostic names t but quotes the globals that a left behind.
  EXPECT_EQ(Status(), (Lines{Compiling("t"), Success("t"), Compiling("a"), Success("a"),
                             FatalLine("t", "File error!", 2, "RTS ", 1)}));
  EXPECT_FALSE(folder.Exists("b.prg"));
}

TEST_F(DriverTest, DependentThatIsAFolderIsAFileError) {
  std::filesystem::create_directory(folder.PathOf("sub.qv3"));
  CompileTopText("t", "COMPILE SUB");
  EXPECT_EQ(Status(), (Lines{Compiling("t"), Success("t"),
                             FatalLine("t", "File error!", 1, "COMPILE SUB", 1)}));
}

TEST_F(DriverTest, CompileLineOfAnIncludedFileOnlyLists) {
  Module("more.inc", "COMPILE LIB");
  Module("lib.qv3", "");
  CompileTopText("t", "OBJECTFILE\nINCLUDE MORE.INC");
  EXPECT_EQ(Status(), (Lines{Compiling("t"), Success("t")}));
  EXPECT_EQ(*folder.Read("t.qvo"), e2e::CrLfLines({"// Objects", "", "// Code",
                                                   ">> called compile  LIB"}));
}

// ------------------------------------------------------------------- hints

TEST_F(DriverTest, UnusedSymbolHintsForTopAndDependentModulesAreListedOnce) {
  Module("a.qv3", "UNUSED = 1\nUSED = 2\nORIGIN $2000\nLDA USED\nCOMPILE T");
  Module("t.qv3", "ORIGIN $1001\nSPARE: NOP\nCOMPILE A");
  CompileTop("t.qv3");
  // t and a are each compiled twice; an equal hint is listed only once. t's
  // second compile is a dependent's (of a), so its hint names its file.
  EXPECT_EQ(Hints(), (Lines{"Hint: SPARE never used", "Hint in file [a]: UNUSED never used",
                            "Hint in file [t]: SPARE never used"}));
}

TEST_F(DriverTest, HintShowsTheNameAsStoredInUpperCase) {
  CompileTopText("t", "Counter = 1\nloop:");
  EXPECT_EQ(Hints(), (Lines{"Hint: COUNTER never used", "Hint: LOOP never used"}));
}

}  // namespace
}  // namespace qv3
