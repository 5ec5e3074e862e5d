#include "core/AppState.h"
#include "lists/ListRouting.h"
#include "lists/SizeText.h"
#include "platform/FileSystem.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace tb;

namespace {

TEST(SizeText, BoundariesAndRounding)
{
    struct Case {
        int64_t size;
        const char *english;
        const char *german;
    };
    const Case cases[] = {
        {0, "0Bytes", "0Bytes"},
        {512, "512Bytes", "512Bytes"},
        {1023, "1023Bytes", "1023Bytes"},
        {1024, "1.00KB", "1,00KB"},
        {1536, "1.50KB", "1,50KB"},
        {1024005, "1,000.01KB", "1.000,01KB"}, // 1000.0048828125: 7 significant digits first
        {1048575, "1,024.00KB", "1.024,00KB"},
        {1048576, "1.00MB", "1,00MB"},
        {2147483647, "2,048.00MB", "2.048,00MB"},
        {2147483648LL, "2,048.00MB", "2.048,00MB"}, // 2 GiB and more show their true size
        {3221225472LL, "3,072.00MB", "3.072,00MB"},
        {123456789012LL, "117,737.60MB", "117.737,60MB"},
    };
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    for (const Case &c : cases) {
        EXPECT_EQ(SizeText(c.size, english), QString(c.english)) << c.size;
        EXPECT_EQ(SizeText(c.size, german), QString(c.german)) << c.size;
    }
}

TEST(SizeText, OfAFileThatCannotBeOpened)
{
    LocalFileSystem fs;
    test::TempDir dir;
    const QString missing = dir.file("gone.mp3");
    try {
        FileSizeText(fs, missing);
        FAIL() << "no error raised";
    } catch (const EFOpenError &error) {
        EXPECT_EQ(error.message(), "Cannot open file " + missing);
    }
    EXPECT_EQ(FileSizeText(fs, dir.write("five.wav", "12345"), QLocale::c()), "5Bytes");
}

TEST(ListItemText, NameThenSize)
{
    EXPECT_EQ(ListItemText("/home/me/Music/Song One.mp3", "1.50KB"), "Song One.mp3 -- 1.50KB");
    EXPECT_EQ(ListItemText("plain.wav", "0Bytes"), "plain.wav -- 0Bytes");
}

TEST(ListRouting, ByDirectionAndExtension)
{
    struct Case {
        int32_t doWhat;
        const char *path;
        int32_t target;
    };
    const Case cases[] = {
        {dwMp3ToWav, "/m/a.mp3", dwMp3ToWav},
        {dwMp3ToWav, "/m/b.wav", dwWavToMp3},
        {dwMp3ToWav, "/m/B.WAV", dwWavToMp3},
        {dwMp3ToWav, "/m/c.ogg", dwMp3ToWav},
        {dwMp3ToWav, "/m/noext", dwMp3ToWav},
        {dwMp3ToWav, "/m/take.wav.bak", dwMp3ToWav},
        {dwMp3ToWav, "/m/dir.wav/file", dwMp3ToWav},
        {dwWavToMp3, "/m/x.MP2", dwMp3ToWav},
        {dwWavToMp3, "/m/x.mpeg", dwMp3ToWav},
        {dwWavToMp3, "/m/x.mp", dwMp3ToWav},
        {dwWavToMp3, "/m/.mp3", dwMp3ToWav},
        {dwWavToMp3, "/m/c.ogg", dwWavToMp3},
        {dwWavToMp3, "/m/b.wav", dwWavToMp3},
        {dwWavToMp3, "/m/noext", dwWavToMp3},
        {dwWavToMp3, "/m/dir.mp3/file", dwWavToMp3},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TargetList(c.doWhat, c.path), c.target) << c.doWhat << " " << c.path;
}

TEST(ListRouting, ExtensionIsLowerCasedForAsciiOnly)
{
    EXPECT_EQ(FileExtensionOf("/m/Song.MP3"), ".mp3");
    EXPECT_EQ(FileExtensionOf("/m/Song.WÄV"), ".wÄv");
    EXPECT_EQ(FileExtensionOf("/m.d/Song"), "");
}

} // namespace
