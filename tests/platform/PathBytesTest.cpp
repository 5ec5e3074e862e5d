#include "platform/FileSystem.h"
#include "platform/PathBytes.h"
#include "support/TempDir.h"

#include <QDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tb;

namespace {

// Bytes that are not valid UTF-8 survive the way into text and back; valid UTF-8 reads as usual.
TEST(PathBytes, EveryByteSequenceComesBackUnchanged)
{
    const std::string cases[] = {
        "/music/plain.mp3",
        "/music/caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x8e\xb5.mp3", // valid: é, 日本, a four-byte emoji
        "/music/bad\xff\xfe.mp3",
        "\x80",                 // a lone continuation byte
        "\xc3",                 // a sequence cut short at the end
        "\xc0\xaf",             // an overlong "/"
        "\xed\xa0\x80",         // an encoded surrogate
        "\xf4\x90\x80\x80",     // beyond U+10FFFF
        "\xe6\x97 x",           // a sequence cut short inside
        std::string("a\0b", 3), // a NUL byte
    };
    for (const std::string &bytes : cases) {
        const QString text = pathFromBytes(bytes);
        EXPECT_EQ(pathToStdBytes(text), bytes) << bytes;
        EXPECT_EQ(pathToBytes(text), QByteArray(bytes.data(), qsizetype(bytes.size())));
    }
    EXPECT_EQ(pathFromBytes("caf\xc3\xa9"), QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_EQ(pathToBytes(QString::fromUtf8("\xe6\x97\xa5")), QByteArray("\xe6\x97\xa5"));
}

TEST(PathBytes, EscapedBytesShowAsReplacementCharacters)
{
    EXPECT_EQ(displayPath(pathFromBytes("bad\xff\xfe.mp3")), QString::fromUtf8("bad\xef\xbf\xbd\xef\xbf\xbd.mp3"));
    const QString emoji = QString::fromUtf8("\xf0\x9f\x8e\xb5");
    EXPECT_EQ(displayPath(emoji), emoji) << "a surrogate pair is a character, not an escape";
}

TEST(PathBytes, TheFileSystemServicesUseTheBytes)
{
    tb::test::TempDir dir;
    LocalFileSystem fs;
    const QString folder = dir.path() + pathFromBytes("d\xff/e\xfe/");
    ASSERT_TRUE(fs.createFolders(folder));
    EXPECT_TRUE(fs.folderExists(folder));
    struct stat st {};
    EXPECT_EQ(::stat((QFile::encodeName(dir.path()) + "d\xff/e\xfe").constData(), &st), 0);
    const QString file = folder + pathFromBytes("f\x80.wav");
    FILE *f = std::fopen(pathToBytes(file).constData(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("12345", f);
    std::fclose(f);
    EXPECT_TRUE(fs.fileExists(file));
    EXPECT_EQ(fs.fileSize(file), 5);
    EXPECT_TRUE(unreadableFileReason(file).isEmpty());
    EXPECT_TRUE(fs.deleteFile(file));
    EXPECT_FALSE(fs.fileExists(file));
    EXPECT_EQ(unreadableFileReason(file), QString::fromLocal8Bit(std::strerror(ENOENT)));
}

TEST(PathBytes, ANamedPipeIsNoReadableFile)
{
    tb::test::TempDir dir;
    const QString pipe = dir.file("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(unreadableFileReason(pipe), "not a regular file");
    EXPECT_EQ(unreadableFileReason(dir.path()), QString::fromLocal8Bit(std::strerror(EISDIR)));
}

} // namespace
