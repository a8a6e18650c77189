#include "engine/module_assembly.h"

#include "engine/session.h"
#include "engine/source_text.h"

namespace qv3 {

bool ProgramImage::Put(std::uint8_t byte) {
  if (position_ >= kMaxSize) return false;
  const auto at = static_cast<std::size_t>(position_);
  if (at >= bytes_.size()) bytes_.resize(at + 1, 0);  // gaps read as zero
  bytes_[at] = byte;
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

void WriteObjectLine(ModuleAssembly& module, std::string_view line) {
  module.ObjectFile.append(line);
  module.ObjectFile.append("\r\n");
}

void WriteObjectHeader(ModuleAssembly& module) {
  // "NAME = $hhhh" CR LF per symbol: reserved at once instead of grown.
  std::size_t size = 32;
  for (std::size_t i = 0; i < module.Symbols.Size(); ++i)
    size += module.Symbols.Name(i).size() + (module.Symbols.Value(i) < 256 ? 8 : 10);
  module.ObjectFile.reserve(module.ObjectFile.size() + size);
  WriteObjectLine(module, "// Objects");
  for (std::size_t i = 0; i < module.Symbols.Size(); ++i) {
    module.ObjectFile += module.Symbols.Name(i);
    module.ObjectFile += " = $";
    module.ObjectFile += HexText(module.Symbols.Value(i));
    module.ObjectFile += "\r\n";
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
