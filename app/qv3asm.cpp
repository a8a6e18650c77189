// qv3asm: the command-line front end of the QV3 assembler. It assembles a
// source file as the workbench's "Compile" does for a document saved there.
#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "engine/file_system.h"
#include "engine/source_file.h"
#include "engine/compile_command.h"
#include "engine/session.h"
#include "engine/source_text.h"
#include "engine/vice_labels.h"

namespace {
constexpr int kExitSuccess = 0;
constexpr int kExitFatal = 1;
constexpr int kExitUsage = 2;

const char* const kUsage =
    "Usage: qv3asm [OPTION]... SOURCE.qv3\n"
    "Assemble a QV3 6502 source module and the modules its COMPILE lines name.\n"
    "\n"
    "The program file (.prg) and object file (.qvo) are written next to the\n"
    "source, named after its lower-cased file name. A module that ends with a\n"
    "fatal diagnostic leaves its files as they were (\"Failed (NAME)!\"); one\n"
    "without replaces them (\"Success (NAME)!\"). @MODULE.NAME takes the\n"
    "constant whose whole name is NAME from MODULE.qvo. The Status lines are\n"
    "printed first, then the Hints lines.\n"
    "\n"
    "Options:\n"
    "      --vice-labels FILE  also write the top module's labels and constants\n"
    "                          as VICE monitor commands (al C:1000 .START) to FILE,\n"
    "                          for xplus4 -moncommands FILE\n"
    "  -h, --help              show this help and exit\n"
    "  -V, --version           show the version and exit\n"
    "\n"
    "Exit status: 0 when no fatal diagnostic remains, 1 when the compile failed\n"
    "because of fatal errors, 2 for a usage error or an input/output failure.\n";

int UsageError(const std::string& message) {
  std::cerr << "qv3asm: " << message << "\nTry 'qv3asm --help' for more information.\n";
  return kExitUsage;
}

std::string AbsoluteFolderOf(const std::string& path) {
  std::string folder = qv3::FolderOf(path);
  if (!folder.empty() && folder[0] == '/') return folder;
  char cwd[PATH_MAX];
  std::string base = ::getcwd(cwd, sizeof cwd) ? cwd : ".";
  if (base.back() != '/') base += '/';
  return base + folder;
}
// The source is mapped into memory. Should another program cut it short
// while it is assembled, reading past its new end raises SIGBUS: reported
// as the input/output failure it is rather than as a crash.
extern "C" void ReportSourceChange(int) {
  static const char kMessage[] = "qv3asm: compile abandoned: the source file was changed while it was read\n";
  [[maybe_unused]] const auto written = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  ::_exit(kExitUsage);
}

void InstallSourceChangeReport() {
  struct sigaction action {};
  action.sa_handler = ReportSourceChange;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGBUS, &action, nullptr);
}
}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> sources;
  std::string viceLabelsPath;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (!optionsEnded && (arg == "-h" || arg == "--help")) {
      std::cout << kUsage;
      return kExitSuccess;
    }
    if (!optionsEnded && (arg == "-V" || arg == "--version")) {
      std::cout << "qv3asm (QV3 - Assembler for 6502) v1.1.3\n";
      return kExitSuccess;
    }
    if (!optionsEnded && (arg == "--vice-labels" || arg.rfind("--vice-labels=", 0) == 0)) {
      if (arg.size() > 13) {
        viceLabelsPath = arg.substr(14);
      } else if (i + 1 < argc) {
        viceLabelsPath = argv[++i];
      }
      if (viceLabelsPath.empty()) return UsageError("option '--vice-labels' needs a file name");
      continue;
    }
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (!optionsEnded && arg.size() > 1 && arg[0] == '-') return UsageError("unknown option '" + arg + "'");
    sources.push_back(arg);
  }
  if (sources.empty()) return UsageError("no source file given");
  if (sources.size() > 1) return UsageError("only one source file may be given");

  const std::string& path = sources.front();
  InstallSourceChangeReport();
  const auto source = qv3::SourceFile::Open(path);
  if (!source) return UsageError("cannot read source file '" + path + "'");

  qv3::CompileSession session;
  session.CurrentDirectory = AbsoluteFolderOf("./");
  session.KeepTopModuleSymbols = !viceLabelsPath.empty();
  const std::string moduleName(qv3::CutAtFirstDot(qv3::FileNameOf(path)));
  const qv3::CompileOutcome outcome =
      qv3::RunCompileCommand(session, qv3::SourceText(source->Text()), moduleName, AbsoluteFolderOf(path));

  // Gathered in pieces of 64 KB: a module with many unused symbols has as
  // many hint lines.
  std::string out;
  out.reserve(1 << 16);
  for (const qv3::MessageList* list : {&session.StatusList, &session.HintList}) {
    for (const auto& line : list->Lines()) {
      out += line.Text;
      out += '\n';
      if (out.size() >= (1 << 16)) {
        std::fwrite(out.data(), 1, out.size(), stdout);
        out.clear();
      }
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
  if (outcome.Abandoned) {
    std::cerr << "qv3asm: compile abandoned: " << outcome.Error << '\n';
    return kExitUsage;
  }
  if (!viceLabelsPath.empty()) {
    std::ofstream labels(viceLabelsPath, std::ios::binary | std::ios::trunc);
    labels << qv3::ViceLabelCommands(session.TopModuleSymbols);
    labels.close();
    if (!labels) {
      std::cerr << "qv3asm: cannot write label file '" << viceLabelsPath << "'\n";
      return kExitUsage;
    }
  }
  // Everything is written and closed; handing the session's memory back
  // piece by piece would only delay the exit.
  std::cout.flush();
  std::exit(session.FatalFlag ? kExitFatal : kExitSuccess);
}
