// Fuzz target: arbitrary bytes as the source of a module, assembled through
// the compile command that qv3asm runs, in a private folder that holds the
// files a source may name. Beyond "no crash" it checks that no file is left
// open, that no program file outgrows the 64 KB address space plus its
// header, that every message line has its shape, and that assembling the
// same source twice gives the same messages and files.
#include <dirent.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/file_system.h"
#include "engine/session.h"
#include "tests/fuzz/fixture_folder.h"
#include "tests/fuzz/status_checks.h"

namespace {

constexpr std::size_t kMaxProgramSize = 65538;

struct Outcome {
  bool Abandoned = false;
  std::string Error;
  std::vector<std::string> Status;
  std::vector<std::string> Records;  // each record's fields, in line order
  std::vector<std::string> Hints;
  std::map<std::string, std::string> Files;

  bool operator==(const Outcome&) const = default;
};

[[noreturn]] void Violated(const std::string& rule) {
  std::fprintf(stderr, "fuzz_module: check failed: %s\n", rule.c_str());
  __builtin_trap();
}

int OpenDescriptors() {
  int count = 0;
  DIR* dir = ::opendir("/proc/self/fd");
  if (!dir) return -1;
  while (::readdir(dir)) ++count;
  ::closedir(dir);
  return count;
}

Outcome Assemble(qv3fuzz::FixtureFolder& folder, const std::vector<std::string>& lines) {
  folder.Reset();
  const int descriptorsBefore = OpenDescriptors();

  qv3::CompileSession session;
  session.CurrentDirectory = folder.Work();
  const qv3::CompileOutcome result = qv3::RunCompileCommand(session, lines, "fuzz", folder.Work());

  if (OpenDescriptors() != descriptorsBefore) Violated("a file descriptor was left open");
  if (const std::string broken = qv3fuzz::CheckMessageLists(session, result.Abandoned); !broken.empty())
    Violated(broken);

  Outcome outcome;
  outcome.Abandoned = result.Abandoned;
  outcome.Error = result.Error;
  for (const auto& line : session.StatusList.Lines()) {
    outcome.Status.push_back(line.Text);
    if (line.Info)
      outcome.Records.push_back(std::to_string(line.Info->Line) + "/" +
                                std::to_string(line.Info->Pass) + "/" +
                                (line.Info->Fatal ? "F/" : "W/") + line.Info->FileName);
  }
  for (const auto& line : session.HintList.Lines()) outcome.Hints.push_back(line.Text);
  outcome.Files = folder.Snapshot();
  for (const auto& [name, content] : outcome.Files) {
    const bool program = name.size() >= 4 && name.compare(name.size() - 4, 4, ".prg") == 0;
    if (program && content.size() > kMaxProgramSize)
      Violated(name + " holds " + std::to_string(content.size()) + " bytes");
  }
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static qv3fuzz::FixtureFolder folder;  // one private folder per process
  const std::string_view source(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> lines = qv3::SplitLines(source);

  const Outcome first = Assemble(folder, lines);
  const Outcome second = Assemble(folder, lines);
  if (!(first == second)) Violated("assembling the same source twice gave different results");
  return 0;
}
