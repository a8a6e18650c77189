// SPDX-License-Identifier: GPL-3.0-or-later
// What a compile leaves on disk and in the lists when a module fails, how
// @MODULE.NAME picks its constant, and the hints for programs that load
// where the Plus/4 cannot run them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/check_compile.h"
#include "engine/compile_knowledge.h"
#include "tests/engine/e2e_support.h"

namespace qv3 {
namespace {

using e2e::CompileSource;
using e2e::FailedLine;
using e2e::FatalLine;
using e2e::ScratchFolder;
using e2e::SuccessLine;
using Lines = std::vector<std::string>;

constexpr char kVerdict[] = "Compile failed because of fatal error(s)!";

// Every name in the folder, hidden ones included, sorted.
Lines Entries(const ScratchFolder& folder) {
  Lines names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class FailedModuleTest : public ::testing::Test {
 protected:
  CompileOutcome Compile(std::string_view module, std::string_view source) {
    session = CompileSession{};
    return CompileSource(session, folder, module, source);
  }
  Lines Status() const { return e2e::Texts(session.StatusList); }
  std::string Compiling(std::string_view module) const {
    return e2e::CompilingLine(folder.Path(), module);
  }

  ScratchFolder folder;
  CompileSession session;
};

TEST_F(FailedModuleTest, KeepsTheLastGoodFilesAndLeavesNoTemporaryOnes) {
  ASSERT_FALSE(Compile("t", "ORIGIN $1000\nLDA #1\nRTS").Abandoned);
  const std::string program = *folder.Read("t.prg");
  const std::string object = *folder.Read("t.qvo");
  EXPECT_EQ(e2e::Hex(program), "00 10 A9 01 60");

  // JMP NOWHERE emits no bytes: the program would be shifted.
  ASSERT_FALSE(Compile("t", "ORIGIN $1000\nJMP NOWHERE\nDONE: RTS").Abandoned);
  EXPECT_TRUE(session.FatalFlag);
  EXPECT_EQ(Status(),
            (Lines{Compiling("t"), FatalLine("t", "Unknown constant/label", 2, "JMP NOWHERE"),
                   FatalLine("t", "Addressing mode not applicable for this instruction", 2, "JMP NOWHERE"),
                   FailedLine("t"), kVerdict}));
  EXPECT_EQ(*folder.Read("t.prg"), program);
  EXPECT_EQ(*folder.Read("t.qvo"), object);
  EXPECT_EQ(Entries(folder), (Lines{"t.prg", "t.qvo"}));
  EXPECT_TRUE(session.TopModuleProgramPath.empty());  // nothing to run

  // A fatal reported twice on one line is listed once, and still fails.
  ASSERT_FALSE(Compile("u", "ORIGIN $1000\nLDA #$1G\nBIN.B $1G").Abandoned);
  EXPECT_EQ(Status().back(), kVerdict);
  EXPECT_EQ(Status()[Status().size() - 2], FailedLine("u"));
  EXPECT_EQ(Entries(folder), (Lines{"t.prg", "t.qvo"}));  // none where there was none
}

TEST_F(FailedModuleTest, WarningsAloneStillReplaceTheFiles) {
  ASSERT_FALSE(Compile("t", "ORIGIN $1000\nRTS").Abandoned);
  ASSERT_FALSE(Compile("t", "LEAP 1\nORIGIN $1000\nNOP").Abandoned);
  EXPECT_EQ(Status().back(), SuccessLine("t"));
  EXPECT_EQ(e2e::Hex(*folder.Read("t.prg")), "00 10 EA");
}

TEST_F(FailedModuleTest, AbandonedCompileLeavesNoTemporaryFiles) {
  // Code below the load address abandons the compile in pass 2, while both
  // temporary files are open.
  const CompileOutcome outcome = Compile("t", "ORIGIN $7FFFFFFF\nNOP\nNOP");
  ASSERT_TRUE(outcome.Abandoned);
  EXPECT_EQ(Entries(folder), Lines{});
}

// The failed first compile of a module still serves the constants its
// partner reads in the same command; a module that fails for good never
// puts its files in place, and the aside copy is gone afterwards.
TEST_F(FailedModuleTest, FailedObjectFileServesTheCommandButNeverLands) {
  folder.Write("a.qv3", "COMPILE T\nORIGIN $2000\nJMP @T.ENTRY");
  folder.Write("t.qv3", "COMPILE A\nORIGIN $1000\nNOP\nENTRY: LDA NOWHERE");
  ASSERT_FALSE(Compile("t", *folder.Read("t.qv3")).Abandoned);
  EXPECT_TRUE(session.FatalFlag);
  // a read ENTRY ($1001) from t's failed compiles; t.qvo never appeared.
  EXPECT_EQ(e2e::Hex(*folder.Read("a.prg")), "00 20 4C 01 10");
  EXPECT_EQ(Entries(folder), (Lines{"a.prg", "a.qv3", "a.qvo", "t.qv3"}));
  // t's first "Failed" line went with its first compile's diagnostics.
  EXPECT_EQ(Status(), (Lines{Compiling("t"), Compiling("a"), SuccessLine("a"), Compiling("t"),
                             FatalLine("t", "Unknown constant/label", 4, "ENTRY: LDA NOWHERE", 2),
                             FailedLine("t"), Compiling("a"), SuccessLine("a"), kVerdict}));
}

// ---------------------------------------------------------- @MODULE.NAME

TEST(ExternalWholeName, ContainingNameIsNotTakenInCompileOrCheck) {
  ScratchFolder folder;
  folder.Write("lib.qv3", "ORIGIN $1100\nCLEARSCREEN: RTS\nSCREENPTR = $D8\n");
  CompileSession libSession;
  ASSERT_FALSE(CompileSource(libSession, folder, "lib", *folder.Read("lib.qv3")).Abandoned);

  const std::string main = "ORIGIN $1001\nJSR @LIB.SCREEN\nLDA @LIB.SCREENPTR\n";
  CompileSession session;
  ASSERT_FALSE(CompileSource(session, folder, "main", main).Abandoned);
  EXPECT_TRUE(session.FatalFlag);
  EXPECT_EQ(e2e::Texts(session.StatusList)[1],
            FatalLine("main", "Unknown constant/label", 2, "JSR @LIB.SCREEN"));
  EXPECT_FALSE(folder.Exists("main.prg"));

  // The editor's check reads the same file the same way, and links only
  // the reference that names a constant of lib.
  const CheckResult check = CheckCompile(main, "main", folder.Path());
  EXPECT_TRUE(check.Fatal);
  const ModuleKnowledge* known = check.Knowledge.FindModule("main");
  ASSERT_NE(known, nullptr);
  ASSERT_EQ(known->References.size(), 2u);
  EXPECT_FALSE(known->References[0].Value);
  EXPECT_FALSE(check.Knowledge.DefinitionOf(known->References[0]));
  EXPECT_EQ(known->References[1].Value, 0xD8);
  const auto place = check.Knowledge.DefinitionOf(known->References[1]);
  ASSERT_TRUE(place);
  EXPECT_EQ(place->Module->Name, "lib");
}

// A program file that is a symbolic link stays one: the compile writes the
// file it points to (wherever it lies) and keeps that file's permissions.
TEST_F(FailedModuleTest, AnOutputThatIsASymbolicLinkIsWrittenThroughIt) {
  namespace fs = std::filesystem;
  ScratchFolder elsewhere;
  elsewhere.Write("kept.prg", "old");
  fs::permissions(elsewhere.PathOf("kept.prg"), fs::perms::owner_read | fs::perms::owner_write |
                                                     fs::perms::group_read | fs::perms::group_write);
  fs::create_directory(folder.PathOf("out"));
  struct Case {
    const char* name;
    std::string target;      // as the link holds it
    std::string targetPath;  // where the bytes must arrive
  };
  const Case cases[] = {
      {"t", "out/t-real.prg", folder.PathOf("out/t-real.prg")},  // relative, not there yet
      {"u", elsewhere.PathOf("kept.prg"), elsewhere.PathOf("kept.prg")},
  };
  for (const Case& c : cases) {
    const std::string link = folder.PathOf(std::string(c.name) + ".prg");
    fs::create_symlink(c.target, link);
    ASSERT_FALSE(Compile(c.name, "ORIGIN $1000\nNOP").Abandoned) << c.name;
    EXPECT_FALSE(session.FatalFlag);
    EXPECT_TRUE(fs::is_symlink(link)) << c.name;
    EXPECT_EQ(fs::read_symlink(link).string(), c.target);
    EXPECT_EQ(e2e::Hex(ReadWholeFile(c.targetPath).value_or("")), "00 10 EA") << c.name;
  }
  EXPECT_EQ(fs::status(elsewhere.PathOf("kept.prg")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::group_write);
  // No temporary file is left beside either target.
  EXPECT_EQ(Entries(elsewhere), Lines{"kept.prg"});
}

// ------------------------------------------------------- load-address hints

TEST(LoadAddressHints, ForProgramsThatLoadWhereTheyCannotRun) {
  const std::string zero =
      "Hint: add ORIGIN $1001 in front of the code, because without it the program loads at "
      "$0000 (processor port and zero page), where it cannot run";
  const auto over = [](std::string_view span, std::string_view what, std::string_view region) {
    return "Hint: move ORIGIN to $1001 or above, because the program (" + std::string(span) +
           ") loads over " + std::string(what) + " (" + std::string(region) +
           "), where it cannot run";
  };
  const std::string stack = "the stack", screen = "the colour and screen memory";
  struct Case {
    const char* source;
    Lines hints;
  };
  const Case cases[] = {
      {"NOP", {zero}},
      {"ORIGIN $0000\nNOP", {zero}},
      {"ORIGIN $00FE\nNOP\nNOP\nNOP", {over("$00FE-$0100", stack, "$0100-$01FF")}},
      {"ORIGIN $07FF\nNOP\nNOP", {over("$07FF-$0800", screen, "$0800-$0FFF")}},
      {"ORIGIN $0C00\nBIN.B 1", {over("$0C00-$0C00", screen, "$0800-$0FFF")}},
      {"ORIGIN $01F0\nLEAP $700\nNOP",
       {over("$01F0-$08F0", stack, "$0100-$01FF"), over("$01F0-$08F0", screen, "$0800-$0FFF")}},
      {"ORIGIN $0200\nNOP", {}},        // between the stack and the screen
      {"ORIGIN $1000\nNOP", {}},        // just above the screen
      {"ORIGIN $1001\nNOP", {}},
      {"STRIP\nORIGIN $0C00\nNOP", {}},  // copied, not loaded
      // The file loads where its header says: ORIGIN from 0 again moves the
      // load address of later code, not the header written before it.
      {"ORIGIN $1000\nNOP\nORIGIN 0\nORIGIN $0800\nNOP", {}},
      {"ORIGIN $0800\nNOP\nORIGIN 0\nORIGIN $1000\nNOP", {over("$0800-$0800", screen, "$0800-$0FFF")}},
      {"", {}},                          // no code: nothing loads
      {"// nothing\nX = 1\nLDA X", {zero}},
  };
  for (const Case& c : cases) {
    ScratchFolder folder;
    CompileSession session;
    ASSERT_FALSE(CompileSource(session, folder, "t", c.source).Abandoned) << c.source;
    Lines hints;
    for (const auto& line : e2e::Texts(session.HintList))
      if (line.find("never used") == std::string::npos) hints.push_back(line);
    EXPECT_EQ(hints, c.hints) << c.source;
  }
}

TEST(LoadAddressHints, DependentModuleNamesItsFileAndTheHintIsListedOnce) {
  ScratchFolder folder;
  folder.Write("lib.qv3", "ORIGIN $0C00\nRTS\nCOMPILE MAIN");
  CompileSession session;
  ASSERT_FALSE(CompileSource(session, folder, "main", "COMPILE LIB\nORIGIN $1001\nRTS").Abandoned);
  EXPECT_EQ(e2e::Texts(session.HintList),
            (Lines{"Hint in file [lib]: move ORIGIN to $1001 or above, because the program "
                   "($0C00-$0C00) loads over the colour and screen memory ($0800-$0FFF), where "
                   "it cannot run"}));
}

}  // namespace
}  // namespace qv3
