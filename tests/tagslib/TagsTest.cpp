// The tag module shared by the codec libraries: ID3v1, ID3v2 checking and reading, INFO lists.
#include "Genres.h"
#include "Id3v1.h"
#include "Id3v2.h"
#include "RiffInfo.h"
#include "TextCodec.h"
#include "tagslib/Id3Builder.h"

#include <gtest/gtest.h>
#include <lame/lame.h>

#include <map>

using namespace tb::tags;
using namespace tb::test;

namespace {

std::vector<uint8_t> v1Block(const std::string &title, const std::string &comment, int track, int genre)
{
    std::vector<uint8_t> b(128, 0);
    std::memcpy(b.data(), "TAG", 3);
    std::memcpy(b.data() + 3, title.data(), std::min<size_t>(title.size(), 30));
    std::memcpy(b.data() + 33, "Artist", 6);
    std::memcpy(b.data() + 63, "Album", 5);
    std::memcpy(b.data() + 93, "1999", 4);
    std::memcpy(b.data() + 97, comment.data(), std::min<size_t>(comment.size(), 30));
    if (track >= 0) {
        b[125] = 0;
        b[126] = static_cast<uint8_t>(track);
    }
    b[127] = static_cast<uint8_t>(genre);
    return b;
}

TagFields sample()
{
    TagFields f;
    f.title = "Title";
    f.artist = "Artist";
    f.album = "Album";
    f.year = "2021";
    f.genre = "Rock";
    f.comment = "Comment";
    f.track = "3/12";
    return f;
}

} // namespace

TEST(Genres, AreLameSList)
{
    std::map<int, std::string> lame;
    id3tag_genre_list([](int n, const char *name, void *to) { (*static_cast<std::map<int, std::string> *>(to))[n] = name; },
                      &lame);
    ASSERT_EQ(lame.size(), 148u);
    for (const auto &[number, name] : lame) {
        EXPECT_EQ(genreName(number), name);
        EXPECT_EQ(genreNumber(name), number);
    }
    EXPECT_EQ(genreName(148), "");
    EXPECT_EQ(genreName(-1), "");
    EXPECT_EQ(genreNumber("rock"), 17);
    EXPECT_EQ(genreNumber("Nonsense"), -1);
}

// --- ID3v1 ---------------------------------------------------------------------------------------

TEST(Id3v1, ReadsVersionOneAndOnePointOne)
{
    auto plain = readId3v1(v1Block("Caf\xE9  ", "a comment that fills all thirty", -1, 8).data(), 128);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->title, "Caf\xC3\xA9"); // Latin-1 to UTF-8, trailing blanks dropped
    EXPECT_EQ(plain->artist, "Artist");
    EXPECT_EQ(plain->album, "Album");
    EXPECT_EQ(plain->year, "1999");
    EXPECT_EQ(plain->comment, "a comment that fills all thirt");
    EXPECT_EQ(plain->track, "");
    EXPECT_EQ(plain->genre, "Jazz");

    auto withTrack = readId3v1(v1Block("T", "short", 7, 255).data(), 128);
    ASSERT_TRUE(withTrack);
    EXPECT_EQ(withTrack->track, "7");
    EXPECT_EQ(withTrack->comment, "short");
    EXPECT_EQ(withTrack->genre, ""); // 255: no genre
}

TEST(Id3v1, NoTagWithoutTheMarkOrWhenShort)
{
    std::vector<uint8_t> b = v1Block("T", "", -1, 0);
    EXPECT_FALSE(readId3v1(b.data(), 127));
    b[0] = 't';
    EXPECT_FALSE(readId3v1(b.data(), 128));
}

TEST(Id3v1, FormKeepsWhatFitsAndRefusesWhatWouldBeLost)
{
    struct Case {
        const char *name;
        TagFields fields;
        bool fits;
        TagFields expected;
    };
    auto with = [](auto change) {
        TagFields f = sample();
        change(f);
        return f;
    };
    TagFields fitted = sample();
    fitted.track = "3";
    const Case cases[] = {
        {"sample", sample(), true, fitted},
        {"latin1", with([](TagFields &f) { f.title = "Caf\xC3\xA9"; }), true,
         with([](TagFields &f) { f.title = "Caf\xE9"; f.track = "3"; })},
        {"notLatin1", with([](TagFields &f) { f.title = "Tick \xE2\x9C\x93"; }), false, {}},
        {"title31", with([](TagFields &f) { f.title = std::string(31, 'x'); }), false, {}},
        {"title30", with([](TagFields &f) { f.title = std::string(30, 'x'); }), true,
         with([](TagFields &f) { f.title = std::string(30, 'x'); f.track = "3"; })},
        {"comment29WithTrack", with([](TagFields &f) { f.comment = std::string(29, 'c'); }), false, {}},
        {"comment30NoTrack", with([](TagFields &f) { f.comment = std::string(30, 'c'); f.track.clear(); }), true,
         with([](TagFields &f) { f.comment = std::string(30, 'c'); f.track.clear(); })},
        {"track256", with([](TagFields &f) { f.track = "256"; }), false, {}},
        {"trackText", with([](TagFields &f) { f.track = "A1"; }), false, {}},
        {"isoDate", with([](TagFields &f) { f.year = "2021-05-01"; }), true, fitted},
        {"shortYear", with([](TagFields &f) { f.year = "21"; }), false, {}},
        {"unknownGenre", with([](TagFields &f) { f.genre = "Chiptune"; }), true,
         with([](TagFields &f) { f.genre.clear(); f.track = "3"; })},
    };
    for (const Case &c : cases) {
        auto form = id3v1Form(c.fields);
        EXPECT_EQ(form.has_value(), c.fits) << c.name;
        if (form && c.fits) {
            EXPECT_EQ(*form, c.expected) << c.name;
        }
    }
}

// --- ID3v2 ---------------------------------------------------------------------------------------

TEST(Id3v2, SoundTagIsKeptUnchangedWithItsPaddingAndCover)
{
    const std::vector<uint8_t> tag = id3Tag(3, {{"TIT2", utf16Text("T\xC3\xAFtle \xE2\x9C\x93"), {}},
                                                {"APIC", coverPayload(), {}}},
                                           500);
    std::vector<uint8_t> file = tag;
    file.insert(file.end(), {0xFF, 0xFB, 0x90, 0x64}); // audio follows
    Id3v2Check check = checkId3v2(file.data(), file.size());
    EXPECT_FALSE(check.damaged);
    EXPECT_EQ(check.tag, tag);
    EXPECT_EQ(check.framesEnd, tag.size() - 500);
    EXPECT_EQ(id3v2DeclaredSize(file.data(), file.size()), tag.size());
}

TEST(Id3v2, DamagedTagsKeepTheirSoundFrames)
{
    const Id3Frame title{"TIT2", latin1Text("Title"), {}};
    const Id3Frame artist{"TPE1", latin1Text("Artist"), {}};
    struct Case {
        const char *name;
        std::vector<uint8_t> bytes;
        std::vector<uint8_t> kept; // empty: dropped
    };
    const std::vector<uint8_t> both = id3Tag(3, {title, artist});
    std::vector<uint8_t> cutShort = id3Tag(3, {title, artist}, 0, 0, 100000);
    std::vector<uint8_t> zeroInside = id3Tag(3, {title, {"TXXX", {}, {}}, artist});
    const Case cases[] = {
        {"sizeBeyondTheData", cutShort, both},
        {"frameBeyondTheTag", id3Tag(3, {title, {"TPE1", latin1Text("Artist"), 5000}}), id3Tag(3, {title})},
        {"frameBeyondTheTagFirst", id3Tag(3, {{"TIT2", latin1Text("Title"), 0x7FFF0000}, artist}), {}},
        {"zeroSizeFrameLeftOut", zeroInside, both},
        {"onlyAZeroSizeFrame", id3Tag(3, {{"TIT2", {}, {}}}), {}},
        {"junkAfterTheFrames", [&] {
             std::vector<uint8_t> t = id3Tag(3, {title, artist}, 8);
             t[t.size() - 8] = 0xFF; // where padding should be: audio of a tag whose size is too large
             t[t.size() - 7] = 0xFB;
             return t;
         }(), both},
        {"badFrameId", id3Tag(4, {title, {"t\x01xy", latin1Text("x"), {}}}), id3Tag(4, {title})},
        {"headerOfAFrameCut", [&] {
             std::vector<uint8_t> t = id3Tag(3, {title});
             t.insert(t.end(), {'T', 'P', 'E'});
             t[9] = static_cast<uint8_t>(t[9] + 3);
             return t;
         }(), id3Tag(3, {title})},
    };
    for (const Case &c : cases) {
        Id3v2Check check = checkId3v2(c.bytes.data(), c.bytes.size());
        EXPECT_TRUE(check.damaged) << c.name;
        EXPECT_EQ(check.tag, c.kept) << c.name;
    }
}

TEST(Id3v2, HeadersThatAreNotTags)
{
    std::vector<uint8_t> tag = id3Tag(3, {{"TIT2", latin1Text("T"), {}}});
    std::vector<uint8_t> badSize = tag;
    badSize[6] = 0x80; // not syncsafe
    std::vector<uint8_t> badVersion = tag;
    badVersion[3] = 5;
    for (const auto &bytes : {badSize, badVersion, std::vector<uint8_t>(tag.begin(), tag.begin() + 9)}) {
        EXPECT_EQ(id3v2DeclaredSize(bytes.data(), bytes.size()), 0u);
        Id3v2Check check = checkId3v2(bytes.data(), bytes.size());
        EXPECT_TRUE(check.tag.empty());
    }
    const uint8_t audio[] = {0xFF, 0xFB, 0x90, 0x64, 0, 0, 0, 0, 0, 0};
    Id3v2Check none = checkId3v2(audio, sizeof audio);
    EXPECT_FALSE(none.damaged);
    EXPECT_TRUE(none.tag.empty());
}

TEST(Id3v2, ReadsTextInEveryEncodingAndVersion)
{
    struct Case {
        const char *name;
        std::vector<uint8_t> tag;
        TagFields expected;
    };
    TagFields all = sample();
    const std::vector<uint8_t> comm16 = [] {
        // As LAME writes it: an empty description without a byte order mark, then the text.
        std::vector<uint8_t> p{1, 'e', 'n', 'g', 0, 0};
        const std::vector<uint8_t> text = utf16Bytes("Comment");
        p.insert(p.end(), text.begin(), text.end());
        return p;
    }();
    auto comm = [](uint8_t encoding, const std::string &description, const std::string &text) {
        std::vector<uint8_t> p{encoding, 'e', 'n', 'g'};
        p.insert(p.end(), description.begin(), description.end());
        p.push_back(0);
        p.insert(p.end(), text.begin(), text.end());
        return p;
    };
    TagFields unicode;
    unicode.title = "T\xC3\xAFtle \xE2\x9C\x93 \xF0\x9F\x8E\xB5"; // a character beyond the BMP too
    unicode.artist = "\xC3\x84rtist";
    unicode.album = "Alb\xC3\xBCm";
    const Case cases[] = {
        {"v23utf16", id3Tag(3, {{"TIT2", utf16Text("Title"), {}}, {"TPE1", utf16Text("Artist", true), {}},
                               {"TALB", latin1Text("Album"), {}}, {"TYER", latin1Text("2021"), {}},
                               {"TCON", latin1Text("(17)"), {}}, {"COMM", comm16, {}},
                               {"TRCK", utf16Text("3/12"), {}}}),
         all},
        {"v24utf8", id3Tag(4, {{"TIT2", utf8Text("Title"), {}}, {"TPE1", utf8Text("Artist"), {}},
                               {"TALB", utf8Text("Album"), {}}, {"TDRC", utf8Text("2021"), {}},
                               {"TCON", utf8Text("17"), {}}, {"COMM", comm(3, "", "Comment"), {}},
                               {"TRCK", utf8Text("3/12"), {}}}),
         all},
        {"v22", id3Tag(2, {{"TT2", latin1Text("Title"), {}}, {"TP1", latin1Text("Artist"), {}},
                           {"TAL", latin1Text("Album"), {}}, {"TYE", latin1Text("2021"), {}},
                           {"TCO", latin1Text("Rock"), {}}, {"COM", comm(0, "", "Comment"), {}},
                           {"TRK", latin1Text("3/12"), {}}}),
         all},
        {"unicode", id3Tag(3, {{"TIT2", utf16Text(unicode.title), {}}, {"TPE1", latin1Text("\xC4rtist"), {}},
                               {"TALB", {2, 0, 'A', 0, 'l', 0, 'b', 0, 0xFC, 0, 'm'}, {}}}),
         unicode},
        {"describedCommentsGiveWay",
         id3Tag(3, {{"COMM", comm(0, "iTunNORM", " 0000 0000"), {}}, {"COMM", comm(0, "", "Plain"), {}},
                    {"COMM", comm(0, "", "Later"), {}}}),
         [] {
             TagFields f;
             f.comment = "Plain";
             return f;
         }()},
        {"genreRefinement", id3Tag(3, {{"TCON", latin1Text("(17)Hard Rock"), {}}}), [] {
             TagFields f;
             f.genre = "Hard Rock";
             return f;
         }()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(readId3v2Fields(checkId3v2(c.tag.data(), c.tag.size()).tag), c.expected) << c.name;
}

TEST(Id3v2, UnsynchronisedTagIsReadAndRebuiltPlainWhenDamaged)
{
    // "\xFF\xE0" in a Latin-1 title must be stuffed: FF 00 E0.
    std::vector<uint8_t> frames = id3Frames(3, {{"TIT2", latin1Text("A\xFF\xE0Z"), {}}, {"TPE1", latin1Text("B"), {}}});
    std::vector<uint8_t> stuffed;
    for (size_t i = 0; i < frames.size(); ++i) {
        stuffed.push_back(frames[i]);
        if (frames[i] == 0xFF)
            stuffed.push_back(0);
    }
    std::vector<uint8_t> tag{'I', 'D', '3', 3, 0, 0x80};
    putSyncsafe(tag, static_cast<uint32_t>(stuffed.size()));
    tag.insert(tag.end(), stuffed.begin(), stuffed.end());
    Id3v2Check sound = checkId3v2(tag.data(), tag.size());
    EXPECT_FALSE(sound.damaged);
    EXPECT_EQ(sound.tag, tag);
    EXPECT_EQ(sound.framesEnd, tag.size());
    EXPECT_EQ(readId3v2Fields(sound.tag).title, "A\xC3\xBF\xC3\xA0Z");

    std::vector<uint8_t> cut = tag;
    cut[9] = static_cast<uint8_t>(cut[9] + 40); // declared beyond the bytes
    Id3v2Check rebuilt = checkId3v2(cut.data(), cut.size());
    EXPECT_TRUE(rebuilt.damaged);
    EXPECT_EQ(rebuilt.tag, id3Tag(3, {{"TIT2", latin1Text("A\xFF\xE0Z"), {}}, {"TPE1", latin1Text("B"), {}}}));
    EXPECT_EQ(rebuilt.framesEnd, tag.size()); // counted in the stuffed bytes of the file
}

TEST(Id3v2, ExtendedHeaderAndFooterOfVersionFour)
{
    std::vector<uint8_t> frames = id3Frames(4, {{"TIT2", utf8Text("Title"), {}}});
    std::vector<uint8_t> body{0, 0, 0, 6, 1, 0}; // a six-byte extended header without flags
    body.insert(body.end(), frames.begin(), frames.end());
    std::vector<uint8_t> tag{'I', 'D', '3', 4, 0, 0x40 | 0x10};
    putSyncsafe(tag, static_cast<uint32_t>(body.size()));
    tag.insert(tag.end(), body.begin(), body.end());
    std::vector<uint8_t> footer{'3', 'D', 'I', 4, 0, 0x50};
    putSyncsafe(footer, static_cast<uint32_t>(body.size()));
    tag.insert(tag.end(), footer.begin(), footer.end());

    Id3v2Check check = checkId3v2(tag.data(), tag.size());
    EXPECT_FALSE(check.damaged);
    EXPECT_EQ(check.tag, tag);
    EXPECT_EQ(readId3v2Fields(check.tag).title, "Title");

    std::vector<uint8_t> badExtended = tag;
    badExtended[13] = 0x7F; // extended header larger than the tag
    Id3v2Check dropped = checkId3v2(badExtended.data(), badExtended.size());
    EXPECT_TRUE(dropped.damaged);
    EXPECT_TRUE(dropped.tag.empty());
}

TEST(Id3v2, MadeTagIsVersionFourAndReadsBack)
{
    const TagFields f = sample();
    const std::vector<uint8_t> tag = makeId3v24(f);
    ASSERT_GE(tag.size(), 10u);
    EXPECT_EQ(std::string(tag.begin(), tag.begin() + 5), std::string("ID3\x04\x00", 5));
    Id3v2Check check = checkId3v2(tag.data(), tag.size());
    EXPECT_FALSE(check.damaged);
    EXPECT_EQ(readId3v2Fields(check.tag), f);
    EXPECT_TRUE(makeId3v24(TagFields{}).empty());
}

TEST(Id3v2, AGenreNameInParenthesesReadsBackAsItselfNotAsANumber)
{
    // "((7)" in a tag is the name "(7)", not genre 7; a tag made from it must say the same.
    const std::vector<uint8_t> source = id3Tag(3, {{"TCON", latin1Text("((7)"), {}}});
    const TagFields read = readId3v2Fields(checkId3v2(source.data(), source.size()).tag);
    EXPECT_EQ(read.genre, "(7)");
    const std::vector<uint8_t> made = makeId3v24(read);
    EXPECT_EQ(readId3v2Fields(made).genre, "(7)");
}

// --- INFO lists ----------------------------------------------------------------------------------

TEST(RiffInfo, ListRoundTripsAndIsLaidOutAsRiff)
{
    TagFields f = sample();
    f.title = "T\xC3\xAFtle"; // 6 bytes + NUL: odd, so padded
    const std::vector<uint8_t> list = makeInfoList(f);
    ASSERT_GE(list.size(), 12u);
    EXPECT_EQ(std::string(list.begin(), list.begin() + 4), "LIST");
    const uint32_t size = list[4] | list[5] << 8 | list[6] << 16 | uint32_t(list[7]) << 24;
    EXPECT_EQ(size + 8, list.size());
    EXPECT_EQ(list.size() % 2, 0u);
    EXPECT_EQ(std::string(list.begin() + 8, list.begin() + 16), "INFOINAM");
    EXPECT_EQ(list[16], 7); // "Títle" (six bytes) and its NUL, then a pad byte
    EXPECT_EQ(readInfoList(list.data() + 8, list.size() - 8), f);
    EXPECT_TRUE(makeInfoList(TagFields{}).empty());
}

TEST(RiffInfo, ReadsOtherWritersAndStopsAtADamagedEntry)
{
    auto entry = [](const char *id, const std::string &text, std::optional<uint32_t> declared = {}) {
        std::vector<uint8_t> e(id, id + 4);
        const uint32_t size = declared.value_or(static_cast<uint32_t>(text.size()));
        for (int i = 0; i < 4; ++i)
            e.push_back(static_cast<uint8_t>(size >> (8 * i)));
        e.insert(e.end(), text.begin(), text.end());
        if (text.size() & 1)
            e.push_back(0);
        return e;
    };
    std::vector<uint8_t> body{'I', 'N', 'F', 'O'};
    for (const auto &e : {entry("INAM", std::string("Caf\xE9\0", 5)), entry("IPRT", std::string("5\0", 2)),
                          entry("ISFT", std::string("Lavf\0", 5)), entry("IART", "Artist", 5000),
                          entry("IPRD", "Album")})
        body.insert(body.end(), e.begin(), e.end());
    TagFields f = readInfoList(body.data(), body.size());
    EXPECT_EQ(f.title, "Caf\xC3\xA9"); // not UTF-8: read as Latin-1
    EXPECT_EQ(f.track, "5");
    EXPECT_EQ(f.artist, "");
    EXPECT_EQ(f.album, ""); // after the damaged entry

    const std::vector<uint8_t> other{'a', 'd', 't', 'l', 'I', 'N', 'A', 'M', 2, 0, 0, 0, 'x', 0};
    EXPECT_TRUE(readInfoList(other.data(), other.size()).empty());
}

// --- Text ----------------------------------------------------------------------------------------

TEST(TextCodec, ConversionsToAndFromUtf8)
{
    const uint8_t pair[] = {0x3C, 0xD8, 0xB5, 0xDF}; // U+1F3B5 in UTF-16LE
    EXPECT_EQ(utf16ToUtf8(pair, 4, false), "\xF0\x9F\x8E\xB5");
    const uint8_t lone[] = {0x3C, 0xD8, 'a', 0};
    EXPECT_EQ(utf16ToUtf8(lone, 4, false), "\xEF\xBF\xBD" "a");
    const uint8_t overlong[] = {0xC0, 0xAF};
    EXPECT_FALSE(isValidUtf8(overlong, 2));
    EXPECT_EQ(utf8OrLatin1(overlong, 2), "\xC3\x80\xC2\xAF");
    EXPECT_EQ(utf8ToLatin1("Caf\xC3\xA9"), std::optional<std::string>("Caf\xE9"));
    EXPECT_FALSE(utf8ToLatin1("\xE2\x9C\x93"));
    EXPECT_EQ(tidied(std::string("x \t\0\0", 5)), "x");
    EXPECT_EQ(tidied(std::string(MaxFieldBytes + 10, 'a')).size(), MaxFieldBytes);
}
