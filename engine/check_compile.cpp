#include "engine/check_compile.h"

#include "engine/compile_command.h"
#include "engine/module.h"
#include "engine/session.h"

namespace qv3 {

CheckResult CheckCompile(std::string_view text, std::string_view moduleName,
                         std::string_view folder, const CheckOptions& options) {
  return CheckCompile(SourceText(text), moduleName, folder, options);
}

CheckResult CheckCompile(SourceText source, std::string_view moduleName, std::string_view folder,
                         const CheckOptions& options) {
  CheckResult result;
  CompileSession session;
  session.CheckOnly = true;
  session.Knowledge = &result.Knowledge;
  session.Cancel = options.Cancel;
  session.Overlay = options.Overlay;
  session.CurrentDirectory = options.CurrentDirectory;
  try {
    CompileModule(session, source, moduleName, true, folder);
    ConcludeCompile(session);
  } catch (const CompileCancelled&) {
    result.Cancelled = true;
  } catch (const CompileAbandoned& failure) {
    result.Abandoned = true;
    result.Error = failure.what();
  }
  result.Fatal = session.FatalFlag;
  result.Status = std::move(session.StatusList);
  result.Hints = std::move(session.HintList);
  return result;
}

}  // namespace qv3
