#include "RecordingDecoders.h"
#include "core/Equalizer.h"

#include <gtest/gtest.h>

using namespace tb;
using namespace tb::test;

namespace {

using Calls = std::vector<std::string>;

// The slider that covers each band.
int sliderOfBand(int band)
{
    int slider = 0;
    while (EqualizerSliderFirstBand[static_cast<size_t>(slider) + 1] <= band)
        ++slider;
    return slider;
}

TEST(EqualizerTable, AllSlidersAtTheTopGiveAllZeros)
{
    EXPECT_TRUE(sameTable(BuildEqualizerTable({0, 0, 0, 0, 0, 0, 0, 0}), flatTable(0)));
}

TEST(EqualizerTable, DefaultLevelsGiveMinusFiftyEverywhere)
{
    EXPECT_TRUE(sameTable(BuildEqualizerTable({50, 50, 50, 50, 50, 50, 50, 50}), flatTable(-50)));
}

TEST(EqualizerTable, LastSliderAtTheBottomCutsBandsTwentyToThirtyOneOfBothChannels)
{
    const XA_EqualizerInfo t = BuildEqualizerTable({0, 0, 0, 0, 0, 0, 0, 100});
    for (int b = 0; b < 32; ++b) {
        const int expected = b >= 20 ? -100 : 0;
        EXPECT_EQ(t.left[b], expected) << "left band " << b;
        EXPECT_EQ(t.right[b], expected) << "right band " << b;
    }
}

TEST(EqualizerTable, EachBandTakesTheNegatedLevelOfItsSlider)
{
    const VolLevels levels{1, 12, 23, 34, 45, 56, 67, 78};
    const XA_EqualizerInfo t = BuildEqualizerTable(levels);
    // Bands 0, 1, 2-3, 4-5, 6-7, 8-13, 14-19, 20-31.
    const int expectedSlider[32] = {0, 1, 2, 2, 3, 3, 4, 4, 5, 5, 5, 5, 5, 5, 6, 6,
                                    6, 6, 6, 6, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    for (int b = 0; b < 32; ++b) {
        ASSERT_EQ(sliderOfBand(b), expectedSlider[b]) << b;
        EXPECT_EQ(t.left[b], -levels[static_cast<size_t>(expectedSlider[b])]) << "left band " << b;
        EXPECT_EQ(t.right[b], t.left[b]) << "right band " << b;
    }
}

TEST(EqualizerTable, LevelsOutsideTheSliderRangeSaturateInsteadOfWrapping)
{
    struct Case {
        int32_t level;
        int expected;
    };
    for (const Case &c : {Case{127, -127}, Case{128, -128}, Case{200, -128}, Case{INT32_MAX, -128},
                          Case{-5, 5}, Case{-127, 127}, Case{-300, 127}, Case{INT32_MIN, 127}}) {
        const XA_EqualizerInfo t = BuildEqualizerTable({0, 0, 0, 0, 0, 0, 0, c.level});
        EXPECT_EQ(t.left[31], c.expected) << c.level;
        EXPECT_EQ(t.right[20], c.expected) << c.level;
        EXPECT_EQ(t.left[0], 0) << c.level;
    }
}

TEST(ApplyEqualizer, OnSendsTheTableAndReadsItBackOnThePlaybackDecoderFirst)
{
    RecordingDecoders d;
    ApplyEqualizer(true, {0, 0, 0, 0, 0, 0, 0, 100}, &d.mp3Player, &d.decoder);
    EXPECT_EQ(d.calls(), (Calls{"mp3Player Set", "mp3Player Get", "Decoder Set", "Decoder Get"}));
    ASSERT_TRUE(d.log[0].table && d.log[2].table);
    EXPECT_TRUE(sameTable(*d.log[0].table, BuildEqualizerTable({0, 0, 0, 0, 0, 0, 0, 100})));
    EXPECT_TRUE(sameTable(*d.log[2].table, *d.log[0].table));
}

TEST(ApplyEqualizer, OffSendsNoTableToBothDecoders)
{
    RecordingDecoders d;
    ApplyEqualizer(false, {50, 50, 50, 50, 50, 50, 50, 50}, &d.mp3Player, &d.decoder);
    EXPECT_EQ(d.calls(), (Calls{"mp3Player Set null", "Decoder Set null"}));
}

TEST(ApplyEqualizer, AMissingDecoderIsPassedOver)
{
    RecordingDecoders d;
    ApplyEqualizer(true, {}, nullptr, &d.decoder);
    ApplyEqualizer(false, {}, &d.mp3Player, nullptr);
    EXPECT_EQ(d.calls(), (Calls{"Decoder Set", "Decoder Get", "mp3Player Set null"}));
}

} // namespace
