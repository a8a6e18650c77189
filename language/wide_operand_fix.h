// SPDX-License-Identifier: GPL-3.0-or-later
// The fix for an indexed or plain address below $100 whose zero-page form
// the instruction lacks (STA $12,Y: there is no STA $nn,Y): the ".16"
// postfix asks for the absolute form, which reaches the zero page too.
//
//   STA $12,Y   // comment      ->      STA.16 $12,Y   // comment
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The line with ".16" after its mnemonic; nothing when the line's
// instruction has its zero-page form for the mode written, has no absolute
// form either, or carries a postfix already.
std::optional<std::string> WideOperandReplacement(std::string_view line);
