#include "engine/source_text.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/session.h"

namespace qv3 {

namespace {
constexpr std::string_view kHexDigits = "0123456789ABCDEF";

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 32; }

void ReportInvalidNumber(CompileSession& session, std::string_view fileName) {
  ReportDiagnostic(session, Err::InvalidNumber, true, fileName);
}

// Value of a hexadecimal digit in either case, or -1.
int HexDigitEitherCase(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The decimal conversion of the runtime: optional leading blanks, then either
// an optionally signed decimal number in the 32-bit signed range, or (without
// a sign) a "$", "X" or "0X" hexadecimal number of at most 32 bits.
bool ConvertDecimal(std::string_view text, std::int32_t& result) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  std::string_view rest = text.substr(i);
  if (rest.empty()) return false;

  std::size_t hexStart = std::string_view::npos;
  if (rest[0] == '$' || rest[0] == 'X' || rest[0] == 'x')
    hexStart = 1;
  else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'X' || rest[1] == 'x'))
    hexStart = 2;
  if (hexStart != std::string_view::npos) {
    std::string_view digits = rest.substr(hexStart);
    if (digits.empty()) return false;
    std::uint64_t value = 0;
    for (char c : digits) {
      const int d = HexDigitEitherCase(c);
      if (d < 0) return false;
      value = value * 16 + static_cast<unsigned>(d);
      if (value > 0xFFFFFFFFull) return false;
    }
    result = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    return true;
  }

  bool negative = false;
  if (rest[0] == '-' || rest[0] == '+') {
    negative = rest[0] == '-';
    rest.remove_prefix(1);
  }
  if (rest.empty()) return false;
  std::int64_t value = 0;
  for (char c : rest) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
    if (value > 2147483648LL) return false;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max()) return false;
  result = static_cast<std::int32_t>(value);
  return true;
}
}  // namespace

std::string_view StripComment(std::string_view text) {
  const auto cut = text.find("//");
  return cut == std::string_view::npos ? text : text.substr(0, cut);
}

void UpperCaseOutsideTildesInPlace(std::span<char> text) {
  if (std::find(text.begin(), text.end(), '~') == text.end()) {
    // No tilde stretch: a plain loop the compiler can vectorise.
    for (char& c : text) c = static_cast<char>(c - ((c >= 'a' && c <= 'z') ? 32 : 0));
    return;
  }
  bool inside = false;
  for (char& c : text) {
    if (c == '~')
      inside = !inside;
    else if (!inside)
      c = UpperAscii(c);
  }
}

std::string UpperCaseOutsideTildes(std::string_view text) {
  std::string result(text);
  UpperCaseOutsideTildesInPlace(result);
  return result;
}

void NormaliseBlanks(std::string& text) {
  std::size_t lead = 0;
  while (lead < text.size() && text[lead] == ' ') ++lead;
  if (lead > 0) text.erase(0, lead);
  for (auto tab = text.find('\t'); tab != std::string::npos; tab = text.find('\t', tab + 1))
    text[tab] = ' ';
}

std::string TakeWord(std::string& line, bool deleteWord) {
  NormaliseBlanks(line);
  // A line that began with a TAB still begins with a blank: the word is empty.
  if (!line.empty() && line[0] == ' ') return {};
  const auto end = line.find(' ');
  std::string word = line.substr(0, end);
  if (deleteWord) line.erase(0, word.size());
  return word;
}

void SplitText(std::string_view text, std::vector<std::string>& list, std::string_view separator,
               bool clearFirst, bool keepBlank) {
  if (clearFirst) list.clear();
  auto add = [&](std::string_view piece) {
    if (keepBlank || !TrimControls(piece).empty()) list.emplace_back(piece);
  };
  if (!separator.empty()) {
    for (auto at = text.find(separator); at != std::string_view::npos; at = text.find(separator)) {
      add(text.substr(0, at));
      text.remove_prefix(at + separator.size());
    }
  }
  add(text);
}

std::string_view CutAtFirstDot(std::string_view text) { return text.substr(0, text.find('.')); }

std::string_view TrimControls(std::string_view text) {
  while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankOrControl(text.back())) text.remove_suffix(1);
  return text;
}

NumberLiteral ReadNumberLiteral(std::string_view text) {
  // Normalising only matters for a text with a TAB; otherwise skipping the
  // leading blanks of a view gives the same text without a copy.
  std::string normalised;
  std::string_view copy = text;
  // Literals are short: a plain loop beats a library search here.
  if (std::find(copy.begin(), copy.end(), '\t') != copy.end()) {
    normalised.assign(text);
    NormaliseBlanks(normalised);
    copy = normalised;
  } else {
    while (!copy.empty() && copy.front() == ' ') copy.remove_prefix(1);
  }
  if (copy.empty()) return {0, true};

  if (copy[0] == '$' || copy[0] == '%') {
    const bool hex = copy[0] == '$';
    // Unsigned accumulation: higher digits drop out of the 32 bits.
    std::uint32_t value = 0;
    for (std::size_t i = 1; i < copy.size(); ++i) {
      const char c = copy[i];
      if (hex) {
        const auto digit = kHexDigits.find(c);
        if (digit == std::string_view::npos) return {static_cast<std::int32_t>(value), false};
        value = value * 16u + static_cast<std::uint32_t>(digit);
      } else {
        if (c == ' ') break;  // a blank ends a binary number
        if (c != '0' && c != '1') return {static_cast<std::int32_t>(value), false};
        value = value * 2u + static_cast<std::uint32_t>(c - '0');
      }
    }
    return {static_cast<std::int32_t>(value), true};
  }

  std::int32_t value = 0;
  if (!ConvertDecimal(copy, value)) return {0, false};
  return {value, true};
}

std::int32_t ParseNumber(std::string_view text, CompileSession& session,
                         std::string_view fileName) {
  const NumberLiteral literal = ReadNumberLiteral(text);
  if (!literal.Valid) ReportInvalidNumber(session, fileName);
  return literal.Value;
}

void AppendHexText(std::string& text, std::uint32_t value) {
  value &= 0xFFFFu;
  const std::size_t digits = value < 256 ? 2 : 4;
  const std::size_t start = text.size();
  text.resize(start + digits);
  for (std::size_t i = digits; i-- > 0;) {
    text[start + i] = kHexDigits[value & 0xFu];
    value >>= 4;
  }
}

std::string HexText(std::uint32_t value) {
  std::string text;
  AppendHexText(text, value);
  return text;
}

std::string FoldCase(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = UpperAscii(c);
  return folded;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  // Names come upper-cased from the source: most equal ones are equal byte
  // for byte.
  if (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0) return true;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

}  // namespace qv3
