// The check of a document while it is edited: the diagnostics and the
// knowledge of a compile, no file written, no dependent assembled, the
// compile command's state left alone, cancellation, and threads.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "engine/check_compile.h"
#include "engine/compile_command.h"
#include "tests/engine/e2e_support.h"

namespace qv3 {
namespace {

using e2e::ScratchFolder;
using Lines = std::vector<std::string>;

// Name -> size and modification time of every entry under the folder.
std::map<std::string, std::pair<std::uintmax_t, std::int64_t>> Listing(const std::string& path) {
  std::map<std::string, std::pair<std::uintmax_t, std::int64_t>> entries;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
    struct stat st {};
    ::stat(entry.path().c_str(), &st);
    const std::int64_t mtime = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    entries[entry.path().string()] = {entry.is_regular_file() ? entry.file_size() : 0, mtime};
  }
  return entries;
}

class CheckCompileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.Write("lib.qv3", "ORIGIN $2000\nCOLOUR = $05\n\nSETUP:\tRTS\n\tINCLUDE libdefs.inc\n");
    folder.Write("libdefs.inc", "BORDER = $FF19\n");
    folder.Write("main.qv3", "COMPILE LIB\nORIGIN $1000\nLDA #@LIB.COLOUR\nRTS\n");
    // A real compile: the object files exist and the session holds state.
    ASSERT_FALSE(e2e::CompileSource(session, folder, "main", *folder.Read("main.qv3")).Abandoned);
  }

  ScratchFolder folder;
  CompileSession session;
};

// The document as edited, not as saved: a new label, an error, a warning.
constexpr char kEdited[] =
    "COMPILE LIB\n"
    "ORIGIN $1000\n"
    "\tLDA #@LIB.COLOUR\n"
    "AGAIN:\tJSR @LIB.SETUP\n"
    "\tLDA NOWHERE\n"
    "\tBNE AGAIN\n"
    "\tLDA.8 $10\n"
    "\tSTA @lib.border\n";

TEST_F(CheckCompileTest, WritesNothingAndLeavesTheCompileStateAlone) {
  const auto before = Listing(folder.Path());
  const Lines status = e2e::Texts(session.StatusList);
  const Lines hints = e2e::Texts(session.HintList);
  const auto once = session.ModulesCompiledOnce;
  const auto twice = session.ModulesCompiledTwice;
  const bool fatal = session.FatalFlag;
  const std::string program = session.TopModuleProgramPath;

  const CheckResult result = CheckCompile(kEdited, "main", folder.Path());

  EXPECT_EQ(Listing(folder.Path()), before);
  EXPECT_EQ(e2e::Texts(session.StatusList), status);
  EXPECT_EQ(e2e::Texts(session.HintList), hints);
  EXPECT_EQ(session.ModulesCompiledOnce, once);
  EXPECT_EQ(session.ModulesCompiledTwice, twice);
  EXPECT_EQ(session.FatalFlag, fatal);
  EXPECT_EQ(session.TopModuleProgramPath, program);

  // The check's own lists: main alone, no line of lib's compile.
  EXPECT_FALSE(result.Abandoned);
  EXPECT_FALSE(result.Cancelled);
  EXPECT_TRUE(result.Fatal);
  EXPECT_EQ(e2e::Texts(result.Status),
            (Lines{e2e::CompilingLine(folder.Path(), "main"),
                   // The postfix is read in assembly pass 1, unknown names only in pass 2.
                   e2e::WarningLine("main", "Unknown addressing mode postfix", 7, "\tLDA.8 $10"),
                   e2e::FatalLine("main", "Unknown constant/label", 5, "\tLDA NOWHERE"),
                   e2e::FailedLine("main"), "Compile failed because of fatal error(s)!"}));
}

TEST_F(CheckCompileTest, KnowsTheEditedTextAndTheModulesItNames) {
  const CheckResult result = CheckCompile(kEdited, "main", folder.Path());
  const ModuleKnowledge* main = result.Knowledge.FindModule("main");
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(main->FindDefinition("AGAIN"));
  EXPECT_EQ(main->Definitions[*main->FindDefinition("AGAIN")].Value, 0x1002);
  EXPECT_EQ(main->LineAtAddress(0x1003), 4);
  ASSERT_EQ(main->DiagnosticsOfLine(5).size(), 1u);

  // lib was not assembled, but its source is at hand: its definitions are
  // scanned and take their values from the object file on disk.
  const ModuleKnowledge* lib = result.Knowledge.FindModule("lib");
  ASSERT_NE(lib, nullptr);
  EXPECT_FALSE(lib->Assembled);
  EXPECT_TRUE(lib->Ranges.empty());
  ASSERT_EQ(main->References.size(), 5u);  // COLOUR, SETUP, NOWHERE, AGAIN, BORDER
  const auto setup = result.Knowledge.DefinitionOf(main->References[1]);
  ASSERT_TRUE(setup);
  EXPECT_EQ(setup->Module, lib);
  EXPECT_EQ(setup->Definition->Name, "SETUP");
  EXPECT_EQ(setup->Definition->Where.Line, 4);
  EXPECT_EQ(setup->Definition->Where.Column, 0u);
  EXPECT_TRUE(setup->Definition->HasValue);
  EXPECT_EQ(setup->Definition->Value, 0x2000);
  EXPECT_EQ(main->References[1].Value, 0x2000);  // the value the object file gave
  // Defined in a file lib includes: on lib's INCLUDE line.
  const auto border = result.Knowledge.DefinitionOf(main->References[4]);
  ASSERT_TRUE(border);
  EXPECT_EQ(border->Definition->Where.Line, 5);
  EXPECT_TRUE(border->Definition->Where.FromInclude);
  EXPECT_EQ(border->Definition->Value, 0xFF19);
}

TEST_F(CheckCompileTest, MissingObjectFileIsTheCompilesDiagnosticAndTheSourceStillResolves) {
  std::filesystem::remove(folder.PathOf("lib.qvo"));
  const CheckResult result = CheckCompile(kEdited, "main", folder.Path());
  EXPECT_TRUE(result.Status.Contains(e2e::FatalLine("main", "File error!", 3, "\tLDA #@LIB.COLOUR")));
  EXPECT_FALSE(std::filesystem::exists(folder.PathOf("lib.qvo")));
  const ModuleKnowledge* main = result.Knowledge.FindModule("main");
  ASSERT_NE(main, nullptr);
  const auto colour = result.Knowledge.DefinitionOf(main->References[0]);
  ASSERT_TRUE(colour);
  EXPECT_FALSE(colour->Definition->HasValue);
  EXPECT_FALSE(main->References[0].Value.has_value());
}

TEST_F(CheckCompileTest, ASetCancelFlagStopsTheCheck) {
  std::atomic<bool> cancel{true};
  CheckOptions options;
  options.Cancel = &cancel;
  const CheckResult stopped = CheckCompile(kEdited, "main", folder.Path(), options);
  EXPECT_TRUE(stopped.Cancelled);
  EXPECT_FALSE(stopped.Fatal);
  cancel = false;
  const CheckResult finished = CheckCompile(kEdited, "main", folder.Path(), options);
  EXPECT_FALSE(finished.Cancelled);
  EXPECT_TRUE(finished.Fatal);
}

TEST_F(CheckCompileTest, ChecksOnThreadsAtOnceAgreeWithOneAlone) {
  const CheckResult alone = CheckCompile(kEdited, "main", folder.Path());
  std::vector<CheckResult> results(4);
  std::vector<std::thread> threads;
  for (auto& result : results)
    threads.emplace_back([&] { result = CheckCompile(kEdited, "main", folder.Path()); });
  for (auto& thread : threads) thread.join();
  for (const auto& result : results) {
    EXPECT_EQ(e2e::Texts(result.Status), e2e::Texts(alone.Status));
    EXPECT_EQ(e2e::Texts(result.Hints), e2e::Texts(alone.Hints));
    ASSERT_EQ(result.Knowledge.Modules.size(), alone.Knowledge.Modules.size());
    EXPECT_EQ(result.Knowledge.Modules[0].Ranges.size(), alone.Knowledge.Modules[0].Ranges.size());
  }
}

TEST(CheckCompileInput, BadInputGivesDiagnosticsNotFailures) {
  ScratchFolder folder;
  // An empty COMPILE list stops the module before its passes; a missing
  // INCLUDE and BINARY are file errors; a line of NUL bytes and a lone "~".
  const std::string text = std::string("INCLUDE nothere.inc\nBINARY gone.bin\n") +
                           std::string(3, '\0') + "\n~\nLDA (\n";
  const CheckResult result = CheckCompile(text, "odd", folder.Path());
  EXPECT_FALSE(result.Abandoned);
  EXPECT_TRUE(result.Fatal);
  const ModuleKnowledge* odd = result.Knowledge.FindModule("odd");
  ASSERT_NE(odd, nullptr);
  EXPECT_EQ(odd->DiagnosticsOfLine(1).at(0)->Code, Err::FileError);
  EXPECT_EQ(odd->DiagnosticsOfLine(2).at(0)->Code, Err::FileError);

  // A module named by @MODULE.NAME whose source includes itself twice:
  // scanning it for definitions ends.
  folder.Write("loop.qv3", "INCLUDE loop.inc\n");
  folder.Write("loop.inc", "X = 1\nINCLUDE loop.inc\nINCLUDE loop.inc\n");
  const CheckResult looping = CheckCompile("LDA @LOOP.X", "l", folder.Path());
  ASSERT_NE(looping.Knowledge.FindModule("loop"), nullptr);
  EXPECT_EQ(looping.Knowledge.FindModule("loop")->Definitions.size(), 1u);
  std::filesystem::remove(folder.PathOf("loop.qv3"));
  std::filesystem::remove(folder.PathOf("loop.inc"));

  // ",X" cut out of the middle of a long operand leaves a term that the
  // line as written holds nowhere: placing it must not try every start.
  std::string nearMisses = "AAAAB = 1\nLDA ";
  for (int i = 0; i < 200000; ++i) nearMisses += "A ";
  nearMisses += ",X B\n";
  const CheckResult misses = CheckCompile(nearMisses, "m", folder.Path());
  ASSERT_EQ(misses.Knowledge.FindModule("m")->References.size(), 1u);
  EXPECT_EQ(misses.Knowledge.FindModule("m")->References[0].Where.Line, 2);

  const CheckResult empty = CheckCompile("COMPILE\nNOP", "e", folder.Path());
  EXPECT_TRUE(empty.Fatal);
  EXPECT_EQ(empty.Knowledge.FindModule("e")->Diagnostics.at(0).Code, Err::CompileSyntax);
  EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
}

}  // namespace
}  // namespace qv3
