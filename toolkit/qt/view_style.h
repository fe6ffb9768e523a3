// Fonts, colours and pictures of the models as Qt draws them. Sizes are in pixels, so the
// designed layout holds at any DPI.
#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QImage>

#include "toolkit/controls.h"

namespace tkqt {

// The one sans family of the window, in order of preference: the first one installed wins.
inline constexpr const char* kFontFamilies[] = {"Liberation Sans", "DejaVu Sans"};

QFont fontOf(const tk::TFont& font);
QColor colorOf(tk::TColor color);
QImage imageOf(const tk::TPicture& picture);
// A strip of `count` side-by-side images: the first for enabled, the second (if any) for
// disabled; the colour of the strip's bottom-left pixel is drawn transparent.
QIcon glyphIcon(const tk::TPicture& strip, int count);

}  // namespace tkqt
