// The state one compile command shares across all modules it assembles, and
// the seams through which the engine talks to its front end.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/diagnostics.h"
#include "engine/failed_object_files.h"
#include "engine/message_list.h"
#include "engine/source_text_lines.h"

namespace qv3 {

// The progress window of a compile. The driver shows it for every module,
// sets its two texts as the work goes on and closes it at the module's end.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void Show() = 0;
  virtual void SetActivity(std::string_view text) = 0;   // lbWhat
  // lbProgress: "line / total". Called for every line; throttle repaints.
  virtual void SetProgress(std::size_t line, std::size_t total) = 0;
  virtual void Close() = 0;
};

// A progress sink that shows nothing (command line, tests).
class SilentProgress final : public ProgressSink {
 public:
  void Show() override {}
  void SetActivity(std::string_view) override {}
  void SetProgress(std::size_t, std::size_t) override {}
  void Close() override {}
};

// Everything that outlives one module's assembly during a compile command.
struct CompileKnowledge;
struct FileOverlay;

struct CompileSession {
  // Quoted in every diagnostic.
  std::int32_t CurrentLineNumber = 0;
  std::string CurrentLineText;
  // Set while a line made by a macro or a REPEAT block is handled ("in
  // macro NAME line N"): it follows every diagnostic's own text, so the
  // quoted line number stays the invocation's and the body line is named.
  std::string ExpansionDetail;
  std::uint8_t ModulePass = 1;
  // The verdict of the last compile.
  bool FatalFlag = false;
  // Every fatal report counts, listed or not (an equal line may be listed
  // already): a module failed when the count grew while it was assembled.
  std::size_t FatalReports = 0;
  // The "Failed (NAME)!" lines of first compiles, with their module keys:
  // a module compiled twice loses them with its first compile's diagnostics.
  std::vector<std::pair<std::string, std::string>> FirstCompileFailures;
  // Read by external constants in place of the files those modules left.
  FailedObjectFiles FailedObjects;
  // Module keys (names upper-cased outside tildes); searched ignoring case.
  std::vector<std::string> ModulesCompiledOnce;
  std::vector<std::string> ModulesCompiledTwice;
  // The Status and Hints lists of the window being compiled.
  MessageList StatusList;
  MessageList HintList;
  // Where a module without a folder of its own ("anonymus") is compiled;
  // ends in "/". Set by the front end.
  std::string CurrentDirectory;
  ProgressSink* Progress = nullptr;
  // When set, the top module's symbols as pass 2 left them are kept in
  // TopModuleSymbols (for debugging label files).
  bool KeepTopModuleSymbols = false;
  std::vector<std::pair<std::string, std::uint16_t>> TopModuleSymbols;
  // The ".prg" file the top module's assembly wrote (empty until then):
  // by its own compile, or by its second one when that first compile failed
  // and a dependent named it again (the two-module example's way).
  std::string TopModuleProgramPath;
  // Where the top module's program file goes, written or not.
  std::string TopModuleProgramTarget;
  // The top module's program file has no load address (STRIP): it is
  // copied into another module's program, not loaded and run by itself.
  bool TopModuleStripped = false;

  // When set, the compile records what it learns about the sources here
  // (definitions, references, assembled lines, diagnostics). Off by default:
  // a compile that does not ask pays nothing for it.
  CompileKnowledge* Knowledge = nullptr;
  // A check of a document rather than a compile: no file is written, no
  // dependent module is assembled, object files are read where they lie.
  bool CheckOnly = false;
  // Stand-ins for files, so that unsaved documents are read as the editor
  // shows them. A compile's hold the sources of modules and INCLUDEd files
  // open in editors (the object files it reads are those it writes); a
  // check's may hold object files too (what an open module would write).
  const FileOverlay* Overlay = nullptr;
  // When set and true, the compile stops between lines (CompileCancelled).
  const std::atomic<bool>* Cancel = nullptr;

  ProgressSink& progress();
};

// Appends a numbered diagnostic line (with its record) to the Status list,
// unless an equal line is listed already. The detail, if any, follows the
// message text.
void ReportDiagnostic(CompileSession& session, ErrorCode code, bool fatal,
                      std::string_view fileName, std::string_view detail = {});

// Thrown when an input/output failure abandons a compile: an output file
// that cannot be created or written, a write before the program file's start.
class CompileAbandoned : public std::exception {
 public:
  explicit CompileAbandoned(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// Thrown between lines when the session's Cancel flag is set.
class CompileCancelled : public std::exception {
 public:
  const char* what() const noexcept override { return "compile cancelled"; }
};

}  // namespace qv3
