#include "engine/module.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "engine/compile_knowledge.h"
#include "engine/directives.h"
#include "engine/file_system.h"
#include "engine/knowledge_collector.h"
#include "engine/line_context.h"
#include "engine/line_source.h"
#include "engine/module_assembly.h"
#include "engine/output_file.h"
#include "engine/session.h"
#include "engine/source_text.h"

namespace qv3 {

namespace {
std::string LowerCaseAToZ(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

bool ListContains(const std::vector<std::string>& list, std::string_view key) {
  return std::any_of(list.begin(), list.end(),
                     [&](const std::string& entry) { return EqualsIgnoringCase(entry, key); });
}

// Records the module as compiled once or twice; false when it was already
// compiled twice in this command and must be skipped.
bool RecordCompile(CompileSession& session, const std::string& key) {
  if (ListContains(session.ModulesCompiledTwice, key)) return false;
  if (!ListContains(session.ModulesCompiledOnce, key)) {
    session.ModulesCompiledOnce.push_back(key);
    session.ModulePass = 1;
  } else {
    session.ModulesCompiledTwice.push_back(key);
    session.ModulePass = 2;
  }
  return true;
}

// A cheap exact pre-test: the first word can only be "COMPILE" when the
// line, after leading blanks and TABs, starts with those seven letters in
// any case and the word ends there (a "/" may start the line's comment).
bool MayStartWithCompile(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const std::string_view word = text.substr(i, 7);
  if (!EqualsIgnoringCase(word, "COMPILE")) return false;
  return i + 7 == text.size() || text[i + 7] == ' ' || text[i + 7] == '\t' || text[i + 7] == '/';
}

// The text after the keyword of a COMPILE line, prepared as the passes
// prepare lines, or nothing when the line's first word is another.
std::optional<std::string> CompileList(std::string_view line) {
  if (!MayStartWithCompile(line)) return std::nullopt;
  LineContext prepared;
  prepared.Load(StripComment(line));
  if (prepared.FirstWord != "COMPILE") return std::nullopt;
  return std::string(prepared.RestOfLine);
}

// Calls visit with each module name of a COMPILE list, in order, until it
// returns false: the pieces between commas, blank ones dropped, each with
// blanks and control characters removed at both ends (SplitText at ","
// without blank pieces, walked in place rather than collected).
template <typename Visit>
void ForEachModuleName(std::string_view list, Visit&& visit) {
  for (;;) {
    const auto comma = list.find(',');
    const std::string_view name = TrimControls(list.substr(0, comma));
    if (!name.empty() && !visit(name)) return;
    if (comma == std::string_view::npos) return;
    list.remove_prefix(comma + 1);
  }
}

// Finds the COMPILE lines and counts the lines; false after an empty
// COMPILE list, which stops the module before its first pass. The line's
// number and text are only set for that report: the first pass sets them
// anew before anything else reads them.
bool PreScanDependents(ModuleAssembly& module) {
  CompileSession& session = module.Session;
  std::size_t number = 0;
  bool complete = true;
  module.Source.ForEachLine([&](std::string_view line) {
    ++number;
    const auto list = CompileList(line);
    if (!list) return true;
    bool named = false;
    ForEachModuleName(*list, [&](std::string_view) { return !(named = true); });
    if (!named) {
      session.CurrentLineNumber = static_cast<std::int32_t>(number);
      session.CurrentLineText.assign(StripComment(line));
      ReportDiagnostic(session, Err::CompileSyntax, true, module.ModuleName);
      return complete = false;
    }
    module.CompileLines.push_back(line);
    return true;
  });
  module.LineCount = number;
  return complete;
}

// Watched: a pass that may be cancelled or collects knowledge. A plain
// compile walks its lines without looking at either.
template <bool Watched>
void WalkPass(ModuleAssembly& module, bool isPass1, std::size_t total) {
  CompileSession& session = module.Session;
  ProgressSink& progress = session.progress();
  [[maybe_unused]] const std::atomic<bool>* const cancel = session.Cancel;
  [[maybe_unused]] KnowledgeCollector* const collector = isPass1 ? nullptr : module.Knowledge;
  std::size_t number = 0;
  module.Source.ForEachLine([&](std::string_view line) {
    if constexpr (Watched)
      if (cancel && cancel->load(std::memory_order_relaxed)) throw CompileCancelled();
    ++number;
    progress.SetProgress(number, total);
    session.CurrentLineNumber = static_cast<std::int32_t>(number);
    const auto at = static_cast<std::int32_t>(number);
    FeedLine(module, line, isPass1, LineOrigin{at, at, {}});
    if constexpr (Watched)
      if (collector) collector->EndOfLine(line);
    return true;
  });
}

void RunPass(ModuleAssembly& module, bool isPass1, std::size_t total) {
  StartBlocksPass(module, isPass1);
  if (module.Session.Cancel || module.Knowledge)
    WalkPass<true>(module, isPass1, total);
  else
    WalkPass<false>(module, isPass1, total);
  EndBlocksPass(module);
}

void KeepSymbols(ModuleAssembly& module) {
  auto& kept = module.Session.TopModuleSymbols;
  kept.clear();
  for (std::size_t i = 0; i < module.Symbols.Size(); ++i)
    kept.emplace_back(std::string(module.Symbols.Name(i)), module.Symbols.Value(i));
}

void AddUnusedSymbolHints(ModuleAssembly& module) {
  std::string prefix = "Hint";
  if (!module.IsTopModule) prefix += " in file [" + module.ModuleName + "]";
  prefix += ": ";
  std::size_t unused = 0;
  for (std::size_t i = 0; i < module.Symbols.Size(); ++i) unused += module.Symbols.Uses(i) == 0;
  module.Session.HintList.Reserve(unused);
  std::string hint;
  for (std::size_t i = 0; i < module.Symbols.Size(); ++i) {
    if (module.Symbols.Uses(i) != 0) continue;
    hint = prefix;
    hint += module.Symbols.Name(i);
    hint += " never used";
    module.Session.HintList.AppendUnique(hint);
  }
}

// "$0100-$01FF": the span a region or a program covers.
std::string SpanText(std::uint32_t first, std::uint32_t last) {
  return "$" + ListingAddress(static_cast<std::int32_t>(first)) + "-$" +
         ListingAddress(static_cast<std::int32_t>(last));
}

// A program that the Plus/4 loads where it cannot run: at $0000 (no
// ORIGIN: over the processor port and the zero page), over the stack, or
// over the colour and screen memory, which the screen editor rewrites. A
// STRIPped file has no load address: it is copied, not loaded, and says
// nothing about where it will lie.
void AddLoadAddressHints(ModuleAssembly& module) {
  const std::size_t size = module.ProgramFile.Size();
  if (module.Stripped || size <= static_cast<std::size_t>(module.HeaderSize)) return;
  std::string prefix = "Hint";
  if (!module.IsTopModule) prefix += " in file [" + module.ModuleName + "]";
  prefix += ": ";
  MessageList& hints = module.Session.HintList;
  // Where the Plus/4 puts the file is what its header says: a later ORIGIN
  // from 0 changes LoadAddress but not the header written before it.
  const auto& bytes = module.ProgramFile.Bytes();
  const std::uint32_t first = bytes[0] | static_cast<std::uint32_t>(bytes[1]) << 8;
  // Code past $FFFF is reported as too large; the span ends with memory.
  const std::uint32_t last =
      std::min<std::uint32_t>(first + static_cast<std::uint32_t>(size - module.HeaderSize) - 1, 0xFFFF);
  if (first == 0) {
    hints.AppendUnique(prefix +
                       "add ORIGIN $1001 in front of the code, because without it the program "
                       "loads at $0000 (processor port and zero page), where it cannot run");
    return;
  }
  struct Region {
    std::uint32_t First, Last;
    const char* What;
  };
  static constexpr Region kRegions[] = {
      {0x0100, 0x01FF, "the stack"},
      {0x0800, 0x0FFF, "the colour and screen memory"},
  };
  for (const Region& region : kRegions) {
    if (last < region.First || first > region.Last) continue;
    hints.AppendUnique(prefix + "move ORIGIN to $1001 or above, because the program (" +
                       SpanText(first, last) + ") loads over " + region.What + " (" +
                       SpanText(region.First, region.Last) + "), where it cannot run");
  }
}

void CheckFinalOrigin(ModuleAssembly& module) {
  if (module.Origin > 0xFFFF)
    ReportDiagnostic(module.Session, Err::OriginAboveFFFF, true, module.ModuleName);
  else if (module.Origin > 0xFD00)
    ReportDiagnostic(module.Session, Err::OriginAboveFD00, false, module.ModuleName);
  else if (module.Origin > 0xFC00)
    module.Session.HintList.Append(
        "Hint: reduce code size or starting origin, because final origin is behind $FC00");
}

void AssembleModule(ModuleAssembly& module) {
  CompileSession& session = module.Session;
  ProgressSink& progress = session.progress();
  const std::size_t fatalBefore = session.FatalReports;
  progress.Show();
  session.StatusList.Append("*** compiling: " + module.Directory + module.ModuleName);

  progress.SetActivity("Pass 1: Processing labels...");
  RunPass(module, true, module.LineCount);

  module.Origin = 0;
  module.LoadAddress = 0;
  progress.SetActivity("Pass 2: Generating code...");
  const std::string base = module.Directory + std::string(CutAtFirstDot(module.ModuleName));
  module.ProgramPath = base + ".prg";
  module.ObjectPath = base + ".qvo";
  if (module.IsTopModule) {
    session.TopModuleProgramTarget = module.ProgramPath;
    session.TopModuleStripped = module.Stripped;
  }
  // A check writes nothing: its object text is dropped as it goes.
  std::optional<OutputFile> programFile, objectFile;
  if (!session.CheckOnly) {
    programFile.emplace(module.ProgramPath);
    objectFile.emplace(module.ObjectPath);
    module.ObjectOutput = &*objectFile;
  }
  module.DiscardObjectText = session.CheckOnly;
  WriteObjectHeader(module);
  RunPass(module, false, module.LineCount);
  if (module.IsTopModule && session.KeepTopModuleSymbols) KeepSymbols(module);
  if (module.Knowledge) module.Knowledge->Finish(module);

  AddUnusedSymbolHints(module);
  AddLoadAddressHints(module);
  CheckFinalOrigin(module);

  // The files of a module that failed would hold shifted code (a
  // reference that emits no bytes): the last good ones stay instead. Its
  // program file goes with its OutputFile; its object file is kept aside
  // for the other modules of this command.
  const bool failed = session.FatalReports != fatalBefore;
  module.ObjectOutput = nullptr;
  if (!session.CheckOnly) {
    objectFile->WriteAndClose(module.ObjectFile);
    if (failed) {
      session.FailedObjects.Keep(module.Directory, module.ModuleName, objectFile->ReleaseTemporary());
    } else {
      const auto& bytes = module.ProgramFile.Bytes();
      programFile->WriteAndClose(
          std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
      programFile->PutInPlace();
      objectFile->PutInPlace();
      session.FailedObjects.Forget(module.Directory, module.ModuleName);
      if (module.ProgramPath == session.TopModuleProgramTarget)
        session.TopModuleProgramPath = module.ProgramPath;
    }
  }

  if (failed) {
    std::string line = "Failed (" + module.ModuleName + ")!";
    session.StatusList.Append(line);
    if (session.ModulePass == 1)
      session.FirstCompileFailures.emplace_back(UpperCaseOutsideTildes(module.ModuleName),
                                                std::move(line));
  } else {
    session.StatusList.Append("Success (" + module.ModuleName + ")!");
  }
  progress.SetActivity("All OK");
  progress.Close();
}

// Assembles the modules that the COMPILE lines name, in order: directory +
// name + ".qv3" for each; the first file that cannot be read ends the list.
void CompileDependents(CompileSession& session, const std::vector<std::string_view>& compileLines,
                       const std::string& moduleName, const std::string& directory) {
  for (const std::string_view compileLine : compileLines) {
    bool unreadable = false;
    ForEachModuleName(*CompileList(compileLine), [&](std::string_view name) {
      const std::string file = directory + std::string(name) + ".qv3";
      // A module open in an editor is assembled from the text the editor shows.
      const auto content =
          ReadFileOrOverlay(ResolveInFolder(FolderOf(file), FileNameOf(file)), session.Overlay);
      if (!content) {
        ReportDiagnostic(session, Err::FileError, true, moduleName);
        unreadable = true;
        return false;
      }
      CompileModule(session, SourceText(*content), CutAtFirstDot(FileNameOf(file)), false, directory);
      return true;
    });
    if (unreadable) return;
  }
}
}  // namespace

void CompileModule(CompileSession& session, const std::vector<std::string>& sourceLines,
                   std::string_view moduleName, bool isTopModule, std::string_view directory) {
  CompileModule(session, LineViews(sourceLines).Text(), moduleName, isTopModule, directory);
}

void CompileModule(CompileSession& session, SourceText source, std::string_view moduleName,
                   bool isTopModule, std::string_view directory) {
  std::vector<std::string_view> compileLines;
  std::string name = LowerCaseAToZ(moduleName);
  std::string folder;
  {
    // The module's symbols and code are released before its dependents run.
    ModuleAssembly module(session, source);
    module.ModuleName = name;
    module.IsTopModule = isTopModule;
    if (!RecordCompile(session, UpperCaseOutsideTildes(module.ModuleName))) return;

    module.Directory = directory.empty() ? session.CurrentDirectory : std::string(directory);
    if (module.Directory.empty() || module.Directory.back() != '/') module.Directory += '/';

    std::optional<KnowledgeCollector> collector;
    if (session.Knowledge) {
      collector.emplace(StartModuleKnowledge(*session.Knowledge, module.ModuleName,
                                             module.Directory, isTopModule));
      module.Knowledge = &*collector;
    }

    if (!PreScanDependents(module)) return;
    // A line defines one symbol at most, but for includes and a rare
    // "NAME = LABEL:": reserved so the lists seldom move while they fill.
    // Room never used is never touched; the cap keeps a long module of
    // plain instructions from asking for more than it needs.
    module.Symbols.Reserve(std::min<std::size_t>(module.LineCount, std::size_t{1} << 20));
    AssembleModule(module);
    compileLines = std::move(module.CompileLines);
    folder = module.Directory;
  }
  // A check looks at one document: the modules it names are left alone.
  if (!session.CheckOnly) CompileDependents(session, compileLines, name, folder);
}

}  // namespace qv3
