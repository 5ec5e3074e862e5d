#include "MpegFrames.h"
#include "audioinfo/AudioInfo.h"
#include "audioinfo/ProbeStream.h"
#include "platform/Exception.h"
#include "support/QtPrinters.h"
#include "support/TempDir.h"

#include <functional>
#include <sys/stat.h>
#include <gtest/gtest.h>

using tb::TAudioInfo;
using tb::test::id3v1;
using tb::test::mpegFrames;
using tb::test::TempDir;

namespace {

const QByteArray Mpeg1Header = QByteArray::fromHex("FFFB9064"); // 417-byte frames

// A stream of any size whose bytes come from a function; counts every byte read.
class VirtualStream : public tb::ProbeStream {
public:
    VirtualStream(int64_t size, std::function<uint8_t(int64_t)> byteAt) : size_(size), byteAt_(std::move(byteAt)) {}

    int64_t position() const override { return position_; }
    int64_t size() const override { return size_; }
    void seek(int64_t position) override { position_ = position; }
    int64_t read(void *buffer, int64_t count) override
    {
        auto *out = static_cast<uint8_t *>(buffer);
        int64_t n = 0;
        for (; n < count && position_ < size_; ++n, ++position_)
            out[n] = byteAt_(position_);
        bytesRead += n;
        ++reads;
        largestRead = std::max(largestRead, count);
        return n;
    }

    int64_t bytesRead = 0;
    int reads = 0;
    int64_t largestRead = 0;

private:
    int64_t size_;
    std::function<uint8_t(int64_t)> byteAt_;
    int64_t position_ = 0;
};

// Bytes of `data` placed at `offset` within a region of zeros.
std::function<uint8_t(int64_t)> bytesAt(const QByteArray &data, int64_t offset)
{
    return [data, offset](int64_t p) -> uint8_t {
        return p >= offset && p < offset + data.size() ? uint8_t(data[int(p - offset)]) : 0;
    };
}

void probe(TAudioInfo &info, const QByteArray &file)
{
    tb::MemoryProbeStream stream(file.constData(), file.size());
    info.LoadFromStream(stream, file.size());
}

struct OffsetCase {
    int offset;
    bool found;
};

class FirstFrameOffsets : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(FirstFrameOffsets, FindsHeadersUpToOffset10292)
{
    const OffsetCase &c = GetParam();
    const QByteArray file = QByteArray(c.offset, '\0') + mpegFrames(Mpeg1Header, 417, 3) + QByteArray(20000, '\0');
    TAudioInfo info;
    probe(info, file);
    EXPECT_EQ(info.FrameHdr.Valid, c.found);
    EXPECT_EQ(info.FirstFrame, c.found ? c.offset : -1);
}

INSTANTIATE_TEST_SUITE_P(Offsets, FirstFrameOffsets,
                         ::testing::Values(OffsetCase{0, true}, OffsetCase{1, true}, OffsetCase{124, true},
                                           OffsetCase{126, true}, OffsetCase{127, true}, OffsetCase{128, true},
                                           OffsetCase{5000, true}, OffsetCase{10291, true},
                                           OffsetCase{10292, true}, OffsetCase{10293, false},
                                           OffsetCase{12000, false}));

TEST(AudioInfo, FirstFrameIsFoundThroughJunkThatLooksLikeSync)
{
    // FF E0 patterns that do not decode, every few bytes, before the real header at 5000
    QByteArray junk(5000, '\0');
    for (int i = 0; i + 1 < junk.size(); i += 7) {
        junk[i] = char(0xFF);
        junk[i + 1] = char(0xEB);
    }
    TAudioInfo info;
    probe(info, junk + mpegFrames(Mpeg1Header, 417, 2) + QByteArray(10, '\0'));
    EXPECT_TRUE(info.FrameHdr.Valid);
    EXPECT_EQ(info.FirstFrame, 5000);
}

TEST(AudioInfo, HeaderWhoseSuccessorDoesNotDecodeIsInvalid)
{
    const QByteArray file = Mpeg1Header + QByteArray(413, '\0') + QByteArray(100, '\x22');
    TAudioInfo info;
    probe(info, file);
    EXPECT_FALSE(info.FrameHdr.Valid);
    EXPECT_EQ(info.FirstFrame, -1);
}

TEST(AudioInfo, FalseSyncThatIsNotConfirmedDoesNotEndTheSearch)
{
    // A header that decodes but has no successor, in junk before the real frames.
    const QByteArray fake = QByteArray::fromHex("FFFB9064");
    for (int fakeAt : {0, 100, 126, 3000}) {
        QByteArray junk(5000, '\x22');
        junk.replace(fakeAt, 4, fake);
        TAudioInfo info;
        probe(info, junk + mpegFrames(QByteArray::fromHex("FFF384C4"), 192, 3) + id3v1("After Junk"));
        EXPECT_TRUE(info.FrameHdr.Valid) << fakeAt;
        EXPECT_EQ(info.FirstFrame, 5000) << fakeAt;
        EXPECT_EQ(info.FrameHdr.SampleRate, 24000) << fakeAt;
        EXPECT_EQ(info.Tag.Title, QStringLiteral("After Junk")) << fakeAt;
    }
}

// --- ID3v2 tags at the start ------------------------------------------------------------------

// An ID3v2 tag header of the given version and flags, declaring a body of bodySize bytes.
QByteArray id3v2Header(int version, uint8_t flags, int64_t bodySize)
{
    QByteArray h("ID3");
    h += char(version);
    h += char(0);
    h += char(flags);
    for (int shift = 21; shift >= 0; shift -= 7)
        h += char((bodySize >> shift) & 0x7F);
    return h;
}

// A tag whose body is a text frame with a UTF-16 title (byte-order mark FF FE, which looks like
// a Layer I header) followed by filler up to bodySize.
QByteArray id3v2Tag(int version, int64_t bodySize, uint8_t flags = 0)
{
    QByteArray body = QByteArray("TIT2") + QByteArray::fromHex("0000000B0000") + QByteArray::fromHex("01FFFE") +
                      QByteArray::fromHex("540069007400");
    body += QByteArray(int(bodySize - body.size()), '\xFF');
    QByteArray tag = id3v2Header(version, flags, bodySize) + body;
    if (flags & 0x10)
        tag += "3DI" + id3v2Header(version, flags, bodySize).mid(3);
    return tag;
}

struct TagCase {
    const char *name;
    QByteArray lead; // what comes before the frames
    int firstFrame;  // -1: no frame found
};

class LeadingTags : public ::testing::TestWithParam<TagCase> {};

TEST_P(LeadingTags, AreSteppedOverBeforeTheSearch)
{
    const TagCase &c = GetParam();
    // MPEG-2 frames, so that a false Layer I header inside the tag cannot pass for them
    const QByteArray frames = mpegFrames(QByteArray::fromHex("FFF384C4"), 192, 3);
    TAudioInfo info;
    probe(info, c.lead + frames + id3v1("Tagged"));
    EXPECT_EQ(info.FirstFrame, c.firstFrame);
    EXPECT_EQ(info.FrameHdr.Valid, c.firstFrame >= 0);
    if (c.firstFrame >= 0) {
        EXPECT_EQ(info.FrameHdr.SampleRate, 24000);
        EXPECT_EQ(info.FrameHdr.Bitrate, 64);
        EXPECT_EQ(info.Tag.Title, QStringLiteral("Tagged"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tags, LeadingTags,
    ::testing::Values(
        TagCase{"SmallTag", id3v2Tag(3, 200), 210},
        TagCase{"TagWithA60KBPicture", id3v2Tag(3, 60000), 60010},
        TagCase{"TagOf500KB", id3v2Tag(4, 500000), 500010},
        TagCase{"Version4TagWithFooter", id3v2Tag(4, 30000, 0x10), 30020},
        TagCase{"Version3IgnoresTheFooterFlag", id3v2Tag(3, 3000, 0x10).left(3010), 3010},
        TagCase{"RepeatedTags", id3v2Tag(3, 20000) + id3v2Tag(4, 15000), 35020},
        // the reach counts from the tag's end
        TagCase{"FrameAt10292BehindTheTag", id3v2Tag(3, 40000) + QByteArray(10292, '\0'), 50302},
        TagCase{"FrameAt10293BehindTheTagIsOutOfReach", id3v2Tag(3, 40000) + QByteArray(10293, '\0'), -1},
        // not tags: junk keeps the plain reach
        TagCase{"JunkBeyondTheReach", QByteArray(12000, '\0'), -1},
        TagCase{"SizeThatIsNotSynchSafeIsJunk", id3v2Header(3, 0, 100).replace(9, 1, "\x80") + QByteArray(12000, '\0'), -1},
        TagCase{"TagNotAtTheStartIsJunk", QByteArray(10, '\0') + id3v2Tag(3, 200), 220},
        // a damaged tag is searched like junk, so the decoder's playable file is not "Unknown Format"
        TagCase{"TagRunningPastTheEndIsSearchedLikeJunk", id3v2Header(3, 0, 0x0FFFFFFF), 10},
        TagCase{"SecondTagRunningPastTheEndIsSearchedLikeJunk", id3v2Tag(3, 200) + id3v2Header(4, 0, 0x0FFFFFFF), 220}),
    [](const ::testing::TestParamInfo<TagCase> &info) { return std::string(info.param.name); });

TEST(AudioInfo, SearchNeverLooksInsideTheTag)
{
    // The tag holds a confirmed pair of frames; the probe must find the ones behind it.
    QByteArray tag = id3v2Tag(3, 4000);
    tag.replace(100, 834, mpegFrames(Mpeg1Header, 417, 2));
    TAudioInfo info;
    probe(info, tag + mpegFrames(QByteArray::fromHex("FFF384C4"), 192, 3));
    EXPECT_EQ(info.FirstFrame, 4010);
    EXPECT_EQ(info.FrameHdr.SampleRate, 24000);
}

TEST(AudioInfo, ProbeBehindALargeTagReadsOnlyTheTagHeaderTheScanTheSuccessorAndTheID3v1Block)
{
    const int64_t size = int64_t(1) << 30;
    const QByteArray head = id3v2Header(3, 0, 500000);
    const QByteArray frames = mpegFrames(Mpeg1Header, 417, 2);
    VirtualStream stream(size, [head, frames](int64_t p) -> uint8_t {
        if (p < head.size())
            return uint8_t(head[int(p)]);
        return p >= 500010 && p < 500010 + frames.size() ? uint8_t(frames[int(p - 500010)]) : 0;
    });
    TAudioInfo info;
    info.LoadFromStream(stream, size);
    EXPECT_EQ(info.FirstFrame, 500010);
    EXPECT_TRUE(info.FrameHdr.Valid);
    EXPECT_EQ(stream.bytesRead, 128 + 128 + 4 + 128);
    EXPECT_LE(stream.largestRead, 128);
}

TEST(AudioInfo, FileOfOneFrameStaysValid)
{
    // successor at 417; 417 + 4 >= probed size, so nothing confirms or refutes the header
    for (int extra : {0, 3}) {
        TAudioInfo info;
        probe(info, mpegFrames(Mpeg1Header, 417, 1) + QByteArray(extra, '\x22'));
        EXPECT_TRUE(info.FrameHdr.Valid) << extra;
        EXPECT_EQ(info.FrameHdr.FrameLength, 417);
    }
    TAudioInfo info;
    probe(info, mpegFrames(Mpeg1Header, 417, 1) + QByteArray(5, '\x22')); // now 421 < 422
    EXPECT_FALSE(info.FrameHdr.Valid);
}

TEST(AudioInfo, FirstFrameKeepsItsOwnFieldsAfterConfirmation)
{
    // first frame MPEG-1 128 kbit/s, next header a different (valid) one
    const QByteArray file = Mpeg1Header + QByteArray(413, '\0') + QByteArray::fromHex("FFF384C4") + QByteArray(300, '\0');
    TAudioInfo info;
    probe(info, file);
    EXPECT_TRUE(info.FrameHdr.Valid);
    EXPECT_EQ(info.FrameHdr.Bitrate, 128);
    EXPECT_EQ(info.FrameHdr.SampleRate, 44100);
}

TEST(AudioInfo, TinyAndEmptyStreamsFindNothing)
{
    for (const QByteArray &file : {QByteArray(), QByteArray::fromHex("FF"), QByteArray::fromHex("FFFB90")}) {
        TAudioInfo info;
        probe(info, file);
        EXPECT_EQ(info.FirstFrame, -1);
        EXPECT_FALSE(info.FrameHdr.Valid);
        EXPECT_FALSE(info.Tag.Found);
    }
}

TEST(AudioInfo, TagAfterTheFramesIsRead)
{
    TAudioInfo info;
    probe(info, mpegFrames(Mpeg1Header, 417, 3) + id3v1("Song Title"));
    EXPECT_TRUE(info.FrameHdr.Valid);
    EXPECT_TRUE(info.Tag.Found);
    EXPECT_EQ(info.Tag.Title, QStringLiteral("Song Title"));
}

TEST(AudioInfo, TagIsLookedForOnlyBehindTheFirstFrame)
{
    // One frame whose last 128 bytes look like a tag: behind the frame less than 128 bytes remain.
    QByteArray frame = mpegFrames(Mpeg1Header, 417, 1);
    frame.replace(417 - 128, 128, id3v1("Inside"));
    TAudioInfo info;
    probe(info, frame);
    EXPECT_TRUE(info.FrameHdr.Valid);
    EXPECT_FALSE(info.Tag.Found);

    // Without a valid frame the whole file is the region, and the same bytes are a tag.
    QByteArray noFrame = frame;
    noFrame[0] = 0;
    probe(info, noFrame);
    EXPECT_FALSE(info.FrameHdr.Valid);
    EXPECT_TRUE(info.Tag.Found);
    EXPECT_EQ(info.Tag.Title, QStringLiteral("Inside"));
}

TEST(AudioInfo, ProbeCountsFromTheStreamsCurrentPosition)
{
    const QByteArray file = QByteArray(50, 'x') + QByteArray(300, '\0') + mpegFrames(Mpeg1Header, 417, 2) + id3v1("T");
    tb::MemoryProbeStream stream(file.constData(), file.size());
    stream.seek(50);
    TAudioInfo info;
    info.LoadFromStream(stream, 1 << 30); // more than there is: lowered to what the stream holds
    EXPECT_EQ(info.FirstFrame, 300);
    EXPECT_TRUE(info.FrameHdr.Valid);
    EXPECT_TRUE(info.Tag.Found);
}

TEST(AudioInfo, ProbeOfAGibibyteFileReadsOnlyTheScannedBytesTheSuccessorAndTheTag)
{
    int64_t size = int64_t(1) << 30;
    // no header anywhere: the whole scan, no confirmation, the tag
    VirtualStream empty(size, [](int64_t) -> uint8_t { return 0; });
    TAudioInfo info;
    info.LoadFromStream(empty, size);
    EXPECT_FALSE(info.FrameHdr.Valid);
    EXPECT_EQ(empty.bytesRead, 10296 + 128);
    EXPECT_LE(empty.largestRead, 128);

    // a header at 10292: the whole scan, the 4-byte successor, the tag at the very end
    const QByteArray frames = mpegFrames(Mpeg1Header, 417, 2);
    const QByteArray tag = id3v1("Large");
    VirtualStream large(size, [frames, tag, size](int64_t p) -> uint8_t {
        if (p >= size - 128)
            return uint8_t(tag[int(p - (size - 128))]);
        return p >= 10292 && p < 10292 + frames.size() ? uint8_t(frames[int(p - 10292)]) : 0;
    });
    info.LoadFromStream(large, size);
    EXPECT_TRUE(info.FrameHdr.Valid);
    EXPECT_EQ(info.FirstFrame, 10292);
    EXPECT_TRUE(info.Tag.Found);
    EXPECT_EQ(info.Tag.Title, QStringLiteral("Large"));
    EXPECT_EQ(large.bytesRead, 10296 + 4 + 128);
    EXPECT_LE(large.bytesRead, 10296 + 4 + 128);
}

TEST(AudioInfo, ProbeWithAHeaderAtTheStartReadsOnePieceTheSuccessorAndTheTag)
{
    const int64_t size = int64_t(1) << 30;
    VirtualStream stream(size, bytesAt(mpegFrames(Mpeg1Header, 417, 2), 0));
    TAudioInfo info;
    info.LoadFromStream(stream, size);
    EXPECT_TRUE(info.FrameHdr.Valid);
    EXPECT_EQ(stream.bytesRead, 128 + 4 + 128);
}

TEST(AudioInfo, StreamThatShrankFailsWithAReadError)
{
    // claims a size it cannot deliver
    class Liar : public VirtualStream {
    public:
        Liar() : VirtualStream(4000, [](int64_t) -> uint8_t { return 0; }) {}
        int64_t size() const override { return 1000000; }
    } liar;
    TAudioInfo info;
    EXPECT_THROW(info.LoadFromStream(liar, 1000000), tb::EInOutError);
    EXPECT_FALSE(info.FrameHdr.Valid);
    EXPECT_EQ(info.FirstFrame, -1);
}

TEST(AudioInfo, LoadFromFileProbesTheFile)
{
    TempDir dir;
    const QString path = dir.write("song.mp3", QByteArray(126, '\0') + mpegFrames(Mpeg1Header, 417, 4) + id3v1("On Disk"));
    TAudioInfo info;
    info.LoadFromFile(path);
    EXPECT_TRUE(info.FrameHdr.Valid);
    EXPECT_EQ(info.FirstFrame, 126);
    EXPECT_EQ(info.Tag.Title, QStringLiteral("On Disk"));
}

TEST(AudioInfo, MissingFileFailsAfterReset)
{
    TempDir dir;
    TAudioInfo info;
    info.LoadFromFile(dir.write("song.mp3", mpegFrames(Mpeg1Header, 417, 2) + id3v1("Old")));
    ASSERT_TRUE(info.FrameHdr.Valid);
    EXPECT_THROW(info.LoadFromFile(dir.file("missing.mp3")), tb::EInOutError);
    EXPECT_FALSE(info.FrameHdr.Valid);
    EXPECT_EQ(info.FirstFrame, -1);
    EXPECT_FALSE(info.Tag.Found);
}

TEST(AudioInfo, BlankNameOpensNothingAndResets)
{
    TempDir dir;
    TAudioInfo info;
    info.LoadFromFile(dir.write("song.mp3", mpegFrames(Mpeg1Header, 417, 2) + id3v1("Old")));
    for (const QString &name : {QString(), QStringLiteral("   "), QStringLiteral(" \t\r\n ")}) {
        EXPECT_NO_THROW(info.LoadFromFile(name));
        EXPECT_FALSE(info.FrameHdr.Valid);
        EXPECT_EQ(info.FirstFrame, -1);
        EXPECT_FALSE(info.Tag.Found);
    }
}

TEST(AudioInfo, NameWithBlanksIsOpenedUntrimmed)
{
    TempDir dir;
    const QString path = dir.write(" padded.mp3 ", mpegFrames(Mpeg1Header, 417, 2));
    TAudioInfo info;
    info.LoadFromFile(path);
    EXPECT_TRUE(info.FrameHdr.Valid);
}

TEST(AudioInfo, FifoIsProbedAsEmptyWithoutWaiting)
{
    TempDir dir;
    const QString fifo = dir.file("pipe.mp3");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    TAudioInfo info;
    EXPECT_NO_THROW(info.LoadFromFile(fifo));
    EXPECT_FALSE(info.FrameHdr.Valid);
    EXPECT_FALSE(info.Tag.Found);
}

} // namespace
