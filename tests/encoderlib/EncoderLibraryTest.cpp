// The encoder library's entry points, called directly as the binding calls them; every output
// is decoded back with libmpg123.
#include "Mp3Check.h"
#include "support/FileSizeLimit.h"
#include "support/WavWriter.h"
#include "support/TempDir.h"

#include <tonebridge/gogo.h>

#include <gtest/gtest.h>
#include <lame/lame.h>

#include <QDir>
#include <QProcess>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

using namespace tb::test;

namespace {

struct Settings {
    int mode = MC_MODE_STEREO;
    int bitrate = 128;
    int psy = 0;
    int lpf = 0;
    int vbr = -1; // -1: no VBR item
    int emphasis = 0;
};

struct Encoding {
    int32_t detect = -1;
    int32_t frames = 0; // what MG_FRAMES reported
    int calls = 0;
    int32_t last = 0; // the last result of MPGE_processFrame
};

void configure(const Settings &s, const std::string &out)
{
    MPGE_setConfigure(MC_OUTPUTFILE, 0, out.c_str());
    MPGE_setConfigure(MC_USEPSY, s.psy, nullptr);
    MPGE_setConfigure(MC_BITRATE, s.bitrate, nullptr);
    MPGE_setConfigure(MC_USELPF16, s.lpf, nullptr);
    if (s.vbr >= 0)
        MPGE_setConfigure(MC_VBR, s.vbr, nullptr);
    for (int item = MC_USEMMX; item <= MC_USESPC2; ++item)
        MPGE_setConfigure(item, 1, nullptr);
    MPGE_setConfigure(MC_EMPHASIS, s.emphasis, nullptr);
    MPGE_setConfigure(MC_ENCODEMODE, s.mode, nullptr);
}

Encoding runEncoding()
{
    Encoding e;
    e.detect = MPGE_detectConfigure();
    if (e.detect == MPGE_OK) {
        MPGE_getConfigure(MG_FRAMES, &e.frames);
        do {
            e.last = MPGE_processFrame();
            ++e.calls;
        } while (e.last == MPGE_OK && e.calls < 10'000'000);
    }
    MPGE_closeCoder();
    MPGE_endCoder();
    return e;
}

Encoding encodeFile(const std::string &in, const std::string &out, const Settings &s = {})
{
    MPGE_initializeWork();
    MPGE_setConfigure(MC_INPUTFILE, MC_INPDEV_FILE, in.c_str());
    configure(s, out);
    return runEncoding();
}

std::string path(const QString &p) { return p.toStdString(); }

std::string lastError()
{
    char text[512] = "unchanged";
    EXPECT_EQ(MPGE_getLastError(text, sizeof text), MPGE_OK);
    return text;
}

// LAME's encoder delay plus the decoder's.
constexpr long CodecDelay = 576 + 529;

// --- The table of encodings -------------------------------------------------------------

struct EncodingCase {
    const char *name;
    ToneWave wave;
    Settings settings;
    int expectedMode; // MPG123_M_*
    long expectedRate;
    int expectedChannels;
};

ToneWave wave(int bits, int channels, int rate)
{
    ToneWave w;
    w.bits = bits;
    w.channels = channels;
    w.rate = rate;
    return w;
}

Settings at(int bitrate, int mode = MC_MODE_STEREO)
{
    Settings s;
    s.bitrate = bitrate;
    s.mode = mode;
    return s;
}

std::vector<EncodingCase> encodingCases()
{
    std::vector<EncodingCase> cases;
    static const char *const names[] = {"b32", "b40", "b48", "b56", "b64", "b80", "b96",
                                        "b112", "b128", "b160", "b192", "b224", "b256", "b320"};
    const int bitrates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    for (int i = 0; i < 14; ++i)
        cases.push_back({names[i], wave(16, 2, 44100), at(bitrates[i]), MPG123_M_STEREO, 44100, 2});
    cases.push_back({"modeMono", wave(16, 2, 44100), at(128, MC_MODE_MONO), MPG123_M_MONO, 44100, 1});
    cases.push_back({"modeStereo", wave(16, 2, 44100), at(128, MC_MODE_STEREO), MPG123_M_STEREO, 44100, 2});
    cases.push_back({"modeJoint", wave(16, 2, 44100), at(128, MC_MODE_JOINT), MPG123_M_JOINT, 44100, 2});
    cases.push_back({"modeMsStereo", wave(16, 2, 44100), at(128, MC_MODE_MSSTEREO), MPG123_M_JOINT, 44100, 2});
    cases.push_back({"modeDual", wave(16, 2, 44100), at(128, MC_MODE_DUALCHANNEL), MPG123_M_DUAL, 44100, 2});
    cases.push_back({"src8BitStereo", wave(8, 2, 44100), at(128), MPG123_M_STEREO, 44100, 2});
    cases.push_back({"src24BitStereo", wave(24, 2, 44100), at(128), MPG123_M_STEREO, 44100, 2});
    cases.push_back({"src32BitStereo", wave(32, 2, 44100), at(128), MPG123_M_STEREO, 44100, 2});
    cases.push_back({"src16BitMonoAsStereo", wave(16, 1, 44100), at(128), MPG123_M_STEREO, 44100, 2});
    cases.push_back({"src16BitMonoAsMono", wave(16, 1, 44100), at(96, MC_MODE_MONO), MPG123_M_MONO, 44100, 1});
    cases.push_back({"src8Bit8kHzMono", wave(8, 1, 8000), at(64, MC_MODE_MONO), MPG123_M_MONO, 8000, 1});
    cases.push_back({"src16Bit8kHzJoint", wave(16, 1, 8000), at(32, MC_MODE_JOINT), MPG123_M_JOINT, 8000, 2});
    cases.push_back({"src16Bit22kHzStereo", wave(16, 2, 22050), at(128), MPG123_M_STEREO, 22050, 2});
    cases.push_back({"src24Bit22kHzMono", wave(24, 1, 22050), at(64, MC_MODE_MONO), MPG123_M_MONO, 22050, 1});
    cases.push_back({"src24Bit48kHzStereo", wave(24, 2, 48000), at(192), MPG123_M_STEREO, 48000, 2});
    cases.push_back({"src8Bit48kHzJoint", wave(8, 2, 48000), at(128, MC_MODE_JOINT), MPG123_M_JOINT, 48000, 2});
    // The bitrate does not exist at the source's rate: the nearest rate that takes it.
    cases.push_back({"b320At8kHzGoes32kHz", wave(16, 1, 8000), at(320, MC_MODE_MONO), MPG123_M_MONO, 32000, 1});
    cases.push_back({"b128At96kHzGoes48kHz", wave(16, 2, 96000), at(128), MPG123_M_STEREO, 48000, 2});
    cases.push_back({"b8At44kHzGoes24kHz", wave(16, 1, 44100), at(8, MC_MODE_MONO), MPG123_M_MONO, 24000, 1});
    // MPEG 2.5 rates carry at most 64 kbit/s in LAME: a higher bitrate takes the lowest rate above.
    cases.push_back({"b128At8kHzGoes16kHz", wave(16, 1, 8000), at(128, MC_MODE_MONO), MPG123_M_MONO, 16000, 1});
    cases.push_back({"b80At11kHzGoes16kHz", wave(16, 2, 11025), at(80), MPG123_M_STEREO, 16000, 2});
    cases.push_back({"b160At12kHzGoes16kHz", wave(16, 2, 12000), at(160, MC_MODE_JOINT), MPG123_M_JOINT, 16000, 2});
    cases.push_back({"b192At8kHzGoes32kHz", wave(16, 1, 8000), at(192, MC_MODE_MONO), MPG123_M_MONO, 32000, 1});
    cases.push_back({"b64At11kHzStays", wave(16, 1, 11025), at(64, MC_MODE_MONO), MPG123_M_MONO, 11025, 1});
    // More than two channels are mixed down to stereo.
    cases.push_back({"src16Bit3ChannelsMixedDown", wave(16, 3, 44100), at(128), MPG123_M_STEREO, 44100, 2});
    cases.push_back({"src24Bit6ChannelsMixedDown", wave(24, 6, 48000), at(192, MC_MODE_JOINT), MPG123_M_JOINT, 48000, 2});
    return cases;
}

class EncodingTable : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(EncodingTable, DecodesWithRequestedHeadersLengthAndTone)
{
    const EncodingCase &c = GetParam();
    TempDir dir;
    const std::string in = path(dir.file("in.wav")), out = path(dir.file("out.mp3"));
    ASSERT_TRUE(writeBytes(in, toneWaveImage(c.wave)));

    const Encoding e = encodeFile(in, out, c.settings);
    ASSERT_EQ(e.detect, MPGE_OK);
    EXPECT_EQ(e.last, MPGE_FINISHED);
    EXPECT_EQ(e.calls, e.frames) << "one call per frame of input, the last one finishing";

    const DecodedMp3 d = decodeMp3(out);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.rate, c.expectedRate);
    EXPECT_EQ(d.channels, c.expectedChannels);
    EXPECT_EQ(d.bitrates, std::set<int>{c.settings.bitrate});
    EXPECT_EQ(d.modes, std::set<int>{c.expectedMode});

    const long frameSize = c.expectedRate >= 32000 ? 1152 : 576;
    const long expectedSamples = std::lround(double(c.wave.frames()) * c.expectedRate / c.wave.rate);
    EXPECT_LE(std::abs(d.samples() - expectedSamples), frameSize + CodecDelay);

    EXPECT_NEAR(toneFrequency(d.left, d.rate), c.wave.frequency, c.wave.frequency * 0.01);
    EXPECT_NEAR(rmsDb(d.left), sineDb(c.wave.level), 1.0);
    if (d.channels == 2) {
        EXPECT_NEAR(toneFrequency(d.right, d.rate), c.wave.frequency, c.wave.frequency * 0.01);
        EXPECT_NEAR(rmsDb(d.right), sineDb(c.wave.level), 1.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Encodings, EncodingTable, ::testing::ValuesIn(encodingCases()),
                         [](const auto &info) { return std::string(info.param.name); });

// --- Settings beyond bitrate and mode ---------------------------------------------------

class EncoderLibrary : public ::testing::Test {
protected:
    std::string writeTone(const ToneWave &w, const char *name = "in.wav")
    {
        const std::string p = path(dir.file(name));
        EXPECT_TRUE(writeBytes(p, toneWaveImage(w)));
        return p;
    }
    std::string out(const char *name = "out.mp3") { return path(dir.file(name)); }
    TempDir dir;
};

TEST_F(EncoderLibrary, LowPassOf16kHzRemovesAnHighToneThatTheAutomaticOneKeeps)
{
    ToneWave w;
    w.frequency = 18000;
    const std::string in = writeTone(w);
    Settings s = at(320);
    ASSERT_EQ(encodeFile(in, out("auto.mp3"), s).last, MPGE_FINISHED);
    s.lpf = 1;
    ASSERT_EQ(encodeFile(in, out("lpf.mp3"), s).last, MPGE_FINISHED);

    const DecodedMp3 automatic = decodeMp3(out("auto.mp3")), lowPassed = decodeMp3(out("lpf.mp3"));
    ASSERT_TRUE(automatic.ok && lowPassed.ok);
    EXPECT_NEAR(rmsDb(automatic.left), sineDb(w.level), 1.0);
    EXPECT_LT(rmsDb(lowPassed.left), sineDb(w.level) - 30.0);
}

TEST_F(EncoderLibrary, VbrLevelsGiveVariableBitrateFilesOfFallingSize)
{
    ToneWave w;
    w.seconds = 3;
    const std::string in = writeTone(w);
    std::vector<size_t> sizes;
    for (int level : {0, 5, 9}) {
        Settings s = at(128);
        s.vbr = level;
        const std::string o = out(("vbr" + std::to_string(level) + ".mp3").c_str());
        ASSERT_EQ(encodeFile(in, o, s).last, MPGE_FINISHED) << level;
        const DecodedMp3 d = decodeMp3(o);
        ASSERT_TRUE(d.ok) << d.error;
        EXPECT_EQ(d.vbrKinds, std::set<int>{MPG123_VBR}) << level;
        EXPECT_NEAR(toneFrequency(d.left, d.rate), w.frequency, 10.0);
        EXPECT_NEAR(rmsDb(d.left), sineDb(w.level), 1.0);
        sizes.push_back(readBytes(o).size());
    }
    EXPECT_GT(sizes[0], sizes[1]);
    EXPECT_GT(sizes[1], sizes[2]);
}

TEST_F(EncoderLibrary, EmphasisReachesTheFrameHeaders)
{
    const std::string in = writeTone(ToneWave{});
    for (int emphasis : {0, 1, 3}) {
        Settings s;
        s.emphasis = emphasis;
        ASSERT_EQ(encodeFile(in, out(), s).last, MPGE_FINISHED);
        const DecodedMp3 d = decodeMp3(out());
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.emphases, std::set<int>{emphasis});
    }
}

TEST_F(EncoderLibrary, PsychoacousticSwitchChangesTheEncoding)
{
    ToneWave w;
    w.frequency = 3000;
    const std::string in = writeTone(w);
    Settings s = at(64, MC_MODE_JOINT);
    ASSERT_EQ(encodeFile(in, out("q3.mp3"), s).last, MPGE_FINISHED);
    s.psy = 1;
    ASSERT_EQ(encodeFile(in, out("q2.mp3"), s).last, MPGE_FINISHED);
    EXPECT_NE(readBytes(out("q3.mp3")), readBytes(out("q2.mp3")));
    EXPECT_TRUE(decodeMp3(out("q2.mp3")).ok);
}

TEST_F(EncoderLibrary, AnExactMultipleOfTheFrameSizeTakesOneCallPerFrame)
{
    ToneWave w;
    w.seconds = 1152.0 * 40 / 44100;
    ASSERT_EQ(w.frames(), 1152 * 40);
    const Encoding e = encodeFile(writeTone(w), out());
    EXPECT_EQ(e.frames, 40);
    EXPECT_EQ(e.calls, 40);
    EXPECT_EQ(e.last, MPGE_FINISHED);
}

TEST_F(EncoderLibrary, CallsOutOfOrderAreRefused)
{
    MPGE_initializeWork();
    EXPECT_EQ(MPGE_processFrame(), MPGE_ERR_STATE);
    MPGE_setConfigure(MC_INPUTFILE, MC_INPDEV_FILE, writeTone(ToneWave{}).c_str());
    configure(Settings{}, out());
    ASSERT_EQ(MPGE_detectConfigure(), MPGE_OK);
    EXPECT_EQ(MPGE_setConfigure(MC_BITRATE, 64, nullptr), MPGE_ERR_STATE);
    EXPECT_EQ(MPGE_detectConfigure(), MPGE_ERR_STATE);
    int32_t r;
    while ((r = MPGE_processFrame()) == MPGE_OK) {
    }
    EXPECT_EQ(r, MPGE_FINISHED);
    EXPECT_EQ(MPGE_processFrame(), MPGE_ERR_STATE);
    MPGE_closeCoder();
    MPGE_endCoder();
    EXPECT_EQ(MPGE_setConfigure(MC_BITRATE, 64, nullptr), MPGE_ERR_STATE);
    EXPECT_EQ(MPGE_getConfigure(99, &r), MPGE_ERR_PARAMETER);
}

// --- Settings the library refuses ------------------------------------------------------

struct RefusedSetting {
    const char *name;
    int item;
    int value;
};

class RefusedSettings : public EncoderLibrary, public ::testing::WithParamInterface<RefusedSetting> {};

TEST_P(RefusedSettings, DetectRefusesAndCreatesNoOutput)
{
    const RefusedSetting &c = GetParam();
    const std::string in = writeTone(ToneWave{});
    MPGE_initializeWork();
    MPGE_setConfigure(MC_INPUTFILE, MC_INPDEV_FILE, in.c_str());
    configure(Settings{}, out());
    MPGE_setConfigure(c.item, c.value, nullptr);
    EXPECT_NE(MPGE_detectConfigure(), MPGE_OK);
    MPGE_closeCoder();
    MPGE_endCoder();
    EXPECT_FALSE(QFile::exists(dir.file("out.mp3")));
    // The next encoding works.
    EXPECT_EQ(encodeFile(in, out()).last, MPGE_FINISHED);
}

INSTANTIATE_TEST_SUITE_P(Values, RefusedSettings,
                         ::testing::Values(RefusedSetting{"bitrate100", MC_BITRATE, 100},
                                           RefusedSetting{"bitrate0", MC_BITRATE, 0},
                                           RefusedSetting{"bitrateNegative", MC_BITRATE, -128},
                                           RefusedSetting{"mode5", MC_ENCODEMODE, 5},
                                           RefusedSetting{"modeNegative", MC_ENCODEMODE, -1},
                                           RefusedSetting{"vbr10", MC_VBR, 10},
                                           RefusedSetting{"vbrNegative", MC_VBR, -1},
                                           RefusedSetting{"emphasis2", MC_EMPHASIS, 2}),
                         [](const auto &info) { return std::string(info.param.name); });

// --- Bad input ---------------------------------------------------------------------------

struct BadInput {
    const char *name;
    std::vector<uint8_t> (*make)();
};

std::vector<uint8_t> goodImage() { return toneWaveImage(ToneWave{}); }
std::vector<uint8_t> notWave()
{
    const std::string text = "This is a text file, not a wave file.\n";
    return std::vector<uint8_t>(text.begin(), text.end());
}
std::vector<uint8_t> truncatedHeader()
{
    auto b = goodImage();
    b.resize(30);
    return b;
}
std::vector<uint8_t> noSamples() { return waveImage(ToneWave{}, {}); }
std::vector<uint8_t> adpcm()
{
    ToneWave w;
    w.formatTag = 2;
    return toneWaveImage(w);
}
std::vector<uint8_t> floatOf16Bits()
{
    ToneWave w;
    w.formatTag = 3;
    return toneWaveImage(w);
}
std::vector<uint8_t> zeroChannels()
{
    auto b = goodImage();
    b[22] = 0; // channels
    return b;
}
// The extensible format with the given sub-format GUID tag, for a 16-bit stereo image.
std::vector<uint8_t> extensible(uint16_t subFormat)
{
    auto b = goodImage();
    std::vector<uint8_t> out(b.begin(), b.begin() + 12);
    out.insert(out.end(), {'f', 'm', 't', ' ', 40, 0, 0, 0});
    out.insert(out.end(), b.begin() + 20, b.begin() + 36);
    out[20] = 0xFE;
    out[21] = 0xFF;
    out.insert(out.end(), {22, 0, 16, 0, 3, 0, 0, 0});
    putLe(out, subFormat, 2);
    out.insert(out.end(), {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
    out.insert(out.end(), b.begin() + 36, b.end());
    const uint32_t riff = static_cast<uint32_t>(out.size() - 8);
    std::memcpy(out.data() + 4, &riff, 4);
    return out;
}
std::vector<uint8_t> extensibleMuLaw() { return extensible(7); }
std::vector<uint8_t> rf64WithoutDs64()
{
    auto b = goodImage();
    std::memcpy(b.data(), "RF64", 4);
    return b;
}
std::vector<uint8_t> twelveBits()
{
    auto b = goodImage();
    b[34] = 12; // bits per sample
    return b;
}
std::vector<uint8_t> dataBeforeFormat()
{
    auto b = goodImage();
    std::vector<uint8_t> out(b.begin(), b.begin() + 12);
    out.insert(out.end(), b.begin() + 36, b.end());
    out.insert(out.end(), b.begin() + 12, b.begin() + 36);
    return out;
}
std::vector<uint8_t> hugeChunk()
{
    auto b = goodImage();
    std::vector<uint8_t> out(b.begin(), b.begin() + 12);
    out.insert(out.end(), {'J', 'U', 'N', 'K', 0xF0, 0xFF, 0xFF, 0x7F});
    out.insert(out.end(), b.begin() + 12, b.end());
    return out;
}
std::vector<uint8_t> empty() { return {}; }

class BadInputs : public EncoderLibrary, public ::testing::WithParamInterface<BadInput> {};

TEST_P(BadInputs, AreRefusedWithoutOutputAndTheNextEncodingWorks)
{
    const std::string in = path(dir.file("bad.wav"));
    const std::vector<uint8_t> image = GetParam().make();
    ASSERT_TRUE(writeBytes(in, image));
    const Encoding e = encodeFile(in, out());
    EXPECT_EQ(e.detect, MPGE_ERR_INPUT);
    EXPECT_FALSE(QFile::exists(dir.file("out.mp3")));
    EXPECT_EQ(readBytes(in), image);
    EXPECT_EQ(encodeFile(writeTone(ToneWave{}), out()).last, MPGE_FINISHED);
}

INSTANTIATE_TEST_SUITE_P(Files, BadInputs,
                         ::testing::Values(BadInput{"notWave", notWave}, BadInput{"truncatedHeader", truncatedHeader},
                                           BadInput{"noSamples", noSamples}, BadInput{"adpcm", adpcm},
                                           BadInput{"floatOf16Bits", floatOf16Bits},
                                           BadInput{"zeroChannels", zeroChannels},
                                           BadInput{"extensibleMuLaw", extensibleMuLaw},
                                           BadInput{"rf64WithoutDs64", rf64WithoutDs64},
                                           BadInput{"twelveBits", twelveBits},
                                           BadInput{"dataBeforeFormat", dataBeforeFormat},
                                           BadInput{"hugeChunk", hugeChunk}, BadInput{"empty", empty}),
                         [](const auto &info) { return std::string(info.param.name); });

// Every name in the test folder, hidden ones included.
QStringList namesIn(const TempDir &dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

TEST_F(EncoderLibrary, AFullDiskKeepsTheEarlierFileAndSaysWhy)
{
    ToneWave w;
    w.seconds = 20;
    const std::string in = writeTone(w);
    ASSERT_EQ(encodeFile(in, out("long.mp3")).last, MPGE_FINISHED);
    const auto earlier = readBytes(out("long.mp3"));
    ASSERT_GT(earlier.size(), 200000u);
    Encoding e;
    {
        FileSizeLimit full(100000); // the disk fills up after 100 KB of the new file
        e = encodeFile(in, out("long.mp3"));
    }
    EXPECT_EQ(e.detect, MPGE_OK);
    EXPECT_EQ(e.last, MPGE_ERR_OUTPUT);
    EXPECT_EQ(lastError(), std::string("cannot write the MP3 file: ") + std::strerror(EFBIG));
    EXPECT_EQ(readBytes(out("long.mp3")), earlier);
    EXPECT_EQ(namesIn(dir), (QStringList{"in.wav", "long.mp3"}));
}

TEST_F(EncoderLibrary, AnEncodingClosedBeforeItsEndLeavesNothing)
{
    ToneWave w;
    w.seconds = 20;
    const std::string in = writeTone(w);
    MPGE_initializeWork();
    MPGE_setConfigure(MC_INPUTFILE, MC_INPDEV_FILE, in.c_str());
    configure(Settings{}, out("long.mp3"));
    ASSERT_EQ(MPGE_detectConfigure(), MPGE_OK);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(MPGE_processFrame(), MPGE_OK);
    MPGE_closeCoder(); // aborted, stopped or the program ended
    MPGE_endCoder();
    EXPECT_EQ(namesIn(dir), QStringList{"in.wav"});
}

TEST_F(EncoderLibrary, RefusalsSayWhy)
{
    const std::string good = writeTone(ToneWave{});
    const std::string pipe = path(dir.file("pipe.wav"));
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string junk = path(dir.write("junk.wav", QByteArray(5000, 'j')));
    const std::string readOnly = path(dir.write("kept.mp3", "earlier"));
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    struct Case {
        std::string in, out;
        int32_t detect;
        std::string reason;
    };
    const Case cases[] = {
        {path(dir.file("missing.wav")), out(), MPGE_ERR_INPUT, std::string("cannot open the WAV file: ") + std::strerror(ENOENT)},
        {pipe, out(), MPGE_ERR_INPUT, "cannot open the WAV file: not a regular file"},
        {junk, out(), MPGE_ERR_INPUT, "not a PCM WAV file, or damaged"},
        {good, path(dir.file("no/such/out.mp3")), MPGE_ERR_OUTPUT,
         std::string("cannot create the MP3 file: ") + std::strerror(ENOENT)},
        {good, readOnly, MPGE_ERR_OUTPUT, std::string("cannot create the MP3 file: ") + std::strerror(EACCES)},
        {good, "/dev/null", MPGE_ERR_OUTPUT, "cannot create the MP3 file: not a regular file"},
        {good, good, MPGE_ERR_OUTPUT, "the MP3 file would overwrite its WAV source"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(encodeFile(c.in, c.out).detect, c.detect) << c.in << " -> " << c.out;
        EXPECT_EQ(lastError(), c.reason) << c.in << " -> " << c.out;
    }
    EXPECT_EQ(readBytes(readOnly), std::vector<uint8_t>({'e', 'a', 'r', 'l', 'i', 'e', 'r'}));
    struct stat st {};
    ASSERT_EQ(stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_EQ(encodeFile(good, out()).last, MPGE_FINISHED);
    EXPECT_EQ(lastError(), "");
}

TEST_F(EncoderLibrary, MissingSourceAndFolderAsSourceAreRefused)
{
    EXPECT_EQ(encodeFile(path(dir.file("missing.wav")), out()).detect, MPGE_ERR_INPUT);
    EXPECT_EQ(encodeFile(path(dir.path()), out()).detect, MPGE_ERR_INPUT);
    EXPECT_FALSE(QFile::exists(dir.file("out.mp3")));
}

TEST_F(EncoderLibrary, DestinationInAMissingFolderIsRefused)
{
    const Encoding e = encodeFile(writeTone(ToneWave{}), path(dir.file("no/such/folder/out.mp3")));
    EXPECT_EQ(e.detect, MPGE_ERR_OUTPUT);
    EXPECT_FALSE(QFile::exists(dir.file("no")));
}

TEST_F(EncoderLibrary, DestinationThatIsTheSourceIsRefusedAndTheSourceKept)
{
    const std::string in = writeTone(ToneWave{});
    const auto before = readBytes(in);
    EXPECT_EQ(encodeFile(in, in).detect, MPGE_ERR_OUTPUT);
    EXPECT_EQ(readBytes(in), before);
}

TEST_F(EncoderLibrary, CutOffDataIsEncodedUpToTheEndOfTheFile)
{
    ToneWave w;
    auto image = toneWaveImage(w);
    image.resize(image.size() / 2 + 1); // the data chunk claims twice what is left, cut inside a frame
    const std::string in = path(dir.file("cut.wav"));
    ASSERT_TRUE(writeBytes(in, image));
    const Encoding e = encodeFile(in, out());
    EXPECT_EQ(e.last, MPGE_FINISHED);
    const int64_t frames = static_cast<int64_t>(image.size() - 44) / w.blockAlign();
    EXPECT_EQ(e.frames, (frames + 1151) / 1152);
    const DecodedMp3 d = decodeMp3(out());
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_LE(std::abs(d.samples() - frames), 1152);
}

TEST_F(EncoderLibrary, ExtensiblePcmEncodesAsPlainPcm)
{
    const std::string plain = path(dir.file("plain.wav")), ext = path(dir.file("ext.wav"));
    ASSERT_TRUE(writeBytes(plain, goodImage()));
    ASSERT_TRUE(writeBytes(ext, extensible(1)));
    ASSERT_EQ(encodeFile(plain, out("plain.mp3")).last, MPGE_FINISHED);
    ASSERT_EQ(encodeFile(ext, out("ext.mp3")).last, MPGE_FINISHED);
    EXPECT_EQ(readBytes(out("plain.mp3")), readBytes(out("ext.mp3")));
}

TEST_F(EncoderLibrary, EmptyDataChunkBeforeTheRealOneIsPassedOver)
{
    auto image = goodImage();
    const std::vector<uint8_t> empty = {'d', 'a', 't', 'a', 0, 0, 0, 0};
    image.insert(image.begin() + 36, empty.begin(), empty.end());
    const std::string in = path(dir.file("two.wav"));
    ASSERT_TRUE(writeBytes(in, image));
    const Encoding e = encodeFile(in, out());
    EXPECT_EQ(e.last, MPGE_FINISHED);
    EXPECT_EQ(e.frames, (ToneWave{}.frames() + 1151) / 1152);
}

TEST_F(EncoderLibrary, StreamedWaveWithOpenDataSizeIsReadToTheEnd)
{
    ToneWave w;
    auto image = toneWaveImage(w);
    std::memset(image.data() + 40, 0xFF, 4); // data size 0xFFFFFFFF
    const std::string in = path(dir.file("streamed.wav"));
    ASSERT_TRUE(writeBytes(in, image));
    const Encoding e = encodeFile(in, out());
    EXPECT_EQ(e.last, MPGE_FINISHED);
    EXPECT_EQ(e.frames, (w.frames() + 1151) / 1152);
}

TEST_F(EncoderLibrary, DamagedHeadersNeverCrashOrHang)
{
    // Seeded damage to the header and the length of a short file: every result is either a
    // refusal or a finished (or failed) encoding, and the next good file still encodes.
    ToneWave w;
    w.seconds = 0.05;
    const std::vector<uint8_t> good = toneWaveImage(w);
    uint32_t seed = 2024;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    const std::string in = path(dir.file("damaged.wav"));
    int refused = 0, encoded = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> image = good;
        const int flips = 1 + static_cast<int>(next() % 4);
        for (int i = 0; i < flips; ++i)
            image[next() % 48] = static_cast<uint8_t>(next());
        if (next() % 4 == 0)
            image.resize(next() % image.size());
        ASSERT_TRUE(writeBytes(in, image));
        const Encoding e = encodeFile(in, out());
        if (e.detect != MPGE_OK) {
            ++refused;
            continue;
        }
        ++encoded;
        EXPECT_NE(e.last, MPGE_OK) << "round " << round;
        EXPECT_LE(e.calls, e.frames + 1) << "round " << round;
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(encoded, 0);
    EXPECT_EQ(encodeFile(writeTone(ToneWave{}), out()).last, MPGE_FINISHED);
}

// --- Input through the read function -----------------------------------------------------

struct CallbackFeed {
    std::vector<uint8_t> bytes;
    size_t position = 0;
    int calls = 0;
};
CallbackFeed feed;

int32_t feedRead(void *buffer, int32_t length)
{
    ++feed.calls;
    const size_t left = feed.bytes.size() - feed.position;
    if (left == 0)
        return 1;
    const size_t n = std::min<size_t>(left, static_cast<size_t>(length));
    std::memcpy(buffer, feed.bytes.data() + feed.position, n);
    std::memset(static_cast<uint8_t *>(buffer) + n, 0, static_cast<size_t>(length) - n);
    feed.position += n;
    return 0;
}

TEST_F(EncoderLibrary, ReadFunctionInputOfUnknownLengthEncodesUntilItEnds)
{
    ToneWave w;
    feed = CallbackFeed{toneSamples(w)};
    const MPGE_USERFUNC input{&feedRead, -1, 16, 44100, 2};
    MPGE_initializeWork();
    ASSERT_EQ(MPGE_setConfigure(MC_INPUTFILE, MC_INPDEV_USERFUNC, &input), MPGE_OK);
    configure(Settings{}, out());
    const Encoding e = runEncoding();
    EXPECT_EQ(e.frames, 0) << "unknown length";
    EXPECT_EQ(e.last, MPGE_FINISHED);
    EXPECT_EQ(feed.calls, (w.frames() + 1151) / 1152 + 1);
    const DecodedMp3 d = decodeMp3(out());
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.rate, 44100);
    EXPECT_LE(std::abs(d.samples() - w.frames()), 1152 + CodecDelay);
    EXPECT_NEAR(toneFrequency(d.right, d.rate), w.frequency, 10.0);
    EXPECT_NEAR(rmsDb(d.right), sineDb(w.level), 1.0);
}

TEST_F(EncoderLibrary, ReadFunctionInputOfKnownLengthReportsItsFrames)
{
    ToneWave w;
    feed = CallbackFeed{toneSamples(w)};
    const MPGE_USERFUNC input{&feedRead, static_cast<int32_t>(feed.bytes.size()), 16, 44100, 2};
    MPGE_initializeWork();
    MPGE_setConfigure(MC_INPUTFILE, MC_INPDEV_USERFUNC, &input);
    configure(Settings{}, out());
    const Encoding e = runEncoding();
    EXPECT_EQ(e.frames, (w.frames() + 1151) / 1152);
    EXPECT_EQ(e.calls, e.frames);
    EXPECT_EQ(e.last, MPGE_FINISHED);
}

TEST_F(EncoderLibrary, ReadFunctionDescriptionsThatCannotWorkAreRefused)
{
    const MPGE_USERFUNC cases[] = {{nullptr, -1, 16, 44100, 2}, {&feedRead, -1, 16, 44100, 3},
                                   {&feedRead, -1, 12, 44100, 2}, {&feedRead, -5, 16, 44100, 2},
                                   {&feedRead, -1, 16, 0, 2}};
    for (const MPGE_USERFUNC &input : cases) {
        MPGE_initializeWork();
        MPGE_setConfigure(MC_INPUTFILE, MC_INPDEV_USERFUNC, &input);
        configure(Settings{}, out());
        EXPECT_EQ(runEncoding().detect, MPGE_ERR_INPUT);
    }
}

// --- The same encoding as the lame command -------------------------------------------------

// The length of the MPEG audio layer III frame whose header starts the bytes.
size_t frameLength(const std::vector<uint8_t> &b)
{
    static const int mpeg1[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int mpeg2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    static const int rates[] = {44100, 48000, 32000, 0};
    if (b.size() < 4 || b[0] != 0xFF || (b[1] & 0xE0) != 0xE0)
        return 0;
    const int version = (b[1] >> 3) & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int bitrate = (version == 3 ? mpeg1 : mpeg2)[b[2] >> 4] * 1000;
    const int rate = rates[(b[2] >> 2) & 3] / (version == 3 ? 1 : version == 2 ? 2 : 4);
    const int padding = (b[2] >> 1) & 1;
    return rate ? static_cast<size_t>((version == 3 ? 144 : 72) * bitrate / rate + padding) : 0;
}

struct LameCase {
    const char *name;
    Settings settings;
    std::vector<const char *> lameArguments;
};

class SameAsLameCommand : public EncoderLibrary, public ::testing::WithParamInterface<LameCase> {};

TEST_P(SameAsLameCommand, GivesTheSameAudioFrames)
{
    if (QProcess::execute("lame", {"--version"}) != 0)
        GTEST_SKIP() << "no lame command";
    const LameCase &c = GetParam();
    ToneWave w;
    w.seconds = 2;
    w.frequency = 440;
    const std::string in = writeTone(w);
    ASSERT_EQ(encodeFile(in, out("ours.mp3"), c.settings).last, MPGE_FINISHED);
    QStringList arguments{"--quiet"};
    for (const char *a : c.lameArguments)
        arguments << a;
    arguments << QString::fromStdString(in) << QString::fromStdString(out("lame.mp3"));
    ASSERT_EQ(QProcess::execute("lame", arguments), 0);

    const std::vector<uint8_t> ours = readBytes(out("ours.mp3")), theirs = readBytes(out("lame.mp3"));
    ASSERT_EQ(ours.size(), theirs.size());
    // The first frame is the LAME tag, which also names the command's own analysis (ReplayGain).
    const size_t tag = frameLength(ours);
    ASSERT_GT(tag, 0u);
    ASSERT_EQ(tag, frameLength(theirs));
    EXPECT_TRUE(std::equal(ours.begin() + static_cast<long>(tag), ours.end(), theirs.begin() + static_cast<long>(tag)));
}

Settings with(int bitrate, int mode, int psy = 0, int lpf = 0, int vbr = -1, int emphasis = 0)
{
    Settings s;
    s.bitrate = bitrate;
    s.mode = mode;
    s.psy = psy;
    s.lpf = lpf;
    s.vbr = vbr;
    s.emphasis = emphasis;
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SameAsLameCommand,
    ::testing::Values(LameCase{"joint128", with(128, MC_MODE_JOINT), {"-b", "128", "-m", "j"}},
                      LameCase{"stereo320", with(320, MC_MODE_STEREO), {"-b", "320", "-m", "s"}},
                      LameCase{"mono64", with(64, MC_MODE_MONO), {"-b", "64", "-m", "m"}},
                      LameCase{"dual192", with(192, MC_MODE_DUALCHANNEL), {"-b", "192", "-m", "d"}},
                      LameCase{"psy", with(128, MC_MODE_JOINT, 1), {"-b", "128", "-m", "j", "-q", "2"}},
                      LameCase{"lowPass", with(256, MC_MODE_STEREO, 0, 1), {"-b", "256", "-m", "s", "--lowpass", "16"}},
                      LameCase{"vbr2", with(128, MC_MODE_JOINT, 0, 0, 2), {"-V", "2", "-m", "j"}},
                      LameCase{"emphasis", with(128, MC_MODE_JOINT, 0, 0, -1, 1), {"-b", "128", "-m", "j", "-e", "5"}}),
    [](const auto &info) { return std::string(info.param.name); });

// --- Processor units and version ---------------------------------------------------------

TEST(EncoderLibraryInfo, UnitStatesAreTheProcessorsOwnFeatures)
{
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line, flags;
    while (std::getline(cpuinfo, line))
        if (line.rfind("flags", 0) == 0) {
            flags = " " + line.substr(line.find(':') + 1) + " ";
            break;
        }
    if (flags.empty())
        GTEST_SKIP() << "no processor flags to compare with";
    auto has = [&](const char *flag) { return flags.find(std::string(" ") + flag + " ") != std::string::npos; };
    uint32_t expected = (has("mmx") ? MU_MMX : 0) | (has("3dnow") ? MU_3DNOW : 0) | (has("sse") ? MU_SSE : 0) |
                        (has("3dnowext") ? MU_E3DNOW : 0);
    uint32_t states = 0xFFFFFFFF;
    ASSERT_EQ(MPGE_getUnitStates(&states), MPGE_OK);
    EXPECT_EQ(states, expected);
    EXPECT_EQ(MPGE_getUnitStates(nullptr), MPGE_ERR_PARAMETER);
}

TEST(EncoderLibraryInfo, VersionNamesTheLibraryAndLame)
{
    uint32_t code = 0;
    char text[MPGE_VERSION_TEXT_SIZE];
    std::memset(text, 'x', sizeof text);
    ASSERT_EQ(MPGE_getVersion(&code, text), MPGE_OK);
    EXPECT_EQ(code, 0x00030600u);
    const std::string version(text);
    EXPECT_LT(version.size(), sizeof text);
    EXPECT_NE(version.find("Tonebridge encoder 3.6"), std::string::npos) << version;
    EXPECT_NE(version.find(std::string("LAME ") + get_lame_version()), std::string::npos) << version;
}

} // namespace
