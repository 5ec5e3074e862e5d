#include "platform/Exception.h"
#include "support/QtPrinters.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"
#include "wavepipe/MMErrors.h"
#include "wavepipe/MMWave.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tb;
using tb::test::formatChunk;
using tb::test::le32;
using tb::test::RiffBuilder;
using tb::test::sinePcm;
using tb::test::sineWav;
using tb::test::TempDir;
using tb::test::Tone;

namespace {

const Tone Stereo16{44100, 2, 16, 10}; // 40 bytes of data
const Tone Mono8{8000, 1, 8, 8000};    // one second

QString errorOf(TMMWave &wave, const QString &path)
{
    try {
        wave.SetFileName(path);
    } catch (const EMMWaveError &e) {
        return e.message();
    }
    return QString();
}

struct RiffCase {
    const char *name;
    QByteArray file;
    bool valid;
    int64_t dataBytes;  // DataSize in tfByte
    int64_t samples;    // DataSize in tfSample
};

class RiffTable : public ::testing::TestWithParam<RiffCase> {};

TEST_P(RiffTable, ScansTheChunksByTheRules)
{
    const RiffCase &c = GetParam();
    TempDir dir;
    const QString path = dir.write("case.wav", c.file);
    TMMWave wave;
    if (!c.valid) {
        EXPECT_EQ(errorOf(wave, path), QStringLiteral("Invalid wave file..."));
        EXPECT_FALSE(wave.Loaded());
        return;
    }
    ASSERT_EQ(errorOf(wave, path), QString());
    ASSERT_TRUE(wave.Loaded());
    EXPECT_EQ(wave.FileSize(), c.file.size());
    EXPECT_EQ(wave.DataSize(), c.samples);
    wave.SetTimeFormat(tfByte);
    EXPECT_EQ(wave.DataSize(), c.dataBytes);
}

const QByteArray fmt16 = formatChunk(Stereo16);
const QByteArray data40 = sinePcm(Stereo16);

INSTANTIATE_TEST_SUITE_P(
    Riff, RiffTable,
    ::testing::Values(
        RiffCase{"Plain", sineWav(Stereo16), true, 40, 10},
        RiffCase{"TenBytesOfDataAndNothingElse",
                 RiffBuilder().chunk("fmt ", fmt16).chunk("data", data40.left(10)).build(), true, 8, 2},
        RiffCase{"RiffSizeLargerThanTheFile",
                 RiffBuilder().chunk("fmt ", fmt16).chunk("data", data40).build(1000000), true, 40, 10},
        RiffCase{"RiffEndingInsideTheDataReadsTheDataItDeclares",
                 RiffBuilder().chunk("fmt ", fmt16).chunk("data", data40).build(4 + 24 + 8 + 10), true, 40, 10},
        RiffCase{"RiffEndingInsideTheFormatIsInvalid",
                 RiffBuilder().chunk("fmt ", fmt16).chunk("data", data40).build(4 + 10), false, 0, 0},
        // an interrupted recording: the data runs to the end of the file, in whole blocks
        RiffCase{"CutOffDataRunsToTheEndOfTheFile",
                 RiffBuilder().chunk("fmt ", fmt16).chunkDeclaring("data", 400, data40.left(39)).build(), true, 36, 9},
        // written to a pipe: open sizes
        RiffCase{"StreamedSizesOfFfmpeg",
                 RiffBuilder().chunk("fmt ", fmt16).chunk("LIST", "INFOISFT" + le32(2) + "x").chunkDeclaring("data", 0xFFFFFFFF, data40)
                     .build(0xFFFFFFFF), true, 40, 10},
        RiffCase{"StreamedSizesOfSox",
                 RiffBuilder().chunk("fmt ", fmt16).chunkDeclaring("data", 0x7FFFF000, data40).build(0x7FFFF024), true, 40, 10},
        RiffCase{"RiffSizeZero",
                 RiffBuilder().chunk("fmt ", fmt16).chunk("data", data40).build(0), true, 40, 10},
        RiffCase{"RiffSizeZeroAndDataSizeZero",
                 RiffBuilder().chunk("fmt ", fmt16).chunkDeclaring("data", 0, data40).build(0), true, 40, 10},
        RiffCase{"ChunkOverrunAfterFormatAndDataEndsTheScan",
                 // nothing forms a chunk after the data, so the data runs to the end of the file
                 RiffBuilder().chunk("fmt ", fmt16).chunk("data", data40).chunkDeclaring("LIST", 5000, "INFO").build(),
                 true, 52, 13},
        RiffCase{"WrongDataSizeIsMeasuredToTheNextChunkHeader",
                 // declares 9 (a pad byte follows), 16-bit stereo: 10 bytes up to LIST, whole blocks 8
                 RiffBuilder().chunk("fmt ", fmt16).chunkDeclaring("data", 9, data40.left(10)).chunk("LIST", "INFOxxxx").build(),
                 true, 8, 2},
        RiffCase{"DataDeclaringZeroRunsToTheEndOfTheFile",
                 RiffBuilder().chunk("fmt ", fmt16).chunkDeclaring("data", 0, QByteArray::fromHex("00000000FFFFFF7F") + data40).build(),
                 true, 48, 12},
        RiffCase{"OddChunkIsPaddedBeforeTheNext",
                 RiffBuilder().chunk("fmt ", fmt16).chunk("odd ", "abc").chunk("data", data40).build(), true, 40, 10},
        RiffCase{"FactAndListAndDispAreSkipped",
                 RiffBuilder().chunk("fmt ", fmt16).chunk("fact", le32(10))
                     .chunk("LIST", "INFO" + QByteArray("INAM") + le32(4) + "Name").chunk("DISP", le32(1) + QByteArray("shown"))
                     .chunk("data", data40).build(),
                 true, 40, 10},
        RiffCase{"SecondFormatEndsTheScan",
                 RiffBuilder().chunk("fmt ", fmt16).chunk("data", data40).chunk("fmt ", formatChunk(Mono8)).chunk("data", "xx").build(),
                 true, 40, 10},
        RiffCase{"SecondDataEndsTheScan",
                 RiffBuilder().chunk("fmt ", fmt16).chunk("data", data40).chunk("data", data40).build(), true, 40, 10},
        RiffCase{"EmptyDataThenRealData",
                 RiffBuilder().chunk("fmt ", fmt16).chunk("data", QByteArray()).chunk("data", data40).build(), true, 40, 10},
        RiffCase{"FormatWithoutDataHasLengthZero",
                 RiffBuilder().chunk("fmt ", fmt16).build(), true, 0, 0},
        RiffCase{"DataWithoutFormatIsInvalid", RiffBuilder().chunk("data", data40).build(), false, 0, 0},
        RiffCase{"NotRiff", QByteArray("RIFX") + le32(4) + "WAVE", false, 0, 0},
        RiffCase{"NotWave", QByteArray("RIFF") + le32(4) + "AVI ", false, 0, 0},
        RiffCase{"ShorterThanTheHeader", QByteArray("RIFF\x04", 5), false, 0, 0},
        RiffCase{"TextFile", QByteArray("This is not a wave file at all.\n"), false, 0, 0},
        RiffCase{"ZeroBlockAlignIsInvalid",
                 RiffBuilder().chunk("fmt ", formatChunk(1, 2, 44100, 176400, 0, 16, 0)).chunk("data", data40).build(),
                 false, 0, 0},
        RiffCase{"ZeroRateIsInvalid",
                 RiffBuilder().chunk("fmt ", formatChunk(1, 2, 0, 176400, 4, 16, 0)).chunk("data", data40).build(),
                 false, 0, 0},
        RiffCase{"TruncatedFormatChunkIsInvalid",
                 RiffBuilder().chunkDeclaring("fmt ", 16, fmt16.left(10)).build(), false, 0, 0}),
    [](const ::testing::TestParamInfo<RiffCase> &info) { return std::string(info.param.name); });

TEST(Wave, NothingLoadedValues)
{
    TMMWave wave;
    EXPECT_FALSE(wave.Loaded());
    EXPECT_EQ(wave.FormatTag(), 0);
    EXPECT_EQ(wave.FormatString(), QStringLiteral("Unknown"));
    EXPECT_EQ(wave.SampleRate(), 11025);
    EXPECT_EQ(wave.BitLength(), 0);
    EXPECT_EQ(wave.Mode(), mMono);
    EXPECT_EQ(wave.FileSize(), 0);
    EXPECT_EQ(wave.DataSize(), 0);
    EXPECT_EQ(wave.Duration(), 0);
    EXPECT_EQ(wave.Position(), -1);
    EXPECT_TRUE(wave.Empty());
    EXPECT_EQ(wave.PWaveFormat(), nullptr);
    EXPECT_EQ(wave.TimeFormat(), tfSample);
    EXPECT_EQ(wave.IOBufferSize(), 32768);
    EXPECT_TRUE(wave.FileMustExist());
    EXPECT_EQ(wave.ReadData(nullptr, 10), -1);
}

TEST(Wave, FormatTagNames)
{
    const std::pair<uint16_t, const char *> names[] = {
        {0x0000, "Unknown"}, {0x0001, "PCM"}, {0x0002, "Microsoft ADPCM"}, {0x0003, "IEEE Float"},
        {0x0005, "IBM CVSD"}, {0x0006, "CCITT A-Law"}, {0x0007, "CCITT mu-Law"}, {0x0010, "OKI ADPCM"},
        {0x0011, "IMA ADPCM"}, {0x0012, "Mediaspace's ADPCM"}, {0x0013, "Sierra's ADPCM"},
        {0x0014, "CCITT G.723 ADPCM"}, {0x0015, "Digisound DIGISTD"}, {0x0016, "Digisound DIGIFIX"},
        {0x0017, "Dialogic OKI ADPCM"}, {0x0018, "Mediavision's ADPCM"}, {0x0020, "Yamaha ADPCM"}, {0x0021, "Sonarc"},
        {0x0022, "DSP Group's Truespeech"}, {0x0023, "Echo SC1"}, {0x0024, "Audiofile AF36"},
        {0x0025, "Audio Processing Technology"}, {0x0026, "Audiofile AF10"}, {0x0030, "Dolby AC2"},
        {0x0031, "GSM 6.10"}, {0x0033, "Antex ADPCME"}, {0x0039, "CS IMA ADPCM"}, {0x0040, "CCITT G.721 ADPCM"},
        {0x0050, "Microsoft MPEG"}, {0x0055, "MPEG Layer-3"}, {0x0200, "Creative's ADPCM"},
        {0x1001, "Olivetti's ADPCM"}, {0xFFFE, "Extensible"}, {0xFFFF, "*DEVELOPMENT ONLY TAG*"},
        {0x0004, "Unknown"}, {0x1234, "Unknown"}};
    for (const auto &[tag, name] : names)
        EXPECT_EQ(WaveFormatTagName(tag), QString::fromLatin1(name)) << tag;
}

// The fmt payload of WAVE_FORMAT_EXTENSIBLE with the given sub-format GUID (tag-based when
// guidTag is set, else an arbitrary GUID), and cbSize as given.
QByteArray extensibleFormat(int channels, int bits, uint16_t guidTag, uint16_t cbSize = 22)
{
    QByteArray extra = tb::test::le16(uint16_t(bits)) + le32(channels == 6 ? 0x3F : 0x3);
    if (guidTag)
        extra += tb::test::le16(guidTag) + QByteArray::fromHex("000000001000800000AA00389B71");
    else
        extra += QByteArray::fromHex("2E6F9B4A2C0F4B62A2B8A3C0EEE0D2D5");
    const int block = channels * bits / 8;
    return formatChunk(0xFFFE, uint16_t(channels), 48000, uint32_t(48000 * block), uint16_t(block), uint16_t(bits),
                       cbSize, extra);
}

TEST(Wave, ExtensibleFormatIsNamedAfterItsSubFormat)
{
    struct Case {
        QByteArray fmt;
        uint16_t sampleTag;
        const char *name;
    };
    const Case cases[] = {
        {extensibleFormat(2, 24, 0x0001), 0x0001, "PCM"},
        {extensibleFormat(6, 16, 0x0001), 0x0001, "PCM"},
        {extensibleFormat(2, 32, 0x0003), 0x0003, "IEEE Float"},
        {extensibleFormat(2, 16, 0x0006), 0x0006, "CCITT A-Law"},
        {extensibleFormat(2, 16, 0), 0xFFFE, "Extensible"},            // a GUID that is no tag
        {extensibleFormat(2, 16, 0x0001, 10), 0xFFFE, "Extensible"},   // too short to hold one
        {extensibleFormat(2, 16, 0x0001).left(30), 0xFFFE, "Extensible"}, // cut off inside the GUID
        {formatChunk(Tone{48000, 2, 32, 10, 440, 0.5, true}), 0x0003, "IEEE Float"},
    };
    TempDir dir;
    for (const Case &c : cases) {
        TMMWave wave;
        wave.SetFileName(dir.write("x.wav", RiffBuilder().chunk("fmt ", c.fmt).chunk("data", QByteArray(480, '\0')).build()));
        EXPECT_EQ(wave.SampleFormatTag(), c.sampleTag) << c.name;
        EXPECT_EQ(wave.FormatString(), QString::fromLatin1(c.name));
        EXPECT_EQ(wave.FormatTag(), uint16_t(uint8_t(c.fmt[0]) | uint8_t(c.fmt[1]) << 8));
    }
}

TEST(Wave, Rf64SizesComeFromTheDs64Chunk)
{
    // RIFF and data sizes 0xFFFFFFFF, the real ones in ds64; a chunk after the data ends it.
    const QByteArray ds64 = QByteArray::fromHex("0000000000000000") + QByteArray::fromHex("2800000000000000") +
                            QByteArray(8, '\0') + le32(0);
    auto rf64 = [&](const QByteArray &ds64Payload, const char *form) {
        QByteArray file = RiffBuilder().chunk("ds64", ds64Payload).chunk("fmt ", fmt16)
                              .chunkDeclaring("data", 0xFFFFFFFF, data40).chunk("LIST", "INFOxxxx").build(0xFFFFFFFF);
        file.replace(0, 4, form);
        return file;
    };
    TempDir dir;
    TMMWave wave;
    wave.SetFileName(dir.write("rf64.wav", rf64(ds64, "RF64")));
    wave.SetTimeFormat(tfByte);
    EXPECT_EQ(wave.DataSize(), 40);
    EXPECT_EQ(wave.FormatString(), QStringLiteral("PCM"));

    // ds64 holding more data than the file (a cut-off recording): up to the end of the file
    QByteArray larger = ds64;
    larger[12] = 1;
    QByteArray cut = rf64(larger, "RF64");
    cut.chop(16 + 2); // the LIST chunk and two bytes of the last sample frame
    TMMWave second;
    second.SetFileName(dir.write("cut.wav", cut));
    second.SetTimeFormat(tfByte);
    EXPECT_EQ(second.DataSize(), 36);

    // RF64 without its ds64 chunk, and a ds64 in a plain RIFF file
    QByteArray noDs64 = RiffBuilder().chunk("fmt ", fmt16).chunk("data", data40).build();
    noDs64.replace(0, 4, "RF64");
    TMMWave third;
    EXPECT_EQ(errorOf(third, dir.write("nods64.wav", noDs64)), QStringLiteral("Invalid wave file..."));
    EXPECT_EQ(errorOf(third, dir.write("riff.wav", rf64(ds64, "RIFF"))), QString());
}

TEST(Wave, PropertiesOfALoadedFile)
{
    TempDir dir;
    TMMWave wave;
    wave.SetFileName(dir.write("a.wav", sineWav(Tone{22050, 2, 16, 22050})));
    EXPECT_EQ(wave.FormatTag(), 1);
    EXPECT_EQ(wave.FormatString(), QStringLiteral("PCM"));
    EXPECT_EQ(wave.SampleRate(), 22050);
    EXPECT_EQ(wave.BitLength(), 16);
    EXPECT_EQ(wave.Mode(), mStereo);
    EXPECT_EQ(wave.DataSize(), 22050);
    wave.SetTimeFormat(tfMillisecond);
    EXPECT_EQ(wave.Duration(), 1000);
    EXPECT_EQ(wave.DataSize(), 1000);
    EXPECT_EQ(wave.Position(), 0);
    wave.SetTimeFormat(tfByte);
    EXPECT_EQ(wave.Duration(), 88200);
}

TEST(Wave, ModeIsStereoOnlyForExactlyTwoChannels)
{
    TempDir dir;
    for (int channels : {1, 2, 3, 6}) {
        TMMWave wave;
        wave.SetFileName(dir.write(QStringLiteral("c%1.wav").arg(channels), sineWav(Tone{8000, channels, 16, 10})));
        EXPECT_EQ(wave.Mode(), channels == 2 ? mStereo : mMono) << channels;
    }
}

TEST(Wave, FormatExtraBytesBeyondTheChunkAreClamped)
{
    TempDir dir;
    // ADPCM record claiming 40 extra bytes in a chunk that holds 2
    const QByteArray fmt = formatChunk(2, 1, 8000, 4096, 256, 4, 40, QByteArray::fromHex("F401"));
    TMMWave wave;
    wave.SetFileName(dir.write("a.wav", RiffBuilder().chunk("fmt ", fmt).chunk("data", QByteArray(512, '\0')).build()));
    ASSERT_NE(wave.PWaveFormat(), nullptr);
    EXPECT_EQ(wave.PWaveFormat()->cbSize, 2);
    EXPECT_EQ(wave.FormatString(), QStringLiteral("Microsoft ADPCM"));
    EXPECT_EQ(wave.DataSize(), 1000); // 512 bytes at 4096 bytes/s and 8000 Hz
}

TEST(Wave, ShortPcmFormatChunkIsCompletedWithZeros)
{
    TempDir dir;
    TMMWave wave;
    wave.SetFileName(dir.write("a.wav", sineWav(Stereo16))); // 16-byte fmt chunk
    ASSERT_NE(wave.PWaveFormat(), nullptr);
    EXPECT_EQ(wave.PWaveFormat()->cbSize, 0);
}

TEST(Wave, InfoAndDispChunksAreKept)
{
    TempDir dir;
    const QByteArray info = "INFO" + QByteArray("INAM") + le32(6) + QByteArray("Title\0", 6) + QByteArray("IXYZ") + le32(2) +
                            "no" + QByteArray("IART") + le32(3) + "Art" + QByteArray(1, '\0');
    TMMWave wave;
    wave.SetFileName(dir.write("a.wav", RiffBuilder().chunk("LIST", info).chunk("DISP", le32(1) + QByteArray("Shown"))
                                            .chunk("fmt ", fmt16).chunk("data", data40).build()));
    const auto entries = wave.InfoList();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].first, QByteArray("INAM"));
    EXPECT_EQ(entries[0].second, QStringLiteral("Title"));
    EXPECT_EQ(entries[1].first, QByteArray("IART"));
    EXPECT_EQ(entries[1].second, QStringLiteral("Art"));
    ASSERT_EQ(wave.DispList().size(), 1);
    EXPECT_EQ(wave.DispList()[0].first, 1u);
    EXPECT_EQ(wave.DispList()[0].second, QByteArray("Shown"));
}

TEST(Wave, FailedLoadKeepsThePreviousWave)
{
    TempDir dir;
    TMMWave wave;
    const QString good = dir.write("good.wav", sineWav(Mono8));
    wave.SetFileName(good);
    EXPECT_EQ(errorOf(wave, dir.write("text.wav", "hello")), QStringLiteral("Invalid wave file..."));
    EXPECT_EQ(errorOf(wave, dir.file("missing.wav")), QStringLiteral("Error reading wave file"));
    EXPECT_EQ(wave.FileName(), good);
    EXPECT_EQ(wave.SampleRate(), 8000);
    EXPECT_EQ(wave.DataSize(), 8000);
}

TEST(Wave, FolderAndFifoAreInvalidWithoutWaiting)
{
    TempDir dir;
    const QString fifo = dir.file("pipe.wav");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    TMMWave wave;
    EXPECT_EQ(errorOf(wave, fifo), QStringLiteral("Invalid wave file..."));
    EXPECT_EQ(errorOf(wave, dir.path()), QStringLiteral("Invalid wave file..."));
}

TEST(Wave, ChangesAreReportedToOnChangeAndTheListenersInOrder)
{
    TempDir dir;
    TMMWave wave;
    std::vector<std::string> log;
    wave.OnChange = [&](TMMObject *) { log.push_back("OnChange"); };
    static std::vector<std::string> *sink = nullptr;
    sink = &log;
    int first = 1, second = 2;
    auto listener = [](void *data, TMMWave *) { sink->push_back("listener" + std::to_string(*static_cast<int *>(data))); };
    wave.AddChangeListener(listener, &first);
    wave.AddChangeListener(listener, &second);

    const QString path = dir.write("a.wav", sineWav(Mono8));
    wave.SetFileName(path);
    EXPECT_EQ(log, (std::vector<std::string>{"OnChange", "listener1", "listener2"}));
    log.clear();
    wave.SetFileName(path); // the same name: nothing happens
    EXPECT_TRUE(log.empty());
    wave.RemoveChangeListener(listener, &first);
    wave.SetFileName(QString()); // unloads
    EXPECT_EQ(log, (std::vector<std::string>{"OnChange", "listener2"}));
    EXPECT_FALSE(wave.Loaded());
    EXPECT_EQ(wave.FileName(), QString());
    log.clear();
    wave.SetFileName(QString()); // nothing loaded: nothing to report
    EXPECT_TRUE(log.empty());
}

TEST(Wave, MissingFileIsTakenWhenItNeedNotExist)
{
    TempDir dir;
    TMMWave wave;
    wave.SetFileName(dir.write("a.wav", sineWav(Mono8)));
    wave.SetFileMustExist(false);
    wave.SetFileName(dir.file("new.wav"));
    EXPECT_FALSE(wave.Loaded());
    EXPECT_EQ(wave.FileName(), dir.file("new.wav"));
}

TEST(Wave, IOBufferSizeIsAtLeast8192)
{
    TMMWave wave;
    wave.SetIOBufferSize(100);
    EXPECT_EQ(wave.IOBufferSize(), 8192);
    wave.SetIOBufferSize(65536);
    EXPECT_EQ(wave.IOBufferSize(), 65536);
}

TEST(Wave, ReadsTheSampleDataFromAPosition)
{
    TempDir dir;
    const Tone tone{8000, 2, 16, 8000};
    const QByteArray pcm = sinePcm(tone);
    TMMWave wave;
    wave.SetFileName(dir.write("a.wav", RiffBuilder().chunk("fmt ", formatChunk(tone)).chunk("data", pcm)
                                            .chunk("LIST", "INFO").build()));
    wave.SetTimeFormat(tfMillisecond);
    EXPECT_EQ(wave.ReadData(nullptr, 4), -1); // not open
    wave.OpenWave();
    EXPECT_EQ(wave.BytesLeft(), pcm.size());
    wave.SetPosition(500);
    EXPECT_EQ(wave.Position(), 500);
    EXPECT_EQ(wave.BytesLeft(), pcm.size() / 2);

    QByteArray got(1000, '\0');
    EXPECT_EQ(wave.ReadData(got.data(), got.size()), 1000);
    EXPECT_EQ(got, pcm.mid(pcm.size() / 2, 1000));
    EXPECT_EQ(wave.Position(), 500 + 1000 / 4 / 8); // 250 samples at 8 kHz: 31 ms

    QByteArray rest(100000, '\0');
    const int64_t n = wave.ReadData(rest.data(), rest.size());
    EXPECT_EQ(n, pcm.size() / 2 - 1000);
    EXPECT_EQ(rest.left(int(n)), pcm.mid(pcm.size() / 2 + 1000)); // not a byte of the LIST chunk
    EXPECT_EQ(wave.BytesLeft(), 0);
    EXPECT_EQ(wave.ReadData(rest.data(), rest.size()), -1);
    wave.CloseWave();
    EXPECT_EQ(wave.Position(), 0);
    EXPECT_EQ(wave.BytesLeft(), 0);
}

TEST(Wave, PositionsAreClampedToTheData)
{
    TempDir dir;
    TMMWave wave;
    wave.SetFileName(dir.write("a.wav", sineWav(Mono8)));
    wave.OpenWave();
    wave.SetPosition(-100);
    EXPECT_EQ(wave.Position(), 0);
    wave.SetPosition(100000);
    EXPECT_EQ(wave.Position(), 7999); // the last sample
    EXPECT_EQ(wave.BytesLeft(), 1);
    wave.CloseWave();
    wave.SetPosition(4000); // closed: remembered for the next OpenWave
    EXPECT_EQ(wave.Position(), 4000);
    wave.OpenWave();
    EXPECT_EQ(wave.BytesLeft(), 4000);
    char first = 0;
    EXPECT_EQ(wave.ReadData(&first, 1), 1);
    EXPECT_EQ(first, sinePcm(Mono8)[4000]);
}

TEST(Wave, ReadOfTheLastPartialBufferEndsTheData)
{
    TempDir dir;
    TMMWave wave;
    wave.SetFileName(dir.write("a.wav", sineWav(Tone{8000, 1, 8, 100})));
    wave.OpenWave();
    char buffer[64];
    EXPECT_EQ(wave.ReadData(buffer, 64), 64);
    EXPECT_EQ(wave.BytesLeft(), 36);
    EXPECT_EQ(wave.ReadData(buffer, 64), 36);
    EXPECT_EQ(wave.BytesLeft(), 0);
    EXPECT_EQ(wave.ReadData(buffer, 64), -1);
}

TEST(Wave, OpenWaveOfAVanishedFileFails)
{
    TempDir dir;
    TMMWave wave;
    const QString path = dir.write("a.wav", sineWav(Mono8));
    wave.SetFileName(path);
    QFile::remove(path);
    try {
        wave.OpenWave();
        FAIL() << "no error";
    } catch (const EMMWaveError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Unable to open wave file"));
    }
    EXPECT_FALSE(wave.IsOpen());
}

TEST(Wave, AssignTakesTheOtherWavesFileAndSettings)
{
    TempDir dir;
    TMMWave a, b;
    a.SetTimeFormat(tfMillisecond);
    a.SetFileName(dir.write("a.wav", sineWav(Mono8)));
    b.Assign(&a);
    EXPECT_EQ(b.FileName(), a.FileName());
    EXPECT_EQ(b.Duration(), 1000);
    b.Assign(nullptr);
    EXPECT_FALSE(b.Loaded());
}

} // namespace
