#include "lists/AudioFileCollector.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tb;
using tb::test::TempDir;

namespace {

TEST(AudioFileName, ExtensionsOfTheListsInAnyCase)
{
    const struct {
        const char *name;
        bool audio;
    } cases[] = {
        {"/m/a.mp3", true},     {"/m/a.MP3", true},   {"/m/a.Mp2", true},  {"/m/a.mp1", true},
        {"/m/a.wav", true},     {"/m/a.WAV", true},   {"/m/a.ogg", false}, {"/m/a.mp4", false},
        {"/m/a.mpeg", false},   {"/m/mp3", false},    {"/m/a.txt", false}, {"/m/a.wav.txt", false},
        {"/m.mp3/a", false},    {"/m/.mp3", true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(IsAudioFileName(c.name), c.audio) << c.name;
}

class Collector : public ::testing::Test {
protected:
    QString file(const QString &relative)
    {
        const QString path = dir.file(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("x");
        return path;
    }
    QString folder(const QString &relative)
    {
        QDir().mkpath(dir.file(relative));
        return dir.file(relative);
    }
    TempDir dir;
};

TEST_F(Collector, AFolderGivesItsAudioFilesRecursivelySortedByPath)
{
    const QString b = file("music/b.mp3"), a = file("music/a.wav"), deep = file("music/z/deep/c.MP2");
    const QString sub = file("music/sub/d.mp1");
    file("music/notes.txt");
    file("music/cover.jpg");
    folder("music/empty");
    EXPECT_EQ(CollectAudioFiles({dir.file("music")}), (QStringList{a, b, sub, deep}));
    // A trailing slash names the same folder.
    EXPECT_EQ(CollectAudioFiles({dir.file("music/")}), (QStringList{a, b, sub, deep}));
}

TEST_F(Collector, TheOrderOfTheNamesIsKeptAndOnlyEachFolderIsSorted)
{
    const QString last = file("z.mp3"), inner2 = file("f/2.wav"), inner1 = file("f/1.wav"), first = file("a.mp3");
    EXPECT_EQ(CollectAudioFiles({last, dir.file("f"), first}), (QStringList{last, inner1, inner2, first}));
}

TEST_F(Collector, OtherFilesMissingPathsAndPipesStandForNothing)
{
    const QString wav = file("keep.wav");
    file("doc.pdf");
    const QString fifo = dir.file("pipe.mp3");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    file("inside/also.mp3");
    ASSERT_EQ(mkfifo(QFile::encodeName(dir.file("inside/pipe.wav")).constData(), 0600), 0);
    EXPECT_EQ(CollectAudioFiles({dir.file("doc.pdf"), dir.file("gone.mp3"), fifo, wav, ""}), QStringList{wav});
    EXPECT_EQ(CollectAudioFiles({dir.file("inside")}), QStringList{dir.file("inside/also.mp3")});
}

TEST_F(Collector, HiddenEntriesAndLinksToFoldersAreNotEntered)
{
    const QString seen = file("top/seen.mp3");
    file("top/.hidden.mp3");
    file("top/.cache/in-hidden.mp3");
    // A link back up would loop forever if it were followed.
    ASSERT_TRUE(QFile::link(dir.file("top"), dir.file("top/loop")));
    const QString linkedFile = dir.file("top/linked.wav");
    ASSERT_TRUE(QFile::link(file("elsewhere/real.wav"), linkedFile));
    EXPECT_EQ(CollectAudioFiles({dir.file("top")}), (QStringList{linkedFile, seen}));
}

TEST_F(Collector, RelativeAndUntidyPathsComeBackAbsolute)
{
    const QString song = file("a/song.mp3");
    const QString saved = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const QStringList found = CollectAudioFiles({"a/../a/song.mp3", "a"});
    QDir::setCurrent(saved);
    EXPECT_EQ(found, (QStringList{song, song}));
}

} // namespace
