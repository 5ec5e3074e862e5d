// A PulseAudio sound server for one test, with a null sink "testsink" whose monitor can be
// recorded; the program reaches it through ALSA's "default" device. Started in the foreground
// and ended with the test.
#pragma once

#include "support/TempDir.h"

#include <QProcess>
#include <QThread>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tb::test {

class SoundServer {
public:
    SoundServer()
    {
        const QString runtime = dir_.file("runtime");
        QDir().mkpath(runtime);
        QDir().mkpath(dir_.file("home"));
        for (int i = 0; i < 4; ++i)
            if (qEnvironmentVariableIsSet(Names[i]))
                before_[i] = qgetenv(Names[i]);
        qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
        qputenv("PULSE_SERVER", ("unix:" + runtime + "/pulse/native").toUtf8());
        qputenv("HOME", dir_.file("home").toUtf8());
        // The program plays and mixes through the real device.
        qunsetenv("TONEBRIDGE_AUDIO");
        server_.setProcessChannelMode(QProcess::MergedChannels);
        server_.start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "-L",
                                     "module-null-sink sink_name=testsink rate=44100 channels=2", "-L",
                                     "module-native-protocol-unix", "--log-target=stderr"});
        if (!server_.waitForStarted(10000))
            return;
        for (int i = 0; i < 200 && !QFile::exists(runtime + "/pulse/native"); ++i)
            QThread::msleep(50);
        running_ = QFile::exists(runtime + "/pulse/native");
    }
    ~SoundServer()
    {
        stopRecording();
        end(server_);
        for (int i = 0; i < 4; ++i) {
            if (before_[i].isNull())
                qunsetenv(Names[i]);
            else
                qputenv(Names[i], before_[i]);
        }
    }
    bool running() const { return running_; }
    QString log() { return QString::fromLocal8Bit(server_.readAll()); }

    // pactl with the arguments; its standard output, or a null string when it failed.
    static QString pactl(const QStringList &arguments)
    {
        QProcess p;
        p.start("pactl", arguments);
        if (!p.waitForFinished(10000) || p.exitCode() != 0)
            return {};
        // Empty but not null: the command succeeded.
        return QStringLiteral("") + QString::fromLocal8Bit(p.readAllStandardOutput());
    }
    // The sink's volume in percent of its first channel, -1 when it cannot be read.
    static int sinkVolumePercent()
    {
        const QString out = pactl({"get-sink-volume", "testsink"});
        const int percent = out.indexOf('%');
        if (percent < 0)
            return -1;
        int start = percent;
        while (start > 0 && out[start - 1].isDigit())
            --start;
        return out.mid(start, percent - start).toInt();
    }
    static bool sinkMuted() { return pactl({"get-sink-mute", "testsink"}).contains("yes"); }

    // Records what the sink plays, as 16-bit stereo at 44100 Hz.
    bool startRecording()
    {
        recorder_.start("parec", {"-d", "testsink.monitor", "--format=s16le", "--rate=44100", "--channels=2",
                                  "--latency-msec=20", dir_.file("heard.raw")});
        return recorder_.waitForStarted(10000);
    }
    void stopRecording() { end(recorder_); }
    // Samples recorded so far.
    std::vector<int16_t> heard() const
    {
        QByteArray bytes = TempDir::read(dir_.file("heard.raw"));
        std::vector<int16_t> samples(static_cast<size_t>(bytes.size()) / 2);
        if (!samples.empty())
            std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
        return samples;
    }
    // How many of the samples from `from` on are louder than silence.
    static size_t loud(const std::vector<int16_t> &samples, size_t from = 0)
    {
        size_t n = 0;
        for (size_t i = from; i < samples.size(); ++i)
            n += std::abs(samples[i]) > 64;
        return n;
    }

private:
    static void end(QProcess &p)
    {
        if (p.state() == QProcess::NotRunning)
            return;
        p.terminate();
        if (!p.waitForFinished(5000)) {
            p.kill();
            p.waitForFinished(5000);
        }
    }

    TempDir dir_;
    QProcess server_;
    QProcess recorder_;
    bool running_ = false;
    static constexpr const char *Names[4] = {"XDG_RUNTIME_DIR", "PULSE_SERVER", "TONEBRIDGE_AUDIO", "HOME"};
    QByteArray before_[4];
};

} // namespace tb::test
