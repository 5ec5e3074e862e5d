// MPEG files made by other programs (lame, ffmpeg, twolame), with leading ID3v2 tags and junk:
// what the probe and the format line say, checked against what mpg123 and ffprobe read.
#include "audioinfo/AudioInfo.h"
#include "audioinfo/Describe.h"
#include "wavepipe/MMWave.h"
#include "support/InfoTexts.h"
#include "support/QtPrinters.h"
#include "support/ReferenceTools.h"
#include "support/TempDir.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <functional>
#include <gtest/gtest.h>

using namespace tb;
using namespace tb::test;

namespace {

// What `mpg123 -v` says of the first frame: "MPEG 2.5 L III cbr32 11025 mono".
struct Mpg123Frame {
    QString version, layer, mode;
    int bitrate = -1; // -1 for a variable bitrate
    int rate = 0;
};

Mpg123Frame mpg123FirstFrame(const QString &path)
{
    const ToolRun run = runTool("mpg123", {"-t", "-n", "1", "-v", path});
    static const QRegularExpression line(R"(^MPEG (\S+) L (I+) (cbr(\d+)|vbr|abr\d*)\s+(\d+) (\S+))",
                                         QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = line.match(run.output);
    Mpg123Frame frame;
    if (!m.hasMatch())
        return frame;
    frame.version = m.captured(1);
    frame.layer = m.captured(2);
    frame.bitrate = m.captured(4).isEmpty() ? -1 : m.captured(4).toInt();
    frame.rate = m.captured(5).toInt();
    frame.mode = m.captured(6);
    return frame;
}

int channelModeOf(const QString &mpg123Mode)
{
    if (mpg123Mode == "stereo")
        return 0;
    if (mpg123Mode == "j-s")
        return 1;
    if (mpg123Mode == "dual")
        return 2;
    return 3;
}

QString run(const QString &program, const QStringList &arguments)
{
    const ToolRun r = runTool(program, arguments);
    return r.exitCode == 0 ? QString() : program + " failed: " + r.output;
}

// A picture of noise, which PNG cannot compress: about 60 KB.
QString noisePicture(const TempDir &dir)
{
    QByteArray pixels(150 * 134 * 3, '\0');
    QRandomGenerator random(7);
    for (char &byte : pixels)
        byte = char(random.generate() & 0xFF);
    dir.write("cover.rgb", pixels);
    return run("ffmpeg", {"-v", "error", "-y", "-f", "rawvideo", "-pix_fmt", "rgb24", "-s", "150x134", "-i",
                          dir.file("cover.rgb"), dir.file("cover.png")});
}

// Layer I at 384 kbit/s and 44.1 kHz, silent frames padded as an encoder pads them to keep the
// rate (no Debian package encodes Layer I; mpg123 and ffprobe read these frames).
QByteArray layerOneFrames(int count)
{
    QByteArray out;
    int remainder = 0;
    for (int i = 0; i < count; ++i) {
        const int slotCount = 12 * 384000;
        remainder += slotCount % 44100;
        const bool pad = remainder >= 44100;
        if (pad)
            remainder -= 44100;
        const int length = 4 * (slotCount / 44100 + (pad ? 1 : 0));
        QByteArray frame(length, '\0');
        frame[0] = char(0xFF);
        frame[1] = char(0xFF);
        frame[2] = char(0xC0 | (pad ? 0x02 : 0));
        out += frame;
    }
    return out;
}

struct Fixture {
    const char *name;
    // Makes the file in the folder (tone.wav, tone11k.wav and cover.png are there); returns
    // its path, or an empty text with the reason on failure.
    std::function<QString(const TempDir &, QString &why)> make;
    bool infoFrame;  // the first frame is a LAME/Xing information frame that ffprobe steps over
    QString title;   // the title the format line comes with
};

QString lameFile(const TempDir &dir, const QString &name, const QStringList &arguments, const QString &source,
                 QString &why)
{
    const QString out = dir.file(name);
    why = run("lame", QStringList{"--quiet"} + arguments + QStringList{dir.file(source), out});
    return why.isEmpty() ? out : QString();
}

std::vector<Fixture> fixtures()
{
    return {
        {"LameCbrWithA60KBPicture",
         [](const TempDir &d, QString &why) {
             return lameFile(d, "picture.mp3", {"-b", "128", "--ti", d.file("cover.png"), "--tt", "Piano"}, "tone.wav", why);
         },
         true, "Piano"}, // lame writes the title into an ID3v1 tag as well
        {"LameVbrXingWithPicture",
         [](const TempDir &d, QString &why) {
             return lameFile(d, "vbr.mp3", {"-V", "2", "--id3v2-only", "--ti", d.file("cover.png"), "--tt", "Etude"},
                             "tone.wav", why);
         },
         true, "vbr.mp3"},
        {"FfmpegUtf16Title",
         [](const TempDir &d, QString &why) {
             const QString out = d.file("utf16.mp3");
             why = run("ffmpeg", {"-v", "error", "-y", "-i", d.file("tone.wav"), "-c:a", "libmp3lame", "-b:a", "96k",
                                  "-id3v2_version", "3", "-metadata", QString::fromUtf8("title=T\u00edtulo \u266a"), out});
             return why.isEmpty() ? out : QString();
         },
         true, "utf16.mp3"},
        {"JunkHoldingAFakeHeader",
         [](const TempDir &d, QString &why) {
             const QString plain = lameFile(d, "plain.mp3", {"-t", "-b", "128"}, "tone.wav", why);
             if (plain.isEmpty())
                 return QString();
             QByteArray junk(3000, '\x22');
             junk.replace(700, 4, QByteArray::fromHex("FFFB9064")); // decodes, but nothing follows it
             return d.write("junk.mp3", junk + TempDir::read(plain));
         },
         false, "junk.mp3"},
        {"Mpeg25At11025Hz",
         [](const TempDir &d, QString &why) { return lameFile(d, "low.mp3", {"-b", "32"}, "tone11k.wav", why); },
         true, "low.mp3"},
        {"LayerI384kAt44100Hz",
         [](const TempDir &d, QString &) { return d.write("layer1.mp1", layerOneFrames(200)); }, false, "layer1.mp1"},
        {"TwolameLayerII",
         [](const TempDir &d, QString &why) {
             const QString out = d.file("layer2.mp2");
             why = run("twolame", {"--quiet", "-b", "192", d.file("tone.wav"), out});
             return why.isEmpty() ? out : QString();
         },
         false, "layer2.mp2"},
    };
}

class OtherEncoders : public ::testing::TestWithParam<Fixture> {};

TEST_P(OtherEncoders, ProbeAgreesWithMpg123AndFfprobe)
{
    if (const QString tool = missingTool({"ffmpeg", "ffprobe", "mpg123", "lame", "twolame", "sox"}); !tool.isEmpty())
        GTEST_SKIP() << "no " << tool.toStdString();
    const Fixture &c = GetParam();
    TempDir dir;
    ASSERT_EQ(run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", dir.file("tone.wav"), "synth", "2", "sine", "440"}),
              QString());
    ASSERT_EQ(run("sox", {"-n", "-r", "11025", "-c", "1", "-b", "16", dir.file("tone11k.wav"), "synth", "2", "sine", "440"}),
              QString());
    ASSERT_EQ(noisePicture(dir), QString());
    ASSERT_GT(QFileInfo(dir.file("cover.png")).size(), 60000);
    QString why;
    const QString path = c.make(dir, why);
    ASSERT_FALSE(path.isEmpty()) << why.toStdString();

    const Mpg123Frame theirs = mpg123FirstFrame(path);
    ASSERT_GT(theirs.rate, 0) << "mpg123 cannot read " << path.toStdString();
    const qint64 firstPacket = ffprobeFirstPacketPosition(path);
    ASSERT_GE(firstPacket, 0);

    TAudioInfo info;
    info.LoadFromFile(path);
    ASSERT_TRUE(info.FrameHdr.Valid);
    EXPECT_EQ(info.FrameHdr.VersionText(), theirs.version);
    EXPECT_EQ(info.FrameHdr.LayerText(), theirs.layer);
    EXPECT_EQ(info.FrameHdr.SampleRate, theirs.rate);
    if (c.infoFrame) {
        // The information frame's own header may name another stereo mode than the audio
        // frames (ffmpeg writes it as plain stereo); the channel count is the same.
        EXPECT_EQ(info.FrameHdr.ChannelMode() == 3, theirs.mode == "mono");
    } else {
        EXPECT_EQ(info.FrameHdr.ChannelMode(), channelModeOf(theirs.mode));
    }
    if (theirs.bitrate > 0) {
        EXPECT_EQ(info.FrameHdr.Bitrate, theirs.bitrate);
    }
    EXPECT_EQ(info.FirstFrame + (c.infoFrame ? info.FrameHdr.FrameLength : 0), firstPacket);

    InfoTexts texts;
    TAudioInfo musicInfo;
    DescribeMpegFile(texts, musicInfo, path);
    EXPECT_EQ(texts.info, QStringLiteral("MPEG %1 Layer %2, %3Hz, %4Ch, %5KBps")
                              .arg(theirs.version, theirs.layer)
                              .arg(theirs.rate)
                              .arg(theirs.mode == "mono" ? 1 : 2)
                              .arg(info.FrameHdr.Bitrate));
    EXPECT_EQ(texts.title, c.title);
}

INSTANTIATE_TEST_SUITE_P(Files, OtherEncoders, ::testing::ValuesIn(fixtures()),
                         [](const ::testing::TestParamInfo<Fixture> &info) { return std::string(info.param.name); });

// --- WAV files ------------------------------------------------------------------------------

struct WaveFixture {
    const char *name;
    QStringList ffmpegOutput; // the ffmpeg arguments after the input, {out} for the file
    bool toPipe;              // written to standard output, as a recording to a pipe is
    const char *formatName;   // the name ffprobe's codec stands for in our table
    int cutFrames = 0;        // sample frames cut off the end afterwards, as a recording that stopped
    bool riffSizeZero = false; // the RIFF size left 0 afterwards, as some streaming writers leave it
};

std::vector<WaveFixture> waveFixtures()
{
    return {
        {"Extensible24Bit", {"-ac", "2", "-ar", "48000", "-c:a", "pcm_s24le", "{out}"}, false, "PCM"},
        {"Extensible32Bit", {"-ac", "2", "-c:a", "pcm_s32le", "{out}"}, false, "PCM"},
        {"Float", {"-ac", "2", "-c:a", "pcm_f32le", "{out}"}, false, "IEEE Float"},
        {"Double", {"-ac", "1", "-c:a", "pcm_f64le", "{out}"}, false, "IEEE Float"},
        {"StreamedToAPipe", {"-ac", "2", "-c:a", "pcm_s16le", "-f", "wav", "-"}, true, "PCM"},
        {"Rf64", {"-ac", "2", "-c:a", "pcm_s16le", "-rf64", "always", "-f", "wav", "{out}"}, false, "PCM"},
        {"SixChannels", {"-af", "pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0", "-c:a", "pcm_s16le", "{out}"}, false, "PCM"},
        {"MuLaw", {"-ar", "8000", "-c:a", "pcm_mulaw", "{out}"}, false, "CCITT mu-Law"},
        {"ALaw", {"-ar", "8000", "-c:a", "pcm_alaw", "{out}"}, false, "CCITT A-Law"},
        {"ImaAdpcm", {"-ac", "2", "-c:a", "adpcm_ima_wav", "{out}"}, false, "IMA ADPCM"},
        {"MicrosoftAdpcm", {"-ac", "2", "-c:a", "adpcm_ms", "{out}"}, false, "Microsoft ADPCM"},
        {"Gsm", {"-ar", "8000", "-c:a", "libgsm_ms", "{out}"}, false, "GSM 6.10"},
        {"Telephone8kHz", {"-ar", "8000", "-ac", "1", "-c:a", "pcm_s16le", "{out}"}, false, "PCM"},
        {"CutOff", {"-ac", "2", "-c:a", "pcm_s16le", "{out}"}, false, "PCM", 30000},
        {"RiffSizeZero", {"-ac", "2", "-c:a", "pcm_s16le", "{out}"}, false, "PCM", 0, true},
    };
}

class OtherWaveWriters : public ::testing::TestWithParam<WaveFixture> {};

TEST_P(OtherWaveWriters, DescriptionAgreesWithFfprobe)
{
    if (const QString tool = missingTool({"ffmpeg", "ffprobe"}); !tool.isEmpty())
        GTEST_SKIP() << "no " << tool.toStdString();
    const WaveFixture &c = GetParam();
    TempDir dir;
    const QString path = dir.file("in.wav");
    QStringList arguments{"-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:duration=2"};
    for (const QString &a : c.ffmpegOutput)
        arguments << (a == "{out}" ? path : a);
    QProcess ffmpeg;
    if (c.toPipe)
        ffmpeg.setStandardOutputFile(path);
    ffmpeg.start("ffmpeg", arguments);
    ffmpeg.waitForFinished(-1);
    ASSERT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();
    if (c.cutFrames > 0 || c.riffSizeZero) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        if (c.cutFrames > 0) {
            ASSERT_TRUE(file.resize(file.size() - c.cutFrames * 4)); // 16-bit stereo
        }
        if (c.riffSizeZero) {
            file.seek(4);
            file.write(QByteArray(4, '\0'));
        }
    }

    const auto theirs = ffprobeEntries(path, "stream=channels,sample_rate,bits_per_sample,duration_ts");
    const int channels = theirs.value("channels").toInt();
    InfoTexts texts;
    TMMWave wave;
    DescribeWaveFile(texts, path, wave);
    EXPECT_EQ(texts.info, QStringLiteral("%1, %2Hz, %3Ch, %4Bit")
                              .arg(QString::fromLatin1(c.formatName), theirs.value("sample_rate"))
                              .arg(channels == 2 ? 2 : 1)
                              .arg(theirs.value("bits_per_sample")));
    EXPECT_EQ(texts.title, QStringLiteral("in.wav"));
    if (QString::fromLatin1(c.formatName) == "PCM" || QString::fromLatin1(c.formatName) == "IEEE Float") {
        // every sample frame is read, also where the header leaves the size open
        wave.SetTimeFormat(tfSample);
        EXPECT_EQ(wave.Duration(), 2 * theirs.value("sample_rate").toLongLong() - c.cutFrames);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, OtherWaveWriters, ::testing::ValuesIn(waveFixtures()),
                         [](const ::testing::TestParamInfo<WaveFixture> &info) { return std::string(info.param.name); });

} // namespace
