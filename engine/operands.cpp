#include "engine/operands.h"

#include <limits>
#include <optional>
#include <string>

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

// The constant's value from a fresh temporary copy of the object file, or
// nothing (reported). The match is a plain substring test and the last
// matching line wins, as object files have always been read. A check writes
// no file, not even the private copy: it reads the object file in place.
std::optional<std::int32_t> ExternalConstantValue(ModuleAssembly& module,
                                                  std::string_view moduleName,
                                                  std::string_view constantName) {
  const std::string objectFile =
      ResolveInFolder(module.Directory, std::string(moduleName) + ".qvo");
  const auto text = module.Session.CheckOnly ? ReadFileOrOverlay(objectFile, module.Session.Overlay)
                                             : ReadThroughPrivateCopy(objectFile);
  if (!text) {
    Report(module, Err::FileError);
    return std::nullopt;
  }

  std::optional<std::int32_t> found;
  for (std::string line : SplitLines(*text)) {
    line.resize(StripComment(line).size());
    NormaliseBlanks(line);
    const auto equals = line.find('=');
    if (equals == std::string::npos || constantName.empty() ||
        line.find(constantName) == std::string::npos)
      continue;
    std::string value = line.substr(equals + 1);
    NormaliseBlanks(value);
    found = ParseNumber(value, module.Session, module.ModuleName);
  }
  if (!found) Report(module, Err::ExternalNotFound);
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

  if (const auto index = module.Symbols.Find(term)) {
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
  Report(module, Err::UnknownSymbol);
  return 0;
}

}  // namespace qv3
