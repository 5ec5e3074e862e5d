#include "support/AcmFixtures.h"
#include "wavepipe/MMACMConverter.h"
#include "wavepipe/MMErrors.h"
#include "wavepipe/MMWaveFile.h"

#include <gtest/gtest.h>

using namespace tb;
using namespace tb::test;
using namespace tb::acm;

namespace {

class Driver : public TMMCustomSoundComponent {};

// A chain wave file -> converter -> driver, pulled buffer by buffer as the wave output does.
struct Chain {
    TMMWaveFile file;
    TMMPCMConverter converter;
    Driver driver;
    std::vector<PWaveHdr> headers;

    Chain()
    {
        converter.SetInput(&file);
        driver.SetInput(&converter);
    }
    ~Chain()
    {
        driver.Stop();
        driver.Close();
        for (PWaveHdr h : headers)
            driver.FreeWaveHeader(h);
    }
    void load(const QString &path)
    {
        file.Wave()->SetFileName(path);
    }
    void start(int32_t bufferSize = 2048)
    {
        driver.SetBufferSize(bufferSize);
        driver.Open();
        driver.Start();
    }
    // Pulls until the chain says no more data follows; also returns how many pulls it took.
    QByteArray pullAll(int *pulls = nullptr, int32_t bufferSize = 2048)
    {
        QByteArray out;
        PWaveHdr h = driver.AllocWaveHeader(bufferSize);
        headers.push_back(h);
        for (int i = 0; i < 1000000; ++i) {
            h->dwBufferLength = uint32_t(bufferSize);
            h->dwBytesRecorded = 0;
            bool more = false;
            driver.TMMDSPComponent::BufferLoad(h, more);
            out.append(h->lpData, int(h->dwBytesRecorded));
            if (pulls)
                *pulls = i + 1;
            if (!more)
                break;
        }
        return out;
    }
};

class Converter : public ::testing::Test {
protected:
    TempDir dir;

    QString soxFile(const QString &name, Tone t, const QStringList &options)
    {
        const QString source = dir.file("src-" + name);
        EXPECT_TRUE(writeSineWav(source, t));
        const QString path = dir.file(name);
        EXPECT_TRUE(run("sox", QStringList{source} + options + QStringList{path}));
        return path;
    }
};

TEST_F(Converter, PcmPassesUntouchedWithoutAnEngine)
{
    Tone t{44100, 2, 16, 10000, 440.0, 0.5};
    const QString path = dir.file("pcm.wav");
    ASSERT_TRUE(writeSineWav(path, t));
    Chain chain;
    chain.load(path);
    EXPECT_FALSE(chain.converter.NeedsConversion());
    ASSERT_NE(chain.driver.PWaveFormat(), nullptr);
    EXPECT_EQ(chain.driver.PWaveFormat()->wFormatTag, WAVE_FORMAT_PCM);
    // the converter hands the driver's own header to the file: no copy in between
    std::vector<PWaveHdr> seen;
    chain.converter.OnBufferLoad = [&](TMMDSPComponent *, PWaveHdr h, bool &) { seen.push_back(h); };
    chain.start();
    EXPECT_EQ(chain.converter.StreamCount(), 0u);
    const QByteArray played = chain.pullAll();
    EXPECT_TRUE(played == sinePcm(t));
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), chain.headers.front());
}

TEST_F(Converter, ImaAdpcmBecomesTheSuggestedPcmAndEverySampleArrives)
{
    const QString path = soxFile("ima.wav", {22050, 2, 16, 22050 * 2 + 123, 440.0, 0.6}, {"-e", "ima-adpcm"});
    Chain chain;
    chain.load(path);
    EXPECT_TRUE(chain.converter.NeedsConversion());
    EXPECT_TRUE(chain.converter.CanConvertFormats());
    const WAVEFORMATEX *out = chain.driver.PWaveFormat();
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(out->wBitsPerSample, 16);
    EXPECT_EQ(out->nChannels, 2);
    EXPECT_EQ(out->nSamplesPerSec, 22050u);
    chain.start();
    EXPECT_EQ(chain.converter.StreamCount(), 1u);
    EXPECT_TRUE(chain.pullAll() == soxDecode(path));
}

TEST_F(Converter, TwoHopsBuildTwoStreamsTheSecondReadingTheFirstsOutput)
{
    const QString path = soxFile("ms.wav", {22050, 2, 16, 22050, 440.0, 0.6}, {"-e", "ms-adpcm"});
    Chain chain;
    chain.converter.AutoConvert = false; // 11025 Hz, 8 bits, mono
    chain.load(path);
    const WAVEFORMATEX *out = chain.driver.PWaveFormat();
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->nSamplesPerSec, 11025u);
    EXPECT_EQ(out->nChannels, 1);
    EXPECT_EQ(out->wBitsPerSample, 8);
    chain.start();
    ASSERT_EQ(chain.converter.StreamCount(), 2u);
    EXPECT_EQ(chain.converter.StreamSource(1), chain.converter.StreamDestination(0));
    EXPECT_NE(chain.converter.StreamSource(0), chain.converter.StreamDestination(0));
    const QByteArray played = chain.pullAll();
    // one second of the source (rounded to whole ADPCM blocks) at 11025 Hz
    EXPECT_NEAR(played.size(), 11025, 600);
}

TEST_F(Converter, HeldOutputOfTheDecoderIsDeliveredBeforeTheEnd)
{
    // Layer-3 frames do not line up with the pieces the converter reads, so the decoder holds
    // partial frames and the end flush must bring out the last of them.
    const QString source = dir.file("src.wav");
    ASSERT_TRUE(writeSineWav(source, {44100, 2, 16, 44100, 440.0, 0.5}));
    const QString mp3 = dir.file("a.mp3");
    ASSERT_TRUE(run("lame", {"--quiet", "-t", "-b", "96", "--resample", "44.1", source, mp3}));
    const QByteArray frames = TempDir::read(mp3);
    const QString wav = dir.write("mp3.wav", RiffBuilder()
                                                 .chunk("fmt ", formatChunk(0x55, 2, 44100, 12000, 1, 0, 12,
                                                                            le16(1) + le32(2) + le16(313) + le16(1) + le16(0)))
                                                 .chunk("data", frames)
                                                 .build());
    QByteArray reference;
    ASSERT_TRUE(run("mpg123", {"-q", "-s", mp3}, &reference));
    for (int32_t bufferSize : {2048, 333 * 4}) {
        SCOPED_TRACE(bufferSize);
        Chain chain;
        chain.load(wav);
        chain.start(bufferSize);
        const QByteArray played = chain.pullAll(nullptr, bufferSize);
        EXPECT_EQ(played.size(), reference.size());
        EXPECT_TRUE(played == reference);
    }
}

// A manager of our own whose single stream takes input in whole units of 100 bytes, keeps the
// rest for the next call and widens each byte to two; at the end it converts what is left.
namespace unitmanager {
constexpr uint16_t Tag = 0x7777;
HACMSTREAM theStream = reinterpret_cast<HACMSTREAM>(uintptr_t(0x1000));
uint32_t version() { return 0x04000000; }
MMRESULT suggest(HACMDRIVER, const WAVEFORMATEX *src, WAVEFORMATEX *dst, uint32_t, uint32_t flags)
{
    if (src->wFormatTag != Tag || (flags & ~ACM_FORMATSUGGESTF_WFORMATTAG))
        return ACMERR_NOTPOSSIBLE;
    *dst = acm::pcmFormat(1, src->nSamplesPerSec, 16);
    return 0;
}
MMRESULT open(HACMSTREAM *has, HACMDRIVER, const WAVEFORMATEX *src, const WAVEFORMATEX *dst, const void *, uintptr_t,
              uintptr_t, uint32_t)
{
    if (src->wFormatTag != Tag || dst->wFormatTag != WAVE_FORMAT_PCM || dst->wBitsPerSample != 16)
        return ACMERR_NOTPOSSIBLE;
    if (has)
        *has = theStream;
    return 0;
}
MMRESULT size(HACMSTREAM, uint32_t in, uint32_t *out, uint32_t)
{
    *out = 2 * in;
    return 0;
}
MMRESULT prepare(HACMSTREAM, ACMSTREAMHEADER *, uint32_t) { return 0; }
MMRESULT convert(HACMSTREAM, ACMSTREAMHEADER *h, uint32_t flags)
{
    uint32_t take = flags & ACM_STREAMCONVERTF_END ? h->cbSrcLength : h->cbSrcLength / 100 * 100;
    take = std::min(take, h->cbDstLength / 2);
    for (uint32_t i = 0; i < take; ++i) {
        h->pbDst[2 * i] = 0;
        h->pbDst[2 * i + 1] = h->pbSrc[i];
    }
    h->cbSrcLengthUsed = take;
    h->cbDstLengthUsed = 2 * take;
    h->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
    return 0;
}
MMRESULT unprepare(HACMSTREAM, ACMSTREAMHEADER *, uint32_t) { return 0; }
MMRESULT close(HACMSTREAM, uint32_t) { return 0; }
const acm::AcmFunctions table = {&version, &suggest, &open, &size, &prepare, &convert, &unprepare, &close};
} // namespace unitmanager

TEST_F(Converter, CarriedBytesAreDeliveredBeforeMoreBuffersEnds)
{
    // 8192-byte reads hand the stream 92 bytes it keeps back each time; 20050 bytes of data are
    // not a whole number of its units.
    QByteArray data(20050, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = char(i * 7 + 3);
    const QString path = dir.write("units.wav", RiffBuilder()
                                                    .chunk("fmt ", formatChunk(unitmanager::Tag, 1, 8000, 8000, 1, 8, 0))
                                                    .chunk("data", data)
                                                    .build());
    Chain chain;
    chain.converter.SetAcm(&unitmanager::table);
    chain.load(path);
    ASSERT_TRUE(chain.converter.CanConvertFormats());
    chain.start();
    int pulls = 0;
    const QByteArray played = chain.pullAll(&pulls);
    ASSERT_EQ(played.size(), 2 * data.size());
    for (int i = 0; i < data.size(); ++i)
        ASSERT_EQ(played[2 * i + 1], data[i]) << i;
    EXPECT_EQ(pulls, (2 * data.size() + 2047) / 2048);
}

TEST_F(Converter, WithoutAManagerCompressedFormatsPassUnconverted)
{
    const QString path = soxFile("ima.wav", {22050, 1, 16, 2000, 440.0, 0.6}, {"-e", "ima-adpcm"});
    const acm::AcmFunctions old = [] {
        acm::AcmFunctions t = acm::acmLibrary();
        t.GetVersion = [] { return uint32_t(0x01000000); };
        return t;
    }();
    for (const acm::AcmFunctions *manager : {static_cast<const acm::AcmFunctions *>(nullptr), &old}) {
        Chain chain;
        chain.converter.SetAcm(manager);
        chain.load(path);
        EXPECT_FALSE(chain.converter.NeedsConversion());
        ASSERT_NE(chain.driver.PWaveFormat(), nullptr);
        EXPECT_EQ(chain.driver.PWaveFormat()->wFormatTag, 0x0011);
    }
}

TEST_F(Converter, OpenFailsWhenNoPathLeadsToTheTarget)
{
    const QString path = dir.file("pcm.wav");
    ASSERT_TRUE(writeSineWav(path, {44100, 2, 16, 1000}));
    const acm::AcmFunctions refusing = [] {
        acm::AcmFunctions t = acm::acmLibrary();
        t.StreamOpen = [](HACMSTREAM *, HACMDRIVER, const WAVEFORMATEX *, const WAVEFORMATEX *, const void *, uintptr_t,
                          uintptr_t, uint32_t) -> MMRESULT { return ACMERR_NOTPOSSIBLE; };
        return t;
    }();
    Chain chain;
    chain.converter.AutoConvert = false;
    chain.converter.SetAcm(&refusing);
    chain.load(path);
    EXPECT_TRUE(chain.converter.NeedsConversion());
    EXPECT_FALSE(chain.converter.CanConvertFormats());
    // the source format goes on unconverted
    EXPECT_EQ(chain.driver.PWaveFormat()->nSamplesPerSec, 44100u);
    try {
        chain.converter.Open();
        FAIL() << "Open succeeded";
    } catch (const EMMConverterError &e) {
        EXPECT_EQ(e.message(), "Unable to convert to destination format");
    }
    EXPECT_FALSE(chain.converter.IsConverterOpen());
}

TEST_F(Converter, StopDropsPendingOutputAndResetStartsAfresh)
{
    const QString path = soxFile("gsm.wav", {8000, 1, 16, 8000, 440.0, 0.6}, {"-e", "gsm-full-rate"});
    Chain chain;
    chain.load(path);
    chain.start();
    PWaveHdr h = chain.driver.AllocWaveHeader(1000);
    chain.headers.push_back(h);
    bool more = false;
    chain.driver.TMMDSPComponent::BufferLoad(h, more);
    EXPECT_TRUE(more);
    EXPECT_EQ(h->dwBytesRecorded, 1000u);
    // back to the start of the file: the output that was pending is not delivered
    chain.file.Wave()->SetPosition(0);
    chain.driver.Reset();
    const QByteArray played = chain.pullAll();
    const QByteArray reference = soxDecode(path);
    EXPECT_EQ(played.size(), reference.size());
    EXPECT_TRUE(played == reference);
}

} // namespace
