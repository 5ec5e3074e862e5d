#include "audioinfo/MpegFrameHdr.h"
#include "support/QtPrinters.h"

#include <QByteArray>
#include <gtest/gtest.h>

using tb::TMpegFrameHdr;

namespace {

const uint8_t *bytesOf(const QByteArray &b)
{
    return reinterpret_cast<const uint8_t *>(b.constData());
}

struct HeaderCase {
    const char *hex;
    bool valid;
    int version;
    int layer;
    int bitrate;
    int sampleRate;
    int frameLength;
    int channelMode;
    const char *versionText;
    const char *layerText;
};

class HeaderTable : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderTable, DecodesEveryField)
{
    const HeaderCase &c = GetParam();
    const QByteArray bytes = QByteArray::fromHex(c.hex);
    TMpegFrameHdr hdr;
    EXPECT_EQ(hdr.Decode(bytesOf(bytes), 4), c.valid);
    EXPECT_EQ(hdr.Valid, c.valid);
    EXPECT_EQ(hdr.Version, c.version);
    EXPECT_EQ(hdr.Layer(), c.layer);
    EXPECT_EQ(hdr.Bitrate, c.bitrate);
    EXPECT_EQ(hdr.SampleRate, c.sampleRate);
    EXPECT_EQ(hdr.FrameLength, c.frameLength);
    EXPECT_EQ(hdr.ChannelMode(), c.channelMode);
    EXPECT_EQ(hdr.VersionText(), QString::fromLatin1(c.versionText));
    EXPECT_EQ(hdr.LayerText(), QString::fromLatin1(c.layerText));
    EXPECT_EQ(hdr.BitrateBps(), c.bitrate * 1000);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(hdr.Bytes[i], uint8_t(bytes[i]));
}

INSTANTIATE_TEST_SUITE_P(
    Headers, HeaderTable,
    ::testing::Values(
        // MPEG-1 Layer III 128 kbit/s 44100 Hz joint stereo: 144 x 128000 / 44100 = 417.96
        HeaderCase{"FFFB9064", true, 1, 3, 128, 44100, 417, 1, "1.0", "III"},
        HeaderCase{"FFFB9264", true, 1, 3, 128, 44100, 418, 1, "1.0", "III"},      // padding
        HeaderCase{"FFFA9064", true, 1, 3, 128, 44100, 417, 1, "1.0", "III"},      // protection bit plays no part
        HeaderCase{"FFFB9165", true, 1, 3, 128, 44100, 417, 1, "1.0", "III"},      // private bit, emphasis
        HeaderCase{"FFF384C4", true, 2, 3, 64, 24000, 192, 3, "2.0", "III"},       // MPEG-2 mono
        HeaderCase{"FFFF9000", true, 1, 1, 288, 44100, 312, 0, "1.0", "I"},        // 4 x trunc(12 x 288000 / 44100)
        HeaderCase{"FFFF9200", true, 1, 1, 288, 44100, 316, 0, "1.0", "I"},        // Layer I padding adds 4
        HeaderCase{"FFFD9080", true, 1, 2, 160, 44100, 522, 2, "1.0", "II"},       // dual channel
        HeaderCase{"FFFD9280", true, 1, 2, 160, 44100, 523, 2, "1.0", "II"},       // Layer II padding adds 1
        HeaderCase{"FFF59440", true, 2, 2, 80, 24000, 480, 1, "2.0", "II"},        // MPEG-2 Layer II: factor 144
        HeaderCase{"FFF7E000", true, 2, 1, 256, 22050, 556, 0, "2.0", "I"},        // MPEG-2 Layer I
        // Layer I 384 kbit/s 44100 Hz: 4 x trunc(104.49) = 416, not trunc(417.96)
        HeaderCase{"FFFFC000", true, 1, 1, 384, 44100, 416, 0, "1.0", "I"},
        HeaderCase{"FFFFC200", true, 1, 1, 384, 44100, 420, 0, "1.0", "I"},
        HeaderCase{"FFE39064", true, 3, 3, 80, 11025, 522, 1, "2.5", "III"},       // MPEG-2.5 index 0: 11025
        HeaderCase{"FFE39464", true, 3, 3, 80, 12000, 480, 1, "2.5", "III"},
        HeaderCase{"FFE39864", true, 3, 3, 80, 8000, 720, 1, "2.5", "III"},
        HeaderCase{"FFFB0064", true, 1, 3, 0, 44100, 0, 1, "1.0", "III"},          // free format
        HeaderCase{"FFFB0264", true, 1, 3, 0, 44100, 1, 1, "1.0", "III"},          // free format, padding
        HeaderCase{"FFFBF064", false, 1, 3, -1, 44100, -3, 1, "1.0", "III"},       // bitrate index 15
        HeaderCase{"FFFB9C64", false, 1, 3, 128, -1, 0, 1, "1.0", "III"},          // sampling-rate index 3
        HeaderCase{"FFEB9064", false, 0, 3, -1, -1, 0, 1, "?!!", "III"},           // version code 1 (reserved)
        HeaderCase{"FFF99064", false, 1, 0, -1, 44100, -3, 1, "1.0", "?!!"},        // layer code 0 (reserved)
        HeaderCase{"FEFB9064", false, 1, 3, 128, 44100, 417, 1, "1.0", "III"},     // no sync in byte 0
        HeaderCase{"FFDB9064", false, 1, 3, 128, 44100, 417, 1, "1.0", "III"}));   // no sync in byte 1

TEST(MpegFrameHdr, BitrateIndex15FrameLengthIsComputedFromMinusOne)
{
    // -1 kbit/s gives -1000 bit/s: truncate(-1000 x 144 / 44100) = -3; the header is not valid.
    TMpegFrameHdr hdr;
    const QByteArray b = QByteArray::fromHex("FFFBF064");
    EXPECT_FALSE(hdr.Decode(bytesOf(b), 4));
    EXPECT_EQ(hdr.FrameLength, -3);
}

TEST(MpegFrameHdr, StartsEmptyAndInvalid)
{
    TMpegFrameHdr hdr;
    EXPECT_FALSE(hdr.Valid);
    EXPECT_EQ(hdr.Bytes, (std::array<uint8_t, 4>{0, 0, 0, 0}));
}

TEST(MpegFrameHdr, DecodeOfFewerThanFourBytesChangesNothing)
{
    TMpegFrameHdr hdr;
    const QByteArray good = QByteArray::fromHex("FFFB9064");
    ASSERT_TRUE(hdr.Decode(bytesOf(good), 4));
    const QByteArray other = QByteArray::fromHex("FFF384C4");
    EXPECT_FALSE(hdr.Decode(bytesOf(other), 3));
    EXPECT_TRUE(hdr.Valid);
    EXPECT_EQ(hdr.Bitrate, 128);
    EXPECT_EQ(hdr.Bytes[1], 0xFB);
}

// Bitrates in kbit/s of ISO/IEC 11172-3 and 13818-3, by version, layer and index.
TEST(MpegFrameHdr, BitrateTablesOfBothStandards)
{
    const int mpeg1[3][16] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, -1},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, -1},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, -1}};
    const int mpeg2[3][16] = {
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, -1},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1}};
    const int versionCode[4] = {0, 3, 2, 0}; // by Version 1, 2, 3
    for (int version = 1; version <= 3; ++version) {
        for (int layer = 1; layer <= 3; ++layer) {
            for (int index = 0; index < 16; ++index) {
                const uint8_t bytes[4] = {0xFF, uint8_t(0xE0 | versionCode[version] << 3 | (4 - layer) << 1),
                                          uint8_t(index << 4), 0};
                TMpegFrameHdr hdr;
                hdr.Decode(bytes, 4);
                const int expected = version == 1 ? mpeg1[layer - 1][index] : mpeg2[layer - 1][index];
                EXPECT_EQ(hdr.Bitrate, expected) << "version " << version << " layer " << layer << " index " << index;
                EXPECT_EQ(hdr.Valid, expected != -1);
            }
        }
    }
}

TEST(MpegFrameHdr, SamplingRateTable)
{
    const int rates[3][4] = {{44100, 48000, 32000, -1}, {22050, 24000, 16000, -1}, {11025, 12000, 8000, -1}};
    const int versionCode[3] = {3, 2, 0};
    for (int v = 0; v < 3; ++v) {
        for (int index = 0; index < 4; ++index) {
            const uint8_t bytes[4] = {0xFF, uint8_t(0xE2 | versionCode[v] << 3), uint8_t(0x90 | index << 2), 0};
            TMpegFrameHdr hdr;
            hdr.Decode(bytes, 4);
            EXPECT_EQ(hdr.SampleRate, rates[v][index]) << "version " << v + 1 << " index " << index;
        }
    }
}

TEST(MpegFrameHdr, FindFrameReturnsTheFirstDecodablePosition)
{
    // A sync pattern that does not decode (reserved version) comes first.
    const QByteArray data = QByteArray::fromHex("00FF00FFEB9064" "12" "FFFB9064" "FFF384C4");
    TMpegFrameHdr hdr;
    EXPECT_EQ(hdr.FindFrame(bytesOf(data), int(data.size())), 8);
    EXPECT_TRUE(hdr.Valid);
    EXPECT_EQ(hdr.Bitrate, 128);
}

TEST(MpegFrameHdr, FindFrameMissLeavesTheLastAttemptInvalid)
{
    const QByteArray data = QByteArray::fromHex("0000FFEB9064" "0000");
    TMpegFrameHdr hdr;
    EXPECT_EQ(hdr.FindFrame(bytesOf(data), int(data.size())), -1);
    EXPECT_FALSE(hdr.Valid);
    EXPECT_EQ(hdr.Bytes[1], 0xEB);
}

TEST(MpegFrameHdr, FindFrameNeedsAllFourBytesInsideTheCount)
{
    const QByteArray data = QByteArray::fromHex("0000FFFB9064");
    TMpegFrameHdr hdr;
    EXPECT_EQ(hdr.FindFrame(bytesOf(data), 5), -1);
    EXPECT_EQ(hdr.FindFrame(bytesOf(data), 6), 2);
    EXPECT_EQ(hdr.FindFrame(bytesOf(data), 0), -1);
}

} // namespace
