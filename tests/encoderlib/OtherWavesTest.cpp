// WAV files as other programs write them (ffmpeg, sox): the extensible format, floating point,
// sizes left open by a recording to a pipe, a cut-off recording, RF64, six channels and low
// sample rates. Each is encoded through the library's entry points and the MP3 is checked with
// ffprobe and mpg123; where lame reads the same file right, its audio frames must be ours (lame
// 3.100 takes floating-point samples for integers, so float files are checked by their level).
#include "../../codeclibs/encoder/Downmix.h"
#include "Mp3Check.h"
#include "support/WavWriter.h"
#include "support/ReferenceTools.h"
#include "support/TempDir.h"

#include <tonebridge/gogo.h>

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace tb::test;

namespace {

int32_t encode(const QString &in, const QString &out, int bitrate, int mode)
{
    MPGE_initializeWork();
    const std::string source = in.toStdString(), target = out.toStdString();
    MPGE_setConfigure(MC_INPUTFILE, MC_INPDEV_FILE, source.c_str());
    MPGE_setConfigure(MC_OUTPUTFILE, 0, target.c_str());
    MPGE_setConfigure(MC_BITRATE, bitrate, nullptr);
    MPGE_setConfigure(MC_ENCODEMODE, mode, nullptr);
    int32_t result = MPGE_detectConfigure();
    while (result == MPGE_OK)
        result = MPGE_processFrame();
    MPGE_closeCoder();
    MPGE_endCoder();
    return result;
}

QString run(const QString &program, const QStringList &arguments, const QString &stdoutFile = {})
{
    QProcess process;
    if (!stdoutFile.isEmpty())
        process.setStandardOutputFile(stdoutFile);
    process.start(program, arguments);
    process.waitForFinished(-1);
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0
               ? QString()
               : program + " failed: " + QString::fromUtf8(process.readAllStandardError());
}

// Sample frames in the file as ffmpeg decodes them (it reads every layout used here).
qint64 ffmpegFrames(const QString &path, const TempDir &dir)
{
    const QString raw = dir.file("count.raw");
    if (!run("ffmpeg", {"-v", "error", "-y", "-i", path, "-ac", "1", "-f", "s16le", raw}).isEmpty())
        return -1;
    return QFile(raw).size() / 2;
}

// The bitrate mpg123 names for the first audio frame ("MPEG 2.0 L III cbr128 16000 mono").
int mpg123Bitrate(const QString &path)
{
    const ToolRun r = runTool("mpg123", {"-t", "-n", "1", "-v", path});
    static const QRegularExpression line(R"(^MPEG \S+ L I+ cbr(\d+))", QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = line.match(r.output);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The length of the MPEG audio layer III frame whose header starts the bytes.
size_t frameLength(const QByteArray &b)
{
    static const int mpeg1[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int mpeg2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    static const int rates[] = {44100, 48000, 32000, 0};
    if (b.size() < 4 || uint8_t(b[0]) != 0xFF || (uint8_t(b[1]) & 0xE0) != 0xE0)
        return 0;
    const int version = (uint8_t(b[1]) >> 3) & 3;
    const int bitrate = (version == 3 ? mpeg1 : mpeg2)[uint8_t(b[2]) >> 4] * 1000;
    const int rate = rates[(uint8_t(b[2]) >> 2) & 3] / (version == 3 ? 1 : version == 2 ? 2 : 4);
    return rate ? size_t((version == 3 ? 144 : 72) * bitrate / rate + ((uint8_t(b[2]) >> 1) & 1)) : 0;
}

struct WaveCase {
    const char *name;
    // Writes the source into the folder as "in.wav"; an empty text, or why it failed.
    std::function<QString(const TempDir &)> make;
    int bitrate;
    int mode;
    int expectedRate;     // of the MP3
    int expectedChannels; // of the MP3
    const char *wavInfo;  // what ffprobe says of the source: "codec_name channels sample_rate"
    bool sameAsLame;      // lame reads the file too: the audio frames must be the same
    double level;         // peak of the tone in the MP3, full scale 1 (ffmpeg's sine is 1/8, and
                          // -3 dB in each channel when it makes stereo of it)
};

QString ffmpegTone(const TempDir &, const QStringList &output, const QString &stdoutFile = {})
{
    return run("ffmpeg", QStringList{"-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:duration=2"} + output,
               stdoutFile);
}

QString soxTone(const TempDir &, const QStringList &format, const QString &target)
{
    return run("sox", QStringList{"-n"} + format + QStringList{target, "synth", "2", "sine", "440", "gain", "-6"});
}

std::vector<WaveCase> waveCases()
{
    const QString sixChannels = "pan=5.1|c0=0.5*c0|c1=0.5*c0|c2=0.5*c0|c3=0.5*c0|c4=0.5*c0|c5=0.5*c0";
    return {
        {"FfmpegExtensible24Bit",
         [](const TempDir &d) { return ffmpegTone(d, {"-ac", "2", "-ar", "48000", "-c:a", "pcm_s24le", d.file("in.wav")}); },
         192, MC_MODE_JOINT, 48000, 2, "pcm_s24le 2 48000", true, 0.0884},
        {"FfmpegExtensible32Bit",
         [](const TempDir &d) { return ffmpegTone(d, {"-ac", "2", "-c:a", "pcm_s32le", d.file("in.wav")}); },
         128, MC_MODE_STEREO, 44100, 2, "pcm_s32le 2 44100", true, 0.0884},
        {"FfmpegFloat",
         [](const TempDir &d) { return ffmpegTone(d, {"-ac", "2", "-c:a", "pcm_f32le", d.file("in.wav")}); },
         128, MC_MODE_JOINT, 44100, 2, "pcm_f32le 2 44100", false, 0.0884},
        {"FfmpegDouble",
         [](const TempDir &d) { return ffmpegTone(d, {"-ac", "1", "-c:a", "pcm_f64le", d.file("in.wav")}); },
         96, MC_MODE_MONO, 44100, 1, "pcm_f64le 1 44100", false, 0.125},
        {"SoxPlainFloat",
         [](const TempDir &d) {
             return soxTone(d, {"-r", "44100", "-c", "2", "-e", "floating-point", "-b", "32", "-t", "wavpcm"}, d.file("in.wav"));
         },
         128, MC_MODE_STEREO, 44100, 2, "pcm_f32le 2 44100", false, 0.501},
        {"FfmpegStreamedToAPipe",
         [](const TempDir &d) { return ffmpegTone(d, {"-ac", "2", "-c:a", "pcm_s16le", "-f", "wav", "-"}, d.file("in.wav")); },
         128, MC_MODE_JOINT, 44100, 2, "pcm_s16le 2 44100", true, 0.0884},
        {"SoxStreamedToAPipe",
         [](const TempDir &d) {
             const QString target = d.file("in.wav");
             QProcess sox;
             sox.setStandardOutputFile(target);
             sox.start("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", "-t", "wav", "-", "synth", "2", "sine", "440",
                               "gain", "-6"});
             sox.waitForFinished(-1);
             return sox.exitCode() == 0 ? QString() : QString("sox failed");
         },
         128, MC_MODE_STEREO, 44100, 2, "pcm_s16le 2 44100", false, 0.501},
        {"CutOffRecording",
         [](const TempDir &d) {
             const QString why = ffmpegTone(d, {"-ac", "2", "-c:a", "pcm_s16le", d.file("whole.wav")});
             if (!why.isEmpty())
                 return why;
             d.write("in.wav", TempDir::read(d.file("whole.wav")).left(200001)); // inside a sample frame
             return QString();
         },
         128, MC_MODE_JOINT, 44100, 2, "pcm_s16le 2 44100", false, 0.0884},
        {"RiffSizeZero",
         [](const TempDir &d) {
             const QString why = soxTone(d, {"-r", "22050", "-c", "1", "-b", "16"}, d.file("whole.wav"));
             QByteArray bytes = TempDir::read(d.file("whole.wav"));
             bytes.replace(4, 4, QByteArray(4, '\0'));
             d.write("in.wav", bytes);
             return why;
         },
         64, MC_MODE_MONO, 22050, 1, "pcm_s16le 1 22050", false, 0.501},
        {"FfmpegRf64",
         [](const TempDir &d) {
             return ffmpegTone(d, {"-ac", "2", "-c:a", "pcm_s16le", "-rf64", "always", "-f", "wav", d.file("in.wav")});
         },
         128, MC_MODE_JOINT, 44100, 2, "pcm_s16le 2 44100", false, 0.0884},
        {"FfmpegSixChannels",
         [sixChannels](const TempDir &d) {
             return ffmpegTone(d, {"-af", sixChannels, "-c:a", "pcm_s16le", d.file("in.wav")});
         },
         192, MC_MODE_JOINT, 44100, 2, "pcm_s16le 6 44100", false, 0.0625},
        {"Sox8kHzAt128kbps",
         [](const TempDir &d) { return soxTone(d, {"-r", "8000", "-c", "1", "-b", "16"}, d.file("in.wav")); },
         128, MC_MODE_MONO, 16000, 1, "pcm_s16le 1 8000", false, 0.501},
        {"Sox11025HzAt128kbps",
         [](const TempDir &d) { return soxTone(d, {"-r", "11025", "-c", "2", "-b", "16"}, d.file("in.wav")); },
         128, MC_MODE_JOINT, 16000, 2, "pcm_s16le 2 11025", false, 0.501},
        {"Sox8kHzAt64kbpsKeepsItsRate",
         [](const TempDir &d) { return soxTone(d, {"-r", "8000", "-c", "1", "-b", "16"}, d.file("in.wav")); },
         64, MC_MODE_MONO, 8000, 1, "pcm_s16le 1 8000", true, 0.501},
    };
}

class OtherWaves : public ::testing::TestWithParam<WaveCase> {};

TEST_P(OtherWaves, EncodeAtTheChosenBitrateWithTheSourcesLength)
{
    if (const QString tool = missingTool({"ffmpeg", "ffprobe", "sox", "mpg123", "lame"}); !tool.isEmpty())
        GTEST_SKIP() << "no " << tool.toStdString();
    const WaveCase &c = GetParam();
    TempDir dir;
    const QString in = dir.file("in.wav"), out = dir.file("out.mp3");
    ASSERT_EQ(c.make(dir), QString());
    const auto source = ffprobeEntries(in, "stream=codec_name,channels,sample_rate");
    ASSERT_EQ(source.value("codec_name") + " " + source.value("channels") + " " + source.value("sample_rate"),
              QString(c.wavInfo));
    const qint64 sourceFrames = ffmpegFrames(in, dir);
    ASSERT_GT(sourceFrames, 0);

    ASSERT_EQ(encode(in, out, c.bitrate, c.mode), MPGE_FINISHED);

    const auto mp3 = ffprobeEntries(out, "stream=codec_name,channels,sample_rate,bit_rate");
    EXPECT_EQ(mp3.value("codec_name"), "mp3");
    EXPECT_EQ(mp3.value("sample_rate").toInt(), c.expectedRate);
    EXPECT_EQ(mp3.value("channels").toInt(), c.expectedChannels);
    EXPECT_EQ(mp3.value("bit_rate").toInt(), c.bitrate * 1000);
    EXPECT_EQ(mpg123Bitrate(out), c.bitrate);

    const DecodedMp3 d = decodeMp3(out.toStdString());
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.bitrates, std::set<int>{c.bitrate});
    const int sourceRate = source.value("sample_rate").toInt();
    const double expectedSamples = double(sourceFrames) * c.expectedRate / sourceRate;
    const long frameSamples = c.expectedRate >= 32000 ? 1152 : 576;
    EXPECT_LE(std::abs(double(d.samples()) - expectedSamples), frameSamples)
        << d.samples() << " samples against " << expectedSamples;
    EXPECT_NEAR(toneFrequency(d.left, d.rate), 440.0, 4.4);
    EXPECT_NEAR(rmsDb(d.left), sineDb(c.level), 1.0);
    if (d.channels == 2) {
        EXPECT_NEAR(rmsDb(d.right), sineDb(c.level), 1.0);
    }

    if (c.sameAsLame) {
        const QString theirs = dir.file("lame.mp3");
        const char *modes[] = {"m", "s", "j", "j", "d"};
        ASSERT_EQ(run("lame", {"--quiet", "-b", QString::number(c.bitrate), "-m", modes[c.mode], in, theirs}), QString());
        const QByteArray ours = TempDir::read(out), lame = TempDir::read(theirs);
        const size_t tag = frameLength(ours);
        ASSERT_GT(tag, 0u);
        ASSERT_EQ(ours.size(), lame.size());
        EXPECT_TRUE(ours.mid(int(tag)) == lame.mid(int(tag))) << "audio frames differ from lame's";
    }
}

INSTANTIATE_TEST_SUITE_P(Files, OtherWaves, ::testing::ValuesIn(waveCases()),
                         [](const ::testing::TestParamInfo<WaveCase> &info) { return std::string(info.param.name); });

TEST(OtherWaves, SixChannelsMixDownAsFfmpegMixesThem)
{
    if (const QString tool = missingTool({"ffmpeg"}); !tool.isEmpty())
        GTEST_SKIP() << "no " << tool.toStdString();
    // Every channel its own tone, so each weight shows in the level of each side.
    TempDir dir;
    const QString in = dir.file("six.wav");
    ASSERT_EQ(run("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=300:duration=2", "-f", "lavfi",
                             "-i", "sine=frequency=700:duration=2", "-filter_complex",
                             "[0][1]amerge=inputs=2,pan=5.1|c0=0.9*c0|c1=0.9*c1|c2=0.9*c0|c3=0.9*c1|c4=0.9*c0|c5=0.9*c1",
                             "-c:a", "pcm_s16le", in}),
              QString());
    ASSERT_EQ(encode(in, dir.file("ours.mp3"), 320, MC_MODE_STEREO), MPGE_FINISHED);
    ASSERT_EQ(run("ffmpeg", {"-v", "error", "-y", "-i", in, "-ac", "2", "-c:a", "pcm_s16le", dir.file("theirs.wav")}),
              QString());
    ASSERT_EQ(encode(dir.file("theirs.wav"), dir.file("theirs.mp3"), 320, MC_MODE_STEREO), MPGE_FINISHED);
    const DecodedMp3 ours = decodeMp3(dir.file("ours.mp3").toStdString());
    const DecodedMp3 theirs = decodeMp3(dir.file("theirs.mp3").toStdString());
    ASSERT_TRUE(ours.ok && theirs.ok);
    EXPECT_NEAR(rmsDb(ours.left), rmsDb(theirs.left), 0.2);
    EXPECT_NEAR(rmsDb(ours.right), rmsDb(theirs.right), 0.2);
}

TEST(Downmix, ItuWeightsScaledSoNothingClips)
{
    const double c = std::sqrt(0.5), scale = 1 + 2 * c;
    // 5.1 in the default order of six channels: FL FR FC LFE BL BR
    tb::encoder::Downmix fivePointOne(6, 0);
    const double left[] = {1, 0, c, 0, c, 0}, right[] = {0, 1, c, 0, 0, c};
    for (int ch = 0; ch < 6; ++ch) {
        EXPECT_NEAR(fivePointOne.leftWeight(ch), left[ch] / scale, 1e-12) << ch;
        EXPECT_NEAR(fivePointOne.rightWeight(ch), right[ch] / scale, 1e-12) << ch;
    }
    // 5.1 with side channels, named by the extensible format's mask: FL FR FC LFE SL SR
    tb::encoder::Downmix side(6, 0x60F);
    EXPECT_NEAR(side.leftWeight(4), c / scale, 1e-12);
    EXPECT_NEAR(side.rightWeight(5), c / scale, 1e-12);
    EXPECT_EQ(side.leftWeight(3), 0.0);
    // full scale everywhere stays within full scale
    const int32_t loud[6] = {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX};
    int32_t l = 0, r = 0;
    fivePointOne.mix(loud, l, r);
    EXPECT_GE(l, INT32_MAX - 2);
    EXPECT_GE(r, INT32_MAX - 2);
    // three channels: FL FR FC
    tb::encoder::Downmix three(3, 0);
    EXPECT_NEAR(three.leftWeight(0), 1 / (1 + c), 1e-12);
    EXPECT_NEAR(three.rightWeight(2), c / (1 + c), 1e-12);
}

} // namespace
