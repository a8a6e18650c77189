// Faults the fuzz targets found, each pinned by a focused test, and a
// replay of every reproducer kept in tests/fuzz/regressions through the
// module fuzz target's checks.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/file_system.h"
#include "engine/compile_command.h"
#include "engine/session.h"
#include "tests/fuzz/fixture_folder.h"
#include "tests/fuzz/module_checks.h"

namespace qv3 {
namespace {

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names = qv3fuzz::files::Entries(folder);
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const std::string& name) { return name.empty() || name[0] == '.'; }),
              names.end());
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FuzzRegressions, EveryModuleReproducerPassesTheFuzzChecks) {
  const std::string folder = std::string(QV3_SOURCE_DIR) + "/tests/fuzz/regressions/module/";
  const auto names = FilesIn(folder);
  ASSERT_FALSE(names.empty()) << "no reproducers in " << folder;
  qv3fuzz::FixtureFolder fixtures;
  for (const auto& name : names) {
    SCOPED_TRACE(name);
    EXPECT_EQ(qv3fuzz::CheckModuleSource(fixtures, ReadAll(folder + name)), "");
  }
}

// Assembles source as module "top" in the fixture folder.
struct Compiled {
  CompileSession Session;
  CompileOutcome Outcome;
};
void CompileTop(Compiled& compiled, qv3fuzz::FixtureFolder& folder, std::string_view source) {
  folder.Reset();
  compiled.Session.CurrentDirectory = folder.Work();
  compiled.Outcome = RunCompileCommand(compiled.Session, SplitLines(source), "top", folder.Work());
}

bool Lists(const CompileSession& session, std::string_view text) {
  return session.StatusList.Contains(text);
}

// The COMPILE pre-scan's quick test skipped lines whose first word is
// preceded by a TAB, although the line is normalised twice and the word is
// "COMPILE" all the same: the dependent module was never assembled.
TEST(FuzzRegressions, CompileLineIndentedByTabNamesItsModules) {
  qv3fuzz::FixtureFolder folder;
  for (const char* indent : {"\t", " \t", "\t \t", "  "}) {
    SCOPED_TRACE(testing::PrintToString(indent));
    Compiled compiled;
    CompileTop(compiled, folder, std::string("ORIGIN $1000\r\n") + indent + "compile LIB\r\n NOP\r\n");
    // Assembled, whether it succeeds or not.
    EXPECT_TRUE(Lists(compiled.Session, "Success (lib)!") || Lists(compiled.Session, "Failed (lib)!"));
  }
  Compiled empty;
  CompileTop(empty, folder, "\tCOMPILE , \r\n NOP\r\n");
  EXPECT_EQ(empty.Session.StatusList.Lines().size(), 2u) << "code 17 and the verdict, nothing else";
  EXPECT_NE(empty.Session.StatusList.Lines()[0].Text.find("Syntax error near COMPILE keyword"),
            std::string::npos);
}

}  // namespace
}  // namespace qv3
