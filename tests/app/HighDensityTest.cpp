// The main window on a screen of twice the pixel density: its pictures come from the twice-size
// artwork, while the outline is still cut from the skin at one pixel per client pixel.
#include "app/MainFrm.h"
#include "skin/BMPSlider.h"
#include "skin/MorphButton.h"
#include "skin/DIBFormShaper.h"
#include "skin/SkinArtwork.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"
#include "support/AppFixture.h"

#include <gtest/gtest.h>

using namespace tb;
using namespace tb::test;

namespace {

// Before the program's application object exists, which reads it once.
const bool twiceTheDensity = qputenv("QT_SCALE_FACTOR", "2");

TEST(HighDensity, TheWindowShowsTheTwiceSizeArtworkAndKeepsItsOutline)
{
    ASSERT_TRUE(twiceTheDensity);
    AppFixture app;
    TMainFrm &frm = app.create();
    ASSERT_DOUBLE_EQ(frm.devicePixelRatioF(), 2.0);

    EXPECT_EQ(frm.sknBack->geometry(), QRect(0, 0, 437, 463));
    EXPECT_EQ(frm.sknBack->Picture().size(), QSize(874, 926));
    EXPECT_DOUBLE_EQ(frm.sknBack->Picture().devicePixelRatio(), 2.0);
    EXPECT_EQ(frm.sknBack->Picture(), skin::picture("back", 2.0));
    for (const ButtonPlace &place : mainButtonPlaces()) {
        const QImage &up = frm.button(place.name)->UpGlyph();
        EXPECT_DOUBLE_EQ(up.devicePixelRatio(), 2.0) << place.name;
        EXPECT_EQ(up.size(), place.rect.size() * 2) << place.name;
    }

    // The outline is the one of the 437 x 463 skin, in client pixels.
    EXPECT_EQ(frm.mask(), frm.sknShaper->Region());
    EXPECT_EQ(frm.mask().boundingRect().united(QRect(0, 0, 437, 463)), QRect(0, 0, 437, 463));
    EXPECT_FALSE(frm.mask().contains(QPoint(0, 462)));
    EXPECT_TRUE(frm.mask().contains(QPoint(218, 231)));
}

} // namespace
