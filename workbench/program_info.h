// The program's name and version as the windows show them.
#pragma once

inline constexpr char kProgramName[] = "QV3";
inline constexpr char kProgramPurpose[] = "Assembler for 6502";
inline constexpr char kProgramVersion[] = "1.1.3";
// The main window's title; two blanks before the version.
inline constexpr char kMainWindowTitle[] = "QV3 - Assembler for 6502  v1.1.3";

// The licence line of the About box, and the credits its "Licence and
// credits..." link shows: QV3's own licence and those of the parts it ships
// or runs.
inline constexpr char kProgramLicence[] = "GPL-3.0-or-later";
inline constexpr const char* kLicenceAndCredits[] = {
    "QV3 is free software under the GNU General Public License, version 3 or later "
    "(GPL-3.0-or-later); see the file LICENSE.",
    "VICE, the xplus4 core of the built-in Plus/4: GPL-2.0-or-later, by the VICE Team.",
    "EmulatorJS, the front end of the built-in Plus/4: GPL-3.0.",
    "The 6502 functional test, which checks the CPU core: by Klaus Dormann, GPL-3.0.",
};
