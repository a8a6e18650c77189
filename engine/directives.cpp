#include "engine/directives.h"

#include <algorithm>
#include <fstream>
#include <string>

#include "engine/data_directives.h"
#include "engine/file_system.h"
#include "engine/instruction.h"
#include "engine/block_diagnostics.h"
#include "engine/knowledge_collector.h"
#include "engine/line_context.h"
#include "engine/block_keywords.h"
#include "engine/line_source.h"
#include "engine/module_assembly.h"
#include "engine/session.h"
#include "engine/source_text.h"
#include "engine/value_range.h"

namespace qv3 {

namespace {
constexpr std::array<std::uint8_t, 256> MakeScreenCodes() {
  std::array<std::uint8_t, 256> codes{};
  for (int c = 0; c < 256; ++c) {
    std::uint8_t code = 0x20;
    if (c >= 33 && c <= 63) code = static_cast<std::uint8_t>(c);
    else if (c == 64) code = 0x00;
    else if (c >= 65 && c <= 90) code = static_cast<std::uint8_t>(c);
    else if (c == 91) code = 0x1B;
    else if (c == 92) code = 0x00;
    else if (c == 93) code = 0x1D;
    else if (c == 94 || c == 95) code = 0x00;
    else if (c >= 97 && c <= 122) code = static_cast<std::uint8_t>(c - 96);
    codes[static_cast<std::size_t>(c)] = code;
  }
  return codes;
}

void Report(ModuleAssembly& module, ErrorCode code, bool fatal) {
  ReportDiagnostic(module.Session, code, fatal, module.ModuleName);
}

std::int32_t Number(ModuleAssembly& module, std::string_view text) {
  return ParseNumber(text, module.Session, module.ModuleName);
}

bool Listing(const ModuleAssembly& module, const LineContext& line) {
  return !line.IsPass1 && module.CodeListing;
}

// Pass 1 records the constant; a constant's value is fixed there. Returns
// false when the line ends here (a name defined before).
bool DefineConstant(ModuleAssembly& module, LineContext& line) {
  if (line.IsPass1) {
    if (module.Symbols.Find(line.FirstWord)) {
      Report(module, Err::ConstantRedefined, true);
      return false;
    }
    const std::string_view name = line.FirstWord;
    const std::string_view equals = TakeWordOf(line.RestOfLine);  // whatever it holds
    const std::string_view expression = line.RestOfLine;
    line.FirstWord = TakeWordOf(line.RestOfLine);
    std::int64_t value = 0;
    // Today's definition reads one number word; an expression is read only
    // where that word is no number, after a "=" standing alone.
    if (ReadNumberLiteral(line.FirstWord).Valid || equals != "=") {
      value = Number(module, line.FirstWord);
    } else {
      value = PassOneValue(module, expression, true);
      line.FirstWord = {};
    }
    module.Symbols.Add(name, static_cast<std::uint16_t>(value & 0xFFFF));
    if (module.Knowledge) module.Knowledge->Definition(module, line, name, SymbolKind::Constant);
  } else if (module.Knowledge) [[unlikely]] {
    // Pass 2 reads an expression again only for the references it makes.
    std::string_view rest = line.RestOfLine;
    const std::string_view equals = TakeWordOf(rest);
    const std::string_view expression = rest;
    if (equals == "=" && !ReadNumberLiteral(TakeWordOf(rest)).Valid) PassOneValue(module, expression, false);
  }
  line.Handled = true;
  return true;
}

// A ".NAME" label: its first definition in the module keeps its name, a
// definition in another scope is kept under the scope's name. Returns
// false when the line ends here (defined before in the same scope, or a
// symbol of that name that is no local label).
bool DefineLocalLabel(ModuleAssembly& module, LineContext& line, std::uint16_t address) {
  const std::string_view name = line.FirstWord;
  LabelScopes& scopes = module.Scopes;
  if (!line.IsPass1) {
    if (const auto index = scopes.FindInScope(name)) module.Symbols.SetValue(*index, address);
    line.AfterLabel = true;
    return true;
  }
  const bool further = scopes.IsKnownLocal(name);
  const std::string qualified = further ? scopes.QualifiedName(name) : std::string(name);
  if (scopes.FindInScope(name) || module.Symbols.Find(qualified)) {
    Report(module, Err::DuplicateLabel, true);
    return false;
  }
  const std::size_t index = module.Symbols.Add(qualified, address);
  scopes.AddLocal(name, index);
  if (module.Knowledge) module.Knowledge->Definition(module, line, name, SymbolKind::Label, qualified);
  line.AfterLabel = true;
  return true;
}

// Returns false when the line ends here (a duplicate label in pass 1).
bool DefineLabel(ModuleAssembly& module, LineContext& line) {
  line.FirstWord.remove_suffix(1);  // the ":"
  const auto address = static_cast<std::uint16_t>(module.Origin & 0xFFFF);
  if (IsLocalLabelName(line.FirstWord)) return DefineLocalLabel(module, line, address);
  if (const auto index = module.Symbols.Find(line.FirstWord)) {
    if (line.IsPass1) {
      Report(module, Err::DuplicateLabel, true);
      return false;
    }
    // Pass 2 moves every label to where this pass meets it.
    module.Symbols.SetValue(*index, address);
    module.Scopes.EnterScope(module.Symbols.Name(*index));
  } else if (line.IsPass1) {
    const std::size_t added = module.Symbols.Add(line.FirstWord, address);
    if (module.Knowledge) module.Knowledge->Definition(module, line, line.FirstWord, SymbolKind::Label);
    module.Scopes.EnterScope(module.Symbols.Name(added));
  }
  line.AfterLabel = true;
  return true;
}

// "-" or "+" as the first word: an anonymous label, followed by the line's
// instruction as a label is.
void DefineAnonymousLabel(ModuleAssembly& module, LineContext& line) {
  module.Scopes.DefineAnonymous(line.FirstWord[0] == '+',
                                static_cast<std::int32_t>(module.Origin & 0xFFFF));
  line.AfterLabel = true;
}

void Origin(ModuleAssembly& module, LineContext& line) {
  const std::string_view expression = line.RestOfLine;
  const std::string_view word = TakeWordOf(line.RestOfLine);
  const auto value = static_cast<std::int32_t>(ReadNumberLiteral(word).Valid
                                                   ? Number(module, word)
                                                   : PassOneValue(module, expression, line.IsPass1));
  // The first ORIGIN of a pass also fixes the load address.
  if (module.Origin == 0) module.LoadAddress = static_cast<std::uint16_t>(value & 0xFFFF);
  module.Origin = value;
}

void Leap(ModuleAssembly& module, LineContext& line) {
  if (module.Origin <= 0) {
    Report(module, Err::LeapBeforeOrigin, false);
    return;
  }
  line.RestOfLine = SkipBlanks(line.RestOfLine);
  AdvanceOrigin(module, ReadNumberLiteral(line.RestOfLine).Valid
                            ? Number(module, line.RestOfLine)
                            : PassOneValue(module, line.RestOfLine, line.IsPass1));
  if (Listing(module, line)) WriteObjectLine(module, "// * LEAP *");
}

void NextPage(ModuleAssembly& module, LineContext& line) {
  if (module.Origin <= 0) {
    Report(module, Err::NextpageBeforeOrigin, false);
    return;
  }
  if (module.Origin % 256 == 0) return;
  module.Origin = static_cast<std::int32_t>(
      (static_cast<std::int64_t>(module.Origin) / 256 + 1) * 256);  // wraps past the top
  if (Listing(module, line)) WriteObjectLine(module, "// * NEXTPAGE *");
}

// Copies a file's bytes into the program (pass 2) and advances past them.
// Only regular files are read, so a folder or a device is a file error
// rather than an endless read.
bool Binary(ModuleAssembly& module, LineContext& line) {
  if (Listing(module, line)) WriteDirectiveListing(module, module.Origin, "BINARY", line.RestOfLine);
  if (!line.IsPass1) {
    WriteLoadAddress(module);
    SeekOrigin(module);
  }
  line.RestOfLine = SkipBlanks(line.RestOfLine);
  const std::string path = ResolveInFolder(module.Directory, line.RestOfLine);
  const auto size = RegularFileSize(path);
  std::ifstream file;
  if (size) file.open(path, std::ios::binary);
  if (!size || !file) {
    Report(module, Err::FileError, true);
    return false;
  }
  if (!line.IsPass1) {
    char buffer[1 << 14];
    std::uint64_t remaining = *size;
    while (remaining > 0 && module.ProgramFile.Position() < ProgramImage::kMaxSize) {
      file.read(buffer, static_cast<std::streamsize>(std::min<std::uint64_t>(remaining, sizeof buffer)));
      const auto got = file.gcount();
      if (got <= 0)
        throw CompileAbandoned("Cannot read file " + path + ": the file could not be read");
      for (std::streamsize i = 0; i < got; ++i)
        WriteProgramByte(module, static_cast<std::uint8_t>(buffer[i]));
      remaining -= static_cast<std::uint64_t>(got);
    }
    // Bytes past the 64 KB space are not stored; one report covers them.
    if (remaining > 0) WriteProgramByte(module, 0);
    if (module.Knowledge) module.Knowledge->Assembled(module, module.Origin, *size);
  }
  AdvanceOrigin(module, static_cast<std::int64_t>(*size));
  return true;
}

bool Screen(ModuleAssembly& module, LineContext& line) {
  if (Listing(module, line)) WriteDirectiveListing(module, module.Origin, "SCREEN", line.RestOfLine);
  if (!line.IsPass1) {
    WriteLoadAddress(module);
    SeekOrigin(module);
  }
  const auto open = line.RestOfLine.find('~');
  if (open == std::string_view::npos) {
    Report(module, Err::ScreenSyntax, true);
    return false;
  }
  const auto close = line.RestOfLine.find('~', open + 1);
  const std::string_view text = line.RestOfLine.substr(
      open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1);
  if (!line.IsPass1) {
    bool refused = false;  // reported once: later refusals repeat the line
    for (char c : text)
      refused |= !WriteProgramByte(module, ScreenCodes[static_cast<unsigned char>(c)], !refused);
    if (module.Knowledge) module.Knowledge->Assembled(module, module.Origin, text.size());
  }
  AdvanceOrigin(module, static_cast<std::int64_t>(text.size()));
  return true;
}

bool Include(ModuleAssembly& module, LineContext& line) {
  line.RestOfLine = SkipBlanks(line.RestOfLine);
  // Only a file that includes itself, directly or through others, gets this
  // deep. Once it has, the other INCLUDEs met under the same module line are
  // refused too: a file that includes itself twice would otherwise unfold
  // into 2^64 inclusions before every branch reached the limit.
  if (module.IncludeDepth >= kMaxIncludeDepth) module.IncludeLimitReached = true;
  const std::string path =
      module.IncludeLimitReached ? std::string() : ResolveInFolder(module.Directory, line.RestOfLine);
  const auto content = module.IncludeLimitReached ? std::nullopt
                                                 : ReadFileOrOverlay(path, module.Session.Overlay);
  if (!content) {
    Report(module, Err::FileError, true);
    return false;
  }
  ++module.IncludeDepth;
  const std::atomic<bool>* cancel = module.Session.Cancel;
  KnowledgeCollector* const knowledge = module.Knowledge;
  if (knowledge) knowledge->EnterInclude(path);
  const bool isPass1 = line.IsPass1;
  const BlockMark blocks = EnterBlocksFile(module);
  const LineOrigin including{module.Session.CurrentLineNumber, 0, path};
  std::int32_t number = 0;
  SourceText(*content).ForEachLine([&](std::string_view included) {
    if (cancel && cancel->load(std::memory_order_relaxed)) throw CompileCancelled();
    if (knowledge) [[unlikely]]
      knowledge->IncludedLine();
    FeedLine(module, included, isPass1, LineOrigin{including.ModuleLine, ++number, path});
    if (knowledge && !isPass1) [[unlikely]]
      knowledge->EndOfLine(included);
    return true;
  });
  LeaveBlocksFile(module, blocks);
  if (knowledge) knowledge->LeaveInclude();
  --module.IncludeDepth;
  return true;
}

// Today's blank-separated literals; a line that is no such list (a comma
// makes every word invalid; pass 2 meets any other invalid word) is read
// again as expressions from its start. Both readings count blank-separated
// words alike, so pass 1 needs no look at the values without a comma.
void BinaryData(ModuleAssembly& module, LineContext& line, std::string_view keyword, int width) {
  if (line.RestOfLine.find(',') != std::string_view::npos) {
    ExpressionData(module, line, keyword, width, true);
    return;
  }
  const std::int32_t start = module.Origin;
  if (!line.IsPass1) WriteLoadAddress(module);
  if (Listing(module, line)) WriteDirectiveListing(module, module.Origin, keyword, line.RestOfLine);
  // The values are walked by position instead of being deleted word by word
  // from the front of the line, and each kind of report is made once per
  // line (later ones would repeat its text): on a very long line either
  // would cost the line's length for every value. The rest holds no TAB
  // (the line was normalised), so a word runs from the next non-blank to
  // the next blank, as TakeWord takes it.
  const std::string_view rest = line.RestOfLine;
  const auto significant = std::find_if(rest.rbegin(), rest.rend(),
                                        [](char c) { return static_cast<unsigned char>(c) > 32; });
  const auto end = static_cast<std::size_t>(rest.rend() - significant);  // past the last one
  bool refused = false, warned = false;
  if (module.Knowledge && !line.IsPass1) module.Knowledge->DataStart(module.Origin);
  std::size_t at = 0;
  while (at < end) {
    at = rest.find_first_not_of(' ', at);
    const std::size_t wordEnd = std::min(rest.find(' ', at), rest.size());
    line.FirstWord = TrimControls(rest.substr(at, wordEnd - at));
    at = wordEnd;
    if (!line.IsPass1) {
      SeekOrigin(module);
      const auto [value, valid] = ReadNumberLiteral(line.FirstWord);
      if (!valid) [[unlikely]] {
        module.Origin = start;
        ExpressionData(module, line, keyword, width, false);
        return;
      }
      // One warning a line: each repeats the line's text.
      if (!warned) warned = WarnIfValueDoesNotFit(module, value, width);
      refused |= !WriteProgramByte(module, static_cast<std::uint8_t>(value & 0xFF), !refused);
      if (width == 2)
        refused |= !WriteProgramByte(module, static_cast<std::uint8_t>((value >> 8) & 0xFF), !refused);
    }
    AdvanceOrigin(module, width);
  }
  if (module.Knowledge && !line.IsPass1) module.Knowledge->DataEnd(module);
  line.RestOfLine.remove_prefix(at);
  // The last word is left for the keywords after BIN.B, as always, unless
  // it is no number: such a line is read as expressions, which leave none.
  if (line.IsPass1 && at > 0 && !ReadNumberLiteral(line.FirstWord).Valid) line.FirstWord = {};
}
enum class Keyword {
  None, Origin, Leap, NextPage, ObjectFile, Binary, Screen, Include, BinB, BinW, Strip, Compile
};

// The directive a first word names, if any. Most lines hold a mnemonic of
// three letters, which no keyword has, so the length decides first.
Keyword KeywordOf(std::string_view word) {
  switch (word.size()) {
    case 4:
      if (word == "LEAP") return Keyword::Leap;
      break;
    case 5:
      if (word == "BIN.B") return Keyword::BinB;
      if (word == "BIN.W") return Keyword::BinW;
      if (word == "STRIP") return Keyword::Strip;
      break;
    case 6:
      if (word == "ORIGIN") return Keyword::Origin;
      if (word == "BINARY") return Keyword::Binary;
      if (word == "SCREEN") return Keyword::Screen;
      break;
    case 7:
      if (word == "INCLUDE") return Keyword::Include;
      if (word == "COMPILE") return Keyword::Compile;
      break;
    case 8:
      if (word == "NEXTPAGE") return Keyword::NextPage;
      break;
    case 10:
      if (word == "OBJECTFILE") return Keyword::ObjectFile;
      break;
  }
  return Keyword::None;
}

// TEXT, FILL and ALIGN as a line's first word. A label of that name keeps
// its meaning: these words are directives only where no label stands.
bool AddedDirective(ModuleAssembly& module, LineContext& line) {
  const std::string_view word = line.FirstWord;
  if (word.size() != 4 && word.size() != 5) return false;
  if (word == "TEXT") Text(module, line);
  else if (word == "FILL") Fill(module, line);
  else if (word == "ALIGN") Align(module, line);
  else return false;
  line.Handled = true;
  return true;
}

// "LABEL: TEXT ~...~": a data directive after a label on its line.
bool DataAfterLabel(ModuleAssembly& module, LineContext& line) {
  std::string_view rest = line.RestOfLine;
  const std::string_view word = TakeWordOf(rest);
  const Keyword keyword = KeywordOf(word);
  if (keyword != Keyword::BinB && keyword != Keyword::BinW && keyword != Keyword::Screen &&
      word != "TEXT" && word != "FILL" && word != "ALIGN")
    return false;
  line.FirstWord = word;
  line.RestOfLine = rest;
  line.Handled = true;
  if (keyword == Keyword::BinB) BinaryData(module, line, "BIN.B", 1);
  else if (keyword == Keyword::BinW) BinaryData(module, line, "BIN.W", 2);
  else if (keyword == Keyword::Screen) Screen(module, line);
  else AddedDirective(module, line);
  return true;
}
}  // namespace

const std::array<std::uint8_t, 256> ScreenCodes = MakeScreenCodes();

bool DefinesConstant(std::string_view restOfLine) {
  std::string_view rest = restOfLine;
  const std::string_view equals = TakeWordOf(rest);
  if (equals == "=" || ReadNumberLiteral(TakeWordOf(rest)).Valid) return true;
  for (const std::string_view mark : {"==", "!=", "<=", ">=", "\"", "'"})
    if (restOfLine.find(mark) != std::string_view::npos) return false;
  return true;
}

bool IsDirectiveWord(std::string_view word) { return KeywordOf(word) != Keyword::None; }

bool ProcessLine(ModuleAssembly& module, std::string_view text, bool isPass1, bool leaveBlockLines) {
  CompileSession& session = module.Session;
  text = StripComment(text);
  session.CurrentLineText.assign(text);
  if (module.IncludeDepth == 0) module.IncludeLimitReached = false;  // a line of the module itself

  const auto depth = static_cast<std::size_t>(module.IncludeDepth);
  if (module.LineContexts.size() <= depth) module.LineContexts.push_back(std::make_unique<LineContext>());
  LineContext& line = *module.LineContexts[depth];
  line.IsPass1 = isPass1;
  line.AfterLabel = false;
  line.Handled = false;
  line.Load(text);
  if (leaveBlockLines && !line.FirstWord.empty() && MayStartBlockKeyword(line.FirstWord[0]) &&
      IsBlockKeyword(line.FirstWord)) [[unlikely]]
    return false;

  if (line.RestOfLine.find('=') != std::string_view::npos && DefinesConstant(line.RestOfLine) &&
      !DefineConstant(module, line))
    return true;
  if (line.FirstWord.empty()) return true;
  if (line.FirstWord.back() == ':' && !DefineLabel(module, line)) return true;

  // Every keyword is compared with FirstWord as the earlier ones left it:
  // the chain does not stop at a match. Only BIN.B and BIN.W change the
  // word (to their last value), so it is classified again after them.
  Keyword word = KeywordOf(line.FirstWord);
  if (word == Keyword::None) {
    if (line.Handled) return true;
    if (line.FirstWord.size() == 1 && (line.FirstWord[0] == '-' || line.FirstWord[0] == '+') &&
        !line.AfterLabel) [[unlikely]]
      DefineAnonymousLabel(module, line);
    // The directives added to the language, and data after a label, are
    // words that no instruction has: today they end in a fatal report.
    if (line.AfterLabel ? DataAfterLabel(module, line) : AddedDirective(module, line)) return true;
    AssembleInstruction(module, line);
    return true;
  }
  if (word == Keyword::Origin) line.Handled = true, Origin(module, line);
  if (word == Keyword::Leap) line.Handled = true, Leap(module, line);
  if (word == Keyword::NextPage) line.Handled = true, NextPage(module, line);
  if (word == Keyword::ObjectFile) line.Handled = true, module.CodeListing = true;
  if (word == Keyword::Binary) {
    line.Handled = true;
    if (!Binary(module, line)) return true;
  }
  if (word == Keyword::Screen) {
    line.Handled = true;
    if (!Screen(module, line)) return true;
  }
  if (word == Keyword::Include) {
    line.Handled = true;
    if (!Include(module, line)) return true;
  }
  if (word == Keyword::BinB) {
    line.Handled = true;
    BinaryData(module, line, "BIN.B", 1);
    word = KeywordOf(line.FirstWord);
  }
  if (word == Keyword::BinW) {
    line.Handled = true;
    BinaryData(module, line, "BIN.W", 2);
    word = KeywordOf(line.FirstWord);
  }
  if (word == Keyword::Strip) {
    line.Handled = true;
    module.Stripped = true;
    module.HeaderSize = 0;
  }
  if (word == Keyword::Compile) {
    line.Handled = true;
    if (Listing(module, line)) {
      std::string listing = ">> called compile ";
      listing += line.RestOfLine;
      WriteObjectLine(module, listing);
    }
  }

  if (!line.Handled) AssembleInstruction(module, line);
  return true;
}

}  // namespace qv3
