// Integer text as the address check, the socket's address parsing and the settings flags read
// it: leading blanks, then a signed decimal number or a '$'-prefixed hexadecimal one, and
// nothing after the digits.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tk {

// Leading blanks are spaces only; a trailing blank makes the text no number.
// Decimal: optional '+' or '-', one or more digits (leading zeros are fine); a magnitude above
// 2147483647 is no number, so -2147483648 is rejected as well.
// Hexadecimal: '$' and 1 to 8 hex digits of either case, taken as a 32-bit pattern
// ("$FFFFFFFF" is -1); no sign, and a ninth digit (even a leading zero) makes it no number.
std::optional<std::int32_t> parseInteger(std::string_view text);

// As parseInteger, after a "0x" or "0X" prefix of a value longer than two characters has been
// replaced by '$'. "0x" alone stays as it is and so is no number.
std::optional<std::int32_t> parseIniInteger(std::string_view value);

}  // namespace tk
