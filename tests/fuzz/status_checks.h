// Invariants of the message lists that every compile must keep, whatever
// its source: the shape of each diagnostic line and of the other lines.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/diagnostics.h"
#include "engine/session.h"

namespace qv3fuzz {

namespace detail {
inline bool Consume(std::string_view& text, std::string_view prefix) {
  if (text.substr(0, prefix.size()) != prefix) return false;
  text.remove_prefix(prefix.size());
  return true;
}

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

constexpr std::string_view kVerdict = "Compile failed because of fatal error(s)!";
}  // namespace detail

// True when line has the shape of a diagnostic line and agrees with its
// record:
// ^(Fatal|Warning)( in file \[[^\]]*\])?: MESSAGE \(at line: -?\d+ ".*", pass: [12]\)$
// where MESSAGE is the text of a known code other than 6 (which no part of
// the engine reports), followed for codes from 20 on by an optional detail
// (for every code by the expansion's place inside a macro or REPEAT),
// the kind word matches Fatal, the number matches Line and the pass digit
// matches Pass.
inline bool IsWellFormedDiagnostic(std::string_view line, const qv3::TErrorInfo& info) {
  using detail::Consume;
  using detail::IsDigit;
  if (line.find_first_of("\r\n") != std::string_view::npos) return false;
  std::string_view rest = line;
  const bool fatal = Consume(rest, "Fatal");
  if (!fatal && !Consume(rest, "Warning")) return false;
  if (fatal != info.Fatal) return false;
  if (Consume(rest, " in file [")) {
    const auto close = rest.find(']');
    if (close == std::string_view::npos) return false;
    rest.remove_prefix(close + 1);
  }
  if (!Consume(rest, ": ")) return false;

  // The rest after the message: -?\d+ ".*", pass: [12]) agreeing with the record.
  const auto tailAgrees = [&info](std::string_view rest) {
    std::size_t digits = rest.substr(0, 1) == "-" ? 1 : 0;
    const std::size_t start = digits;
    while (digits < rest.size() && IsDigit(rest[digits])) ++digits;
    if (digits == start) return false;
    std::int64_t number = 0;
    if (std::from_chars(rest.data(), rest.data() + digits, number).ec != std::errc()) return false;
    if (number != info.Line) return false;
    rest.remove_prefix(digits);
    if (!Consume(rest, " \"")) return false;
    // The quoted line text is anything (quotes included); the tail is fixed.
    constexpr std::string_view kTail = "\", pass: N)";
    if (rest.size() < kTail.size()) return false;
    const std::string_view tail = rest.substr(rest.size() - kTail.size());
    const char pass = tail[kTail.size() - 2];
    if (tail.substr(0, kTail.size() - 2) != kTail.substr(0, kTail.size() - 2) || tail.back() != ')')
      return false;
    if (pass != '1' && pass != '2') return false;
    return pass - '0' == info.Pass;
  };
  // Codes from 20 on may carry a detail between the message and the place.
  for (qv3::ErrorCode code = 1; code < 60; ++code) {
    if (code == qv3::Err::UnknownAddressingMode || qv3::ErrorMessage(code).empty()) continue;
    std::string_view attempt = rest;
    if (!Consume(attempt, qv3::ErrorMessage(code))) continue;
    constexpr std::string_view kPlace = " (at line: ";
    if (Consume(attempt, kPlace)) {
      if (tailAgrees(attempt)) return true;
      continue;
    }
    // Codes below 20 carry one only inside a macro or REPEAT expansion.
    const bool expansion = attempt.substr(0, 10) == " in macro " || attempt.substr(0, 11) == " in REPEAT ";
    if (attempt.substr(0, 1) != " " || (code < 20 && !expansion)) continue;
    for (auto at = attempt.find(kPlace); at != std::string_view::npos; at = attempt.find(kPlace, at + 1))
      if (tailAgrees(attempt.substr(at + kPlace.size()))) return true;
  }
  return false;
}

// Checks every line of both lists; returns an empty text when all is well,
// else a description of the first line that breaks a rule.
inline std::string CheckMessageLists(const qv3::CompileSession& session, bool abandoned) {
  using detail::kVerdict;
  const auto& lines = session.StatusList.Lines();
  bool anyFatal = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const qv3::StatusLine& line = lines[i];
    const std::string where = "Status line " + std::to_string(i + 1) + ": ";
    if (line.Info) {
      if (!IsWellFormedDiagnostic(line.Text, *line.Info)) return where + "malformed diagnostic";
      anyFatal = anyFatal || line.Info->Fatal;
      continue;
    }
    const std::string_view text = line.Text;
    const bool known = text.substr(0, 15) == "*** compiling: " ||
                       (text.substr(0, 9) == "Success (" && text.size() >= 11 &&
                        text.substr(text.size() - 2) == ")!") ||
                       (text.substr(0, 8) == "Failed (" && text.size() >= 10 &&
                        text.substr(text.size() - 2) == ")!") ||
                       (text == kVerdict && i + 1 == lines.size());
    if (!known) return where + "unexpected line without a record";
  }
  if (!abandoned) {
    if (session.FatalFlag != anyFatal) return "FatalFlag disagrees with the remaining diagnostics";
    const bool verdict = !lines.empty() && lines.back().Text == kVerdict;
    if (verdict != anyFatal) return "verdict line present iff a fatal diagnostic remains: broken";
  }
  for (const auto& hint : session.HintList.Lines()) {
    if (hint.Info || std::string_view(hint.Text).substr(0, 4) != "Hint")
      return "Hints line not starting with \"Hint\"";
  }
  return {};
}

}  // namespace qv3fuzz
