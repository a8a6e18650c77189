#include "engine/compile_command.h"

#include <algorithm>

#include "engine/compile_knowledge.h"
#include "engine/knowledge_collector.h"
#include "engine/module.h"
#include "engine/source_text.h"

namespace qv3 {

namespace {
// A module compiled twice keeps only the diagnostics of its second compile.
void WithdrawSupersededDiagnostics(CompileSession& session) {
  for (const auto& key : session.ModulesCompiledTwice) {
    session.StatusList.RemoveIf([&](const StatusLine& line) {
      return line.Info && line.Info->Pass == 1 &&
             UpperCaseOutsideTildes(line.Info->FileName) == key;
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
  session.TopModuleProgramPath.clear();
  if (session.Knowledge) *session.Knowledge = CompileKnowledge{};

  try {
    CompileModule(session, source, moduleName, true, folder);
  } catch (const CompileAbandoned& failure) {
    return {true, failure.what()};
  }

  ConcludeCompile(session);
  return {};
}

}  // namespace qv3
