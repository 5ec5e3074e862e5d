// The decoder playing through ALSA's "default" device into a real sound server: a PulseAudio
// null sink started for the test, whose monitor is recorded.
#include "DecoderSession.h"
#include "MpegFixtures.h"
#include "support/SoundServer.h"
#include "support/TempDir.h"

#include <QThread>
#include <cmath>
#include <gtest/gtest.h>

using namespace tb::test;

namespace {

class SoundServerPlayback : public ::testing::Test {
protected:
    TempDir dir;
    SoundServer server;

    void SetUp() override { ASSERT_TRUE(server.running()) << server.log().toStdString(); }
};

TEST_F(SoundServerPlayback, PlaysTheDecodedAudioOnTheDefaultDevice)
{
    QString mp3 = makeMpeg(dir.path(), mpegKind("stereo"), 2.0);
    ASSERT_FALSE(mp3.isEmpty());
    ASSERT_TRUE(server.startRecording());
    QThread::msleep(300);

    DecoderSession session;
    session.send(XA_MSG_COMMAND_INPUT_OPEN, mp3.toStdString());
    session.send(XA_MSG_COMMAND_PLAY);
    ASSERT_TRUE(session.waitForState(XA_PLAYER_STATE_EOF));
    EXPECT_EQ(session.count(XA_MSG_NOTIFY_ERROR), 0);
    QThread::msleep(300);
    server.stopRecording();

    const std::vector<int16_t> heard = server.heard();
    // Keep what is louder than silence: the played tone.
    std::vector<int16_t> loud;
    for (int16_t s : heard)
        if (std::abs(s) > 64)
            loud.push_back(s);
    Pcm expected = referenceDecode(mp3);
    // Most of the two seconds were heard, at the level they were decoded.
    EXPECT_GT(loud.size(), expected.samples.size() * 8 / 10);
    EXPECT_NEAR(20 * std::log10(rms(loud) / rms(expected.samples)), 0.0, 1.5);
}

} // namespace
