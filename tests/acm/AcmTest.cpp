#include "support/AcmFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

using namespace tb::acm;
using namespace tb::test;

namespace {

// Drives one stream the way the wave converter does: source pieces of `piece` bytes, whatever a
// call leaves unused goes in front of the next piece, and an end pass flushes.
struct Decoded {
    QByteArray pcm;
    WAVEFORMATEX target{};
    MMRESULT failure = MMSYSERR_NOERROR;
};

Decoded decodeAll(const WAVEFORMATEX *src, const QByteArray &data, uint32_t piece = 8192,
                  const WAVEFORMATEX *wanted = nullptr)
{
    Decoded out;
    if (wanted) {
        out.target = *wanted;
    } else {
        out.target.wFormatTag = WAVE_FORMAT_PCM;
        if ((out.failure = acmFormatSuggest(nullptr, src, &out.target, sizeof out.target, ACM_FORMATSUGGESTF_WFORMATTAG)))
            return out;
    }
    HACMSTREAM stream = nullptr;
    if ((out.failure = acmStreamOpen(&stream, nullptr, src, &out.target, nullptr, 0, 0, 0)))
        return out;
    const uint32_t sourceRoom = 4 * piece;
    uint32_t destinationRoom = 0;
    EXPECT_EQ(acmStreamSize(stream, sourceRoom, &destinationRoom, ACM_STREAMSIZEF_SOURCE), MMSYSERR_NOERROR);
    std::vector<uint8_t> source(sourceRoom), destination(destinationRoom);
    ACMSTREAMHEADER header{};
    header.cbStruct = sizeof header;
    header.pbSrc = source.data();
    header.cbSrcLength = sourceRoom;
    header.pbDst = destination.data();
    header.cbDstLength = destinationRoom;
    EXPECT_EQ(acmStreamPrepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    uint32_t carried = 0;
    int offset = 0;
    for (bool end = false; !end;) {
        const uint32_t fresh = uint32_t(std::min<int>(int(piece), data.size() - offset));
        std::memcpy(source.data() + carried, data.constData() + offset, fresh);
        offset += int(fresh);
        end = fresh == 0;
        header.cbSrcLength = carried + fresh;
        const MMRESULT r = acmStreamConvert(stream, &header, end ? ACM_STREAMCONVERTF_END : ACM_STREAMCONVERTF_BLOCKALIGN);
        if (r != MMSYSERR_NOERROR) {
            out.failure = r;
            break;
        }
        EXPECT_TRUE(header.fdwStatus & ACMSTREAMHEADER_STATUSF_DONE);
        EXPECT_LE(header.cbDstLengthUsed, destinationRoom);
        out.pcm.append(reinterpret_cast<const char *>(destination.data()), int(header.cbDstLengthUsed));
        carried = header.cbSrcLength - header.cbSrcLengthUsed;
        std::memmove(source.data(), source.data() + header.cbSrcLengthUsed, carried);
        // The end pass is repeated while it still yields output.
        if (end && header.cbDstLengthUsed > 0)
            end = false;
        if (!end && fresh == 0 && header.cbDstLengthUsed == 0)
            end = true;
    }
    EXPECT_EQ(acmStreamUnprepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
    return out;
}

class AcmFiles : public ::testing::Test {
protected:
    TempDir dir;

    QString tone(const QString &name, Tone t)
    {
        const QString path = dir.file(name);
        EXPECT_TRUE(writeSineWav(path, t));
        return path;
    }
    // A tone encoded by sox with the given output options.
    QString soxEncoded(const QString &name, Tone t, const QStringList &options)
    {
        const QString source = tone("source-" + name, t);
        const QString path = dir.file(name);
        EXPECT_TRUE(run("sox", QStringList{source} + options + QStringList{path})) << name.toStdString();
        return path;
    }
};

struct SoxCase {
    const char *name;
    int rate, channels, bits;
    QStringList options;
    uint16_t expectedTag;
};

TEST_F(AcmFiles, EveryDriverDecodesAsSoxDoes)
{
    const SoxCase cases[] = {
        {"ima-stereo", 22050, 2, 16, {"-e", "ima-adpcm"}, WAVE_FORMAT_IMA_ADPCM},
        {"ima-mono", 11025, 1, 16, {"-e", "ima-adpcm"}, WAVE_FORMAT_IMA_ADPCM},
        {"ms-stereo", 22050, 2, 16, {"-e", "ms-adpcm"}, WAVE_FORMAT_ADPCM},
        {"ms-mono", 44100, 1, 16, {"-e", "ms-adpcm"}, WAVE_FORMAT_ADPCM},
        {"gsm", 8000, 1, 16, {"-e", "gsm-full-rate"}, WAVE_FORMAT_GSM610},
        {"alaw", 22050, 2, 16, {"-e", "a-law"}, WAVE_FORMAT_ALAW},
        {"mulaw", 8000, 1, 16, {"-e", "u-law"}, WAVE_FORMAT_MULAW},
        {"pcm8", 22050, 2, 16, {"-e", "unsigned", "-b", "8"}, WAVE_FORMAT_PCM},
        {"pcm24", 44100, 2, 16, {"-e", "signed", "-b", "24"}, WAVE_FORMAT_PCM},
        {"pcm32", 48000, 1, 16, {"-e", "signed", "-b", "32"}, WAVE_FORMAT_PCM},
    };
    for (const SoxCase &c : cases) {
        SCOPED_TRACE(c.name);
        // A loud two-second tone that sweeps through many step sizes; 24/32-bit sources keep
        // fine detail below 16 bits, so rounding shows.
        Tone t{c.rate, c.channels, 24, 2 * c.rate, 523.0, 0.8};
        const QString file = soxEncoded(QString(c.name) + ".wav", t, c.options);
        const WaveImage image = parseWave(TempDir::read(file));
        // sox writes 24- and 32-bit PCM as WAVE_FORMAT_EXTENSIBLE
        ASSERT_EQ(effectiveFormat(*image.wfx()).wFormatTag, c.expectedTag);
        // PCM sources are asked for 16 bits; the others get what the manager suggests.
        const WAVEFORMATEX sixteen = pcmFormat(uint16_t(c.channels), uint32_t(c.rate), 16);
        const Decoded ours = decodeAll(image.wfx(), image.data, 8192, c.expectedTag == WAVE_FORMAT_PCM ? &sixteen : nullptr);
        ASSERT_EQ(ours.failure, MMSYSERR_NOERROR);
        EXPECT_EQ(ours.target.wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(ours.target.wBitsPerSample, 16);
        EXPECT_EQ(ours.target.nChannels, c.channels);
        EXPECT_EQ(ours.target.nSamplesPerSec, uint32_t(c.rate));
        const std::vector<int16_t> reference = samples16(soxDecode(file));
        const std::vector<int16_t> decoded = samples16(ours.pcm);
        ASSERT_FALSE(reference.empty());
        ASSERT_EQ(decoded.size(), reference.size());
        size_t firstDifference = 0;
        while (firstDifference < decoded.size() && decoded[firstDifference] == reference[firstDifference])
            ++firstDifference;
        EXPECT_EQ(firstDifference, decoded.size()) << "first difference at sample " << firstDifference;
    }
}

TEST_F(AcmFiles, FloatBecomesSixteenBitWithinOneStep)
{
    for (int bits : {32, 64}) {
        SCOPED_TRACE(bits);
        Tone t{44100, 2, 16, 44100, 440.0, 0.9};
        const QString file = soxEncoded(QString("float%1.wav").arg(bits), t,
                                        {"-e", "floating-point", "-b", QString::number(bits)});
        const WaveImage image = parseWave(TempDir::read(file));
        ASSERT_EQ(image.wfx()->wFormatTag, WAVE_FORMAT_IEEE_FLOAT);
        const Decoded ours = decodeAll(image.wfx(), image.data);
        ASSERT_EQ(ours.failure, MMSYSERR_NOERROR);
        const std::vector<int16_t> reference = samples16(soxDecode(file));
        const std::vector<int16_t> decoded = samples16(ours.pcm);
        ASSERT_EQ(decoded.size(), reference.size());
        int worst = 0;
        for (size_t i = 0; i < decoded.size(); ++i)
            worst = std::max(worst, std::abs(decoded[i] - reference[i]));
        EXPECT_LE(worst, 1);
    }
}

// A Layer-3 stream from lame put into a wave file by our RIFF writer, decoded by us and by the
// mpg123 program from the plain MP3 file.
TEST_F(AcmFiles, LayerThreeInsideWaveDecodesAsMpg123Does)
{
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        const QString source = tone(QString("src%1.wav").arg(channels), {44100, channels, 16, 44100 * 2, 440.0, 0.5});
        const QString mp3 = dir.file(QString("tone%1.mp3").arg(channels));
        ASSERT_TRUE(run("lame", {"--quiet", "-t", "-b", "128", source, mp3}));
        const QByteArray frames = TempDir::read(mp3);
        // MPEGLAYER3WAVEFORMAT: wID 1, fdwFlags 2 (no padding), block size, frames per block 1, codec delay 0.
        QByteArray extra = le16(1) + le32(2) + le16(418) + le16(1) + le16(0);
        const QByteArray wav = RiffBuilder()
                                   .chunk("fmt ", formatChunk(0x55, uint16_t(channels), 44100, 16000, 1, 0, 12, extra))
                                   .chunk("data", frames)
                                   .build();
        const WaveImage image = parseWave(wav);
        // Small pieces make the decoder keep input back between calls.
        const Decoded ours = decodeAll(image.wfx(), image.data, 1000);
        ASSERT_EQ(ours.failure, MMSYSERR_NOERROR);
        EXPECT_EQ(ours.target.nChannels, channels);
        QByteArray reference;
        ASSERT_TRUE(run("mpg123", {"-q", "-s", mp3}, &reference));
        ASSERT_GT(reference.size(), 100000);
        EXPECT_EQ(ours.pcm.size(), reference.size());
        EXPECT_TRUE(ours.pcm == reference);
    }
}

TEST_F(AcmFiles, ExtensibleWithPcmOrFloatInsideReadsAsThose)
{
    // ffmpeg writes WAVE_FORMAT_EXTENSIBLE for 24-bit and for more than two channels.
    const QString source = tone("ext-src.wav", {48000, 2, 16, 9600, 440.0, 0.7});
    for (const char *codec : {"pcm_s24le", "pcm_f32le"}) {
        SCOPED_TRACE(codec);
        const QString file = dir.file(QString(codec) + ".wav");
        ASSERT_TRUE(run("ffmpeg", {"-loglevel", "error", "-y", "-i", source, "-c:a", codec, "-rf64", "never",
                                   "-write_bext", "0", "-f", "wav", "-ac", "2", "-channel_layout", "stereo", file}));
        WaveImage image = parseWave(TempDir::read(file));
        // Mark it EXTENSIBLE whatever ffmpeg chose, with the subformat the samples have.
        const uint16_t sub = std::string(codec) == "pcm_f32le" ? 3 : 1;
        const uint16_t bits = image.wfx()->wBitsPerSample;
        QByteArray extra = le16(bits) + le32(3) + le16(sub) +
                           QByteArray::fromHex("000000001000800000aa00389b71");
        image.format = formatChunk(0xFFFE, 2, 48000, 48000 * 2 * bits / 8, uint16_t(2 * bits / 8), bits, 22, extra);
        const Decoded ours = decodeAll(image.wfx(), image.data);
        ASSERT_EQ(ours.failure, MMSYSERR_NOERROR);
        const std::vector<int16_t> reference = samples16(soxDecode(source));
        const std::vector<int16_t> decoded = samples16(ours.pcm);
        ASSERT_EQ(ours.target.wFormatTag, WAVE_FORMAT_PCM);
        if (ours.target.wBitsPerSample == 24) {
            EXPECT_EQ(size_t(ours.pcm.size()), reference.size() * 3);
            continue;
        }
        ASSERT_EQ(decoded.size(), reference.size());
        for (size_t i = 0; i < decoded.size(); i += 97)
            ASSERT_LE(std::abs(decoded[i] - reference[i]), 1) << i;
    }
    // An extension too short to name its subformat is converted by nobody.
    QByteArray shortExtra = le16(16) + le32(3);
    const QByteArray record = formatChunk(0xFFFE, 2, 48000, 192000, 4, 16, 6, shortExtra);
    WAVEFORMATEX target{};
    target.wFormatTag = WAVE_FORMAT_PCM;
    EXPECT_EQ(acmFormatSuggest(nullptr, reinterpret_cast<const WAVEFORMATEX *>(record.constData()), &target,
                               sizeof target, ACM_FORMATSUGGESTF_WFORMATTAG),
              ACMERR_NOTPOSSIBLE);
}

TEST(Acm, VersionIsRecentEnoughForConversion)
{
    EXPECT_GE(acmGetVersion() >> 16, 0x0200u);
    EXPECT_EQ(acmLibrary().GetVersion, &acmGetVersion);
}

TEST(Acm, SuggestHonoursTheFixedFields)
{
    const WAVEFORMATEX pcm = pcmFormat(2, 44100, 16);
    struct Case {
        uint32_t flags;
        WAVEFORMATEX wish;
        WAVEFORMATEX expected;
    } cases[] = {
        {ACM_FORMATSUGGESTF_NCHANNELS | ACM_FORMATSUGGESTF_NSAMPLESPERSEC, pcmFormat(1, 22050, 0), pcmFormat(1, 22050, 16)},
        {ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS | ACM_FORMATSUGGESTF_NSAMPLESPERSEC |
             ACM_FORMATSUGGESTF_WBITSPERSAMPLE,
         pcmFormat(1, 11025, 8), pcmFormat(1, 11025, 8)},
        {ACM_FORMATSUGGESTF_WFORMATTAG, pcmFormat(0, 0, 0), pcm},
    };
    for (const Case &c : cases) {
        WAVEFORMATEX out = c.wish;
        ASSERT_EQ(acmFormatSuggest(nullptr, &pcm, &out, sizeof out, c.flags), MMSYSERR_NOERROR);
        EXPECT_EQ(std::memcmp(&out, &c.expected, sizeof out), 0) << out.nChannels << " " << out.nSamplesPerSec << " "
                                                                 << out.wBitsPerSample;
    }
    // Only PCM is ever produced, and the 1025-byte room is filled with zeros past the record.
    std::vector<uint8_t> room(1025, 0xEE);
    auto *wish = reinterpret_cast<WAVEFORMATEX *>(room.data());
    wish->wFormatTag = 0x0011;
    EXPECT_EQ(acmFormatSuggest(nullptr, &pcm, wish, 1025, ACM_FORMATSUGGESTF_WFORMATTAG), ACMERR_NOTPOSSIBLE);
    wish->wFormatTag = WAVE_FORMAT_PCM;
    ASSERT_EQ(acmFormatSuggest(nullptr, &pcm, wish, 1025, ACM_FORMATSUGGESTF_WFORMATTAG), MMSYSERR_NOERROR);
    EXPECT_EQ(room[1024], 0);
    EXPECT_EQ(acmFormatSuggest(nullptr, &pcm, wish, 10, ACM_FORMATSUGGESTF_WFORMATTAG), MMSYSERR_INVALPARAM);
}

TEST(Acm, PcmHopsChangeRateAndChannels)
{
    Tone t{44100, 2, 16, 44100, 1000.0, 0.5};
    const QByteArray data = sinePcm(t);
    const WAVEFORMATEX src = pcmFormat(2, 44100, 16);
    const WAVEFORMATEX dst = pcmFormat(1, 22050, 8);
    ASSERT_EQ(acmStreamOpen(nullptr, nullptr, &src, &dst, nullptr, 0, 0, ACM_STREAMOPENF_QUERY), MMSYSERR_NOERROR);
    const Decoded out = decodeAll(&src, data, 8192, &dst);
    ASSERT_EQ(out.failure, MMSYSERR_NOERROR);
    // one second at 22050 Hz, mono, 8 bits, all of it delivered by the end flush
    EXPECT_NEAR(out.pcm.size(), 22050, 4);
    // still a 1 kHz tone: about 2000 crossings of the middle line
    int crossings = 0;
    for (int i = 1; i < out.pcm.size(); ++i)
        crossings += (uint8_t(out.pcm[i - 1]) < 128) != (uint8_t(out.pcm[i]) < 128);
    EXPECT_NEAR(crossings, 2000, 20);
}

TEST(Acm, UnusableFormatsAreRefused)
{
    auto record = [](uint16_t tag, uint16_t ch, uint32_t rate, uint16_t align, uint16_t bits, uint16_t cb,
                     const QByteArray &extra = {}) {
        return formatChunk(tag, ch, rate, rate * align, align, bits, cb, extra);
    };
    QByteArray msExtra = le16(500) + le16(7);
    for (int i = 0; i < 7; ++i)
        msExtra += le16(256) + le16(0);
    const struct {
        const char *name;
        QByteArray format;
    } cases[] = {
        {"no channels", record(0x11, 0, 22050, 256, 4, 2, le16(505))},
        {"no rate", record(0x11, 1, 0, 256, 4, 2, le16(505))},
        {"block align 0", record(0x11, 1, 22050, 0, 4, 2, le16(505))},
        {"IMA block not whole groups", record(0x11, 2, 22050, 514, 4, 2, le16(505))},
        {"MS coefficient count beyond the record", record(0x02, 1, 22050, 256, 4, 32, le16(500) + le16(40) + msExtra.mid(4))},
        {"MS without coefficients", record(0x02, 1, 22050, 256, 4, 2, le16(500))},
        {"GSM with a short block", record(0x31, 1, 8000, 33, 0, 2, le16(320))},
        {"GSM in stereo", record(0x31, 2, 8000, 65, 0, 2, le16(320))},
        {"PCM with 12 bits", record(0x01, 1, 8000, 2, 12, 0)},
        {"PCM with a wrong block", record(0x01, 2, 8000, 3, 16, 0)},
        {"unknown tag", record(0x1234, 1, 8000, 1, 8, 0)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto *src = reinterpret_cast<const WAVEFORMATEX *>(c.format.constData());
        WAVEFORMATEX target{};
        target.wFormatTag = WAVE_FORMAT_PCM;
        EXPECT_NE(acmFormatSuggest(nullptr, src, &target, sizeof target, ACM_FORMATSUGGESTF_WFORMATTAG), MMSYSERR_NOERROR);
        const WAVEFORMATEX pcm = pcmFormat(std::max<uint16_t>(src->nChannels, 1), 22050, 16);
        EXPECT_NE(acmStreamOpen(nullptr, nullptr, src, &pcm, nullptr, 0, 0, ACM_STREAMOPENF_QUERY), MMSYSERR_NOERROR);
    }
    // the well-formed MS record is taken
    const QByteArray good = record(0x02, 1, 22050, 256, 4, 32, msExtra);
    const WAVEFORMATEX pcm = pcmFormat(1, 22050, 16);
    EXPECT_EQ(acmStreamOpen(nullptr, nullptr, reinterpret_cast<const WAVEFORMATEX *>(good.constData()), &pcm, nullptr, 0,
                            0, ACM_STREAMOPENF_QUERY),
              MMSYSERR_NOERROR);
}

TEST_F(AcmFiles, DamagedAdpcmBlocksFailTheConversionInsteadOfReadingAstray)
{
    for (const char *encoding : {"ima-adpcm", "ms-adpcm"}) {
        SCOPED_TRACE(encoding);
        const QString file = soxEncoded(QString(encoding) + ".wav", {22050, 1, 16, 22050, 440.0, 0.5}, {"-e", encoding});
        WaveImage image = parseWave(TempDir::read(file));
        const int align = image.wfx()->nBlockAlign;
        // The third block names a step index (IMA) or predictor (MS) beyond its table.
        if (std::string(encoding) == "ima-adpcm")
            image.data[2 * align + 2] = char(100);
        else
            image.data[2 * align] = char(7);
        const Decoded out = decodeAll(image.wfx(), image.data, uint32_t(align));
        EXPECT_EQ(out.failure, ACMERR_NOTPOSSIBLE);
        // the two good blocks came out before
        const uint16_t spb = uint16_t(uint8_t(image.format[18]) | uint8_t(image.format[19]) << 8);
        EXPECT_EQ(out.pcm.size(), 2 * spb * 2);
    }
}

TEST_F(AcmFiles, PartialBlocksStayWithTheCallerUntilTheEnd)
{
    const QString file = soxEncoded("gsm.wav", {8000, 1, 16, 8000, 440.0, 0.5}, {"-e", "gsm-full-rate"});
    const WaveImage image = parseWave(TempDir::read(file));
    const WAVEFORMATEX target = pcmFormat(1, 8000, 16);
    HACMSTREAM stream = nullptr;
    ASSERT_EQ(acmStreamOpen(&stream, nullptr, image.wfx(), &target, nullptr, 0, 0, 0), MMSYSERR_NOERROR);
    uint32_t room = 0;
    ASSERT_EQ(acmStreamSize(stream, 100, &room, ACM_STREAMSIZEF_SOURCE), MMSYSERR_NOERROR);
    EXPECT_EQ(room, 640u); // one whole block of 320 samples
    std::vector<uint8_t> dst(room);
    ACMSTREAMHEADER header{};
    header.cbStruct = sizeof header;
    header.pbSrc = reinterpret_cast<uint8_t *>(const_cast<char *>(image.data.constData()));
    header.cbSrcLength = 100;
    header.pbDst = dst.data();
    header.cbDstLength = room;
    header.dwSrcUser = 4 * 8192;
    header.dwDstUser = room;
    ASSERT_EQ(acmStreamPrepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamClose(stream, 0), ACMERR_BUSY);
    ASSERT_EQ(acmStreamConvert(stream, &header, ACM_STREAMCONVERTF_BLOCKALIGN), MMSYSERR_NOERROR);
    EXPECT_EQ(header.cbSrcLengthUsed, 65u);
    EXPECT_EQ(header.cbDstLengthUsed, 640u);
    EXPECT_EQ(header.dwSrcUser, 4u * 8192);
    header.cbSrcLength = 35;
    ASSERT_EQ(acmStreamConvert(stream, &header, ACM_STREAMCONVERTF_BLOCKALIGN), MMSYSERR_NOERROR);
    EXPECT_EQ(header.cbSrcLengthUsed, 0u);
    ASSERT_EQ(acmStreamConvert(stream, &header, ACM_STREAMCONVERTF_END), MMSYSERR_NOERROR);
    EXPECT_EQ(header.cbSrcLengthUsed, 35u); // a partial frame at the end is given up
    EXPECT_EQ(header.cbDstLengthUsed, 0u);
    ASSERT_EQ(acmStreamUnprepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamConvert(stream, &header, 0), ACMERR_UNPREPARED);
    ASSERT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(acmStreamSize(stream, 100, &room, 0), MMSYSERR_INVALHANDLE);
}

} // namespace
