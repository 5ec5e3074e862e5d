// Tags carried into the MP3 files the encoder library writes: the WAV file's ID3v2 chunk as the
// MP3's ID3v2 tag, or its INFO fields as a version 2.4 tag, and an ID3v1 tag when the text fits.
// The audio frames, with LAME's Info frame first, stay exactly what they were without tags.
#include "Mp3Check.h"
#include "support/WavWriter.h"
#include "decoderlib/DecoderSession.h"
#include "decoderlib/MpegFixtures.h"
#include "support/ReferenceTools.h"
#include "support/TempDir.h"
#include "tagslib/Id3Builder.h"

#include "Id3v1.h"
#include "Id3v2.h"
#include "RiffInfo.h"

#include <tonebridge/gogo.h>

#include <QProcess>
#include <gtest/gtest.h>

#include <map>

using namespace tb::test;
using tb::tags::TagFields;

namespace {

std::string path(const QString &p) { return p.toStdString(); }
QByteArray qbytes(const std::vector<uint8_t> &b)
{
    return QByteArray(reinterpret_cast<const char *>(b.data()), static_cast<qsizetype>(b.size()));
}

// Encodes in to out at 128 kbit/s joint stereo; the last result of MPGE_processFrame.
int32_t encode(const QString &in, const QString &out)
{
    MPGE_initializeWork();
    MPGE_setConfigure(MC_INPUTFILE, MC_INPDEV_FILE, path(in).c_str());
    MPGE_setConfigure(MC_OUTPUTFILE, 0, path(out).c_str());
    MPGE_setConfigure(MC_BITRATE, 128, nullptr);
    MPGE_setConfigure(MC_ENCODEMODE, MC_MODE_JOINT, nullptr);
    int32_t result = MPGE_detectConfigure();
    for (int calls = 0; result == MPGE_OK && calls < 1'000'000; ++calls)
        result = MPGE_processFrame();
    MPGE_closeCoder();
    MPGE_endCoder();
    return result;
}

// What the mpg123 program decodes, as raw 16-bit samples.
QByteArray mpg123Decode(const QString &file)
{
    QProcess p;
    p.start("mpg123", {"-q", "-s", file});
    p.waitForFinished(60000);
    return p.readAllStandardOutput();
}

size_t leadingTagSize(const QByteArray &mp3)
{
    return tb::tags::id3v2DeclaredSize(reinterpret_cast<const uint8_t *>(mp3.constData()),
                                       static_cast<size_t>(mp3.size()));
}

bool endsWithId3v1(const QByteArray &mp3) { return mp3.size() >= 128 && mp3.right(128).startsWith("TAG"); }

// A WAV image of the tone with chunks before and after its samples.
QByteArray waveWithChunks(const std::vector<uint8_t> &before, const std::vector<uint8_t> &after = {})
{
    ToneWave w;
    const std::vector<uint8_t> plain = toneWaveImage(w);
    std::vector<uint8_t> out(plain.begin(), plain.begin() + 36); // RIFF header and "fmt "
    out.insert(out.end(), before.begin(), before.end());
    out.insert(out.end(), plain.begin() + 36, plain.end());
    out.insert(out.end(), after.begin(), after.end());
    const uint32_t riff = static_cast<uint32_t>(out.size() - 8);
    for (int i = 0; i < 4; ++i)
        out[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(riff >> (8 * i));
    return qbytes(out);
}

class TagsToMp3 : public ::testing::Test {
protected:
    TempDir dir;

    // The MP3 of the tone without any tag, as the encoder made it before tags were carried.
    QByteArray plainMp3()
    {
        if (plainMp3_.isEmpty()) {
            const QString wav = dir.write("plain.wav", waveWithChunks({}));
            EXPECT_EQ(encode(wav, dir.file("plain.mp3")), MPGE_FINISHED);
            plainMp3_ = TempDir::read(dir.file("plain.mp3"));
        }
        return plainMp3_;
    }

    // Encodes the WAV image; checks that the audio is exactly the untagged encoding's with LAME's
    // Info frame right after the ID3v2 tag, and returns the MP3 file.
    QByteArray encodeTagged(const QByteArray &wave, const QString &name = "tagged")
    {
        const QString wav = dir.write(name + ".wav", wave);
        const QString mp3 = dir.file(name + ".mp3");
        EXPECT_EQ(encode(wav, mp3), MPGE_FINISHED);
        const QByteArray out = TempDir::read(mp3);
        const size_t tag = leadingTagSize(out);
        const QByteArray audio = out.mid(static_cast<qsizetype>(tag), out.size() - static_cast<qsizetype>(tag) -
                                                                          (endsWithId3v1(out) ? 128 : 0));
        EXPECT_EQ(audio, plainMp3()) << "the audio frames changed";
        const QByteArray firstFrame = out.mid(static_cast<qsizetype>(tag), 64);
        EXPECT_TRUE(firstFrame.contains("Info") || firstFrame.contains("Xing"));
        EXPECT_EQ(mpg123Decode(mp3), mpg123Decode(dir.file("plain.mp3")));
        EXPECT_FALSE(mpg123Decode(mp3).isEmpty());
        return out;
    }

private:
    QByteArray plainMp3_;
};

TagFields sample()
{
    TagFields f;
    f.title = "Info Title";
    f.artist = "Info Artist";
    f.album = "Info Album";
    f.year = "2020";
    f.genre = "Jazz";
    f.comment = "Info comment";
    f.track = "4";
    return f;
}

} // namespace

TEST_F(TagsToMp3, RoundTripThroughBothLibrariesKeepsEveryTagByte)
{
    const QString tone = dir.file("tone.wav");
    ASSERT_TRUE(runCommand("sox -n -r 44100 -c 2 -b 16 " + path(tone) + " synth 1.5 sine 440 sine 1250"));
    dir.write("cover.jpg", qbytes(coverPayload()).mid(14));
    ASSERT_TRUE(runCommand("cd " + path(dir.path()) +
                           " && lame --quiet -b 128 --id3v2-only --id3v2-utf16 --tt 'T\xC3\xAFtle \xE2\x9C\x93'"
                           " --ta '\xC3\x84rtist' --tl Album --ty 2021 --tn 3/12 --tg Rock --tc 'a comment'"
                           " --ti cover.jpg tone.wav source.mp3"));
    const QByteArray source = TempDir::read(dir.file("source.mp3"));
    const size_t sourceTag = leadingTagSize(source);
    ASSERT_GT(sourceTag, 60000u);

    // MP3 to WAV through the decoder library.
    DecoderSession session;
    session.send(XA_MSG_COMMAND_OUTPUT_OPEN, "wav:" + path(dir.file("middle.wav")));
    session.send(XA_MSG_COMMAND_INPUT_OPEN, path(dir.file("source.mp3")));
    session.send(XA_MSG_COMMAND_PLAY);
    ASSERT_TRUE(session.waitForState(XA_PLAYER_STATE_EOF));
    session.send(XA_MSG_COMMAND_OUTPUT_CLOSE);
    ASSERT_TRUE(session.waitFor([&] { return session.hasAck(XA_MSG_COMMAND_OUTPUT_CLOSE); }));

    // WAV to MP3 through the encoder library.
    ASSERT_EQ(encode(dir.file("middle.wav"), dir.file("back.mp3")), MPGE_FINISHED);
    const QByteArray back = TempDir::read(dir.file("back.mp3"));
    ASSERT_EQ(leadingTagSize(back), sourceTag);
    EXPECT_EQ(back.left(static_cast<qsizetype>(sourceTag)), source.left(static_cast<qsizetype>(sourceTag)));
    EXPECT_FALSE(endsWithId3v1(back)); // the title has a character ID3v1 cannot hold
    EXPECT_TRUE(back.mid(static_cast<qsizetype>(sourceTag), 64).contains("Info"));

    const auto probed = ffprobeTags(dir.file("back.mp3"));
    EXPECT_EQ(probed.at("title"), "T\xC3\xAFtle \xE2\x9C\x93");
    EXPECT_EQ(probed.at("artist"), "\xC3\x84rtist");
    EXPECT_EQ(probed.at("album"), "Album");
    EXPECT_EQ(probed.at("track"), "3/12");
    const DecodedMp3 decoded = decodeMp3(path(dir.file("back.mp3")));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_NEAR(decoded.samples(), 1.5 * 44100, 1152);
}

TEST_F(TagsToMp3, Id3v1RoundTripGivesTheSameId3v1BlockAndAnId3v24Tag)
{
    const QString tone = dir.file("tone.wav");
    ASSERT_TRUE(runCommand("sox -n -r 44100 -c 2 -b 16 " + path(tone) + " synth 1 sine 440"));
    ASSERT_TRUE(runCommand("lame --quiet -b 128 --id3v1-only --tt 'Old Title' --ta 'Old Artist' --tl 'Old Album'"
                           " --ty 1999 --tn 7 --tg Jazz --tc 'v1 comment' " +
                           path(tone) + " " + path(dir.file("v1.mp3"))));
    const QByteArray source = TempDir::read(dir.file("v1.mp3"));
    ASSERT_TRUE(endsWithId3v1(source));

    DecoderSession session;
    session.send(XA_MSG_COMMAND_OUTPUT_OPEN, "wav:" + path(dir.file("v1.wav")));
    session.send(XA_MSG_COMMAND_INPUT_OPEN, path(dir.file("v1.mp3")));
    session.send(XA_MSG_COMMAND_PLAY);
    ASSERT_TRUE(session.waitForState(XA_PLAYER_STATE_EOF));
    session.send(XA_MSG_COMMAND_OUTPUT_CLOSE);
    ASSERT_TRUE(session.waitFor([&] { return session.hasAck(XA_MSG_COMMAND_OUTPUT_CLOSE); }));
    ASSERT_EQ(encode(dir.file("v1.wav"), dir.file("back.mp3")), MPGE_FINISHED);

    const QByteArray back = TempDir::read(dir.file("back.mp3"));
    ASSERT_TRUE(endsWithId3v1(back));
    EXPECT_EQ(back.right(128), source.right(128));
    const size_t tag = leadingTagSize(back);
    ASSERT_GT(tag, 0u);
    EXPECT_EQ(back[3], 4);
    const TagFields fields = tb::tags::readId3v2Fields(bytesOf(back.left(static_cast<qsizetype>(tag))));
    EXPECT_EQ(fields.title, "Old Title");
    EXPECT_EQ(fields.genre, "Jazz");
    EXPECT_EQ(fields.track, "7");
}

struct InfoSource {
    const char *name;
    QByteArray (*make)(const TempDir &dir);
};

void PrintTo(const InfoSource &s, std::ostream *out) { *out << s.name; }

QByteArray ffmpegInfo(const TempDir &dir)
{
    const QString wav = dir.file("ffmpeg.wav");
    runCommand("ffmpeg -v error -y -f lavfi -i 'sine=frequency=1000:sample_rate=44100:duration=1.5' -ac 2"
               " -metadata title='Info Title' -metadata artist='Info Artist' -metadata album='Info Album'"
               " -metadata date=2020 -metadata genre=Jazz -metadata comment='Info comment' -metadata track=4 " +
               path(wav));
    return TempDir::read(wav);
}

QByteArray ownInfo(const TempDir &) { return waveWithChunks(tb::tags::makeInfoList(sample())); }

class InfoToMp3 : public TagsToMp3, public ::testing::WithParamInterface<InfoSource> {};

TEST_P(InfoToMp3, InfoFieldsBecomeAnId3v24TagAndAnId3v1Tag)
{
    const QByteArray wave = GetParam().make(dir);
    ASSERT_TRUE(wave.contains("LIST"));
    const QString wav = dir.write("info.wav", wave);
    const QString mp3 = dir.file("info.mp3");
    ASSERT_EQ(encode(wav, mp3), MPGE_FINISHED);
    const QByteArray out = TempDir::read(mp3);
    ASSERT_GT(leadingTagSize(out), 0u);
    EXPECT_EQ(out[3], 4);
    const auto probed = ffprobeTags(mp3);
    EXPECT_EQ(probed.at("title"), "Info Title");
    EXPECT_EQ(probed.at("artist"), "Info Artist");
    EXPECT_EQ(probed.at("album"), "Info Album");
    EXPECT_EQ(probed.at("genre"), "Jazz");
    EXPECT_EQ(probed.at("track"), "4");
    ASSERT_TRUE(endsWithId3v1(out));
    const auto v1 = tb::tags::readId3v1(reinterpret_cast<const uint8_t *>(out.right(128).constData()), 128);
    ASSERT_TRUE(v1);
    EXPECT_EQ(v1->title, "Info Title");
    EXPECT_EQ(v1->track, "4");
    EXPECT_EQ(v1->genre, "Jazz");
    EXPECT_FALSE(decodeMp3(path(mp3)).samples() == 0);
}

INSTANTIATE_TEST_SUITE_P(Writers, InfoToMp3,
                         ::testing::Values(InfoSource{"ffmpeg", ffmpegInfo}, InfoSource{"ownWriter", ownInfo}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(TagsToMp3, OwnInfoWavKeepsTheAudioFrames)
{
    const QByteArray out = encodeTagged(waveWithChunks(tb::tags::makeInfoList(sample())));
    EXPECT_TRUE(endsWithId3v1(out));
}

TEST_F(TagsToMp3, Id3ChunkAfterTheSamplesIsFoundToo)
{
    const std::vector<uint8_t> tag = id3Tag(3, {{"TIT2", utf16Text("After"), {}}, {"APIC", coverPayload(), {}}}, 100);
    const QByteArray out = encodeTagged(waveWithChunks({}, tb::tags::makeChunk("ID3 ", tag)));
    EXPECT_EQ(bytesOf(out.left(static_cast<qsizetype>(tag.size()))), tag);
    EXPECT_TRUE(endsWithId3v1(out));
}

TEST_F(TagsToMp3, TextThatId3v1CannotHoldGivesOnlyTheId3v2Tag)
{
    TagFields f = sample();
    f.title = std::string(40, 'x');
    const QByteArray out = encodeTagged(waveWithChunks(tb::tags::makeInfoList(f)));
    EXPECT_FALSE(endsWithId3v1(out));
    EXPECT_EQ(tb::tags::readId3v2Fields(bytesOf(out.left(static_cast<qsizetype>(leadingTagSize(out))))).title,
              f.title);
}

TEST_F(TagsToMp3, WavWithoutTagsGivesAnMp3WithoutTags)
{
    const QByteArray out = encodeTagged(waveWithChunks({}));
    EXPECT_EQ(out, plainMp3());
    EXPECT_EQ(static_cast<uint8_t>(out[0]), 0xFF);
}

// --- Damaged tags ------------------------------------------------------------------------------

struct DamagedWavTag {
    const char *name;
    std::vector<uint8_t> before; // chunks before the samples
    std::vector<uint8_t> after;  // and after them
    std::vector<uint8_t> kept;   // the MP3's ID3v2 tag (empty: none)
};

void PrintTo(const DamagedWavTag &t, std::ostream *out) { *out << t.name; }

std::vector<DamagedWavTag> damagedWavTags()
{
    using tb::tags::makeChunk;
    const Id3Frame title{"TIT2", latin1Text("Title"), {}};
    const Id3Frame artist{"TPE1", latin1Text("Artist"), {}};
    TagFields titled;
    titled.title = "Title";
    TagFields titledArtist = titled;
    titledArtist.artist = "Artist";
    std::vector<uint8_t> damagedInfo{'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 6, 0, 0, 0, 'T', 'i', 't', 'l', 'e', 0,
                                     'I', 'A', 'R', 'T', 0xFF, 0xFF, 0, 0, 'x', 0};
    std::vector<uint8_t> garbage(3000);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<uint8_t>(i * 7 + 3);
    garbage[0] = 'I';
    garbage[1] = 'D';
    garbage[2] = '3';
    return {
        {"tagSizeBeyondTheChunk", makeChunk("id3 ", id3Tag(3, {title, artist}, 0, 0, 900000)), {},
         id3Tag(3, {title, artist})},
        {"frameSizeBeyondTheTag", makeChunk("id3 ", id3Tag(3, {title, {"TPE1", latin1Text("A"), 5000}})), {},
         id3Tag(3, {title})},
        {"zeroSizeFrame", makeChunk("id3 ", id3Tag(4, {title, {"TXXX", {}, {}}, artist})), {}, id3Tag(4, {title, artist})},
        {"garbageId3Chunk", makeChunk("id3 ", garbage), {}, {}},
        {"damagedInfoEntry", makeChunk("LIST", damagedInfo), {}, tb::tags::makeId3v24(titled)},
        {"chunkAfterTheSamplesBeyondTheFile", {}, {'L', 'I', 'S', 'T', 0xFF, 0xFF, 0xFF, 0x7F, 'I', 'N', 'F', 'O'}, {}},
        {"hugeListChunkPassedOver",
         [] {
             std::vector<uint8_t> body{'I', 'N', 'F', 'O'};
             body.resize(2 * 1024 * 1024, 'x');
             return makeChunk("LIST", body);
         }(),
         makeChunk("id3 ", id3Tag(3, {title, artist})), id3Tag(3, {title, artist})},
    };
}

class DamagedTagsToMp3 : public TagsToMp3, public ::testing::WithParamInterface<DamagedWavTag> {};

TEST_P(DamagedTagsToMp3, EncodeWithTheSoundPartOfTheTag)
{
    const DamagedWavTag &c = GetParam();
    const QByteArray out = encodeTagged(waveWithChunks(c.before, c.after), "damaged");
    EXPECT_EQ(bytesOf(out.left(static_cast<qsizetype>(leadingTagSize(out)))), c.kept);
    // ffprobe takes the MP3 as it is, tag and all.
    const auto probed = ffprobeEntries(dir.file("damaged.mp3"), "stream=codec_name,sample_rate,bit_rate");
    EXPECT_EQ(probed.value("codec_name"), "mp3");
    EXPECT_EQ(probed.value("sample_rate"), "44100");
}

INSTANTIATE_TEST_SUITE_P(Tags, DamagedTagsToMp3, ::testing::ValuesIn(damagedWavTags()),
                         [](const auto &info) { return std::string(info.param.name); });
