// SPDX-License-Identifier: GPL-3.0-or-later
// The words the assembler reserves: its directives and the mnemonics of the
// instruction set, with one-line descriptions for completion lists.
#pragma once

#include <array>
#include <string_view>

struct DirectiveWord {
  std::string_view Name;
  std::string_view Form;  // how it is written
};

inline constexpr std::array<DirectiveWord, 14> kDirectives = {{
    {"ORIGIN", "ORIGIN $1000: where the following bytes go"},
    {"BIN.B", "BIN.B $12, VALUE+1: bytes"},
    {"BIN.W", "BIN.W $1234, TABLE: words, low byte first"},
    {"TEXT", "TEXT \"HELLO\", 13, ~Mixed {$93}~: PETSCII bytes"},
    {"FILL", "FILL 40, ' ': a number of bytes of one value"},
    {"ALIGN", "ALIGN 256: filler bytes up to the next multiple"},
    {"SCREEN", "SCREEN ~text~: screen codes"},
    {"BINARY", "BINARY FILE: a file's bytes"},
    {"INCLUDE", "INCLUDE FILE: a file's lines"},
    {"COMPILE", "COMPILE A, B: modules assembled after this one"},
    {"LEAP", "LEAP 16: moves the location counter on by a number of bytes"},
    {"NEXTPAGE", "NEXTPAGE: moves the location counter to the next page"},
    {"STRIP", "STRIP: no load address in the program file"},
    {"OBJECTFILE", "OBJECTFILE: the code listed in the object file"},
}};

// The keywords of conditions, repetition, macros and the program's own
// messages: the first word of their line, never after a label.
inline constexpr std::array<DirectiveWord, 10> kBlockKeywords = {{
    {"IF", "IF PAL: the lines up to ELSEIF, ELSE or ENDIF when the value is not 0"},
    {"ELSEIF", "ELSEIF DEFINED(NTSC): the next branch of an IF"},
    {"ELSE", "ELSE: the lines when no branch before was taken"},
    {"ENDIF", "ENDIF: ends an IF"},
    {"REPEAT", "REPEAT 8, I: the lines up to ENDREPEAT 8 times, I counting from 0"},
    {"ENDREPEAT", "ENDREPEAT: ends a REPEAT"},
    {"MACRO", "MACRO NAME A, B: the lines up to ENDMACRO, put where NAME is written"},
    {"ENDMACRO", "ENDMACRO: ends a MACRO"},
    {"ERROR", "ERROR text: a fatal diagnostic with the text"},
    {"WARNING", "WARNING text: a warning with the text"},
}};

// Letter case ignored.
bool IsDirective(std::string_view word);
bool IsMnemonic(std::string_view word);
