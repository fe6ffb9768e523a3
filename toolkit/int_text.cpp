#include "toolkit/int_text.h"

#include <string>

namespace tk {

namespace {

constexpr std::uint64_t kMaxMagnitude = 2147483647u;
constexpr std::size_t kMaxHexDigits = 8;

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::int32_t> parseHex(std::string_view digits) {
    if (digits.empty() || digits.size() > kMaxHexDigits)
        return std::nullopt;
    std::uint32_t pattern = 0;
    for (char c : digits) {
        const int d = hexDigit(c);
        if (d < 0)
            return std::nullopt;
        pattern = (pattern << 4) | static_cast<std::uint32_t>(d);
    }
    return static_cast<std::int32_t>(pattern);  // two's complement wrap, well defined in C++20
}

std::optional<std::int32_t> parseDecimal(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    std::uint64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
        // Checked per digit so a long run of digits cannot wrap back into range.
        if (magnitude > kMaxMagnitude)
            return std::nullopt;
    }
    const auto value = static_cast<std::int32_t>(magnitude);
    return negative ? -value : value;
}

}  // namespace

std::optional<std::int32_t> parseInteger(std::string_view text) {
    const auto start = text.find_first_not_of(' ');
    if (start == std::string_view::npos)
        return std::nullopt;
    text.remove_prefix(start);
    if (text.front() == '$')
        return parseHex(text.substr(1));
    return parseDecimal(text);
}

std::optional<std::int32_t> parseIniInteger(std::string_view value) {
    if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
        std::string replaced = "$";
        replaced.append(value.substr(2));
        return parseInteger(replaced);
    }
    return parseInteger(value);
}

}  // namespace tk
