#include "engine/instruction_set.h"

namespace qv3 {

const std::array<std::string_view, kMnemonicCount> Mnemonics = {
    "LDA", "STA", "LDX", "STX", "LDY", "STY", "INC", "DEC", "CMP", "CPX",
    "CPY", "AND", "ORA", "EOR", "ASL", "LSR", "ROL", "ROR", "ADC", "SBC",
    "CLC", "SEC", "CLI", "SEI", "CLV", "SED", "CLD", "TXS", "INY", "DEY",
    "INX", "DEX", "TXA", "TAX", "TYA", "TAY", "PHA", "PLA", "PLP", "PHP",
    "TSX", "JSR", "JMP", "RTS", "RTI", "NOP", "BRK", "BNE", "BEQ", "BPL",
    "BMI", "BCC", "BCS", "BVS", "BVC", "BIT",
    // Undocumented.
    "SLO", "RLA", "SRE", "RRA", "SAX", "LAX", "DCP", "ISC", "ANC", "ALR",
    "ARR", "SBX", "LAS", "SHA", "SHX", "SHY", "TAS", "ANE", "LXA", "JAM",
};

const std::array<MnemonicAlias, 13> MnemonicAliases = {{
    {"ASO", 56}, {"LSE", 58}, {"DCM", 62}, {"ISB", 63}, {"INS", 63}, {"ASR", 65}, {"AXS", 67},
    {"LDS", 68}, {"LAE", 68}, {"AHX", 69}, {"SHS", 72}, {"XAA", 73}, {"KIL", 75},
}};

const std::array<std::string_view, kAddressingModeCount> AddressingModeNotations = {
    "", "#$nn", "$nn", "$nn,X", "$nn,Y", "$nnnn", "$nnnn,X", "$nnnn,Y", "($nn,X)", "($nn),Y", "($nnnn)",
};

// {opcode, length, base cycles, page-cross cycle}; {} where the mnemonic lacks
// the mode. Branches have their only entry in the absolute column, with
// length 2. U() marks an undocumented entry; JAM never completes and has no
// cycle count.
namespace {
constexpr OpcodeEntry U(std::uint8_t opcode, std::uint8_t length, std::uint8_t cycles, bool pageCross = false) {
  return {opcode, length, cycles, pageCross, true};
}
}  // namespace

// clang-format off
const std::array<OpcodeEntry, kMnemonicCount * kAddressingModeCount> OpcodeMatrix = {{
    /* LDA */ {}, {0xA9, 2, 2}, {0xA5, 2, 3}, {0xB5, 2, 4}, {}, {0xAD, 3, 4}, {0xBD, 3, 4, true}, {0xB9, 3, 4, true}, {0xA1, 2, 6}, {0xB1, 2, 5, true}, {},
    /* STA */ {}, {}, {0x85, 2, 3}, {0x95, 2, 4}, {}, {0x8D, 3, 4}, {0x9D, 3, 5}, {0x99, 3, 5}, {0x81, 2, 6}, {0x91, 2, 6}, {},
    /* LDX */ {}, {0xA2, 2, 2}, {0xA6, 2, 3}, {}, {0xB6, 2, 4}, {0xAE, 3, 4}, {}, {0xBE, 3, 4, true}, {}, {}, {},
    /* STX */ {}, {}, {0x86, 2, 3}, {}, {0x96, 2, 4}, {0x8E, 3, 4}, {}, {}, {}, {}, {},
    /* LDY */ {}, {0xA0, 2, 2}, {0xA4, 2, 3}, {0xB4, 2, 4}, {}, {0xAC, 3, 4}, {0xBC, 3, 4, true}, {}, {}, {}, {},
    /* STY */ {}, {}, {0x84, 2, 3}, {0x94, 2, 4}, {}, {0x8C, 3, 4}, {}, {}, {}, {}, {},
    /* INC */ {}, {}, {0xE6, 2, 5}, {0xF6, 2, 6}, {}, {0xEE, 3, 6}, {0xFE, 3, 7}, {}, {}, {}, {},
    /* DEC */ {}, {}, {0xC6, 2, 5}, {0xD6, 2, 6}, {}, {0xCE, 3, 6}, {0xDE, 3, 7}, {}, {}, {}, {},
    /* CMP */ {}, {0xC9, 2, 2}, {0xC5, 2, 3}, {0xD5, 2, 4}, {}, {0xCD, 3, 4}, {0xDD, 3, 4, true}, {0xD9, 3, 4, true}, {0xC1, 2, 6}, {0xD1, 2, 5, true}, {},
    /* CPX */ {}, {0xE0, 2, 2}, {0xE4, 2, 3}, {}, {}, {0xEC, 3, 4}, {}, {}, {}, {}, {},
    /* CPY */ {}, {0xC0, 2, 2}, {0xC4, 2, 3}, {}, {}, {0xCC, 3, 4}, {}, {}, {}, {}, {},
    /* AND */ {}, {0x29, 2, 2}, {0x25, 2, 3}, {0x35, 2, 4}, {}, {0x2D, 3, 4}, {0x3D, 3, 4, true}, {0x39, 3, 4, true}, {0x21, 2, 6}, {0x31, 2, 5, true}, {},
    /* ORA */ {}, {0x09, 2, 2}, {0x05, 2, 3}, {0x15, 2, 4}, {}, {0x0D, 3, 4}, {0x1D, 3, 4, true}, {0x19, 3, 4, true}, {0x01, 2, 6}, {0x11, 2, 5, true}, {},
    /* EOR */ {}, {0x49, 2, 2}, {0x45, 2, 3}, {0x55, 2, 4}, {}, {0x4D, 3, 4}, {0x5D, 3, 4, true}, {0x59, 3, 4, true}, {0x41, 2, 6}, {0x51, 2, 5, true}, {},
    /* ASL */ {0x0A, 1, 2}, {}, {0x06, 2, 5}, {0x16, 2, 6}, {}, {0x0E, 3, 6}, {0x1E, 3, 7}, {}, {}, {}, {},
    /* LSR */ {0x4A, 1, 2}, {}, {0x46, 2, 5}, {0x56, 2, 6}, {}, {0x4E, 3, 6}, {0x5E, 3, 7}, {}, {}, {}, {},
    /* ROL */ {0x2A, 1, 2}, {}, {0x26, 2, 5}, {0x36, 2, 6}, {}, {0x2E, 3, 6}, {0x3E, 3, 7}, {}, {}, {}, {},
    /* ROR */ {0x6A, 1, 2}, {}, {0x66, 2, 5}, {0x76, 2, 6}, {}, {0x6E, 3, 6}, {0x7E, 3, 7}, {}, {}, {}, {},
    /* ADC */ {}, {0x69, 2, 2}, {0x65, 2, 3}, {0x75, 2, 4}, {}, {0x6D, 3, 4}, {0x7D, 3, 4, true}, {0x79, 3, 4, true}, {0x61, 2, 6}, {0x71, 2, 5, true}, {},
    /* SBC */ {}, {0xE9, 2, 2}, {0xE5, 2, 3}, {0xF5, 2, 4}, {}, {0xED, 3, 4}, {0xFD, 3, 4, true}, {0xF9, 3, 4, true}, {0xE1, 2, 6}, {0xF1, 2, 5, true}, {},
    /* CLC */ {0x18, 1, 2}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* SEC */ {0x38, 1, 2}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* CLI */ {0x58, 1, 2}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* SEI */ {0x78, 1, 2}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* CLV */ {0xB8, 1, 2}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* SED */ {0xF8, 1, 2}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* CLD */ {0xD8, 1, 2}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* TXS */ {0x9A, 1, 2}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* INY */ {0xC8, 1, 2}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* DEY */ {0x88, 1, 2}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* INX */ {0xE8, 1, 2}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* DEX */ {0xCA, 1, 2}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* TXA */ {0x8A, 1, 2}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* TAX */ {0xAA, 1, 2}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* TYA */ {0x98, 1, 2}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* TAY */ {0xA8, 1, 2}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* PHA */ {0x48, 1, 3}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* PLA */ {0x68, 1, 4}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* PLP */ {0x28, 1, 4}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* PHP */ {0x08, 1, 3}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* TSX */ {0xBA, 1, 2}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* JSR */ {}, {}, {}, {}, {}, {0x20, 3, 6}, {}, {}, {}, {}, {},
    /* JMP */ {}, {}, {}, {}, {}, {0x4C, 3, 3}, {}, {}, {}, {}, {0x6C, 3, 5},
    /* RTS */ {0x60, 1, 6}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* RTI */ {0x40, 1, 6}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* NOP */ {0xEA, 1, 2}, U(0x80, 2, 2), U(0x04, 2, 3), U(0x14, 2, 4), {}, U(0x0C, 3, 4), U(0x1C, 3, 4, true), {}, {}, {}, {},
    /* BRK */ {0x00, 1, 7}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* BNE */ {}, {}, {}, {}, {}, {0xD0, 2, 2}, {}, {}, {}, {}, {},
    /* BEQ */ {}, {}, {}, {}, {}, {0xF0, 2, 2}, {}, {}, {}, {}, {},
    /* BPL */ {}, {}, {}, {}, {}, {0x10, 2, 2}, {}, {}, {}, {}, {},
    /* BMI */ {}, {}, {}, {}, {}, {0x30, 2, 2}, {}, {}, {}, {}, {},
    /* BCC */ {}, {}, {}, {}, {}, {0x90, 2, 2}, {}, {}, {}, {}, {},
    /* BCS */ {}, {}, {}, {}, {}, {0xB0, 2, 2}, {}, {}, {}, {}, {},
    /* BVS */ {}, {}, {}, {}, {}, {0x70, 2, 2}, {}, {}, {}, {}, {},
    /* BVC */ {}, {}, {}, {}, {}, {0x50, 2, 2}, {}, {}, {}, {}, {},
    /* BIT */ {}, {}, {0x24, 2, 3}, {}, {}, {0x2C, 3, 4}, {}, {}, {}, {}, {},
    /* SLO */ {}, {}, U(0x07, 2, 5), U(0x17, 2, 6), {}, U(0x0F, 3, 6), U(0x1F, 3, 7), U(0x1B, 3, 7), U(0x03, 2, 8), U(0x13, 2, 8), {},
    /* RLA */ {}, {}, U(0x27, 2, 5), U(0x37, 2, 6), {}, U(0x2F, 3, 6), U(0x3F, 3, 7), U(0x3B, 3, 7), U(0x23, 2, 8), U(0x33, 2, 8), {},
    /* SRE */ {}, {}, U(0x47, 2, 5), U(0x57, 2, 6), {}, U(0x4F, 3, 6), U(0x5F, 3, 7), U(0x5B, 3, 7), U(0x43, 2, 8), U(0x53, 2, 8), {},
    /* RRA */ {}, {}, U(0x67, 2, 5), U(0x77, 2, 6), {}, U(0x6F, 3, 6), U(0x7F, 3, 7), U(0x7B, 3, 7), U(0x63, 2, 8), U(0x73, 2, 8), {},
    /* SAX */ {}, {}, U(0x87, 2, 3), {}, U(0x97, 2, 4), U(0x8F, 3, 4), {}, {}, U(0x83, 2, 6), {}, {},
    /* LAX */ {}, U(0xAB, 2, 2), U(0xA7, 2, 3), {}, U(0xB7, 2, 4), U(0xAF, 3, 4), {}, U(0xBF, 3, 4, true), U(0xA3, 2, 6), U(0xB3, 2, 5, true), {},
    /* DCP */ {}, {}, U(0xC7, 2, 5), U(0xD7, 2, 6), {}, U(0xCF, 3, 6), U(0xDF, 3, 7), U(0xDB, 3, 7), U(0xC3, 2, 8), U(0xD3, 2, 8), {},
    /* ISC */ {}, {}, U(0xE7, 2, 5), U(0xF7, 2, 6), {}, U(0xEF, 3, 6), U(0xFF, 3, 7), U(0xFB, 3, 7), U(0xE3, 2, 8), U(0xF3, 2, 8), {},
    /* ANC */ {}, U(0x0B, 2, 2), {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* ALR */ {}, U(0x4B, 2, 2), {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* ARR */ {}, U(0x6B, 2, 2), {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* SBX */ {}, U(0xCB, 2, 2), {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* LAS */ {}, {}, {}, {}, {}, {}, {}, U(0xBB, 3, 4, true), {}, {}, {},
    /* SHA */ {}, {}, {}, {}, {}, {}, {}, U(0x9F, 3, 5), {}, U(0x93, 2, 6), {},
    /* SHX */ {}, {}, {}, {}, {}, {}, {}, U(0x9E, 3, 5), {}, {}, {},
    /* SHY */ {}, {}, {}, {}, {}, {}, U(0x9C, 3, 5), {}, {}, {}, {},
    /* TAS */ {}, {}, {}, {}, {}, {}, {}, U(0x9B, 3, 5), {}, {}, {},
    /* ANE */ {}, U(0x8B, 2, 2), {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* LXA */ {}, U(0xAB, 2, 2), {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* JAM */ U(0x02, 1, 0), {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
}};

namespace {
// The opcodes that do what another (row, mode) entry does; the assembler
// writes that entry's opcode, as 64tass does.
struct DuplicateOpcode {
  std::uint8_t Opcode;
  std::uint8_t Row;
  std::uint8_t Mode;
};
constexpr std::uint8_t kNopRow = 45, kSbcRow = 19, kAncRow = 64, kJamRow = 75;
constexpr DuplicateOpcode kDuplicateOpcodes[] = {
    {0x1A, kNopRow, kImplied}, {0x3A, kNopRow, kImplied}, {0x5A, kNopRow, kImplied},
    {0x7A, kNopRow, kImplied}, {0xDA, kNopRow, kImplied}, {0xFA, kNopRow, kImplied},
    {0x82, kNopRow, kImmediate}, {0x89, kNopRow, kImmediate}, {0xC2, kNopRow, kImmediate},
    {0xE2, kNopRow, kImmediate}, {0x44, kNopRow, kZeroPage}, {0x64, kNopRow, kZeroPage},
    {0x34, kNopRow, kZeroPageX}, {0x54, kNopRow, kZeroPageX}, {0x74, kNopRow, kZeroPageX},
    {0xD4, kNopRow, kZeroPageX}, {0xF4, kNopRow, kZeroPageX}, {0x3C, kNopRow, kAbsoluteX},
    {0x5C, kNopRow, kAbsoluteX}, {0x7C, kNopRow, kAbsoluteX}, {0xDC, kNopRow, kAbsoluteX},
    {0xFC, kNopRow, kAbsoluteX}, {0xEB, kSbcRow, kImmediate}, {0x2B, kAncRow, kImmediate},
    {0x12, kJamRow, kImplied}, {0x22, kJamRow, kImplied}, {0x32, kJamRow, kImplied},
    {0x42, kJamRow, kImplied}, {0x52, kJamRow, kImplied}, {0x62, kJamRow, kImplied},
    {0x72, kJamRow, kImplied}, {0x92, kJamRow, kImplied}, {0xB2, kJamRow, kImplied},
    {0xD2, kJamRow, kImplied}, {0xF2, kJamRow, kImplied},
};
}  // namespace
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
    for (int i = 0; i < kMnemonicCount; ++i) Add(Mnemonics[static_cast<std::size_t>(i)], i);
    for (const MnemonicAlias& alias : MnemonicAliases) Add(alias.Name, alias.Row);
  }
  void Add(std::string_view m, int row) {
    rows[static_cast<std::size_t>((LetterIndex(m[0]) * kLetters + LetterIndex(m[1])) * kLetters +
                                  LetterIndex(m[2]))] = static_cast<std::int8_t>(row);
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


std::string_view FlagsChanged(int row) {
  // clang-format off
  static constexpr std::array<std::string_view, kMnemonicCount> flags = {
      "NZ",   "",     "NZ",   "",     "NZ",   "",     "NZ",   "NZ",   "NZC",  "NZC",   // LDA .. CPX
      "NZC",  "NZ",   "NZ",   "NZ",   "NZC",  "NZC",  "NZC",  "NZC",  "NVZC", "NVZC",  // CPY .. SBC
      "C",    "C",    "I",    "I",    "V",    "D",    "D",    "",     "NZ",   "NZ",    // CLC .. DEY
      "NZ",   "NZ",   "NZ",   "NZ",   "NZ",   "NZ",   "",     "NZ",   "NVDIZC", "",    // INX .. PHP
      "NZ",   "",     "",     "",     "NVDIZC", "",   "BI",   "",     "",     "",      // TSX .. BPL
      "",     "",     "",     "",     "",     "NVZ",                                   // BMI .. BIT
      "NZC",  "NZC",  "NZC",  "NVZC", "",     "NZ",   "NZC",  "NVZC", "NZC",  "NZC",   // SLO .. ALR
      "NVZC", "NZC",  "NZ",   "",     "",     "",     "",     "NZ",   "NZ",   "",      // ARR .. JAM
  };
  // clang-format on
  if (row < 0 || row >= kMnemonicCount) return {};
  return flags[static_cast<std::size_t>(row)];
}

namespace {
struct OpcodeDecoder {
  std::array<std::optional<DecodedOpcode>, 256> byOpcode{};
  OpcodeDecoder() {
    // Rows in order: LXA, after LAX, takes $AB.
    for (int row = 0; row < kMnemonicCount; ++row)
      for (int mode = 0; mode < kAddressingModeCount; ++mode) {
        const OpcodeEntry entry = LookupOpcode(row, mode);
        if (entry.Length != 0) byOpcode[entry.Opcode] = DecodedOpcode{row, mode, entry, true};
      }
    for (const DuplicateOpcode& duplicate : kDuplicateOpcodes) {
      OpcodeEntry entry = LookupOpcode(duplicate.Row, duplicate.Mode);
      entry.Opcode = duplicate.Opcode;
      entry.Undocumented = true;
      byOpcode[duplicate.Opcode] = DecodedOpcode{duplicate.Row, duplicate.Mode, entry, false};
    }
  }
};
}  // namespace

std::optional<DecodedOpcode> DecodeOpcode(std::uint8_t opcode) {
  static const OpcodeDecoder decoder;
  return decoder.byOpcode[opcode];
}

bool IsJamOpcode(std::uint8_t opcode) {
  // Low nibble 2, high nibble 0-7, 9, B, D or F.
  return (opcode & 0x0F) == 0x02 && ((opcode >> 4) < 8 || ((opcode >> 4) & 1) == 1);
}

}  // namespace qv3
