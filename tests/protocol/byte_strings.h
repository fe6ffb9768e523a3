// Byte strings written the way the tests read them: "FF FA 2C" is three bytes.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace test_bytes {

// Independent of the parser under test, so its tests do not grade themselves.
inline std::string bytes(std::string_view spelled) {
    auto value = [&](char c) -> int {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'A' && c <= 'F') {
            return c - 'A' + 10;
        }
        throw std::invalid_argument("bad test byte string: " + std::string(spelled));
    };
    std::string out;
    for (std::size_t i = 0; i < spelled.size(); i += 3) {
        if (i + 1 >= spelled.size() || (i + 2 < spelled.size() && spelled[i + 2] != ' ')) {
            throw std::invalid_argument("bad test byte string: " + std::string(spelled));
        }
        out.push_back(static_cast<char>(value(spelled[i]) * 16 + value(spelled[i + 1])));
    }
    return out;
}

// "FF FA" for readable failure messages.
inline std::string spelled(std::string_view raw) {
    constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : raw) {
        if (!out.empty()) {
            out.push_back(' ');
        }
        out.push_back(digits[static_cast<unsigned char>(c) >> 4]);
        out.push_back(digits[static_cast<unsigned char>(c) & 0x0F]);
    }
    return out;
}

}  // namespace test_bytes
