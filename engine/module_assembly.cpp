#include "engine/module_assembly.h"

#include "engine/line_source_state.h"
#include "engine/output_file.h"
#include "engine/session.h"
#include "engine/source_text.h"

namespace qv3 {

ModuleAssembly::ModuleAssembly(CompileSession& session, SourceText source)
    : Session(session), Source(source) {}
ModuleAssembly::ModuleAssembly(CompileSession& session, const std::vector<std::string>& sourceLines)
    : Session(session), lineViews_(sourceLines), Source(lineViews_.Text()) {}
ModuleAssembly::~ModuleAssembly() = default;

bool ProgramImage::Put(std::uint8_t byte) {
  if (position_ >= kMaxSize) return false;
  const auto at = static_cast<std::size_t>(position_);
  if (at < bytes_.size()) {
    bytes_[at] = byte;
  } else {
    bytes_.resize(at, 0);  // gaps read as zero
    bytes_.push_back(byte);
  }
  ++position_;
  return true;
}

void WriteLoadAddress(ModuleAssembly& module) {
  if (module.Stripped || module.ProgramFile.Size() != 0) return;
  module.ProgramFile.Seek(0);
  module.ProgramFile.Put(static_cast<std::uint8_t>(module.LoadAddress & 0xFF));
  module.ProgramFile.Put(static_cast<std::uint8_t>(module.LoadAddress >> 8));
}

void SeekOrigin(ModuleAssembly& module) {
  module.ProgramFile.Seek(static_cast<std::int64_t>(module.Origin) - module.LoadAddress +
                          module.HeaderSize);
}

bool WriteProgramByte(ModuleAssembly& module, std::uint8_t byte, bool reportRefusal) {
  if (module.ProgramFile.Position() < 0)
    throw CompileAbandoned("Cannot write file " + module.ProgramPath +
                           ": position before the start of the file (code below the load address)");
  if (module.ProgramFile.Put(byte)) return true;
  if (reportRefusal) ReportDiagnostic(module.Session, Err::OriginAboveFFFF, true, module.ModuleName);
  return false;
}

namespace {
// The object file goes out in pieces of this size, so that its text is
// never held whole: a module with many symbols has a large one.
constexpr std::size_t kObjectChunk = 64 * 1024;

void PassOnObjectText(ModuleAssembly& module) {
  if (module.ObjectFile.size() < kObjectChunk) return;
  if (module.ObjectOutput != nullptr)
    module.ObjectOutput->Write(module.ObjectFile);
  else if (!module.DiscardObjectText)
    return;
  module.ObjectFile.clear();
}
}  // namespace

void WriteObjectLine(ModuleAssembly& module, std::string_view line) {
  module.ObjectFile.append(line);
  module.ObjectFile.append("\r\n");
  PassOnObjectText(module);
}

void WriteObjectHeader(ModuleAssembly& module) {
  WriteObjectLine(module, "// Objects");
  for (std::size_t i = 0; i < module.Symbols.Size(); ++i) {
    // Formatted in place: a module may have hundreds of thousands of them.
    module.ObjectFile += module.Symbols.Name(i);
    module.ObjectFile += " = $";
    AppendHexText(module.ObjectFile, module.Symbols.Value(i));
    module.ObjectFile += "\r\n";
    PassOnObjectText(module);
  }
  WriteObjectLine(module, "");
  WriteObjectLine(module, "// Code");
}

std::string ListingAddress(std::int32_t origin) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  auto value = static_cast<std::uint32_t>(origin);
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  if (text.size() < 4) text.insert(0, 4 - text.size(), '0');
  return text;
}

}  // namespace qv3
