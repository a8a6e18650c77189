#include "engine/value_range.h"

#include <string>

#include "engine/module_assembly.h"
#include "engine/session.h"

namespace qv3 {

namespace {
std::string Hex(std::uint64_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0 || static_cast<int>(text.size()) < digits);
  return text;
}
}  // namespace

bool ReportValueDoesNotFit(ModuleAssembly& module, std::int64_t value, int bytes) {
  std::string detail = value < 0 ? std::to_string(value) : "$" + Hex(static_cast<std::uint64_t>(value), 1);
  detail += " written as $";
  detail += Hex(static_cast<std::uint64_t>(value) & (bytes == 1 ? 0xFFu : 0xFFFFu), 2 * bytes);
  ReportDiagnostic(module.Session, Err::ValueDoesNotFit, false, module.ModuleName, detail);
  return true;
}

}  // namespace qv3
