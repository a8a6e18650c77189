// Whole compiles through the engine: the golden cases, the example programs,
// and bad input that must end in diagnostics rather than crashes or hangs.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "tests/engine/e2e_support.h"

namespace qv3 {
namespace {

using e2e::CompileSource;
using e2e::ScratchFolder;
using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

constexpr char kVerdict[] = "Compile failed because of fatal error(s)!";

// ------------------------------------------------------------ golden cases

class GoldenCaseTest : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenCaseTest, MatchesItsExpectedMessagesAndFiles) {
  const e2e::GoldenCase golden = e2e::LoadGoldenCase(GetParam());
  ScratchFolder folder;
  e2e::CopyGoldenSources(golden, folder);
  CompileSession session;
  const CompileOutcome outcome =
      CompileSource(session, folder, CutAtFirstDot(golden.TopFile), *folder.Read(golden.TopFile));
  ASSERT_FALSE(outcome.Abandoned) << outcome.Error;
  EXPECT_EQ(e2e::Texts(session.StatusList), e2e::WithFolder(golden.Status, folder.Path()));
  EXPECT_EQ(e2e::Texts(session.HintList), golden.Hints);
  EXPECT_EQ(session.FatalFlag, !golden.Status.empty() && golden.Status.back() == kVerdict);
  e2e::ExpectGoldenOutputs(golden, folder);
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenCaseTest, ::testing::ValuesIn(e2e::GoldenCaseNames()),
                         [](const auto& info) { return info.param; });

// --------------------------------------------------------------- examples

// Copies an example folder (without outputs of an earlier run) to scratch.
void CopyExample(std::string_view name, const ScratchFolder& folder) {
  const auto source = std::filesystem::path(QV3_SOURCE_DIR) / "examples" / name;
  for (const auto& entry : std::filesystem::directory_iterator(source)) {
    const auto ext = entry.path().extension();
    if (ext == ".qv3" || ext == ".inc")
      std::filesystem::copy(entry.path(), folder.PathOf(entry.path().filename().string()));
  }
}

bool AnyFatal(const CompileSession& session) {
  for (const auto& line : session.StatusList.Lines())
    if (line.Info && line.Info->Fatal) return true;
  return false;
}

// The BASIC start line "10 SYS nnnn" at $1001 must call the first byte after
// the BASIC program, whose end is the null pointer behind the line.
void ExpectBasicStartLine(const std::string& program) {
  ASSERT_GT(program.size(), 16u);
  EXPECT_EQ(e2e::Hex(program.substr(0, 2)), "01 10");  // load address $1001
  const auto at = [&](int address) {
    return static_cast<unsigned char>(program[static_cast<std::size_t>(address - 0x1001 + 2)]);
  };
  const int next = at(0x1001) | at(0x1002) << 8;
  EXPECT_EQ(at(0x1003) | at(0x1004) << 8, 10);  // line number
  EXPECT_EQ(at(0x1005), 0x9E);                  // SYS
  std::string digits;
  for (int a = 0x1006; at(a) != 0; ++a) digits += static_cast<char>(at(a));
  EXPECT_EQ(next, 0x1006 + static_cast<int>(digits.size()) + 1);  // just behind the line
  EXPECT_EQ(at(next) | at(next + 1) << 8, 0);                      // end of BASIC
  EXPECT_EQ(std::stoi(digits), next + 2);
}

TEST(Examples, HelloAssemblesWithoutFatalDiagnosticsToItsSize) {
  ScratchFolder folder;
  CopyExample("hello", folder);
  CompileSession session;
  ASSERT_FALSE(CompileSource(session, folder, "hello", *folder.Read("hello.qv3")).Abandoned);
  EXPECT_FALSE(AnyFatal(session)) << e2e::Texts(session.StatusList)[1];
  EXPECT_FALSE(session.FatalFlag);
  const std::string program = *folder.Read("hello.prg");
  EXPECT_EQ(program.size(), 86u);
  ExpectBasicStartLine(program);
  // The TED colour registers are written: STA $FF15 and STA $FF19.
  EXPECT_NE(program.find(e2e::Bytes({0x8D, 0x15, 0xFF})), std::string::npos);
  EXPECT_NE(program.find(e2e::Bytes({0x8D, 0x19, 0xFF})), std::string::npos);
}

TEST(Examples, TwoModulesConvergeInOneCompileFromAnEmptyFolder) {
  ScratchFolder folder;
  CopyExample("twomodule", folder);
  CompileSession session;
  ASSERT_FALSE(CompileSource(session, folder, "main", *folder.Read("main.qv3")).Abandoned);
  EXPECT_FALSE(AnyFatal(session));
  EXPECT_FALSE(session.FatalFlag);
  EXPECT_EQ(session.ModulesCompiledTwice, (Lines{"MAIN", "LIB"}));
  const std::string program = *folder.Read("main.prg");
  const std::string library = *folder.Read("lib.prg");
  EXPECT_EQ(program.size(), 307u);
  EXPECT_EQ(library.size(), 50u);
  ExpectBasicStartLine(program);
  // The library sits at $1100 inside main.prg.
  EXPECT_EQ(program.substr(0x1100 - 0x1001 + 2), library);
  // main calls the library's routines at their addresses in lib.qvo.
  EXPECT_NE(program.find(e2e::Bytes({0x20, 0x00, 0x11})), std::string::npos);  // JSR $1100

  // main's first compile failed (no lib.qvo yet): its "Failed" line went
  // with its diagnostics, and no main.prg was written by it.
  const std::string& dir = folder.Path();
  const Lines converged = {e2e::CompilingLine(dir, "lib"),  e2e::SuccessLine("lib"),
                           e2e::CompilingLine(dir, "main"), e2e::SuccessLine("main"),
                           e2e::CompilingLine(dir, "lib"),  e2e::SuccessLine("lib")};
  Lines expected = converged;
  expected.insert(expected.begin(), e2e::CompilingLine(dir, "main"));
  EXPECT_EQ(e2e::Texts(session.StatusList), expected);
  // What runs is main's program, written by its second compile.
  EXPECT_EQ(session.TopModuleProgramPath, folder.PathOf("main.prg"));

  // A second compile over the outputs of the first changes no byte, and
  // this time main's first compile finds lib's files and succeeds.
  CompileSession again;
  CompileSource(again, folder, "main", *folder.Read("main.qv3"));
  EXPECT_EQ(*folder.Read("main.prg"), program);
  expected.insert(expected.begin() + 1, e2e::SuccessLine("main"));
  EXPECT_EQ(e2e::Texts(again.StatusList), expected);
}

// -------------------------------------------------------------- bad input

class BadInputTest : public ::testing::Test {
 protected:
  CompileOutcome Compile(std::string_view source) {
    return CompileSource(session, folder, "bad", source);
  }
  Lines Status() const { return e2e::Texts(session.StatusList); }
  bool Listed(std::string_view text) const {
    for (const auto& line : Status())
      if (line.find(text) != std::string::npos) return true;
    return false;
  }
  ScratchFolder folder;
  CompileSession session;
};

TEST_F(BadInputTest, BinaryGarbageSourceIsDiagnosed) {
  std::mt19937 random(4109);
  std::string garbage(64 * 1024, '\0');
  for (char& c : garbage) c = static_cast<char>(random() & 0xFF);
  const auto start = Clock::now();
  ASSERT_FALSE(Compile(garbage).Abandoned);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
  EXPECT_TRUE(session.FatalFlag);
  EXPECT_EQ(Status().back(), kVerdict);
}

TEST_F(BadInputTest, NulBytesAndHighBytesInAndOutOfTildes) {
  using namespace std::string_literals;
  const std::string source = "ORIGIN $1000\nSCREEN ~A\0\xE9\xFF~\n"s + "\xC4\xD6\xDC: NOP\n";
  ASSERT_FALSE(Compile(source).Abandoned);
  // Names may hold any byte.
  EXPECT_FALSE(session.FatalFlag);
  EXPECT_EQ(e2e::Hex(*folder.Read("bad.prg")), "00 10 41 20 20 20 EA");
  const std::string object = e2e::CrLfLines({"// Objects", "\xC4\xD6\xDC = $1004", "", "// Code"});
  EXPECT_EQ(*folder.Read("bad.qvo"), object);
  // A NUL in an operand is no operator, and the module's files stay.
  ASSERT_FALSE(Compile(source + "LDA #1\0junk\n"s).Abandoned);
  EXPECT_TRUE(Listed("Unknown operator $00"));
  EXPECT_EQ(e2e::Hex(*folder.Read("bad.prg")), "00 10 41 20 20 20 EA");
  EXPECT_EQ(*folder.Read("bad.qvo"), object);
}

TEST_F(BadInputTest, MegabyteLinesAssembleOrDiagnose) {
  const std::string blanks(1 << 20, ' ');
  const std::string source = "ORIGIN $1000\nLDA #1" + blanks + "\n" + std::string(1 << 20, 'X') +
                             "\nSCREEN ~" + std::string(1 << 20, '\xB0') + "~\nBIN.B" + blanks + "1\n";
  const auto start = Clock::now();
  ASSERT_FALSE(Compile(source).Abandoned);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
  EXPECT_TRUE(Listed("Unknown instruction word"));
  EXPECT_TRUE(Listed("Final origin is above $FFFF - program too large!"));
  EXPECT_EQ(folder.OutputFiles(), Lines{});
}

TEST_F(BadInputTest, LeapFarAboveFFFFThenCodeWritesNoHugeFile) {
  ASSERT_FALSE(Compile("ORIGIN $1000\nNOP\nLEAP $7FFF0000\nNOP\nRTS").Abandoned);
  EXPECT_EQ(folder.OutputFiles(), Lines{});
  const std::string message = "Final origin is above $FFFF - program too large!";
  EXPECT_EQ(Status(), (Lines{"*** compiling: " + folder.PathOf("bad"),
                             e2e::FatalLine("bad", message, 4, "NOP"),
                             e2e::FatalLine("bad", message, 5, "RTS"), e2e::FailedLine("bad"), kVerdict}));
}

TEST_F(BadInputTest, OriginFarAboveFFFFWritesNoHugeFile) {
  ASSERT_FALSE(Compile("ORIGIN $7FFF0000\nLDA $1234\nBIN.W 1 2 3").Abandoned);
  // The load address is the low 16 bits ($0000); the code lies 2 GB past it,
  // which fails the module: nothing is written.
  EXPECT_TRUE(session.FatalFlag);
  EXPECT_EQ(folder.OutputFiles(), Lines{});
}

TEST_F(BadInputTest, OriginWrappingPastTheTopOfTheCounterAbandonsCleanly) {
  // Origin wraps to a negative number: code below the load address, which
  // abandons the compile like any write before the program file's start.
  const CompileOutcome outcome = Compile("ORIGIN $7FFFFFFF\nNOP\nNOP");
  EXPECT_TRUE(outcome.Abandoned);
  EXPECT_NE(outcome.Error.find("bad.prg"), std::string::npos);
}

TEST_F(BadInputTest, EmptyAndBlankSources) {
  for (const char* source : {"", "\r\n", "\n\n\n", "   \t  \r\n\t"}) {
    CompileSession fresh;
    ASSERT_FALSE(CompileSource(fresh, folder, "bad", source).Abandoned);
    EXPECT_FALSE(fresh.FatalFlag);
    EXPECT_EQ(*folder.Read("bad.prg"), "");
  }
}

TEST_F(BadInputTest, IncludeOfADirectoryOrDeviceIsAFileError) {
  std::filesystem::create_directory(folder.PathOf("dir.inc"));
  ASSERT_EQ(::symlink("/dev/zero", folder.PathOf("zero.inc").c_str()), 0);
  ASSERT_FALSE(Compile("INCLUDE DIR.INC\nINCLUDE ZERO.INC").Abandoned);
  EXPECT_EQ(Status()[1], e2e::FatalLine("bad", "File error!", 1, "INCLUDE DIR.INC"));
  EXPECT_EQ(Status()[2], e2e::FatalLine("bad", "File error!", 2, "INCLUDE ZERO.INC"));
}

TEST_F(BadInputTest, CyclicIncludesEndAtTheDepthLimit) {
  folder.Write("a.inc", "NOP\nINCLUDE B.INC\n");
  folder.Write("b.inc", "INCLUDE A.INC\nINCLUDE A.INC\nINCLUDE B.INC\n");
  const auto start = Clock::now();
  ASSERT_FALSE(Compile("ORIGIN $1000\nINCLUDE A.INC\nRTS").Abandoned);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
  EXPECT_TRUE(session.FatalFlag);
  // The line after still assembles: no diagnostic names it.
  for (const auto& line : session.StatusList.Lines())
    if (line.Info) EXPECT_NE(line.Info->Line, 3) << line.Text;
  EXPECT_EQ(Status()[Status().size() - 2], e2e::FailedLine("bad"));
}

// About 4 s in a Debug build on a busy machine, most of it in the line-by-
// line work of both passes; named Slow so that a quick run can leave it out
// (--gtest_filter=-Slow*).
using SlowBadInputTest = BadInputTest;

TEST_F(SlowBadInputTest, MillionShortLinesFinish) {
  std::string source = "ORIGIN $1000\n";
  source.reserve(8u << 20);
  for (int i = 1; i < 1000000; ++i) {
    if (i % 1000 == 0)
      source += "ORIGIN $1000\n";  // keeps the code inside 64 KB
    else if (i % 3 == 0)
      source += "// note\n";
    else
      source += "NOP\n";
  }
  const auto start = Clock::now();
  ASSERT_FALSE(Compile(source).Abandoned);
  const auto elapsed = Clock::now() - start;
  EXPECT_FALSE(session.FatalFlag);
  EXPECT_EQ(folder.Read("bad.prg")->size(), 2u + 666u);
  RecordProperty("milliseconds",
                 std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
  EXPECT_LT(elapsed, std::chrono::seconds(20));
}

}  // namespace
}  // namespace qv3
