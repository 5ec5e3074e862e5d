#include "audioinfo/MpegFrameHdr.h"

namespace tb {

namespace {

// kbit/s by [version 1..3][layer 1..3][bitrate index]; MPEG-2.5 shares the MPEG-2 rows.
constexpr int32_t kBitrates[3][3][16] = {
    { // MPEG-1 (ISO/IEC 11172-3)
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, -1},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, -1},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, -1},
    },
    { // MPEG-2 (ISO/IEC 13818-3)
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, -1},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1},
    },
    { // MPEG-2.5
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, -1},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1},
    },
};

// Hz by [version 1..3][sampling-rate index]; MPEG-2.5 halves the MPEG-2 rates once more.
constexpr int32_t kSampleRates[3][4] = {
    {44100, 48000, 32000, -1},
    {22050, 24000, 16000, -1},
    {11025, 12000, 8000, -1},
};

// Version by the two version bits: 00 MPEG-2.5, 01 reserved, 10 MPEG-2, 11 MPEG-1.
constexpr int32_t kVersionByCode[4] = {3, 0, 2, 1};

} // namespace

bool TMpegFrameHdr::Decode(const uint8_t *data, int64_t length)
{
    if (length < 4)
        return false;
    for (int i = 0; i < 4; ++i)
        Bytes[i] = data[i];

    Version = kVersionByCode[(Bytes[1] >> 3) & 3];
    const int32_t layer = Layer();
    const int bitrateIndex = Bytes[2] >> 4;
    const int rateIndex = (Bytes[2] >> 2) & 3;

    Bitrate = (Version == 0 || layer == 0) ? -1 : kBitrates[Version - 1][layer - 1][bitrateIndex];
    SampleRate = Version == 0 ? -1 : kSampleRates[Version - 1][rateIndex];
    if (SampleRate <= 0) {
        FrameLength = 0;
    } else if (layer == 1) {
        // Layer I frames are whole four-byte slots: 384 samples, 12 slots per 384/32 samples.
        FrameLength = 4 * static_cast<int32_t>(double(BitrateBps()) * 12 / SampleRate) + PaddingSize();
    } else {
        // Samples per frame / 8: 1152/8 for Layer II and MPEG-1 Layer III, 576/8 for Layer III
        // of MPEG-2 and MPEG-2.5.
        const double factor = (layer == 3 && Version != 1) ? 72 : 144;
        FrameLength = static_cast<int32_t>(double(BitrateBps()) * factor / SampleRate) + PaddingSize();
    }

    const bool sync = Bytes[0] == 0xFF && (Bytes[1] & 0xE0) == 0xE0;
    Valid = sync && Version != 0 && layer != 0 && Bitrate != -1 && SampleRate != -1;
    return Valid;
}

int32_t TMpegFrameHdr::FindFrame(const uint8_t *data, int32_t count)
{
    for (int32_t i = 0; i <= count - 4; ++i) {
        if (data[i] == 0xFF && (data[i + 1] & 0xE0) == 0xE0 && Decode(data + i, count - i))
            return i;
    }
    return -1;
}

int32_t TMpegFrameHdr::Layer() const
{
    return (4 - ((Bytes[1] >> 1) & 3)) & 3;
}

int32_t TMpegFrameHdr::ChannelMode() const
{
    return Bytes[3] >> 6;
}

int32_t TMpegFrameHdr::PaddingSize() const
{
    if ((Bytes[2] & 0x02) == 0)
        return 0;
    return Layer() == 1 ? 4 : 1;
}

QString TMpegFrameHdr::VersionText() const
{
    static const char *const texts[4] = {"?!!", "1.0", "2.0", "2.5"};
    return QString::fromLatin1(Version >= 0 && Version <= 3 ? texts[Version] : texts[0]);
}

QString TMpegFrameHdr::LayerText() const
{
    static const char *const texts[4] = {"?!!", "I", "II", "III"};
    return QString::fromLatin1(texts[Layer()]);
}

} // namespace tb
