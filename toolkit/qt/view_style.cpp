#include "toolkit/qt/view_style.h"

#include <QFontDatabase>
#include <QPixmap>
#include <QString>
#include <cstring>

namespace tkqt {

namespace {

const QString& chosenFamily() {
    static const QString family = [] {
        for (const char* candidate : kFontFamilies) {
            if (QFontDatabase::hasFamily(QString::fromLatin1(candidate))) {
                return QString::fromLatin1(candidate);
            }
        }
        return QString::fromLatin1(kFontFamilies[0]);
    }();
    return family;
}

}  // namespace

QFont fontOf(const tk::TFont& font) {
    QFont qfont(chosenFamily());
    qfont.setPixelSize(font.pixelSize);
    qfont.setBold(font.bold);
    qfont.setUnderline(font.underline);
    return qfont;
}

QColor colorOf(tk::TColor color) {
    return QColor((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
}

QImage imageOf(const tk::TPicture& picture) {
    const auto count = static_cast<std::size_t>(picture.width) * picture.height;
    if (picture.width <= 0 || picture.height <= 0 || picture.pixels.size() < count) {
        return {};
    }
    QImage image(picture.width, picture.height, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height; ++y) {
        std::memcpy(image.scanLine(y), &picture.pixels[static_cast<std::size_t>(y) * picture.width],
                    static_cast<std::size_t>(picture.width) * sizeof(std::uint32_t));
    }
    return image;
}

QIcon glyphIcon(const tk::TPicture& strip, int count) {
    QImage image = imageOf(strip);
    if (image.isNull() || count < 1) {
        return {};
    }
    const QRgb transparent = image.pixel(0, image.height() - 1) & 0xFFFFFF;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((row[x] & 0xFFFFFF) == transparent) {
                row[x] = 0;
            }
        }
    }
    const int width = image.width() / count;
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(image.copy(0, 0, width, image.height())), QIcon::Normal);
    if (count > 1) {
        icon.addPixmap(QPixmap::fromImage(image.copy(width, 0, width, image.height())),
                       QIcon::Disabled);
    }
    return icon;
}

}  // namespace tkqt
