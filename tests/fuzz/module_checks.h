// Assembles a module source in a fixture folder the way qv3asm does and
// checks what must hold for any source: no file left open, no program file
// beyond the 64 KB address space plus its header, well-formed message
// lines, the same results when the same source is assembled again, and
// the same results when its lines are indented or their letter case changed.
// Shared by the module fuzz target and the regression tests.
#pragma once

#include <dirent.h>

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/file_system.h"
#include "engine/compile_command.h"
#include "engine/session.h"
#include "tests/fuzz/fixture_folder.h"
#include "tests/fuzz/status_checks.h"

namespace qv3fuzz {

inline constexpr std::size_t kMaxProgramSize = 65538;

// Everything an assembly leaves behind that a second one must repeat.
struct ModuleOutcome {
  bool Abandoned = false;
  std::string Error;
  std::vector<std::string> Status;
  std::vector<std::string> Records;  // each record's fields, in line order
  std::vector<std::string> Hints;
  std::map<std::string, std::string> Files;

  bool operator==(const ModuleOutcome&) const = default;
};

inline int OpenDescriptors() {
  int count = 0;
  DIR* dir = ::opendir("/proc/self/fd");
  if (!dir) return -1;
  while (::readdir(dir)) ++count;
  ::closedir(dir);
  return count;
}

// One assembly of the module "fuzz" from a freshly reset folder. Returns a
// description of the first broken rule, or an empty text.
inline std::string AssembleChecked(FixtureFolder& folder, const std::vector<std::string>& lines,
                                   ModuleOutcome& outcome) {
  folder.Reset();
  const int descriptorsBefore = OpenDescriptors();

  qv3::CompileSession session;
  session.CurrentDirectory = folder.Work();
  const qv3::CompileOutcome result = qv3::RunCompileCommand(session, lines, "fuzz", folder.Work());

  if (OpenDescriptors() != descriptorsBefore) return "a file descriptor was left open";
  if (std::string broken = CheckMessageLists(session, result.Abandoned); !broken.empty())
    return broken;

  outcome = {};
  outcome.Abandoned = result.Abandoned;
  outcome.Error = result.Error;
  for (const auto& line : session.StatusList.Lines()) {
    outcome.Status.emplace_back(line.Text);
    if (line.Info)
      outcome.Records.push_back(std::to_string(line.Info->Line) + "/" +
                                std::to_string(line.Info->Pass) + "/" +
                                (line.Info->Fatal ? "F/" : "W/") + line.Info->FileName);
  }
  for (const auto& line : session.HintList.Lines()) outcome.Hints.emplace_back(line.Text);
  outcome.Files = folder.Snapshot();
  for (const auto& [name, content] : outcome.Files) {
    const bool program = name.size() >= 4 && name.compare(name.size() - 4, 4, ".prg") == 0;
    if (program && content.size() > kMaxProgramSize)
      return name + " holds " + std::to_string(content.size()) + " bytes";
  }
  return {};
}

// The same line indented by a TAB, with the letter case of A..Z / a..z
// swapped outside "~" stretches. The engine upper-cases every line outside
// tildes and normalises its blanks before reading it, so this changes
// nothing but the line texts that diagnostics quote.
inline std::string Disguised(std::string_view line) {
  std::string disguised = "\t";
  bool inside = false;
  for (char c : line) {
    if (c == '~')
      inside = !inside;
    else if (!inside && c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    else if (!inside && c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
    disguised += c;
  }
  return disguised;
}

// Diagnostic lines without the quoted line text, which disguising changes,
// and in upper case: the text of an ERROR or WARNING line is shown as typed,
// and the Status list itself takes lines that differ only in case as equal.
inline ModuleOutcome WithoutQuotedTexts(ModuleOutcome outcome) {
  for (std::string& line : outcome.Status) {
    const auto at = line.find(" (at line: ");
    const auto quote = at == std::string::npos ? at : line.find(" \"", at);
    const auto tail = line.rfind("\", pass: ");
    if (quote != std::string::npos && tail != std::string::npos && tail > quote)
      line.erase(quote + 2, tail - quote - 2);
    for (char& c : line)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return outcome;
}

// Assembles source twice and its disguised form once, and checks every
// assembly, that the two of the same source agree, and that the disguised
// one differs only in the quoted line texts.
inline std::string CheckModuleSource(FixtureFolder& folder, std::string_view source) {
  const std::vector<std::string> lines = qv3::SplitLines(source);
  ModuleOutcome first, second, disguised;
  if (std::string broken = AssembleChecked(folder, lines, first); !broken.empty()) return broken;
  if (std::string broken = AssembleChecked(folder, lines, second); !broken.empty()) return broken;
  if (!(first == second)) return "assembling the same source twice gave different results";

  std::vector<std::string> disguisedLines;
  disguisedLines.reserve(lines.size());
  for (const auto& line : lines) disguisedLines.push_back(Disguised(line));
  if (std::string broken = AssembleChecked(folder, disguisedLines, disguised); !broken.empty())
    return "disguised source: " + broken;
  if (!(WithoutQuotedTexts(first) == WithoutQuotedTexts(disguised)))
    return "indenting by a TAB or changing letter case outside tildes changed the results";
  return {};
}

}  // namespace qv3fuzz
