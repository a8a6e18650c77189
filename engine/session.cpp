#include "engine/session.h"

#include "engine/compile_knowledge.h"

namespace qv3 {

ProgressSink& CompileSession::progress() {
  static SilentProgress silent;  // stateless, so sharing it is harmless
  return Progress ? *Progress : silent;
}

namespace {
// The diagnostic goes to the module it names; the lines a later withdrawal
// takes from the Status list are dropped when the compile ends.
void RecordDiagnostic(CompileSession& session, ErrorCode code, bool fatal,
                      std::string_view fileName, std::string text) {
  CompileKnowledge& knowledge = *session.Knowledge;
  ModuleKnowledge* module = knowledge.FindModule(fileName);
  if (!module) {
    module = &knowledge.Modules.emplace_back();
    module->Name.assign(fileName);
    module->Assembled = false;
  }
  module->Diagnostics.push_back(
      {session.CurrentLineNumber, code, fatal, session.ModulePass, std::move(text)});
}
}  // namespace

void ReportDiagnostic(CompileSession& session, ErrorCode code, bool fatal,
                      std::string_view fileName, std::string_view detail) {
  if (fatal) ++session.FatalReports;
  std::string combined;
  if (!session.ExpansionDetail.empty()) {
    combined.assign(detail);
    if (!combined.empty()) combined += ' ';
    combined += session.ExpansionDetail;
    detail = combined;
  }
  std::string line = FormatDiagnostic(code, fatal, fileName, session.CurrentLineNumber,
                                      session.CurrentLineText, session.ModulePass, detail);
  const bool listed = session.StatusList.AppendUnique(
      line, TErrorInfo{session.CurrentLineNumber, session.ModulePass, fatal, std::string(fileName)});
  if (listed && session.Knowledge) RecordDiagnostic(session, code, fatal, fileName, std::move(line));
}

}  // namespace qv3
