// The playback controller with the real wave player, heard through the capture device.
#include "support/StateActivity.h"
#include "support/InfoTexts.h"
#include "platform/TestDoubles.h"
#include "PlayerDoubles.h"

#include "audioinfo/AudioInfo.h"
#include "core/EventLink.h"
#include "decoderlib/MpegFixtures.h"
#include "player/PlaybackController.h"
#include "player/QtPollTimer.h"
#include "player/WaveEngineAdapter.h"
#include "support/AppFixture.h"
#include "support/EventWait.h"
#include "support/WavWriter.h"
#include "wavepipe/MainWavPlayer.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace tb;
using namespace tb::test;

namespace {

std::vector<int16_t> samplesOf(const QByteArray &bytes)
{
    std::vector<int16_t> samples(static_cast<size_t>(bytes.size()) / 2);
    if (!samples.empty())
        std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
    return samples;
}

struct WaveRig {
    TempDir dir;
    QByteArray audioBefore = qgetenv("TONEBRIDGE_AUDIO");
    QString heard = dir.file("heard.raw");
    AppState state;
    StateActivity activity{state};
    ProgramOptions options;
    ScriptedDialogs dialogs;
    LocalFileSystem fileSystem;
    RecordingWindow window;
    InfoTexts info;
    TAudioInfo musicInfo;
    TMMWave wavInfo;
    CallLog log;
    RecordingDecoder decoder{log};
    RecordingSystemPlayer system{log};
    std::unique_ptr<TMMWavePlayer> wavPlayer;
    std::unique_ptr<WavePlayerEngine> engine;
    std::unique_ptr<QtPollTimer> sysTimer, wavTimer;
    std::unique_ptr<PlaybackController> player;
    bool pollWave = true; // off: only the player's own stop report moves playback on
    QObject stopReports;
    EventLink events; // last: unbinds first

    WaveRig()
    {
        application();
        qputenv("TONEBRIDGE_AUDIO", ("capture:" + heard).toUtf8());
        wavInfo.SetTimeFormat(tfMillisecond);
        wavPlayer = makeMainWavPlayer();
        engine = std::make_unique<WavePlayerEngine>(*wavPlayer);
        sysTimer = std::make_unique<QtPollTimer>([this] { player->sysTimerTimer(); });
        wavTimer = std::make_unique<QtPollTimer>([this] {
            if (pollWave)
                player->wavTimerTimer();
        });
        player = std::make_unique<PlaybackController>(state, activity, options, dialogs, fileSystem, window, info, musicInfo,
                                                      wavInfo,
                                                      PlaybackController::Engines{decoder, *engine, system, *sysTimer,
                                                                                  *wavTimer});
        ConnectWavePlayerEvents(events, *wavPlayer, *player, stopReports);
        state.DoWhat = dwWavToMp3;
    }
    ~WaveRig()
    {
        player->btnStopClick();
        qputenv("TONEBRIDGE_AUDIO", audioBefore);
    }
    void add(const QString &path) { window.lists[1].rows.push_back({path, true}); }
};

TEST(WaveEngine, AListOfAPcmAndAnImaAdpcmFilePlaysBothAndStops)
{
    WaveRig rig;
    Tone tone;
    tone.frames = 44100;
    const Tone pcmTone = tone;
    QString pcm = rig.dir.write("pcm.wav", sineWav(tone));
    tone.frequency = 660;
    QString source = rig.dir.write("source.wav", sineWav(tone));
    QString adpcm = rig.dir.file("adpcm.wav");
    ASSERT_TRUE(runCommand(("sox " + source + " -e ima-adpcm " + adpcm).toStdString()));
    QString adpcmDecoded = rig.dir.file("adpcm-decoded.raw");
    ASSERT_TRUE(runCommand(("sox " + adpcm + " -t raw -e signed -b 16 " + adpcmDecoded).toStdString()));
    rig.add(pcm);
    rig.add(adpcm);

    rig.player->btnPlayClick();
    EXPECT_EQ(rig.info.info, "PCM, 44100Hz, 2Ch, 16Bit");
    ASSERT_TRUE(waitUntil([&] { return rig.player->PlayIndex() == 1; }, 60000));
    EXPECT_TRUE(rig.info.info.startsWith("IMA ADPCM") || rig.info.info.contains("ADPCM")) << rig.info.info.toStdString();
    ASSERT_TRUE(waitUntil([&] { return rig.state.ActivityState == asIdle; }, 60000));
    EXPECT_EQ(rig.info.status, "Ready... Show current status here.");
    EXPECT_EQ(rig.state.FileQueue.size(), 2);

    std::vector<int16_t> heard = samplesOf(TempDir::read(rig.heard));
    std::vector<int16_t> first = samplesOf(sinePcm(pcmTone));
    std::vector<int16_t> second = samplesOf(TempDir::read(adpcmDecoded));
    ASSERT_EQ(heard.size(), first.size() + second.size());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), heard.begin()));
    // IMA ADPCM decoders agree to within a step of the quantiser.
    double diff = 0;
    for (size_t i = 0; i < second.size(); ++i)
        diff += std::pow(double(heard[first.size() + i]) - second[i], 2);
    EXPECT_LT(std::sqrt(diff / double(second.size())), 64.0);
}

TEST(WaveEngine, TheEndOfAFileIsTakenInWhenThePlayerStopsNotAtTheNextPoll)
{
    WaveRig rig;
    rig.pollWave = false;
    Tone tone;
    tone.frames = 4410;
    rig.add(rig.dir.write("one.wav", sineWav(tone)));
    rig.add(rig.dir.write("two.wav", sineWav(tone)));
    rig.player->btnPlayClick();
    ASSERT_TRUE(waitUntil([&] { return rig.state.ActivityState == asIdle; }, 60000))
        << "playback stayed at file " << rig.player->PlayIndex();
    EXPECT_EQ(samplesOf(TempDir::read(rig.heard)).size(), 2 * samplesOf(sinePcm(tone)).size());
    EXPECT_EQ(rig.info.status, "Ready... Show current status here.");
}

TEST(WaveEngine, ASeekOnReleaseLandsWhereTheSliderSays)
{
    WaveRig rig;
    Tone tone;
    tone.frames = 44100 * 20;
    rig.add(rig.dir.write("long.wav", sineWav(tone)));
    rig.player->btnPlayClick();
    ASSERT_TRUE(waitUntil([&] { return rig.engine->PositionMs() > 200; }, 60000));
    rig.player->prgPlayMouseDown();
    rig.window.prgPlay.value = 60;
    rig.player->prgPlayMouseUp();
    const int64_t at = rig.engine->PositionMs();
    EXPECT_GE(at, 12000 - 200);
    EXPECT_LE(at, 12000 + 200);
    ASSERT_TRUE(waitUntil([&] { return rig.info.current == "00:00:12" || rig.info.current == "00:00:13"; }, 60000));
    EXPECT_GE(rig.window.prgPlay.value, 59);
    EXPECT_LE(rig.window.prgPlay.value, 61);
}

} // namespace
