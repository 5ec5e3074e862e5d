#include "support/InfoTexts.h"
#include "platform/TestDoubles.h"
#include "ConvertFakes.h"
#include "audioinfo/AudioInfo.h"
#include "convert/BatchDriver.h"
#include "convert/Mp3ToWav.h"
#include "convert/WavToMp3.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"
#include "wavepipe/MMWave.h"

#include "platform/PathBytes.h"

#include <QDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tb;
using namespace tb::test;

namespace {

class BatchTest : public ::testing::Test {
protected:
    BatchTest()
    {
        QDir().mkpath(dir.file("src"));
        QDir().mkpath(dir.file("other"));
        options = ProgramOptions::Defaults(dir.path());
        options.WavDir = dir.file("wav/");
        options.Mp3Dir = dir.file("mp3/");
        options.IsDoneOpenDir = true;
        driver.Attach(&mp3ToWav, &wavToMp3);
    }

    QString mp3(const QString &name, bool checked = true)
    {
        QString path = dir.write("src/" + name, QByteArray(400, '\x55'));
        window.lists[0].rows.push_back({path, checked});
        return path;
    }
    QString wav(const QString &name, uint16_t tag = 1)
    {
        Tone tone;
        tone.frames = 44100 * 61 + 22050; // 61.5 s
        QString path = dir.file("src/" + name);
        if (tag == 1)
            writeSineWav(path, tone);
        else
            writeFile(path, RiffBuilder()
                                .chunk("fmt ", formatChunk(tag, 2, 44100, 44100, 1024, 4, 2, QByteArray(2, 0)))
                                .chunk("data", QByteArray(4096, 1))
                                .build());
        window.lists[1].rows.push_back({path, true});
        return path;
    }
    void existing(const QString &destination) { dir.write(destination, "old"); }

    void startBatch(bool answer = true)
    {
        dialogs.confirmAnswers.push_back(answer);
        driver.btnConvertClick();
    }

    TempDir dir;
    AppState state;
    ProgramOptions options;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    FaultyFileSystem fileSystem;
    FakeWindow window;
    InfoTexts info;
    TAudioInfo musicInfo;
    TMMWave wavInfo;
    FakeDecoder decoder;
    FakeEncoder encoder;
    StateActivity activity{state};
    BatchDriver driver{state, activity, options, dialogs, shell, fileSystem, window, info};
    Mp3ToWavConversion mp3ToWav{state, options, decoder, info, musicInfo, driver};
    WavToMp3Conversion wavToMp3{state, options, encoder, info, wavInfo, fileSystem, driver};
};

TEST_F(BatchTest, EmptyListDoesNothing)
{
    driver.btnConvertClick();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(state.ActivityState, asIdle);
}

TEST_F(BatchTest, NothingCheckedOrEveryCheckedFileMissingAsksToCheck)
{
    mp3("a.mp3", false);
    QString gone = mp3("b.mp3");
    QFile::remove(gone);
    driver.btnConvertClick();
    EXPECT_EQ(dialogs.messages(), QStringList{"At least check one item!"});
    EXPECT_TRUE(window.lists[0].allEnabled());
    EXPECT_EQ(state.ActivityState, asIdle);
    EXPECT_TRUE(decoder.calls.isEmpty());
}

TEST_F(BatchTest, NoToTheStartQuestionStaysIdle)
{
    mp3("a.mp3");
    startBatch(false);
    EXPECT_EQ(dialogs.questions(),
              QStringList{"Now, all checked MP3 files will be converted to WAV files,\n"
                          "click the button again to stop converting, continue?"});
    EXPECT_EQ(state.ActivityState, asIdle);
    EXPECT_TRUE(window.lists[0].allEnabled());
    EXPECT_TRUE(decoder.calls.isEmpty());
}

TEST_F(BatchTest, PlayingRefusesToConvert)
{
    mp3("a.mp3");
    state.ActivityState = asPlaying;
    driver.btnConvertClick();
    EXPECT_EQ(dialogs.messages(), QStringList{"Please stop playing at first!"});
    EXPECT_TRUE(decoder.calls.isEmpty());
}

TEST_F(BatchTest, Mp3BatchRunsFileByFileAndEndsWithItsMessage)
{
    QString a = mp3("a.mp3");
    mp3("skipped.mp3", false);
    QString b = mp3("b.MP2");
    startBatch();
    EXPECT_EQ(state.ActivityState, asConverting);
    EXPECT_TRUE(window.convertingLook);
    EXPECT_TRUE(window.lists[0].noneEnabled());
    EXPECT_EQ(state.FileQueue, (QStringList{a, b}));
    EXPECT_EQ(decoder.calls, (QStringList{"SetOutputModule(0)", "OutputOpen(wav:" + dir.file("wav/a.wav") + ")",
                                          "InputOpen(" + a + ")", "Play"}));
    EXPECT_TRUE(QFileInfo(dir.file("wav")).isDir());
    EXPECT_EQ(window.lists[0].currentRow, 0);
    EXPECT_EQ(info.status, "Converting to WAV: a.mp3");

    mp3ToWav.DecoderNotifyStreamDuration(3725);
    mp3ToWav.DecoderNotifyInputTimecode(0, 4, 9, 50);
    EXPECT_EQ(info.duration, "01:02:05");
    EXPECT_EQ(info.current, "00:04:09");

    decoder.calls.clear();
    mp3ToWav.DecoderNotifyPlayerState(1); // playing: nothing moves
    EXPECT_TRUE(decoder.calls.isEmpty());
    mp3ToWav.DecoderNotifyPlayerState(3);
    EXPECT_EQ(decoder.calls,
              (QStringList{"OutputOpen(wav:" + dir.file("wav/b.wav") + ")", "InputOpen(" + b + ")", "Play"}));
    EXPECT_EQ(window.lists[0].currentRow, 2);
    EXPECT_EQ(info.status, "Converting to WAV: b.MP2");
    EXPECT_EQ(info.duration, "01:02:05") << "the clocks keep the last file's values until reported";

    decoder.calls.clear();
    mp3ToWav.DecoderNotifyPlayerState(3);
    EXPECT_EQ(decoder.calls, (QStringList{"Stop", "OutputClose", "InputClose"}));
    EXPECT_EQ(state.ActivityState, asIdle);
    EXPECT_FALSE(window.convertingLook);
    EXPECT_TRUE(window.lists[0].allEnabled());
    EXPECT_TRUE(window.lists[0].autoPopup);
    EXPECT_EQ(window.sliderResets, 1);
    EXPECT_EQ(info.status, "Ready... Show current status here.");
    EXPECT_EQ(info.current, "00:00:00");
    EXPECT_EQ(dialogs.messages(), QStringList{"All checked MP3 files have been converted to WAV files!"});
    EXPECT_EQ(shell.opened, QStringList{"folder:" + dir.file("wav/")});

    decoder.calls.clear();
    mp3ToWav.DecoderNotifyPlayerState(3);
    EXPECT_TRUE(decoder.calls.isEmpty()) << "state 3 while idle changes nothing";
}

struct PolicyCase {
    const char *name;
    int outputMode;
    std::vector<Answer> answers;
    QStringList expectedStarts; // destinations opened, in order
    int questions;
};

class OverwritePolicy : public BatchTest, public ::testing::WithParamInterface<PolicyCase> {};

TEST_P(OverwritePolicy, PicksFilesByTheModeAndTheAnswers)
{
    const PolicyCase &c = GetParam();
    options.OutputMode = c.outputMode;
    mp3("a.mp3");
    mp3("b.mp3");
    mp3("c.mp3");
    QDir().mkpath(dir.file("wav"));
    existing("wav/a.wav");
    existing("wav/c.wav");
    for (Answer a : c.answers)
        dialogs.yesNoAbortAnswers.push_back(a);
    startBatch();
    for (int i = 0; i < 5 && state.ActivityState == asConverting; ++i)
        mp3ToWav.DecoderNotifyPlayerState(3);
    QStringList starts;
    for (const QString &call : decoder.calls)
        if (call.startsWith("OutputOpen(wav:"))
            starts << QFileInfo(call.mid(15, call.size() - 16)).fileName();
    EXPECT_EQ(starts, c.expectedStarts);
    QStringList asked;
    for (const auto &s : dialogs.shown)
        if (s.kind == "yesnoabort")
            asked << s.text;
    EXPECT_EQ(asked.size(), c.questions);
    if (!asked.isEmpty()) {
        EXPECT_EQ(asked.front(), "The destionation file has existed, overwrite it?\n" + dir.file("wav/a.wav"));
    }
    EXPECT_EQ(state.ActivityState, asIdle);
    EXPECT_TRUE(window.lists[0].allEnabled());
    EXPECT_EQ(TempDir::read(dir.file("wav/a.wav")), QByteArray("old")) << "the fake decoder writes nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Modes, OverwritePolicy,
    ::testing::Values(
        PolicyCase{"overwrite", 1, {}, {"a.wav", "b.wav", "c.wav"}, 0},
        PolicyCase{"skip", 2, {}, {"b.wav"}, 0},
        PolicyCase{"ask_yes_yes", 0, {Answer::Yes, Answer::Yes}, {"a.wav", "b.wav", "c.wav"}, 2},
        PolicyCase{"ask_no_no", 0, {Answer::No, Answer::No}, {"b.wav"}, 2},
        PolicyCase{"ask_abort_first", 0, {Answer::Abort}, {}, 1},
        PolicyCase{"ask_no_then_abort", 0, {Answer::No, Answer::Abort}, {"b.wav"}, 2},
        PolicyCase{"unknown_mode_asks", 7, {Answer::No, Answer::No}, {"b.wav"}, 2}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(BatchTest, SkipWithEveryDestinationPresentStartsNothingSilently)
{
    options.OutputMode = omSkip;
    mp3("a.mp3");
    QDir().mkpath(dir.file("wav"));
    existing("wav/a.wav");
    startBatch();
    EXPECT_EQ(state.ActivityState, asIdle);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_TRUE(window.lists[0].allEnabled());
    EXPECT_TRUE(decoder.calls.isEmpty());
}

TEST_F(BatchTest, SameNameFromTwoFoldersMeetsOneDestination)
{
    options.OutputMode = omSkip;
    QString first = mp3("song.mp3");
    QString second = dir.write("other/song.mp3", "x");
    window.lists[0].rows.push_back({second, true});
    startBatch();
    existing("wav/song.wav"); // the decoder wrote the first one
    mp3ToWav.DecoderNotifyPlayerState(3);
    EXPECT_EQ(decoder.calls.filter("InputOpen").size(), 1) << "the second is passed over under Skip";
    EXPECT_EQ(state.ActivityState, asIdle);
}

TEST_F(BatchTest, StopAnsweredNoResumesTheSameFileAndYesGoesIdle)
{
    mp3("a.mp3");
    startBatch();
    decoder.calls.clear();
    dialogs.confirmAnswers.push_back(false);
    driver.btnConvertClick();
    EXPECT_EQ(decoder.calls, (QStringList{"Pause", "Play"}));
    EXPECT_EQ(dialogs.questions().last(), "Are you sure you want to stop converting?");
    EXPECT_EQ(state.ActivityState, asConverting);

    decoder.calls.clear();
    dialogs.confirmAnswers.push_back(true);
    driver.btnConvertClick();
    EXPECT_EQ(decoder.calls, (QStringList{"Pause", "Stop", "OutputClose", "InputClose"}));
    EXPECT_EQ(state.ActivityState, asIdle);
    EXPECT_TRUE(dialogs.messages().isEmpty()) << "a stop shows no final message";
    EXPECT_EQ(shell.opened, QStringList{"folder:" + dir.file("wav/")});
    decoder.calls.clear();
    mp3ToWav.DecoderNotifyPlayerState(3);
    EXPECT_TRUE(decoder.calls.isEmpty());
}

TEST_F(BatchTest, RefusedStartCountsAsFailedAndTheBatchMovesOn)
{
    QString a = mp3("a.mp3");
    mp3("b.mp3");
    decoder.refuse = "InputOpen(" + a;
    startBatch();
    EXPECT_EQ(state.ActivityState, asConverting);
    EXPECT_EQ(decoder.calls.filter("InputOpen").size(), 2) << "b started after a was refused";
    mp3ToWav.DecoderNotifyPlayerState(3);
    EXPECT_EQ(state.ActivityState, asIdle);
    // Not "All ... converted": the end message begins with what failed, and why.
    EXPECT_EQ(dialogs.messages(), QStringList{"1 of 2 checked MP3 files could not be converted:\n"
                                              "a.mp3: refused"});
}

TEST_F(BatchTest, EveryStartRefusedEndsTheBatchWithTheFailures)
{
    mp3("a.mp3");
    mp3("b.mp3");
    decoder.refuse = "OutputOpen";
    startBatch();
    EXPECT_EQ(state.ActivityState, asIdle);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages()[0], "2 of 2 checked MP3 files could not be converted:\n"
                                     "a.mp3: refused\n"
                                     "b.mp3: refused");
}

TEST_F(BatchTest, DecoderErrorFailsTheFileAndStaleNewsIsIgnoredUntilThePong)
{
    QString a = mp3("a.mp3");
    QString b = mp3("b.mp3");
    startBatch();
    decoder.calls.clear();
    mp3ToWav.DecoderNotifyError("cannot decode \"" + a + "\": damaged frame");
    EXPECT_EQ(decoder.calls.first(), "Ping(1)");
    EXPECT_EQ(decoder.calls.filter("InputOpen"), QStringList{"InputOpen(" + b + ")"});
    mp3ToWav.DecoderNotifyPlayerState(3); // the failed file's end, reported before the Pong
    mp3ToWav.DecoderNotifyError("late news about a");
    EXPECT_EQ(state.ActivityState, asConverting);
    EXPECT_EQ(driver.FailedFiles(), QStringList{a});
    mp3ToWav.DecoderNotifyPong(1);
    mp3ToWav.DecoderNotifyPlayerState(3); // b's end
    EXPECT_EQ(state.ActivityState, asIdle);
    // The decoder's text is the reason; the path it quotes is not repeated.
    EXPECT_EQ(dialogs.messages(), QStringList{"1 of 2 checked MP3 files could not be converted:\n"
                                              "a.mp3: cannot decode: damaged frame"});
}

TEST_F(BatchTest, AFileIsNeverConvertedOntoItself)
{
    options.OutputMode = omOverwrite;
    options.WavDir = dir.file("src/");
    QString self = dir.write("src/x.wav", "precious");
    window.lists[0].rows.push_back({self, true});
    startBatch();
    EXPECT_EQ(state.ActivityState, asIdle);
    EXPECT_TRUE(decoder.calls.isEmpty());
    EXPECT_EQ(TempDir::read(self), QByteArray("precious"));
    EXPECT_EQ(dialogs.messages(), QStringList{"1 of 1 checked MP3 file could not be converted:\n"
                                              "x.wav: the destination is the file itself"});
}

TEST_F(BatchTest, WavBatchPassesOverCompressedFilesAndSetsTheEncoder)
{
    options.Mp3Bitrate = 13;
    options.Mp3Stereo = 3;
    QString pcm = wav("a.wav");
    wav("adpcm.wav", 2);
    QString pcm2 = wav("c.WAV");
    state.DoWhat = dwWavToMp3;
    startBatch();
    EXPECT_EQ(dialogs.questions().first(),
              "Now, all checked WAV files will be converted to MP3 files,\n"
              "click the button again to stop converting, continue?");
    EXPECT_EQ(encoder.calls, (QStringList{"SetBitRate(320)", "SetEncodeType(4)", "SetSourceFile(" + pcm + ")",
                                          "SetDestinationFile(" + dir.file("mp3/a.mp3") + ")", "StartEncode"}));
    EXPECT_EQ(info.info, "PCM, 44100Hz, 2Ch, 16Bit");
    EXPECT_EQ(info.duration, "00:01:01");
    EXPECT_EQ(info.status, "Converting to MP3: a.wav");
    EXPECT_EQ(wavToMp3.WavLengthMs(), 61500);

    wavToMp3.EncoderProgress(0, 100);
    EXPECT_EQ(info.current, "00:00:00");
    wavToMp3.EncoderProgress(50, 100);
    EXPECT_EQ(info.current, "00:00:30");

    encoder.calls.clear();
    wavToMp3.EncoderFinish(false);
    EXPECT_EQ(encoder.calls.filter("SetSourceFile"), QStringList{"SetSourceFile(" + pcm2 + ")"});
    EXPECT_EQ(window.lists[1].currentRow, 2);
    encoder.calls.clear();
    wavToMp3.EncoderFinish(false);
    EXPECT_EQ(encoder.calls, (QStringList{"ResumeEncode", "AbortEncode"}));
    EXPECT_EQ(state.ActivityState, asIdle);
    // A WAV batch says only how many files it passed over as not PCM.
    EXPECT_EQ(dialogs.messages(), QStringList{"1 file was not PCM WAV and was passed over"});
    EXPECT_EQ(shell.opened, QStringList{"folder:" + dir.file("mp3/")});
    EXPECT_TRUE(dialogs.shown.size() == 2) << "the compressed file was never asked about";
}

TEST_F(BatchTest, WavFilesOfUncompressedSamplesAreEligibleAndCompressedOnesAreNot)
{
    auto extensible = [](uint16_t subFormat, uint16_t bits) {
        return formatChunk(0xFFFE, 2, 48000, 48000 * 2 * bits / 8, uint16_t(2 * bits / 8), bits, 22,
                           le16(bits) + le32(3) + le16(subFormat) + QByteArray::fromHex("000000001000800000AA00389B71"));
    };
    struct Case {
        const char *name;
        QByteArray fmt;
        bool eligible;
    };
    const Case cases[] = {
        {"pcm", formatChunk(1, 2, 44100, 176400, 4, 16, 0), true},
        {"float", formatChunk(3, 2, 44100, 352800, 8, 32, 0), true},
        {"extensiblePcm24", extensible(1, 24), true},
        {"extensibleFloat", extensible(3, 32), true},
        {"sixChannels", formatChunk(1, 6, 44100, 529200, 12, 16, 0), true},
        {"adpcm", formatChunk(2, 2, 44100, 44100, 1024, 4, 2, QByteArray(2, 0)), false},
        {"muLaw", formatChunk(7, 1, 8000, 8000, 1, 8, 0), false},
        {"gsm", formatChunk(0x31, 1, 8000, 1625, 65, 0, 2, le16(320)), false},
        {"extensibleMuLaw", extensible(7, 8), false},
        {"extensibleUnknownGuid", formatChunk(0xFFFE, 2, 48000, 192000, 4, 16, 22, le16(16) + le32(3) + QByteArray(16, 'g')), false},
    };
    for (const Case &c : cases) {
        const QString path = dir.write(QString("src/") + c.name + ".wav",
                                       RiffBuilder().chunk("fmt ", c.fmt).chunk("data", QByteArray(4800, 1)).build());
        EXPECT_EQ(wavToMp3.IsEligible(path), c.eligible) << c.name;
    }
    // Streamed and cut-off files are read to their end.
    const QByteArray fmt = formatChunk(1, 2, 44100, 176400, 4, 16, 0);
    EXPECT_TRUE(wavToMp3.IsEligible(dir.write("src/streamed.wav", RiffBuilder().chunk("fmt ", fmt)
                                                  .chunkDeclaring("data", 0xFFFFFFFF, QByteArray(4800, 1)).build(0xFFFFFFFF))));
    EXPECT_TRUE(wavToMp3.IsEligible(dir.write("src/cut.wav", RiffBuilder().chunk("fmt ", fmt)
                                              .chunkDeclaring("data", 1000000, QByteArray(4800, 1)).build())));
    EXPECT_FALSE(wavToMp3.IsEligible(dir.write("src/text.wav", "not a wave file")));
}

TEST_F(BatchTest, AskYesDeletesNothingTheEncoderReplacesTheFileWhenDone)
{
    wav("a.wav");
    wav("b.wav");
    QDir().mkpath(dir.file("mp3"));
    existing("mp3/a.mp3");
    existing("mp3/b.mp3");
    state.DoWhat = dwWavToMp3;
    dialogs.yesNoAbortAnswers = {Answer::Yes, Answer::Yes};
    startBatch();
    EXPECT_EQ(encoder.calls.filter("StartEncode").size(), 1);
    wavToMp3.EncoderFinish(false);
    EXPECT_EQ(encoder.calls.filter("StartEncode").size(), 2);
    // A failed encoding must not cost the user the file that was there.
    EXPECT_TRUE(fileSystem.deleted.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(dir.file("mp3/a.mp3")));
    EXPECT_TRUE(QFileInfo::exists(dir.file("mp3/b.mp3")));
}

TEST_F(BatchTest, EncoderErrorCountsTheFileAsFailedAndStopIgnoresTheLateFinish)
{
    QString a = wav("a.wav");
    wav("b.wav");
    state.DoWhat = dwWavToMp3;
    startBatch();
    wavToMp3.EncoderError(-1);
    wavToMp3.EncoderFinish(true);
    EXPECT_EQ(driver.FailedFiles(), QStringList{a});
    EXPECT_EQ(state.ActivityState, asConverting);

    encoder.calls.clear();
    dialogs.confirmAnswers.push_back(true);
    driver.btnConvertClick();
    EXPECT_EQ(encoder.calls, (QStringList{"SuspendEncode", "ResumeEncode", "AbortEncode"}));
    EXPECT_EQ(state.ActivityState, asIdle);
    wavToMp3.EncoderFinish(true); // the abort's own finish
    EXPECT_EQ(state.ActivityState, asIdle);
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST_F(BatchTest, WavBatchWithFailuresEndsWithTheirList)
{
    QString a = wav("a.wav");
    state.DoWhat = dwWavToMp3;
    startBatch();
    encoder.lastError = "cannot write the MP3 file: No space left on device";
    wavToMp3.EncoderError(4);
    wavToMp3.EncoderFinish(true);
    EXPECT_EQ(state.ActivityState, asIdle);
    EXPECT_EQ(dialogs.messages(), QStringList{"1 of 1 checked WAV file could not be converted:\n"
                                              "a.wav: cannot write the MP3 file: No space left on device"});
}

TEST_F(BatchTest, WavFilesThatVanishedAreDamagedOrUnreadableFailWithTheirReason)
{
    QString gone = wav("gone.wav");
    QString damaged = dir.write("damaged.wav", QByteArray("RIFF\x10\0\0\0WAVEjunk", 16));
    QString pipe = dir.file("pipe.wav");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    window.lists[1].rows.push_back({damaged, true});
    window.lists[1].rows.push_back({pipe, true});
    wav("adpcm.wav", 2);
    wav("adpcm2.wav", 2);
    QString good = wav("good.wav");
    state.DoWhat = dwWavToMp3;
    dialogs.confirmAnswers.push_back(true);
    // The first file vanishes after the queue was made.
    window.onRepaint = [&] { QFile::remove(gone); };
    driver.btnConvertClick();
    window.onRepaint = nullptr;
    ASSERT_EQ(state.ActivityState, asConverting) << dialogs.messages().join("|").toStdString();
    EXPECT_EQ(encoder.calls.filter("SetSourceFile"), QStringList{"SetSourceFile(" + good + ")"});
    wavToMp3.EncoderFinish(false);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages()[0], "3 of 6 checked WAV files could not be converted:\n"
                                     "gone.wav: No such file or directory\n"
                                     "damaged.wav: Invalid wave file...\n"
                                     "pipe.wav: not a regular file\n"
                                     "2 files were not PCM WAV and were passed over");
}

TEST_F(BatchTest, TheSummaryShowsANameThatIsNotUtf8WithReplacementCharacters)
{
    const QString name = pathFromBytes("bad\xff\xfe.mp3");
    const QList<BatchDriver::Failure> failures{{"/music/" + name, "not an MPEG audio stream"}};
    EXPECT_EQ(BatchDriver::FailureSummary(dwMp3ToWav, failures, 3, 0),
              QString::fromUtf8("1 of 3 checked MP3 files could not be converted:\n"
                                "bad\xef\xbf\xbd\xef\xbf\xbd.mp3: not an MPEG audio stream"));
    EXPECT_EQ(BatchDriver::FailureSummary(dwWavToMp3, {}, 3, 0), QString());
}

TEST(Destination, ReplacesTheExtensionOrAppendsOne)
{
    struct Case {
        const char *folder, *source, *ext, *expected;
    };
    const Case cases[] = {{"/out/", "/music/a.mp3", ".wav", "/out/a.wav"},
                          {"/out/", "/music/a.b.MP2", ".wav", "/out/a.b.wav"},
                          {"/out/", "/music/noext", ".mp3", "/out/noext.mp3"},
                          {"/out/", "/mu.sic/noext", ".mp3", "/out/noext.mp3"},
                          {"/out/", "/music/.hidden", ".wav", "/out/.wav"}};
    for (const Case &c : cases)
        EXPECT_EQ(BatchDriver::DestinationFor(c.folder, c.source, c.ext), QString(c.expected)) << c.source;
}

TEST(EncoderTables, BitrateAndChannelModeFollowTheOptions)
{
    const std::pair<int, int> bitrates[] = {{0, 32}, {1, 40}, {7, 112}, {8, 128}, {9, 160}, {13, 320}, {14, 128}, {-1, 128}};
    for (auto [index, kbps] : bitrates)
        EXPECT_EQ(WavToMp3Conversion::BitRateFor(index), kbps) << index;
    const std::pair<int, EncodeChannelMode> modes[] = {
        {0, ecMono}, {1, ecStereo}, {2, ecJoint}, {3, ecDualChannel}, {4, ecStereo}, {-1, ecStereo}};
    for (auto [index, mode] : modes)
        EXPECT_EQ(WavToMp3Conversion::EncodeTypeFor(index), mode) << index;
}

TEST(EncoderProgress, ElapsedTimeRoundsHalvesToEvenAndSurvivesNoFrames)
{
    EXPECT_EQ(WavToMp3Conversion::ElapsedMs(50, 100, 61500), 30750);
    EXPECT_EQ(WavToMp3Conversion::ElapsedMs(1, 2, 1), 0);  // 0.5 -> 0
    EXPECT_EQ(WavToMp3Conversion::ElapsedMs(3, 2, 1), 2);  // 1.5 -> 2
    EXPECT_EQ(WavToMp3Conversion::ElapsedMs(5, 2, 1), 2);  // 2.5 -> 2
    EXPECT_EQ(WavToMp3Conversion::ElapsedMs(7, 0, 1000), 0);
}

} // namespace

namespace {

// The window double delivers a completion while the stop question is open.
class CompletingWindow : public FakeWindow {
public:
    std::function<void()> duringQuestion;
    void ProcessPendingEvents() override
    {
        if (duringQuestion) {
            auto once = std::move(duringQuestion);
            duringQuestion = nullptr;
            once();
        }
    }
};

TEST(StopQuestion, AFileThatEndsWhileTheQuestionIsOpenIsNotRestartedByNo)
{
    TempDir dir;
    AppState state;
    ProgramOptions options = ProgramOptions::Defaults(dir.path());
    ScriptedDialogs dialogs;
    RecordingShell shell;
    LocalFileSystem fileSystem;
    CompletingWindow window;
    InfoTexts info;
    TAudioInfo musicInfo;
    FakeDecoder decoder;
    StateActivity activity{state};
    BatchDriver driver{state, activity, options, dialogs, shell, fileSystem, window, info};
    Mp3ToWavConversion mp3ToWav{state, options, decoder, info, musicInfo, driver};
    driver.Attach(&mp3ToWav, &mp3ToWav);
    for (const char *name : {"a.mp3", "b.mp3"})
        window.lists[0].rows.push_back({dir.write(name, "x"), true});
    dialogs.confirmAnswers = {true, false};
    driver.btnConvertClick();
    decoder.calls.clear();
    window.duringQuestion = [&] { mp3ToWav.DecoderNotifyPlayerState(3); };
    driver.btnConvertClick(); // the question, answered No
    EXPECT_EQ(decoder.calls, (QStringList{"Pause", "OutputOpen(wav:" + options.WavDir + "b.wav)",
                                          "InputOpen(" + dir.file("b.mp3") + ")", "Play"}))
        << "a is not played again; b starts";
    EXPECT_EQ(state.ActivityState, asConverting);
}

} // namespace
