// The operator's hex entry. Any text parses or fails without harm; the same string given as
// text and bytes gives what two strings give; a line that parses says what its canonical
// spelling says; and the canonical spelling of any bytes reads back as those bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "protocol/hex_text.h"

namespace {

// What a well-formed line must look like once spelled canonically: blanks and control
// characters around it gone, letters in lower case, every separator a single blank.
std::string canonicalOf(std::string text) {
    auto outer = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && outer(text.back())) {
        text.pop_back();
    }
    std::size_t first = 0;
    while (first < text.size() && outer(text[first])) {
        ++first;
    }
    text.erase(0, first);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i % 3 == 2) {
            text[i] = ' ';
        } else if (text[i] >= 'A' && text[i] <= 'Z') {
            text[i] = static_cast<char>(text[i] - 'A' + 'a');
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    std::string bytes = "stale";
    const bool ok = protocol::HexTextToBytes(input, bytes);
    std::string aliased = input;
    FUZZ_CHECK(protocol::HexTextToBytes(aliased, aliased) == ok);
    FUZZ_CHECK(aliased == bytes);
    if (ok) {
        FUZZ_CHECK(!bytes.empty());
        FUZZ_CHECK(protocol::BytesToHexText(bytes) == canonicalOf(input));
    }

    // The empty line is refused by design, so only bytes that are there can round-trip.
    if (!input.empty()) {
        const std::string spelled = protocol::BytesToHexText(input);
        std::string back = "stale";
        FUZZ_CHECK(protocol::HexTextToBytes(spelled, back));
        FUZZ_CHECK(back == input);
    }
    return 0;
}
