#include "engine/session.h"

#include <algorithm>

#include "engine/module.h"
#include "engine/source_text.h"

namespace qv3 {

ProgressSink& CompileSession::progress() {
  static SilentProgress silent;  // stateless, so sharing it is harmless
  return Progress ? *Progress : silent;
}

void ReportDiagnostic(CompileSession& session, ErrorCode code, bool fatal,
                      std::string_view fileName) {
  std::string line = FormatDiagnostic(code, fatal, fileName, session.CurrentLineNumber,
                                      session.CurrentLineText, session.ModulePass);
  session.StatusList.AppendUnique(
      std::move(line),
      TErrorInfo{session.CurrentLineNumber, session.ModulePass, fatal, std::string(fileName)});
}

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

  try {
    CompileModule(session, source, moduleName, true, folder);
  } catch (const CompileAbandoned& failure) {
    return {true, failure.what()};
  }

  WithdrawSupersededDiagnostics(session);
  const auto& lines = session.StatusList.Lines();
  session.FatalFlag = std::any_of(lines.begin(), lines.end(),
                                  [](const StatusLine& l) { return l.Info && l.Info->Fatal; });
  if (session.FatalFlag) session.StatusList.Append("Compile failed because of fatal error(s)!");
  return {};
}

}  // namespace qv3
