// The "Compile" command both front ends share: clean start, withdrawal of
// superseded diagnostics, the verdict, and compiles abandoned by output
// failures.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/engine/e2e_support.h"

namespace qv3 {
namespace {

using e2e::CompileSource;
using e2e::FatalLine;
using e2e::ScratchFolder;
using e2e::WarningLine;
using Lines = std::vector<std::string>;

constexpr char kVerdict[] = "Compile failed because of fatal error(s)!";

class CompileCommandTest : public ::testing::Test {
 protected:
  CompileOutcome Compile(std::string_view module, std::string_view source) {
    return CompileSource(session, folder, module, source);
  }
  Lines Status() const { return e2e::Texts(session.StatusList); }
  std::string Compiling(std::string_view module) const { return e2e::CompilingLine(folder.Path(), module); }
  static std::string Success(std::string_view module) { return e2e::SuccessLine(module); }
  static std::string Failed(std::string_view module) { return e2e::FailedLine(module); }

  ScratchFolder folder;
  CompileSession session;
};

TEST_F(CompileCommandTest, FatalDiagnosticSetsTheFlagAndAddsTheVerdictLast) {
  const CompileOutcome outcome = Compile("t", "ORIGIN $1000\nLDA NOWHERE\nLEAP 1");
  EXPECT_FALSE(outcome.Abandoned);
  EXPECT_TRUE(session.FatalFlag);
  EXPECT_EQ(Status(), (Lines{Compiling("t"), FatalLine("t", "Unknown constant/label", 2,
                                                       "LDA NOWHERE"),
                             Failed("t"), kVerdict}));
  EXPECT_EQ(session.StatusList.Lines().back().Info, nullptr);
}

TEST_F(CompileCommandTest, WarningsAloneDoNotFail) {
  Compile("t", "LEAP 1\nORIGIN $1000\nLDA.8 $10");
  EXPECT_FALSE(session.FatalFlag);
  EXPECT_EQ(Status(), (Lines{Compiling("t"),
                             WarningLine("t", "LEAP before first origin makes no sense", 1,
                                         "LEAP 1"),
                             WarningLine("t", "Unknown addressing mode postfix", 3, "LDA.8 $10"),
                             Success("t")}));
}

TEST_F(CompileCommandTest, StartsFromEmptyListsAndAClearFlag) {
  Compile("t", "LDA NOWHERE");
  ASSERT_TRUE(session.FatalFlag);
  session.HintList.Append("stale hint");
  Compile("t", "ORIGIN $1001\nNOP");
  EXPECT_FALSE(session.FatalFlag);
  EXPECT_EQ(Status(), (Lines{Compiling("t"), Success("t")}));
  EXPECT_EQ(e2e::Texts(session.HintList), Lines{});
  EXPECT_EQ(session.ModulesCompiledOnce, (Lines{"T"}));
}

TEST_F(CompileCommandTest, FirstCompileFatalOfATwiceCompiledModuleIsWithdrawn) {
  // t reads a constant of a, whose object file exists only after a was
  // compiled; a names t back, so t's second compile finds it.
  folder.Write("t.qv3", "COMPILE A\nORIGIN $1000\nLDA #@A.VALUE");
  folder.Write("a.qv3", "VALUE = $42\nLDA VALUE\nCOMPILE T");
  Compile("t", *folder.Read("t.qv3"));
  EXPECT_FALSE(session.FatalFlag);
  // t's first compile failed: its "Failed" line went with its diagnostic.
  EXPECT_EQ(Status(), (Lines{Compiling("t"), Compiling("a"), Success("a"), Compiling("t"),
                             Success("t"), Compiling("a"), Success("a")}));
  EXPECT_EQ(e2e::Hex(*folder.Read("t.prg")), "00 10 A9 42");
}

TEST_F(CompileCommandTest, SecondCompileDiagnosticsRemainAndDecide) {
  folder.Write("t.qv3", "COMPILE A\nLDA #@A.MISSING");
  folder.Write("a.qv3", "COMPILE T\nLEAP 1");
  Compile("t", *folder.Read("t.qv3"));
  const std::string leap = "LEAP before first origin makes no sense";
  EXPECT_TRUE(session.FatalFlag);
  EXPECT_EQ(Status(),
            (Lines{Compiling("t"), Compiling("a"), Success("a"), Compiling("t"),
                   FatalLine("t", "Unknown constant/label", 2, "LDA #@A.MISSING", 2),
                   Failed("t"), Compiling("a"), WarningLine("a", leap, 2, "LEAP 1", 2),
                   Success("a"), kVerdict}));
}

TEST_F(CompileCommandTest, ModuleCompiledOnceKeepsItsDiagnostics) {
  folder.Write("a.qv3", "COMPILE B\nLDA NOWHERE");
  folder.Write("b.qv3", "");
  folder.Write("t.qv3", "COMPILE A, B");
  Compile("t", *folder.Read("t.qv3"));
  // b is compiled twice, a once: a's pass-1 diagnostic stays and fails.
  EXPECT_TRUE(session.FatalFlag);
  EXPECT_EQ(session.ModulesCompiledTwice, (Lines{"B"}));
  EXPECT_EQ(Status()[3], FatalLine("a", "Unknown constant/label", 2, "LDA NOWHERE", 1));
}

TEST_F(CompileCommandTest, MissingDependentQuotesTheGlobalsOfTheModuleCompiledLast) {
  // t(1) -> a(1) -> t(2) -> a(2). t(2) and then t(1) report MISSING, both
  // with the line, text and pass that a(2) left in the globals, so the
  // second report is a duplicate and the one line left carries pass 2: it
  // survives the withdrawal although t is compiled twice.
  folder.Write("t.qv3", "COMPILE A, MISSING");
  folder.Write("a.qv3", "COMPILE T");
  Compile("t", *folder.Read("t.qv3"));
  EXPECT_EQ(Status(), (Lines{Compiling("t"), Success("t"), Compiling("a"), Success("a"),
                             Compiling("t"), Success("t"), Compiling("a"), Success("a"),
                             FatalLine("t", "File error!", 1, "COMPILE T", 2), kVerdict}));
}

// ------------------------------------------------------ abandoned compiles

TEST_F(CompileCommandTest, OutputFolderThatIsAFileAbandonsNamingTheFile) {
  folder.Write("plain", "not a folder");
  session.CurrentDirectory = folder.Path();
  const Lines source = {"ORIGIN $1000", "RTS"};
  const CompileOutcome outcome =
      RunCompileCommand(session, source, "t", folder.PathOf("plain/"));
  ASSERT_TRUE(outcome.Abandoned);
  EXPECT_NE(outcome.Error.find(folder.PathOf("plain/t.prg")), std::string::npos) << outcome.Error;
  EXPECT_NE(outcome.Error.find("Not a directory"), std::string::npos) << outcome.Error;
  // No result line, no verdict, and the flag stays clear.
  EXPECT_EQ(Status(), (Lines{"*** compiling: " + folder.PathOf("plain/t")}));
  EXPECT_FALSE(session.FatalFlag);
}

TEST_F(CompileCommandTest, ReadOnlyOutputFolderAbandons) {
  ScratchFolder readOnly;
  ASSERT_EQ(::chmod(readOnly.Path().c_str(), 0555), 0);
  if (::access(readOnly.Path().c_str(), W_OK) == 0)
    GTEST_SKIP() << "this user can write into a folder of mode 0555 (root)";
  const Lines source = {"RTS"};
  const CompileOutcome outcome = RunCompileCommand(session, source, "t", readOnly.Path());
  ASSERT_TRUE(outcome.Abandoned);
  EXPECT_NE(outcome.Error.find(readOnly.PathOf("t.prg")), std::string::npos) << outcome.Error;
}

TEST_F(CompileCommandTest, ObjectFileThatCannotBeCreatedAbandonsNamingIt) {
  std::filesystem::create_directory(folder.PathOf("t.qvo"));
  const CompileOutcome outcome = Compile("t", "RTS");
  ASSERT_TRUE(outcome.Abandoned);
  EXPECT_NE(outcome.Error.find(folder.PathOf("t.qvo")), std::string::npos) << outcome.Error;
  EXPECT_EQ(Status(), (Lines{Compiling("t")}));
}

TEST_F(CompileCommandTest, CodeBelowTheLoadAddressAbandonsNamingTheProgramFile) {
  const CompileOutcome outcome = Compile("t", "ORIGIN $1000\nNOP\nORIGIN $0F00\nNOP");
  ASSERT_TRUE(outcome.Abandoned);
  EXPECT_NE(outcome.Error.find(folder.PathOf("t.prg")), std::string::npos) << outcome.Error;
  EXPECT_FALSE(session.FatalFlag);
}

TEST_F(CompileCommandTest, AbandonedDependentEndsTheWholeCommand) {
  folder.Write("a.qv3", "ORIGIN $2000\nNOP\nORIGIN $1000\nNOP");
  folder.Write("b.qv3", "NOP");
  const CompileOutcome outcome = Compile("t", "COMPILE A, B\nLDA NOWHERE");
  ASSERT_TRUE(outcome.Abandoned);
  EXPECT_NE(outcome.Error.find(folder.PathOf("a.prg")), std::string::npos) << outcome.Error;
  EXPECT_FALSE(folder.Exists("b.prg"));
  EXPECT_FALSE(session.FatalFlag);  // the verdict is not drawn
  EXPECT_NE(Status().back(), kVerdict);
}

}  // namespace
}  // namespace qv3
