// The playback controller against recording doubles of the window and the three engines, with
// real files on disk for the probes (MPEG headers, WAV files).
#include "support/StateActivity.h"
#include "support/InfoTexts.h"
#include "platform/TestDoubles.h"
#include "PlayerDoubles.h"

#include "audioinfo/AudioInfo.h"
#include "audioinfo/MpegFrames.h"
#include "player/PlaybackController.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace tb;
using namespace tb::test;

namespace {

// MPEG-1 Layer III, 128 kbit/s, 44100 Hz, joint stereo: frames of 417 bytes.
const QByteArray Mp3Header("\xFF\xFB\x90\x64", 4);

struct Rig {
    TempDir dir;
    AppState state;
    ProgramOptions options;
    ScriptedDialogs dialogs;
    LocalFileSystem fileSystem;
    RecordingWindow window;
    InfoTexts info;
    TAudioInfo musicInfo;
    TMMWave wavInfo;
    CallLog log;
    RecordingDecoder decoder{log};
    RecordingWave wave{log};
    RecordingSystemPlayer system{log};
    RecordingTimer sysTimer, wavTimer;
    StateActivity activity{state};
    PlaybackController player{state, activity, options, dialogs, fileSystem, window, info, musicInfo, wavInfo,
                              {decoder, wave, system, sysTimer, wavTimer}};

    Rig() { wavInfo.SetTimeFormat(tfMillisecond); }

    RecordingList &list(int doWhat) { return window.lists[doWhat]; }

    // A playable MPEG file of ten frames.
    QString mp3(const QString &name) { return dir.write(name, mpegFrames(Mp3Header, 417, 10)); }
    // An MPEG file whose first frame lies beyond what the probe reads.
    QString lateMp3(const QString &name)
    {
        return dir.write(name, QByteArray(11000, '\0') + mpegFrames(Mp3Header, 417, 10));
    }
    QString wav(const QString &name, int64_t frames = 44100)
    {
        Tone tone;
        tone.frames = frames;
        return dir.write(name, sineWav(tone));
    }
    QString junk(const QString &name) { return dir.write(name, QByteArray("not audio at all")); }

    void add(int doWhat, const QString &path, bool checked = true) { list(doWhat).rows.push_back({path, checked}); }

    // Answers every Ping the decoder was sent, in order.
    void answerPings()
    {
        while (!decoder.pings.empty()) {
            uint32_t tag = decoder.pings.front();
            decoder.pings.erase(decoder.pings.begin());
            player.mp3PlayerNotifyPong(tag);
        }
    }
    // The decoder plays the current file a little and reaches its end.
    void decoderPlaysToEnd()
    {
        answerPings();
        player.mp3PlayerNotifyInputPosition(50, 100);
        player.mp3PlayerNotifyPlayerState(PlaybackController::StateEndOfInput);
    }
    // The wave player plays a little and stops at the end of its file.
    void waveEnds()
    {
        wave.position = 500;
        player.wavTimerTimer();
        wave.playing = wave.paused = false;
        player.wavTimerTimer();
    }
    void systemEnds()
    {
        system.mode = SystemPlayer::Mode::Playing;
        system.position = 500;
        system.length = 1000;
        player.sysTimerTimer();
        system.mode = SystemPlayer::Mode::Other;
        player.sysTimerTimer();
    }
    QString selected(int doWhat)
    {
        RecordingList &l = list(doWhat);
        return l.currentRow < 0 ? QString() : FileNameOf(l.rows[l.currentRow].path);
    }
    QStringList queueNames() const
    {
        QStringList names;
        for (const QString &p : state.FileQueue)
            names << FileNameOf(p);
        return names;
    }
    void expectIdleWindow(int doWhat)
    {
        EXPECT_EQ(state.ActivityState, asIdle);
        EXPECT_EQ(info.status, "Ready... Show current status here.");
        EXPECT_EQ(info.duration, "00:00:00");
        EXPECT_EQ(info.current, "00:00:00");
        EXPECT_EQ(window.prgPlay.value, 0);
        EXPECT_FALSE(window.prgPlay.enabled);
        EXPECT_FALSE(window.tabsGrey);
        EXPECT_TRUE(list(doWhat).autoPopup);
        EXPECT_TRUE(list(doWhat).allCheckBoxes(true));
        EXPECT_FALSE(sysTimer.active);
        EXPECT_FALSE(wavTimer.active);
    }
};

// ---- Play with nothing to play ----

TEST(PlaybackController, PlayWithAnEmptyListDoesNothingAndShowsNothing)
{
    Rig rig;
    rig.player.btnPlayClick();
    EXPECT_TRUE(rig.dialogs.shown.empty());
    EXPECT_TRUE(rig.log.calls.isEmpty());
    EXPECT_EQ(rig.state.ActivityState, asIdle);
    EXPECT_EQ(rig.info.status, "Ready... Show current status here.");
}

struct NothingToPlayCase {
    const char *name;
    int doWhat;
    bool checked;
    bool fileExists;
    const char *message;
};

class NothingToPlay : public ::testing::TestWithParam<NothingToPlayCase> {};

TEST_P(NothingToPlay, ShowsTheListsMessageAndLeavesEveryCheckBoxEnabled)
{
    const NothingToPlayCase &c = GetParam();
    Rig rig;
    const QString ext = c.doWhat == 0 ? ".mp3" : ".wav";
    for (int i = 0; i < 3; ++i) {
        QString path = c.fileExists ? rig.mp3(QString("f%1").arg(i) + ext) : rig.dir.file(QString("gone%1").arg(i) + ext);
        rig.add(c.doWhat, path, c.checked);
    }
    rig.state.DoWhat = static_cast<DoWhatValues>(c.doWhat);
    rig.player.btnPlayClick();
    EXPECT_EQ(rig.dialogs.messages(), QStringList{c.message});
    EXPECT_EQ(rig.state.ActivityState, asIdle);
    EXPECT_TRUE(rig.list(c.doWhat).allCheckBoxes(true));
    EXPECT_TRUE(rig.state.FileQueue.isEmpty());
    EXPECT_TRUE(rig.log.calls.isEmpty());
    EXPECT_FALSE(rig.window.tabsGrey);
    EXPECT_FALSE(rig.window.prgPlay.enabled);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NothingToPlay,
    ::testing::Values(NothingToPlayCase{"Mp3NoneChecked", 0, false, true, "At least check one item!"},
                      NothingToPlayCase{"Mp3CheckedFilesGone", 0, true, false, "At least check one item!"},
                      NothingToPlayCase{"WavNoneChecked", 1, false, true, "At least check one item !"},
                      NothingToPlayCase{"WavCheckedFilesGone", 1, true, false, "At least check one item !"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(PlaybackController, PlayWhileConvertingOnlyAsksToStopConverting)
{
    Rig rig;
    rig.add(0, rig.mp3("a.mp3"));
    rig.state.ActivityState = asConverting;
    rig.player.btnPlayClick();
    EXPECT_EQ(rig.dialogs.messages(), QStringList{"Please stop converting at first!"});
    EXPECT_EQ(rig.state.ActivityState, asConverting);
    EXPECT_TRUE(rig.log.calls.isEmpty());
    // The other commands do nothing while converting.
    rig.player.btnStopClick();
    rig.player.btnPauseClick();
    rig.player.btnNextClick();
    rig.player.btnPreviousClick();
    rig.player.prgPlayMouseUp();
    EXPECT_TRUE(rig.log.calls.isEmpty());
    EXPECT_EQ(rig.state.ActivityState, asConverting);
}

// ---- Starting ----

struct EngineCase {
    const char *name;
    int doWhat;
    bool ourPlayer;
    PlaybackController::Engine engine;
    const char *firstCall;
    bool sysTimer, wavTimer;
};

class EngineChoice : public ::testing::TestWithParam<EngineCase> {};

TEST_P(EngineChoice, PlayPicksTheEngineStartsTheFirstCheckedFileAndItsTimer)
{
    const EngineCase &c = GetParam();
    Rig rig;
    const bool wav = c.doWhat == 1;
    rig.add(c.doWhat, wav ? rig.wav("skip.wav") : rig.mp3("skip.mp3"), false);
    rig.add(c.doWhat, rig.dir.file(wav ? "gone.wav" : "gone.mp3"));
    QString first = wav ? rig.wav("first.wav") : rig.mp3("first.mp3");
    QString second = wav ? rig.wav("second.wav") : rig.mp3("second.mp3");
    rig.add(c.doWhat, first);
    rig.add(c.doWhat, second);
    rig.state.DoWhat = static_cast<DoWhatValues>(c.doWhat);
    rig.options.IsOurMp3Player = c.ourPlayer;

    rig.player.btnPlayClick();

    EXPECT_EQ(rig.player.CurrentEngine(), c.engine);
    EXPECT_EQ(rig.player.UseOwnPlayer(), c.ourPlayer);
    EXPECT_EQ(rig.state.FileQueue, (QStringList{first, second}));
    EXPECT_EQ(rig.player.PlayIndex(), 0);
    EXPECT_EQ(rig.state.ActivityState, asPlaying);
    ASSERT_FALSE(rig.log.calls.isEmpty());
    EXPECT_EQ(rig.log.calls.front(), QString(c.firstCall).replace("%1", first));
    EXPECT_EQ(rig.sysTimer.active, c.sysTimer);
    EXPECT_EQ(rig.wavTimer.active, c.wavTimer);
    // The playing look.
    EXPECT_EQ(rig.selected(c.doWhat), "first" + QString(wav ? ".wav" : ".mp3"));
    EXPECT_TRUE(rig.list(c.doWhat).allCheckBoxes(false));
    EXPECT_FALSE(rig.list(c.doWhat).autoPopup);
    EXPECT_TRUE(rig.window.prgPlay.enabled);
    EXPECT_TRUE(rig.window.tabsGrey);
    EXPECT_EQ(rig.info.status, "Playing: first" + QString(wav ? ".wav" : ".mp3"));
    EXPECT_EQ(rig.info.info, wav ? "PCM, 44100Hz, 2Ch, 16Bit" : "MPEG 1.0 Layer III, 44100Hz, 2Ch, 128KBps");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EngineChoice,
    ::testing::Values(
        EngineCase{"Mp3OwnPlayer", 0, true, PlaybackController::Engine::Decoder, "decoder.InputOpen(%1)", false, false},
        EngineCase{"WavOwnPlayer", 1, true, PlaybackController::Engine::Wave, "wave.Play(first.wav)", false, true},
        EngineCase{"Mp3SystemPlayer", 0, false, PlaybackController::Engine::System, "system.Open(first.mp3)", true,
                   false},
        EngineCase{"WavSystemPlayer", 1, false, PlaybackController::Engine::System, "system.Open(first.wav)", true,
                   false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(PlaybackController, SystemPlayerIsGivenTheFileNotifyOpenAndPlay)
{
    Rig rig;
    QString a = rig.mp3("a.mp3");
    rig.add(0, a);
    rig.options.IsOurMp3Player = false;
    rig.player.btnPlayClick();
    EXPECT_EQ(rig.system.fileName, a);
    EXPECT_TRUE(rig.system.notify);
    EXPECT_EQ(rig.log.of("system."), (QStringList{"system.Open(a.mp3)", "system.Play"}));
}

TEST(PlaybackController, EngineFailuresWhileStartingAreIgnored)
{
    Rig rig;
    rig.add(0, rig.mp3("a.mp3"));
    rig.options.IsOurMp3Player = false;
    rig.system.failing = {"Open", "Play"};
    EXPECT_NO_THROW(rig.player.btnPlayClick());
    EXPECT_EQ(rig.state.ActivityState, asPlaying);
    EXPECT_TRUE(rig.dialogs.shown.empty());
    EXPECT_EQ(rig.info.status, "Playing: a.mp3");
}

TEST(PlaybackController, AWavFileThatDoesNotLoadIsNotPlayedAndTheNextTickDropsIt)
{
    Rig rig;
    QString bad = rig.junk("bad.wav");
    QString good = rig.wav("good.wav");
    rig.add(1, bad);
    rig.add(1, good);
    rig.state.DoWhat = dwWavToMp3;
    rig.player.btnPlayClick();
    EXPECT_TRUE(rig.log.of("wave.Play").isEmpty());
    EXPECT_EQ(rig.info.info, "Unknown Format");
    EXPECT_EQ(rig.info.status, "Playing: bad.wav");
    rig.player.wavTimerTimer();
    EXPECT_EQ(rig.queueNames(), QStringList{"good.wav"});
    EXPECT_EQ(rig.log.of("wave.Play"), QStringList{"wave.Play(good.wav)"});
    EXPECT_EQ(rig.selected(1), "good.wav");
}

TEST(PlaybackController, AnUndescribableMpegFileShowsUnknownFormatAndIsStillPlayed)
{
    Rig rig;
    QString junk = rig.junk("noise.mp3");
    rig.add(0, junk);
    rig.player.btnPlayClick();
    EXPECT_EQ(rig.info.info, "Unknown Format");
    EXPECT_EQ(rig.info.title, "noise.mp3");
    EXPECT_EQ(rig.log.of("decoder."), (QStringList{"decoder.InputOpen(" + junk + ")", "decoder.Play"}));
}

// ---- Pause, resume, play while playing ----

TEST(PlaybackController, PausePauseThenPlayResumesOnce)
{
    for (int engine = 0; engine < 3; ++engine) {
        SCOPED_TRACE(engine);
        Rig rig;
        const bool wav = engine == 1;
        rig.state.DoWhat = wav ? dwWavToMp3 : dwMp3ToWav;
        rig.options.IsOurMp3Player = engine != 2;
        rig.add(rig.state.DoWhat, wav ? rig.wav("t.wav") : rig.mp3("t.mp3"));
        rig.player.btnPlayClick();
        rig.log.clear();

        rig.player.btnPauseClick();
        EXPECT_EQ(rig.info.status, wav ? "Paused: t.wav" : "Paused: t.mp3");
        EXPECT_TRUE(rig.player.IsPaused());
        rig.player.btnPauseClick();
        EXPECT_TRUE(rig.player.IsPaused());
        rig.player.btnPlayClick();
        EXPECT_FALSE(rig.player.IsPaused());
        EXPECT_EQ(rig.info.status, wav ? "Playing: t.wav" : "Playing: t.mp3");
        QStringList expected;
        switch (engine) {
        case 0: expected = {"decoder.Pause", "decoder.Pause", "decoder.Play"}; break;
        case 1: expected = {"wave.Pause", "wave.Restart"}; break;
        default: expected = {"system.Pause", "system.Resume"}; break;
        }
        EXPECT_EQ(rig.log.calls, expected);
        EXPECT_EQ(rig.state.ActivityState, asPlaying);
    }
}

TEST(PlaybackController, ASystemPlayerThatRefusesToResumePlaysFromWhereItIs)
{
    Rig rig;
    rig.options.IsOurMp3Player = false;
    rig.add(0, rig.mp3("t.mp3"));
    rig.player.btnPlayClick();
    rig.player.btnPauseClick();
    rig.system.failing = {"Resume"};
    rig.log.clear();
    rig.player.btnPlayClick();
    EXPECT_EQ(rig.log.calls, QStringList{"system.Play"});
    EXPECT_FALSE(rig.player.IsPaused());
}

TEST(PlaybackController, PlayWhilePlayingChangesNothing)
{
    Rig rig;
    rig.add(0, rig.mp3("a.mp3"));
    rig.add(0, rig.mp3("b.mp3"));
    rig.player.btnPlayClick();
    rig.log.clear();
    QString status = rig.info.status;
    rig.player.btnPlayClick();
    EXPECT_TRUE(rig.log.calls.isEmpty());
    EXPECT_EQ(rig.info.status, status);
    EXPECT_EQ(rig.player.PlayIndex(), 0);
    EXPECT_TRUE(rig.dialogs.shown.empty());
}

// ---- Next and Previous ----

TEST(PlaybackController, NextOnTheLastPlaysTheFirstAndPreviousOnTheFirstPlaysTheLast)
{
    Rig rig;
    QString a = rig.mp3("a.mp3"), b = rig.mp3("b.mp3"), c = rig.mp3("c.mp3");
    for (const QString &p : {a, b, c})
        rig.add(0, p);
    rig.options.IsPlayCycle = false;
    rig.player.btnPlayClick();
    rig.player.btnPreviousClick();
    EXPECT_EQ(rig.player.PlayIndex(), 2);
    EXPECT_EQ(rig.selected(0), "c.mp3");
    EXPECT_EQ(rig.info.status, "Playing: c.mp3");
    rig.log.clear();
    rig.player.btnNextClick();
    EXPECT_EQ(rig.player.PlayIndex(), 0);
    EXPECT_EQ(rig.selected(0), "a.mp3");
    EXPECT_EQ(rig.log.of("decoder."), (QStringList{"decoder.Stop", "decoder.OutputClose", "decoder.InputClose",
                                                   "decoder.InputOpen(" + a + ")", "decoder.Play"}));
    EXPECT_EQ(rig.state.ActivityState, asPlaying);
}

TEST(PlaybackController, NextSwitchesTheSystemPlayerAndTheWavePlayer)
{
    {
        Rig rig;
        rig.options.IsOurMp3Player = false;
        rig.add(0, rig.mp3("a.mp3"));
        rig.add(0, rig.mp3("b.mp3"));
        rig.player.btnPlayClick();
        rig.log.clear();
        rig.player.btnNextClick();
        EXPECT_EQ(rig.log.calls,
                  (QStringList{"system.Stop", "system.Close", "system.Open(b.mp3)", "system.Play"}));
    }
    {
        Rig rig;
        rig.state.DoWhat = dwWavToMp3;
        rig.add(1, rig.wav("a.wav"));
        rig.add(1, rig.wav("b.wav"));
        rig.player.btnPlayClick();
        rig.log.clear();
        rig.player.btnNextClick();
        // The wave player is stopped before its wave is given the next file.
        EXPECT_EQ(rig.log.calls, (QStringList{"wave.Stop", "wave.Play(b.wav)"}));
        EXPECT_EQ(rig.info.status, "Playing: b.wav");
    }
}

TEST(PlaybackController, NextKeepsThePausedFlagAndShowsPlaying)
{
    Rig rig;
    rig.add(0, rig.mp3("a.mp3"));
    rig.add(0, rig.mp3("b.mp3"));
    rig.player.btnPlayClick();
    rig.player.btnPauseClick();
    rig.player.btnNextClick();
    EXPECT_TRUE(rig.player.IsPaused());
    EXPECT_EQ(rig.info.status, "Playing: b.mp3");
}

TEST(PlaybackController, EngineFailuresInNextAreIgnored)
{
    Rig rig;
    rig.add(0, rig.mp3("a.mp3"));
    rig.add(0, rig.mp3("b.mp3"));
    rig.player.btnPlayClick();
    rig.decoder.failing = {"*"};
    EXPECT_NO_THROW(rig.player.btnNextClick());
    EXPECT_EQ(rig.player.PlayIndex(), 1);
    EXPECT_EQ(rig.info.status, "Playing: b.mp3");
}

// ---- The end of a file ----

TEST(PlaybackController, TheEndOfTheLastFileWithoutTheCycleReturnsToIdle)
{
    Rig rig;
    QString a = rig.mp3("a.mp3"), b = rig.mp3("b.mp3");
    rig.add(0, a);
    rig.add(0, b);
    rig.player.btnPlayClick();
    rig.answerPings();
    rig.player.mp3PlayerNotifyStreamDuration(3725);
    EXPECT_EQ(rig.info.duration, "01:02:05");
    rig.decoderPlaysToEnd();
    EXPECT_EQ(rig.player.PlayIndex(), 1);
    EXPECT_EQ(rig.info.status, "Playing: b.mp3");
    rig.log.clear();
    rig.decoderPlaysToEnd();
    rig.expectIdleWindow(0);
    EXPECT_EQ(rig.log.calls, (QStringList{"decoder.Stop", "decoder.OutputClose", "decoder.InputClose"}));
    EXPECT_EQ(rig.state.FileQueue, (QStringList{a, b}));
}

TEST(PlaybackController, TheEndOfTheLastFileOfEachEngineReturnsToIdle)
{
    for (int engine = 1; engine < 3; ++engine) {
        SCOPED_TRACE(engine);
        Rig rig;
        rig.state.DoWhat = dwWavToMp3;
        rig.options.IsOurMp3Player = engine == 1;
        rig.add(1, rig.wav("a.wav"));
        rig.player.btnPlayClick();
        if (engine == 1)
            rig.waveEnds();
        else
            rig.systemEnds();
        rig.expectIdleWindow(1);
        EXPECT_EQ(rig.state.FileQueue.size(), 1);
    }
}

// Only the decoder's failures while playback stops reach the error report: the wave player's and
// the media player's are ignored, and the window goes idle all the same.
TEST(PlaybackController, WaveAndMediaPlayerFailuresWhileStoppingAreIgnored)
{
    struct Case {
        const char *name;
        bool ownPlayer; // the wave player, else the media player
        bool stopClick; // else the last file ends
    };
    for (const Case c : {Case{"wave player, Stop", true, true}, Case{"wave player, last file ends", true, false},
                         Case{"media player, Stop", false, true}, Case{"media player, last file ends", false, false}}) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.state.DoWhat = dwWavToMp3;
        rig.options.IsOurMp3Player = c.ownPlayer;
        rig.add(1, rig.wav("a.wav"));
        rig.player.btnPlayClick();
        ASSERT_EQ(rig.state.ActivityState, asPlaying);
        rig.wave.failing = {"Stop", "Unload", "Pause", "Restart"};
        rig.system.failing = {"Stop", "Close", "Pause", "Resume"};
        EXPECT_NO_THROW({
            if (c.stopClick)
                rig.player.btnStopClick();
            else if (c.ownPlayer)
                rig.waveEnds();
            else
                rig.systemEnds();
        });
        rig.expectIdleWindow(1);
        EXPECT_TRUE(rig.dialogs.shown.empty());
    }
}

TEST(PlaybackController, WithTheCycleTheFirstFileFollowsTheLast)
{
    Rig rig;
    QString a = rig.mp3("a.mp3"), b = rig.mp3("b.mp3");
    rig.add(0, a);
    rig.add(0, b);
    rig.options.IsPlayCycle = true;
    rig.player.btnPlayClick();
    rig.decoderPlaysToEnd();
    rig.log.clear();
    rig.decoderPlaysToEnd();
    EXPECT_EQ(rig.player.PlayIndex(), 0);
    EXPECT_EQ(rig.selected(0), "a.mp3");
    EXPECT_EQ(rig.log.calls, (QStringList{"decoder.InputOpen(" + a + ")", "decoder.Play"}));
    EXPECT_EQ(rig.state.ActivityState, asPlaying);
}

TEST(PlaybackController, TheCycleIsReadAtEachEndOfTheQueue)
{
    Rig rig;
    rig.add(0, rig.mp3("a.mp3"));
    rig.options.IsPlayCycle = true;
    rig.player.btnPlayClick();
    rig.decoderPlaysToEnd();
    EXPECT_EQ(rig.state.ActivityState, asPlaying);
    rig.options.IsPlayCycle = false;
    rig.decoderPlaysToEnd();
    EXPECT_EQ(rig.state.ActivityState, asIdle);
}

struct ShrinkCase {
    const char *name;
    int doWhat;
    bool ourPlayer;
};

class AllFilesFailTheirKeepTest : public ::testing::TestWithParam<ShrinkCase> {};

TEST_P(AllFilesFailTheirKeepTest, TheQueueShrinksToNothingAndPlaybackEndsEvenInACycle)
{
    const ShrinkCase &c = GetParam();
    Rig rig;
    rig.state.DoWhat = static_cast<DoWhatValues>(c.doWhat);
    rig.options.IsOurMp3Player = c.ourPlayer;
    rig.options.IsPlayCycle = true;
    for (const char *name : {"x", "y", "z"}) {
        QString path = rig.junk(QString(name) + (c.doWhat ? ".wav" : ".mp3"));
        rig.add(c.doWhat, path);
        rig.system.unopenable << FileNameOf(path);
    }
    rig.player.btnPlayClick();
    for (int step = 0; step < 3; ++step) {
        EXPECT_EQ(rig.state.FileQueue.size(), 3 - step);
        switch (rig.player.CurrentEngine()) {
        case PlaybackController::Engine::Decoder: rig.decoderPlaysToEnd(); break;
        case PlaybackController::Engine::Wave: rig.player.wavTimerTimer(); break;
        case PlaybackController::Engine::System: rig.player.sysTimerTimer(); break;
        }
    }
    EXPECT_TRUE(rig.state.FileQueue.isEmpty());
    rig.expectIdleWindow(c.doWhat);
    EXPECT_TRUE(rig.dialogs.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, AllFilesFailTheirKeepTest,
                         ::testing::Values(ShrinkCase{"Decoder", 0, true}, ShrinkCase{"Wave", 1, true},
                                           ShrinkCase{"System", 0, false}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(PlaybackController, AnMpegFileWhoseFirstFrameLiesBeyondTheProbePlaysOnceAndIsDropped)
{
    Rig rig;
    QString late = rig.lateMp3("late.mp3");
    QString good = rig.mp3("good.mp3");
    rig.add(0, late);
    rig.add(0, good);
    rig.options.IsPlayCycle = true;
    rig.player.btnPlayClick();
    EXPECT_EQ(rig.info.info, "Unknown Format");
    EXPECT_EQ(rig.log.of("decoder.InputOpen"), QStringList{"decoder.InputOpen(" + late + ")"});
    rig.decoderPlaysToEnd();
    EXPECT_EQ(rig.queueNames(), QStringList{"good.mp3"});
    EXPECT_EQ(rig.player.PlayIndex(), 0);
    rig.decoderPlaysToEnd();
    rig.decoderPlaysToEnd();
    EXPECT_EQ(rig.log.of("decoder.InputOpen"),
              (QStringList{"decoder.InputOpen(" + late + ")", "decoder.InputOpen(" + good + ")",
                           "decoder.InputOpen(" + good + ")", "decoder.InputOpen(" + good + ")"}));
}

TEST(PlaybackController, AFileThatFailsItsKeepTestInTheMiddleIsRemovedAndTheNextPlays)
{
    Rig rig;
    QString a = rig.mp3("a.mp3"), b = rig.mp3("b.mp3"), c = rig.mp3("c.mp3");
    for (const QString &p : {a, b, c})
        rig.add(0, p);
    rig.player.btnPlayClick();
    rig.decoderPlaysToEnd();
    // b vanishes while it plays.
    QFile::remove(b);
    rig.decoderPlaysToEnd();
    EXPECT_EQ(rig.queueNames(), (QStringList{"a.mp3", "c.mp3"}));
    EXPECT_EQ(rig.player.PlayIndex(), 1);
    EXPECT_EQ(rig.selected(0), "c.mp3");
    EXPECT_TRUE(rig.dialogs.shown.empty());
}

TEST(PlaybackController, SystemPlayerKeepTestReopensTheFileAndDescribesWithTheProbeWave)
{
    Rig rig;
    rig.state.DoWhat = dwWavToMp3;
    rig.options.IsOurMp3Player = false;
    QString a = rig.wav("a.wav"), b = rig.wav("b.wav");
    rig.add(1, a);
    rig.add(1, b);
    rig.player.btnPlayClick();
    rig.log.clear();
    rig.systemEnds();
    EXPECT_EQ(rig.log.calls, (QStringList{"system.Stop", "system.Close", "system.Open(a.wav)", "system.Close",
                                          "system.Open(b.wav)", "system.Play"}));
    EXPECT_EQ(rig.wavInfo.FileName(), b);
    EXPECT_EQ(rig.info.status, "Playing: b.wav");
}

TEST(PlaybackController, ACycleOfFilesNoneOfWhichIsHeardEndsAfterOneRound)
{
    // Files that pass their keep test but end at once (the engine cannot play them) must not
    // keep the cycle going round.
    Rig rig;
    rig.add(0, rig.mp3("a.mp3"));
    rig.add(0, rig.mp3("b.mp3"));
    rig.options.IsPlayCycle = true;
    rig.player.btnPlayClick();
    for (int i = 0; i < 2; ++i) {
        rig.answerPings();
        rig.player.mp3PlayerNotifyPlayerState(3);
    }
    EXPECT_EQ(rig.state.ActivityState, asIdle);
    EXPECT_EQ(rig.log.of("decoder.InputOpen").size(), 2);
}

TEST(PlaybackController, OneHeardFileKeepsTheCycleGoing)
{
    Rig rig;
    rig.add(0, rig.mp3("a.mp3"));
    rig.add(0, rig.mp3("silent.mp3"));
    rig.options.IsPlayCycle = true;
    rig.player.btnPlayClick();
    for (int round = 0; round < 3; ++round) {
        rig.decoderPlaysToEnd();
        rig.answerPings();
        rig.player.mp3PlayerNotifyPlayerState(3);
    }
    EXPECT_EQ(rig.state.ActivityState, asPlaying);
    EXPECT_EQ(rig.log.of("decoder.InputOpen").size(), 7);
}

// ---- Decoder news ----

TEST(PlaybackController, ADecoderThatCannotOpenTheFileMovesOnToTheNext)
{
    Rig rig;
    QString a = rig.mp3("a.mp3"), b = rig.mp3("b.mp3");
    rig.add(0, a);
    rig.add(0, b);
    rig.player.btnPlayClick();
    rig.answerPings();
    // The open fails and the play that follows is refused: two errors, no end of input.
    rig.player.mp3PlayerNotifyError();
    rig.player.mp3PlayerNotifyError();
    EXPECT_EQ(rig.player.PlayIndex(), 0);
    rig.answerPings();
    EXPECT_EQ(rig.player.PlayIndex(), 1);
    EXPECT_EQ(rig.log.of("decoder.InputOpen"), (QStringList{"decoder.InputOpen(" + a + ")", "decoder.InputOpen(" + b + ")"}));
}

TEST(PlaybackController, AnErrorFollowedByTheEndOfInputMovesOnOnce)
{
    Rig rig;
    for (const char *n : {"a.mp3", "b.mp3", "c.mp3"})
        rig.add(0, rig.mp3(n));
    rig.player.btnPlayClick();
    rig.answerPings();
    rig.player.mp3PlayerNotifyInputPosition(30, 100);
    rig.player.mp3PlayerNotifyError(); // damaged in the middle
    rig.player.mp3PlayerNotifyPlayerState(3);
    rig.answerPings();
    EXPECT_EQ(rig.player.PlayIndex(), 1);
    EXPECT_EQ(rig.selected(0), "b.mp3");
}

TEST(PlaybackController, TheEndOfAFileReportedBeforeNextWasTakenInIsIgnored)
{
    Rig rig;
    for (const char *n : {"a.mp3", "b.mp3", "c.mp3"})
        rig.add(0, rig.mp3(n));
    rig.player.btnPlayClick();
    rig.answerPings();
    rig.player.btnNextClick();
    // a's end was already on its way when Next switched to b.
    rig.player.mp3PlayerNotifyPlayerState(3);
    rig.player.mp3PlayerNotifyInputPosition(90, 100);
    EXPECT_EQ(rig.player.PlayIndex(), 1);
    EXPECT_EQ(rig.window.prgPlay.value, 0);
    rig.answerPings();
    rig.player.mp3PlayerNotifyInputPosition(10, 100);
    EXPECT_EQ(rig.window.prgPlay.value, 10);
}

TEST(PlaybackController, DecoderClocksAndSlider)
{
    Rig rig;
    rig.add(0, rig.mp3("a.mp3"));
    // Before playing, the timecode shows whatever the state; duration and position do not.
    rig.player.mp3PlayerNotifyInputTimecode(0, 0, 7, 0);
    EXPECT_EQ(rig.info.current, "00:00:07");
    rig.player.mp3PlayerNotifyStreamDuration(60);
    rig.player.mp3PlayerNotifyInputPosition(50, 100);
    EXPECT_EQ(rig.info.duration, "00:00:00");
    EXPECT_EQ(rig.window.prgPlay.value, 0);

    rig.player.btnPlayClick();
    rig.answerPings();
    rig.player.mp3PlayerNotifyStreamDuration(3725);
    EXPECT_EQ(rig.info.duration, "01:02:05");
    rig.player.mp3PlayerNotifyInputTimecode(1, 2, 3, 99);
    EXPECT_EQ(rig.info.current, "01:02:03");
    struct { uint32_t offset, range; int slider; } cases[] = {
        {1, 200, 0}, {3, 200, 2}, {5, 200, 2}, {199, 200, 100}, {400, 400, 100}, {7, 0, 0}, {1, 3, 33}};
    for (auto c : cases) {
        rig.player.mp3PlayerNotifyInputPosition(c.offset, c.range);
        EXPECT_EQ(rig.window.prgPlay.value, c.slider) << c.offset << "/" << c.range;
    }
}

TEST(PlaybackController, SystemAndWaveTicksShowMillisecondClocksAndTheSlider)
{
    {
        Rig rig;
        rig.options.IsOurMp3Player = false;
        rig.add(0, rig.mp3("a.mp3"));
        rig.player.btnPlayClick();
        rig.system.length = 200000;
        rig.system.position = 59999;
        rig.player.sysTimerTimer();
        EXPECT_EQ(rig.info.duration, "00:03:20");
        EXPECT_EQ(rig.info.current, "00:00:59");
        EXPECT_EQ(rig.window.prgPlay.value, 30);
        // A paused player's ticks change nothing.
        rig.player.btnPauseClick();
        rig.system.position = 100000;
        rig.player.sysTimerTimer();
        EXPECT_EQ(rig.info.current, "00:00:59");
        EXPECT_EQ(rig.state.ActivityState, asPlaying);
    }
    {
        Rig rig;
        rig.state.DoWhat = dwWavToMp3;
        rig.add(1, rig.wav("a.wav", 441000)); // ten seconds
        rig.player.btnPlayClick();
        rig.wave.position = 2500;
        rig.player.wavTimerTimer();
        EXPECT_EQ(rig.info.duration, "00:00:10");
        EXPECT_EQ(rig.info.current, "00:00:02");
        EXPECT_EQ(rig.window.prgPlay.value, 25);
        rig.player.btnPauseClick();
        rig.wave.position = 9000;
        rig.player.wavTimerTimer();
        EXPECT_EQ(rig.window.prgPlay.value, 25);
        EXPECT_EQ(rig.state.ActivityState, asPlaying);
    }
}

TEST(PlaybackController, TicksOfTheOtherEngineOrWhileIdleDoNothing)
{
    Rig rig;
    rig.add(0, rig.mp3("a.mp3"));
    rig.player.sysTimerTimer();
    rig.player.wavTimerTimer();
    rig.player.btnPlayClick();
    rig.log.clear();
    rig.player.sysTimerTimer();
    rig.player.wavTimerTimer();
    EXPECT_TRUE(rig.log.calls.isEmpty());
    EXPECT_EQ(rig.state.ActivityState, asPlaying);
}

// ---- The slider ----

struct SeekCase {
    const char *name;
    int doWhat;
    bool ourPlayer;
    const char *calls;
};

class SliderHeldThenReleased : public ::testing::TestWithParam<SeekCase> {};

TEST_P(SliderHeldThenReleased, UpdatesDoNotMoveItAndTheReleaseSeeksToItsValue)
{
    const SeekCase &c = GetParam();
    Rig rig;
    rig.state.DoWhat = static_cast<DoWhatValues>(c.doWhat);
    rig.options.IsOurMp3Player = c.ourPlayer;
    rig.add(c.doWhat, c.doWhat ? rig.wav("a.wav", 441000) : rig.mp3("a.mp3"));
    rig.player.btnPlayClick();
    rig.answerPings();
    rig.system.length = 10000;

    rig.player.prgPlayMouseDown();
    EXPECT_TRUE(rig.player.IsSliderDragging());
    rig.window.prgPlay.value = 70; // the user drags the thumb
    rig.player.mp3PlayerNotifyInputPosition(10, 100);
    rig.system.position = 1000;
    rig.wave.position = 1000;
    rig.player.sysTimerTimer();
    rig.player.wavTimerTimer();
    EXPECT_EQ(rig.window.prgPlay.value, 70);
    rig.log.clear();
    rig.player.prgPlayMouseUp();
    EXPECT_FALSE(rig.player.IsSliderDragging());
    EXPECT_EQ(rig.log.calls.join(" "), c.calls);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SliderHeldThenReleased,
    ::testing::Values(SeekCase{"Decoder", 0, true, "decoder.InputSeek(70,100)"},
                      SeekCase{"Wave", 1, true, "wave.SetPosition(7000)"},
                      SeekCase{"System", 0, false, "system.Stop system.SetStartPosition(7000) system.Play"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(PlaybackController, TheSliderPressCountsInEveryStateButTheReleaseSeeksOnlyWhilePlaying)
{
    Rig rig;
    rig.player.prgPlayMouseDown();
    EXPECT_TRUE(rig.player.IsSliderDragging());
    rig.player.prgPlayMouseUp();
    EXPECT_TRUE(rig.player.IsSliderDragging());
    EXPECT_TRUE(rig.log.calls.isEmpty());
}

TEST(PlaybackController, AFailedSeekReachesTheErrorReportAndFreesTheSlider)
{
    for (int engine = 0; engine < 3; ++engine) {
        SCOPED_TRACE(engine);
        Rig rig;
        rig.state.DoWhat = engine == 1 ? dwWavToMp3 : dwMp3ToWav;
        rig.options.IsOurMp3Player = engine != 2;
        rig.add(rig.state.DoWhat, engine == 1 ? rig.wav("a.wav") : rig.mp3("a.mp3"));
        rig.player.btnPlayClick();
        rig.decoder.failing = {"InputSeek"};
        rig.wave.failing = {"SetPosition"};
        rig.system.failing = {"SetStartPosition"};
        rig.player.prgPlayMouseDown();
        rig.window.prgPlay.value = 40;
        EXPECT_THROW(rig.player.prgPlayMouseUp(), Exception);
        EXPECT_FALSE(rig.player.IsSliderDragging());
        EXPECT_EQ(rig.state.ActivityState, asPlaying);
    }
}

// ---- Stop ----

TEST(PlaybackController, StopReturnsToIdleAndStopsTheEngineForGood)
{
    struct { int doWhat; bool own; const char *calls; } cases[] = {
        {0, true, "decoder.Stop decoder.OutputClose decoder.InputClose"},
        {1, true, "wave.Stop wave.Unload"},
        {1, false, "system.Stop system.Close"},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.calls);
        Rig rig;
        rig.state.DoWhat = static_cast<DoWhatValues>(c.doWhat);
        rig.options.IsOurMp3Player = c.own;
        rig.add(c.doWhat, c.doWhat ? rig.wav("a.wav") : rig.mp3("a.mp3"));
        rig.player.btnPlayClick();
        rig.player.btnPauseClick();
        rig.log.clear();
        rig.player.btnStopClick();
        EXPECT_EQ(rig.log.calls.join(" "), c.calls);
        EXPECT_FALSE(rig.player.IsPaused());
        EXPECT_TRUE(rig.system.fileName.isEmpty());
        rig.expectIdleWindow(c.doWhat);
        // Stop again does nothing.
        rig.log.clear();
        rig.player.btnStopClick();
        EXPECT_TRUE(rig.log.calls.isEmpty());
    }
}

TEST(PlaybackController, NoFileStartsAfterStop)
{
    Rig rig;
    rig.add(0, rig.mp3("a.mp3"));
    rig.add(0, rig.mp3("b.mp3"));
    rig.player.btnPlayClick();
    rig.answerPings();
    rig.player.btnStopClick();
    rig.log.clear();
    // The news of a that was on its way when Stop was clicked.
    rig.player.mp3PlayerNotifyInputTimecode(0, 0, 9, 0);
    rig.player.mp3PlayerNotifyPlayerState(3);
    rig.answerPings();
    rig.player.mp3PlayerNotifyPlayerState(3);
    EXPECT_TRUE(rig.log.calls.isEmpty());
    rig.expectIdleWindow(0);
}

TEST(PlaybackController, AStopClickedWhileTheSystemPlayerOpensTheFileWins)
{
    Rig rig;
    rig.options.IsOurMp3Player = false;
    rig.add(0, rig.mp3("a.mp3"));
    rig.add(0, rig.mp3("b.mp3"));
    rig.system.duringOpen = [&] {
        rig.system.duringOpen = nullptr;
        rig.player.btnStopClick();
    };
    rig.player.btnPlayClick();
    EXPECT_TRUE(rig.log.of("system.Play").isEmpty());
    rig.expectIdleWindow(0);
}

TEST(PlaybackController, AStopClickedWhileTheKeepTestOpensTheFileStartsNothing)
{
    Rig rig;
    rig.options.IsOurMp3Player = false;
    rig.add(0, rig.mp3("a.mp3"));
    rig.add(0, rig.mp3("b.mp3"));
    rig.player.btnPlayClick();
    rig.system.mode = SystemPlayer::Mode::Other;
    rig.system.duringOpen = [&] {
        rig.system.duringOpen = nullptr;
        rig.player.btnStopClick();
    };
    rig.log.clear();
    rig.player.sysTimerTimer();
    EXPECT_TRUE(rig.log.of("system.Open(b").isEmpty());
    EXPECT_TRUE(rig.log.of("system.Play").isEmpty());
    rig.expectIdleWindow(0);
}

TEST(PlaybackController, TicksWhileAStepLetsEventsThroughWaitForTheNextOne)
{
    Rig rig;
    rig.options.IsOurMp3Player = false;
    rig.add(0, rig.mp3("a.mp3"));
    rig.add(0, rig.mp3("b.mp3"));
    rig.add(0, rig.mp3("c.mp3"));
    rig.player.btnPlayClick();
    rig.system.mode = SystemPlayer::Mode::Other;
    // While the keep test opens a, the timer ticks again.
    rig.system.duringOpen = [&] {
        rig.system.duringOpen = nullptr;
        rig.player.sysTimerTimer();
    };
    rig.player.sysTimerTimer();
    EXPECT_EQ(rig.player.PlayIndex(), 1);
    EXPECT_EQ(rig.selected(0), "b.mp3");
}

TEST(PlaybackController, StopWithTheDecoderLibraryMissing)
{
    Rig rig;
    rig.add(0, rig.mp3("a.mp3"));
    rig.decoder.failing = {"*"};
    EXPECT_NO_THROW(rig.player.btnPlayClick());
    EXPECT_EQ(rig.state.ActivityState, asPlaying);
    EXPECT_EQ(rig.info.status, "Playing: a.mp3");
    try {
        rig.player.btnStopClick();
        FAIL() << "Stop did not report the decoder's failure";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), "refused: Stop");
        // The report comes after the window is idle again.
        rig.expectIdleWindow(0);
    }
}

// ---- Decoder failures that reach the error report ----

// The message of what the step raised, as the error report would show it; empty when nothing.
template <typename Step> QString raisedBy(Step step)
{
    try {
        step();
    } catch (const Exception &e) {
        return e.message();
    }
    return {};
}

// How the decoder tells that the file has ended.
enum class FileEnd { EndOfInput, ErrorWithoutEnd };

struct NextFileFailureCase {
    const char *name;
    const char *failing;   // the decoder call that raises
    FileEnd end;
    bool lastFileEnds;     // the second of two files ends, and the cycle goes round to the first
    bool endedFileDropped; // the file that ends fails its keep test
    const char *calls;     // the decoder calls of the step that went through; %1 the next file
    int playIndex;
    const char *next;      // the file the step moved to
    const char *queue;
};

class DecoderFailureStartingTheNextFile : public ::testing::TestWithParam<NextFileFailureCase> {};

TEST_P(DecoderFailureStartingTheNextFile, ReachesTheErrorReportAndEndsTheStepThereWhilePlaying)
{
    const NextFileFailureCase &c = GetParam();
    Rig rig;
    const QString a = c.endedFileDropped && !c.lastFileEnds ? rig.junk("a.mp3") : rig.mp3("a.mp3");
    const QString b = c.endedFileDropped && c.lastFileEnds ? rig.junk("b.mp3") : rig.mp3("b.mp3");
    rig.add(0, a);
    rig.add(0, b);
    rig.options.IsPlayCycle = true;
    rig.player.btnPlayClick();
    if (c.lastFileEnds)
        rig.decoderPlaysToEnd();
    rig.answerPings();
    const QString statusBefore = rig.info.status;
    rig.decoder.failing = {c.failing};
    rig.log.clear();

    const QString raised = raisedBy([&] {
        if (c.end == FileEnd::EndOfInput) {
            rig.player.mp3PlayerNotifyPlayerState(PlaybackController::StateEndOfInput);
        } else {
            // An error, then the Pong that shows no end of input followed it.
            rig.player.mp3PlayerNotifyError();
            rig.answerPings();
        }
    });

    EXPECT_EQ(raised, QStringLiteral("refused: ") + c.failing);
    const QString next = rig.dir.file(c.next);
    const QString calls = QString(c.calls).replace("%1", next);
    EXPECT_EQ(rig.log.calls.join(" "), calls);
    EXPECT_EQ(rig.player.PlayIndex(), c.playIndex);
    EXPECT_EQ(rig.queueNames().join(" "), c.queue);
    // The step ended at the failing call: the next file is selected and described, the status
    // line was not rewritten, and playback goes on with the playing look.
    EXPECT_EQ(rig.selected(0), c.next);
    EXPECT_EQ(rig.info.title, c.next);
    EXPECT_EQ(rig.info.status, statusBefore);
    EXPECT_EQ(rig.state.ActivityState, asPlaying);
    EXPECT_TRUE(rig.window.prgPlay.enabled);
    EXPECT_TRUE(rig.window.tabsGrey);
    EXPECT_TRUE(rig.list(0).allCheckBoxes(false));
    EXPECT_FALSE(rig.list(0).autoPopup);
    EXPECT_TRUE(rig.dialogs.shown.empty()) << "the controller shows nothing itself";

    // Stop still returns to idle.
    rig.decoder.failing.clear();
    EXPECT_NO_THROW(rig.player.btnStopClick());
    rig.expectIdleWindow(0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecoderFailureStartingTheNextFile,
    ::testing::Values(
        NextFileFailureCase{"InputOpenAfterTheEndOfInput", "InputOpen", FileEnd::EndOfInput, false, false, "", 1,
                            "b.mp3", "a.mp3 b.mp3"},
        NextFileFailureCase{"PlayAfterTheEndOfInput", "Play", FileEnd::EndOfInput, false, false,
                            "decoder.InputOpen(%1)", 1, "b.mp3", "a.mp3 b.mp3"},
        NextFileFailureCase{"InputOpenAfterAnErrorWithoutEnd", "InputOpen", FileEnd::ErrorWithoutEnd, false, false,
                            "", 1, "b.mp3", "a.mp3 b.mp3"},
        NextFileFailureCase{"PlayAfterAnErrorWithoutEnd", "Play", FileEnd::ErrorWithoutEnd, false, false,
                            "decoder.InputOpen(%1)", 1, "b.mp3", "a.mp3 b.mp3"},
        NextFileFailureCase{"InputOpenWhenTheCycleGoesRound", "InputOpen", FileEnd::EndOfInput, true, false, "", 0,
                            "a.mp3", "a.mp3 b.mp3"},
        NextFileFailureCase{"PlayWhenTheCycleGoesRound", "Play", FileEnd::EndOfInput, true, false,
                            "decoder.InputOpen(%1)", 0, "a.mp3", "a.mp3 b.mp3"},
        NextFileFailureCase{"InputOpenAfterADroppedFile", "InputOpen", FileEnd::EndOfInput, false, true, "", 0,
                            "b.mp3", "b.mp3"},
        NextFileFailureCase{"PlayAfterADroppedLastFile", "Play", FileEnd::EndOfInput, true, true,
                            "decoder.InputOpen(%1)", 0, "a.mp3", "a.mp3"}),
    [](const auto &info) { return std::string(info.param.name); });

// How playback comes to its end.
enum class Ending { StopClick, LastFileEnds, LastFileDropped };

struct ShutDownFailureCase {
    const char *name;
    QSet<QString> failing; // the decoder calls that raise
    const char *raised;    // the first failure, the one reported
    const char *calls;     // the calls that went through
};

class DecoderFailureShuttingDown : public ::testing::TestWithParam<std::tuple<Ending, ShutDownFailureCase>> {};

TEST_P(DecoderFailureShuttingDown, ReachesTheErrorReportOnceTheWindowIsIdle)
{
    const Ending ending = std::get<0>(GetParam());
    const ShutDownFailureCase &c = std::get<1>(GetParam());
    Rig rig;
    const QString a = ending == Ending::LastFileDropped ? rig.junk("a.mp3") : rig.mp3("a.mp3");
    rig.add(0, a);
    rig.options.IsPlayCycle = false;
    rig.player.btnPlayClick();
    rig.answerPings();
    rig.player.mp3PlayerNotifyStreamDuration(90);
    rig.player.mp3PlayerNotifyInputTimecode(0, 0, 30, 0);
    rig.player.mp3PlayerNotifyInputPosition(30, 100);
    if (ending == Ending::StopClick)
        rig.player.btnPauseClick(); // Stop also ends a pause
    rig.decoder.failing = c.failing;
    rig.log.clear();

    const QString raised = raisedBy([&] {
        if (ending == Ending::StopClick)
            rig.player.btnStopClick();
        else
            rig.player.mp3PlayerNotifyPlayerState(PlaybackController::StateEndOfInput);
    });

    EXPECT_EQ(raised, c.raised);
    // The calls after a failing one still ran; the window was made idle before the report.
    EXPECT_EQ(rig.log.calls.join(" "), c.calls);
    rig.expectIdleWindow(0);
    EXPECT_FALSE(rig.player.IsPaused());
    EXPECT_EQ(rig.queueNames(), ending == Ending::LastFileDropped ? QStringList{} : QStringList{"a.mp3"});
    EXPECT_TRUE(rig.dialogs.shown.empty()) << "the controller shows nothing itself";

    // What the decoder still reports about the file starts nothing.
    rig.decoder.failing.clear();
    rig.log.clear();
    rig.player.mp3PlayerNotifyPlayerState(PlaybackController::StateEndOfInput);
    rig.answerPings();
    rig.player.mp3PlayerNotifyPlayerState(PlaybackController::StateEndOfInput);
    EXPECT_TRUE(rig.log.calls.isEmpty());
    rig.expectIdleWindow(0);
}

const char *const EndingNames[] = {"StopClick", "LastFileEnds", "LastFileDropped"};

const ShutDownFailureCase ShutDownFailures[] = {
    {"Stop", {"Stop"}, "refused: Stop", "decoder.OutputClose decoder.InputClose"},
    {"OutputClose", {"OutputClose"}, "refused: OutputClose", "decoder.Stop decoder.InputClose"},
    {"InputClose", {"InputClose"}, "refused: InputClose", "decoder.Stop decoder.OutputClose"},
    {"OutputCloseAndInputClose", {"OutputClose", "InputClose"}, "refused: OutputClose", "decoder.Stop"},
};

INSTANTIATE_TEST_SUITE_P(
    Cases, DecoderFailureShuttingDown,
    ::testing::Combine(::testing::Values(Ending::StopClick, Ending::LastFileEnds, Ending::LastFileDropped),
                       ::testing::ValuesIn(ShutDownFailures)),
    [](const auto &info) {
        return std::string(EndingNames[static_cast<int>(std::get<0>(info.param))]) + "_" + std::get<1>(info.param).name;
    });

TEST(PlaybackController, ChangingOurPlayerOptionDuringPlaybackActsAtTheNextPlay)
{
    Rig rig;
    rig.add(0, rig.mp3("a.mp3"));
    rig.add(0, rig.mp3("b.mp3"));
    rig.options.IsOurMp3Player = true;
    rig.player.btnPlayClick();
    rig.options.IsOurMp3Player = false;
    rig.player.btnNextClick();
    rig.decoderPlaysToEnd();
    EXPECT_EQ(rig.player.CurrentEngine(), PlaybackController::Engine::Decoder);
    EXPECT_TRUE(rig.player.UseOwnPlayer());
    EXPECT_TRUE(rig.log.of("system.").isEmpty());
    EXPECT_FALSE(rig.sysTimer.active);
    rig.player.btnStopClick();
    rig.player.btnPlayClick();
    EXPECT_EQ(rig.player.CurrentEngine(), PlaybackController::Engine::System);
    EXPECT_TRUE(rig.sysTimer.active);
}

} // namespace
