// The decoder playing through ALSA's "default" device into a real sound server: a PulseAudio
// null sink started for the test, whose monitor is recorded.
#include "DecoderSession.h"
#include "MpegFixtures.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QThread>
#include <cmath>
#include <gtest/gtest.h>

using namespace tb::test;

namespace {

class SoundServer : public ::testing::Test {
protected:
    TempDir dir;
    QProcess server;
    QProcess recorder;

    void SetUp() override
    {
        QString runtime = dir.file("runtime");
        QDir().mkpath(runtime);
        qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
        qputenv("PULSE_SERVER", ("unix:" + runtime + "/pulse/native").toUtf8());
        server.setProcessChannelMode(QProcess::MergedChannels);
        server.start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                                    "-L", "module-null-sink sink_name=testsink rate=44100 channels=2",
                                    "-L", "module-native-protocol-unix", "--log-target=stderr"});
        ASSERT_TRUE(server.waitForStarted(10000)) << "pulseaudio cannot start";
        for (int i = 0; i < 100 && !QFile::exists(runtime + "/pulse/native"); ++i)
            QThread::msleep(50);
        ASSERT_TRUE(QFile::exists(runtime + "/pulse/native")) << server.readAll().toStdString();
        // The program plays through the real device in this test.
        qunsetenv("TONEBRIDGE_AUDIO");
    }

    void TearDown() override
    {
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

TEST_F(SoundServer, PlaysTheDecodedAudioOnTheDefaultDevice)
{
    QString mp3 = makeMpeg(dir.path(), mpegKind("stereo"), 2.0);
    ASSERT_FALSE(mp3.isEmpty());
    QString raw = dir.file("heard.raw");
    recorder.start("parec", {"-d", "testsink.monitor", "--format=s16le", "--rate=44100", "--channels=2",
                             "--latency-msec=20", raw});
    ASSERT_TRUE(recorder.waitForStarted(10000));
    QThread::msleep(300);

    DecoderSession session;
    session.send(XA_MSG_COMMAND_INPUT_OPEN, mp3.toStdString());
    session.send(XA_MSG_COMMAND_PLAY);
    ASSERT_TRUE(session.waitForState(XA_PLAYER_STATE_EOF));
    EXPECT_EQ(session.count(XA_MSG_NOTIFY_ERROR), 0);
    QThread::msleep(300);
    recorder.terminate();
    recorder.waitForFinished(5000);

    QByteArray bytes = TempDir::read(raw);
    std::vector<int16_t> heard(static_cast<size_t>(bytes.size()) / 2);
    std::memcpy(heard.data(), bytes.constData(), heard.size() * 2);
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
