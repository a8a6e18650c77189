// Assembles generated programs with qv3asm and with 64tass, an independent
// 6502 assembler (as an NMOS 6502 with its undocumented opcodes), and
// compares the program files byte for byte. Operands are
// chosen so that both assemblers must agree: absolute values of at least
// $100, zero-page values below $100, branch targets in range, no forward
// references whose size could differ.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "engine/instruction_set.h"
#include "engine/source_text.h"
#include "tests/engine/test_support.h"

#ifndef QV3ASM_PATH
#error "QV3ASM_PATH must name the qv3asm binary"
#endif

namespace qv3 {
namespace {

using test::TempDir;

// The same instruction in both assemblers' spelling.
struct PairedLine {
  std::string Qv3;
  std::string Peer;
};

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

int RunQuietly(const std::string& command) {
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool PeerAvailable() { return RunQuietly("command -v 64tass") == 0; }

std::string Hex(std::uint8_t byte) { return "$" + HexText(byte); }
std::string Hex16(int value) {
  std::string digits = HexText(static_cast<std::uint32_t>(value));
  if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
  return "$" + digits;
}

// Every entry of the opcode matrix once, with values that change from line
// to line so that byte order and operand bytes are checked too.
std::vector<PairedLine> EveryOpcodeInEveryMode(int origin) {
  std::vector<PairedLine> lines;
  const int displacements[] = {-128, 127, 0, -1, 5, -60, 100, -2};
  int index = 0;
  for (int row = 0; row < kMnemonicCount; ++row) {
    const std::string mnemonic(Mnemonics[static_cast<std::size_t>(row)]);
    for (int mode = 0; mode < kAddressingModeCount; ++mode) {
      const OpcodeEntry entry = LookupOpcode(row, mode);
      if (entry.Length == 0) continue;
      const auto zp = static_cast<std::uint8_t>(0x11 + index * 37);
      // At least $100, never $xxFF (JMP indirect's page wrap draws warnings).
      int absolute = 0x0100 + (index * 0x1357) % 0xFE00;
      if ((absolute & 0xFF) == 0xFF) absolute -= 1;
      std::string operand;
      switch (mode) {
        case kImplied: break;
        case kImmediate: operand = "#" + Hex(static_cast<std::uint8_t>(index * 13)); break;
        case kZeroPage: operand = Hex(zp); break;
        case kZeroPageX: operand = Hex(zp) + ",X"; break;
        case kZeroPageY: operand = Hex(zp) + ",Y"; break;
        case kAbsolute:
          operand = IsRelativeBranch(mode, entry)
                        ? Hex16(origin + 2 + displacements[index % 8])
                        : Hex16(absolute);
          break;
        case kAbsoluteX: operand = Hex16(absolute) + ",X"; break;
        case kAbsoluteY: operand = Hex16(absolute) + ",Y"; break;
        case kIndexedIndirect: operand = "(" + Hex(zp) + ",X)"; break;
        case kIndirectIndexed: operand = "(" + Hex(zp) + "),Y"; break;
        case kIndirect: operand = "(" + Hex16(absolute) + ")"; break;
      }
      const std::string text = operand.empty() ? mnemonic : mnemonic + " " + operand;
      lines.push_back({text, Lower(text)});
      origin += entry.Length;
      ++index;
    }
  }
  return lines;
}

struct Assembled {
  std::vector<std::uint8_t> Qv3;
  std::vector<std::uint8_t> Peer;
  std::string Qv3Output;
};

// Assembles both sources, both starting at origin, in a fresh folder.
Assembled AssembleBoth(const std::vector<PairedLine>& lines, int origin,
                       const std::vector<std::string>& qv3Prelude = {},
                       const std::vector<std::string>& peerPrelude = {},
                       const std::string& peerOptions = "") {
  TempDir folder;
  std::ostringstream qv3, peer;
  qv3 << "ORIGIN " << Hex16(origin) << "\r\n";
  peer << "*= " << Hex16(origin) << "\n";
  for (const auto& line : qv3Prelude) qv3 << line << "\r\n";
  for (const auto& line : peerPrelude) peer << line << "\n";
  for (const auto& line : lines) {
    // TAB-indented like typical sources; a label keeps its line start.
    qv3 << (line.Qv3.find(':') != std::string::npos ? "" : "\t") << line.Qv3 << "\r\n";
    peer << (line.Peer.find(':') != std::string::npos ? "" : "\t") << line.Peer << "\n";
  }
  folder.Write("diff.qv3", qv3.str());
  folder.Write("diff.asm", peer.str());

  Assembled result;
  const std::string qv3Command = std::string("'") + QV3ASM_PATH + "' '" + (folder / "diff.qv3") +
                                 "' > '" + (folder / "qv3.out") + "' 2>&1";
  const int qv3Status = std::system(qv3Command.c_str());
  result.Qv3Output = test::ReadFileBytes(folder / "qv3.out").value_or("");
  EXPECT_TRUE(WIFEXITED(qv3Status) && WEXITSTATUS(qv3Status) == 0) << result.Qv3Output;
  result.Qv3 = test::ReadFileAsBytes(folder / "diff.prg");

  const std::string peerCommand = "64tass --m6502 --cbm-prg -q " + peerOptions + " -o '" + (folder / "peer.prg") +
                                  "' '" + (folder / "diff.asm") + "' > '" + (folder / "peer.out") +
                                  "' 2>&1";
  const int peerStatus = std::system(peerCommand.c_str());
  EXPECT_TRUE(WIFEXITED(peerStatus) && WEXITSTATUS(peerStatus) == 0)
      << test::ReadFileBytes(folder / "peer.out").value_or("");
  result.Peer = test::ReadFileAsBytes(folder / "peer.prg");
  return result;
}

// The first differing offset, for a readable failure.
std::string FirstDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
    if (a[i] != b[i])
      return "offset " + std::to_string(i) + ": qv3 " + HexText(a[i]) + ", 64tass " + HexText(b[i]);
  return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
}

class PeerAssembler : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!PeerAvailable()) GTEST_SKIP() << "64tass is not installed; the differential test needs it";
  }
};

TEST_F(PeerAssembler, EveryOpcodeInEveryModeMatches) {
  const int origin = 0x1000;
  const auto lines = EveryOpcodeInEveryMode(origin);
  ASSERT_EQ(lines.size(), 151u + 71u);  // documented, undocumented
  const Assembled out = AssembleBoth(lines, origin);
  ASSERT_FALSE(out.Peer.empty());
  EXPECT_EQ(out.Qv3.size(), out.Peer.size());
  EXPECT_EQ(out.Qv3, out.Peer) << FirstDifference(out.Qv3, out.Peer);
  EXPECT_EQ(out.Qv3Output.find("Fatal"), std::string::npos) << out.Qv3Output;
  EXPECT_EQ(out.Qv3Output.find("Warning"), std::string::npos) << out.Qv3Output;
}

// The other names of the undocumented instructions, in every mode of their
// row: 64tass's own where it has them, its canonical name for the Lorenz
// suite's ASO and LSE and for KIL.
TEST_F(PeerAssembler, OtherNamesOfUndocumentedInstructionsMatch) {
  std::vector<PairedLine> lines;
  for (const MnemonicAlias& alias : MnemonicAliases) {
    const std::string name(alias.Name);
    const bool peerKnowsIt = name != "ASO" && name != "LSE" && name != "KIL";
    const std::string peerName = Lower(peerKnowsIt ? name : std::string(Mnemonics[static_cast<std::size_t>(alias.Row)]));
    for (int mode = 0; mode < kAddressingModeCount; ++mode) {
      if (LookupOpcode(alias.Row, mode).Length == 0) continue;
      static const char* const operands[kAddressingModeCount] = {
          "", "#$5A", "$12", "$12,X", "$12,Y", "$1234", "$1234,X", "$1234,Y", "($12,X)", "($12),Y", "($1234)"};
      const std::string operand = operands[mode];
      lines.push_back({name + (operand.empty() ? "" : " " + operand),
                       peerName + (operand.empty() ? "" : " " + Lower(operand))});
    }
  }
  ASSERT_GE(lines.size(), 30u);
  const Assembled out = AssembleBoth(lines, 0x1000);
  ASSERT_FALSE(out.Peer.empty());
  EXPECT_EQ(out.Qv3, out.Peer) << FirstDifference(out.Qv3, out.Peer);
}

TEST_F(PeerAssembler, EveryOpcodeMatchesFromAnotherOrigin) {
  // A different origin moves every branch target and the load address.
  const int origin = 0xC3A0;
  const Assembled out = AssembleBoth(EveryOpcodeInEveryMode(origin), origin);
  ASSERT_FALSE(out.Peer.empty());
  EXPECT_EQ(out.Qv3, out.Peer) << FirstDifference(out.Qv3, out.Peer);
}

TEST_F(PeerAssembler, ExpressionsLabelsAndConstantsMatch) {
  const std::vector<PairedLine> lines = {
      {"LDA #<$1234", "lda #<$1234"},
      {"LDA #>$1234", "lda #>$1234"},
      {"LDX #%1010", "ldx #%1010"},
      {"LDY #200", "ldy #200"},
      {"LDA *+3", "lda *+3"},
      {"LDA $10+$20", "lda $10+$20"},
      {"STA $1000-$10", "sta $1000-$10"},
      {"LDA $0010", "lda $10"},
      {"LOOP: DEX", "loop dex"},
      {"BNE LOOP", "bne loop"},
      {"BNE *", "bne *"},
      {"LDA (PTR),Y", "lda (ptr),y"},
      {"STA (PTR,X)", "sta (ptr,x)"},
      {"LDA PTR+1", "lda ptr+1"},
      {"LDA #<SCR", "lda #<scr"},
      {"LDA #>SCR", "lda #>scr"},
      {"STA SCR+40,X", "sta scr+40,x"},
      {"JMP (VECTOR)", "jmp (vector)"},
      {"JSR DONE", "jsr done"},
      {"BEQ DONE", "beq done"},
      {"DONE: RTS", "done rts"},
  };
  const Assembled out = AssembleBoth(lines, 0x2000, {"PTR = $FB", "SCR = $0C00", "VECTOR = $0314"},
                                     {"ptr = $fb", "scr = $0c00", "vector = $0314"});
  ASSERT_FALSE(out.Peer.empty());
  EXPECT_EQ(out.Qv3, out.Peer) << FirstDifference(out.Qv3, out.Peer);
  EXPECT_EQ(out.Qv3Output.find("Fatal"), std::string::npos) << out.Qv3Output;
}

// Every operator, precedence level and literal of the expression grammar:
// both assemblers write each value's low and high 16 bits as two words.
// QV3 groups with [ ] where 64tass takes ( ).
TEST_F(PeerAssembler, ExpressionValuesMatch) {
  const std::vector<std::string> expressions = {
      "1+2*3", "[1+2]*3", "20-3-4", "100/7/2", "-7/2", "7/-2", "-7%2", "7%-2", "17%5", "2*3%4",
      "-5*-5", "--5", "+5", "~0", "~$1234", "![0]", "![7]", "!![9]", "1<<4", "$8000>>3", "-256>>4",
      "1+2<<3", "3<4", "4<3", "4<=4", "5>=6", "5>2", "2==2", "2!=2", "1+1==2", "$F0&$3C",
      "$F0|$0F", "$FF^$0F", "1|2&3", "1^3&5", "6&3==3", "1&&2", "0&&1", "0||0", "0||3",
      "1||0&&0", "<$1234", ">$1234", "<$1234+1", ">$12FF+1", "<[$1234+1]", "2*<$1234",
      "'A'", "'Z'-'A'", "' '", "'0'+9", "$FFFF", "%1011", "65535+1", "CONST*3+1", "CONST-CONST*2",
      "[CONST+1]*[CONST-1]", "-CONST", "CONST<<8|CONST", "1000000*1000", "$7FFFFFFF+1",
      "[5>3]+[2>1]*2",
  };
  std::vector<PairedLine> lines;
  for (const std::string& e : expressions) {
    std::string peer = e;
    for (char& c : peer) c = c == '[' ? '(' : c == ']' ? ')' : c;
    // 64tass's && and || give an operand's value; QV3's give 1 or 0.
    if (peer.find("&&") != std::string::npos || peer.find("||") != std::string::npos)
      peer = "((" + peer + ") != 0)";
    lines.push_back({"BIN.W [" + e + "] & $FFFF, [[" + e + "] >> 16] & $FFFF",
                     ".word (" + peer + ") & $ffff, ((" + peer + ") >> 16) & $ffff"});
  }
  const Assembled out = AssembleBoth(lines, 0x3000, {"CONST = 37"}, {"CONST = 37"});
  ASSERT_FALSE(out.Peer.empty());
  ASSERT_EQ(out.Qv3.size(), out.Peer.size()) << out.Qv3Output;
  for (std::size_t i = 0; i < expressions.size(); ++i) {
    const std::size_t at = 2 + 4 * i;
    const std::vector<std::uint8_t> qv3(out.Qv3.begin() + at, out.Qv3.begin() + at + 4);
    const std::vector<std::uint8_t> peer(out.Peer.begin() + at, out.Peer.begin() + at + 4);
    EXPECT_EQ(qv3, peer) << expressions[i];
  }
  EXPECT_EQ(out.Qv3Output.find("Fatal"), std::string::npos) << out.Qv3Output;
}

// TEXT's letters as 64tass --ascii encodes them: kept case in "~" strings,
// capitals for the upper-cased line in quotes; control codes by number.
TEST_F(PeerAssembler, PetsciiTextMatches) {
  const Assembled out = AssembleBoth(
      {{"TEXT ~Hello, World! 0123 @[]?~", ".text \"Hello, World! 0123 @[]?\""},
       {"TEXT \"PLUS/4: 1+1=2\", 13, 0", ".text \"plus/4: 1+1=2\", 13, 0"},
       {"TEXT ~{$93}Red{28}~", ".text \"{clr}Red{red}\""},
       {"BIN.B 'A', 'Z', '@'", ".byte 'a', 'z', '@'"}},
      0x3000, {}, {}, "--ascii");
  ASSERT_FALSE(out.Peer.empty());
  EXPECT_EQ(out.Qv3, out.Peer) << FirstDifference(out.Qv3, out.Peer);
}

}  // namespace
}  // namespace qv3
