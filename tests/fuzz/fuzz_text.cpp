// Fuzz target: the source-text operations and number literals checked
// against their rules on arbitrary text. The first byte picks a separator
// length for SplitText (0..3 bytes that follow); the rest is the text, and
// its first bytes also give a 32-bit value for the round trips.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/session.h"
#include "engine/source_text.h"
#include "tests/fuzz/parse_number_model.h"

namespace {

// Every report is counted: the Status list cannot show a second report of
// one call, since both lines would read the same and the second is dropped.
int g_reports = 0;

[[noreturn]] void Violated(const char* rule, std::string_view text) {
  std::fprintf(stderr, "fuzz_text: check failed: %s (text of %zu bytes)\n", rule, text.size());
  __builtin_trap();
}

void Require(bool holds, const char* rule, std::string_view text) {
  if (!holds) Violated(rule, text);
}

// ParseNumber with a fresh session; the number of reports it made.
std::int32_t Parse(std::string_view text, int& reports) {
  qv3::CompileSession session;
  g_reports = 0;
  const std::int32_t value = qv3::ParseNumber(text, session, "fuzz");
  reports = g_reports;
  Require(session.StatusList.Size() == static_cast<std::size_t>(reports > 0 ? 1 : 0),
          "a report of ParseNumber is listed once", text);
  return value;
}

bool IsUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

std::string Normalised(std::string text) {
  qv3::NormaliseBlanks(text);
  return text;
}

void CheckHexText(std::uint32_t value) {
  const std::string hex = qv3::HexText(value);
  const std::uint32_t low = value & 0xFFFF;
  Require(hex.size() == (low < 256 ? 2u : 4u), "HexText has 2 digits below 256, else 4", hex);
  std::uint32_t back = 0;
  for (char c : hex) {
    Require(IsUpperHex(c), "HexText uses upper-case hex digits", hex);
    back = back * 16 + static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 'A' + 10);
  }
  Require(back == low, "HexText round-trips modulo 65536", hex);

  int reports = 0;
  Require(Parse("$" + hex, reports) == static_cast<std::int32_t>(low) && reports == 0,
          "ParseNumber reads \"$\" + HexText(v) back as v & $FFFF", hex);
}

void CheckNumberRoundTrips(std::uint32_t bits) {
  const auto value = static_cast<std::int32_t>(bits);
  int reports = 0;
  const std::string decimal = std::to_string(value);
  Require(Parse(decimal, reports) == value && reports == 0, "decimal text of an int32 parses back",
          decimal);
  if (value >= 0)
    Require(Parse("+" + decimal, reports) == value && reports == 0, "\"+\" decimal parses back",
            decimal);

  char hex[16];
  std::snprintf(hex, sizeof hex, "%X", bits);
  Require(Parse(std::string("$") + hex, reports) == value && reports == 0,
          "32-bit \"$\" hex parses back", hex);
  std::snprintf(hex, sizeof hex, "0x%x", bits);
  Require(Parse(hex, reports) == value && reports == 0, "\"0x\" hex of the decimal conversion", hex);

  std::string binary;
  for (int bit = 31; bit >= 0; --bit) binary.push_back((bits >> bit) & 1 ? '1' : '0');
  Require(Parse("%" + binary, reports) == value && reports == 0, "32-bit binary parses back",
          binary);
}

void CheckParseNumber(std::string_view text) {
  int reports = 0;
  const std::int32_t value = Parse(text, reports);
  Require(reports <= 1, "ParseNumber reports at most once per call", text);
  const qv3fuzz::ModelNumber model = qv3fuzz::ModelParseNumber(text);
  Require(value == model.Value, "ParseNumber's value follows the literal rules", text);
  Require((reports == 1) == model.Reported, "ParseNumber reports exactly the malformed literals",
          text);
}

void CheckStripComment(std::string_view text) {
  const std::string_view stripped = qv3::StripComment(text);
  Require(text.substr(0, stripped.size()) == stripped, "StripComment gives a prefix", text);
  Require(stripped.find("//") == std::string_view::npos, "StripComment leaves no \"//\"", text);
  const std::string_view cut = text.substr(stripped.size());
  Require(cut.empty() || cut.substr(0, 2) == "//", "StripComment cuts at a \"//\"", text);
  // The one "/" at the end of the kept part cannot start the cut "//".
  Require(cut.empty() || stripped.empty() || stripped.back() != '/',
          "StripComment cuts at the first \"//\"", text);
}

void CheckUpperCase(std::string_view text) {
  const std::string upper = qv3::UpperCaseOutsideTildes(text);
  Require(upper.size() == text.size(), "UpperCaseOutsideTildes keeps the length", text);
  bool inside = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    Require((c == '~') == (upper[i] == '~'), "UpperCaseOutsideTildes keeps the tildes", text);
    if (c == '~') {
      inside = !inside;
      continue;
    }
    const char expected = (!inside && c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    Require(upper[i] == expected, "UpperCaseOutsideTildes folds a..z outside tildes only", text);
  }
  std::string inPlace(text);
  qv3::UpperCaseOutsideTildesInPlace(inPlace);
  Require(inPlace == upper, "the in-place form agrees", text);
}

void CheckNormaliseBlanks(std::string_view text) {
  const std::string once = Normalised(std::string(text));
  const std::string twice = Normalised(once);
  Require(Normalised(twice) == twice, "NormaliseBlanks is idempotent after two applications", text);
  Require(once.find('\t') == std::string::npos, "NormaliseBlanks turns every TAB into a blank", text);
  Require(twice.empty() || twice[0] != ' ', "two applications leave no leading blank", text);
  const std::size_t lead = std::min(text.find_first_not_of(' '), text.size());
  Require(once.size() == text.size() - lead, "only the leading blanks are deleted", text);
}

void CheckTakeWord(std::string_view text) {
  const std::string normalised = Normalised(std::string(text));
  std::string line(text);
  const std::string word = qv3::TakeWord(line, true);
  Require(word + line == normalised, "TakeWord: word + rest == the normalised line", text);
  Require(word.find(' ') == std::string::npos, "a word holds no blank", text);
  Require(line.empty() || line[0] == ' ' || word.empty(), "the rest begins with the blank", text);
  std::string kept(text);
  Require(qv3::TakeWord(kept, false) == word && kept == normalised,
          "TakeWord without deletion only normalises", text);
}

void CheckSplitText(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces{"left over"};
  qv3::SplitText(text, pieces, separator, true, true);
  Require(!pieces.empty(), "SplitText with keep-blank gives at least one piece", text);
  std::string joined;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) joined += separator;
    joined += pieces[i];
    Require(separator.empty() || pieces[i].find(separator) == std::string::npos,
            "no piece holds the separator", text);
  }
  Require(joined == text, "kept pieces joined with the separator give the text", text);

  std::vector<std::string> nonBlank{"kept"};
  qv3::SplitText(text, nonBlank, separator, false, false);
  Require(!nonBlank.empty() && nonBlank[0] == "kept", "clear-first unset keeps the list", text);
  std::size_t next = 0;
  for (std::size_t i = 1; i < nonBlank.size(); ++i) {
    Require(!qv3::TrimControls(nonBlank[i]).empty(), "blank pieces are dropped", text);
    while (next < pieces.size() && pieces[next] != nonBlank[i]) ++next;
    Require(next < pieces.size(), "the non-blank pieces are the kept ones, in order", text);
    ++next;
  }
}

}  // namespace

// The linker routes the engine's calls of ReportDiagnostic here
// (-Wl,--wrap); the real one still runs.
void RealReportDiagnostic(qv3::CompileSession&, qv3::ErrorCode, bool, std::string_view, std::string_view) asm(
    "__real__ZN3qv316ReportDiagnosticERNS_14CompileSessionEtbSt17basic_string_viewIcSt11char_traitsIcEES5_");
void CountingReportDiagnostic(qv3::CompileSession& session, qv3::ErrorCode code, bool fatal,
                              std::string_view fileName, std::string_view detail) asm(
    "__wrap__ZN3qv316ReportDiagnosticERNS_14CompileSessionEtbSt17basic_string_viewIcSt11char_traitsIcEES5_");
void CountingReportDiagnostic(qv3::CompileSession& session, qv3::ErrorCode code, bool fatal,
                              std::string_view fileName, std::string_view detail) {
  ++g_reports;
  RealReportDiagnostic(session, code, fatal, fileName, detail);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t separatorLength = input.empty() ? 0 : std::min<std::size_t>(
                                                               static_cast<unsigned char>(input[0]) & 3,
                                                               input.size() - 1);
  const std::string_view separator = input.substr(input.empty() ? 0 : 1, separatorLength);
  const std::string_view text = input.substr(input.empty() ? 0 : 1 + separatorLength);

  std::uint32_t bits = 0;
  std::memcpy(&bits, text.data(), std::min<std::size_t>(text.size(), sizeof bits));
  CheckHexText(bits);
  CheckHexText(bits & 0xFF);
  CheckNumberRoundTrips(bits);

  for (std::string_view sample : {input, text}) {
    CheckStripComment(sample);
    CheckUpperCase(sample);
    CheckNormaliseBlanks(sample);
    CheckTakeWord(sample);
    CheckParseNumber(sample);
  }
  CheckSplitText(text, separator);
  CheckSplitText(input, ",");
  return 0;
}
