// SPDX-License-Identifier: GPL-3.0-or-later
// The example programs that print, assembled and run with qv3run --plus4:
// what they leave on the screen is what their comments promise.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "tests/engine/e2e_support.h"

namespace qv3 {
namespace {

using e2e::ScratchFolder;
using e2e::ShellQuote;

// The screen's lines as --screen-text prints them, without trailing blanks.
std::vector<std::string> ScreenOfExample(const std::string& folderName, const std::string& file) {
  ScratchFolder folder;
  std::filesystem::copy(std::filesystem::path(QV3_SOURCE_DIR) / "examples" / folderName / file,
                        folder.PathOf(file));
  const int exit = e2e::RunShell("cd " + ShellQuote(folder.Path()) + " && " + ShellQuote(QV3RUN_PATH) +
                                 " --plus4 --frames 5 --screen-text " + file + " </dev/null >run.out 2>run.err");
  EXPECT_EQ(exit, 0) << folder.Read("run.err").value_or("");
  std::istringstream out(folder.Read("run.out").value_or(""));
  std::vector<std::string> lines;
  for (std::string line; std::getline(out, line);) {
    while (!line.empty() && line.back() == ' ') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

TEST(ExamplesRun, BlocksPrintsItsSumTableAndSystem) {
  const auto screen = ScreenOfExample("blocks", "blocks.qv3");
  ASSERT_GE(screen.size(), 4u);
  EXPECT_EQ(screen[0], "04B0");      // 4 x 300 by the ADD16 macro, unrolled by REPEAT
  EXPECT_EQ(screen[1], "01234567");  // the table REPEAT's counter built
  EXPECT_EQ(screen[2], "PAL");       // the IF branch taken
  EXPECT_EQ(screen[3], "");
}

}  // namespace
}  // namespace qv3
