#include "engine/operands.h"

#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "engine/block_diagnostics.h"
#include "engine/file_system.h"
#include "engine/knowledge_collector.h"
#include "engine/module_assembly.h"
#include "engine/session.h"
#include "engine/source_text.h"

namespace qv3 {

namespace {
void Report(ModuleAssembly& module, ErrorCode code) {
  ReportDiagnostic(module.Session, code, true, module.ModuleName);
}

// "!NAME": the size of the file in bytes.
std::int32_t FileSizeTerm(ModuleAssembly& module, std::string_view term) {
  std::string name(term.substr(1));
  NormaliseBlanks(name);
  const auto size = RegularFileSize(ResolveInFolder(module.Directory, name));
  if (!size) {
    Report(module, Err::FileError);
    return 0;
  }
  // The size travels as a decimal text, which cannot hold more than 31 bits.
  if (*size > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
    Report(module, Err::InvalidNumber);
    return 0;
  }
  return static_cast<std::int32_t>(*size);
}

std::optional<std::int32_t> ExternalConstantValue(ModuleAssembly& module,
                                                  std::string_view moduleName,
                                                  std::string_view constantName);

// "@MODULE.NAME": the value of NAME in MODULE's object file.
std::int32_t ExternalConstantTerm(ModuleAssembly& module, std::string_view term, bool isPass1) {
  const std::string_view reference = term.substr(1);
  const auto dot = reference.find('.');
  if (dot == std::string_view::npos) {
    Report(module, Err::BadExternal);
    return 0;
  }
  const std::string_view moduleName = reference.substr(0, dot);
  const std::string_view constantName = reference.substr(dot + 1);
  const auto value = ExternalConstantValue(module, moduleName, constantName);
  if (module.Knowledge && !isPass1)
    module.Knowledge->ExternalReference(module, term, moduleName, constantName, value);
  return value.value_or(0);
}

// The name of an object file's "NAME = VALUE" line and the text after its
// first "=", both without blanks around them; nothing for a line without
// "=". The line arrives without its comment and with its TABs made blanks.
std::optional<std::pair<std::string_view, std::string_view>> ObjectLineParts(std::string_view line) {
  const auto equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  std::string_view name = line.substr(0, equals);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  while (!name.empty() && name.front() == ' ') name.remove_prefix(1);  // a TAB before it
  return std::pair{name, line.substr(equals + 1)};
}

// The constant's value from a fresh temporary copy of the object file, or
// nothing (reported). A line names the constant when its whole name, in the
// letter case the object file writes it, is the one referenced: a name that
// merely contains it (CLEARSCREEN for SCREEN) is another constant. The last
// matching line wins. A check writes no file, not even the private copy: it
// reads the object file in place.
std::optional<std::int32_t> ExternalConstantValue(ModuleAssembly& module,
                                                  std::string_view moduleName,
                                                  std::string_view constantName) {
  const auto failed = module.Session.FailedObjects.Find(module.Directory, moduleName);
  const std::string objectFile =
      failed ? *failed : ResolveInFolder(module.Directory, std::string(moduleName) + ".qvo");
  const auto text = module.Session.CheckOnly ? ReadFileOrOverlay(objectFile, module.Session.Overlay)
                                             : ReadThroughPrivateCopy(objectFile);
  if (!text) {
    Report(module, Err::FileError);
    return std::nullopt;
  }

  std::optional<std::int32_t> found;
  if (constantName.empty()) {  // "@LIB.": no line names nothing
    Report(module, Err::UnknownSymbol);
    return found;
  }
  for (std::string line : SplitLines(*text)) {
    line.resize(StripComment(line).size());
    NormaliseBlanks(line);
    const auto parts = ObjectLineParts(line);
    if (!parts || parts->first != constantName) continue;
    std::string value(parts->second);
    NormaliseBlanks(value);
    found = ParseNumber(value, module.Session, module.ModuleName);
  }
  // Not found is an unknown name, as a misspelt label of the module is.
  if (!found) Report(module, Err::UnknownSymbol);
  return found;
}

bool IsNumberLiteral(char first) { return (first >= '0' && first <= '9') || first == '$' || first == '%'; }
}  // namespace

std::int32_t ResolveTerm(ModuleAssembly& module, std::string_view term, bool isPass1) {
  if (term.empty()) return 0;
  if (term == "*") return module.Origin;
  if (term[0] == '!') return FileSizeTerm(module, term);
  if (term[0] == '@') return ExternalConstantTerm(module, term, isPass1);
  if (IsNumberLiteral(term[0])) return ParseNumber(term, module.Session, module.ModuleName);

  bool ambiguous = false;
  const auto found = IsLocalLabelName(term) && module.Scopes.IsKnownLocal(term)
                         ? module.Scopes.Resolve(term, ambiguous)
                         : module.Symbols.Find(term);
  if (const auto index = found) {
    module.Symbols.CountUse(*index);
    const std::uint16_t value = module.Symbols.Value(*index);
    if (module.Knowledge && !isPass1) [[unlikely]]
      module.Knowledge->Reference(module, term, index, value);
    return value;
  }
  // Pass 1 takes an unknown name for a label further down and sizes the
  // instruction as for an address near the current location.
  if (isPass1) return module.Origin;
  if (module.Knowledge) module.Knowledge->Reference(module, term, std::nullopt, std::nullopt);
  Report(module, ambiguous ? Err::LocalLabelAmbiguous : Err::UnknownSymbol);
  return 0;
}

}  // namespace qv3
