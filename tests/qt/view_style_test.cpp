#include "toolkit/qt/view_style.h"

#include <gtest/gtest.h>

#include <QPixmap>

namespace {

constexpr std::uint32_t kPurple = 0xFF800080;
constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kGrey = 0xFF808080;

// Two 2x2 pictures side by side; purple (the bottom-left pixel) is the transparent colour.
const tk::TPicture kStrip{4,
                          2,
                          {kRed, kPurple, kGrey, kPurple,  //
                           kPurple, kRed, kPurple, kGrey}};

TEST(GlyphIcon, EnabledAndDisabledPicturesWithTheBottomLeftColourTransparent) {
    const QIcon icon = tkqt::glyphIcon(kStrip, 2);
    const QImage enabled = icon.pixmap(QSize(2, 2), 1.0, QIcon::Normal).toImage();
    const QImage disabled = icon.pixmap(QSize(2, 2), 1.0, QIcon::Disabled).toImage();
    ASSERT_EQ(enabled.size(), QSize(2, 2));
    EXPECT_EQ(enabled.pixel(0, 0), kRed);
    EXPECT_EQ(qAlpha(enabled.pixel(1, 0)), 0);
    EXPECT_EQ(qAlpha(enabled.pixel(0, 1)), 0);
    EXPECT_EQ(enabled.pixel(1, 1), kRed);
    ASSERT_EQ(disabled.size(), QSize(2, 2));
    EXPECT_EQ(disabled.pixel(0, 0), kGrey);
    EXPECT_EQ(qAlpha(disabled.pixel(1, 0)), 0);
}

TEST(GlyphIcon, ShortPixelDataGivesNoPicture) {
    EXPECT_TRUE(tkqt::glyphIcon(tk::TPicture{4, 2, {kRed}}, 2).isNull());
}

TEST(FontOf, SizesInPixelsSoTheLayoutHoldsAtAnyDpi) {
    const QFont font = tkqt::fontOf(tk::TFont{16, true, true, tk::clRed});
    EXPECT_EQ(font.pixelSize(), 16);
    EXPECT_TRUE(font.bold());
    EXPECT_TRUE(font.underline());
    EXPECT_EQ(tkqt::fontOf(tk::TFont{}).pixelSize(), 11);
}

}  // namespace
