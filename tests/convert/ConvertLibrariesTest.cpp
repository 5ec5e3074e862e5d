// Batches through the real decoder and encoder libraries, with the window doubled.
#include "support/InfoTexts.h"
#include "platform/TestDoubles.h"
#include "ConvertFakes.h"
#include "audioinfo/AudioInfo.h"
#include "codecs/GogoTea.h"
#include "codecs/XaudioPlayer.h"
#include "convert/BatchDriver.h"
#include "convert/CodecPorts.h"
#include "convert/Mp3ToWav.h"
#include "convert/WavToMp3.h"
#include "decoderlib/MpegFixtures.h"
#include "support/AppFixture.h"
#include "support/EventWait.h"
#include "support/WavWriter.h"
#include "wavepipe/MMWave.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cmath>
#include <gtest/gtest.h>

using namespace tb;
using namespace tb::test;

namespace {

// The application object must exist before the codec bindings create their windows.
struct WithApplication {
    WithApplication() { application(); }
};

class LibraryBatch : public ::testing::Test, private WithApplication {
protected:
    LibraryBatch()
    {
        QDir().mkpath(dir.file("src"));
        options = ProgramOptions::Defaults(dir.path());
        options.WavDir = dir.file("wav/");
        options.Mp3Dir = dir.file("mp3/");
        options.OutputMode = omOverwrite;
        driver.Attach(&mp3ToWav, &wavToMp3);
        ConnectDecoderEvents(codecEvents, decoder, mp3ToWav);
        ConnectEncoderEvents(codecEvents, encoder, wavToMp3);
        // The idle-priority worker could starve behind the other tests running beside this one.
        encoder.SetPriority(tpNormal);
    }

    // Runs the batch to its end; the guard only keeps a broken build from hanging the suite.
    void runBatch()
    {
        dialogs.confirmAnswers.push_back(true);
        driver.btnConvertClick();
        waitUntil([&] { return state.ActivityState != asConverting; });
        ASSERT_EQ(state.ActivityState, asIdle);
    }

    void equalizer(int8_t band)
    {
        XA_EqualizerInfo table{};
        for (int i = 0; i < 32; ++i)
            table.left[i] = table.right[i] = band;
        decoder.SetCodecEqualizer(&table);
    }

    TempDir dir;
    AppState state;
    ProgramOptions options;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    LocalFileSystem fileSystem;
    FakeWindow window;
    InfoTexts info;
    TAudioInfo musicInfo;
    TMMWave wavInfo;
    TXaudioPlayer decoder;
    TGogoTea encoder;
    XaudioDecoderPort decoderPort{decoder};
    GogoEncoderPort encoderPort{encoder};
    StateActivity activity{state};
    BatchDriver driver{state, activity, options, dialogs, shell, fileSystem, window, info};
    Mp3ToWavConversion mp3ToWav{state, options, decoderPort, info, musicInfo, driver};
    WavToMp3Conversion wavToMp3{state, options, encoderPort, info, wavInfo, fileSystem, driver};
    EventLink codecEvents;
};

TEST_F(LibraryBatch, ThreeMpegKindsBecomeTheirPlainDecodeWithTheEqualizerOff)
{
    const MpegKind monoMpeg2{"mono_mpeg2", 22050, 1, "lame --quiet -m m -b 32 {in} {out}"};
    QStringList sources = {makeMpeg(dir.file("src/"), mpegKind("stereo"), 2.0),
                           makeMpeg(dir.file("src/"), mpegKind("layer2"), 1.5),
                           makeMpeg(dir.file("src/"), monoMpeg2, 1.0)};
    for (const QString &s : sources) {
        ASSERT_FALSE(s.isEmpty());
        window.lists[0].rows.push_back({s, true});
    }
    decoder.SetCodecEqualizer(nullptr);
    runBatch();
    EXPECT_EQ(dialogs.messages(), QStringList{"All checked MP3 files have been converted to WAV files!"});
    for (const QString &s : sources) {
        WavFile out = readWav(BatchDriver::DestinationFor(options.WavDir, s, ".wav"));
        Pcm reference = referenceDecode(s);
        ASSERT_TRUE(out.valid) << s.toStdString();
        EXPECT_EQ(out.rate, reference.rate);
        EXPECT_EQ(out.channels, reference.channels);
        EXPECT_EQ(out.samples, reference.samples) << s.toStdString();
    }
}

TEST_F(LibraryBatch, DefaultEqualizerLowersTheOutputByFiveDecibels)
{
    QString source = makeMpeg(dir.file("src/"), mpegKind("stereo"), 2.0);
    window.lists[0].rows.push_back({source, true});
    equalizer(-50);
    runBatch();
    WavFile out = readWav(options.WavDir + "stereo.wav");
    Pcm reference = referenceDecode(source);
    ASSERT_TRUE(out.valid);
    ASSERT_EQ(out.samples.size(), reference.samples.size());
    double gainDb = 20 * std::log10(rms(out.samples) / rms(reference.samples));
    EXPECT_NEAR(gainDb, -5.0, 0.5);
}

TEST_F(LibraryBatch, DamagedFileFailsAndTheNextIsConverted)
{
    QString bad = dir.write("src/noise.mp3", QByteArray(20000, '\x17'));
    QString good = makeMpeg(dir.file("src/"), mpegKind("mono"), 1.0);
    window.lists[0].rows.push_back({bad, true});
    window.lists[0].rows.push_back({good, true});
    runBatch();
    EXPECT_TRUE(readWav(options.WavDir + "mono.wav").valid);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages()[0], "1 of 2 checked MP3 files could not be converted:\n"
                                     "noise.mp3: input file is not an MPEG audio stream");
    EXPECT_FALSE(QFileInfo::exists(options.WavDir + "noise.wav")) << "a failed file leaves no stub";
}

TEST_F(LibraryBatch, PcmWavFilesBecomeMp3sAtTheChosenBitrateAndModeAndCompressedOnesArePassedOver)
{
    struct Source {
        const char *name;
        Tone tone;
    };
    Tone stereo16;
    stereo16.frames = 44100 * 2;
    Tone mono8;
    mono8.channels = 1;
    mono8.bits = 8;
    mono8.sampleRate = 22050;
    mono8.frames = 22050;
    Tone stereo24;
    stereo24.bits = 24;
    stereo24.sampleRate = 48000;
    stereo24.frames = 48000;
    const Source sources[] = {{"a.wav", stereo16}, {"b.wav", mono8}, {"c.wav", stereo24}};
    for (const Source &s : sources) {
        writeSineWav(dir.file(QString("src/") + s.name), s.tone);
        window.lists[1].rows.push_back({dir.file(QString("src/") + s.name), true});
    }
    QString adpcm = dir.file("src/adpcm.wav");
    writeFile(adpcm, RiffBuilder()
                         .chunk("fmt ", formatChunk(2, 2, 44100, 44100, 1024, 4, 2, QByteArray(2, 0)))
                         .chunk("data", QByteArray(4096, 1))
                         .build());
    window.lists[1].rows.insert(window.lists[1].rows.begin() + 1, FakeRow{adpcm, true});
    options.Mp3Bitrate = 6; // 96 kbit/s
    options.Mp3Stereo = 2;  // joint stereo
    state.DoWhat = dwWavToMp3;
    runBatch();
    EXPECT_EQ(dialogs.messages(), QStringList{"1 file was not PCM WAV and was passed over"});
    EXPECT_FALSE(QFileInfo::exists(options.Mp3Dir + "adpcm.mp3"));
    for (const Source &s : sources) {
        QString mp3 = BatchDriver::DestinationFor(options.Mp3Dir, s.name, ".mp3");
        TAudioInfo probe;
        probe.LoadFromFile(mp3);
        ASSERT_GE(probe.FirstFrame, 0) << s.name;
        EXPECT_EQ(probe.FrameHdr.Bitrate, 96) << s.name;
        if (s.tone.channels == 2) {
            EXPECT_EQ(probe.FrameHdr.ChannelMode(), 1) << s.name << " is joint stereo";
        }
        Pcm decoded = referenceDecode(mp3);
        const int64_t frameSamples = s.tone.sampleRate >= 32000 ? 1152 : 576;
        EXPECT_NEAR(double(decoded.samples.size() / decoded.channels), double(s.tone.frames), double(frameSamples))
            << s.name;
    }
}

} // namespace
