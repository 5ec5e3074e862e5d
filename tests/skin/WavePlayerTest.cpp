#include "SkinTestSupport.h"
#include "platform/audio/CaptureSink.h"
#include "skin/SkinArtwork.h"
#include "skin/WavePlayer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

using namespace tb;

namespace {

QByteArray wave(int frames, int16_t level, unsigned channels = 1)
{
    QByteArray riff = "RIFF" + QByteArray(4, 0) + "WAVEfmt ";
    auto put = [&riff](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            riff.append(char((v >> (8 * i)) & 0xFF));
    };
    put(16, 4);
    put(1, 2);
    put(channels, 2);
    put(22050, 4);
    put(22050 * 2 * channels, 4);
    put(2 * channels, 2);
    put(16, 2);
    riff += "data";
    put(uint32_t(frames) * 2 * channels, 4);
    for (int i = 0; i < frames * int(channels); ++i)
        put(uint16_t(level), 2);
    return riff;
}

// A channel whose every sound is recorded into one file.
struct Recorder {
    QTemporaryDir dir;
    QString file = dir.filePath("played.raw");
    int opened = 0;
    SoundChannel channel{[this](const audio::PcmFormat &format) {
        ++opened;
        return std::make_unique<audio::CaptureSink>(format, file.toStdString());
    }};
    QByteArray played() const
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void waitQuiet()
    {
        QElapsedTimer t;
        t.start();
        while (channel.playing() && t.elapsed() < 10000) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        QCoreApplication::processEvents();
    }
};

TEST(WavePlayer, PlaysItsWaveImageAsynchronouslyBetweenBeforeAndAfterPlay)
{
    test::skinApplication();
    Recorder rec;
    TepWavePlayer player("wavClick");
    player.setChannel(&rec.channel);
    player.setOptions(wpoAsync);
    // Long enough that it cannot have ended before Play returns, however fast the device takes it.
    const QByteArray image = wave(22050, 1000);
    player.setWave(image);
    QStringList log;
    player.BeforePlay = [&](TepWavePlayer *s) { log << "before " + s->objectName() << QString::number(rec.opened); };
    player.AfterPlay = [&](TepWavePlayer *) { log << "after" << QString::number(rec.channel.playing()); };
    player.Play();
    EXPECT_EQ(log, (QStringList{"before wavClick", "0", "after", "1"})) << "asynchronous: still playing after Play";
    rec.waitQuiet();
    EXPECT_EQ(rec.played(), image.mid(44));
}

TEST(WavePlayer, ANewSoundEndsTheOneStillPlaying)
{
    test::skinApplication();
    Recorder rec;
    TepWavePlayer longOne("wavSwitch"), shortOne("wavClick");
    for (TepWavePlayer *p : {&longOne, &shortOne}) {
        p->setChannel(&rec.channel);
        p->setOptions(wpoAsync);
    }
    longOne.setWave(wave(22050 * 5, 700));
    shortOne.setWave(wave(441, -300));
    longOne.Play();
    shortOne.Play();
    rec.waitQuiet();
    const QByteArray played = rec.played();
    EXPECT_LT(played.size(), 22050 * 2) << "the long sound was cut short";
    EXPECT_TRUE(played.endsWith(wave(441, -300).mid(44)));
    EXPECT_EQ(rec.channel.started(), 2);
}

TEST(WavePlayer, NoStopLeavesAPlayingSoundAloneAndDisabledPlaysNothing)
{
    test::skinApplication();
    Recorder rec;
    TepWavePlayer first("a"), second("b");
    for (TepWavePlayer *p : {&first, &second})
        p->setChannel(&rec.channel);
    first.setOptions(wpoAsync);
    second.setOptions(wpoAsync | wpoNoStop);
    // A second long enough that a loaded machine cannot end it before the second Play.
    first.setWave(wave(22050, 100));
    second.setWave(wave(441, 200));
    first.Play();
    second.Play();
    EXPECT_EQ(rec.channel.started(), 1);
    rec.waitQuiet();
    EXPECT_EQ(rec.played(), wave(22050, 100).mid(44));

    int events = 0;
    second.setEnabled(false);
    second.BeforePlay = second.AfterPlay = [&](TepWavePlayer *) { ++events; };
    second.Play();
    EXPECT_EQ(events, 2);
    EXPECT_EQ(rec.channel.started(), 1);
}

TEST(WavePlayer, SyncReturnsOnceTheSoundHasEnded)
{
    test::skinApplication();
    Recorder rec;
    TepWavePlayer player("wavClick");
    player.setChannel(&rec.channel);
    player.setWave(wave(2205, 5));
    EXPECT_EQ(player.Options(), wpoSync);
    player.Play();
    EXPECT_FALSE(rec.channel.playing());
    EXPECT_EQ(rec.played().size(), 2205 * 2);
}

TEST(WavePlayer, DamagedOrMissingImagesPlayNothing)
{
    test::skinApplication();
    Recorder rec;
    const QByteArray good = wave(100, 1);
    QByteArray longChunk = good;
    longChunk[40] = char(0xFF); // the data chunk claims more than there is
    QByteArray adpcm = good;
    adpcm[20] = 2;
    for (const QByteArray &bad : {QByteArray(), QByteArray("RIFF"), good.left(30), longChunk, adpcm,
                                  QByteArray("RIFX") + good.mid(4)}) {
        EXPECT_FALSE(WaveImage::parse(bad).valid);
        TepWavePlayer player("x");
        player.setChannel(&rec.channel);
        player.setWave(bad);
        player.Play();
    }
    EXPECT_EQ(rec.channel.started(), 0);
    EXPECT_EQ(rec.opened, 0);
}

TEST(WavePlayer, TheInterfaceSoundsAreSoftShortAndEndInSilence)
{
    test::skinApplication();
    struct Case {
        const char *name;
        qsizetype bytes;
        unsigned channels;
    };
    for (const Case &c : {Case{"wavSwitch", 35084, 2}, Case{"wavClick", 15590, 1}}) {
        const QByteArray image = skin::sound(c.name);
        ASSERT_EQ(image.size(), c.bytes) << c.name;
        const WaveImage parsed = WaveImage::parse(image);
        ASSERT_TRUE(parsed.valid) << c.name;
        EXPECT_EQ(parsed.format.channels, c.channels);
        EXPECT_EQ(parsed.format.bitsPerSample, 16u);
        const auto *s = reinterpret_cast<const int16_t *>(parsed.samples.constData());
        const qsizetype n = parsed.samples.size() / 2;
        int peak = 0;
        for (qsizetype i = 0; i < n; ++i)
            peak = std::max(peak, std::abs(int(s[i])));
        EXPECT_GT(peak, 3000) << c.name << " is audible";
        EXPECT_LT(peak, 16384) << c.name << " stays below half of full scale";
        for (qsizetype i = 0; i < qsizetype(c.channels); ++i) {
            EXPECT_LT(std::abs(int(s[i])), 64) << c.name << " starts without a click";
            EXPECT_LT(std::abs(int(s[n - 1 - i])), 8) << c.name << " ends without a click";
        }
    }
}

} // namespace
