// PETSCII codes of the characters a source writes in text and character
// literals, as the Plus/4's KERNAL prints them.
#pragma once

#include <cstdint>
#include <optional>

namespace qv3 {

// The code of a character of a "~" stretch, whose letter case is kept:
// "a".."z" give $41..$5A (capitals in the machine's first character set),
// "A".."Z" give $C1..$DA (capitals of the second set, shown as graphics in
// the first). Nothing for a byte PETSCII has no printable code for.
std::optional<std::uint8_t> PetsciiOfCasedCharacter(char c);

// The code of a character whose letter case the line has lost (a
// character literal, a text in quotes): letters give $41..$5A, the codes
// that print as capitals on the machine's start-up screen.
std::optional<std::uint8_t> PetsciiOfUpperCasedCharacter(char c);

}  // namespace qv3
