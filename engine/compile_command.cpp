#include "engine/compile_command.h"

#include <algorithm>
#include <filesystem>

#include "engine/compile_knowledge.h"
#include "engine/file_system.h"
#include "engine/knowledge_collector.h"
#include "engine/line_context.h"
#include "engine/module.h"
#include "engine/source_text.h"

namespace qv3 {

namespace {
// A module compiled twice keeps only the diagnostics of its second compile,
// and loses the "Failed (" line of its first (the first such line listed:
// the second compile's comes later).
void WithdrawSupersededDiagnostics(CompileSession& session) {
  for (const auto& key : session.ModulesCompiledTwice) {
    const auto failure = std::find_if(session.FirstCompileFailures.begin(),
                                      session.FirstCompileFailures.end(),
                                      [&](const auto& entry) { return entry.first == key; });
    std::string_view failedLine;
    if (failure != session.FirstCompileFailures.end()) failedLine = failure->second;
    session.StatusList.RemoveIf([&](const StatusLine& line) {
      if (!line.Info) {
        if (failedLine.empty() || line.Text != failedLine) return false;
        failedLine = {};
        return true;
      }
      return line.Info->Pass == 1 && UpperCaseOutsideTildes(line.Info->FileName) == key;
    });
  }
}
}  // namespace

namespace {
// Whether one of the COMPILE lines of source names module.
bool NamesModule(SourceText source, std::string_view module) {
  bool named = false;
  LineContext line;
  source.ForEachLine([&](std::string_view text) {
    line.Load(StripComment(text));
    if (line.FirstWord != "COMPILE") return true;
    std::string_view list = line.RestOfLine;
    for (;;) {
      const auto comma = list.find(',');
      if (EqualsIgnoringCase(CutAtFirstDot(TrimControls(list.substr(0, comma))), module)) named = true;
      if (comma == std::string_view::npos || named) break;
      list.remove_prefix(comma + 1);
    }
    return !named;
  });
  return named;
}
}  // namespace

std::vector<std::string> ModulesThatCompile(std::string_view module, const std::string& folder,
                                            const FileOverlay* overlay) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() <= 4 || !EqualsIgnoringCase(name.substr(name.size() - 4), ".qv3")) continue;
    const std::string_view other = CutAtFirstDot(name);
    if (EqualsIgnoringCase(other, module)) continue;
    const auto text = ReadFileOrOverlay(folder + name, overlay);
    if (text && NamesModule(SourceText(*text), module)) names.emplace_back(other);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void ConcludeCompile(CompileSession& session) {
  WithdrawSupersededDiagnostics(session);
  const auto& lines = session.StatusList.Lines();
  session.FatalFlag = std::any_of(lines.begin(), lines.end(),
                                  [](const StatusLine& l) { return l.Info && l.Info->Fatal; });
  if (session.Knowledge) FinishKnowledge(*session.Knowledge, session.StatusList, session.Overlay);
  if (session.FatalFlag) session.StatusList.Append("Compile failed because of fatal error(s)!");
}

CompileOutcome RunCompileCommand(CompileSession& session,
                                 const std::vector<std::string>& sourceLines,
                                 std::string_view moduleName, std::string_view folder) {
  return RunCompileCommand(session, LineViews(sourceLines).Text(), moduleName, folder);
}

CompileOutcome RunCompileCommand(CompileSession& session, SourceText source,
                                 std::string_view moduleName, std::string_view folder) {
  session.ModulesCompiledOnce.clear();
  session.ModulesCompiledTwice.clear();
  session.StatusList.Clear();
  session.HintList.Clear();
  session.FatalFlag = false;
  session.FatalReports = 0;
  session.FirstCompileFailures.clear();
  session.TopModuleProgramPath.clear();
  session.TopModuleProgramTarget.clear();
  session.TopModuleStripped = false;
  if (session.Knowledge) *session.Knowledge = CompileKnowledge{};

  session.FailedObjects.Clear();
  try {
    CompileModule(session, source, moduleName, true, folder);
  } catch (const CompileAbandoned& failure) {
    session.FailedObjects.Clear();
    return {true, failure.what()};
  }
  session.FailedObjects.Clear();

  ConcludeCompile(session);
  return {};
}

}  // namespace qv3
