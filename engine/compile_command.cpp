#include "engine/compile_command.h"

#include <algorithm>

#include "engine/compile_knowledge.h"
#include "engine/knowledge_collector.h"
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
