// The window's pictures and credit texts, drawn and written for this program.
#pragma once

#include "toolkit/controls.h"

namespace artwork {

inline constexpr const char* kWebAddress = "qm47.example.org";
inline constexpr const char* kCreditTools =
    "Built with C++20 and Qt 6; TCP client socket of our own on POSIX sockets (QM47 team)";
inline constexpr const char* kCreditAuthor =
    "Developed December 2026 by the QM47 exerciser team, qm47.example.org";

// 81 x 60, opaque: an I/O controller with its eight outputs above and eight inputs below.
tk::TPicture logo();

// 32 x 16: the clear button's brush (left) and its greyed copy (right); the bottom-left
// pixel's colour, purple, is drawn transparent.
tk::TPicture clearButtonGlyph();

}  // namespace artwork
