// The checks the address and port boxes make of their text before Connect may be enabled,
// kept free of the window so that they can be exercised on any text.
#pragma once

#include <string>

// Throws tk::Error "Range check error" for a text longer than 255 characters, the most the
// checks take.
void refuseLongText(const std::string& text);

// Whether `text` is a dotted address of four fields, each an integer in 0..255 as
// tk::parseInteger reads it. The first three fields end at a dot; the fourth is the rest, dots
// included. Each field is judged by its first four characters alone. Throws as refuseLongText.
bool isValidIPAddressText(const std::string& text);
