// qv3run: runs a 6502 program headless on the simulated CPU and reports how
// it stopped, so routines can be checked from scripts and CI.
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "app/qv3run_plus4.h"
#include "cpu/disassembler.h"
#include "cpu/program_runner.h"
#include "engine/compile_command.h"
#include "engine/file_system.h"
#include "engine/session.h"
#include "engine/source_text.h"

namespace {
constexpr int kExitSuccess = 0;
constexpr int kExitCompileFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCycleLimit = 3;
constexpr int kExitUndocumented = 4;
constexpr std::uint64_t kDefaultCycleLimit = 100'000'000;

const char* const kUsage =
    "Usage: qv3run [OPTION]... PROGRAM\n"
    "Run a 6502 program on the simulated CPU of a Commodore Plus/4 without ROMs,\n"
    "or with --plus4 on a model of the whole machine (see below).\n"
    "\n"
    "PROGRAM is a .prg file (a two-byte load address, then the bytes) or a .qv3\n"
    "source, assembled first as qv3asm does (outputs next to it). The program is\n"
    "loaded into 64 KB of zeroed RAM and called as if by JSR: A=X=Y=0, P=$24,\n"
    "SP=$FD. It starts at --start, else at the SYS address of a BASIC line when\n"
    "it loads at $1001, else at its load address.\n"
    "\n"
    "The run stops when the start routine returns, at BRK, at an undocumented\n"
    "opcode (jam or illegal), at an instruction that jumps or branches to\n"
    "itself (loop), or at the cycle limit. The last line of standard output is\n"
    "  stop: REASON at $PPPP A=$aa X=$xx Y=$yy SP=$ss P=$pp cycles=N\n"
    "\n"
    "KERNAL calls: $FFD2 CHROUT prints A (PETSCII) on standard output and on the\n"
    "screen memory at $0C00; $FFE4 GETIN reads the next key of --keys (0 when\n"
    "none is left). Every other entry of $FF81-$FFF5 returns at once, with a\n"
    "note on standard error the first time.\n"
    "\n"
    "Options (N is $hex or decimal; ADDR and LEN are too, or for a .qv3 source a\n"
    "label or constant of its module, letter case ignored):\n"
    "      --start ADDR     start address\n"
    "      --cycles N       stop after N cycles (default 100000000)\n"
    "      --keys TEXT      the keys GETIN hands out, in order (a line feed is RETURN)\n"
    "      --dump ADDR:LEN  print LEN bytes of memory from ADDR after the stop,\n"
    "                       16 to a line; may be repeated\n"
    "      --trace          print every instruction on standard error\n"
    "  -h, --help           show this help and exit\n"
    "  -V, --version        show the version and exit\n"
    "\n"
    "\n"
    "On the Plus/4 machine model (--plus4):\n"
    "      --plus4          run on a whole Plus/4: the TED (PAL timing, raster and\n"
    "                       timer interrupts, the picture), ROM/RAM banking, the\n"
    "                       keyboard and the project's own small ROM, from BASIC's\n"
    "                       SYS with the machine as after boot. An instruction\n"
    "                       jumping to itself stops the run (loop) only while\n"
    "                       interrupts are disabled. A jump into ROM the model does\n"
    "                       not serve stops it with 'stop: rom at $PPPP'.\n"
    "      --frames N       stop after N frames (stop: frames); a program that\n"
    "                       returns before then returns into BASIC, which prints\n"
    "                       READY. and waits for keys with the interrupts served\n"
    "      --keys TEXT      typed through the keyboard matrix from the third frame\n"
    "                       on, one key every few frames (a line feed is RETURN)\n"
    "      --screen FILE    write the last frame (384 x 288, borders included) as PNG\n"
    "      --screen-text    print the screen memory as 25 lines of text (graphics\n"
    "                       characters as '.') before the stop line\n"
    "      --wav FILE       write the run's sound (the TED's two voices) as a WAV\n"
    "                       file: 16-bit mono, 44100 samples a second\n"
    "      --stop-undocumented  stop at an undocumented opcode (stop: illegal)\n"
    "                       instead of running it as the 8501 does; without --plus4\n"
    "                       the run always stops there. JAM stops either way.\n"
    "  A write to $FDCF (the register of VICE's debug cartridge) ends the run with\n"
    "  'stop: debug-exit' and the written value as the exit status, as VICE does\n"
    "  with -debugcart: test programs report their verdict there (0 passed).\n"
    "  --dump reads memory as the CPU would (ROM, TED registers, the I/O area).\n"
    "  Characters are drawn with the project's own glyphs.\n"
    "\n"
    "Exit status: 0 returned, brk, loop or frames; 1 the compile failed; 2 usage\n"
    "or input/output error; 3 cycle limit; 4 jam, illegal opcode or rom; with\n"
    "--plus4 and a debug exit, the value written to $FDCF.\n";

int UsageError(const std::string& message) {
  std::cerr << "qv3run: " << message << "\nTry 'qv3run --help' for more information.\n";
  return kExitUsage;
}

int InputError(const std::string& message) {
  std::cerr << "qv3run: " << message << '\n';
  return kExitUsage;
}

// "$1A2B" or "6699"; nothing for anything else or a value above max.
std::optional<std::uint64_t> ParseNumber(const std::string& text, std::uint64_t max) {
  const bool hex = !text.empty() && text[0] == '$';
  const std::size_t first = hex ? 1 : 0;
  if (text.size() == first || text.size() - first > 20) return std::nullopt;
  std::uint64_t value = 0;
  for (std::size_t i = first; i < text.size(); ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else return std::nullopt;
    const std::uint64_t base = hex ? 16 : 10;
    if (value > (max - static_cast<std::uint64_t>(digit)) / base) return std::nullopt;
    value = value * base + static_cast<std::uint64_t>(digit);
  }
  return value;
}

struct DumpRange {
  std::uint32_t Address;
  std::uint32_t Length;
};

// An address or a length as the command line gives it: a number, or the
// name of a label or constant, known only once the source is assembled.
struct AddressTerm {
  std::uint64_t Number = 0;
  std::string Name;  // empty for a number
};

struct DumpTerms {
  std::string Text;  // as given, for messages
  AddressTerm Address, Length;
};

// A term that starts like a name rather than a number ($hex, decimal).
bool IsName(const std::string& text) {
  if (text.empty()) return false;
  const char first = text[0];
  return (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z') || first == '_';
}

std::optional<AddressTerm> ParseTerm(const std::string& text, std::uint64_t max) {
  if (IsName(text)) return AddressTerm{0, text};
  const auto number = ParseNumber(text, max);
  if (!number) return std::nullopt;
  return AddressTerm{*number, {}};
}

struct Options {
  std::string Program;
  std::optional<AddressTerm> Start;
  std::uint64_t CycleLimit = kDefaultCycleLimit;
  std::string Keys;
  std::vector<DumpTerms> Dumps;
  bool Trace = false;
  bool Plus4 = false;
  std::optional<std::uint64_t> Frames;
  std::string ScreenPath;
  bool ScreenText = false;
  std::string WavPath;
  bool StopUndocumented = false;
};

std::string AbsoluteFolderOf(const std::string& path) {
  std::string folder = qv3::FolderOf(path);
  if (!folder.empty() && folder[0] == '/') return folder;
  char cwd[PATH_MAX];
  std::string base = ::getcwd(cwd, sizeof cwd) ? cwd : ".";
  if (base.back() != '/') base += '/';
  return base + folder;
}

// Regular files only: a folder, a device or a pipe is not a program.
std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

bool EndsWith(const std::string& text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    char c = text[text.size() - suffix.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

// The names of the KERNAL jump table, for the notes.
std::string_view KernalName(std::uint16_t address) {
  static constexpr std::string_view names[] = {
      "CINT",   "IOINIT", "RAMTAS", "RESTOR", "VECTOR", "SETMSG", "SECOND", "TKSA",
      "MEMTOP", "MEMBOT", "SCNKEY", "SETTMO", "ACPTR",  "CIOUT",  "UNTLK",  "UNLSN",
      "LISTN",  "TALK",   "READST", "SETLFS", "SETNAM", "OPEN",   "CLOSE",  "CHKIN",
      "CHKOUT", "CLRCH",  "CHRIN",  "CHROUT", "LOAD",   "SAVE",   "SETTIM", "RDTIM",
      "STOP",   "GETIN",  "CLALL",  "UDTIM",  "SCREEN", "PLOT",   "IOBASE",
  };
  const int offset = address - qv3::cpu::kKernalTableFirst;
  if (offset < 0 || offset % 3 != 0 || offset / 3 >= static_cast<int>(std::size(names))) return {};
  return names[offset / 3];
}

// PETSCII to the terminal: RETURN as a line break, $20-$7E as the ASCII
// characters they share; other codes (colours, cursor moves, graphics) only
// reach the screen memory.
std::optional<char> TerminalCharacter(std::uint8_t petscii) {
  if (petscii == 0x0D || petscii == 0x8D) return '\n';
  if (petscii >= 0x20 && petscii <= 0x7E) return static_cast<char>(petscii);
  return std::nullopt;
}

std::string Hex2(std::uint8_t value) { return qv3::cpu::HexByteText(value).substr(1); }
std::string Hex4(std::uint16_t value) { return qv3::cpu::HexWordText(value).substr(1); }

std::string RegisterText(const qv3::cpu::Cpu6502& cpu, bool dollars) {
  const qv3::cpu::Registers& r = cpu.Registers;
  const std::string d = dollars ? "$" : "";
  return "A=" + d + Hex2(r.A) + " X=" + d + Hex2(r.X) + " Y=" + d + Hex2(r.Y) + " SP=" + d + Hex2(r.SP) +
         " P=" + d + Hex2(r.P) + " cycles=" + std::to_string(cpu.Cycles);
}

void TraceLine(const qv3::cpu::Cpu6502& cpu) {
  const std::uint16_t pc = cpu.Registers.PC;
  std::string bytes, text;
  if (pc >= qv3::cpu::kKernalTableFirst && pc <= qv3::cpu::kKernalTableLast) {
    const std::string_view name = KernalName(pc);
    text = "KERNAL " + (name.empty() ? std::string("entry") : std::string(name));
  } else {
    const qv3::cpu::DisassembledLine line = qv3::cpu::Disassemble(cpu.Memory, pc);
    for (int i = 0; i < line.Length; ++i) bytes += Hex2(line.Bytes[static_cast<std::size_t>(i)]) + " ";
    text = line.Text;
  }
  bytes.resize(10, ' ');
  text.resize(std::max<std::size_t>(text.size(), 18), ' ');
  std::cerr << Hex4(pc) << "  " << bytes << text << "  " << RegisterText(cpu, false) << '\n';
}

// 0: the options are in place; otherwise the exit status.
int ReadOptions(int argc, char** argv, Options& options) {
  bool optionsEnded = false;
  std::vector<std::string> programs;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      programs.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "-h" || arg == "--help") {
      std::cout << kUsage;
      return -1;
    }
    if (arg == "-V" || arg == "--version") {
      std::cout << "qv3run (QV3 - Assembler for 6502) v1.1.3\n";
      return -1;
    }
    if (arg == "--trace") {
      options.Trace = true;
      continue;
    }
    if (arg == "--plus4") {
      options.Plus4 = true;
      continue;
    }
    if (arg == "--screen-text") {
      options.ScreenText = true;
      continue;
    }
    if (arg == "--stop-undocumented") {
      options.StopUndocumented = true;
      continue;
    }
    // Options with a value: "--name VALUE" or "--name=VALUE".
    std::string name = arg, value;
    const auto equals = arg.find('=');
    bool haveValue = false;
    if (equals != std::string::npos) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
      haveValue = true;
    }
    if (name != "--start" && name != "--cycles" && name != "--keys" && name != "--dump" && name != "--frames" &&
        name != "--screen" && name != "--wav")
      return UsageError("unknown option '" + arg + "'");
    if (!haveValue) {
      if (i + 1 >= argc) return UsageError("option '" + name + "' needs a value");
      value = argv[++i];
    }
    if (name == "--keys") {
      for (char& c : value)
        if (c == '\n') c = '\r';
      options.Keys = value;
    } else if (name == "--start") {
      const auto start = ParseTerm(value, 0xFFFF);
      if (!start) return UsageError("--start needs an address from 0 to $FFFF or a label, not '" + value + "'");
      options.Start = *start;
    } else if (name == "--frames") {
      const auto frames = ParseNumber(value, UINT64_MAX);
      if (!frames) return UsageError("--frames needs a number of frames, not '" + value + "'");
      options.Frames = *frames;
    } else if (name == "--screen") {
      if (value.empty()) return UsageError("--screen needs a file name");
      options.ScreenPath = value;
    } else if (name == "--wav") {
      if (value.empty()) return UsageError("--wav needs a file name");
      options.WavPath = value;
    } else if (name == "--cycles") {
      const auto cycles = ParseNumber(value, UINT64_MAX);
      if (!cycles) return UsageError("--cycles needs a number of cycles, not '" + value + "'");
      options.CycleLimit = *cycles;
    } else {
      const auto colon = value.find(':');
      const auto address = ParseTerm(value.substr(0, colon), 0xFFFF);
      const auto length = colon == std::string::npos ? std::nullopt : ParseTerm(value.substr(colon + 1), 0x10000);
      if (!address || !length)
        return UsageError("--dump needs ADDR:LEN (each $hex, decimal or a label), not '" + value + "'");
      if (address->Name.empty() && length->Name.empty() && address->Number + length->Number > 0x10000)
        return UsageError("--dump " + value + " runs past $FFFF");
      options.Dumps.push_back({value, *address, *length});
    }
  }
  if (!options.Plus4 && (options.Frames || options.ScreenText || !options.ScreenPath.empty() || !options.WavPath.empty()))
    return UsageError(std::string(options.Frames ? "--frames" : options.ScreenText ? "--screen-text"
                                                    : options.ScreenPath.empty() ? "--wav" : "--screen") +
                      " needs --plus4");
  if (options.Plus4)
    if (const auto key = qv3::UntypableKey(options.Keys))
      return UsageError("--keys: no key of the Plus/4 types '" + std::string(1, *key) + "'");
  if (programs.empty()) return UsageError("no program given");
  if (programs.size() > 1) return UsageError("only one program may be given");
  options.Program = programs.front();
  return 0;
}

using Symbols = std::vector<std::pair<std::string, std::uint16_t>>;

// Assembles a source as qv3asm does; the program file's path and the top
// module's labels and constants, or the exit status when there is nothing
// to run.
int Compile(const std::string& path, std::string& programPath, Symbols& symbols) {
  const auto source = ReadWholeFile(path);
  if (!source) return InputError("cannot read source file '" + path + "'");
  qv3::CompileSession session;
  session.KeepTopModuleSymbols = true;
  session.CurrentDirectory = AbsoluteFolderOf("./");
  const std::string moduleName(qv3::CutAtFirstDot(qv3::FileNameOf(path)));
  const qv3::CompileOutcome outcome =
      qv3::RunCompileCommand(session, qv3::SourceText(*source), moduleName, AbsoluteFolderOf(path));
  if (outcome.Abandoned) return InputError("compile abandoned: " + outcome.Error);
  if (session.FatalFlag) {
    for (const auto& line : session.StatusList.Lines()) std::cout << line.Text << '\n';
    return kExitCompileFailed;
  }
  // A good compile stays off standard output, whose last line is the stop
  // line; its Status lines (warnings among them) go to standard error.
  for (const auto& line : session.StatusList.Lines()) std::cerr << line.Text << '\n';
  if (session.TopModuleProgramPath.empty()) return InputError("the compile of '" + path + "' wrote no program file");
  programPath = session.TopModuleProgramPath;
  symbols = std::move(session.TopModuleSymbols);
  return 0;
}

// The value of a term: its number, or the value of the label or constant
// it names (letter case ignored, as the assembler looks names up). symbols
// is null for a .prg, which has no names. Reports what it cannot resolve.
std::optional<std::uint32_t> ResolveTerm(const AddressTerm& term, const std::string& option,
                                         const Options& options, const Symbols* symbols) {
  if (term.Name.empty()) return static_cast<std::uint32_t>(term.Number);
  if (!symbols) {
    UsageError(option + ": '" + term.Name + "' is a name, and only a .qv3 source has labels and constants (" +
               options.Program + " is a program file)");
    return std::nullopt;
  }
  for (const auto& [name, value] : *symbols)
    if (qv3::EqualsIgnoringCase(name, term.Name)) return value;
  UsageError(option + ": " + term.Name + " is not a label or constant of " + options.Program);
  return std::nullopt;
}

// The start address (nothing: the program's own) and the dump ranges with
// every name resolved; false after a usage error.
bool ResolveAddresses(const Options& options, const Symbols* symbols, std::optional<std::uint16_t>& start,
                      std::vector<DumpRange>& dumps) {
  if (options.Start) {
    const auto value = ResolveTerm(*options.Start, "--start", options, symbols);
    if (!value) return false;
    start = static_cast<std::uint16_t>(*value);
  }
  for (const DumpTerms& dump : options.Dumps) {
    const auto address = ResolveTerm(dump.Address, "--dump " + dump.Text, options, symbols);
    if (!address) return false;
    const auto length = ResolveTerm(dump.Length, "--dump " + dump.Text, options, symbols);
    if (!length) return false;
    if (*address + *length > 0x10000) {
      UsageError("--dump " + dump.Text + " runs past $FFFF ($" + Hex4(static_cast<std::uint16_t>(*address)) +
                 ", " + std::to_string(*length) + " bytes)");
      return false;
    }
    dumps.push_back({*address, *length});
  }
  return true;
}

int ExitStatusOf(qv3::cpu::StopReason reason) {
  switch (reason) {
    case qv3::cpu::StopReason::CycleLimit: return kExitCycleLimit;
    case qv3::cpu::StopReason::Jam:
    case qv3::cpu::StopReason::Illegal: return kExitUndocumented;
    default: return kExitSuccess;
  }
}
}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (const int status = ReadOptions(argc, argv, options)) return status < 0 ? kExitSuccess : status;

  std::string programPath = options.Program;
  Symbols symbols;
  const bool isSource = EndsWith(options.Program, ".qv3");
  if (isSource)
    if (const int status = Compile(options.Program, programPath, symbols)) return status;
  std::optional<std::uint16_t> startAddress;
  std::vector<DumpRange> dumps;
  if (!ResolveAddresses(options, isSource ? &symbols : nullptr, startAddress, dumps)) return kExitUsage;

  const auto file = ReadWholeFile(programPath);
  if (!file) return InputError("cannot read program file '" + programPath + "'");
  const qv3::cpu::ParsedProgram parsed = qv3::cpu::ParseProgram(*file);
  if (!parsed.Image) return InputError("'" + programPath + "': " + parsed.Error);

  const std::uint16_t start = startAddress.value_or(qv3::cpu::StartAddress(*parsed.Image));
  if (options.Plus4) {
    qv3::Plus4RunOptions plus4;
    plus4.Start = start;
    plus4.CycleLimit = options.CycleLimit;
    plus4.Frames = options.Frames;
    plus4.Keys = options.Keys;
    for (const DumpRange& dump : dumps) plus4.Dumps.emplace_back(dump.Address, dump.Length);
    plus4.Trace = options.Trace;
    plus4.ScreenText = options.ScreenText;
    plus4.StopUndocumented = options.StopUndocumented;
    plus4.ScreenPath = options.ScreenPath;
    plus4.WavPath = options.WavPath;
    return qv3::RunOnPlus4(*parsed.Image, plus4);
  }

  qv3::cpu::ProgramRunner runner;
  runner.Load(*parsed.Image);
  runner.PrepareCall(start);
  runner.SetKeys(options.Keys);
  bool lineOpen = false;
  runner.CharacterSink = [&lineOpen](std::uint8_t petscii) {
    if (const auto c = TerminalCharacter(petscii)) {
      std::putchar(*c);
      lineOpen = *c != '\n';
    }
  };
  runner.NoteSink = [](std::uint16_t address) {
    const std::string_view name = KernalName(address);
    std::cerr << "qv3run: note: KERNAL call $" << Hex4(address)
              << (name.empty() ? std::string() : " (" + std::string(name) + ")")
              << " is not provided; it returned at once\n";
  };

  qv3::cpu::StopReason reason;
  if (options.Trace) {
    qv3::cpu::Cpu6502& cpu = runner.Cpu();
    std::optional<qv3::cpu::StopReason> stop;
    while (!stop && cpu.Cycles < options.CycleLimit) {
      TraceLine(cpu);
      stop = runner.Step();
    }
    reason = stop.value_or(qv3::cpu::StopReason::CycleLimit);
  } else {
    reason = runner.Run(options.CycleLimit);
  }

  std::string out = lineOpen ? "\n" : "";
  const qv3::cpu::Cpu6502& cpu = runner.Cpu();
  if (const std::string why = qv3::cpu::UndocumentedStopText(reason, cpu); !why.empty())
    std::cerr << "qv3run: " << why << '\n';
  for (const DumpRange& dump : dumps) {
    for (std::uint32_t offset = 0; offset < dump.Length; offset += 16) {
      const auto address = static_cast<std::uint16_t>(dump.Address + offset);
      out += Hex4(address);
      out += ':';
      for (std::uint32_t i = offset; i < dump.Length && i < offset + 16; ++i) {
        out += ' ';
        out += Hex2(cpu.Memory[dump.Address + i]);
      }
      out += '\n';
    }
  }
  out += "stop: " + std::string(qv3::cpu::StopReasonText(reason)) + " at $" + Hex4(cpu.Registers.PC) + " " +
         RegisterText(cpu, true) + "\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
  if (std::ferror(stdout)) return InputError("cannot write standard output");
  return ExitStatusOf(reason);
}
