#include "support/InfoTexts.h"
#include "MpegFrames.h"
#include "audioinfo/AudioInfo.h"
#include "audioinfo/Describe.h"
#include "platform/PathBytes.h"
#include "support/QtPrinters.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"
#include "wavepipe/MMWave.h"

#include <gtest/gtest.h>

using namespace tb;
using tb::test::InfoTexts;
using tb::test::id3v1;
using tb::test::mpegFrames;
using tb::test::TempDir;

namespace {

struct ClockCase {
    int64_t value;
    const char *text;
};

class SecondsClock : public ::testing::TestWithParam<ClockCase> {};
TEST_P(SecondsClock, Text)
{
    EXPECT_EQ(SecondsClockText(GetParam().value), QString::fromLatin1(GetParam().text));
}
INSTANTIATE_TEST_SUITE_P(Clock, SecondsClock,
                         ::testing::Values(ClockCase{3725, "01:02:05"}, ClockCase{0, "00:00:00"},
                                           ClockCase{59, "00:00:59"}, ClockCase{3599, "00:59:59"},
                                           ClockCase{360000, "100:00:00"}, ClockCase{-5, "00:00:00"}));

class MillisecondsClock : public ::testing::TestWithParam<ClockCase> {};
TEST_P(MillisecondsClock, Text)
{
    EXPECT_EQ(MillisecondsClockText(GetParam().value), QString::fromLatin1(GetParam().text));
}
INSTANTIATE_TEST_SUITE_P(Clock, MillisecondsClock,
                         ::testing::Values(ClockCase{59999, "00:00:59"}, ClockCase{60000, "00:01:00"},
                                           ClockCase{999, "00:00:00"}, ClockCase{3725000, "01:02:05"},
                                           ClockCase{360000000, "100:00:00"}, ClockCase{0, "00:00:00"},
                                           ClockCase{-1500, "00:00:00"}));

TEST(ClockText, TwoDigitsAtLeastJoinedByColons)
{
    EXPECT_EQ(ClockText(1, 2, 5), QStringLiteral("01:02:05"));
    EXPECT_EQ(ClockText(0, 0, 0), QStringLiteral("00:00:00"));
    EXPECT_EQ(ClockText(12, 34, 56), QStringLiteral("12:34:56"));
    EXPECT_EQ(ClockText(123, 4, 5), QStringLiteral("123:04:05"));
}

class DescribeFixture : public ::testing::Test {
protected:
    TempDir dir;
    InfoTexts view;
    TAudioInfo musicInfo;
};

struct MpegCase {
    const char *name;
    const char *header;
    int frameLength;
    const char *line;
};

class MpegFormatLines : public DescribeFixture, public ::testing::WithParamInterface<MpegCase> {};

TEST_P(MpegFormatLines, LineOfTheFirstFrame)
{
    const MpegCase &c = GetParam();
    const QString path = dir.write("a.mp3", mpegFrames(QByteArray::fromHex(c.header), c.frameLength, 3));
    DescribeMpegFile(view, musicInfo, path);
    EXPECT_EQ(view.info, QString::fromLatin1(c.line));
    EXPECT_EQ(view.title, QStringLiteral("a.mp3"));
}

INSTANTIATE_TEST_SUITE_P(
    Describe, MpegFormatLines,
    ::testing::Values(MpegCase{"JointStereo", "FFFB9064", 417, "MPEG 1.0 Layer III, 44100Hz, 2Ch, 128KBps"},
                      MpegCase{"Stereo", "FFFB9004", 417, "MPEG 1.0 Layer III, 44100Hz, 2Ch, 128KBps"},
                      MpegCase{"DualChannel", "FFFB9084", 417, "MPEG 1.0 Layer III, 44100Hz, 2Ch, 128KBps"},
                      MpegCase{"Mono", "FFF384C4", 192, "MPEG 2.0 Layer III, 24000Hz, 1Ch, 64KBps"},
                      MpegCase{"LayerII", "FFFD9080", 522, "MPEG 1.0 Layer II, 44100Hz, 2Ch, 160KBps"},
                      MpegCase{"LayerI", "FFFF9000", 312, "MPEG 1.0 Layer I, 44100Hz, 2Ch, 288KBps"},
                      MpegCase{"Mpeg25", "FFE39064", 522, "MPEG 2.5 Layer III, 11025Hz, 2Ch, 80KBps"},
                      MpegCase{"FreeFormat", "FFFB0064", 4, "MPEG 1.0 Layer III, 44100Hz, 2Ch, 0KBps"}),
    [](const ::testing::TestParamInfo<MpegCase> &info) { return std::string(info.param.name); });

TEST_F(DescribeFixture, MpegTitleComesFromTheTagWhenItHasOne)
{
    const QByteArray frames = mpegFrames(QByteArray::fromHex("FFFB9064"), 417, 3);
    struct Case {
        QByteArray tail;
        QString title;
    };
    const Case cases[] = {
        {id3v1("Tag Title"), QStringLiteral("Tag Title")},
        {id3v1(QByteArray(30, ' ')), QStringLiteral("song.mp3")},
        {QByteArray(), QStringLiteral("song.mp3")},
    };
    for (const Case &c : cases) {
        const QString path = dir.write("song.mp3", frames + c.tail);
        DescribeMpegFile(view, musicInfo, path);
        EXPECT_EQ(view.title, c.title);
        EXPECT_EQ(view.info, QStringLiteral("MPEG 1.0 Layer III, 44100Hz, 2Ch, 128KBps"));
    }
}

TEST_F(DescribeFixture, NonMpegFileShowsUnknownFormatWithItsTagTitle)
{
    DescribeMpegFile(view, musicInfo, dir.write("text.mp3", QByteArray(5000, 'x') + id3v1("Still Tagged")));
    EXPECT_EQ(view.info, QStringLiteral("Unknown Format"));
    EXPECT_EQ(view.title, QStringLiteral("Still Tagged"));
}

TEST_F(DescribeFixture, MissingMpegFileShowsItsNameAndUnknownFormat)
{
    EXPECT_NO_THROW(DescribeMpegFile(view, musicInfo, dir.file("gone.mp3")));
    EXPECT_EQ(view.title, QStringLiteral("gone.mp3"));
    EXPECT_EQ(view.info, QStringLiteral("Unknown Format"));
}

struct WaveCase {
    const char *name;
    QByteArray file;
    const char *line;
};

class WaveFormatLines : public DescribeFixture, public ::testing::WithParamInterface<WaveCase> {};

TEST_P(WaveFormatLines, LineOfTheWaveFormat)
{
    const WaveCase &c = GetParam();
    TMMWave wave;
    const QString path = dir.write("b.wav", c.file);
    DescribeWaveFile(view, path, wave);
    EXPECT_EQ(view.info, QString::fromLatin1(c.line));
    EXPECT_EQ(view.title, QStringLiteral("b.wav"));
}

using tb::test::formatChunk;
using tb::test::RiffBuilder;
using tb::test::sineWav;
using tb::test::Tone;

INSTANTIATE_TEST_SUITE_P(
    Describe, WaveFormatLines,
    ::testing::Values(
        WaveCase{"Stereo16", sineWav(Tone{44100, 2, 16, 100}), "PCM, 44100Hz, 2Ch, 16Bit"},
        WaveCase{"Mono8", sineWav(Tone{8000, 1, 8, 100}), "PCM, 8000Hz, 1Ch, 8Bit"},
        WaveCase{"SixChannels", sineWav(Tone{48000, 6, 24, 10}), "PCM, 48000Hz, 1Ch, 24Bit"},
        WaveCase{"TagThree", sineWav(Tone{22050, 2, 32, 10, 440, 0.5, true}), "IEEE Float, 22050Hz, 2Ch, 32Bit"},
        WaveCase{"ImaAdpcm",
                 RiffBuilder().chunk("fmt ", formatChunk(0x11, 1, 11025, 5588, 256, 4, 2, QByteArray::fromHex("F901")))
                     .chunk("data", QByteArray(512, '\0')).build(),
                 "IMA ADPCM, 11025Hz, 1Ch, 4Bit"},
        WaveCase{"UnknownTag",
                 RiffBuilder().chunk("fmt ", formatChunk(0x1234, 2, 8000, 4000, 2, 4, 0)).chunk("data", QByteArray(8, '\0')).build(),
                 "Unknown, 8000Hz, 2Ch, 4Bit"},
        WaveCase{"NotAWave", QByteArray("just some text\n"), "Unknown Format"}),
    [](const ::testing::TestParamInfo<WaveCase> &info) { return std::string(info.param.name); });

TEST_F(DescribeFixture, MissingWaveFileShowsItsNameAndUnknownFormat)
{
    TMMWave wave;
    EXPECT_NO_THROW(DescribeWaveFile(view, dir.file("gone.wav"), wave));
    EXPECT_EQ(view.title, QStringLiteral("gone.wav"));
    EXPECT_EQ(view.info, QStringLiteral("Unknown Format"));
}

TEST_F(DescribeFixture, ANameThatIsNotUtf8ShowsReplacementCharacters)
{
    // "café" written in Latin-1, as old recorders and archives name files.
    const QString mp3 = dir.path() + "/" + pathFromBytes("caf\xe9.mp3");
    DescribeMpegFile(view, musicInfo, mp3);
    EXPECT_EQ(view.title, QStringLiteral("caf\uFFFD.mp3"));
    TMMWave wave;
    DescribeWaveFile(view, dir.path() + "/" + pathFromBytes("caf\xe9.wav"), wave);
    EXPECT_EQ(view.title, QStringLiteral("caf\uFFFD.wav"));
    SetStatus(view, PrefixPlaying);
    EXPECT_EQ(view.status, QStringLiteral("Playing: caf\uFFFD.wav"));
}

TEST_F(DescribeFixture, EmptyWaveNameShowsUnknownFormat)
{
    TMMWave wave;
    wave.SetFileName(dir.write("c.wav", sineWav(Tone{8000, 1, 8, 10})));
    DescribeWaveFile(view, QString(), wave);
    EXPECT_EQ(view.info, QStringLiteral("Unknown Format"));
    EXPECT_EQ(view.title, QString());
}

TEST_F(DescribeFixture, SetStatusJoinsThePrefixAndTheCurrentTitle)
{
    view.setMusicTitle(QStringLiteral("Tune"));
    for (const QString &prefix : {PrefixPlaying, PrefixPaused, PrefixConvertingToWav, PrefixConvertingToMp3, PrefixReady}) {
        SetStatus(view, prefix);
        EXPECT_EQ(view.status, prefix + QStringLiteral("Tune"));
    }
    EXPECT_EQ(PrefixConvertingToMp3, QStringLiteral("Converting to MP3: "));
}

TEST_F(DescribeFixture, StatusShowsTheTitleTheLastDescribeLeft)
{
    DescribeMpegFile(view, musicInfo, dir.write("x.mp3", mpegFrames(QByteArray::fromHex("FFFB9064"), 417, 2) + id3v1("Tagged")));
    SetStatus(view, PrefixConvertingToWav);
    EXPECT_EQ(view.status, QStringLiteral("Converting to WAV: Tagged"));
}

TEST_F(DescribeFixture, ShowIdleSetsTheIdleTexts)
{
    EXPECT_EQ(view.title, QStringLiteral("Show player current status here.")); // as the window opens
    view.setCurrentTime(QStringLiteral("00:01:02"));
    view.setDurationTime(QStringLiteral("00:03:04"));
    view.setMusicInfo(QStringLiteral("PCM"));
    ShowIdle(view);
    EXPECT_EQ(view.status, QStringLiteral("Ready... Show current status here."));
    EXPECT_EQ(view.title, QStringLiteral("Show current status here."));
    EXPECT_EQ(view.info, QStringLiteral("Show current music format information here."));
    EXPECT_EQ(view.current, QStringLiteral("00:00:00"));
    EXPECT_EQ(view.duration, QStringLiteral("00:00:00"));
}

TEST(FileNameOf, TextAfterTheLastSeparator)
{
    EXPECT_EQ(FileNameOf(QStringLiteral("/music/a b/song.mp3")), QStringLiteral("song.mp3"));
    EXPECT_EQ(FileNameOf(QStringLiteral("song.mp3")), QStringLiteral("song.mp3"));
    EXPECT_EQ(FileNameOf(QStringLiteral("/music/")), QString());
}

} // namespace
