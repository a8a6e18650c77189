// SPDX-License-Identifier: GPL-3.0-or-later
// What an open module would give the modules that use its constants: the
// symbol section of the object file its compile would write, made from its
// check. A check reads other modules' object files; putting this text in
// their place lets a module edited (and not saved, not compiled) lend its
// names to the others' checks at once, a rename across modules included.
#pragma once

#include <string>
#include <string_view>

#include "engine/check_compile.h"

// "// Objects", one "NAME = $HEX" line per definition, "", "// Code"; empty
// when the check had a fatal diagnostic or did not finish (a module that
// fails writes no object file: its users keep the last good one).
std::string ObjectTextOfCheck(const qv3::CheckResult& check);

// Where a check looks for the object file of module in folder
// ("/"-terminated): the overlay's key for ObjectTextOfCheck's text.
std::string ObjectFilePathOf(std::string_view module, const std::string& folder);
