// The volume and the system media player against a real sound server: PulseAudio with a null
// sink, reached through ALSA's "default" device and through Qt Multimedia.
#include "platform/TestDoubles.h"
#include "decoderlib/MpegFixtures.h"
#include "player/Audio.h"
#include "player/SystemMediaPlayer.h"
#include "player/VolumeControl.h"
#include "support/EventWait.h"
#include "support/SoundServer.h"

#include "PlayerDoubles.h"
#include "support/TestApplication.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace tb;
using namespace tb::test;

namespace {

QCoreApplication &app() { return coreApplication(); }

class WithSoundServer : public ::testing::Test {
protected:
    SoundServer server;
    TempDir dir;
    void SetUp() override
    {
        ASSERT_TRUE(server.running()) << server.log().toStdString();
        app();
    }
};

class Volume : public WithSoundServer {
protected:
    ScriptedDialogs dialogs;
    RecordingSlider trkVolume;
    std::unique_ptr<TAudio> mixer;
    std::unique_ptr<VolumeController> volume;

    void SetUp() override
    {
        WithSoundServer::SetUp();
        ASSERT_FALSE(SoundServer::pactl({"set-sink-volume", "testsink", "50%"}).isNull());
        mixer = std::make_unique<TAudio>();
        ASSERT_TRUE(mixer->Ready());
        volume = std::make_unique<VolumeController>(*mixer, trkVolume, dialogs);
        mixer->OnMixerChange = [this](TAudio *, int, int) { volume->MixerMixerChange(); };
        volume->FindLoudspeakerLine(tMsMixerSystem());
    }
};

TEST_F(Volume, TheSliderShowsTheSinkVolumeAndFollowsOutsideChanges)
{
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(mixer->DestinationNames(), QStringList{"Master"});
    EXPECT_EQ(trkVolume.value, 50);
    for (int percent : {30, 75, 0, 100}) {
        SoundServer::pactl({"set-sink-volume", "testsink", QString::number(percent) + "%"});
        EXPECT_TRUE(waitUntil([&] { return trkVolume.value == percent; }, 10000)) << percent << " " << trkVolume.value;
    }
}

TEST_F(Volume, ReleasingTheSliderSetsTheSinkVolume)
{
    trkVolume.value = 40;
    volume->trkVolumeMouseUp();
    EXPECT_TRUE(waitUntil([] { return SoundServer::sinkVolumePercent() == 40; }, 10000))
        << SoundServer::sinkVolumePercent();
    // The change comes back from the server and leaves the slider where the user put it.
    waitUntil([] { return false; }, 300);
    EXPECT_EQ(trkVolume.value, 40);
}

TEST_F(Volume, AMutedSinkStaysMutedWhenTheSliderMoves)
{
    SoundServer::pactl({"set-sink-mute", "testsink", "1"});
    ASSERT_TRUE(waitUntil([] { return SoundServer::sinkMuted(); }, 10000));
    waitUntil([] { return false; }, 200);
    trkVolume.value = 80;
    volume->trkVolumeMouseUp();
    EXPECT_TRUE(waitUntil([] { return SoundServer::sinkVolumePercent() == 80; }, 10000));
    EXPECT_TRUE(SoundServer::sinkMuted());
}

class SystemMediaPlayer : public WithSoundServer {};

TEST_F(SystemMediaPlayer, PlaysAFileToItsEndThroughTheSoundServer)
{
    QString mp3 = makeMpeg(dir.path(), mpegKind("stereo"), 2.0, "tone");
    ASSERT_FALSE(mp3.isEmpty());
    ASSERT_TRUE(server.startRecording());
    QtSystemPlayer player;
    player.SetFileName(mp3);
    player.SetNotify(true);
    ASSERT_NO_THROW(player.Open());
    EXPECT_NEAR(double(player.Length()), 2000.0, 100.0);
    EXPECT_EQ(player.GetMode(), SystemPlayer::Mode::Other);
    player.Play();
    EXPECT_TRUE(waitUntil([&] { return player.GetMode() == SystemPlayer::Mode::Playing && player.Position() > 300; }, 20000));
    player.Pause();
    EXPECT_EQ(player.GetMode(), SystemPlayer::Mode::Paused);
    player.Resume();
    EXPECT_EQ(player.GetMode(), SystemPlayer::Mode::Playing);
    EXPECT_THROW(player.Resume(), EMciError);
    EXPECT_TRUE(waitUntil([&] { return player.GetMode() == SystemPlayer::Mode::Other; }, 20000));
    waitUntil([] { return false; }, 1000);
    server.stopRecording();
    // The tone reached the sink. How much of it is heard is the media framework's affair: on a
    // loaded machine its stream underruns and drops pieces.
    EXPECT_GT(SoundServer::loud(server.heard()), size_t(44100 * 2 * 2 / 10));
    player.Close();
    EXPECT_THROW(player.Position(), EMciError);
}

TEST_F(SystemMediaPlayer, PlayFromAStartPositionSeeks)
{
    QString mp3 = makeMpeg(dir.path(), mpegKind("stereo"), 10.0, "tone");
    QtSystemPlayer player;
    player.SetFileName(mp3);
    player.Open();
    player.Play();
    ASSERT_TRUE(waitUntil([&] { return player.Position() > 0; }, 20000));
    player.Stop();
    player.SetStartPosition(7000);
    player.Play();
    EXPECT_TRUE(waitUntil([&] { return player.Position() >= 7000; }, 20000)) << player.Position();
    EXPECT_LT(player.Position(), 7000 + 1500);
}

TEST_F(SystemMediaPlayer, AFileItCannotOpenFailsOpen)
{
    QtSystemPlayer player;
    for (const QString &path : {dir.write("text.mp3", QByteArray("this is not audio\n").repeated(200)),
                                dir.file("missing.mp3"), dir.write("empty.wav", QByteArray())}) {
        SCOPED_TRACE(path.toStdString());
        player.SetFileName(path);
        EXPECT_THROW(player.Open(), EMciError);
        EXPECT_EQ(player.GetMode(), SystemPlayer::Mode::Other);
        EXPECT_THROW(player.Play(), EMciError);
    }
}

} // namespace
