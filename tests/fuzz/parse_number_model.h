// An independent reading of the number-literal rules, written from the
// language's description rather than from the engine, for the text fuzz
// target to compare ParseNumber against.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv3fuzz {

struct ModelNumber {
  std::int32_t Value = 0;
  bool Reported = false;  // code 1, "Invalid number!"
};

inline ModelNumber ModelParseNumber(std::string_view text) {
  // Leading blanks go, then TABs become blanks.
  std::string copy(text.substr(std::min(text.find_first_not_of(' '), text.size())));
  for (char& c : copy)
    if (c == '\t') c = ' ';
  if (copy.empty()) return {};

  constexpr std::string_view kHexDigits = "0123456789ABCDEF";
  std::uint32_t value = 0;
  if (copy[0] == '$') {
    for (std::size_t i = 1; i < copy.size(); ++i) {
      const auto digit = kHexDigits.find(copy[i]);
      if (digit == std::string_view::npos) return {static_cast<std::int32_t>(value), true};
      value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return {static_cast<std::int32_t>(value), false};
  }
  if (copy[0] == '%') {
    for (std::size_t i = 1; i < copy.size(); ++i) {
      if (copy[i] == ' ') break;
      if (copy[i] != '0' && copy[i] != '1') return {static_cast<std::int32_t>(value), true};
      value = value * 2 + static_cast<std::uint32_t>(copy[i] - '0');
    }
    return {static_cast<std::int32_t>(value), false};
  }

  // The runtime's decimal conversion: blanks, then a signed decimal number
  // in range, or an unsigned "$" / "X" / "0X" hexadecimal one of 32 bits.
  constexpr ModelNumber kFailed{0, true};
  std::string_view rest = copy;
  while (!rest.empty() && rest[0] == ' ') rest.remove_prefix(1);
  std::size_t hex = 0;
  if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) hex = 1;
  if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) hex = 2;
  if (hex > 0) {
    rest.remove_prefix(hex);
    if (rest.empty()) return kFailed;
    std::uint64_t wide = 0;
    for (char c : rest) {
      int digit = -1;
      if (c >= '0' && c <= '9') digit = c - '0';
      if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
      if (digit < 0) return kFailed;
      wide = wide * 16 + static_cast<std::uint64_t>(digit);
      if (wide > 0xFFFFFFFFull) return kFailed;
    }
    return {static_cast<std::int32_t>(static_cast<std::uint32_t>(wide)), false};
  }
  bool negative = false;
  if (!rest.empty() && (rest[0] == '-' || rest[0] == '+')) {
    negative = rest[0] == '-';
    rest.remove_prefix(1);
  }
  if (rest.empty()) return kFailed;
  std::int64_t magnitude = 0;
  for (char c : rest) {
    if (c < '0' || c > '9') return kFailed;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > 2147483648LL) return kFailed;
  }
  const std::int64_t signedValue = negative ? -magnitude : magnitude;
  if (signedValue > 2147483647LL) return kFailed;
  return {static_cast<std::int32_t>(signedValue), false};
}

}  // namespace qv3fuzz
