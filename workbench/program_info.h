// The program's name and version as the windows show them.
#pragma once

inline constexpr char kProgramName[] = "QV3";
inline constexpr char kProgramPurpose[] = "Assembler for 6502";
inline constexpr char kProgramVersion[] = "1.1.3";
// The main window's title; two blanks before the version.
inline constexpr char kMainWindowTitle[] = "QV3 - Assembler for 6502  v1.1.3";
