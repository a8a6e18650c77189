// SPDX-License-Identifier: GPL-3.0-or-later
// The fix for a branch whose target is out of reach (more than 127 bytes
// back or 128 on): the inverted branch over a JMP, which reaches anywhere.
//
//   LOOP:  BNE FAR   // comment      LOOP:  BEQ *+5   // comment
//                              ->           JMP FAR
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The two lines that replace line (without its line break), joined by
// lineBreak; nothing when line holds no relative branch with an operand.
std::optional<std::string> LongBranchReplacement(std::string_view line, std::string_view lineBreak);
