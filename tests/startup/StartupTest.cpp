// Start-up without a usable encoder library: the real program, run on its own X display,
// shows "Lost encoder.so!" and ends without its main window and without writing anything.
#include "platform/FileSystem.h"
#include "support/TempDir.h"
#include "support/XServer.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QThread>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tb;
using namespace tb::test;

namespace {

XServer *server = nullptr;
QApplication *app = nullptr;

class Startup : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = new XServer;
        ASSERT_FALSE(server->display().isEmpty()) << "Xvfb did not start";
        qputenv("DISPLAY", server->display().toLatin1());
        qputenv("QT_QPA_PLATFORM", "xcb");
        static int argc = 1;
        static char name[] = "startup_tests";
        static char *argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
    }
    static void TearDownTestSuite()
    {
        delete app;
        app = nullptr;
        delete server;
        server = nullptr;
    }

    // A program folder with a copy of the program and, when given, a library as encoder.so.
    void layOut(const QString &library)
    {
        ASSERT_TRUE(QFile::copy(executableFolder() + "kestrel", folder.file("kestrel")));
        QFile::setPermissions(folder.file("kestrel"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (!library.isEmpty()) {
            ASSERT_TRUE(QFile::copy(executableFolder() + library, folder.file("encoder.so")));
        }
        ASSERT_TRUE(QDir().mkpath(dataHome.path()));
        before = listing(folder.path());
    }

    void start()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", server->display());
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("XDG_DATA_HOME", dataHome.path());
        env.insert("HOME", home.path());
        env.insert("TONEBRIDGE_AUDIO", "null");
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
        env.remove("TONEBRIDGE_PROGRAM_FOLDER");
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(home.path());
        program.start(folder.file("kestrel"), {});
        ASSERT_TRUE(program.waitForStarted());
    }

    static QString xdotool(const QStringList &arguments)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", server->display());
        p.setProcessEnvironment(env);
        p.start("xdotool", arguments);
        p.waitForFinished(60000);
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    }

    // The program's visible windows, once it has shown at least one.
    QStringList visibleWindows()
    {
        const QString pid = QString::number(program.processId());
        for (int tries = 0; tries < 600; ++tries) {
            const QString found = xdotool({"search", "--onlyvisible", "--pid", pid});
            if (!found.isEmpty()) {
                QThread::msleep(300); // let it paint
                return xdotool({"search", "--onlyvisible", "--pid", pid}).split('\n', Qt::SkipEmptyParts);
            }
            if (program.state() == QProcess::NotRunning)
                return {};
            QThread::msleep(100);
        }
        return {};
    }

    static QImage grab(WId window) { return QGuiApplication::primaryScreen()->grabWindow(window).toImage(); }

    // How our own message box with this text looks on the same display.
    static QImage messageBoxWith(const QString &text)
    {
        QMessageBox box(QMessageBox::Information, "Tonebridge", text, QMessageBox::Ok);
        box.show();
        for (int i = 0; i < 50; ++i) {
            QCoreApplication::processEvents();
            QThread::msleep(10);
        }
        return grab(box.winId());
    }

    static long differingPixels(const QImage &a, const QImage &b)
    {
        if (a.size() != b.size())
            return -1;
        const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
        long n = 0;
        for (int row = 0; row < x.height(); ++row)
            for (int col = 0; col < x.width(); ++col)
                n += x.pixel(col, row) != y.pixel(col, row);
        return n;
    }

    static QStringList listing(const QString &path)
    {
        QStringList entries;
        QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            entries << it.next().mid(path.size());
        entries.sort();
        return entries;
    }

    void expectLostAndEnded()
    {
        const QStringList windows = visibleWindows();
        ASSERT_EQ(windows.size(), 1) << "one window: the message, not the main window";
        const QImage shown = grab(windows.front().toULongLong());
        const QImage expected = messageBoxWith("Lost encoder.so!");
        const QImage other = messageBoxWith("Lost decoder.so!");
        const long same = differingPixels(shown, expected), unlike = differingPixels(shown, other);
        EXPECT_GE(same, 0) << "a window of the message box's size";
        EXPECT_GT(unlike, 0);
        // The focus may differ between the two processes; the text must not.
        EXPECT_LT(same, unlike / 2) << same << " pixels differ from the expected message, " << unlike
                                    << " from another text";

        xdotool({"windowfocus", "--sync", windows.front()});
        xdotool({"key", "Return"});
        ASSERT_TRUE(program.waitForFinished(60000)) << "the program ends once the message is closed";
        EXPECT_NE(program.exitCode(), 0);
        EXPECT_EQ(listing(folder.path()), before) << "nothing written beside the program";
        EXPECT_EQ(listing(dataHome.path()), QStringList()) << "nothing written in the user's data folder";
    }

    void TearDown() override
    {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished();
        }
    }

    TempDir folder, scratch;
    QDir dataHome{scratch.file("data")};
    QDir home{scratch.path()};
    QProcess program;
    QStringList before;
};

TEST_F(Startup, MissingEncoderLibraryShowsLostAndEnds)
{
    layOut({});
    start();
    expectLostAndEnded();
}

TEST_F(Startup, EncoderLibraryWithoutAnEntryPointShowsLostAndEnds)
{
    layOut("encoder_partial.so");
    start();
    expectLostAndEnded();
}

TEST_F(Startup, WithTheEncoderLibraryTheMainWindowShows)
{
    // The counter-check: the same harness sees a main window, not the message, when the library is there.
    layOut("encoder.so");
    if (QFile::exists(executableFolder() + "decoder.so")) {
        ASSERT_TRUE(QFile::copy(executableFolder() + "decoder.so", folder.file("decoder.so")));
    }
    start();
    const QStringList windows = visibleWindows();
    ASSERT_FALSE(windows.isEmpty());
    const QImage message = messageBoxWith("Lost encoder.so!");
    for (const QString &w : windows)
        EXPECT_NE(grab(w.toULongLong()).size(), message.size());
    EXPECT_EQ(program.state(), QProcess::Running);
}

} // namespace
