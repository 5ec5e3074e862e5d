// The program as a desktop starts it: `kestrel FILE... FOLDER` fills the lists, a second start
// hands its files to the running window and ends, and the window carries the program's icon.
// What the lists hold is read back from the last playlist, which Exit writes.
#include "platform/FileSystem.h"
#include "settings/BigIniFile.h"
#include "support/TempDir.h"
#include "support/XServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QUrl>
#include <gtest/gtest.h>

using namespace tb;
using namespace tb::test;

namespace {

XServer *server = nullptr;

class DesktopStart : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = new XServer;
        ASSERT_FALSE(server->display().isEmpty()) << "Xvfb did not start";
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(runtime()));
        QFile::setPermissions(runtime(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ASSERT_TRUE(QDir().mkpath(programFolder()));
        ASSERT_TRUE(QDir().mkpath(scratch.file("music")));
    }
    void TearDown() override
    {
        for (QProcess *p : started) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished();
            }
            delete p;
        }
    }

    QString runtime() const { return scratch.file("run"); }
    QString programFolder() const { return scratch.file("program/"); }
    QString music(const QString &relative)
    {
        const QString path = scratch.file("music/" + relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("sound");
        return path;
    }

    QProcess *start(const QStringList &arguments)
    {
        auto *p = new QProcess;
        started << p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", server->display());
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("TONEBRIDGE_PROGRAM_FOLDER", programFolder());
        env.insert("XDG_RUNTIME_DIR", runtime());
        env.insert("HOME", scratch.path());
        env.insert("TONEBRIDGE_AUDIO", "null");
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(scratch.file("music"));
        p->setProcessChannelMode(QProcess::ForwardedChannels);
        p->start(executableFolder() + "kestrel", arguments);
        EXPECT_TRUE(p->waitForStarted());
        return p;
    }

    // The program's main window, once it shows.
    static QString mainWindowOf(QProcess &program)
    {
        const QString pid = QString::number(program.processId());
        for (int tries = 0; tries < 600 && program.state() == QProcess::Running; ++tries) {
            const QStringList found =
                server->xdotool({"search", "--onlyvisible", "--pid", pid}).split('\n', Qt::SkipEmptyParts);
            if (!found.isEmpty()) {
                QThread::msleep(300); // let it finish the start-up
                return found.front();
            }
            QThread::msleep(100);
        }
        ADD_FAILURE() << "no window";
        return {};
    }

    // Exit writes the lists into the last playlist; returns the paths of (Mp3Wav, WavMp3).
    std::pair<QStringList, QStringList> exitAndReadLists(QProcess &program, const QString &window,
                                                         const QString &playlistName = "default.lst")
    {
        // The exit button of the main window: it shows once the pointer rests on it.
        server->xdotool({"mousemove", "--window", window, "22", "119", "sleep", "0.5", "click", "1"});
        EXPECT_TRUE(program.waitForFinished(60000)) << "Exit ends the program";
        TBiggerIniFile playlist(programFolder() + playlistName);
        auto list = [&](const char *count, const char *section) {
            QStringList paths;
            for (int i = 0; i < playlist.ReadInteger("General", count, 0); ++i)
                paths << playlist.ReadString(QString(section) + QString::number(i), "File", "");
            return paths;
        };
        return {list("Mp3WavCount", "Mp3WavList-File"), list("WavMp3Count", "WavMp3List-File")};
    }

    TempDir scratch;
    QList<QProcess *> started;
};

TEST_F(DesktopStart, FilesAndAFolderOnTheCommandLineJoinTheLists)
{
    const QString a = music("a.mp3"), b = music("b.wav"), c = music("album/c.mp3"), d = music("album/sub/d.wav");
    music("album/cover.jpg");
    // Relative names, as a shell passes them, and an address as some file managers pass it.
    QProcess *program = start({"a.mp3", "album", QUrl::fromLocalFile(b).toString()});
    const QString window = mainWindowOf(*program);
    ASSERT_FALSE(window.isEmpty());
    const auto [mp3Wav, wavMp3] = exitAndReadLists(*program, window);
    EXPECT_EQ(mp3Wav, (QStringList{a, c}));
    EXPECT_EQ(wavMp3, (QStringList{d, b}));
}

TEST_F(DesktopStart, FilesOnTheCommandLineJoinTheListsAfterTheLastPlaylistHasLoaded)
{
    const QString kept = music("kept.mp3"), keptWave = music("kept.wav"), added = music("added.mp3");
    // The last playlist of an earlier run, named in the settings.
    {
        TBiggerIniFile playlist(programFolder() + "saved.lst");
        playlist.WriteString("General", "ID", "Tonebridge PlayList");
        playlist.WriteInteger("General", "Mp3WavCount", 1);
        playlist.WriteInteger("General", "WavMp3Count", 1);
        playlist.WriteString("Mp3WavList-File0", "File", kept);
        playlist.WriteString("WavMp3List-File0", "File", keptWave);
        playlist.UpdateFile();
        TBiggerIniFile settings(programFolder() + "kestrel.ini");
        settings.WriteString("Options", "LastPlayList", programFolder() + "saved.lst");
        settings.UpdateFile();
    }
    QProcess *program = start({"added.mp3"});
    const QString window = mainWindowOf(*program);
    ASSERT_FALSE(window.isEmpty());
    const auto [mp3Wav, wavMp3] = exitAndReadLists(*program, window, "saved.lst");
    EXPECT_EQ(mp3Wav, (QStringList{kept, added})) << "loading the playlist must not drop the file given to the program";
    EXPECT_EQ(wavMp3, QStringList{keptWave});
}

TEST_F(DesktopStart, ASecondStartHandsItsFilesToTheRunningWindowAndEnds)
{
    const QString first = music("first.mp3"), second = music("second.mp3"), take = music("take.wav");
    QProcess *running = start({"first.mp3"});
    const QString window = mainWindowOf(*running);
    ASSERT_FALSE(window.isEmpty());

    QProcess *later = start({"second.mp3", "take.wav", "first.mp3"});
    ASSERT_TRUE(later->waitForFinished(60000)) << "the second start ends by itself";
    EXPECT_EQ(later->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(later->exitCode(), 0) << later->readAllStandardError().toStdString();
    EXPECT_EQ(running->state(), QProcess::Running);
    // Only the running program's window is there.
    EXPECT_EQ(server->xdotool({"search", "--onlyvisible", "--name", "^Tonebridge$"}).split('\n', Qt::SkipEmptyParts),
              QStringList{window});

    // A start without files only brings the window forward.
    QProcess *empty = start({});
    ASSERT_TRUE(empty->waitForFinished(60000));
    EXPECT_EQ(empty->exitCode(), 0);

    const auto [mp3Wav, wavMp3] = exitAndReadLists(*running, window);
    EXPECT_EQ(mp3Wav, (QStringList{first, second})) << "first.mp3 was there already";
    EXPECT_EQ(wavMp3, QStringList{take});
}

TEST_F(DesktopStart, AfterTheRunningProgramEndsTheNextStartOpensItsOwnWindow)
{
    const QString a = music("a.mp3"), b = music("b.mp3");
    QProcess *one = start({});
    const QString firstWindow = mainWindowOf(*one);
    ASSERT_FALSE(firstWindow.isEmpty());
    // Ended without a chance to tidy up: its socket file stays behind.
    one->kill();
    one->waitForFinished();
    QProcess *two = start({"b.mp3"});
    const QString window = mainWindowOf(*two);
    ASSERT_FALSE(window.isEmpty()) << "the left-over socket does not stop the next start";
    const auto [mp3Wav, wavMp3] = exitAndReadLists(*two, window);
    EXPECT_EQ(mp3Wav, QStringList{b});
}

TEST_F(DesktopStart, TheWindowCarriesTheProgramsIconAndTheDesktopEntrysClass)
{
    QProcess *program = start({});
    const QString window = mainWindowOf(*program);
    ASSERT_FALSE(window.isEmpty());
    const QString icon = server->run("xprop", {"-id", window, "_NET_WM_ICON"});
    for (const char *size : {"16 x 16", "32 x 32", "48 x 48", "64 x 64"})
        EXPECT_TRUE(icon.contains(QString("Icon (%1)").arg(size))) << size << "\n" << icon.left(200).toStdString();

    // The desktop entry's StartupWMClass names the window's class, so the task bar groups it with the entry.
    QFile entry(TB_DESKTOP_ENTRY);
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString wmClass = QRegularExpression("StartupWMClass=(\\S+)").match(entry.readAll()).captured(1);
    ASSERT_FALSE(wmClass.isEmpty());
    EXPECT_TRUE(server->run("xprop", {"-id", window, "WM_CLASS"}).contains('"' + wmClass + '"'));
}

} // namespace
