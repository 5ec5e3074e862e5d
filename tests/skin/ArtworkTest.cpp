#include "SkinTestSupport.h"
#include "skin/SkinArtwork.h"
#include "skin/SkinLayout.h"

#include <gtest/gtest.h>

using namespace tb;

namespace {

double brightness(const QImage &image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qGray(image.pixel(x, y));
    return sum / (image.width() * image.height());
}

TEST(Artwork, EveryPictureExistsAtItsSizeAndAtTwiceItsSize)
{
    test::skinApplication();
    struct Picture {
        QString name;
        QSize size;
    };
    std::vector<Picture> all{{"back", {MainClientWidth, MainClientHeight}}, {"thumb-h", PlayThumbSize},
                             {"thumb-v", VolumeThumbSize}};
    for (const ButtonPlace &place : mainButtonPlaces())
        for (const char *look : {"-up", "-down", "-active"})
            all.push_back({QString(place.name) + look, place.rect.size()});
    for (const Picture &p : all) {
        const QImage one = skin::picture(p.name, 1), two = skin::picture(p.name, 2);
        EXPECT_EQ(one.size(), p.size) << qPrintable(p.name);
        EXPECT_EQ(two.size(), p.size * 2) << qPrintable(p.name);
        EXPECT_EQ(two.devicePixelRatio(), 2.0) << qPrintable(p.name);
        EXPECT_EQ(two.deviceIndependentSize().toSize(), p.size) << qPrintable(p.name);
    }
    EXPECT_TRUE(skin::picture("no-such-picture").isNull());
}

TEST(Artwork, TheSkinShowsEveryButtonInItsUpLookAndTheLooksDiffer)
{
    test::skinApplication();
    const QImage back = skin::backBitmap().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(back.pixel(0, MainClientHeight - 1), qRgb(255, 0, 0));
    for (const ButtonPlace &place : mainButtonPlaces()) {
        const QImage up = skin::picture(QString(place.name) + "-up").convertToFormat(QImage::Format_RGB32);
        const QImage active = skin::picture(QString(place.name) + "-active");
        const QImage down = skin::picture(QString(place.name) + "-down");
        const QImage under = back.copy(place.rect);
        const QRgb key = up.pixel(0, up.height() - 1);
        const bool keyed = QString(place.name) == "btnOptions";
        int differ = 0;
        for (int y = 0; y < up.height(); ++y)
            for (int x = 0; x < up.width(); ++x)
                if (up.pixel(x, y) != under.pixel(x, y) && !(keyed && up.pixel(x, y) == key))
                    ++differ;
        EXPECT_EQ(differ, 0) << place.name;
        EXPECT_GT(brightness(active), brightness(up) + 12) << place.name << ": the active look is clearly brighter";
        EXPECT_LT(brightness(down), brightness(up) - 4) << place.name << ": the down look is pressed in";
    }
}

} // namespace
