// The rows of the instruction-set matrix (engine/instruction_set.h) by name,
// so the core can pick an operation at compile time. A test checks every
// value against the mnemonic table.
#pragma once

namespace qv3::cpu {

enum MnemonicRow : int {
  kLda = 0, kSta = 1, kLdx = 2, kStx = 3, kLdy = 4, kSty = 5, kInc = 6, kDec = 7,
  kCmp = 8, kCpx = 9, kCpy = 10, kAnd = 11, kOra = 12, kEor = 13, kAsl = 14, kLsr = 15,
  kRol = 16, kRor = 17, kAdc = 18, kSbc = 19, kClc = 20, kSec = 21, kCli = 22, kSei = 23,
  kClv = 24, kSed = 25, kCld = 26, kTxs = 27, kIny = 28, kDey = 29, kInx = 30, kDex = 31,
  kTxa = 32, kTax = 33, kTya = 34, kTay = 35, kPha = 36, kPla = 37, kPlp = 38, kPhp = 39,
  kTsx = 40, kJsr = 41, kJmp = 42, kRts = 43, kRti = 44, kNop = 45, kBrk = 46, kBne = 47,
  kBeq = 48, kBpl = 49, kBmi = 50, kBcc = 51, kBcs = 52, kBvs = 53, kBvc = 54, kBit = 55,
  // Undocumented.
  kSlo = 56, kRla = 57, kSre = 58, kRra = 59, kSax = 60, kLax = 61, kDcp = 62, kIsc = 63,
  kAnc = 64, kAlr = 65, kArr = 66, kSbx = 67, kLas = 68, kSha = 69, kShx = 70, kShy = 71,
  kTas = 72, kAne = 73, kLxa = 74, kJam = 75,
};

}  // namespace qv3::cpu
