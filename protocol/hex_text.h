// The operator's hexadecimal entry syntax: groups of two hex digits and one separator, "ff fa 2c",
// where the separator is any single character that is not a hex digit and the last group needs
// none. Blanks and control characters around the line are ignored; nothing is escaped, so "ff"
// is the one byte 0xFF.
#pragma once

#include <string>
#include <string_view>

namespace protocol {

// Turns `text` into the bytes it spells. `text` is taken by value, so the caller may pass the
// same string as text and bytes and have the bytes replace the text. Returns false for a line
// that is not well formed; `bytes` then holds the pairs that passed before the failing position
// (nothing when the length is wrong) and must not be used.
bool HexTextToBytes(std::string text, std::string& bytes);

// The canonical spelling of `bytes` in that syntax: lower-case pairs, single blanks between.
std::string BytesToHexText(std::string_view bytes);

}  // namespace protocol
