#include "app/address_check.h"

#include <string_view>

#include "toolkit/error.h"
#include "toolkit/int_text.h"

namespace {

constexpr std::size_t kLongestCheckedText = 255;
constexpr std::size_t kFieldKeeps = 4;

}  // namespace

void refuseLongText(const std::string& text) {
    if (text.size() > kLongestCheckedText) {
        throw tk::Error("Range check error");
    }
}

bool isValidIPAddressText(const std::string& text) {
    refuseLongText(text);
    std::size_t pos = 0;
    for (int field = 1; field <= 4; ++field) {
        std::string taken;
        if (field < 4) {
            const std::size_t dot = text.find('.', pos);
            const std::size_t end = dot == std::string::npos ? text.size() : dot;
            taken = text.substr(pos, end - pos);
            pos = dot == std::string::npos ? text.size() : dot + 1;
        } else {
            taken = text.substr(pos);  // the rest, dots included
        }
        // A field keeps its first four characters; the rest is dropped unseen.
        const auto value = tk::parseInteger(std::string_view(taken).substr(0, kFieldKeeps));
        if (!value || *value < 0 || *value > 255) {
            return false;
        }
    }
    return true;
}
