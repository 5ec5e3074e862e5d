// The wave player playing through ALSA's "default" device into a real sound server: a PulseAudio
// null sink started for the test, whose monitor is recorded.
#include "support/AcmFixtures.h"
#include "support/EventWait.h"
#include "wavepipe/MainWavPlayer.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

#include <cmath>

using namespace tb;
using namespace tb::test;

namespace {

QCoreApplication &app()
{
    static int argc = 1;
    static char name[] = "player-e2e";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *instance = new QCoreApplication(argc, argv);
    return *instance;
}

class SoundServer : public ::testing::Test {
protected:
    TempDir dir;
    QProcess server;
    QProcess recorder;

    void SetUp() override
    {
        app();
        const QString runtime = dir.file("runtime");
        QDir().mkpath(runtime);
        qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
        qputenv("HOME", dir.path().toUtf8());
        qputenv("PULSE_SERVER", ("unix:" + runtime + "/pulse/native").toUtf8());
        server.setProcessChannelMode(QProcess::MergedChannels);
        server.start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "-L",
                                    "module-null-sink sink_name=testsink rate=44100 channels=2", "-L",
                                    "module-native-protocol-unix", "--log-target=stderr"});
        ASSERT_TRUE(server.waitForStarted(10000)) << "pulseaudio cannot start";
        for (int i = 0; i < 100 && !QFile::exists(runtime + "/pulse/native"); ++i)
            QThread::msleep(50);
        ASSERT_TRUE(QFile::exists(runtime + "/pulse/native")) << server.readAll().toStdString();
        // The player plays through the real device in this test.
        qunsetenv("TONEBRIDGE_AUDIO");
    }

    void TearDown() override
    {
        qputenv("TONEBRIDGE_AUDIO", "null");
        for (QProcess *p : {&recorder, &server}) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(5000)) {
                    p->kill();
                    p->waitForFinished(5000);
                }
            }
        }
    }
};

TEST_F(SoundServer, AnImaAdpcmFilePlaysAndTheRecordingHoldsItsTone)
{
    const QString source = dir.file("tone.wav");
    ASSERT_TRUE(writeSineWav(source, {44100, 2, 16, 44100 * 3 / 2, 1000.0, 0.5}));
    const QString ima = dir.file("ima.wav");
    ASSERT_TRUE(run("sox", {source, "-e", "ima-adpcm", ima}));

    const QString raw = dir.file("heard.raw");
    recorder.start("parec", {"-d", "testsink.monitor", "--format=s16le", "--rate=44100", "--channels=2",
                             "--latency-msec=20", raw});
    ASSERT_TRUE(recorder.waitForStarted(10000));
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
    recorder.terminate();
    recorder.waitForFinished(5000);

    const std::vector<int16_t> heard = samples16(TempDir::read(raw));
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
