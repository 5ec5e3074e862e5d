#include "platform/TestDoubles.h"
#include "platform/BusyCursor.h"
#include "platform/Dialogs.h"
#include "platform/ErrorReport.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "platform/MessageWindow.h"
#include "platform/Shell.h"
#include "support/TempDir.h"
#include "support/TestApplication.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

using namespace tb;

namespace {

Application &app() { return tb::test::application(); }

TEST(MessageWindow, DeliversPostsFromManyThreadsInOrderOnTheUiThread)
{
    app();
    QtMessageWindow window;
    std::vector<std::pair<uintptr_t, intptr_t>> received;
    const auto uiThread = std::this_thread::get_id();
    bool offThread = false;
    window.setHandler([&](uint32_t msg, uintptr_t w, intptr_t l) {
        EXPECT_EQ(msg, 0x9001u);
        offThread |= std::this_thread::get_id() != uiThread;
        received.emplace_back(w, l);
    });
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t)
        posters.emplace_back([&, t] {
            for (int i = 0; i < 500; ++i)
                tb_post(window.handle(), 0x9001, static_cast<uintptr_t>(t), i);
        });
    for (auto &p : posters)
        p.join();
    EXPECT_TRUE(received.empty()) << "delivery waits for the event loop";
    QCoreApplication::processEvents();
    ASSERT_EQ(received.size(), 2000u);
    EXPECT_FALSE(offThread);
    std::vector<intptr_t> last(4, -1);
    for (auto [thread, seq] : received) {
        EXPECT_EQ(seq, last[thread] + 1) << "posts of one thread arrive in posting order";
        last[thread] = seq;
    }
}

TEST(MessageWindow, PostsAfterDestructionAreRefusedAndPendingOnesDropped)
{
    app();
    int delivered = 0;
    tb_window *handle = nullptr;
    {
        QtMessageWindow window;
        window.setHandler([&](uint32_t, uintptr_t, intptr_t) { ++delivered; });
        handle = window.handle();
        EXPECT_EQ(tb_post(handle, 1, 0, 0), 1);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 0);
    EXPECT_EQ(tb_post(nullptr, 1, 0, 0), 0);
}

TEST(MessageWindow, ManualDoubleQueuesUntilTheTestDelivers)
{
    ManualMessageWindow window;
    std::vector<intptr_t> got;
    window.setHandler([&](uint32_t, uintptr_t, intptr_t l) { got.push_back(l); });
    std::thread poster([&] {
        for (int i = 0; i < 3; ++i)
            window.post(7, 0, i);
    });
    poster.join();
    EXPECT_EQ(window.pendingCount(), 3u);
    EXPECT_EQ(window.waitAndDeliver(1000), 3);
    EXPECT_EQ(got, (std::vector<intptr_t>{0, 1, 2}));
}

TEST(MessageWindow, DiscardingTakesOnlyTheNamedPendingMessages)
{
    app();
    QtMessageWindow qtWindow;
    ManualMessageWindow manual;
    for (MessageWindow *window : {static_cast<MessageWindow *>(&qtWindow), static_cast<MessageWindow *>(&manual)}) {
        std::vector<std::pair<uint32_t, intptr_t>> got;
        window->setHandler([&](uint32_t msg, uintptr_t, intptr_t l) { got.emplace_back(msg, l); });
        window->post(5, 1, 0);
        window->post(6, 1, 1);
        window->post(5, 2, 2); // another wparam stays
        window->post(5, 1, 3);
        EXPECT_EQ(window->discardPending(5, 1), 2);
        EXPECT_EQ(window->discardPending(5, 1), 0);
        window->post(5, 1, 4); // posted after the discard: delivered
        QCoreApplication::processEvents();
        manual.deliverPending();
        EXPECT_EQ(got, (std::vector<std::pair<uint32_t, intptr_t>>{{6, 1}, {5, 2}, {5, 4}}));
    }
}

TEST(ErrorReport, ExceptionLeavingAnEventHandlerIsShownAndTheLoopGoesOn)
{
    app();
    ScriptedDialogs dialogs;
    ErrorReport::setDialogs(&dialogs);
    int afterwards = 0;
    QTimer::singleShot(0, [] { throw EInOutError("File access denied"); });
    QTimer::singleShot(0, [&] { ++afterwards; });
    QElapsedTimer clock;
    clock.start();
    while (afterwards == 0 && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ErrorReport::setDialogs(nullptr);
    EXPECT_EQ(dialogs.messages(), QStringList{"File access denied"});
    EXPECT_EQ(afterwards, 1);
}

TEST(ErrorReport, RunReportsStandardExceptionsToo)
{
    ScriptedDialogs dialogs;
    ErrorReport::setDialogs(&dialogs);
    EXPECT_FALSE(ErrorReport::run([] { throw std::runtime_error("plain failure"); }));
    EXPECT_TRUE(ErrorReport::run([] {}));
    ErrorReport::setDialogs(nullptr);
    EXPECT_EQ(dialogs.messages(), QStringList{"plain failure"});
}

TEST(BusyCursor, IsRestoredWhenAnExceptionPasses)
{
    CountingCursor cursor;
    try {
        BusyCursor busy(cursor);
        EXPECT_EQ(cursor.depth, 1);
        throw Exception("stop");
    } catch (const Exception &) {
    }
    EXPECT_EQ(cursor.busyCount, 1);
    EXPECT_EQ(cursor.depth, 0);
}

TEST(ScriptedDialogs, AnswersInOrderAndFallsBackToTheSafeAnswer)
{
    ScriptedDialogs dialogs;
    dialogs.confirmAnswers = {true};
    dialogs.saveAnswers = {"/tmp/list"};
    EXPECT_TRUE(dialogs.confirm("first?"));
    EXPECT_FALSE(dialogs.confirm("second?"));
    EXPECT_EQ(dialogs.confirmYesNoAbort("third?"), Answer::Abort);
    EXPECT_EQ(dialogs.saveFile("Play list files (*.lst)", "lst", "/tmp"), "/tmp/list.lst");
    EXPECT_TRUE(dialogs.openFiles("*.mp3", true).isEmpty());
    EXPECT_EQ(dialogs.questions(), (QStringList{"first?", "second?", "third?"}));
}

TEST(Dialogs, FiltersOfDescriptionAndPatternPairsBecomeQtNameFilters)
{
    EXPECT_EQ(qtNameFilters("PlayList File (*.lst)|*.lst"), "PlayList File (*.lst) (*.lst)");
    EXPECT_EQ(qtNameFilters("All Supported File|*.mp3;*mp2;*.wav|All File (*.*)|*.*"),
              "All Supported File (*.mp3 *mp2 *.wav);;All File (*.*) (*.*)");
    EXPECT_EQ(qtNameFilters("Images (*.png *.jpg)"), "Images (*.png *.jpg)");
    app();
    QFileDialog dialog(nullptr, QString(), QString(), qtNameFilters("MP3 File (*.mp3;*.mp2)|*.mp3;*.mp2|Wave File|*.wav"));
    EXPECT_EQ(dialog.nameFilters(), (QStringList{"MP3 File (*.mp3;*.mp2) (*.mp3 *.mp2)", "Wave File (*.wav)"}));
}

TEST(FileSystem, ServicesOnRealFiles)
{
    test::TempDir dir;
    LocalFileSystem fs;
    QString file = dir.write("a.bin", QByteArray(1536, 'x'));
    EXPECT_TRUE(fs.fileExists(file));
    EXPECT_FALSE(fs.fileExists(dir.path()));
    EXPECT_TRUE(fs.folderExists(dir.path()));
    EXPECT_EQ(fs.fileSize(file), 1536);
    EXPECT_EQ(fs.fileSize(dir.file("missing")), -1);
    EXPECT_TRUE(fs.createFolders(dir.file("x/y/z")));
    EXPECT_TRUE(fs.folderExists(dir.file("x/y/z")));
    EXPECT_TRUE(fs.deleteFile(file));
    EXPECT_FALSE(fs.fileExists(file));
    EXPECT_FALSE(fs.deleteFile(file));
}

TEST(FileSystem, FaultyDoubleRefusesOnRequest)
{
    test::TempDir dir;
    FaultyFileSystem fs;
    fs.failCreateFolders = true;
    EXPECT_FALSE(fs.createFolders(dir.file("never")));
    EXPECT_FALSE(fs.folderExists(dir.file("never")));
}

TEST(ProgramFolder, IsTheExecutableFolderWhenWritableElseThePerUserDataFolder)
{
    test::TempDir dir;
    EXPECT_EQ(programFolderFor(dir.path()), dir.path());
    QString readOnly = dir.file("ro");
    QDir().mkpath(readOnly);
    ::chmod(QFile::encodeName(readOnly).constData(), 0555);
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.file("data")));
    bool rootCanWriteAnyway = ::access(QFile::encodeName(readOnly).constData(), W_OK) == 0;
    if (rootCanWriteAnyway)
        EXPECT_EQ(programFolderFor(readOnly), readOnly + "/");
    else
        EXPECT_EQ(programFolderFor(readOnly), dir.file("data/tonebridge/"));
    EXPECT_EQ(programFolderFor("/no-such-folder/"), dir.file("data/tonebridge/"));
    EXPECT_TRUE(QFileInfo(dir.file("data/tonebridge")).isDir());
    qunsetenv("XDG_DATA_HOME");
    EXPECT_TRUE(executablePath().endsWith("/platform_tests"));
    EXPECT_TRUE(executableFolder().endsWith("/"));
}

TEST(Shell, RecordingDoubleRecordsWhatWouldOpen)
{
    RecordingShell shell;
    shell.openFolder("/music/out/");
    shell.openAddress("https://example.org");
    EXPECT_EQ(shell.opened, (QStringList{"folder:/music/out/", "address:https://example.org"}));
}

} // namespace
