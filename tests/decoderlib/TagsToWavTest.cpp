// The tags of MPEG files carried into the WAV files the decoder library writes: a LIST/INFO chunk
// and an "id3 " chunk before the samples, which stay exactly as they were.
#include "DecoderSession.h"
#include "MpegFixtures.h"
#include "support/ReferenceTools.h"
#include "support/TempDir.h"
#include "tagslib/Id3Builder.h"

#include "Id3v2.h"
#include "RiffInfo.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <map>

using namespace tb::test;
using tb::tags::TagFields;

namespace {

std::vector<uint8_t> bytesOf(const QByteArray &b) { return std::vector<uint8_t>(b.begin(), b.end()); }
QByteArray qbytes(const std::vector<uint8_t> &b)
{
    return QByteArray(reinterpret_cast<const char *>(b.data()), static_cast<qsizetype>(b.size()));
}

TagFields infoOf(const WavFile &wav)
{
    const QByteArray list = wav.chunk("LIST");
    return tb::tags::readInfoList(reinterpret_cast<const uint8_t *>(list.constData()), static_cast<size_t>(list.size()));
}

// The samples sox reads from a WAV file.
std::vector<int16_t> soxSamples(const QString &path)
{
    QProcess p;
    p.start("sox", {path, "-t", "raw", "-e", "signed", "-b", "16", "-L", "-"});
    p.waitForFinished(60000);
    const QByteArray raw = p.readAllStandardOutput();
    std::vector<int16_t> samples(static_cast<size_t>(raw.size() / 2));
    std::memcpy(samples.data(), raw.constData(), samples.size() * 2);
    return samples;
}

std::vector<uint8_t> id3v1Block(const std::string &title, const std::string &artist, int track, int genre)
{
    std::vector<uint8_t> b(128, 0);
    std::memcpy(b.data(), "TAG", 3);
    std::memcpy(b.data() + 3, title.data(), title.size());
    std::memcpy(b.data() + 33, artist.data(), artist.size());
    std::memcpy(b.data() + 93, "1999", 4);
    std::memcpy(b.data() + 97, "old comment", 11);
    b[126] = static_cast<uint8_t>(track);
    b[127] = static_cast<uint8_t>(genre);
    return b;
}

class TagsToWav : public ::testing::Test {
protected:
    TempDir dir;
    DecoderSession session;

    bool convert(const QString &in, const QString &out)
    {
        session.clearNotes();
        session.send(XA_MSG_COMMAND_OUTPUT_OPEN, "wav:" + out.toStdString());
        session.send(XA_MSG_COMMAND_INPUT_OPEN, in.toStdString());
        session.send(XA_MSG_COMMAND_PLAY);
        const bool ended = session.waitForState(XA_PLAYER_STATE_EOF);
        session.send(XA_MSG_COMMAND_OUTPUT_CLOSE);
        session.waitFor([&] { return session.hasAck(XA_MSG_COMMAND_OUTPUT_CLOSE); });
        return ended;
    }

    // An MP3 file without tags, and the same frames behind `head` and before `tail`.
    QString plain()
    {
        if (plain_.isEmpty())
            plain_ = makeMpeg(dir.path(), mpegKind("stereo"), 1.5, "plain");
        return plain_;
    }
    QString tagged(const QString &name, const std::vector<uint8_t> &head, const std::vector<uint8_t> &tail = {})
    {
        return dir.write(name, qbytes(head) + TempDir::read(plain()) + qbytes(tail));
    }

    void expectSamplesOf(const QString &wavPath, const QString &mpegPath)
    {
        const WavFile wav = readWav(wavPath);
        const Pcm expected = referenceDecode(mpegPath);
        ASSERT_TRUE(wav.valid);
        ASSERT_FALSE(expected.samples.empty());
        EXPECT_EQ(wav.samples, expected.samples);
        EXPECT_EQ(wav.dataSize, expected.samples.size() * 2);
        EXPECT_EQ(wav.riffSize, wav.fileSize - 8);
        EXPECT_EQ(wav.chunkIds().back(), "data");
        // Other readers walk past the tag chunks to the same samples.
        EXPECT_EQ(soxSamples(wavPath), expected.samples);
    }

private:
    QString plain_;
};

} // namespace

TEST_F(TagsToWav, Id3v23TagWithCoverIsCarriedWholeAndAsInfoFields)
{
    const QString tone = dir.file("tone.wav");
    ASSERT_TRUE(runCommand("sox -n -r 44100 -c 2 -b 16 " + tone.toStdString() + " synth 1.5 sine 440"));
    dir.write("cover.jpg", qbytes(coverPayload()).mid(14)); // the JPEG bytes of the picture frame
    const QString mp3 = dir.file("tagged.mp3");
    ASSERT_TRUE(runCommand("cd " + dir.path().toStdString() +
                           " && lame --quiet -b 128 --id3v2-only --id3v2-utf16 --tt 'T\xC3\xAFtle \xE2\x9C\x93'"
                           " --ta '\xC3\x84rtist' --tl Album --ty 2021 --tn 3/12 --tg Rock --tc 'a comment'"
                           " --ti cover.jpg tone.wav tagged.mp3"));
    const QByteArray source = TempDir::read(mp3);
    const size_t tagSize = tb::tags::id3v2DeclaredSize(reinterpret_cast<const uint8_t *>(source.constData()),
                                                       static_cast<size_t>(source.size()));
    ASSERT_GT(tagSize, 60000u);

    const QString out = dir.file("tagged.wav");
    ASSERT_TRUE(convert(mp3, out));
    const WavFile wav = readWav(out);
    EXPECT_EQ(wav.chunkIds(), (std::vector<QByteArray>{"fmt ", "LIST", "id3 ", "data"}));
    EXPECT_EQ(wav.chunk("id3 "), source.left(static_cast<qsizetype>(tagSize)));
    TagFields expected;
    expected.title = "T\xC3\xAFtle \xE2\x9C\x93";
    expected.artist = "\xC3\x84rtist";
    expected.album = "Album";
    expected.year = "2021";
    expected.genre = "Rock";
    expected.comment = "a comment";
    expected.track = "3/12";
    EXPECT_EQ(infoOf(wav), expected);
    expectSamplesOf(out, mp3);

    auto probed = ffprobeTags(out);
    EXPECT_EQ(probed["title"], expected.title);
    EXPECT_EQ(probed["artist"], expected.artist);
    EXPECT_EQ(probed["album"], "Album");
    EXPECT_EQ(session.count(XA_MSG_NOTIFY_ERROR), 0);
}

TEST_F(TagsToWav, Id3v1OnlyBecomesInfoFieldsAndAnId3v24Chunk)
{
    const QString mp3 = tagged("v1.mp3", {}, id3v1Block("Caf\xE9", "Old Artist", 7, 8));
    const QString out = dir.file("v1.wav");
    ASSERT_TRUE(convert(mp3, out));
    const WavFile wav = readWav(out);
    TagFields expected;
    expected.title = "Caf\xC3\xA9";
    expected.artist = "Old Artist";
    expected.year = "1999";
    expected.comment = "old comment";
    expected.track = "7";
    expected.genre = "Jazz";
    EXPECT_EQ(infoOf(wav), expected);
    const std::vector<uint8_t> id3 = bytesOf(wav.chunk("id3 "));
    ASSERT_GE(id3.size(), 10u);
    EXPECT_EQ(id3[3], 4);
    EXPECT_EQ(tb::tags::readId3v2Fields(id3), expected);
    expectSamplesOf(out, mp3);
    EXPECT_EQ(ffprobeTags(out)["title"], expected.title);
}

TEST_F(TagsToWav, Id3v2FieldsComeFirstAndId3v1FillsTheRest)
{
    const std::vector<uint8_t> v2 = id3Tag(3, {{"TIT2", utf16Text("New Title"), {}}}, 64);
    const QString mp3 = tagged("both.mp3", v2, id3v1Block("Old Title", "Old Artist", 7, 8));
    const QString out = dir.file("both.wav");
    ASSERT_TRUE(convert(mp3, out));
    const WavFile wav = readWav(out);
    const TagFields info = infoOf(wav);
    EXPECT_EQ(info.title, "New Title");
    EXPECT_EQ(info.artist, "Old Artist");
    EXPECT_EQ(info.track, "7");
    EXPECT_EQ(bytesOf(wav.chunk("id3 ")), v2);
    expectSamplesOf(out, mp3);
}

TEST_F(TagsToWav, FileWithoutTagsGetsNoTagChunks)
{
    const QString out = dir.file("plain.wav");
    ASSERT_TRUE(convert(plain(), out));
    const WavFile wav = readWav(out);
    EXPECT_EQ(wav.chunkIds(), (std::vector<QByteArray>{"fmt ", "data"}));
    EXPECT_EQ(wav.fileSize, 44 + wav.dataSize);
    expectSamplesOf(out, plain());
}

TEST_F(TagsToWav, NextFileOnTheSameOutputCommandsGetsItsOwnTags)
{
    const QString first = tagged("first.mp3", id3Tag(4, {{"TIT2", utf8Text("First"), {}}}));
    const QString second = tagged("second.mp3", {});
    ASSERT_TRUE(convert(first, dir.file("first.wav")));
    ASSERT_TRUE(convert(second, dir.file("second.wav")));
    EXPECT_EQ(infoOf(readWav(dir.file("first.wav"))).title, "First");
    EXPECT_EQ(readWav(dir.file("second.wav")).chunkIds(), (std::vector<QByteArray>{"fmt ", "data"}));
}

// --- Damaged tags ------------------------------------------------------------------------------

struct DamagedTag {
    const char *name;
    std::vector<uint8_t> head;   // put before the frames of the plain file
    std::vector<uint8_t> kept;   // the id3 chunk expected (empty: none)
    std::string title;           // the INFO title expected
};

void PrintTo(const DamagedTag &t, std::ostream *out) { *out << t.name; }

std::vector<DamagedTag> damagedTags()
{
    const Id3Frame title{"TIT2", latin1Text("Title"), {}};
    const Id3Frame artist{"TPE1", latin1Text("Artist"), {}};
    const Id3Frame cover{"APIC", coverPayload(), {}};
    return {
        // The header claims 10 MB, more than the whole file: the audio right after the frames
        // and padding is still found.
        {"sizeBeyondTheFile", id3Tag(3, {title, artist, cover}, 300, 0, 10'000'000), id3Tag(3, {title, artist, cover}),
         "Title"},
        {"frameSizeBeyondTheTag", id3Tag(3, {title, {"TPE1", latin1Text("Artist"), 70000}, cover}), id3Tag(3, {title}),
         "Title"},
        {"zeroSizeFrame", id3Tag(3, {title, {"TXXX", {}, {}}, artist}), id3Tag(3, {title, artist}), "Title"},
        {"everyFrameBad", id3Tag(3, {{"TIT2", latin1Text("Title"), 0x0FFFFFFF}}), {}, ""},
        {"unreadableFrameId", id3Tag(4, {title, {"t\x01xy", latin1Text("x"), {}}, artist}), id3Tag(4, {title}),
         "Title"},
    };
}

class DamagedTagsToWav : public TagsToWav, public ::testing::WithParamInterface<DamagedTag> {};

TEST_P(DamagedTagsToWav, ConvertWithTheSoundPartOfTheTag)
{
    const DamagedTag &c = GetParam();
    const QString mp3 = tagged("damaged.mp3", c.head);
    const QString out = dir.file("damaged.wav");
    ASSERT_TRUE(convert(mp3, out));
    EXPECT_EQ(session.count(XA_MSG_NOTIFY_ERROR), 0);
    const WavFile wav = readWav(out);
    EXPECT_EQ(bytesOf(wav.chunk("id3 ")), c.kept);
    EXPECT_EQ(infoOf(wav).title, c.title);
    // The same samples as the file without the tag, and other readers take the file as it is.
    expectSamplesOf(out, plain());
    const auto probed = ffprobeEntries(out, "stream=codec_name,sample_rate,channels");
    EXPECT_EQ(probed.value("codec_name"), "pcm_s16le");
    EXPECT_EQ(probed.value("channels"), "2");
    auto durations = session.notesWithCode(XA_MSG_NOTIFY_STREAM_DURATION);
    ASSERT_EQ(durations.size(), 1u);
    EXPECT_EQ(durations[0].message.duration.duration, 1u);
}

INSTANTIATE_TEST_SUITE_P(Tags, DamagedTagsToWav, ::testing::ValuesIn(damagedTags()),
                         [](const auto &info) { return std::string(info.param.name); });
