#include "DecoderSession.h"
#include "MpegFixtures.h"
#include "support/FileSizeLimit.h"
#include "support/HeldThreads.h"
#include "support/TempDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFile>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tb::test;

namespace {

class DecoderLib : public ::testing::Test {
protected:
    TempDir dir;
    DecoderSession session;

    // OutputOpen wav:<out>, InputOpen <in>, Play, then waits for the end of the input.
    bool convert(const QString &in, const QString &out)
    {
        session.clearNotes();
        session.send(XA_MSG_COMMAND_OUTPUT_OPEN, "wav:" + out.toStdString());
        session.send(XA_MSG_COMMAND_INPUT_OPEN, in.toStdString());
        session.send(XA_MSG_COMMAND_PLAY);
        return session.waitForState(XA_PLAYER_STATE_EOF);
    }

    // Every name in the folder, hidden ones included: nothing half-written may be left behind.
    QStringList names() const
    {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                          QDir::Name);
    }

    void expectWavEqualsReference(const QString &wavPath, const QString &mpegPath)
    {
        Pcm expected = referenceDecode(mpegPath);
        ASSERT_FALSE(expected.samples.empty());
        WavFile wav = readWav(wavPath);
        ASSERT_TRUE(wav.valid);
        EXPECT_EQ(wav.formatTag, 1);
        EXPECT_EQ(wav.bits, 16u);
        EXPECT_EQ(wav.rate, expected.rate);
        EXPECT_EQ(wav.channels, expected.channels);
        EXPECT_EQ(wav.dataSize, expected.samples.size() * 2);
        EXPECT_EQ(wav.riffSize, wav.fileSize - 8);
        EXPECT_EQ(wav.samples, expected.samples);
    }
};

// --- Decoding into WAV files -------------------------------------------------------------------

class DecodesEveryKind : public DecoderLib, public ::testing::WithParamInterface<const char *> {};

TEST_P(DecodesEveryKind, WavHoldsExactlyWhatLibmpg123Decodes)
{
    QString mp3 = makeMpeg(dir.path(), mpegKind(GetParam()), 1.5);
    ASSERT_FALSE(mp3.isEmpty()) << "fixture tool failed for " << GetParam();
    QString out = dir.file("out.wav");
    ASSERT_TRUE(convert(mp3, out));
    expectWavEqualsReference(out, mp3);

    Pcm expected = referenceDecode(mp3);
    auto durations = session.notesWithCode(XA_MSG_NOTIFY_STREAM_DURATION);
    ASSERT_EQ(durations.size(), 1u);
    EXPECT_EQ(durations[0].message.duration.duration, expected.samples.size() / expected.channels / expected.rate);
    auto params = session.notesWithCode(XA_MSG_NOTIFY_STREAM_PARAMETERS);
    ASSERT_EQ(params.size(), 1u);
    EXPECT_EQ(params[0].message.stream_parameters.frequency, expected.rate);
    EXPECT_EQ(params[0].message.stream_parameters.nb_channels, expected.channels);
    EXPECT_TRUE(session.hasAck(XA_MSG_COMMAND_OUTPUT_OPEN));
    EXPECT_TRUE(session.hasAck(XA_MSG_COMMAND_INPUT_OPEN));
    EXPECT_TRUE(session.hasAck(XA_MSG_COMMAND_PLAY));
    EXPECT_EQ(session.count(XA_MSG_NOTIFY_ERROR), 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, DecodesEveryKind,
                         ::testing::Values("stereo", "mono", "mpeg2", "mpeg25", "vbr", "freeformat", "layer2"));

TEST_F(DecoderLib, TimecodesAndPositionsRiseToTheEnd)
{
    QString mp3 = makeMpeg(dir.path(), mpegKind("stereo"), 2.5);
    session.sendI(XA_MSG_SET_INPUT_TIMECODE_GRANULARITY, 100);
    ASSERT_TRUE(convert(mp3, dir.file("out.wav")));
    auto timecodes = session.notesWithCode(XA_MSG_NOTIFY_INPUT_TIMECODE);
    ASSERT_GE(timecodes.size(), 20u); // every 100 ms
    int last = -1;
    for (const Note &n : timecodes) {
        int ms = (n.message.timecode.h * 3600 + n.message.timecode.m * 60 + n.message.timecode.s) * 1000 +
                 n.message.timecode.f * 10;
        EXPECT_GE(ms, last);
        last = ms;
    }
    EXPECT_EQ(last, 2500);
    auto positions = session.notesWithCode(XA_MSG_NOTIFY_INPUT_POSITION);
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.back().message.position.offset, positions.back().message.position.range);
    // The end of the input comes after the last timecode.
    EXPECT_EQ(session.notes().back().code(), XA_MSG_NOTIFY_PLAYER_STATE);
}

TEST_F(DecoderLib, NewOutputCompletesThePreviousFileAndCloseCompletesTheLast)
{
    QString first = makeMpeg(dir.path(), mpegKind("stereo"), 1.0, "first");
    QString second = makeMpeg(dir.path(), mpegKind("mono"), 1.0, "second");
    session.sendI(XA_MSG_SET_OUTPUT_MODULE, 0);
    ASSERT_TRUE(convert(first, dir.file("first.wav")));
    ASSERT_TRUE(convert(second, dir.file("second.wav")));
    session.send(XA_MSG_COMMAND_STOP);
    session.send(XA_MSG_COMMAND_OUTPUT_CLOSE);
    session.send(XA_MSG_COMMAND_INPUT_CLOSE);
    ASSERT_TRUE(session.waitFor([&] { return session.hasAck(XA_MSG_COMMAND_INPUT_CLOSE); }));
    expectWavEqualsReference(dir.file("first.wav"), first);
    expectWavEqualsReference(dir.file("second.wav"), second);
}

TEST_F(DecoderLib, SeekMovesToTheFractionOfTheStream)
{
    QString mp3 = makeMpeg(dir.path(), mpegKind("stereo"), 2.0);
    session.send(XA_MSG_COMMAND_OUTPUT_OPEN, "wav:" + dir.file("out.wav").toStdString());
    session.send(XA_MSG_COMMAND_INPUT_OPEN, mp3.toStdString());
    session.sendII(XA_MSG_COMMAND_INPUT_SEEK, 1, 2);
    ASSERT_TRUE(session.waitFor([&] { return session.hasAck(XA_MSG_COMMAND_INPUT_SEEK); }));
    Note timecode = session.notesWithCode(XA_MSG_NOTIFY_INPUT_TIMECODE).back();
    EXPECT_EQ(timecode.message.timecode.s, 1);
    EXPECT_EQ(timecode.message.timecode.f, 0);
    Note position = session.notesWithCode(XA_MSG_NOTIFY_INPUT_POSITION).back();
    EXPECT_EQ(position.message.position.offset * 2, position.message.position.range);

    session.send(XA_MSG_COMMAND_PLAY);
    ASSERT_TRUE(session.waitForState(XA_PLAYER_STATE_EOF));
    Pcm whole = referenceDecode(mp3);
    WavFile wav = readWav(dir.file("out.wav"));
    size_t half = whole.samples.size() / 2;
    ASSERT_EQ(wav.samples.size(), whole.samples.size() - half);
    EXPECT_TRUE(std::equal(wav.samples.begin(), wav.samples.end(), whole.samples.begin() + static_cast<long>(half)));
}

TEST_F(DecoderLib, SeekRefusesBadRangesAndMissingInput)
{
    session.sendII(XA_MSG_COMMAND_INPUT_SEEK, 1, 2);
    QString mp3 = makeMpeg(dir.path(), mpegKind("mono"), 0.5);
    session.send(XA_MSG_COMMAND_INPUT_OPEN, mp3.toStdString());
    session.sendII(XA_MSG_COMMAND_INPUT_SEEK, 3, 2);
    session.sendII(XA_MSG_COMMAND_INPUT_SEEK, 0, 0);
    ASSERT_TRUE(session.waitFor([&] {
        int nacks = 0;
        for (const Note &n : session.notesWithCode(XA_MSG_NOTIFY_NACK))
            nacks += n.message.nack.command == XA_MSG_COMMAND_INPUT_SEEK;
        return nacks == 3;
    }));
    auto nacks = session.notesWithCode(XA_MSG_NOTIFY_NACK);
    EXPECT_EQ(nacks[0].message.nack.error, XA_ERROR_NO_INPUT);
    EXPECT_EQ(nacks[1].message.nack.error, XA_ERROR_INVALID_PARAMETERS);
}

// --- The equalizer -----------------------------------------------------------------------------

TEST_F(DecoderLib, EqualizerBandsAreTenthsOfADecibelAndNullTurnsItOff)
{
    QString mp3 = makeMpeg(dir.path(), mpegKind("stereo"), 1.0);
    XA_EqualizerInfo headroom{};
    for (int b = 0; b < 32; ++b)
        headroom.left[b] = headroom.right[b] = -50; // the default level 50: -5 dB
    session.lib().send_P(session.player(), XA_MSG_SET_CODEC_EQUALIZER, &headroom);
    ASSERT_TRUE(convert(mp3, dir.file("eq.wav")));
    session.clearNotes();
    session.send(XA_MSG_GET_CODEC_EQUALIZER);
    ASSERT_TRUE(session.waitFor([&] { return session.count(XA_MSG_NOTIFY_CODEC_EQUALIZER) == 1; }));
    EXPECT_EQ(std::memcmp(&session.notesWithCode(XA_MSG_NOTIFY_CODEC_EQUALIZER)[0].equalizer, &headroom, 64), 0);

    Pcm reference = referenceDecode(mp3);
    WavFile shaped = readWav(dir.file("eq.wav"));
    ASSERT_EQ(shaped.samples.size(), reference.samples.size());
    double ratio = rms(shaped.samples) / rms(reference.samples);
    EXPECT_NEAR(20 * std::log10(ratio), -5.0, 0.3);

    session.lib().send_P(session.player(), XA_MSG_SET_CODEC_EQUALIZER, nullptr);
    ASSERT_TRUE(convert(mp3, dir.file("flat.wav")));
    expectWavEqualsReference(dir.file("flat.wav"), mp3);
    session.clearNotes();
    session.send(XA_MSG_GET_CODEC_EQUALIZER);
    ASSERT_TRUE(session.waitFor([&] { return session.count(XA_MSG_NOTIFY_CODEC_EQUALIZER) == 1; }));
    XA_EqualizerInfo flat{};
    EXPECT_EQ(std::memcmp(&session.notesWithCode(XA_MSG_NOTIFY_CODEC_EQUALIZER)[0].equalizer, &flat, 64), 0);
}

TEST_F(DecoderLib, EqualizerShapesOnlyTheBandsItLowers)
{
    // A 440 Hz tone lies in band 0 (0 to 689 Hz at 44.1 kHz); lowering the top bands leaves it.
    QString mp3 = makeMpeg(dir.path(), mpegKind("mono"), 1.0);
    XA_EqualizerInfo top{};
    for (int b = 16; b < 32; ++b)
        top.left[b] = top.right[b] = -120;
    session.lib().send_P(session.player(), XA_MSG_SET_CODEC_EQUALIZER, &top);
    ASSERT_TRUE(convert(mp3, dir.file("top.wav")));
    Pcm reference = referenceDecode(mp3);
    WavFile shaped = readWav(dir.file("top.wav"));
    EXPECT_NEAR(rms(shaped.samples) / rms(reference.samples), 1.0, 0.05);
}

// --- Bad input ---------------------------------------------------------------------------------

struct BadInput {
    const char *name;
    // Makes the bad file in the folder and returns its path.
    QString (*make)(const TempDir &dir);
};

QString emptyFile(const TempDir &dir) { return dir.write("empty.mp3", {}); }
QString randomBytes(const TempDir &dir)
{
    QByteArray bytes(200000, '\0');
    uint32_t state = 12345;
    for (char &c : bytes) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return dir.write("random.mp3", bytes);
}
QString renamedWav(const TempDir &dir)
{
    QString wav = dir.file("tone.wav");
    runCommand("sox -n -r 44100 -c 2 -b 16 " + wav.toStdString() + " synth 1 sine 440");
    QString renamed = dir.file("renamed.mp3");
    QFile::rename(wav, renamed);
    return renamed;
}
QString missingPath(const TempDir &dir) { return dir.file("no-such-file.mp3"); }
QString folderPath(const TempDir &dir) { return dir.path(); }
// A named pipe that no program ever writes to.
QString namedPipe(const TempDir &dir)
{
    QString fifo = dir.file("pipe.mp3");
    mkfifo(QFile::encodeName(fifo).constData(), 0644);
    return fifo;
}

void PrintTo(const BadInput &input, std::ostream *out) { *out << input.name; }

class RefusesBadInput : public DecoderLib, public ::testing::WithParamInterface<BadInput> {};

TEST_P(RefusesBadInput, ReportsItAndDecodesTheNextGoodFile)
{
    QString bad = GetParam().make(dir);
    // A good file already at the destination is not replaced by what a bad input gives.
    const QByteArray earlier("RIFF an earlier, good conversion");
    dir.write("bad.wav", earlier);
    session.send(XA_MSG_COMMAND_OUTPUT_OPEN, "wav:" + dir.file("bad.wav").toStdString());
    session.send(XA_MSG_COMMAND_INPUT_OPEN, bad.toStdString());
    session.send(XA_MSG_COMMAND_PLAY);
    ASSERT_TRUE(session.waitFor([&] { return session.hasNack(XA_MSG_COMMAND_PLAY); }));
    EXPECT_TRUE(session.hasNack(XA_MSG_COMMAND_INPUT_OPEN));
    auto errors = session.notesWithCode(XA_MSG_NOTIFY_ERROR);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].message.error.source, XA_ERROR_SOURCE_INPUT);
    EXPECT_NE(errors[0].text1.find(bad.toStdString()), std::string::npos) << errors[0].text1;
    EXPECT_EQ(session.count(XA_MSG_NOTIFY_PLAYER_STATE), 0);

    QString good = makeMpeg(dir.path(), mpegKind("stereo"), 1.0);
    ASSERT_TRUE(convert(good, dir.file("good.wav")));
    expectWavEqualsReference(dir.file("good.wav"), good);
    EXPECT_EQ(TempDir::read(dir.file("bad.wav")), earlier);
    for (const QString &name : names())
        EXPECT_FALSE(name.startsWith('.')) << "left behind: " << name.toStdString();
}

TEST_F(DecoderLib, ANamedPipeFailsAtOnceAsNotARegularFile)
{
    QString fifo = namedPipe(dir);
    session.send(XA_MSG_COMMAND_OUTPUT_OPEN, "wav:" + dir.file("pipe.wav").toStdString());
    session.send(XA_MSG_COMMAND_INPUT_OPEN, fifo.toStdString());
    ASSERT_TRUE(session.waitFor([&] { return session.hasNack(XA_MSG_COMMAND_INPUT_OPEN); }));
    auto errors = session.notesWithCode(XA_MSG_NOTIFY_ERROR);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].text1.find("not a regular file"), std::string::npos) << errors[0].text1;
}

INSTANTIATE_TEST_SUITE_P(Inputs, RefusesBadInput,
                         ::testing::Values(BadInput{"empty", emptyFile}, BadInput{"random", randomBytes},
                                           BadInput{"renamedWav", renamedWav}, BadInput{"missing", missingPath},
                                           BadInput{"folder", folderPath}, BadInput{"namedPipe", namedPipe}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(DecoderLib, TruncatedFileDecodesWhatIsThereThenTheNextFile)
{
    QString whole = makeMpeg(dir.path(), mpegKind("stereo"), 2.0);
    QByteArray bytes = TempDir::read(whole);
    QString cut = dir.write("cut.mp3", bytes.left(bytes.size() / 2 + 77)); // ends inside a frame
    ASSERT_TRUE(convert(cut, dir.file("cut.wav")));
    expectWavEqualsReference(dir.file("cut.wav"), cut);
    EXPECT_GT(readWav(dir.file("cut.wav")).samples.size(), 0u);
    ASSERT_TRUE(convert(whole, dir.file("whole.wav")));
    expectWavEqualsReference(dir.file("whole.wav"), whole);
}

TEST_F(DecoderLib, GarbageAfterGoodFramesEndsTheInputWithoutLosingThem)
{
    QString whole = makeMpeg(dir.path(), mpegKind("stereo"), 1.0);
    QByteArray bytes = TempDir::read(whole);
    QByteArray garbage(100000, '\x5a');
    QString damaged = dir.write("damaged.mp3", bytes + garbage);
    ASSERT_TRUE(convert(damaged, dir.file("damaged.wav")));
    Pcm good = referenceDecode(whole);
    WavFile wav = readWav(dir.file("damaged.wav"));
    ASSERT_TRUE(wav.valid);
    ASSERT_GE(wav.samples.size(), good.samples.size() - 1152 * 2 * 2);
    EXPECT_TRUE(std::equal(wav.samples.begin(), wav.samples.begin() + 44100, good.samples.begin()));
}

// --- Bad output --------------------------------------------------------------------------------

struct BadOutput {
    const char *name;
    QString (*path)(const TempDir &dir);
};

QString missingFolder(const TempDir &dir) { return dir.file("no/such/folder/out.wav"); }
QString fileAsFolder(const TempDir &dir) { return dir.write("plain.txt", "x") + "/out.wav"; }
QString procFile(const TempDir &) { return "/proc/tonebridge-cannot-write.wav"; }
// A device is never replaced by a file, whoever runs the program.
QString device(const TempDir &) { return "/dev/full"; }

void PrintTo(const BadOutput &output, std::ostream *out) { *out << output.name; }

class RefusesBadOutput : public DecoderLib, public ::testing::WithParamInterface<BadOutput> {};

TEST_P(RefusesBadOutput, ReportsItPlaysNothingAndWritesTheNextOutput)
{
    QString mp3 = makeMpeg(dir.path(), mpegKind("stereo"), 1.0);
    std::string bad = GetParam().path(dir).toStdString();
    session.send(XA_MSG_COMMAND_OUTPUT_OPEN, "wav:" + bad);
    session.send(XA_MSG_COMMAND_INPUT_OPEN, mp3.toStdString());
    session.send(XA_MSG_COMMAND_PLAY);
    ASSERT_TRUE(session.waitFor([&] { return session.hasNack(XA_MSG_COMMAND_PLAY); }));
    EXPECT_TRUE(session.hasNack(XA_MSG_COMMAND_OUTPUT_OPEN));
    auto errors = session.notesWithCode(XA_MSG_NOTIFY_ERROR);
    ASSERT_GE(errors.size(), 1u);
    EXPECT_EQ(errors[0].message.error.source, XA_ERROR_SOURCE_OUTPUT);
    EXPECT_NE(errors[0].text1.find(bad), std::string::npos) << errors[0].text1;
    EXPECT_EQ(session.count(XA_MSG_NOTIFY_PLAYER_STATE), 0);

    ASSERT_TRUE(convert(mp3, dir.file("good.wav")));
    expectWavEqualsReference(dir.file("good.wav"), mp3);
}

INSTANTIATE_TEST_SUITE_P(Outputs, RefusesBadOutput,
                         ::testing::Values(BadOutput{"missingFolder", missingFolder},
                                           BadOutput{"fileAsFolder", fileAsFolder}, BadOutput{"proc", procFile},
                                           BadOutput{"device", device}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(DecoderLib, FullDiskIsReportedStopsTheDecodingAndKeepsTheEarlierFile)
{
    QString mp3 = makeMpeg(dir.path(), mpegKind("stereo"), 4.0);
    QString out = dir.file("long.wav");
    ASSERT_TRUE(convert(mp3, out));
    const QByteArray earlier = TempDir::read(out);
    ASSERT_GT(earlier.size(), 600000);
    session.clearNotes();
    {
        // The disk fills up after 200 KB of the new file.
        FileSizeLimit full(200000);
        session.send(XA_MSG_COMMAND_OUTPUT_OPEN, "wav:" + out.toStdString());
        session.send(XA_MSG_COMMAND_INPUT_OPEN, mp3.toStdString());
        session.send(XA_MSG_COMMAND_PLAY);
        ASSERT_TRUE(session.waitFor([&] { return session.count(XA_MSG_NOTIFY_ERROR) > 0; }));
        ASSERT_TRUE(session.waitForState(XA_PLAYER_STATE_STOPPED));
    }
    auto errors = session.notesWithCode(XA_MSG_NOTIFY_ERROR);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].message.error.source, XA_ERROR_SOURCE_OUTPUT);
    EXPECT_NE(errors[0].text1.find(out.toStdString()), std::string::npos) << errors[0].text1;
    EXPECT_NE(errors[0].text1.find(std::strerror(EFBIG)), std::string::npos) << errors[0].text1;
    // A failed output is no successful end of the input.
    session.deliverFor(200);
    for (const Note &n : session.notesWithCode(XA_MSG_NOTIFY_PLAYER_STATE))
        EXPECT_NE(n.message.state.state, XA_PLAYER_STATE_EOF);
    EXPECT_EQ(TempDir::read(out), earlier);
    EXPECT_EQ(names(), QStringList({"long.wav", QFileInfo(mp3).fileName()}));
}

TEST_F(DecoderLib, StopWhileDecodingRemovesWhatWasWritten)
{
    QString mp3 = makeMpeg(dir.path(), mpegKind("stereo"), 120.0, "long");
    session.send(XA_MSG_COMMAND_OUTPUT_OPEN, "wav:" + dir.file("long.wav").toStdString());
    session.send(XA_MSG_COMMAND_INPUT_OPEN, mp3.toStdString());
    session.send(XA_MSG_COMMAND_PLAY);
    // Held part way, so the stop surely meets an unfinished file.
    ASSERT_TRUE(session.waitFor([&] {
        for (const Note &n : session.notesWithCode(XA_MSG_NOTIFY_INPUT_TIMECODE))
            if (n.message.timecode.s >= 1)
                return true;
        return false;
    }));
    session.send(XA_MSG_COMMAND_PAUSE);
    ASSERT_TRUE(session.waitForState(XA_PLAYER_STATE_PAUSED));
    ASSERT_EQ(session.count(XA_MSG_NOTIFY_PLAYER_STATE), 2) << "playing, then paused: no end of the input";
    const QStringList whileWriting = names();
    ASSERT_EQ(whileWriting.size(), 2);
    EXPECT_TRUE(whileWriting[0].startsWith(".long.wav.")) << "only a temporary name while unfinished";
    session.send(XA_MSG_COMMAND_STOP);
    session.send(XA_MSG_COMMAND_OUTPUT_CLOSE);
    session.send(XA_MSG_COMMAND_INPUT_CLOSE);
    ASSERT_TRUE(session.waitFor([&] { return session.hasAck(XA_MSG_COMMAND_INPUT_CLOSE); }));
    EXPECT_EQ(names(), QStringList({"long.mp3"}));
}

TEST_F(DecoderLib, AStreamThatChangesFormatIsWrittenWholeInItsFirstFormat)
{
    // 44.1 kHz stereo followed by 22.05 kHz mono, as when two files are joined end to end.
    const std::string first = dir.file("first.wav").toStdString(), second = dir.file("second.wav").toStdString();
    const std::string a = dir.file("a.mp3").toStdString(), b = dir.file("b.mp3").toStdString();
    ASSERT_TRUE(runCommand("sox -n -r 44100 -c 2 -b 16 " + first + " synth 3 sine 440"));
    ASSERT_TRUE(runCommand("sox -n -r 22050 -c 1 -b 16 " + second + " synth 2 sine 660"));
    ASSERT_TRUE(runCommand("lame -t --quiet -b 128 " + first + " " + a));
    ASSERT_TRUE(runCommand("lame -t --quiet -m m -b 64 " + second + " " + b));
    QString spliced = dir.write("spliced.mp3", TempDir::read(QString::fromStdString(a)) +
                                                   TempDir::read(QString::fromStdString(b)));
    // ffmpeg decodes the whole stream; mpg123 -w rewrites its file at the change and keeps only
    // the last part, so it cannot serve as the reference here.
    const QString reference = dir.file("reference.raw");
    ASSERT_TRUE(runCommand("ffmpeg -v error -y -i " + spliced.toStdString() + " -ar 44100 -ac 2 -f s16le " +
                           reference.toStdString()));

    ASSERT_TRUE(convert(spliced, dir.file("out.wav")));
    EXPECT_EQ(session.count(XA_MSG_NOTIFY_ERROR), 0);
    WavFile wav = readWav(dir.file("out.wav"));
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.rate, 44100u);
    EXPECT_EQ(wav.channels, 2u);
    const long frames = static_cast<long>(wav.samples.size() / 2);
    const long expectedFrames = static_cast<long>(TempDir::read(reference).size() / 4);
    ASSERT_GT(expectedFrames, 44100 * 5);
    EXPECT_NEAR(frames, expectedFrames, 1152) << "frames written against ffmpeg's";
    // The second part is there and audible on both channels.
    std::vector<int16_t> lastSecond(wav.samples.end() - 44100 * 2 - 4410, wav.samples.end() - 4410);
    EXPECT_GT(rms(lastSecond), 1000.0);
}

TEST_F(DecoderLib, UnknownOutputNameIsRefused)
{
    session.send(XA_MSG_COMMAND_OUTPUT_OPEN, "mystery:thing");
    ASSERT_TRUE(session.waitFor([&] { return session.hasNack(XA_MSG_COMMAND_OUTPUT_OPEN); }));
    EXPECT_EQ(session.count(XA_MSG_NOTIFY_ERROR), 1);
}

// --- Playing through the default audio output (the null device in tests) -------------------------

TEST_F(DecoderLib, NullDevicePlaysInRealTimeAndReportsTheEndOnce)
{
    QString mp3 = makeMpeg(dir.path(), mpegKind("stereo"), 2.0);
    QElapsedTimer clock;
    clock.start();
    session.send(XA_MSG_COMMAND_INPUT_OPEN, mp3.toStdString());
    session.send(XA_MSG_COMMAND_PLAY);
    ASSERT_TRUE(session.waitForState(XA_PLAYER_STATE_EOF));
    qint64 elapsed = clock.elapsed();
    EXPECT_GE(elapsed, 1900) << "a 2-second file played in " << elapsed << " ms";
    session.deliverFor(400);
    int ends = 0;
    for (const Note &n : session.notesWithCode(XA_MSG_NOTIFY_PLAYER_STATE))
        ends += n.message.state.state == XA_PLAYER_STATE_EOF;
    EXPECT_EQ(ends, 1);
}

TEST_F(DecoderLib, PlayingTimecodesFollowWhatHasBeenHeard)
{
    QString mp3 = makeMpeg(dir.path(), mpegKind("stereo"), 1.5);
    session.sendI(XA_MSG_SET_INPUT_TIMECODE_GRANULARITY, 100);
    session.send(XA_MSG_COMMAND_INPUT_OPEN, mp3.toStdString());
    ASSERT_TRUE(session.waitFor([&] { return session.hasAck(XA_MSG_COMMAND_INPUT_OPEN); }));
    session.clearNotes();
    auto start = std::chrono::steady_clock::now();
    session.send(XA_MSG_COMMAND_PLAY);
    ASSERT_TRUE(session.waitForState(XA_PLAYER_STATE_EOF));
    auto timecodes = session.notesWithCode(XA_MSG_NOTIFY_INPUT_TIMECODE);
    ASSERT_GE(timecodes.size(), 10u);
    for (const Note &n : timecodes) {
        long long reported = n.message.timecode.s * 1000LL + n.message.timecode.f * 10;
        auto sincePlay = std::chrono::duration_cast<std::chrono::milliseconds>(n.received - start).count();
        // The null device plays in real time, so nothing can have been heard ahead of the clock.
        EXPECT_LE(reported, sincePlay + 20) << "timecode " << reported << " ms at " << sincePlay << " ms";
    }
}

TEST_F(DecoderLib, CaptureDoubleReceivesExactlyTheDecodedSamples)
{
    QString mp3 = makeMpeg(dir.path(), mpegKind("mono"), 1.0);
    QString capture = dir.file("captured.raw");
    QByteArray before = qgetenv("TONEBRIDGE_AUDIO");
    qputenv("TONEBRIDGE_AUDIO", ("capture:" + capture).toUtf8());
    struct Restore {
        QByteArray value;
        ~Restore() { qputenv("TONEBRIDGE_AUDIO", value); }
    } restore{before};
    session.send(XA_MSG_COMMAND_INPUT_OPEN, mp3.toStdString());
    session.send(XA_MSG_COMMAND_PLAY);
    ASSERT_TRUE(session.waitForState(XA_PLAYER_STATE_EOF));
    QByteArray bytes = TempDir::read(capture);
    Pcm expected = referenceDecode(mp3);
    ASSERT_EQ(static_cast<size_t>(bytes.size()), expected.samples.size() * 2);
    EXPECT_EQ(std::memcmp(bytes.constData(), expected.samples.data(), static_cast<size_t>(bytes.size())), 0);
}

TEST_F(DecoderLib, PauseHoldsThePositionAndPlayResumes)
{
    QString mp3 = makeMpeg(dir.path(), mpegKind("stereo"), 2.0);
    session.sendI(XA_MSG_SET_INPUT_TIMECODE_GRANULARITY, 100);
    session.send(XA_MSG_COMMAND_INPUT_OPEN, mp3.toStdString());
    session.send(XA_MSG_COMMAND_PLAY);
    ASSERT_TRUE(session.waitFor([&] { return session.count(XA_MSG_NOTIFY_INPUT_TIMECODE) >= 4; }));
    session.send(XA_MSG_COMMAND_PAUSE);
    ASSERT_TRUE(session.waitForState(XA_PLAYER_STATE_PAUSED));
    session.deliverFor(100);
    int timecodes = session.count(XA_MSG_NOTIFY_INPUT_TIMECODE);
    session.deliverFor(600);
    EXPECT_EQ(session.count(XA_MSG_NOTIFY_INPUT_TIMECODE), timecodes);
    EXPECT_EQ(session.count(XA_MSG_NOTIFY_PLAYER_STATE), 2); // playing, paused
    session.send(XA_MSG_COMMAND_PLAY);
    ASSERT_TRUE(session.waitForState(XA_PLAYER_STATE_EOF));
    EXPECT_GT(session.count(XA_MSG_NOTIFY_INPUT_TIMECODE), timecodes);
}

TEST_F(DecoderLib, StopEndsPlayingWithoutAnEndOfInput)
{
    QString mp3 = makeMpeg(dir.path(), mpegKind("stereo"), 2.0);
    session.send(XA_MSG_COMMAND_INPUT_OPEN, mp3.toStdString());
    session.send(XA_MSG_COMMAND_PLAY);
    ASSERT_TRUE(session.waitForState(XA_PLAYER_STATE_PLAYING));
    session.send(XA_MSG_COMMAND_STOP);
    ASSERT_TRUE(session.waitForState(XA_PLAYER_STATE_STOPPED));
    session.deliverFor(2500);
    EXPECT_EQ(session.notesWithCode(XA_MSG_NOTIFY_PLAYER_STATE).size(), 2u);
    // Stop goes back to the start.
    Note last = session.notesWithCode(XA_MSG_NOTIFY_INPUT_TIMECODE).back();
    EXPECT_EQ(last.message.timecode.s + last.message.timecode.f, 0);
}

TEST_F(DecoderLib, PlayWithoutInputAndPauseWhileStoppedAreRefused)
{
    session.send(XA_MSG_COMMAND_PLAY);
    session.send(XA_MSG_COMMAND_PAUSE);
    ASSERT_TRUE(session.waitFor([&] { return session.hasNack(XA_MSG_COMMAND_PAUSE); }));
    auto nacks = session.notesWithCode(XA_MSG_NOTIFY_NACK);
    ASSERT_EQ(nacks.size(), 2u);
    EXPECT_EQ(nacks[0].message.nack.error, XA_ERROR_NO_INPUT);
    EXPECT_EQ(nacks[1].message.nack.error, XA_ERROR_INVALID_STATE);
}

TEST_F(DecoderLib, DeletingWhileDecodingStopsAtOnceAndRemovesThePartialFile)
{
    // Long enough that decoding it to the end would complete the file before the player goes.
    QString mp3 = makeMpeg(dir.path(), mpegKind("stereo"), 120.0, "long");
    const QByteArray earlier("RIFF an earlier, good conversion");
    QString out = dir.write("long.wav", earlier);
    {
        DecoderSession other;
        other.send(XA_MSG_COMMAND_OUTPUT_OPEN, "wav:" + out.toStdString());
        other.send(XA_MSG_COMMAND_INPUT_OPEN, mp3.toStdString());
        other.send(XA_MSG_COMMAND_PLAY);
        ASSERT_TRUE(other.waitForState(XA_PLAYER_STATE_PLAYING));
    }
    EXPECT_EQ(TempDir::read(out), earlier);
    EXPECT_EQ(names(), QStringList({"long.mp3", "long.wav"}));
}

TEST_F(DecoderLib, DeletingAPlayerHeldInTheSystemReturnsAndLeavesItBehind)
{
    // The sound device writes into a named pipe that nobody reads: the player's first write to
    // it never comes back.
    const QString device = dir.file("device.pipe");
    ASSERT_EQ(mkfifo(QFile::encodeName(device).constData(), 0600), 0);
    const QString mp3 = makeMpeg(dir.path(), mpegKind("stereo"), 2.0);
    const QByteArray before = qgetenv("TONEBRIDGE_AUDIO");
    qputenv("TONEBRIDGE_AUDIO", ("capture:" + device).toUtf8());
    const DecoderLibrary &lib = DecoderLibrary::get();
    tb::ManualMessageWindow window;
    tb_window *handle = window.handle();
    XA_Player *player = nullptr;
    ASSERT_EQ(lib.player_new(&player, &handle), XA_SUCCESS);
    lib.send_S(player, XA_MSG_COMMAND_INPUT_OPEN, mp3.toStdString().c_str());
    lib.send_N(player, XA_MSG_COMMAND_PLAY);
    const bool held = waitForThreadsOpening(QFile::encodeName(device).toStdString());
    qputenv("TONEBRIDGE_AUDIO", before);
    ASSERT_TRUE(held);
    lib.player_delete(player);
    // It has returned while the player's thread is still held, and nothing more is posted.
    EXPECT_EQ(threadsOpening(QFile::encodeName(device).toStdString()), 1);
    window.deliverPending();
    int posted = 0;
    window.setHandler([&](uint32_t, uintptr_t, intptr_t) { ++posted; });
    EXPECT_EQ(window.deliverPending(), 0);
    EXPECT_EQ(posted, 0);
}

// --- Commands with their natural meaning, and refusals -------------------------------------------

TEST_F(DecoderLib, AnswersVersionAndErrorTexts)
{
    EXPECT_EQ(session.lib().xaudio_get_version(2), 0x030800u);
    EXPECT_STREQ(session.lib().xaudio_error_string(XA_ERROR_NO_INPUT), "no input is open");
    EXPECT_STREQ(session.lib().xaudio_error_string(-999), "unknown error");
}

TEST_F(DecoderLib, PriorityIsKeptAndRangeChecked)
{
    EXPECT_EQ(session.lib().player_get_priority(session.player()), 3);
    EXPECT_EQ(session.lib().player_set_priority(session.player(), 1), XA_SUCCESS);
    EXPECT_EQ(session.lib().player_get_priority(session.player()), 1);
    EXPECT_NE(session.lib().player_set_priority(session.player(), 9), XA_SUCCESS);
    EXPECT_EQ(session.lib().player_get_priority(session.player()), 1);
    EXPECT_EQ(session.lib().player_set_priority(nullptr, 1), XA_ERROR_INVALID_PLAYER);
}

TEST_F(DecoderLib, AnswersQueriesWithTheirNotifications)
{
    const DecoderLibrary &lib = session.lib();
    XA_Player *p = session.player();
    lib.send_I(p, XA_MSG_COMMAND_PING, 4242);
    lib.send_N(p, XA_MSG_COMMAND_SYNC);
    lib.send_N(p, XA_MSG_GET_INPUT_TIMECODE_GRANULARITY);
    lib.send_SI(p, XA_MSG_SET_PLAYER_ENVIRONMENT_INTEGER, "answer", 42);
    lib.send_S(p, XA_MSG_GET_PLAYER_ENVIRONMENT_INTEGER, "answer");
    lib.send_SS(p, XA_MSG_SET_PLAYER_ENVIRONMENT_STRING, "greeting", "hello");
    lib.send_S(p, XA_MSG_GET_PLAYER_ENVIRONMENT_STRING, "greeting");
    lib.send_I(p, XA_MSG_SET_INPUT_POSITION_RANGE, 400);
    lib.send_N(p, XA_MSG_GET_INPUT_POSITION_RANGE);
    lib.send_III(p, XA_MSG_SET_OUTPUT_VOLUME, 80, 70, 40);
    lib.send_N(p, XA_MSG_GET_OUTPUT_VOLUME);
    lib.send_N(p, XA_MSG_COMMAND_OUTPUT_MODULES_LIST);
    lib.send_N(p, XA_MSG_GET_DEBUG_LEVEL);
    ASSERT_TRUE(session.waitFor([&] { return session.hasAck(XA_MSG_GET_DEBUG_LEVEL); }));

    EXPECT_EQ(session.notesWithCode(XA_MSG_NOTIFY_PONG).at(0).message.pong.tag, 4242u);
    EXPECT_EQ(session.count(XA_MSG_NOTIFY_READY), 1);
    EXPECT_EQ(session.notesWithCode(XA_MSG_NOTIFY_INPUT_TIMECODE_GRANULARITY).at(0).message.granularity.granularity,
              1000u);
    Note integer = session.notesWithCode(XA_MSG_NOTIFY_PLAYER_ENVIRONMENT_INTEGER).at(0);
    EXPECT_EQ(integer.text1, "answer");
    EXPECT_EQ(integer.message.env_integer.value, 42);
    Note text = session.notesWithCode(XA_MSG_NOTIFY_PLAYER_ENVIRONMENT_STRING).at(0);
    EXPECT_EQ(text.text1, "greeting");
    EXPECT_EQ(text.text2, "hello");
    EXPECT_EQ(session.notesWithCode(XA_MSG_NOTIFY_INPUT_POSITION_RANGE).at(0).message.position_range.range, 400);
    Note volume = session.notesWithCode(XA_MSG_NOTIFY_OUTPUT_VOLUME).at(0);
    EXPECT_EQ(volume.message.volume.master_level, 80);
    EXPECT_EQ(volume.message.volume.pcm_level, 70);
    EXPECT_EQ(volume.message.volume.balance, 40);
    auto modules = session.notesWithCode(XA_MSG_NOTIFY_OUTPUT_MODULE_INFO);
    ASSERT_EQ(modules.size(), 2u);
    EXPECT_EQ(modules[0].text1, "wav");
    EXPECT_EQ(session.count(XA_MSG_NOTIFY_NACK), 0);
}

TEST_F(DecoderLib, RefusesWhatItDoesNotOffer)
{
    const DecoderLibrary &lib = session.lib();
    XA_Player *p = session.player();
    lib.send_SI(p, XA_MSG_COMMAND_INPUT_ADD_FILTER, "echo", 0);
    lib.send_S(p, XA_MSG_COMMAND_CODEC_MODULE_REGISTER, "other.so");
    lib.send_IPI(p, XA_MSG_COMMAND_OUTPUT_SEND_MESSAGE, 1, nullptr, 0);
    lib.send_I(p, XA_MSG_COMMAND_INPUT_MODULE_QUERY, 7);
    lib.send_I(p, XA_MSG_SET_CODEC_QUALITY, 2);
    lib.send_S(p, XA_MSG_GET_PLAYER_ENVIRONMENT_INTEGER, "unset");
    lib.send_IIII(p, 99, 1, 2, 3, 4);
    ASSERT_TRUE(session.waitFor([&] { return session.count(XA_MSG_NOTIFY_NACK) == 7; }));
    std::vector<int> errors;
    for (const Note &n : session.notesWithCode(XA_MSG_NOTIFY_NACK))
        errors.push_back(n.message.nack.error);
    EXPECT_EQ(errors, (std::vector<int>{XA_ERROR_NOT_SUPPORTED, XA_ERROR_NOT_SUPPORTED, XA_ERROR_NOT_SUPPORTED,
                                        XA_ERROR_NO_SUCH_MODULE, XA_ERROR_NOT_SUPPORTED, XA_ERROR_NO_SUCH_ENVIRONMENT,
                                        XA_ERROR_NOT_SUPPORTED}));
    EXPECT_EQ(session.count(XA_MSG_NOTIFY_ACK), 0);
}

TEST_F(DecoderLib, MessageConversionRejectsOtherMessagesAndOtherPlayers)
{
    DecoderSession other;
    XA_Message message{};
    EXPECT_NE(session.lib().params_to_message(session.player(), &message, 0x0113, 0, 0), 0);
    other.sendI(XA_MSG_COMMAND_PING, 1);
    ASSERT_TRUE(other.waitFor([&] { return other.count(XA_MSG_NOTIFY_PONG) == 1; }));
    // A notification of `other` fed to `session`'s player is not recognised.
    other.sendI(XA_MSG_COMMAND_PING, 2);
    other.send(XA_MSG_COMMAND_SYNC);
    EXPECT_NE(session.lib().params_to_message(session.player(), &message, XA_NOTIFY_WINDOW_MESSAGE, 1, 1), 0);
    EXPECT_NE(session.lib().params_to_message(nullptr, &message, XA_NOTIFY_WINDOW_MESSAGE, 1, 1), 0);
}

} // namespace
