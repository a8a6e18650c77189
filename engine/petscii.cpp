#include "engine/petscii.h"

namespace qv3 {

std::optional<std::uint8_t> PetsciiOfCasedCharacter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 'a' && byte <= 'z') return static_cast<std::uint8_t>(byte - 'a' + 0x41);
  if (byte >= 'A' && byte <= 'Z') return static_cast<std::uint8_t>(byte - 'A' + 0xC1);
  // Blank, digits and punctuation share their ASCII codes, as do "@", "["
  // and "]"; the other ASCII signs ("\", "^", "_", "`", "{", "|", "}", "~")
  // have no PETSCII character of the same look.
  if (byte >= 0x20 && byte <= 0x40) return byte;
  if (byte == '[' || byte == ']') return byte;
  return std::nullopt;
}

std::optional<std::uint8_t> PetsciiOfUpperCasedCharacter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 'A' && byte <= 'Z') return byte;
  return PetsciiOfCasedCharacter(c);
}

}  // namespace qv3
