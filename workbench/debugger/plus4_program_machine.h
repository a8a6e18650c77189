// SPDX-License-Identifier: GPL-3.0-or-later
// The debugger's Plus/4: a program on the machine model (plus4/), started as
// BASIC's SYS starts it, behind the stepping rules' machine interface. Built
// where the model is part of the source tree (QV3_HAVE_PLUS4_MODEL).
#pragma once

#include <string>

#include "workbench/debugger/program_machine.h"

namespace qv3::debugger {

// Whether this build has the machine model.
bool HavePlus4Model();

// A ".prg" file's bytes, loaded into the model and ready at its SYS address;
// Error says why not (also when the build has no model).
LoadedProgram LoadPlus4Program(const std::string& programBytes);

}  // namespace qv3::debugger
