#include "engine/instruction_set.h"

namespace qv3 {

const std::array<std::string_view, kMnemonicCount> Mnemonics = {
    "LDA", "STA", "LDX", "STX", "LDY", "STY", "INC", "DEC", "CMP", "CPX",
    "CPY", "AND", "ORA", "EOR", "ASL", "LSR", "ROL", "ROR", "ADC", "SBC",
    "CLC", "SEC", "CLI", "SEI", "CLV", "SED", "CLD", "TXS", "INY", "DEY",
    "INX", "DEX", "TXA", "TAX", "TYA", "TAY", "PHA", "PLA", "PLP", "PHP",
    "TSX", "JSR", "JMP", "RTS", "RTI", "NOP", "BRK", "BNE", "BEQ", "BPL",
    "BMI", "BCC", "BCS", "BVS", "BVC", "BIT",
};

const std::array<std::string_view, kAddressingModeCount> AddressingModeNotations = {
    "", "#$nn", "$nn", "$nn,X", "$nn,Y", "$nnnn", "$nnnn,X", "$nnnn,Y", "($nn,X)", "($nn),Y", "($nnnn)",
};

// {opcode, length}; {} where the mnemonic lacks the mode. Branches have their
// only entry in the absolute column, with length 2.
// clang-format off
const std::array<OpcodeEntry, kMnemonicCount * kAddressingModeCount> OpcodeMatrix = {{
    /* LDA */ {}, {0xA9, 2}, {0xA5, 2}, {0xB5, 2}, {}, {0xAD, 3}, {0xBD, 3}, {0xB9, 3}, {0xA1, 2}, {0xB1, 2}, {},
    /* STA */ {}, {}, {0x85, 2}, {0x95, 2}, {}, {0x8D, 3}, {0x9D, 3}, {0x99, 3}, {0x81, 2}, {0x91, 2}, {},
    /* LDX */ {}, {0xA2, 2}, {0xA6, 2}, {}, {0xB6, 2}, {0xAE, 3}, {}, {0xBE, 3}, {}, {}, {},
    /* STX */ {}, {}, {0x86, 2}, {}, {0x96, 2}, {0x8E, 3}, {}, {}, {}, {}, {},
    /* LDY */ {}, {0xA0, 2}, {0xA4, 2}, {0xB4, 2}, {}, {0xAC, 3}, {0xBC, 3}, {}, {}, {}, {},
    /* STY */ {}, {}, {0x84, 2}, {0x94, 2}, {}, {0x8C, 3}, {}, {}, {}, {}, {},
    /* INC */ {}, {}, {0xE6, 2}, {0xF6, 2}, {}, {0xEE, 3}, {0xFE, 3}, {}, {}, {}, {},
    /* DEC */ {}, {}, {0xC6, 2}, {0xD6, 2}, {}, {0xCE, 3}, {0xDE, 3}, {}, {}, {}, {},
    /* CMP */ {}, {0xC9, 2}, {0xC5, 2}, {0xD5, 2}, {}, {0xCD, 3}, {0xDD, 3}, {0xD9, 3}, {0xC1, 2}, {0xD1, 2}, {},
    /* CPX */ {}, {0xE0, 2}, {0xE4, 2}, {}, {}, {0xEC, 3}, {}, {}, {}, {}, {},
    /* CPY */ {}, {0xC0, 2}, {0xC4, 2}, {}, {}, {0xCC, 3}, {}, {}, {}, {}, {},
    /* AND */ {}, {0x29, 2}, {0x25, 2}, {0x35, 2}, {}, {0x2D, 3}, {0x3D, 3}, {0x39, 3}, {0x21, 2}, {0x31, 2}, {},
    /* ORA */ {}, {0x09, 2}, {0x05, 2}, {0x15, 2}, {}, {0x0D, 3}, {0x1D, 3}, {0x19, 3}, {0x01, 2}, {0x11, 2}, {},
    /* EOR */ {}, {0x49, 2}, {0x45, 2}, {0x55, 2}, {}, {0x4D, 3}, {0x5D, 3}, {0x59, 3}, {0x41, 2}, {0x51, 2}, {},
    /* ASL */ {0x0A, 1}, {}, {0x06, 2}, {0x16, 2}, {}, {0x0E, 3}, {0x1E, 3}, {}, {}, {}, {},
    /* LSR */ {0x4A, 1}, {}, {0x46, 2}, {0x56, 2}, {}, {0x4E, 3}, {0x5E, 3}, {}, {}, {}, {},
    /* ROL */ {0x2A, 1}, {}, {0x26, 2}, {0x36, 2}, {}, {0x2E, 3}, {0x3E, 3}, {}, {}, {}, {},
    /* ROR */ {0x6A, 1}, {}, {0x66, 2}, {0x76, 2}, {}, {0x6E, 3}, {0x7E, 3}, {}, {}, {}, {},
    /* ADC */ {}, {0x69, 2}, {0x65, 2}, {0x75, 2}, {}, {0x6D, 3}, {0x7D, 3}, {0x79, 3}, {0x61, 2}, {0x71, 2}, {},
    /* SBC */ {}, {0xE9, 2}, {0xE5, 2}, {0xF5, 2}, {}, {0xED, 3}, {0xFD, 3}, {0xF9, 3}, {0xE1, 2}, {0xF1, 2}, {},
    /* CLC */ {0x18, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* SEC */ {0x38, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* CLI */ {0x58, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* SEI */ {0x78, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* CLV */ {0xB8, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* SED */ {0xF8, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* CLD */ {0xD8, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* TXS */ {0x9A, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* INY */ {0xC8, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* DEY */ {0x88, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* INX */ {0xE8, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* DEX */ {0xCA, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* TXA */ {0x8A, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* TAX */ {0xAA, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* TYA */ {0x98, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* TAY */ {0xA8, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* PHA */ {0x48, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* PLA */ {0x68, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* PLP */ {0x28, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* PHP */ {0x08, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* TSX */ {0xBA, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* JSR */ {}, {}, {}, {}, {}, {0x20, 3}, {}, {}, {}, {}, {},
    /* JMP */ {}, {}, {}, {}, {}, {0x4C, 3}, {}, {}, {}, {}, {0x6C, 3},
    /* RTS */ {0x60, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* RTI */ {0x40, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* NOP */ {0xEA, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* BRK */ {0x00, 1}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* BNE */ {}, {}, {}, {}, {}, {0xD0, 2}, {}, {}, {}, {}, {},
    /* BEQ */ {}, {}, {}, {}, {}, {0xF0, 2}, {}, {}, {}, {}, {},
    /* BPL */ {}, {}, {}, {}, {}, {0x10, 2}, {}, {}, {}, {}, {},
    /* BMI */ {}, {}, {}, {}, {}, {0x30, 2}, {}, {}, {}, {}, {},
    /* BCC */ {}, {}, {}, {}, {}, {0x90, 2}, {}, {}, {}, {}, {},
    /* BCS */ {}, {}, {}, {}, {}, {0xB0, 2}, {}, {}, {}, {}, {},
    /* BVS */ {}, {}, {}, {}, {}, {0x70, 2}, {}, {}, {}, {}, {},
    /* BVC */ {}, {}, {}, {}, {}, {0x50, 2}, {}, {}, {}, {}, {},
    /* BIT */ {}, {}, {0x24, 2}, {}, {}, {0x2C, 3}, {}, {}, {}, {}, {},
}};
// clang-format on

namespace {
// Every mnemonic is three upper-case letters, so the letters index a table
// of 26^3 rows; anything else cannot be a mnemonic.
constexpr int kLetters = 26;

constexpr int LetterIndex(char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' : -1; }

struct MnemonicIndex {
  std::array<std::int8_t, kLetters * kLetters * kLetters> rows{};
  MnemonicIndex() {
    rows.fill(-1);
    for (int i = 0; i < kMnemonicCount; ++i) {
      const auto m = Mnemonics[static_cast<std::size_t>(i)];
      rows[static_cast<std::size_t>((LetterIndex(m[0]) * kLetters + LetterIndex(m[1])) * kLetters +
                                    LetterIndex(m[2]))] = static_cast<std::int8_t>(i);
    }
  }
};
}  // namespace

int FindMnemonic(std::string_view text) {
  static const MnemonicIndex index;
  if (text.size() != 3) return -1;
  const int a = LetterIndex(text[0]), b = LetterIndex(text[1]), c = LetterIndex(text[2]);
  if (a < 0 || b < 0 || c < 0) return -1;
  return index.rows[static_cast<std::size_t>((a * kLetters + b) * kLetters + c)];
}

}  // namespace qv3
