// SPDX-License-Identifier: GPL-3.0-or-later
// A module whose program file has no load address (STRIP) cannot be run by
// itself: its bytes are copied into the program of a module that COMPILEs
// it. Start Debugging says so and names that module rather than taking the
// module's first two code bytes for a load address.
#pragma once

#include <QString>

class TfrmQV3;
class TfrmQVEdit;

// The debugger's status for editor's module, compiled without a load address.
QString StrippedModuleText(const TfrmQV3& main, const TfrmQVEdit& editor);
