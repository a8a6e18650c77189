#include "engine/data_directives.h"

#include <string>

#include "engine/expression_parser.h"
#include "engine/knowledge_collector.h"
#include "engine/line_context.h"
#include "engine/module_assembly.h"
#include "engine/petscii.h"
#include "engine/session.h"
#include "engine/source_text.h"
#include "engine/value_range.h"

namespace qv3 {

namespace {
void Report(ModuleAssembly& module, ErrorCode code, std::string_view detail = {}) {
  ReportDiagnostic(module.Session, code, true, module.ModuleName, detail);
}

bool Listing(const ModuleAssembly& module, const LineContext& line) {
  return !line.IsPass1 && module.CodeListing;
}

// Pass 2 writes a value's low byte(s), warning (once a line) when it does
// not fit.
void WriteValue(ModuleAssembly& module, std::int64_t value, int width, bool& refused, bool& warned) {
  if (!warned) warned = WarnIfValueDoesNotFit(module, value, width);
  refused |= !WriteProgramByte(module, static_cast<std::uint8_t>(value & 0xFF), !refused);
  if (width == 2)
    refused |= !WriteProgramByte(module, static_cast<std::uint8_t>((value >> 8) & 0xFF), !refused);
}

// The byte run a data line writes: started and ended once per line.
class DataRun {
 public:
  DataRun(ModuleAssembly& module, const LineContext& line) : module_(module), pass2_(!line.IsPass1) {
    if (!pass2_) return;
    WriteLoadAddress(module_);
    SeekOrigin(module_);
    if (module_.Knowledge) module_.Knowledge->DataStart(module_.Origin);
  }
  // "*" stays the line's address while its values are read, as in 64tass:
  // the location counter moves past them at the end.
  ~DataRun() {
    AdvanceOrigin(module_, size_);
    if (pass2_ && module_.Knowledge) module_.Knowledge->DataEnd(module_);
  }
  DataRun(const DataRun&) = delete;
  DataRun& operator=(const DataRun&) = delete;

  // Set once a value of the line has failed (reported in pass 2): the rest
  // are written as 0 unread, so a long line reports its first fault only
  // (each report repeats the line's text) and reads it once.
  bool Failed = false;

  // Writes (pass 2) and counts one value of width bytes.
  void Put(std::int64_t value, int width) {
    if (pass2_) WriteValue(module_, value, width, refused_, warned_);
    size_ += width;
  }
  // Counts bytes that pass 1 does not read.
  void Skip(std::int64_t size) { size_ += size; }

 private:
  ModuleAssembly& module_;
  bool pass2_;
  bool refused_ = false;
  bool warned_ = false;
  std::int64_t size_ = 0;
};

ExpressionOptions DataOptions(const LineContext& line) { return {line.IsPass1, !line.IsPass1, false}; }

// Splits "count, value" into two expressions; the second is optional.
struct TwoValues {
  bool Valid = false;
  std::int64_t First = 0, Second = 0;
};
TwoValues CountAndValue(ModuleAssembly& module, const LineContext& line, ErrorCode syntax) {
  TwoValues values;
  // The count decides the size: needed in pass 1, from symbols above.
  ExpressionReader reader(module, line.RestOfLine, {line.IsPass1, line.IsPass1, line.IsPass1});
  if (reader.AtEnd()) {
    if (line.IsPass1) Report(module, syntax);
    return values;
  }
  const ExpressionResult count = reader.Next();
  ExpressionResult fill;
  fill.Valid = true;
  if (reader.TakeComma()) {
    ExpressionReader rest(module, line.RestOfLine.substr(reader.Position()), DataOptions(line));
    fill = rest.Next();
    if (fill.Valid && !rest.AtEnd()) {
      if (!line.IsPass1) Report(module, syntax);
      fill.Valid = false;
    }
  } else if (!reader.AtEnd()) {
    if (line.IsPass1) Report(module, syntax);
    return values;
  }
  values.Valid = count.Valid && fill.Valid;
  values.First = count.Value;
  values.Second = fill.Value;
  return values;
}
}  // namespace

void WriteDirectiveListing(ModuleAssembly& module, std::int32_t origin, std::string_view keyword,
                           std::string_view rest) {
  std::string text = ListingAddress(origin);
  text += " : ";
  text += keyword;
  text += ' ';
  text += rest;
  WriteObjectLine(module, text);
}

std::int64_t PassOneValue(ModuleAssembly& module, std::string_view text, bool isPass1) {
  const ExpressionResult result =
      EvaluateWholeExpression(module, text, ExpressionOptions{isPass1, isPass1, isPass1});
  return result.Valid ? result.Value : 0;
}

bool IsLiteralList(std::string_view rest) {
  std::size_t at = 0;
  while (at < rest.size()) {
    at = rest.find_first_not_of(' ', at);
    if (at == std::string_view::npos) break;
    const std::size_t end = std::min(rest.find(' ', at), rest.size());
    const std::string_view word = TrimControls(rest.substr(at, end - at));
    if (!word.empty() && !ReadNumberLiteral(word).Valid) return false;
    at = end;
  }
  return true;
}

namespace {
// The items of a comma list: pass 1 only counts them (commas outside
// brackets and character literals), and the values wait for pass 2.
std::size_t CountListItems(std::string_view list) {
  std::size_t items = 1;
  int nesting = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const char c = list[i];
    if (c == '\'' && i + 2 < list.size() && list[i + 2] == '\'') i += 2;
    else if (c == '(' || c == '[') ++nesting;
    else if ((c == ')' || c == ']') && nesting > 0) --nesting;
    else if (c == ',' && nesting == 0) ++items;
  }
  return items;
}
}  // namespace

void ExpressionData(ModuleAssembly& module, LineContext& line, std::string_view keyword, int width, bool list) {
  if (list && Listing(module, line)) WriteDirectiveListing(module, module.Origin, keyword, line.RestOfLine);
  DataRun run(module, line);
  const std::string_view rest = line.RestOfLine;
  line.FirstWord = {};
  const bool commas = rest.find(',') != std::string_view::npos;
  if (line.IsPass1) {
    std::size_t items = 0;
    if (commas) {
      items = CountListItems(rest);
    } else {
      for (std::size_t at = 0; (at = rest.find_first_not_of(' ', at)) != std::string_view::npos;
           at = std::min(rest.find(' ', at), rest.size()))
        ++items;
    }
    run.Skip(static_cast<std::int64_t>(items) * width);
    return;
  }
  // After a line's first fault its other values are written as 0 unread:
  // the module has failed, and a long line must not cost a report each.
  if (commas) {
    ExpressionReader reader(module, rest, DataOptions(line));
    do {
      ExpressionResult item;
      if (reader.Reported()) reader.SkipItem();
      else item = reader.Next();
      run.Put(item.Valid ? item.Value : 0, width);
    } while (reader.TakeComma());
  } else {
    std::size_t at = 0;
    bool failed = false;
    while ((at = rest.find_first_not_of(' ', at)) != std::string_view::npos) {
      const std::size_t end = std::min(rest.find(' ', at), rest.size());
      ExpressionResult item;
      if (!failed) item = EvaluateWholeExpression(module, rest.substr(at, end - at), DataOptions(line));
      failed |= !item.Valid;
      run.Put(item.Valid ? item.Value : 0, width);
      at = end;
    }
  }
}

namespace {
// The bytes of one "~...~" or "\"...\"" string; {expression} stands for
// one byte. Returns false (reported in pass 2) on a fault.
bool PutString(ModuleAssembly& module, const LineContext& line, std::string_view text, bool cased,
               DataRun& run) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '{') {
      const auto close = text.find('}', i);
      if (close == std::string_view::npos) {
        if (!line.IsPass1) Report(module, Err::TextSyntax);
        return false;
      }
      ExpressionResult code;
      if (!run.Failed) code = EvaluateWholeExpression(module, text.substr(i + 1, close - i - 1), DataOptions(line));
      run.Failed |= !code.Valid;
      run.Put(code.Valid ? code.Value : 0, 1);
      i = close;
      continue;
    }
    const auto code = cased ? PetsciiOfCasedCharacter(text[i]) : PetsciiOfUpperCasedCharacter(text[i]);
    if (!code && !line.IsPass1 && !run.Failed)
      Report(module, Err::NoPetsciiCode, "\"" + std::string(1, text[i]) + "\"");
    run.Failed |= !code;
    run.Put(code.value_or(0), 1);
  }
  return true;
}
}  // namespace

void Text(ModuleAssembly& module, LineContext& line) {
  if (Listing(module, line)) WriteDirectiveListing(module, module.Origin, "TEXT", line.RestOfLine);
  DataRun run(module, line);
  const std::string_view rest = line.RestOfLine;
  std::size_t at = rest.find_first_not_of(' ');
  if (at == std::string_view::npos) {
    if (!line.IsPass1) Report(module, Err::TextSyntax);
    return;
  }
  for (;;) {
    const char quote = rest[at];
    if (quote == '~' || quote == '"') {
      const auto close = rest.find(quote, at + 1);
      if (close == std::string_view::npos) {
        if (!line.IsPass1) Report(module, Err::TextSyntax);
        return;
      }
      if (!PutString(module, line, rest.substr(at + 1, close - at - 1), quote == '~', run)) return;
      at = close + 1;
    } else {
      ExpressionReader reader(module, rest.substr(at), DataOptions(line));
      ExpressionResult value;
      if (run.Failed) reader.SkipItem();
      else value = reader.Next();
      run.Failed |= !value.Valid;
      run.Put(value.Valid ? value.Value : 0, 1);
      at += reader.Position();
    }
    at = rest.find_first_not_of(' ', at);
    if (at == std::string_view::npos) return;
    if (rest[at] != ',') {
      if (!line.IsPass1) Report(module, Err::TextSyntax);
      return;
    }
    at = rest.find_first_not_of(' ', at + 1);
    if (at == std::string_view::npos) {
      if (!line.IsPass1) Report(module, Err::TextSyntax);
      return;
    }
  }
}

namespace {
constexpr std::int64_t kMaxFill = 65536;

void PutRun(ModuleAssembly& module, const LineContext& line, std::int64_t count, std::int64_t value) {
  DataRun run(module, line);
  if (line.IsPass1) {
    run.Skip(count);
    return;
  }
  WarnIfValueDoesNotFit(module, value, 1);
  bool refused = false;
  for (std::int64_t i = 0; i < count; ++i)
    refused |= !WriteProgramByte(module, static_cast<std::uint8_t>(value & 0xFF), !refused);
  run.Skip(count);
}
}  // namespace

void Fill(ModuleAssembly& module, LineContext& line) {
  if (Listing(module, line)) WriteDirectiveListing(module, module.Origin, "FILL", line.RestOfLine);
  const TwoValues values = CountAndValue(module, line, Err::FillSyntax);
  if (!values.Valid) return;
  if (values.First < 0 || values.First > kMaxFill) {
    if (line.IsPass1) Report(module, Err::CountOutOfRange, std::to_string(values.First));
    return;
  }
  PutRun(module, line, values.First, values.Second);
}

void Align(ModuleAssembly& module, LineContext& line) {
  if (Listing(module, line)) WriteDirectiveListing(module, module.Origin, "ALIGN", line.RestOfLine);
  const TwoValues values = CountAndValue(module, line, Err::AlignSyntax);
  if (!values.Valid) return;
  if (values.First < 1 || values.First > kMaxFill) {
    if (line.IsPass1) Report(module, Err::CountOutOfRange, std::to_string(values.First));
    return;
  }
  const std::int64_t origin = static_cast<std::uint32_t>(module.Origin);
  const std::int64_t remainder = origin % values.First;
  PutRun(module, line, remainder == 0 ? 0 : values.First - remainder, values.Second);
}

}  // namespace qv3
