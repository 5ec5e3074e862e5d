#include "SkinTestSupport.h"
#include "skin/DIBFormShaper.h"
#include "skin/SkinArtwork.h"
#include "skin/SkinLayout.h"

#include <QWidget>
#include <gtest/gtest.h>

using namespace tb;

namespace {

const QRgb Red = qRgb(255, 0, 0), Blue = qRgb(20, 40, 90);

// A picture drawn from text: '.' is red, '#' is blue.
QImage picture(const std::vector<const char *> &rows)
{
    QImage image(static_cast<int>(strlen(rows[0])), static_cast<int>(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, rows[static_cast<size_t>(y)][x] == '#' ? Blue : Red);
    return image;
}

qint64 area(const QRegion &region)
{
    qint64 sum = 0;
    for (const QRect &r : region)
        sum += qint64(r.width()) * r.height();
    return sum;
}

TEST(Shaper, RunsOfTwoOrMorePixelsAreInsideAndALonePixelStaysOut)
{
    const QImage image = picture({"..........",
                                  "...#......",
                                  ".##...####",
                                  ".........."});
    const QRegion region = TDIBFormShaper::BuildRegion(image, Red);
    EXPECT_FALSE(region.contains(QPoint(3, 1))) << "a lone pixel between transparent ones";
    EXPECT_EQ(region, QRegion(1, 2, 2, 1) + QRegion(6, 2, 4, 1));
}

TEST(Shaper, TransparentPixelsInsideTheBodyAreCutOut)
{
    const QImage image = picture({"########",
                                  "##..####",
                                  "##..####",
                                  "#######.",
                                  ".#######"});
    const QRgb key = TDIBFormShaper::TransparentColourOf(image, tmAuto, qRgb(0, 0, 0));
    EXPECT_EQ(key, Red & 0xFFFFFF) << "the bottom-left pixel";
    const QRegion region = TDIBFormShaper::BuildRegion(image, key);
    EXPECT_FALSE(region.contains(QPoint(2, 1)));
    EXPECT_FALSE(region.contains(QPoint(3, 2)));
    EXPECT_FALSE(region.contains(QPoint(7, 3)));
    EXPECT_FALSE(region.contains(QPoint(0, 4)));
    EXPECT_TRUE(region.contains(QPoint(4, 1)));
    EXPECT_EQ(area(region), 40 - 6);
}

TEST(Shaper, AFixedColourIsUsedAsGivenAndOnlyItsColourBitsCount)
{
    const QImage image = picture({"##..", "...."});
    EXPECT_EQ(TDIBFormShaper::TransparentColourOf(image, tmFixed, 0xFF000000u | Blue), Blue & 0xFFFFFF);
    EXPECT_EQ(TDIBFormShaper::BuildRegion(image, Blue), QRegion(2, 0, 2, 1) + QRegion(0, 1, 4, 1));
}

TEST(Shaper, ManyBlocksGiveTheSameRegionAsThePlainUnion)
{
    // Runs of two with one transparent pixel between: 100 runs a row, 60 rows, 6000 runs.
    QImage image(300, 61, QImage::Format_RGB32);
    image.fill(Red);
    QRegion plain;
    for (int y = 0; y < 60; ++y)
        for (int x = (y % 3); x + 1 < 300; x += 3) {
            image.setPixel(x, y, Blue);
            image.setPixel(x + 1, y, Blue);
            plain += QRect(x, y, 2, 1);
        }
    const QRegion built = TDIBFormShaper::BuildRegion(image, Red);
    EXPECT_EQ(built, plain);
    EXPECT_EQ(area(built), area(plain));
}

TEST(Shaper, SetsTheMaskMovesItByTheOffsetAndActiveFalseRemovesIt)
{
    test::skinApplication();
    QWidget window;
    window.resize(8, 5);
    TDIBFormShaper shaper(&window);
    EXPECT_TRUE(window.mask().isEmpty()) << "no bitmap: the window stays rectangular";
    shaper.setBitmap(picture({"########", "##..####", "##..####", "#######.", ".#######"}));
    EXPECT_EQ(window.mask(), shaper.Region());
    EXPECT_FALSE(window.mask().contains(QPoint(2, 1)));
    shaper.setOffset(3, 1);
    EXPECT_TRUE(window.mask().contains(QPoint(3 + 4, 1 + 1)));
    EXPECT_FALSE(window.mask().contains(QPoint(3 + 2, 1 + 1)));
    shaper.setActive(false);
    EXPECT_TRUE(window.mask().isEmpty());
    shaper.setBitmap(QImage());
    shaper.setActive(true);
    EXPECT_TRUE(window.mask().isEmpty());
}

TEST(Shaper, TheSkinsOutlineHoldsEveryControlAndStaysTheSame)
{
    test::skinApplication();
    const QImage skin = skin::backBitmap();
    ASSERT_EQ(skin.size(), QSize(MainClientWidth, MainClientHeight));
    const QRegion region = TDIBFormShaper::BuildRegion(skin, TDIBFormShaper::TransparentColourOf(skin, tmAuto, 0));
    for (const ButtonPlace &place : mainButtonPlaces())
        EXPECT_EQ(region.intersected(place.rect), QRegion(place.rect)) << place.name;
    for (QRect r : {PlaySliderRect, VolumeSliderRect, TabMp3WavRect, TabWavMp3Rect, ListAreaRect, InfoDisplayRect})
        EXPECT_EQ(region.intersected(r), QRegion(r));
    EXPECT_FALSE(region.contains(QPoint(0, MainClientHeight - 1)));
    EXPECT_EQ(region.boundingRect(), QRect(4, 0, 428, 460));
    EXPECT_EQ(area(region), 178414);
}

} // namespace
