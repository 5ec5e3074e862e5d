#include "tonebridge/wave.h"
#include "wavepipe/MMObject.h"
#include "wavepipe/MMUtils.h"

#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

using namespace tb;

namespace {

WAVEFORMATEX format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign, uint16_t bits,
                    uint32_t avg = 0, uint16_t cbSize = 0)
{
    return WAVEFORMATEX{tag, channels, rate, avg ? avg : rate * blockAlign, blockAlign, bits, cbSize};
}

struct MulDivCase {
    int64_t a, b, c, expected;
};

class MulDivRoundTable : public ::testing::TestWithParam<MulDivCase> {};

TEST_P(MulDivRoundTable, RoundsToNearestHalvesUp)
{
    const MulDivCase &c = GetParam();
    EXPECT_EQ(MulDivRound(c.a, c.b, c.c), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, MulDivRoundTable,
    ::testing::Values(MulDivCase{10, 1, 4, 3},   // 2.5
                      MulDivCase{7, 1, 3, 2},    // 2.33
                      MulDivCase{8, 1, 3, 3},    // 2.67
                      MulDivCase{30, 1, 4, 8},   // 7.5
                      MulDivCase{44100, 1000, 44100, 1000},
                      MulDivCase{1, 1000, 44100, 0},
                      MulDivCase{23, 1000, 44100, 1}, // 0.52
                      MulDivCase{5, 7, 0, 0},         // no division by zero
                      // products beyond 64 bits are computed exactly
                      MulDivCase{int64_t(1) << 40, int64_t(1) << 40, int64_t(1) << 30, int64_t(1) << 50},
                      MulDivCase{std::numeric_limits<int64_t>::max(), 4, 1, std::numeric_limits<int64_t>::max()}));

TEST(UnitConversions, PcmStereo16)
{
    const WAVEFORMATEX f = format(1, 2, 44100, 4, 16);
    EXPECT_EQ(wioBytesToSamples(f, 176400), 44100);
    EXPECT_EQ(wioSamplesToBytes(f, 44100), 176400);
    EXPECT_EQ(wioSamplesToMs(f, 44100), 1000);
    EXPECT_EQ(wioMsToSamples(f, 500), 22050);
    EXPECT_EQ(wioSamplesToTime(f, 441, tfMillisecond), 10);
    EXPECT_EQ(wioSamplesToTime(f, 441, tfByte), 1764);
    EXPECT_EQ(wioSamplesToTime(f, 441, tfSample), 441);
    EXPECT_EQ(wioTimeToSamples(f, 10, tfMillisecond), 441);
    EXPECT_EQ(wioTimeToSamples(f, 1764, tfByte), 441);
    EXPECT_EQ(wioTimeToSamples(f, 441, tfSample), 441);
}

TEST(UnitConversions, SamplesToBytesRoundsUpToWholeBlocks)
{
    // IMA ADPCM mono: 256-byte blocks of 505 samples, 11025 Hz, 5588 bytes/s
    const WAVEFORMATEX f = format(0x11, 1, 11025, 256, 4, 5588);
    EXPECT_EQ(wioSamplesToBytes(f, 505), 256);
    EXPECT_EQ(wioSamplesToBytes(f, 1), 256);
    EXPECT_EQ(wioSamplesToBytes(f, 0), 0);
    EXPECT_EQ(wioSamplesToBytes(f, 520), 512); // 263.6 bytes
}

TEST(UnitConversions, ZeroRatesConvertToZero)
{
    const WAVEFORMATEX f = format(1, 0, 0, 0, 0, 0);
    EXPECT_EQ(wioBytesToSamples(f, 1000), 0);
    EXPECT_EQ(wioSamplesToBytes(f, 1000), 0);
    EXPECT_EQ(wioSamplesToMs(f, 1000), 0);
}

TEST(WaveFormatCopy, PcmCopiesEighteenBytesWhateverCbSizeSays)
{
    WAVEFORMATEX f = format(1, 2, 44100, 4, 16);
    f.cbSize = 500;
    const WaveFormatCopy copy(&f);
    EXPECT_EQ(copy.size(), 18u);
    EXPECT_NE(copy.get(), &f);
    EXPECT_EQ(std::memcmp(copy.get(), &f, 18), 0);
}

TEST(WaveFormatCopy, OtherFormatsCopyTheirExtraBytes)
{
    std::vector<uint8_t> bytes(18 + 4);
    const WAVEFORMATEX f = format(2, 1, 8000, 256, 4, 4096, 4);
    std::memcpy(bytes.data(), &f, 18);
    bytes[18] = 0xAA;
    bytes[21] = 0xBB;
    const WaveFormatCopy copy(reinterpret_cast<const WAVEFORMATEX *>(bytes.data()));
    ASSERT_EQ(copy.size(), 22u);
    EXPECT_EQ(std::memcmp(copy.get(), bytes.data(), 22), 0);
}

TEST(WaveFormatCopy, FromBytesNeverReadsBeyondThem)
{
    struct Case {
        uint16_t tag;
        uint16_t cbSize;
        size_t present;
        size_t expectedSize;
        uint16_t expectedCbSize;
    };
    const Case cases[] = {
        {2, 32, 18 + 32, 18 + 32, 32}, // all there
        {2, 100, 18 + 2, 18 + 2, 2},   // cbSize beyond the bytes: clamped
        {2, 100, 18, 18, 0},
        {2, 10, 16, 18, 0},            // shorter than the record: completed with zeros
        {1, 100, 18, 18, 100},         // PCM keeps its cbSize but copies 18 bytes
        {1, 0, 16, 18, 0},
        {1, 0, 0, 18, 0},
    };
    for (const Case &c : cases) {
        std::vector<uint8_t> bytes(std::max<size_t>(c.present, 18), 0);
        const WAVEFORMATEX f = format(c.tag, 1, 8000, 2, 16, 16000, c.cbSize);
        std::memcpy(bytes.data(), &f, 18);
        // only `present` bytes are handed over; a vector of exactly that size lets ASan see overreads
        std::vector<uint8_t> exact(bytes.begin(), bytes.begin() + long(c.present));
        const WaveFormatCopy copy = WaveFormatCopy::fromBytes(exact.data(), exact.size());
        EXPECT_EQ(copy.size(), c.expectedSize) << c.tag << " " << c.cbSize << " " << c.present;
        EXPECT_EQ(copy.get()->cbSize, c.expectedCbSize);
        EXPECT_EQ(copy.get()->wFormatTag, c.present >= 2 ? c.tag : 0);
    }
}

class Counting : public TMMObject {
public:
    using TMMObject::Changed;
};

TEST(MMObject, ChangedFiresOnlyOutsideUpdatesAndEndUpdateFiresOnce)
{
    Counting object;
    int fired = 0;
    object.OnChange = [&](TMMObject *sender) {
        EXPECT_EQ(sender, &object);
        ++fired;
    };
    object.Changed();
    EXPECT_EQ(fired, 1);
    object.BeginUpdate();
    object.BeginUpdate();
    object.Changed();
    object.EndUpdate();
    EXPECT_EQ(fired, 1);
    object.EndUpdate();
    EXPECT_EQ(fired, 2);
    object.EndUpdate(); // unbalanced: ignored
    EXPECT_EQ(object.UpdateCount(), 0);
    EXPECT_EQ(fired, 2);
}

} // namespace
