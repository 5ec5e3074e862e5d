// The wave player playing through ALSA's "default" device into a real sound server: a PulseAudio
// null sink started for the test, whose monitor is recorded.
#include "support/AcmFixtures.h"
#include "support/EventWait.h"
#include "support/SoundServer.h"
#include "wavepipe/MainWavPlayer.h"
#include "support/TestApplication.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

#include <cmath>

using namespace tb;
using namespace tb::test;

namespace {

QCoreApplication &app() { return coreApplication(); }

class SoundServerPlayback : public ::testing::Test {
protected:
    TempDir dir;
    std::unique_ptr<SoundServer> server;

    void SetUp() override
    {
        app();
        server = std::make_unique<SoundServer>();
        ASSERT_TRUE(server->running()) << server->log().toStdString();
    }
    // The server puts the null device back for the next test when it ends.
    void TearDown() override { server.reset(); }
};

TEST_F(SoundServerPlayback, AnImaAdpcmFilePlaysAndTheRecordingHoldsItsTone)
{
    const QString source = dir.file("tone.wav");
    ASSERT_TRUE(writeSineWav(source, {44100, 2, 16, 44100 * 3 / 2, 1000.0, 0.5}));
    const QString ima = dir.file("ima.wav");
    ASSERT_TRUE(run("sox", {source, "-e", "ima-adpcm", ima}));

    ASSERT_TRUE(server->startRecording());
    QThread::msleep(300);

    auto player = makeMainWavPlayer();
    EXPECT_EQ(player->ProductName(), "ALSA default");
    int stops = 0;
    player->OnStop = [&](TMMDSPComponent *) { ++stops; };
    player->Wave()->SetFileName(ima);
    player->Play();
    EXPECT_TRUE(player->State() & wosPlay);
    ASSERT_TRUE(waitUntil([&] { return stops > 0 && player->State() == wosClosed; }, 20000));
    EXPECT_EQ(stops, 1);
    QThread::msleep(300);
    server->stopRecording();

    const std::vector<int16_t> heard = server->heard();
    // The left channel of what is louder than silence: the played tone.
    std::vector<int16_t> loud;
    for (size_t i = 0; i + 1 < heard.size(); i += 2)
        if (std::abs(heard[i]) > 64 || (i + 2 < heard.size() && std::abs(heard[i + 2]) > 64))
            loud.push_back(heard[i]);
    // Most of the 1.5 s; a recorder starved on a busy machine can miss some.
    ASSERT_GT(loud.size(), size_t(66150 / 2));
    EXPECT_LT(loud.size(), size_t(44100 * 2));
    double energy = 0;
    int crossings = 0;
    for (size_t i = 0; i < loud.size(); ++i) {
        energy += double(loud[i]) * loud[i];
        if (i > 0)
            crossings += (loud[i - 1] < 0) != (loud[i] < 0);
    }
    // a 1 kHz tone at half of full scale: two crossings a millisecond and an RMS of 0.35
    const double seconds = double(loud.size()) / 44100;
    EXPECT_NEAR(crossings / seconds, 2000.0, 60.0);
    EXPECT_NEAR(std::sqrt(energy / double(loud.size())) / 32767.0, 0.354, 0.05);
}

} // namespace
