// Invariants of the message lists that every compile must keep, whatever
// its source: the shape of each diagnostic line and of the other lines.
#pragma once

#include <string>
#include <string_view>

#include "engine/session.h"

namespace qv3fuzz {

// True when line has the shape of a diagnostic line and agrees with its
// record:
// ^(Fatal|Warning)( in file \[[^\]]*\])?: MESSAGE \(at line: -?\d+ ".*", pass: [12]\)$
// where MESSAGE is one of the texts of codes 1..19 other than 6 (which no
// part of the engine reports), the kind word matches Fatal, the number
// matches Line and the pass digit matches Pass.
bool IsWellFormedDiagnostic(std::string_view line, const qv3::TErrorInfo& info);

// Checks every line of both lists; returns an empty text when all is well,
// else a description of the first line that breaks a rule.
std::string CheckMessageLists(const qv3::CompileSession& session, bool abandoned);

}  // namespace qv3fuzz
