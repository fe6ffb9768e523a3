// Hex and number text for the simulator's log and command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

// "FF FA 2C": uppercase pairs separated by one blank, no trailing blank.
std::string hexBytes(std::string_view bytes);

// "0x0F".
std::string hexByte(std::uint8_t b);

// Decimal or 0x hex, the whole text, at most `max`.
std::optional<std::uint64_t> parseNumber(std::string_view text, std::uint64_t max);

}  // namespace sim
