// SPDX-License-Identifier: GPL-3.0-or-later
// The debugger's Plus/4: a program on the machine model (plus4/), started as
// BASIC's SYS starts it, behind the stepping rules' machine interface.
#pragma once

#include <string>

#include "workbench/debugger/program_machine.h"

namespace qv3::debugger {

// A ".prg" file's bytes, loaded into the model and ready at its SYS address;
// Error says why not.
LoadedProgram LoadPlus4Program(const std::string& programBytes);

}  // namespace qv3::debugger
