// The address box's check on any text: it never fails but by tk::Error "Range check error" for
// a text over 255 characters, and below that it agrees with a reading of the rule written
// apart from the program's: four fields (the last one the rest of the text, dots included),
// each judged by its first four characters as an integer in 0..255.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "app/address_check.h"
#include "fuzz/fuzz_check.h"
#include "toolkit/error.h"

namespace {

int hexValue(char c) {
    const std::string_view digits = "0123456789abcdef";
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    const auto at = digits.find(lower);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

// Leading spaces, then '$' and hex digits, or an optional sign and decimal digits, and nothing
// else. Four characters keep every value far from any overflow.
std::optional<long> fieldValue(std::string_view field) {
    field = field.substr(0, 4);
    while (!field.empty() && field.front() == ' ') {
        field.remove_prefix(1);
    }
    if (field.empty()) {
        return std::nullopt;
    }
    long base = 10;
    long sign = 1;
    if (field.front() == '$') {
        base = 16;
        field.remove_prefix(1);
    } else if (field.front() == '+' || field.front() == '-') {
        sign = field.front() == '-' ? -1 : 1;
        field.remove_prefix(1);
    }
    if (field.empty()) {
        return std::nullopt;
    }
    long value = 0;
    for (const char c : field) {
        const int digit = hexValue(c);
        if (digit < 0 || digit >= base) {
            return std::nullopt;
        }
        value = value * base + digit;
    }
    return sign * value;
}

bool referenceCheck(std::string_view text) {
    std::vector<std::string_view> parts;
    for (std::size_t from = 0;;) {
        const auto dot = text.find('.', from);
        parts.push_back(text.substr(from, dot == std::string_view::npos ? dot : dot - from));
        if (dot == std::string_view::npos) {
            break;
        }
        from = dot + 1;
    }
    if (parts.size() < 4) {
        return false;
    }
    std::string fourth(parts[3]);
    for (std::size_t i = 4; i < parts.size(); ++i) {
        fourth.append(".").append(parts[i]);
    }
    const std::string_view fields[] = {parts[0], parts[1], parts[2], fourth};
    for (const auto field : fields) {
        const auto value = fieldValue(field);
        if (!value || *value < 0 || *value > 255) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    bool passes = false;
    bool refused = false;
    try {
        passes = isValidIPAddressText(text);
    } catch (const tk::Error& e) {
        refused = true;
        FUZZ_CHECK(typeid(e) == typeid(tk::Error));
        FUZZ_CHECK(std::string_view(e.what()) == "Range check error");
    } catch (...) {
        FUZZ_CHECK(!"only tk::Error may leave the check");
    }
    FUZZ_CHECK(refused == (text.size() > 255));
    if (!refused) {
        FUZZ_CHECK(passes == referenceCheck(text));
    }
    return 0;
}
