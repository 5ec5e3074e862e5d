#include "support/AcmFixtures.h"
#include "support/EventWait.h"
#include "wavepipe/MMErrors.h"
#include "wavepipe/MainWavPlayer.h"
#include "support/TestApplication.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <cstdlib>

using namespace tb;
using namespace tb::test;

namespace {

QCoreApplication &app() { return coreApplication(); }

// Runs the event loop for a while, as the program's main thread would.
void runFor(int ms)
{
    QElapsedTimer t;
    t.start();
    waitUntil([&] { return t.elapsed() >= ms; });
}

class Player : public ::testing::Test {
protected:
    TempDir dir;
    QString capture;
    std::unique_ptr<TMMWavePlayer> player;
    int stops = 0;

    void SetUp() override
    {
        app();
        capture = dir.file("played.raw");
        setenv("TONEBRIDGE_AUDIO", ("capture:" + capture).toUtf8().constData(), 1);
        player = makeMainWavPlayer();
        player->OnStop = [this](TMMDSPComponent *) { ++stops; };
    }
    void TearDown() override
    {
        player.reset();
        setenv("TONEBRIDGE_AUDIO", "null", 1);
    }

    QByteArray played() const { return TempDir::read(capture); }
    QString toneFile(const QString &name, const Tone &t)
    {
        const QString path = dir.file(name);
        EXPECT_TRUE(writeSineWav(path, t));
        return path;
    }
    QString soxFile(const QString &name, const Tone &t, const QStringList &options)
    {
        const QString source = toneFile("src-" + name, t);
        const QString path = dir.file(name);
        EXPECT_TRUE(run("sox", QStringList{source} + options + QStringList{path}));
        return path;
    }
    bool waitForEnd(int guardMs = 20000)
    {
        return waitUntil([&] { return player->State() == wosClosed && stops > 0; }, guardMs);
    }
};

TEST_F(Player, TheMainPlayerIsSetUpForThePlaybackController)
{
    const TMMWavePlayer fresh;
    EXPECT_EQ(fresh.TimeFormat(), tfByte);
    EXPECT_EQ(player->TimeFormat(), tfMillisecond);
    EXPECT_EQ(player->Wave()->TimeFormat(), tfMillisecond);
    EXPECT_EQ(player->BufferSize(), 2048);
    EXPECT_EQ(player->NumBuffers(), 10);
    EXPECT_EQ(player->DeviceID(), 0);
    EXPECT_EQ(player->CallBackMode(), cmWindow);
    EXPECT_FALSE(player->Looping());
    EXPECT_EQ(player->LoopCount(), 0);
    EXPECT_TRUE(player->ResetPosition);
    EXPECT_EQ(player->State(), uint32_t(wosClosed));
    EXPECT_TRUE(player->Converter().AutoConvert);
    EXPECT_EQ(player->Converter().Quality, cqLow);
    // the chain: file -> converter -> output -> player
    EXPECT_EQ(player->Converter().Input(), &player->WaveFile());
    EXPECT_EQ(player->WaveOut().Input(), &player->Converter());
    EXPECT_EQ(player->WaveOut().Output(), player.get());
    // positions of a 2 s file in milliseconds
    player->Wave()->SetFileName(toneFile("a.wav", {22050, 1, 16, 44100}));
    EXPECT_EQ(player->Wave()->DataSize(), 2000);
}

TEST_F(Player, PlaysExactlyTheFilesSamplesAndStopsByItself)
{
    // 0.3 s, not a whole number of 2048-byte buffers
    const Tone t{44100, 2, 16, 13231, 440.0, 0.5};
    player->Wave()->SetFileName(toneFile("a.wav", t));
    player->Play();
    EXPECT_EQ(player->State(), uint32_t(wosOpen | wosPlay));
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(player->State(), uint32_t(wosClosed));
    EXPECT_EQ(player->Position(), 0);
    const QByteArray data = sinePcm(t);
    EXPECT_EQ(played().size(), data.size());
    EXPECT_TRUE(played() == data);
    runFor(50);
    EXPECT_EQ(stops, 1);
}

TEST_F(Player, CompressedFilesPlayTheirConvertedPcm)
{
    const QString path = soxFile("ima.wav", {22050, 2, 16, 8000, 440.0, 0.6}, {"-e", "ima-adpcm"});
    player->Wave()->SetFileName(path);
    player->Play();
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(played() == soxDecode(path));
}

TEST_F(Player, PauseAndRestartLoseNothing)
{
    const Tone t{22050, 1, 16, 22050 / 2, 440.0, 0.5};
    player->Wave()->SetFileName(toneFile("a.wav", t));
    int pauses = 0, restarts = 0;
    player->OnPause = [&](TMMDSPComponent *) { ++pauses; };
    player->OnRestart = [&](TMMDSPComponent *) { ++restarts; };
    player->Play();
    runFor(150);
    player->Pause();
    EXPECT_TRUE(player->State() & wosPause);
    runFor(50); // the device clock stops within its 10 ms write slice
    const int64_t at = player->Position();
    runFor(200);
    EXPECT_EQ(player->Position(), at);
    EXPECT_GT(at, 50);
    player->Restart();
    EXPECT_FALSE(player->State() & wosPause);
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(pauses, 1);
    EXPECT_EQ(restarts, 1);
    EXPECT_TRUE(played() == sinePcm(t));
}

class LongFile : public Player {
protected:
    // 62 s of a ramp at 8 kHz mono 8 bits: every byte tells where it came from.
    QByteArray data;
    void SetUp() override
    {
        Player::SetUp();
        data.resize(62 * 8000);
        for (int i = 0; i < data.size(); ++i)
            data[i] = char((i / 7) & 0xFF);
        const QString path = dir.write("long.wav", RiffBuilder()
                                                       .chunk("fmt ", formatChunk(1, 1, 8000, 8000, 1, 8, 0))
                                                       .chunk("data", data)
                                                       .build());
        player->Wave()->SetFileName(path);
    }
};

TEST_F(LongFile, SeekingWhilePlayingContinuesFromTheNewPosition)
{
    player->Play();
    runFor(100);
    player->SetPosition(60000);
    EXPECT_TRUE(player->State() & wosPlay);
    EXPECT_FALSE(player->State() & wosPause);
    const int64_t now = player->Position();
    EXPECT_GE(now, 60000);
    EXPECT_LT(now, 60300);
    ASSERT_TRUE(waitForEnd());
    const QByteArray heard = played();
    const QByteArray tail = data.mid(60 * 8000);
    ASSERT_GT(heard.size(), tail.size());
    // what played before the seek is the file's beginning, then the file from 60 s to its end
    EXPECT_TRUE(heard.endsWith(tail));
    EXPECT_TRUE(data.startsWith(heard.left(heard.size() - tail.size())));
}

TEST_F(LongFile, SeekingWhilePausedStaysPaused)
{
    player->Play();
    runFor(50);
    player->Pause();
    player->SetPosition(60000);
    EXPECT_TRUE(player->State() & wosPause);
    EXPECT_EQ(player->Position(), 60000);
    runFor(100);
    EXPECT_EQ(player->Position(), 60000);
    player->Restart();
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(played().endsWith(data.mid(60 * 8000)));
}

TEST_F(LongFile, StopMidPlayClosesTheDeviceAndResetsThePosition)
{
    player->Play();
    runFor(150);
    EXPECT_GT(player->Position(), 0);
    player->Stop();
    EXPECT_EQ(player->State(), uint32_t(wosClosed));
    EXPECT_EQ(player->Position(), 0);
    EXPECT_EQ(stops, 1);
    // without ResetPosition the player stays where it stopped
    player->ResetPosition = false;
    player->Play();
    runFor(150);
    player->Stop();
    EXPECT_GT(player->Position(), 50);
}

TEST_F(LongFile, PlayAtTheEndStartsFromTheBeginning)
{
    player->SetPosition(62000);
    player->Play();
    EXPECT_LT(player->Position(), 500);
    player->Stop();
}

TEST_F(Player, PlayWithoutAWaveDoesNothing)
{
    player->Play();
    EXPECT_EQ(player->State(), uint32_t(wosClosed));
    player->Wave()->SetFileName(dir.write("empty.wav", RiffBuilder()
                                                           .chunk("fmt ", formatChunk(1, 2, 44100, 176400, 4, 16, 0))
                                                           .chunk("data", {})
                                                           .build()));
    player->Play();
    EXPECT_EQ(player->State(), uint32_t(wosClosed));
}

TEST_F(Player, PropertyRules)
{
    TMMWaveOut &out = player->WaveOut();
    player->SetNumBuffers(1);
    EXPECT_EQ(player->NumBuffers(), 10);
    player->SetNumBuffers(1000);
    EXPECT_EQ(player->NumBuffers(), 500);
    player->SetNumBuffers(10);
    player->SetBufferSize(16);
    EXPECT_EQ(player->BufferSize(), 32);
    player->SetBufferSize(2048);
    EXPECT_EQ(player->ProductName(), "Capture wave output");
    EXPECT_EQ(out.DeviceID(), 0);
    player->SetDeviceID(MapperId);
    EXPECT_EQ(out.DeviceID(), MapperId);
    player->SetDeviceID(5);
    EXPECT_EQ(out.DeviceID(), badDeviceId);
    EXPECT_EQ(player->ProductName(), "No wave audio playing device found");
    player->Wave()->SetFileName(toneFile("a.wav", {44100, 2, 16, 44100}));
    try {
        player->Play();
        FAIL() << "played on a device that is not there";
    } catch (const EMMWaveOutError &e) {
        EXPECT_EQ(e.message(), "Invalid DeviceID");
    }
    player->SetDeviceID(0);
    player->Play();
    for (auto change : std::vector<std::function<void()>>{[&] { player->SetNumBuffers(20); },
                                                          [&] { player->SetBufferSize(4096); },
                                                          [&] { player->SetDeviceID(0); },
                                                          [&] { player->SetCallBackMode(cmCallback); }}) {
        try {
            change();
            ADD_FAILURE() << "a property changed while the device was open";
        } catch (const EMMWaveOutError &e) {
            EXPECT_EQ(e.message(), "Change to property while device was open");
        }
    }
    EXPECT_EQ(player->NumBuffers(), 10);
    player->Stop();
}

TEST_F(Player, AFormatTheDeviceCannotPlayFailsPlayAndLeavesThePlayerClosed)
{
    const QString path = soxFile("ima.wav", {22050, 1, 16, 2000, 440.0, 0.6}, {"-e", "ima-adpcm"});
    player->Converter().SetAcm(nullptr); // no codec manager: the file reaches the output as it is
    player->Wave()->SetFileName(path);
    int errors = 0;
    player->WaveOut().OnError = [&](TMMDSPComponent *) { ++errors; };
    try {
        player->Play();
        FAIL() << "played IMA ADPCM unconverted";
    } catch (const EMMWaveOutError &e) {
        EXPECT_EQ(e.message(), QString("WaveOutOpen:\n\r") + "The actual device can''t play this format");
    }
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(player->State(), uint32_t(wosClosed));
    EXPECT_TRUE(played().isEmpty());
}

// Damaged and hostile files: each plays what is valid and stops, or fails Play with a known
// text; nothing crashes, hangs or reads astray (the sanitizers watch).
TEST_F(Player, DamagedFilesEitherPlayWhatIsValidOrFailPlay)
{
    const QString ima = soxFile("ima.wav", {22050, 1, 16, 11025, 440.0, 0.6}, {"-e", "ima-adpcm"});
    const QString gsm = soxFile("gsm.wav", {8000, 1, 16, 4000, 440.0, 0.6}, {"-e", "gsm-full-rate"});
    const WaveImage imaImage = parseWave(TempDir::read(ima));
    const WaveImage gsmImage = parseWave(TempDir::read(gsm));
    auto wav = [](const QByteArray &format, const QByteArray &data) {
        return RiffBuilder().chunk("fmt ", format).chunk("data", data).build();
    };
    auto withField = [](QByteArray format, int offset, uint16_t value) {
        format[offset] = char(value & 0xFF);
        format[offset + 1] = char(value >> 8);
        return format;
    };
    // Block 60 of a longer file names a step beyond the table: it is met while playing.
    const QString longIma = soxFile("long-ima.wav", {22050, 1, 16, 22050 * 2, 440.0, 0.6}, {"-e", "ima-adpcm"});
    const WaveImage longImage = parseWave(TempDir::read(longIma));
    QByteArray badIndex = longImage.data;
    badIndex[60 * 256 + 2] = char(120);
    QByteArray msExtra = le16(500) + le16(300); // more coefficients than the record holds
    const struct {
        const char *name;
        QByteArray file;
        int playsAtLeast; // when it plays
    } cases[] = {
        {"block align 0", wav(withField(imaImage.format, 12, 0), imaImage.data), 0},
        {"block align beyond the data", wav(withField(imaImage.format, 12, 60000), imaImage.data.left(1000)), 0},
        // met while playing: the error is reported and the output closes
        {"ADPCM block with a wrong step index", wav(longImage.format, badIndex), 1},
        {"MS ADPCM with a wrong coefficient count", wav(formatChunk(2, 1, 22050, 11000, 256, 4, 4, msExtra), imaImage.data), 0},
        {"GSM with a partial frame", wav(gsmImage.format, gsmImage.data.left(65 * 10 + 30)), 10 * 640},
        {"truncated data chunk", RiffBuilder()
                                     .chunk("fmt ", imaImage.format)
                                     .chunkDeclaring("data", uint32_t(imaImage.data.size()), imaImage.data.left(3000))
                                     .build(), 0},
        {"no channels", wav(withField(imaImage.format, 2, 0), imaImage.data), 0},
        {"no rate", wav(formatChunk(1, 1, 0, 0, 2, 16, 0), QByteArray(4000, '\1')), 0},
        {"EXTENSIBLE with a short extension", wav(formatChunk(0xFFFE, 2, 44100, 176400, 4, 16, 6, le16(16) + le32(3)),
                                                  QByteArray(8000, '\2')), 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(capture);
        stops = 0;
        bool loaded = true;
        try {
            player->Wave()->SetFileName(dir.write(QString("bad-%1.wav").arg(&c - cases), c.file));
        } catch (const EMMWaveError &) {
            loaded = false; // the wave reader refused it already
        }
        if (!loaded)
            continue;
        try {
            player->Play();
        } catch (const Exception &e) {
            EXPECT_EQ(player->State(), uint32_t(wosClosed));
            const QString text = e.message();
            EXPECT_TRUE(text.startsWith("WaveOut") || text == "Unable to convert to destination format" ||
                        text == "Invalid DeviceID")
                << text.toStdString();
            continue;
        }
        EXPECT_TRUE(waitUntil([&] { return player->State() == wosClosed; }, 20000));
        EXPECT_GE(played().size(), c.playsAtLeast);
    }
    // and the player still plays a good file afterwards
    QFile::remove(capture);
    player->Wave()->SetFileName(ima);
    stops = 0;
    player->Play();
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(played() == soxDecode(ima));
}

TEST_F(Player, ANewFileStopsThePlayerAndTellsOfTheChange)
{
    int changes = 0;
    player->OnChange = [&](TMMDSPComponent *) { ++changes; };
    player->Wave()->SetFileName(toneFile("a.wav", {44100, 2, 16, 44100}));
    EXPECT_EQ(changes, 1);
    player->Play();
    runFor(50);
    player->Wave()->SetFileName(toneFile("b.wav", {22050, 1, 8, 22050}));
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(player->State(), uint32_t(wosClosed));
    EXPECT_EQ(stops, 1);
}

} // namespace
