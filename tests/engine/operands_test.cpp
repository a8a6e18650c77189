#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/directives.h"
#include "engine/module_assembly.h"
#include "engine/operands.h"
#include "engine/compile_command.h"
#include "engine/session.h"
#include "tests/engine/test_support.h"

namespace qv3 {
namespace {

using test::ModuleBench;
using test::ScopedEnv;
using test::TempDir;

// Every test gets its own per-user runtime folder, so the temporary copy of
// object files lands where the test can look at it.
struct OperandTest : ::testing::Test {
  TempDir Runtime;
  TempDir Tmp;
  ScopedEnv RuntimeEnv{"XDG_RUNTIME_DIR", Runtime.Path()};
  ScopedEnv TmpEnv{"TMPDIR", Tmp.Path()};
  ModuleBench Bench;

  std::int32_t Resolve(std::string_view term, bool isPass1 = false) {
    return ResolveTerm(Bench.Module, term, isPass1);
  }
  std::vector<std::string> Messages() const { return Bench.Messages(); }
  std::string TemporaryCopy() const { return Runtime / "qv3/~qv3tmp~.dat"; }
};

TEST_F(OperandTest, StarIsTheCurrentOrigin) {
  Bench.Module.Origin = 0x1000;
  EXPECT_EQ(Resolve("*"), 4096);
  Bench.Module.Origin = -5;
  EXPECT_EQ(Resolve("*"), -5);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(OperandTest, EmptyTermIsZeroWithoutReport) {
  EXPECT_EQ(Resolve(""), 0);
  EXPECT_EQ(Resolve("", true), 0);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(OperandTest, NumberLiteralsAreReadAsWritten) {
  EXPECT_EQ(Resolve("$10"), 16);
  EXPECT_EQ(Resolve("%101"), 5);
  EXPECT_EQ(Resolve("10"), 10);
  EXPECT_EQ(Resolve("0X1F"), 31);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(Resolve("$1G"), 1);
  EXPECT_EQ(Messages(), std::vector<std::string>{"Invalid number!"});
}

TEST_F(OperandTest, LiteralsNeverCountAsSymbols) {
  Bench.Module.Symbols.Add("10", 0x99);  // a name that looks like a number
  EXPECT_EQ(Resolve("10"), 10);
  EXPECT_EQ(Bench.Module.Symbols.Uses(0), 0u);
}

TEST_F(OperandTest, SymbolGivesItsValueAndCountsTheUse) {
  Bench.Module.Symbols.Add("LOOP", 0x1000);
  Bench.Module.Symbols.Add("ZP", 0x0F);
  EXPECT_EQ(Resolve("LOOP"), 0x1000);
  EXPECT_EQ(Resolve("loop"), 0x1000);  // names compare without letter case
  EXPECT_EQ(Resolve("ZP", true), 0x0F);
  EXPECT_EQ(Bench.Module.Symbols.Uses(0), 2u);
  EXPECT_EQ(Bench.Module.Symbols.Uses(1), 1u);
  EXPECT_EQ(Bench.Module.Symbols.ValueText(0), "$1000");
  EXPECT_EQ(Bench.Module.Symbols.ValueText(1), "$0F");
  EXPECT_TRUE(Messages().empty());
}

TEST_F(OperandTest, FirstOfEqualNamesWins) {
  Bench.Module.Symbols.Add("Twice", 1);
  Bench.Module.Symbols.Add("TWICE", 2);
  EXPECT_EQ(Resolve("TWICE"), 1);
  EXPECT_EQ(Bench.Module.Symbols.Uses(0), 1u);
  EXPECT_EQ(Bench.Module.Symbols.Uses(1), 0u);
}

TEST_F(OperandTest, UnknownSymbolIsOriginInPassOneAndAnErrorInPassTwo) {
  Bench.Module.Origin = 0x2345;
  EXPECT_EQ(Resolve("LATER", true), 0x2345);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(Bench.Module.Symbols.Size(), 0u) << "no entry is made for a forward reference";

  EXPECT_EQ(Resolve("LATER", false), 0);
  EXPECT_EQ(Resolve("LATER", false), 0);
  EXPECT_EQ(Messages(), std::vector<std::string>{"Unknown constant/label"});
  EXPECT_TRUE(Bench.Session.StatusList.Lines()[0].Info->Fatal);
}

TEST_F(OperandTest, OddSymbolNamesAreLookedUpNotCrashedOn) {
  const std::string high = "\xE9\xFF\x80";
  const std::string control = "\x01\x1F";
  const std::string huge(1 << 20, 'Q');
  EXPECT_EQ(Resolve(high), 0);
  EXPECT_EQ(Resolve(control), 0);
  EXPECT_EQ(Resolve(huge), 0);
  Bench.Module.Symbols.Add(high, 0x42);
  EXPECT_EQ(Resolve(high), 0x42);
  EXPECT_EQ(Messages(), std::vector<std::string>{"Unknown constant/label"});
}

// The use count after a real two-pass run over the line processor: the
// reference above the label counts only in pass 2, the one below in both.
TEST_F(OperandTest, UseCountsAddUpOverBothPasses) {
  const std::vector<std::string> lines = {"ORIGIN $1000", "JMP LOOP", "LOOP: NOP", "JMP LOOP",
                                          "UNUSED = 5"};
  for (const bool isPass1 : {true, false}) {
    Bench.Module.Origin = 0;
    Bench.Module.LoadAddress = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      Bench.Session.CurrentLineNumber = static_cast<std::int32_t>(i + 1);
      ProcessLine(Bench.Module, lines[i], isPass1);
    }
    if (isPass1) {
      const auto loop = Bench.Module.Symbols.Find("LOOP");
      ASSERT_TRUE(loop.has_value());
      EXPECT_EQ(Bench.Module.Symbols.Uses(*loop), 1u) << "after pass 1";
    }
  }
  const auto loop = Bench.Module.Symbols.Find("LOOP");
  const auto unused = Bench.Module.Symbols.Find("UNUSED");
  ASSERT_TRUE(loop && unused);
  EXPECT_EQ(Bench.Module.Symbols.Uses(*loop), 3u);
  EXPECT_EQ(Bench.Module.Symbols.Uses(*unused), 0u);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(Bench.Code(), test::Bytes({0x4C, 0x03, 0x10, 0xEA, 0x4C, 0x03, 0x10}));
}

// Through the real driver: a label referenced only above its definition
// counts in pass 2, so it is not reported as unused.
TEST_F(OperandTest, ReferenceAboveTheDefinitionCountsAsAUse) {
  const std::vector<std::string> lines = {"ORIGIN $1000", "JMP LATER", "LATER: NOP", "IDLE: RTS"};
  ASSERT_FALSE(RunCompileCommand(Bench.Session, lines, "demo", Bench.Folder.Path()).Abandoned);
  std::vector<std::string> hints;
  for (const auto& line : Bench.Session.HintList.Lines()) hints.emplace_back(line.Text);
  EXPECT_EQ(hints, std::vector<std::string>{"Hint: IDLE never used"});
  EXPECT_TRUE(Messages().empty());
}

TEST_F(OperandTest, FileSizeTerm) {
  Bench.Folder.Write("DATA.BIN", std::string(1000, 'x'));
  Bench.Folder.Write("EMPTY.BIN", "");
  EXPECT_EQ(Resolve("!DATA.BIN"), 1000);
  EXPECT_EQ(Resolve("!EMPTY.BIN"), 0);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(OperandTest, FileSizeTermFindsTheFileIgnoringLetterCase) {
  Bench.Folder.Write("data.bin", "12345");
  EXPECT_EQ(Resolve("!DATA.BIN"), 5);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(OperandTest, FileSizeTermFailuresGiveFileErrorAndZero) {
  std::filesystem::create_directory(Bench.Folder / "SUB");
  EXPECT_EQ(Resolve("!MISSING.BIN"), 0);
  EXPECT_EQ(Resolve("!SUB"), 0);  // a directory has no size to give
  EXPECT_EQ(Resolve("!"), 0);     // no name: the folder itself
  EXPECT_EQ(Resolve("!" + std::string(5000, 'N')), 0);
  EXPECT_EQ(Messages(), std::vector<std::string>{"File error!"});
  EXPECT_TRUE(Bench.Session.StatusList.Lines()[0].Info->Fatal);
}

TEST_F(OperandTest, FileSizeTermOfAnUnreadableFileIsAFileError) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop root from reading";
  Bench.Folder.Write("SECRET.BIN", "abc");
  ::chmod((Bench.Folder / "SECRET.BIN").c_str(), 0);
  EXPECT_EQ(Resolve("!SECRET.BIN"), 0);
  EXPECT_EQ(Messages(), std::vector<std::string>{"File error!"});
}

TEST_F(OperandTest, ExternalWithoutDotIsIncorrect) {
  EXPECT_EQ(Resolve("@LIB"), 0);
  EXPECT_EQ(Resolve("@"), 0);
  EXPECT_EQ(Messages(), std::vector<std::string>{"External declaration is incorrect!"});
}

TEST_F(OperandTest, ExternalWithEmptyNameMatchesNoLine) {
  Bench.Folder.Write("LIB.qvo", "// Objects\r\nA = $01\r\n = $02\r\n");
  EXPECT_EQ(Resolve("@LIB."), 0);
  EXPECT_EQ(Messages(), std::vector<std::string>{"Unknown constant/label"});
}

// A reference names one constant: a longer name that contains it, or one
// that it contains, is another constant, and no match is an unknown name.
TEST_F(OperandTest, ExternalMatchIsTheWholeNameAndTheLastMatchWins) {
  Bench.Folder.Write("LIB.qvo", "// Objects\r\nSCREENPTR = $10\r\nSCREEN = $0C00\r\n\r\n// Code\r\n");
  EXPECT_EQ(Resolve("@LIB.SCREEN"), 3072);
  Bench.Folder.Write("LIB.qvo", "// Objects\r\nSCREEN = $0C00\r\nSCREENPTR = $10\r\n");
  EXPECT_EQ(Resolve("@LIB.SCREEN"), 3072);
  EXPECT_EQ(Resolve("@LIB.SCREENPTR"), 16);
  EXPECT_TRUE(Messages().empty());

  Bench.Folder.Write("LIB.qvo", "// Objects\r\nCLEARSCREEN = $1100\r\nX = $01\r\nX = $02\r\n");
  EXPECT_EQ(Resolve("@LIB.X"), 2);
  EXPECT_EQ(Resolve("@LIB.SCREEN"), 0);
  EXPECT_EQ(Resolve("@LIB.CLEARSCREENS"), 0);
  EXPECT_EQ(Messages(), std::vector<std::string>{"Unknown constant/label"});
}

TEST_F(OperandTest, ExternalMatchIsCaseSensitiveAndSkipsCommentsAndLinesWithoutEquals) {
  Bench.Folder.Write("LIB.qvo",
                     "// Objects\r\n"
                     "VALUE = $01\r\n"
                     "value = $02\r\n"          // other case: no match
                     "// VALUE = $03\r\n"       // a comment
                     "1000 : EA   VALUE\r\n"    // no "=": no match
                     "\tVALUE\t=\t$04\r\n"      // TABs are blanks
                     "OTHER = $05\r\n");
  EXPECT_EQ(Resolve("@LIB.VALUE"), 4);
  EXPECT_EQ(Resolve("@LIB.value"), 2);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(OperandTest, ACommentAfterAValueLeavesABlankThatMakesItMalformed) {
  Bench.Folder.Write("LIB.qvo", "VALUE = $04 // note\r\n");
  EXPECT_EQ(Resolve("@LIB.VALUE"), 4);  // the digits before the blank count
  EXPECT_EQ(Messages(), std::vector<std::string>{"Invalid number!"});
}

TEST_F(OperandTest, ExternalNameMayContainDots) {
  Bench.Folder.Write("LIB.qvo", "A = $01\r\nA.B = $02\r\n");
  EXPECT_EQ(Resolve("@LIB.A.B"), 2);
  EXPECT_EQ(Resolve("@LIB.A"), 1);
}

TEST_F(OperandTest, ExternalValueIsReadAsALiteral) {
  Bench.Folder.Write("LIB.qvo", "BIG = $12345678\r\nNEG = -5\r\nBIN = %1010 junk\r\n");
  EXPECT_EQ(Resolve("@LIB.BIG"), 0x12345678);
  EXPECT_EQ(Resolve("@LIB.NEG"), -5);
  EXPECT_EQ(Resolve("@LIB.BIN"), 10);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(OperandTest, MalformedValueOnAMatchingLineIsInvalidNumberButFound) {
  Bench.Folder.Write("LIB.qvo", "BAD = $1G\r\n");
  EXPECT_EQ(Resolve("@LIB.BAD"), 1);
  EXPECT_EQ(Messages(), std::vector<std::string>{"Invalid number!"});
}

TEST_F(OperandTest, ExternalObjectFileIsFoundIgnoringLetterCase) {
  Bench.Folder.Write("lib.qvo", "X = $2A\r\n");
  EXPECT_EQ(Resolve("@LIB.X"), 42);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(OperandTest, ExactSpellingWinsThenLowerCaseThenByteOrder) {
  Bench.Folder.Write("LIB.qvo", "X = $01\r\n");
  Bench.Folder.Write("lib.qvo", "X = $02\r\n");
  Bench.Folder.Write("Lib.qvo", "X = $03\r\n");
  EXPECT_EQ(Resolve("@LIB.X"), 1);  // the name as written exists
  std::filesystem::remove(Bench.Folder / "LIB.qvo");
  EXPECT_EQ(Resolve("@LIB.X"), 2);  // the all-lower-case spelling
  std::filesystem::remove(Bench.Folder / "lib.qvo");
  Bench.Folder.Write("LIB.QVO", "X = $04\r\n");
  EXPECT_EQ(Resolve("@LIB.X"), 4);  // "LIB.QVO" sorts before "Lib.qvo"
  EXPECT_TRUE(Messages().empty());
}

TEST_F(OperandTest, MissingObjectFileIsAFileErrorEvenWithAnOldCopyLeft) {
  Bench.Folder.Write("LIB.qvo", "X = $2A\r\n");
  EXPECT_EQ(Resolve("@LIB.X"), 42);
  ASSERT_TRUE(std::filesystem::exists(TemporaryCopy()));
  std::filesystem::remove(Bench.Folder / "LIB.qvo");
  EXPECT_EQ(Resolve("@LIB.X"), 0);
  EXPECT_EQ(Messages(), std::vector<std::string>{"File error!"});
}

TEST_F(OperandTest, ExternalFromADirectoryOrAHugeNameIsAFileError) {
  std::filesystem::create_directory(Bench.Folder / "DIR.qvo");
  EXPECT_EQ(Resolve("@DIR.X"), 0);
  EXPECT_EQ(Resolve("@" + std::string(300000, 'M') + ".X"), 0);
  EXPECT_EQ(Resolve("@.X"), 0);
  EXPECT_EQ(Messages(), std::vector<std::string>{"File error!"});
}

TEST_F(OperandTest, ObjectFileWithHugeLinesIsScanned) {
  std::string content = std::string(1 << 20, '=') + "\r\n";
  content += std::string(1 << 20, 'Z') + "\r\nWANTED = $77\r\n";
  Bench.Folder.Write("LIB.qvo", content);
  EXPECT_EQ(Resolve("@LIB.WANTED"), 0x77);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(OperandTest, TheCopyIsReplacedAtEveryReferenceAndLeftInAPrivateFolder) {
  Bench.Folder.Write("ONE.qvo", "X = $01\r\n");
  Bench.Folder.Write("TWO.qvo", "X = $02\r\nMORE = $03\r\n");
  EXPECT_EQ(Resolve("@ONE.X"), 1);
  EXPECT_EQ(test::ReadFileBytes(TemporaryCopy()), "X = $01\r\n");
  EXPECT_EQ(Resolve("@TWO.X"), 2);
  EXPECT_EQ(test::ReadFileBytes(TemporaryCopy()), "X = $02\r\nMORE = $03\r\n");
  EXPECT_EQ(Resolve("@ONE.X"), 1);
  EXPECT_EQ(test::ReadFileBytes(TemporaryCopy()), "X = $01\r\n") << "a shorter copy truncates";

  struct stat folder {};
  ASSERT_EQ(::lstat((Runtime / "qv3").c_str(), &folder), 0);
  EXPECT_TRUE(S_ISDIR(folder.st_mode));
  EXPECT_EQ(folder.st_mode & 0777, 0700u);
  EXPECT_EQ(folder.st_uid, ::getuid());
}

TEST_F(OperandTest, AssembliesRunningAtOnceEachReadTheirOwnObjectFile) {
  // Two assemblies share the private folder; each must see its own
  // module's constants however their copies interleave.
  auto objectFile = [](const std::string& value) {
    return "PADDING = $00\r\n" + std::string(4096, ';') + "\r\nX = $" + value + "\r\n";
  };
  auto resolveMany = [&](const std::string& value, int* mismatches) {
    ModuleBench bench;
    bench.Folder.Write("LIB.qvo", objectFile(value));
    const std::int32_t expected = std::stoi(value, nullptr, 16);
    for (int i = 0; i < 300; ++i)
      if (ResolveTerm(bench.Module, "@LIB.X", false) != expected) ++*mismatches;
    if (!bench.Messages().empty()) ++*mismatches;
  };
  int firstMismatches = 0;
  int secondMismatches = 0;
  std::thread first(resolveMany, "11", &firstMismatches);
  std::thread second(resolveMany, "22", &secondMismatches);
  first.join();
  second.join();
  EXPECT_EQ(firstMismatches, 0);
  EXPECT_EQ(secondMismatches, 0);
  // Only the one shared copy is left behind, holding a whole object file.
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(Runtime / "qv3"))
    left.push_back(entry.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{"~qv3tmp~.dat"});
  const auto copy = test::ReadFileBytes(TemporaryCopy());
  EXPECT_TRUE(copy == objectFile("11") || copy == objectFile("22"));
}

TEST_F(OperandTest, APlantedFolderLinkIsNotFollowed) {
  TempDir elsewhere;
  std::filesystem::create_directory_symlink(elsewhere.Path(), Runtime / "qv3");
  Bench.Folder.Write("LIB.qvo", "X = $05\r\n");
  EXPECT_EQ(Resolve("@LIB.X"), 5);
  EXPECT_FALSE(elsewhere.Exists("~qv3tmp~.dat")) << "the copy went through the planted link";
  // The fallback under TMPDIR took the copy instead.
  EXPECT_EQ(test::ReadFileBytes(Tmp / ("qv3-" + std::to_string(::getuid()) + "/~qv3tmp~.dat")),
            "X = $05\r\n");
}

TEST_F(OperandTest, AFolderOthersCanEnterIsNotUsed) {
  std::filesystem::create_directory(Runtime / "qv3");
  ::chmod((Runtime / "qv3").c_str(), 0777);
  Bench.Folder.Write("LIB.qvo", "X = $06\r\n");
  EXPECT_EQ(Resolve("@LIB.X"), 6);
  EXPECT_FALSE(std::filesystem::exists(TemporaryCopy()));
}

TEST_F(OperandTest, APlantedFileLinkIsNotFollowed) {
  TempDir victimFolder;
  victimFolder.Write("victim.txt", "precious");
  std::filesystem::create_directory(Runtime / "qv3");
  ::chmod((Runtime / "qv3").c_str(), 0700);
  std::filesystem::create_symlink(victimFolder / "victim.txt", TemporaryCopy());
  Bench.Folder.Write("LIB.qvo", "X = $07\r\n");
  const std::int32_t value = Resolve("@LIB.X");
  EXPECT_EQ(test::ReadFileBytes(victimFolder / "victim.txt"), "precious");
  // Either the link was replaced by a real copy or the reference failed cleanly.
  if (value == 7) {
    EXPECT_TRUE(Messages().empty());
  } else {
    EXPECT_EQ(value, 0);
    EXPECT_EQ(Messages(), std::vector<std::string>{"File error!"});
  }
}

std::size_t OpenDescriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++count;
  return count;
}

TEST_F(OperandTest, NoFileStaysOpenAfterFailures) {
  Bench.Folder.Write("LIB.qvo", "X = $1G\r\n");
  std::filesystem::create_directory(Bench.Folder / "DIR");
  const std::size_t before = OpenDescriptors();
  for (int i = 0; i < 10; ++i) {
    Resolve("@LIB.X");
    Resolve("@LIB.NOTHERE");
    Resolve("@NONE.X");
    Resolve("!DIR");
    Resolve("!NONE");
  }
  EXPECT_EQ(OpenDescriptors(), before);
}

// External constants read from the object file that a real compile of
// another module wrote into the same folder.
TEST_F(OperandTest, ExternalConstantsFromAnotherModulesCompile) {
  const std::vector<std::string> lib = {
      "VIDEO = $0C00",
      "COLOURS = $0800",
      "ORIGIN $2000",
      "START: NOP",
      "CLEAR: RTS",
  };
  CompileSession libSession;
  ASSERT_FALSE(RunCompileCommand(libSession, lib, "lib", Bench.Folder.Path()).Abandoned);
  ASSERT_TRUE(Bench.Folder.Exists("lib.qvo"));
  EXPECT_TRUE(test::ReportedMessages(libSession).empty());

  const std::vector<std::string> main = {
      "ORIGIN $1000",
      "LDA @LIB.VIDEO",
      "STA @LIB.COLOURS+1",
      "JSR @LIB.CLEAR",
      "JMP @LIB.START",
      "LDX #<@LIB.VIDEO",
      "LDY #>@LIB.VIDEO",
      "LDA @LIB.NOPE",
  };
  CompileSession session;
  ASSERT_FALSE(RunCompileCommand(session, main, "main", Bench.Folder.Path()).Abandoned);
  EXPECT_EQ(test::ReportedMessages(session), std::vector<std::string>{"Unknown constant/label"});
  EXPECT_FALSE(Bench.Folder.Exists("main.prg"));  // a failed module writes nothing

  CompileSession good;
  const std::vector<std::string> mainWithoutTypo(main.begin(), main.end() - 1);
  ASSERT_FALSE(RunCompileCommand(good, mainWithoutTypo, "main", Bench.Folder.Path()).Abandoned);
  EXPECT_TRUE(test::ReportedMessages(good).empty());
  EXPECT_EQ(test::ReadFileAsBytes(Bench.Folder / "main.prg"),
            test::Bytes({0x00, 0x10,                          //
                         0xAD, 0x00, 0x0C, 0x8D, 0x01, 0x08,  //
                         0x20, 0x01, 0x20, 0x4C, 0x00, 0x20,  //
                         0xA2, 0x00, 0xA0, 0x0C}));
}

}  // namespace
}  // namespace qv3
