// Files and folders dropped from a file manager on the real main window (offscreen): the drag
// events go to the window as the window system delivers them, and find the list area themselves.
#include "app/FileDropTarget.h"
#include "support/AppFixture.h"
#include "toolkit/CheckListBox.h"
#include "skin/MorphButton.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWindow>
#include <gtest/gtest.h>

using namespace tb;
using tb::test::AppFixture;

namespace {

class FileDrop : public ::testing::Test, public AppFixture {
protected:
    void SetUp() override
    {
        TMainFrm &frm = create();
        frm.show();
        ASSERT_NE(frm.windowHandle(), nullptr);
        frm.state().ListsChanged = false;
    }

    QString makeFile(const QString &relative)
    {
        const QString path = folder.file(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("audio");
        return path;
    }
    static std::unique_ptr<QMimeData> urls(const QStringList &paths)
    {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> list;
        for (const QString &p : paths)
            list << (p.contains("://") ? QUrl(p) : QUrl::fromLocalFile(p));
        data->setUrls(list);
        return data;
    }
    // A point over the list in front, in window coordinates.
    QPointF overTheList() const { return QPointF(window->listArea->geometry().center()); }

    // Drag enter and move as the window system sends them; true when the copy cursor shows.
    bool dragOver(const QMimeData *data, QPointF at, Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction)
    {
        QDragEnterEvent enter(at.toPoint(), actions, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->windowHandle(), &enter);
        QDragMoveEvent move(at.toPoint(), actions, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->windowHandle(), &move);
        const bool accepted = enter.isAccepted() && move.isAccepted() && move.dropAction() == Qt::CopyAction;
        if (!accepted) {
            QDragLeaveEvent leave;
            QCoreApplication::sendEvent(window->windowHandle(), &leave);
        }
        return accepted;
    }
    // A whole drag and drop; returns whether the drop was taken. The lists take it in the next pass of the event loop.
    bool drop(const QStringList &paths, QPointF at = {-1, -1})
    {
        if (at.x() < 0)
            at = overTheList();
        auto data = urls(paths);
        if (!dragOver(data.get(), at))
            return false;
        QDropEvent dropped(at, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->windowHandle(), &dropped);
        QCoreApplication::processEvents();
        return dropped.isAccepted() && dropped.dropAction() == Qt::CopyAction;
    }
    static QStringList paths(const TCheckListBox &l)
    {
        QStringList out;
        for (int i = 0; i < l.count(); ++i)
            out << l.item(i).path;
        return out;
    }
};

TEST_F(FileDrop, FilesAndAFolderLandInTheirListsInOrder)
{
    const QString single = makeFile("single.wav"), song = makeFile("song.MP3");
    const QString x = makeFile("album/x.mp3"), y = makeFile("album/sub/y.mp2"), z = makeFile("album/z.wav");
    makeFile("album/booklet.pdf");
    ASSERT_TRUE(drop({single, folder.file("album"), song}));
    EXPECT_EQ(paths(*window->lstMp3Wav), (QStringList{y, x, song}));
    EXPECT_EQ(paths(*window->lstWavMp3), (QStringList{single, z}));
    for (int row = 0; row < window->lstMp3Wav->count(); ++row)
        EXPECT_TRUE(window->lstMp3Wav->isChecked(row));
    EXPECT_EQ(window->lstMp3Wav->item(0).text, "y.mp2 -- 5Bytes");
    EXPECT_TRUE(window->state().ListsChanged);
    EXPECT_EQ(window->state().DoWhat, dwMp3ToWav) << "the active list stays in front";
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(FileDrop, RoutingFollowsTheActiveListAsAddDoes)
{
    window->btnWavMp3Click();
    const QString wav = makeFile("b.wav"), mp1 = makeFile("c.mp1"), mp2 = makeFile("d.MP2");
    ASSERT_TRUE(drop({wav, mp1, mp2}));
    EXPECT_EQ(paths(*window->lstWavMp3), QStringList{wav});
    EXPECT_EQ(paths(*window->lstMp3Wav), (QStringList{mp1, mp2}));
}

TEST_F(FileDrop, FilesAlreadyInEitherListAreNotAddedTwice)
{
    const QString a = makeFile("d/a.mp3"), b = makeFile("d/b.wav");
    ASSERT_TRUE(drop({a}));
    ASSERT_TRUE(drop({folder.file("d"), b, a}));
    EXPECT_EQ(paths(*window->lstMp3Wav), QStringList{a});
    EXPECT_EQ(paths(*window->lstWavMp3), QStringList{b});
}

TEST_F(FileDrop, ADropWhileBusyShowsTheGuardTextAndAddsNothing)
{
    const QString a = makeFile("a.mp3");
    const struct {
        ActivityStates activity;
        const char *text;
    } cases[] = {{asConverting, "Please stop converting at first!"}, {asPlaying, "Please stop playing at first!"}};
    for (const auto &c : cases) {
        dialogs.shown.clear();
        window->state().ActivityState = c.activity;
        EXPECT_TRUE(drop({a})) << "the drop itself is taken, then refused with a reason";
        EXPECT_EQ(dialogs.messages(), QStringList{c.text});
        EXPECT_EQ(window->lstMp3Wav->count(), 0);
        EXPECT_FALSE(window->state().ListsChanged);
    }
}

TEST_F(FileDrop, AnythingButAudioFilesAndFoldersIsRefused)
{
    const QString text = makeFile("notes.txt"), song = makeFile("song.wav");
    auto plain = std::make_unique<QMimeData>();
    plain->setText(song);
    EXPECT_FALSE(dragOver(plain.get(), overTheList())) << "text naming a file";
    EXPECT_FALSE(dragOver(urls({"https://example.org/song.mp3"}).get(), overTheList()));
    EXPECT_FALSE(dragOver(urls({"file://otherhost" + song}).get(), overTheList())) << "a file on another machine";
    EXPECT_FALSE(dragOver(urls({text}).get(), overTheList()));
    EXPECT_FALSE(dragOver(urls({song}).get(), overTheList(), Qt::MoveAction)) << "the files are never moved";
    EXPECT_TRUE(dragOver(urls({text, song}).get(), overTheList())) << "one audio file among them is enough";
    EXPECT_TRUE(dragOver(urls({folder.path()}).get(), overTheList()));
}

TEST_F(FileDrop, OnlyTheListAreaTakesDrops)
{
    const QString song = makeFile("song.mp3");
    const QPointF overAButton = QPointF(window->button("btnConvert")->geometry().center());
    EXPECT_FALSE(drop({song}, overAButton));
    EXPECT_EQ(window->lstMp3Wav->count(), 0);
}

} // namespace
