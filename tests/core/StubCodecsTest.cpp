// The application core built on stand-in codec libraries, without any window: what a batch and
// the player send to the decoders, how the decoder's notifications move the batch on, and how
// the core announces every change of the activity.
#include "CoreDoubles.h"
#include "player/PlaybackController.h"
#include "player/PlayerDoubles.h"
#include "support/EventWait.h"
#include "support/WavWriter.h"

#include <tonebridge/gogo.h>

#include <functional>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

using namespace tb;
using namespace tb::test;

namespace {

class CoreOnStubs : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(rig.decoder.loaded());
        ASSERT_TRUE(rig.playback.loaded());
        ASSERT_TRUE(encoder.loaded());
        encoder.setup(0, 0, 0, 3, MPGE_FINISHED);
        rig.create(std::make_unique<TGogoTea>(nullptr, besideTests(EncoderRecorder::Name)));
        // An idle-priority worker could starve on a machine busy with the rest of the suite.
        rig.core->Encoder().SetPriority(tpNormal);
    }
    QString mp3(const QString &name) { return rig.folder.write(name, "MPEG audio the stand-in never reads"); }

    EncoderRecorder encoder;
    // The player's view, for the tests that attach one; it outlives the core.
    RecordingWindow playerWindow;
    RecordingSlider volumeSlider;
    CoreRig rig;
};

TEST_F(CoreOnStubs, AnMp3BatchDrivesTheConversionDecoderFileByFileOnItsNotifications)
{
    rig.startUp("IsDoneOpenDir=0\r\n");
    const QString a = mp3("a.mp3"), b = mp3("b.mp3");
    rig.lists.lists[0].rows = {{a, true}, {b, true}};
    rig.dialogs.confirmAnswers = {true};
    const QString wavDir = rig.core->options().WavDir;

    rig.core->btnConvertClick();
    // The first file of a batch chooses the output module, then opens output, input and plays.
    EXPECT_EQ(rig.decoder.log(), logI(XA_MSG_SET_OUTPUT_MODULE, 0) +
                                     logS(XA_MSG_COMMAND_OUTPUT_OPEN, "wav:" + wavDir + "a.wav") +
                                     logS(XA_MSG_COMMAND_INPUT_OPEN, a) + logN(XA_MSG_COMMAND_PLAY));
    EXPECT_EQ(rig.playback.log(), "") << "the playback decoder takes no part in a batch";
    EXPECT_EQ(rig.core->state().ActivityState, asConverting);
    EXPECT_EQ(rig.activity, QList<int32_t>{asConverting});
    EXPECT_EQ(rig.looks, QList<bool>{true});
    EXPECT_EQ(rig.statusText(), "Converting to WAV: a.mp3");

    // The decoder's clock reaches the information area through the binding's window.
    XA_Message timecode{};
    timecode.timecode.code = XA_MSG_NOTIFY_INPUT_TIMECODE;
    timecode.timecode.m = 1;
    timecode.timecode.s = 2;
    rig.decoder.post(timecode);
    ASSERT_TRUE(waitUntil([&] { return rig.core->info().currentTime() == "00:01:02"; }));

    // The end of the first input starts the second file, without choosing the module again.
    rig.decoder.clearLog();
    rig.decoder.postPlayerState(XA_PLAYER_STATE_EOF);
    ASSERT_TRUE(waitUntil([&] { return !rig.decoder.log().empty(); }));
    EXPECT_EQ(rig.decoder.log(), logS(XA_MSG_COMMAND_OUTPUT_OPEN, "wav:" + wavDir + "b.wav") +
                                     logS(XA_MSG_COMMAND_INPUT_OPEN, b) + logN(XA_MSG_COMMAND_PLAY));
    EXPECT_EQ(rig.statusText(), "Converting to WAV: b.mp3");
    EXPECT_EQ(rig.lists.lists[0].currentRow, 1);
    EXPECT_EQ(rig.core->state().ActivityState, asConverting);

    // The end of the last input stops and closes the decoder and returns to idle.
    rig.decoder.clearLog();
    rig.decoder.postPlayerState(XA_PLAYER_STATE_EOF);
    ASSERT_TRUE(waitUntil([&] { return rig.core->state().ActivityState == asIdle; }));
    EXPECT_EQ(rig.decoder.log(),
              logN(XA_MSG_COMMAND_STOP) + logN(XA_MSG_COMMAND_OUTPUT_CLOSE) + logN(XA_MSG_COMMAND_INPUT_CLOSE));
    EXPECT_EQ(rig.activity, (QList<int32_t>{asConverting, asIdle}));
    EXPECT_EQ(rig.looks, (QList<bool>{true, false}));
    EXPECT_FALSE(rig.announcedBeforeWritten);
    EXPECT_EQ(rig.statusText(), "Ready... Show current status here.");
    EXPECT_EQ(rig.dialogs.messages(), QStringList{"All checked MP3 files have been converted to WAV files!"});
    EXPECT_TRUE(rig.lists.lists[0].allEnabled());
    EXPECT_EQ(rig.playback.log(), "");
}

TEST_F(CoreOnStubs, AWavBatchHandsTheOptionsToTheEncoderAndEndsWhenItsWorkerFinishes)
{
    // Mp3Bitrate 10 is 192 kbit/s, Mp3Stereo 0 is mono.
    rig.startUp("IsDoneOpenDir=0\r\nMp3Bitrate=10\r\nMp3Stereo=0\r\n");
    ASSERT_FALSE(rig.startWavBatch().isEmpty());
    EXPECT_EQ(rig.core->state().ActivityState, asConverting);
    EXPECT_EQ(rig.statusText(), "Converting to MP3: tone.wav");
    EXPECT_EQ(encoder.item(MC_BITRATE), 192);
    EXPECT_EQ(encoder.item(MC_ENCODEMODE), MC_MODE_MONO);
    EXPECT_EQ(encoder.item(MC_INPUTFILE), MC_INPDEV_FILE);

    ASSERT_TRUE(waitUntil([&] { return rig.core->state().ActivityState == asIdle; }));
    EXPECT_EQ(rig.activity, (QList<int32_t>{asConverting, asIdle}));
    EXPECT_EQ(rig.looks, (QList<bool>{true, false}));
    EXPECT_FALSE(rig.announcedBeforeWritten);
    EXPECT_TRUE(rig.dialogs.messages().isEmpty());
    EXPECT_EQ(rig.decoder.log(), "") << "the conversion decoder takes no part in a WAV batch";
}

TEST_F(CoreOnStubs, TheBatchAndThePlayerChangeTheActivityOnlyAsTheCoreAnnouncesIt)
{
    rig.startUp("IsDoneOpenDir=0\r\nIsOurMp3Player=1\r\n");
    rig.core->attachPlayer(&playerWindow, &volumeSlider);
    rig.playback.clearLog();
    const QString a = mp3("a.mp3");
    playerWindow.lists[0].rows.push_back({a});
    rig.lists.lists[0].rows = {{a, true}};

    // Each step is followed by a look at the state: it must be what the core announced last.
    std::vector<std::pair<const char *, std::function<void()>>> steps{
        {"play", [&] { rig.core->player().btnPlayClick(); }},
        {"convert while playing", [&] { rig.core->btnConvertClick(); }},
        {"stop", [&] { rig.core->player().btnStopClick(); }},
        {"convert", [&] {
             rig.dialogs.confirmAnswers = {true};
             rig.core->btnConvertClick();
         }},
        {"play while converting", [&] { rig.core->player().btnPlayClick(); }},
        {"end of the input", [&] {
             rig.decoder.postPlayerState(XA_PLAYER_STATE_EOF);
             ASSERT_TRUE(waitUntil([&] { return rig.announced() == asIdle; }));
         }},
    };
    for (auto &[name, step] : steps) {
        SCOPED_TRACE(name);
        step();
        EXPECT_EQ(rig.core->state().ActivityState, rig.announced());
    }
    EXPECT_EQ(rig.activity, (QList<int32_t>{asPlaying, asIdle, asConverting, asIdle}));
    EXPECT_FALSE(rig.announcedBeforeWritten);
    EXPECT_EQ(rig.dialogs.messages(),
              (QStringList{"Please stop playing at first!", "Please stop converting at first!",
                           "All checked MP3 files have been converted to WAV files!"}));

    // Each decoder was given only its own work: the player's Play and Stop (each after a Ping
    // that fences off older news) went to the playback decoder, the batch to the other.
    EXPECT_EQ(rig.playback.log(), logI(XA_MSG_COMMAND_PING, 1) + logS(XA_MSG_COMMAND_INPUT_OPEN, a) +
                                      logN(XA_MSG_COMMAND_PLAY) + logN(XA_MSG_COMMAND_STOP) +
                                      logN(XA_MSG_COMMAND_OUTPUT_CLOSE) + logN(XA_MSG_COMMAND_INPUT_CLOSE) +
                                      logI(XA_MSG_COMMAND_PING, 2));
    const std::string batch = rig.decoder.log();
    EXPECT_EQ(batch.rfind(logI(XA_MSG_SET_OUTPUT_MODULE, 0), 0), 0u) << batch;
    EXPECT_NE(batch.find(logS(XA_MSG_COMMAND_INPUT_OPEN, a)), std::string::npos) << batch;
}

TEST_F(CoreOnStubs, ExitDuringABatchAsksNothingAndDoesNotWaitForTheDecoder)
{
    rig.startUp("IsDoneOpenDir=0\r\n");
    rig.lists.lists[0].rows = {{mp3("a.mp3"), true}};
    rig.dialogs.confirmAnswers = {true};
    rig.core->btnConvertClick();
    ASSERT_EQ(rig.core->state().ActivityState, asConverting);
    const QStringList questions = rig.dialogs.questions();

    // The decoder never reports again; exit goes ahead regardless.
    rig.decoder.clearLog();
    rig.core->Exit();
    EXPECT_EQ(rig.terminateRequests, 1);
    EXPECT_EQ(rig.lists.steps.last(), QStringLiteral("save %1 1").arg(rig.folder.file("default.lst")));
    EXPECT_EQ(rig.dialogs.questions(), questions) << "no question on the way out";
    rig.core.reset();
    EXPECT_EQ(rig.decoder.log(), "delete;") << "the decoder's player is deleted, with no command before";
    EXPECT_EQ(rig.playback.log(), "delete;");
}

} // namespace
