#include "protocol/hex_text.h"

#include <algorithm>

namespace protocol {

namespace {

// Codes 0x80 and above count as characters like any other, so compare unsigned.
bool isBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// Value of "0"-"9" or "A"-"F", or -1; lower case is folded before this is asked.
int digitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

bool HexTextToBytes(std::string text, std::string& bytes) {
    bytes.clear();

    text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), isBlankOrControl));
    text.erase(std::find_if_not(text.rbegin(), text.rend(), isBlankOrControl).base(), text.end());
    // The last group needs no separator of its own.
    text.push_back(' ');
    // Only ASCII letters fold, so no 8-bit character can turn into a digit.
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }

    if (text.size() % 3 != 0) {
        return false;
    }
    bytes.reserve(text.size() / 3);
    int high = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int value = digitValue(text[i]);
        switch (i % 3) {
            case 0:
                if (value < 0) {
                    return false;
                }
                high = value;
                break;
            case 1:
                if (value < 0) {
                    return false;
                }
                bytes.push_back(static_cast<char>(high * 16 + value));
                break;
            default:
                if (value >= 0) {
                    return false;
                }
                break;
        }
    }
    return true;
}

std::string BytesToHexText(std::string_view bytes) {
    constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        if (!text.empty()) {
            text.push_back(' ');
        }
        const auto b = static_cast<unsigned char>(c);
        text.push_back(digits[b >> 4]);
        text.push_back(digits[b & 0x0F]);
    }
    return text;
}

}  // namespace protocol
