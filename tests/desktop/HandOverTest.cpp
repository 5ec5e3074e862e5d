// What a start reads from its command line, and the message a later start hands to the running one.
#include "desktop/CommandLine.h"
#include "desktop/SingleInstance.h"

#include <gtest/gtest.h>

using namespace tb;

namespace {

TEST(CommandLine, NamesBecomeAbsolutePathsFromTheWorkingFolder)
{
    const QStringList names{"song.mp3", "sub/../take.wav", "/abs/x.mp2", "Music/", "file:///home/u/My%20Song.mp3",
                            "file://otherhost/share/a.mp3", "", "sp ace.wav", "file://localhost/srv/b.wav"};
    EXPECT_EQ(CommandLinePaths(names, "/home/u/work"),
              (QStringList{"/home/u/work/song.mp3", "/home/u/work/take.wav", "/abs/x.mp2", "/home/u/work/Music",
                           "/home/u/My Song.mp3", "/home/u/work/sp ace.wav", "/srv/b.wav"}));
}

TEST(HandOver, FilesTravelIntactThroughTheMessage)
{
    const QStringList files{"/a/b.mp3", "/m/Ünïcödé ♪.wav", "/new\nline.mp3", "/x"};
    QStringList back;
    EXPECT_EQ(SingleInstance::DecodeHandOver(SingleInstance::EncodeHandOver(files), back),
              SingleInstance::Decoded::Complete);
    EXPECT_EQ(back, files);
    EXPECT_EQ(SingleInstance::DecodeHandOver(SingleInstance::EncodeHandOver({}), back),
              SingleInstance::Decoded::Complete);
    EXPECT_TRUE(back.isEmpty()) << "a start without files only brings the window forward";
}

TEST(HandOver, APartialMessageWaitsForTheRest)
{
    const QByteArray whole = SingleInstance::EncodeHandOver({"/a/b.mp3", "/c.wav"});
    QStringList back;
    for (qsizetype n = 0; n < whole.size(); ++n)
        EXPECT_EQ(SingleInstance::DecodeHandOver(whole.left(n), back), SingleInstance::Decoded::Incomplete) << n;
}

TEST(HandOver, ForeignOrDamagedMessagesAreRefused)
{
    const QByteArray good = SingleInstance::EncodeHandOver({"/a.mp3"});
    const QByteArray cases[] = {
        "GET / HTTP/1.1\r\n",
        "tonebridge-open-2\n0\n",
        "tonebridge-open-1\n-1\n",
        "tonebridge-open-1\nabc\n",
        "tonebridge-open-1\n99999999999999999999999\n",
        "tonebridge-open-1\n123456789012345678901234567890",  // a size line that never ends
        "tonebridge-open-1\n3\nabc",                          // a path without its end
        good + "more",                                         // more than announced
        "tonebridge-open-1\n" + QByteArray::number(64 * 1024 * 1024) + "\n",
    };
    for (const QByteArray &message : cases) {
        QStringList back{"stale"};
        EXPECT_EQ(SingleInstance::DecodeHandOver(message, back), SingleInstance::Decoded::Invalid) << message.left(60).constData();
        EXPECT_TRUE(back.isEmpty());
    }
}

TEST(HandOver, OneSocketPerProgramFolderInTheRuntimeFolder)
{
    const QString a = SingleInstance::SocketPath("/home/u/.local/share/tonebridge/");
    EXPECT_EQ(a, SingleInstance::SocketPath("/home/u/.local/share/tonebridge"));
    EXPECT_NE(a, SingleInstance::SocketPath("/opt/tonebridge/"));
    EXPECT_TRUE(a.contains("/tonebridge-"));
    EXPECT_LT(a.toUtf8().size(), 100) << "fits a local socket address";
}

} // namespace
