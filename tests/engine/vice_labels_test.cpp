// The VICE label file: the top module's symbols as pass 2 left them.
#include <gtest/gtest.h>

#include "engine/file_system.h"
#include "engine/compile_command.h"
#include "engine/session.h"
#include "engine/vice_labels.h"
#include <cstdio>
#include <cstdlib>

namespace qv3 {
namespace {

TEST(ViceLabels, OneCommandPerUsableSymbolInTableOrder) {
  EXPECT_EQ(ViceLabelCommands({{"START", 0x1000}, {"ZP", 0x05}, {"", 1}, {"TWO WORDS", 2}}),
            "al C:1000 .START\nal C:0005 .ZP\n");
}

TEST(ViceLabels, TopModuleSymbolsOnlyAfterPassTwo) {
  char pattern[] = "/tmp/qv3-vice-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string folder = std::string(pattern) + "/";
  {
    std::FILE* lib = std::fopen((folder + "lib.qv3").c_str(), "wb");
    std::fputs(" ORIGIN $2000\nLIBLABEL: RTS\n", lib);
    std::fclose(lib);
  }
  CompileSession session;
  session.KeepTopModuleSymbols = true;
  const std::vector<std::string> lines = {" ORIGIN $1000", "COLOUR = $FF15", " COMPILE LIB",
                                          "START: LDA #0", " STA COLOUR", "LOOP: JMP LOOP"};
  RunCompileCommand(session, lines, "main", folder);
  EXPECT_EQ(ViceLabelCommands(session.TopModuleSymbols),
            "al C:FF15 .COLOUR\nal C:1000 .START\nal C:1005 .LOOP\n")
      << "the dependent module's LIBLABEL is not the top module's";
}

}  // namespace
}  // namespace qv3
