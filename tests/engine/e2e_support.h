// Helpers shared by the line-processor, driver, compile-command, end-to-end
// and command-line tests: scratch folders, files, byte strings, expected
// message lines, and compiling a module the way the front ends do.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/directives.h"
#include "engine/file_system.h"
#include "engine/module.h"
#include "engine/module_assembly.h"
#include "engine/compile_command.h"
#include "engine/session.h"
#include "engine/source_text.h"

namespace qv3::e2e {

// A fresh folder under the system's temporary folder, removed with all its
// contents when the test ends.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qv3-e2e-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern + "/";
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder's absolute path, ending in "/".
  const std::string& Path() const { return path_; }
  std::string PathOf(std::string_view name) const { return path_ + std::string(name); }

  // Writes the bytes to name (sub-folders are created) and returns its path.
  std::string Write(std::string_view name, std::string_view bytes) const {
    const std::string path = PathOf(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  std::optional<std::string> Read(std::string_view name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bool Exists(std::string_view name) const { return std::filesystem::exists(PathOf(name)); }

  // The names of the ".prg" and ".qvo" files in the folder, sorted.
  std::vector<std::string> OutputFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      const std::string ext = entry.path().extension().string();
      if (ext == ".prg" || ext == ".qvo") names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
};

// A byte string from a list of byte values.
inline std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes.push_back(static_cast<char>(v));
  return bytes;
}

// Lines joined, each ending in CR LF, as the object file writes them.
inline std::string CrLfLines(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (auto line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

// Bytes as "A9 01 ..." so that a failed comparison is readable.
inline std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned char c : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[c >> 4];
    text += kDigits[c & 0xF];
  }
  return text;
}

// The diagnostic line that the reporter writes, spelled out independently of
// the engine so that a change of the format shows up in these tests.
inline std::string FatalLine(std::string_view module, std::string_view message, int line,
                             std::string_view text, int pass = 1) {
  return "Fatal in file [" + std::string(module) + "]: " + std::string(message) +
         " (at line: " + std::to_string(line) + " \"" + std::string(text) +
         "\", pass: " + std::to_string(pass) + ")";
}
inline std::string WarningLine(std::string_view module, std::string_view message, int line,
                               std::string_view text, int pass = 1) {
  return "Warning in file [" + std::string(module) + "]: " + std::string(message) +
         " (at line: " + std::to_string(line) + " \"" + std::string(text) +
         "\", pass: " + std::to_string(pass) + ")";
}

// The driver's lines around a module's assembly.
inline std::string CompilingLine(const std::string& folder, std::string_view module) {
  return "*** compiling: " + folder + std::string(module);
}
inline std::string SuccessLine(std::string_view module) {
  return "Success (" + std::string(module) + ")!";
}
// A module that ended with a fatal diagnostic: its files were not replaced.
inline std::string FailedLine(std::string_view module) {
  return "Failed (" + std::string(module) + ")!";
}

inline std::vector<std::string> Texts(const MessageList& list) {
  std::vector<std::string> texts;
  for (const auto& line : list.Lines()) texts.emplace_back(line.Text);
  return texts;
}

// The lines of a source text, split as the front ends split a file.
inline std::vector<std::string> SourceLines(std::string_view text) { return SplitLines(text); }

// Runs the shared "Compile" command on a source text for a document saved
// as folder + moduleName + ".qv3".
inline CompileOutcome CompileSource(CompileSession& session, const ScratchFolder& folder,
                                    std::string_view moduleName, std::string_view source) {
  session.CurrentDirectory = folder.Path();
  const std::vector<std::string> lines = SourceLines(source);
  return RunCompileCommand(session, lines, moduleName, folder.Path());
}

// A module whose lines are handed to ProcessLine one by one, as the driver
// would, so that the state between and after the passes can be inspected.
class LineHarness {
 public:
  LineHarness() {
    session_.CurrentDirectory = folder_.Path();
    module_.ModuleName = "t";
    module_.Directory = folder_.Path();
  }

  // Handles the lines in one pass; line numbers count from 1.
  void Pass(const std::vector<std::string>& lines, bool isPass1) {
    std::int32_t number = 0;
    for (const auto& line : lines) {
      session_.CurrentLineNumber = ++number;
      ProcessLine(module_, line, isPass1);
    }
  }
  // Both passes over the lines, with the driver's set-up between them.
  void BothPasses(const std::vector<std::string>& lines) {
    Pass(lines, true);
    StartPass2();
    Pass(lines, false);
  }
  void StartPass2() {
    module_.Origin = 0;
    module_.LoadAddress = 0;
  }

  ModuleAssembly& Module() { return module_; }
  CompileSession& Session() { return session_; }
  const ScratchFolder& Folder() const { return folder_; }
  std::string Program() const {
    const auto& bytes = module_.ProgramFile.Bytes();
    return std::string(bytes.begin(), bytes.end());
  }
  std::vector<std::string> Status() const { return Texts(session_.StatusList); }
  // The value text of a symbol, or "" when it is not defined.
  std::string Value(std::string_view name) const {
    const auto index = module_.Symbols.Find(name);
    return index ? module_.Symbols.ValueText(*index) : std::string();
  }

 private:
  ScratchFolder folder_;
  CompileSession session_;
  std::vector<std::string> noLines_;
  ModuleAssembly module_{session_, noLines_};
};

// Runs a shell command line; returns its exit status (-1 if it did not exit).
inline int RunShell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Quotes a text for the shell.
inline std::string ShellQuote(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

// ------------------------------------------------------------ golden cases
// A folder under tests/engine/cases: sources, and in expected/ the Status
// and Hints lines and the output files (see the README there).
struct GoldenCase {
  std::string Name;
  std::filesystem::path Folder;
  std::string TopFile = "main.qv3";
  std::vector<std::string> Status;  // "{DIR}" not yet replaced
  std::vector<std::string> Hints;
  std::map<std::string, std::string> Programs;  // file name -> bytes
  std::map<std::string, std::string> Objects;   // file name -> text, LF line ends
};

inline std::filesystem::path GoldenCasesFolder() {
  return std::filesystem::path(QV3_SOURCE_DIR) / "tests" / "engine" / "cases";
}

inline std::vector<std::string> GoldenCaseNames() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(GoldenCasesFolder()))
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

inline std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Hexadecimal byte text ("A9 01\n60") to bytes.
inline std::string BytesFromHex(std::string_view text) {
  std::string bytes, digits;
  for (char c : text) {
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    if (digits.size() == 2) {
      bytes.push_back(static_cast<char>(std::stoi(digits, nullptr, 16)));
      digits.clear();
    }
  }
  return bytes;
}

inline GoldenCase LoadGoldenCase(const std::string& name) {
  GoldenCase golden;
  golden.Name = name;
  golden.Folder = GoldenCasesFolder() / name;
  if (std::filesystem::exists(golden.Folder / "top")) {
    golden.TopFile = ReadFileBytes(golden.Folder / "top");
    while (!golden.TopFile.empty() && std::isspace(static_cast<unsigned char>(golden.TopFile.back())))
      golden.TopFile.pop_back();
  }
  const auto expected = golden.Folder / "expected";
  golden.Status = SplitLines(ReadFileBytes(expected / "status.txt"));
  if (std::filesystem::exists(expected / "hints.txt"))
    golden.Hints = SplitLines(ReadFileBytes(expected / "hints.txt"));
  for (const auto& entry : std::filesystem::directory_iterator(expected)) {
    const std::string file = entry.path().filename().string();
    if (file.size() > 8 && file.ends_with(".prg.hex"))
      golden.Programs[file.substr(0, file.size() - 4)] = BytesFromHex(ReadFileBytes(entry.path()));
    else if (file.ends_with(".qvo"))
      golden.Objects[file] = ReadFileBytes(entry.path());
  }
  return golden;
}

// Copies the case's sources (not expected/ nor top) into the scratch folder.
inline void CopyGoldenSources(const GoldenCase& golden, const ScratchFolder& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(golden.Folder)) {
    const std::string file = entry.path().filename().string();
    if (file == "expected" || file == "top") continue;
    std::filesystem::copy(entry.path(), folder.PathOf(file),
                          std::filesystem::copy_options::recursive);
  }
}

// Replaces every "{DIR}" by the compile folder.
inline std::vector<std::string> WithFolder(std::vector<std::string> lines, const std::string& dir) {
  for (auto& line : lines)
    for (auto at = line.find("{DIR}"); at != std::string::npos; at = line.find("{DIR}", at + dir.size()))
      line.replace(at, 5, dir);
  return lines;
}

// The output files of a compiled case against its expectations.
inline void ExpectGoldenOutputs(const GoldenCase& golden, const ScratchFolder& folder) {
  std::vector<std::string> expectedFiles;
  for (const auto& [file, bytes] : golden.Programs) {
    expectedFiles.push_back(file);
    const auto actual = folder.Read(file);
    ASSERT_TRUE(actual.has_value()) << file;
    EXPECT_EQ(Hex(*actual), Hex(bytes)) << file;
  }
  for (const auto& [file, text] : golden.Objects) {
    expectedFiles.push_back(file);
    const auto actual = folder.Read(file);
    ASSERT_TRUE(actual.has_value()) << file;
    std::string plain;
    for (std::size_t i = 0; i < actual->size(); ++i) {
      const char c = (*actual)[i];
      if (c == '\n') {
        EXPECT_TRUE(i > 0 && (*actual)[i - 1] == '\r') << file << ": LF without CR";
      }
      if (c == '\r') {
        EXPECT_TRUE(i + 1 < actual->size() && (*actual)[i + 1] == '\n') << file << ": CR without LF";
        continue;
      }
      plain += c;
    }
    EXPECT_EQ(plain, text) << file;
  }
  std::sort(expectedFiles.begin(), expectedFiles.end());
  EXPECT_EQ(folder.OutputFiles(), expectedFiles);
}

}  // namespace qv3::e2e
