#include "cpu/disassembler.h"

#include "engine/instruction_set.h"

namespace qv3::cpu {
namespace {
constexpr char kDigits[] = "0123456789ABCDEF";
}  // namespace

std::string HexByteText(std::uint8_t value) { return {'$', kDigits[value >> 4], kDigits[value & 15]}; }

std::string HexWordText(std::uint16_t value) {
  return {'$', kDigits[value >> 12], kDigits[(value >> 8) & 15], kDigits[(value >> 4) & 15], kDigits[value & 15]};
}

DisassembledLine Disassemble(const Memory& memory, std::uint16_t address, const AddressNamer& name) {
  DisassembledLine line;
  line.Address = address;
  const std::uint8_t opcode = memory[address];
  line.Bytes[0] = opcode;
  const auto decoded = DecodeOpcode(opcode);
  line.Documented = !decoded->Entry.Undocumented;
  line.Canonical = decoded->Canonical;
  line.Length = decoded->Entry.Length;
  for (int i = 1; i < line.Length; ++i)
    line.Bytes[static_cast<std::size_t>(i)] = memory[static_cast<std::uint16_t>(address + i)];
  const std::uint8_t low = line.Bytes[1];
  const auto word = static_cast<std::uint16_t>(low | line.Bytes[2] << 8);
  const int mode = decoded->Mode;

  line.Text = Mnemonics[static_cast<std::size_t>(decoded->Row)];
  if (mode == kImplied) return line;
  if (mode == kImmediate) {
    line.Text += " #" + HexByteText(low);
    return line;
  }

  const bool branch = IsRelativeBranch(mode, decoded->Entry);
  const bool zeroPage = mode == kZeroPage || mode == kZeroPageX || mode == kZeroPageY ||
                        mode == kIndexedIndirect || mode == kIndirectIndexed;
  std::uint16_t target = word;
  if (branch)
    target = static_cast<std::uint16_t>(address + 2 + static_cast<std::int8_t>(low));
  else if (zeroPage)
    target = low;
  line.OperandAddress = target;

  std::string operand = name ? name(target) : std::string();
  if (operand.empty()) operand = zeroPage ? HexByteText(low) : HexWordText(target);
  // An absolute operand (or branch target) below $100 would come back as
  // zero page, or as an error where the mnemonic has no such form.
  const bool absoluteFamily = mode == kAbsolute || mode == kAbsoluteX || mode == kAbsoluteY;
  if (absoluteFamily && target < 0x100) line.Text += ".16";
  line.Text += ' ';
  switch (mode) {
    case kZeroPageX:
    case kAbsoluteX: line.Text += operand + ",X"; break;
    case kZeroPageY:
    case kAbsoluteY: line.Text += operand + ",Y"; break;
    case kIndexedIndirect: line.Text += "(" + operand + ",X)"; break;
    case kIndirectIndexed: line.Text += "(" + operand + "),Y"; break;
    case kIndirect: line.Text += "(" + operand + ")"; break;
    default: line.Text += operand; break;
  }
  return line;
}

}  // namespace qv3::cpu
