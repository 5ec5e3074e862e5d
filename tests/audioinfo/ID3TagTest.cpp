#include "MpegFrames.h"
#include "audioinfo/ID3Tags.h"
#include "audioinfo/ProbeStream.h"
#include "platform/Exception.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using tb::TID3v1Tag;
using tb::test::id3v1;

namespace {

const uint8_t *bytesOf(const QByteArray &b)
{
    return reinterpret_cast<const uint8_t *>(b.constData());
}

struct TitleCase {
    const char *name;
    QByteArray field;
    const char *title;
};

class TitleTable : public ::testing::TestWithParam<TitleCase> {};

TEST_P(TitleTable, TakesTheTitleFieldByTheRules)
{
    const TitleCase &c = GetParam();
    const QByteArray block = id3v1(c.field);
    TID3v1Tag tag;
    tag.LoadFromBuffer(bytesOf(block), block.size());
    EXPECT_TRUE(tag.Found);
    EXPECT_EQ(tag.Title, QString::fromUtf8(c.title));
}

INSTANTIATE_TEST_SUITE_P(
    Titles, TitleTable,
    ::testing::Values(
        TitleCase{"WordThenNuls", QByteArray("Word") + QByteArray(26, '\0'), "Word"},
        TitleCase{"WordThenBlanks", QByteArray("Word") + QByteArray(26, ' '), "Word"},
        TitleCase{"LeadingBlanksStay", QByteArray("  Word") + QByteArray(24, '\0'), "  Word"},
        TitleCase{"EndsAtTheFirstNul", QByteArray("ab\0cd", 5) + QByteArray(25, '\0'), "ab"},
        TitleCase{"AllBlanks", QByteArray(30, ' '), ""},
        TitleCase{"AllNuls", QByteArray(30, '\0'), ""},
        TitleCase{"TrailingControlCharacters", QByteArray("Word\t\r\n\x1F ") + QByteArray(22, ' '), "Word"},
        TitleCase{"FullThirtyBytes", QByteArray("123456789012345678901234567890"), "123456789012345678901234567890"},
        TitleCase{"Latin1Text", QByteArray("Caf\xE9"), "Café"}),
    [](const ::testing::TestParamInfo<TitleCase> &info) { return std::string(info.param.name); });

TEST(ID3v1Tag, LowerCaseTagIsNoTag)
{
    const QByteArray block = id3v1("Word", "tag");
    TID3v1Tag tag;
    tag.LoadFromBuffer(bytesOf(block), block.size());
    EXPECT_FALSE(tag.Found);
}

TEST(ID3v1Tag, ShortBufferIsNoTag)
{
    const QByteArray block = id3v1("Word");
    TID3v1Tag tag;
    tag.LoadFromBuffer(bytesOf(block), 127);
    EXPECT_FALSE(tag.Found);
}

TEST(ID3v1Tag, TitleStaysFromAnEarlierReadWhenNoTagIsFound)
{
    TID3v1Tag tag;
    const QByteArray block = id3v1("First");
    tag.LoadFromBuffer(bytesOf(block), block.size());
    const QByteArray none(128, 'x');
    tag.LoadFromBuffer(bytesOf(none), none.size());
    EXPECT_FALSE(tag.Found);
    EXPECT_EQ(tag.Title, QStringLiteral("First"));
}

TEST(ID3v1Tag, StreamReadLooksAtTheLast128BytesOfTheRegion)
{
    // region: 10 bytes, then the tag; 5 more bytes after the region must not be looked at
    const QByteArray data = QByteArray(7, 'z') + QByteArray(10, 'a') + id3v1("Region") + "after";
    tb::MemoryProbeStream stream(data.constData(), data.size());
    stream.seek(7);
    TID3v1Tag tag;
    tag.LoadFromStream(stream, 10 + 128);
    EXPECT_TRUE(tag.Found);
    EXPECT_EQ(tag.Title, QStringLiteral("Region"));
}

TEST(ID3v1Tag, StreamRegionBelow128BytesReadsNothing)
{
    const QByteArray data = id3v1("Short");
    tb::MemoryProbeStream stream(data.constData(), data.size());
    TID3v1Tag tag;
    tag.Found = true;
    tag.LoadFromStream(stream, 127);
    EXPECT_FALSE(tag.Found);
    EXPECT_EQ(stream.position(), 0);
}

TEST(ID3v1Tag, StreamThatDeliversLessFailsWithAReadError)
{
    const QByteArray data = id3v1("Short").left(100);
    tb::MemoryProbeStream stream(data.constData(), data.size());
    TID3v1Tag tag;
    EXPECT_THROW(tag.LoadFromStream(stream, 128), tb::EInOutError);
}

} // namespace
