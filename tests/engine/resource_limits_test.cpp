// Limits a user can rely on, whatever the source: very large sources
// assemble in memory proportional to their size and in bounded time,
// INCLUDE cycles end, and BINARY, INCLUDE and "!" of special files are file
// errors rather than endless reads. Every case runs in a child process
// under a deadline, so a hang fails its test instead of stalling the suite,
// and the child's peak memory is its own.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/diagnostics.h"
#include "engine/file_system.h"
#include "engine/compile_command.h"
#include "engine/session.h"

namespace qv3 {
namespace {

constexpr std::size_t kTenMegabytes = 10u * 1024 * 1024;

// The heavy cases measure time and memory of optimised code; a build
// without NDEBUG (Debug, the sanitizer build) skips them to stay quick.
#ifdef NDEBUG
constexpr bool kOptimisedBuild = true;
#else
constexpr bool kOptimisedBuild = false;
#endif
#define SKIP_UNLESS_OPTIMISED() \
  if (!kOptimisedBuild) GTEST_SKIP() << "heavy resource case: runs in optimised builds only"

// A fresh private folder, removed with its contents afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/qv3-limits-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    path_ = pattern + "/";
  }
  ~ScratchFolder() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return path_; }
  void Write(const std::string& name, std::string_view content) const {
    std::ofstream(path_ + name, std::ios::binary).write(content.data(),
                                                        static_cast<std::streamsize>(content.size()));
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(path_ + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

 private:
  std::string path_;
};

struct Assembly {
  CompileSession Session;
  CompileOutcome Outcome;
};

void Assemble(Assembly& assembly, const ScratchFolder& folder, const std::vector<std::string>& lines) {
  assembly.Session.CurrentDirectory = folder.Path();
  assembly.Outcome = RunCompileCommand(assembly.Session, lines, "big", folder.Path());
}

// How many Status lines report code (a detail may follow the message).
int Reports(const CompileSession& session, ErrorCode code) {
  const std::string needle = ": " + std::string(ErrorMessage(code)) + " ";
  int count = 0;
  for (const auto& line : session.StatusList.Lines())
    if (line.Info && line.Text.find(needle) != std::string::npos) ++count;
  return count;
}

int Diagnostics(const CompileSession& session) {
  int count = 0;
  for (const auto& line : session.StatusList.Lines()) count += line.Info ? 1 : 0;
  return count;
}

long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
  return -1;
}

double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// What a child run reports: the first expectation it found broken (empty
// when all held), its peak memory growth and its processor time.
struct ChildReport {
  bool Finished = false;
  std::string Failure;
  long PeakGrowthKb = 0;
  double CpuSeconds = 0;
};

// Runs work in a forked child that is killed after deadline seconds. work
// returns an empty text when its expectations hold, else what broke.
ChildReport RunInChild(const std::function<std::string()>& work, unsigned deadline = 60) {
  int channel[2];
  if (::pipe(channel) != 0) return {false, "pipe failed"};
  const pid_t child = ::fork();
  if (child < 0) return {false, "fork failed"};
  if (child == 0) {
    ::close(channel[0]);
    ::alarm(deadline);
    // Resets the peak resident size, so the child's peak is its own.
    if (FILE* clear = std::fopen("/proc/self/clear_refs", "w")) {
      std::fputs("5", clear);
      std::fclose(clear);
    }
    const long startKb = StatusKb("VmRSS:");
    const double startCpu = CpuSeconds();
    const std::string failure = work();
    std::ostringstream report;
    report << (StatusKb("VmHWM:") - startKb) << ' ' << (CpuSeconds() - startCpu) << ' ' << failure;
    const std::string text = report.str();
    [[maybe_unused]] auto written = ::write(channel[1], text.data(), text.size());
    ::_exit(0);
  }
  ::close(channel[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<std::size_t>(got));
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  ChildReport report;
  if (WIFSIGNALED(status)) {
    report.Failure = WTERMSIG(status) == SIGALRM
                         ? "did not finish within " + std::to_string(deadline) + " s"
                         : "killed by signal " + std::to_string(WTERMSIG(status));
    return report;
  }
  std::istringstream in(text);
  in >> report.PeakGrowthKb >> report.CpuSeconds;
  std::getline(in >> std::ws, report.Failure);
  report.Finished = !in.bad() && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return report;
}

// The caller holds the source twice (its text and its line list, each line
// a string object of its own), so even a perfectly frugal engine peaks at
// about three times the source; six times plus a fixed 64 MB for the
// runtime leaves room for the engine's working copies of a line and its
// outputs, but not for anything that grows per byte or per line beyond that.
void ExpectFrugal(const ChildReport& report, std::size_t sourceBytes) {
  ASSERT_TRUE(report.Finished) << report.Failure;
  std::printf("[ measured ] source %zu KB, peak growth %ld KB, %.2f s processor time\n",
              sourceBytes / 1024, report.PeakGrowthKb, report.CpuSeconds);
  EXPECT_EQ(report.Failure, "");
  EXPECT_LE(report.PeakGrowthKb, static_cast<long>(6 * sourceBytes / 1024 + 64 * 1024))
      << "peak memory growth for a source of " << sourceBytes << " bytes";
  EXPECT_LT(report.CpuSeconds, 5.0);
}

std::string Expect(bool holds, const std::string& what) { return holds ? "" : what; }

// A source of one long line after "ORIGIN $1000", assembled in the child;
// check looks at the result.
ChildReport AssembleLongLine(const std::function<std::string()>& makeLine,
                             const std::function<std::string(const Assembly&, const ScratchFolder&)>& check,
                             std::size_t& sourceBytes) {
  sourceBytes = kTenMegabytes;
  return RunInChild([&] {
    ScratchFolder folder;
    Assembly assembly;
    {
      const std::string text = "ORIGIN $1000\r\n" + makeLine() + "\r\n";
      Assemble(assembly, folder, SplitLines(text));
    }
    if (assembly.Outcome.Abandoned) return "abandoned: " + assembly.Outcome.Error;
    return check(assembly, folder);
  });
}

std::string Repeat(std::string_view piece, std::size_t bytes) {
  std::string text;
  text.reserve(bytes + piece.size());
  while (text.size() < bytes) text += piece;
  return text;
}

constexpr int kBlocks = 1000, kLinesPerBlock = 1000;
constexpr const char* kBlockBody[] = {"  LDA $D000,X  // read", "  STA $0C00,X", "\tINX", "// comment",
                                      "", "  BIN.B $01 $02", "  SCREEN ~ab~"};
constexpr std::size_t kBlockBodyBytes[] = {3, 3, 1, 0, 0, 2, 2};  // code bytes of each body line

// A million lines in blocks of a thousand; each block starts again at
// $1000, so the program stays one block long.
std::string MillionLineSource() {
  std::string text;
  for (int block = 0; block < kBlocks; ++block) {
    text += "ORIGIN $1000\r\nLOOP" + std::to_string(block) + ": LDX #$00\r\n";
    for (int i = 0; i < kLinesPerBlock - 3; ++i) {
      text += kBlockBody[i % 7];
      text += "\r\n";
    }
    text += "  JMP LOOP" + std::to_string(block) + "\r\n";
  }
  return text;
}

TEST(ResourceLimits, MillionLineSourceAssemblesInBoundedMemoryAndTime) {
  SKIP_UNLESS_OPTIMISED();
  const std::size_t sourceBytes = MillionLineSource().size();
  const ChildReport report = RunInChild([&] {
    ScratchFolder folder;
    Assembly assembly;
    std::size_t programSize = 0;
    {
      const std::string text = MillionLineSource();
      const std::vector<std::string> lines = SplitLines(text);
      if (lines.size() != static_cast<std::size_t>(kBlocks * kLinesPerBlock)) return std::string("line count");
      Assemble(assembly, folder, lines);
      programSize = folder.Read("big.prg").size();
    }
    const auto& status = assembly.Session.StatusList.Lines();
    if (status.size() != 2 || status[1].Text != "Success (big)!")
      return "no clean result: " + (status.size() > 1 ? std::string(status[1].Text) : std::string());
    std::size_t block = 2 + 3;  // LDX #, JMP
    for (int i = 0; i < kLinesPerBlock - 3; ++i) block += kBlockBodyBytes[i % 7];
    return Expect(programSize == 2 + block, "program size " + std::to_string(programSize));
  });
  ExpectFrugal(report, sourceBytes);
}

TEST(ResourceLimits, TenMegabyteCommentLine) {
  SKIP_UNLESS_OPTIMISED();
  std::size_t bytes = 0;
  const auto report = AssembleLongLine(
      [] { return " NOP // " + Repeat("comment ", kTenMegabytes); },
      [](const Assembly& a, const ScratchFolder& folder) {
        return Expect(Diagnostics(a.Session) == 0 && folder.Read("big.prg") == std::string("\x00\x10\xEA", 3),
                      "NOP after a long comment");
      },
      bytes);
  ExpectFrugal(report, bytes);
}

TEST(ResourceLimits, TenMegabyteScreenTextStopsAtTheAddressSpace) {
  SKIP_UNLESS_OPTIMISED();
  std::size_t bytes = 0;
  const auto report = AssembleLongLine(
      [] { return "SCREEN ~" + Repeat("A", kTenMegabytes) + "~"; },
      [](const Assembly& a, const ScratchFolder& folder) {
        const std::string program = folder.Read("big.prg");
        // Too large: the module fails and writes no program file.
        return Expect(Reports(a.Session, Err::OriginAboveFFFF) == 1 && program.empty(),
                      "one code 14 and no program file");
      },
      bytes);
  ExpectFrugal(report, bytes);
}

TEST(ResourceLimits, TenMegabytesOfByteValues) {
  SKIP_UNLESS_OPTIMISED();
  std::size_t bytes = 0;
  const auto report = AssembleLongLine(
      [] { return "BIN.B" + Repeat(" $2A", kTenMegabytes); },
      [](const Assembly& a, const ScratchFolder& folder) {
        const std::string program = folder.Read("big.prg");
        return Expect(Reports(a.Session, Err::OriginAboveFFFF) == 1 && Diagnostics(a.Session) == 1 &&
                          program.empty(),
                      "one code 14 and no program file");
      },
      bytes);
  ExpectFrugal(report, bytes);
}

TEST(ResourceLimits, TenMegabytesOfMalformedWordValues) {
  SKIP_UNLESS_OPTIMISED();
  std::size_t bytes = 0;
  const auto report = AssembleLongLine(
      [] { return "BIN.W" + Repeat(" $1G", kTenMegabytes); },
      [](const Assembly& a, const ScratchFolder& folder) {
        const std::string program = folder.Read("big.prg");
        return Expect(Reports(a.Session, Err::InvalidNumber) == 1 &&
                          Reports(a.Session, Err::OriginAboveFFFF) == 1 && program.empty(),
                      "one code 1, one code 14 and no program file");
      },
      bytes);
  ExpectFrugal(report, bytes);
}

TEST(ResourceLimits, TenMegabyteOperand) {
  SKIP_UNLESS_OPTIMISED();
  std::size_t bytes = 0;
  const auto report = AssembleLongLine(
      [] { return " LDA $" + Repeat("0", kTenMegabytes) + "1"; },
      [](const Assembly& a, const ScratchFolder& folder) {
        return Expect(Diagnostics(a.Session) == 0 &&
                          folder.Read("big.prg") == std::string("\x00\x10\xA5\x01", 4),
                      "LDA $01 in zero-page form");
      },
      bytes);
  ExpectFrugal(report, bytes);
}

// Ten megabytes of expression: a sum of five million terms is read in one
// sweep; ten million brackets are refused at the nesting limit, not by a
// stack overflow.
TEST(ResourceLimits, TenMegabyteExpressions) {
  SKIP_UNLESS_OPTIMISED();
  std::size_t bytes = 0;
  const std::size_t terms = kTenMegabytes / 2;  // "+1" each
  const auto sum = AssembleLongLine(
      [] { return " LDA #1" + Repeat("+1", kTenMegabytes); },
      [&](const Assembly& a, const ScratchFolder& folder) {
        const char low = static_cast<char>((terms + 1) & 0xFF);
        return Expect(Diagnostics(a.Session) == 1 && Reports(a.Session, Err::ValueDoesNotFit) == 1 &&
                          folder.Read("big.prg") == std::string("\x00\x10\xA9", 3) + low,
                      "the low byte of the sum and one value-range warning");
      },
      bytes);
  ExpectFrugal(sum, bytes);
  const auto nested = AssembleLongLine(
      [] { return " LDA #" + Repeat("[", kTenMegabytes) + "1"; },
      [](const Assembly& a, const ScratchFolder&) {
        return Expect(Reports(a.Session, Err::ExpressionTooDeep) == 1, "one nesting report");
      },
      bytes);
  ExpectFrugal(nested, bytes);
}

TEST(ResourceLimits, TenMegabyteLabel) {
  SKIP_UNLESS_OPTIMISED();
  std::size_t bytes = 0;
  const auto report = AssembleLongLine(
      [] { return Repeat("L", kTenMegabytes) + ": NOP"; },
      [](const Assembly& a, const ScratchFolder& folder) {
        return Expect(Diagnostics(a.Session) == 0 && a.Session.HintList.Size() == 1 &&
                          folder.Read("big.prg") == std::string("\x00\x10\xEA", 3),
                      "a labelled NOP and one never-used hint");
      },
      bytes);
  ExpectFrugal(report, bytes);
}

TEST(ResourceLimits, TenMegabyteCompileList) {
  SKIP_UNLESS_OPTIMISED();
  std::size_t bytes = 0;
  const auto report = AssembleLongLine(
      [] { return "COMPILE " + Repeat("A,", kTenMegabytes); },
      [](const Assembly& a, const ScratchFolder&) {
        return Expect(Reports(a.Session, Err::FileError) == 1, "one code 8 for the missing module A");
      },
      bytes);
  ExpectFrugal(report, bytes);
}

// INCLUDE cycles and special files: quick, so every build runs them.

ChildReport AssembleInFolder(const std::function<void(const ScratchFolder&)>& prepare,
                             std::string_view source,
                             const std::function<std::string(const Assembly&)>& check,
                             unsigned deadline = 20) {
  return RunInChild(
      [&] {
        ScratchFolder folder;
        prepare(folder);
        Assembly assembly;
        Assemble(assembly, folder, SplitLines(source));
        if (assembly.Outcome.Abandoned) return "abandoned: " + assembly.Outcome.Error;
        return check(assembly);
      },
      deadline);
}

void ExpectHolds(const ChildReport& report) {
  ASSERT_TRUE(report.Finished) << report.Failure;
  EXPECT_EQ(report.Failure, "");
}

TEST(ResourceLimits, IncludeOfItselfEndsWithFileError) {
  ExpectHolds(AssembleInFolder(
      [](const ScratchFolder& f) { f.Write("self.qv3", " NOP\r\nINCLUDE SELF.QV3\r\n"); },
      "ORIGIN $1000\r\nINCLUDE SELF.QV3\r\n RTS\r\n", [](const Assembly& a) {
        return Expect(Reports(a.Session, Err::FileError) == 1 && Diagnostics(a.Session) == 1,
                      "exactly one code 8");
      }));
}

TEST(ResourceLimits, IncludeCycleThroughTwoFilesEndsWithFileError) {
  ExpectHolds(AssembleInFolder(
      [](const ScratchFolder& f) {
        f.Write("a.qv3", "INCLUDE B.QV3\r\n NOP\r\n");
        f.Write("b.qv3", "INCLUDE A.QV3\r\n NOP\r\n");
      },
      "ORIGIN $1000\r\nINCLUDE A.QV3\r\n", [](const Assembly& a) {
        return Expect(Reports(a.Session, Err::FileError) == 1, "exactly one code 8");
      }));
}

// Two INCLUDE lines of the file itself double the work at every level; a
// limit on the depth alone would leave 2^depth lines to process.
TEST(ResourceLimits, IncludeOfItselfTwiceEndsQuickly) {
  ExpectHolds(AssembleInFolder(
      [](const ScratchFolder& f) {
        f.Write("twice.qv3", " NOP\r\nINCLUDE TWICE.QV3\r\nINCLUDE TWICE.QV3\r\n");
      },
      "ORIGIN $1000\r\nINCLUDE TWICE.QV3\r\n", [](const Assembly& a) {
        return Expect(Reports(a.Session, Err::FileError) == 1, "exactly one code 8");
      }));
}

TEST(ResourceLimits, DeepIncludeChainEndsAtTheDepthLimit) {
  constexpr int kFiles = 100;
  ExpectHolds(AssembleInFolder(
      [](const ScratchFolder& f) {
        for (int i = 0; i < kFiles; ++i)
          f.Write("n" + std::to_string(i) + ".qv3",
                  " NOP\r\nINCLUDE N" + std::to_string(i + 1) + ".QV3\r\n");
      },
      "ORIGIN $1000\r\nINCLUDE N0.QV3\r\n", [](const Assembly& a) {
        return Expect(Reports(a.Session, Err::FileError) == 1, "exactly one code 8 at the limit");
      }));
}

// Special files a source can reach through a name in its folder.
void PrepareSpecialFiles(const ScratchFolder& f) {
  ::symlink("/dev/zero", (f.Path() + "zero.bin").c_str());
  ::symlink("/dev/urandom", (f.Path() + "random.bin").c_str());
  ::mkdir((f.Path() + "folder.bin").c_str(), 0700);
  ::mkfifo((f.Path() + "pipe.bin").c_str(), 0600);
}

TEST(ResourceLimits, BinaryOfDevicesFoldersAndPipesIsAFileError) {
  for (const char* name : {"ZERO.BIN", "RANDOM.BIN", "FOLDER.BIN", "PIPE.BIN", "/DEV/ZERO"}) {
    SCOPED_TRACE(name);
    ExpectHolds(AssembleInFolder(PrepareSpecialFiles,
                                 std::string("ORIGIN $1000\r\nBINARY ") + name + "\r\n NOP\r\n",
                                 [](const Assembly& a) {
                                   return Expect(Reports(a.Session, Err::FileError) == 1 &&
                                                     Diagnostics(a.Session) == 1,
                                                 "exactly one code 8");
                                 }));
  }
}

TEST(ResourceLimits, IncludeAndSizeOfSpecialFilesAreFileErrors) {
  for (const char* name : {"ZERO.BIN", "FOLDER.BIN", "PIPE.BIN"}) {
    SCOPED_TRACE(name);
    ExpectHolds(AssembleInFolder(PrepareSpecialFiles,
                                 std::string("ORIGIN $1000\r\nINCLUDE ") + name + "\r\n LDA !" + name +
                                     "\r\n",
                                 [](const Assembly& a) {
                                   return Expect(Reports(a.Session, Err::FileError) == 2,
                                                 "code 8 for INCLUDE and for the size term");
                                 }));
  }
}

// A sparse file far beyond the address space: only what fits is read.
TEST(ResourceLimits, BinaryOfAHugeFileReadsOnlyWhatFits) {
  ExpectHolds(AssembleInFolder(
      [](const ScratchFolder& f) {
        const int fd = ::open((f.Path() + "huge.bin").c_str(), O_WRONLY | O_CREAT, 0600);
        [[maybe_unused]] int resized = ::ftruncate(fd, 3LL << 30);
        ::close(fd);
      },
      "ORIGIN $1000\r\n LDA #!HUGE.BIN\r\nBINARY HUGE.BIN\r\n", [](const Assembly& a) {
        return Expect(Reports(a.Session, Err::OriginAboveFFFF) == 1 &&
                          Reports(a.Session, Err::InvalidNumber) == 1,
                      "code 14 for the bytes beyond 64 KB, code 1 for a size beyond 31 bits");
      }));
}

}  // namespace
}  // namespace qv3
