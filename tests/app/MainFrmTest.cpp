#include "platform/TestDoubles.h"
#include "app/AboutFrm.h"
#include "app/ConvertWindow.h"
#include "app/MainLayout.h"
#include "lists/ConversionLists.h"
#include "support/AppFixture.h"
#include "skin/WavePlayer.h"
#include "toolkit/CheckListBox.h"
#include "skin/BMPSlider.h"
#include "skin/DIBFormShaper.h"
#include "skin/MorphButton.h"
#include "skin/SkinImage.h"

#include <QEnterEvent>

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tb;
using tb::test::AppFixture;
using tb::test::TempDir;

namespace {

class MainFrmTest : public ::testing::Test, public AppFixture {
protected:
    QByteArray playList(const QStringList &mp3Wav, const QStringList &wavMp3, int doWhat = 0)
    {
        QByteArray text = "[General]\r\nID=Tonebridge PlayList\r\nMp3WavCount=" + QByteArray::number(mp3Wav.size()) +
                          "\r\nWavMp3Count=" + QByteArray::number(wavMp3.size()) +
                          "\r\nDoWhat=" + QByteArray::number(doWhat) + "\r\n\r\n";
        auto sections = [&text](const char *prefix, const QStringList &files) {
            for (int i = 0; i < files.size(); ++i)
                text += "[" + QByteArray(prefix) + QByteArray::number(i) + "]\r\nFile=" + files[i].toUtf8() +
                        "\r\nChecked=1\r\n\r\n";
        };
        sections("Mp3WavList-File", mp3Wav);
        sections("WavMp3List-File", wavMp3);
        return text;
    }
    static QStringList paths(const TCheckListBox &l)
    {
        QStringList out;
        for (int i = 0; i < l.count(); ++i)
            out << l.item(i).path;
        return out;
    }
};

TEST_F(MainFrmTest, FirstStartCreatesTheOutputFoldersAndShowsNothing)
{
    TMainFrm &frm = create();
    frm.show();
    EXPECT_TRUE(frm.shownOnce());
    EXPECT_TRUE(QFileInfo(folder.file("Mp3")).isDir());
    EXPECT_TRUE(QFileInfo(folder.file("Wav")).isDir());
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(frm.state().ListsChanged) << "clearing at start-up counts as a change";
    EXPECT_EQ(frm.state().ActivityState, asIdle);
    EXPECT_EQ(frm.state().DoWhat, dwMp3ToWav);
    EXPECT_FALSE(QFileInfo::exists(settingsFile())) << "the show step writes nothing";
}

TEST_F(MainFrmTest, ShowStepRunsOnce)
{
    TMainFrm &frm = create();
    frm.show();
    QDir(folder.path()).rmdir("Mp3");
    frm.hide();
    frm.show();
    EXPECT_FALSE(QFileInfo(folder.file("Mp3")).isDir());
}

TEST_F(MainFrmTest, OutputFoldersFromTheSettingsGetASlashAndTheirParents)
{
    folder.write(QFileInfo(settingsFile()).fileName(),
                 "[Options]\r\nMp3Dir=" + folder.file("out/deep/mp3").toUtf8() + "\r\n");
    TMainFrm &frm = create();
    frm.show();
    EXPECT_EQ(frm.options().Mp3Dir, folder.file("out/deep/mp3/"));
    EXPECT_TRUE(QFileInfo(folder.file("out/deep/mp3")).isDir());
}

TEST_F(MainFrmTest, FolderCreationFailureIsSilent)
{
    fileSystem.failCreateFolders = true;
    TMainFrm &frm = create();
    frm.show();
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(MainFrmTest, ExitAfterAStartWithoutPlaylistRecordsDefaultLst)
{
    TMainFrm &frm = create();
    frm.show();
    int terminated = 0;
    QObject::connect(&frm, &TMainFrm::terminateRequested, [&] { ++terminated; });
    frm.btnExitClick();
    EXPECT_EQ(terminated, 1);
    TBiggerIniFile ini(settingsFile());
    EXPECT_EQ(ini.ReadString("Options", "LastPlayList", ""), folder.file("default.lst"));
    EXPECT_EQ(TempDir::read(settingsFile()),
              QByteArray("[Options]\r\nLastPlayList=" + folder.file("default.lst").toUtf8() + "\r\n\r\n"));
}

TEST_F(MainFrmTest, LastPlayListInAVanishedFolderFallsBackToDefaultLst)
{
    folder.write(QFileInfo(settingsFile()).fileName(), "[Options]\r\nLastPlayList=/gone/away/mine.lst\r\n");
    TMainFrm &frm = create();
    frm.show();
    EXPECT_EQ(frm.options().LastPlayList, "/gone/away/mine.lst");
    frm.btnExitClick();
    EXPECT_EQ(frm.options().LastPlayList, folder.file("default.lst"));
    TBiggerIniFile ini(settingsFile());
    EXPECT_EQ(ini.ReadString("Options", "LastPlayList", ""), folder.file("default.lst"));
}

TEST_F(MainFrmTest, StartThenExitRewritesTheLastPlaylistWithoutTheDeletedFiles)
{
    const QString a = folder.write("a.mp3", "aaa"), gone = folder.write("gone.mp3", "g"), w = folder.write("w.wav", "ww");
    const QString lst = folder.write("default.lst", playList({a, gone}, {w}, 1));
    QFile::remove(gone);
    TMainFrm &frm = create();
    frm.show();
    EXPECT_EQ(paths(*frm.lstMp3Wav), QStringList{a});
    EXPECT_EQ(paths(*frm.lstWavMp3), QStringList{w});
    EXPECT_EQ(frm.state().DoWhat, dwWavToMp3);
    EXPECT_TRUE(frm.state().ListsChanged);
    frm.btnExitClick();
    EXPECT_EQ(TempDir::read(lst), playList({a}, {w}, 1));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(MainFrmTest, RemoveEveryItemAndExitLeavesThePlaylistFileAsItWas)
{
    const QString a = folder.write("a.mp3", "aaa"), b = folder.write("b.mp3", "bbb");
    const QByteArray content = playList({a, b}, {});
    const QString lst = folder.write("default.lst", content);
    TMainFrm &frm = create();
    frm.show();
    ASSERT_EQ(frm.lstMp3Wav->count(), 2);
    frm.lstMp3Wav->selectAll();
    dialogs.confirmAnswers = {true};
    frm.button("btnRemove")->click();
    EXPECT_EQ(frm.lstMp3Wav->count(), 0);
    frm.btnExitClick();
    EXPECT_EQ(TempDir::read(lst), content);
}

TEST_F(MainFrmTest, ExitAsksBeforeReplacingALastPlayListThatIsNotAPlaylist)
{
    const QString notes = folder.write("notes.txt", "my notes\r\n");
    folder.write(QFileInfo(settingsFile()).fileName(), "[Options]\r\nLastPlayList=" + notes.toUtf8() + "\r\n");
    TMainFrm &frm = create();
    frm.show();
    EXPECT_EQ(dialogs.messages(), QStringList{"Invalid playlist file!\n" + notes});
    dialogs.openAnswers = {{folder.write("a.mp3", "a")}};
    frm.button("btnAdd")->click();
    frm.btnExitClick(); // the question is answered No
    EXPECT_EQ(dialogs.questions(), QStringList{"The destination file has existed, overwrite it?"});
    EXPECT_EQ(TempDir::read(notes), QByteArray("my notes\r\n"));
}

TEST_F(MainFrmTest, ListsAndTheirCommandsAreWiredIn)
{
    TMainFrm &frm = create();
    frm.show();
    ASSERT_NE(frm.lstMp3Wav, nullptr);
    EXPECT_EQ(frm.lstMp3Wav->parentWidget(), frm.listArea);
    EXPECT_EQ(frm.lstWavMp3->parentWidget(), frm.listArea);
    EXPECT_EQ(frm.lstMp3Wav->geometry(), QRect(QPoint(0, 0), ListAreaRect.size()));
    EXPECT_TRUE(frm.lstMp3Wav->isVisible());
    EXPECT_FALSE(frm.lstWavMp3->isVisible());
    EXPECT_EQ(frm.menSelect, frm.lists().menSelect());

    frm.btnWavMp3->click();
    EXPECT_EQ(frm.state().DoWhat, dwWavToMp3);
    EXPECT_TRUE(frm.lstWavMp3->isVisible());
    EXPECT_FALSE(frm.lstMp3Wav->isVisible());

    const QString a = folder.write("a.mp3", "a"), locked = folder.file("missing.wav");
    dialogs.openAnswers = {{a, locked}};
    frm.button("btnAdd")->click();
    EXPECT_EQ(dialogs.messages(), QStringList{"Cannot open file " + locked});
    EXPECT_EQ(paths(*frm.lstMp3Wav), QStringList{a});

    frm.state().ListsChanged = false;
    dialogs.saveAnswers = {folder.file("saved")};
    frm.button("btnSave")->click();
    EXPECT_TRUE(QFileInfo::exists(folder.file("saved.lst")));

    frm.lstMp3Wav->clear();
    dialogs.openAnswers = {{folder.file("saved.lst")}};
    frm.button("btnOpen")->click();
    EXPECT_EQ(paths(*frm.lstMp3Wav), QStringList{a});
    EXPECT_EQ(frm.options().LastPlayList, folder.file("saved.lst"));

    EXPECT_EQ(frm.state().DoWhat, dwWavToMp3) << "the playlist was saved with \"WAV to MP3\" active";
    emit frm.lstWavMp3->customContextMenuRequested(QPoint(5, 5));
    EXPECT_TRUE(frm.menSelect->isVisible());
    frm.menSelect->hide();
}

TEST_F(MainFrmTest, TabsPlayTheClickSoundEvenWhenButtonClicksAreOff)
{
    TMainFrm &frm = create();
    frm.show();
    frm.ApplyButtonSounds(false, false);
    int clicks = 0;
    frm.wavClick->BeforePlay = [&](TepWavePlayer *) { ++clicks; };
    frm.btnMp3Wav->click();
    EXPECT_EQ(clicks, 0) << "the active tab does nothing";
    frm.btnWavMp3->click();
    EXPECT_EQ(clicks, 1);
}

TEST_F(MainFrmTest, ExitWithoutChangesWritesNothing)
{
    TMainFrm &frm = create();
    frm.show();
    frm.state().ListsChanged = false;
    int terminated = 0;
    QObject::connect(&frm, &TMainFrm::terminateRequested, [&] { ++terminated; });
    frm.btnExitClick();
    EXPECT_EQ(terminated, 1);
    EXPECT_FALSE(QFileInfo::exists(settingsFile()));
}

TEST_F(MainFrmTest, ExitWhileConvertingDoesNotAsk)
{
    TMainFrm &frm = create();
    frm.show();
    frm.state().ActivityState = asConverting;
    int terminated = 0;
    QObject::connect(&frm, &TMainFrm::terminateRequested, [&] { ++terminated; });
    frm.btnExitClick();
    EXPECT_EQ(terminated, 1);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(MainFrmTest, ReadOnlySettingsFileReportsItsErrorAndTheProgramKeepsRunning)
{
    QString ini = folder.write(QFileInfo(settingsFile()).fileName(), "[Options]\r\nSkin=1\r\n");
    ::chmod(QFile::encodeName(ini).constData(), 0444);
    TMainFrm &frm = create();
    frm.show();
    int terminated = 0;
    QObject::connect(&frm, &TMainFrm::terminateRequested, [&] { ++terminated; });
    ErrorReport::run([&] { frm.btnExitClick(); });
    EXPECT_EQ(dialogs.messages(), QStringList{"File access denied"});
    EXPECT_EQ(terminated, 0);
    EXPECT_EQ(TempDir::read(ini), QByteArray("[Options]\r\nSkin=1\r\n"));
    ::chmod(QFile::encodeName(ini).constData(), 0644);
}

TEST_F(MainFrmTest, UnreadableSettingsFileIsReportedAndTheRestOfTheShowStepSkipped)
{
    QDir(folder.path()).mkdir(QFileInfo(settingsFile()).fileName()); // a folder where the file should be
    TMainFrm &frm = create();
    frm.show();
    EXPECT_EQ(dialogs.messages(), QStringList{"File access denied"});
    EXPECT_FALSE(QFileInfo(folder.file("Mp3")).isDir());
}

TEST_F(MainFrmTest, ButtonsSitAtTheirPlacesWithTheirHints)
{
    TMainFrm &frm = create();
    EXPECT_EQ(frm.size(), QSize(437, 463));
    for (const ButtonPlace &place : mainButtonPlaces()) {
        TepMorphButton *b = frm.button(place.name);
        ASSERT_NE(b, nullptr) << place.name;
        EXPECT_EQ(b->geometry(), place.rect) << place.name;
        EXPECT_EQ(b->toolTip(), QString(place.hint)) << place.name;
    }
    EXPECT_EQ(frm.button("btnPrevious")->geometry().right(), 107);
}

TEST_F(MainFrmTest, TheHoverTestShowsTheFirstButtonWhoseRectangleHoldsThePoint)
{
    TMainFrm &frm = create();
    frm.show();
    struct Case {
        QPoint at;
        const char *shows; // null: nothing
    };
    for (const Case &c : {Case{{105, 380}, "btnPrevious"}, Case{{107, 413}, "btnPrevious"}, Case{{108, 380}, "btnPlay"},
                          Case{{33, 75}, nullptr}, Case{{20, 129}, nullptr}, Case{{20, 128}, "btnExit"},
                          Case{{12, 70}, "btnHelp"}, Case{{396, 330}, "btnOptions"}, Case{{200, 200}, nullptr}}) {
        for (const ButtonPlace &place : mainButtonPlaces())
            frm.button(place.name)->hide();
        frm.sknBackMouseMove(c.at.x(), c.at.y());
        QCoreApplication::processEvents();
        QStringList shown;
        for (const ButtonPlace &place : mainButtonPlaces())
            if (frm.button(place.name)->isVisible())
                shown << place.name;
        EXPECT_EQ(shown, c.shows ? QStringList{c.shows} : QStringList{}) << c.at.x() << "," << c.at.y();
    }
}

TEST_F(MainFrmTest, TheWindowIsItsSkinWithButtonsHiddenAndSlidersInPlace)
{
    TMainFrm &frm = create();
    EXPECT_TRUE(frm.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(frm.sknBack->geometry(), QRect(0, 0, 437, 463));
    EXPECT_EQ(frm.sknBack->Picture().size(), QSize(437, 463));
    EXPECT_EQ(frm.mask(), frm.sknShaper->Region());
    EXPECT_FALSE(frm.mask().contains(QPoint(0, 462)));
    for (const ButtonPlace &place : mainButtonPlaces()) {
        TepMorphButton *b = frm.button(place.name);
        EXPECT_TRUE(b->isHidden()) << place.name;
        EXPECT_EQ(b->Interval(), 1u);
        EXPECT_TRUE(b->Transparent());
        EXPECT_EQ(b->GlyphsTransparent(), QString(place.name) == "btnOptions") << place.name;
        EXPECT_EQ(b->cursor().shape(), Qt::PointingHandCursor);
        EXPECT_FALSE(b->UpGlyph().isNull()) << place.name;
    }
    EXPECT_EQ(frm.prgPlay->geometry(), QRect(84, 290, 267, 19));
    EXPECT_EQ(frm.prgPlay->TrackLength(), 232);
    EXPECT_FALSE(frm.prgPlay->isEnabled());
    EXPECT_EQ(frm.trkVolume->geometry(), QRect(370, 94, 23, 175));
    EXPECT_EQ(frm.trkVolume->TrackLength(), 140);
    EXPECT_TRUE(frm.trkVolume->isEnabled());
    EXPECT_EQ(frm.trkVolume->Orientation(), soVertical);
    EXPECT_EQ(frm.wavSwitch->Wave().size(), 35084);
    EXPECT_EQ(frm.wavClick->Wave().size(), 15590);
    EXPECT_EQ(frm.wavClick->Options(), unsigned(wpoAsync));
    frm.button("btnOptions")->show();
    QEvent leave(QEvent::Leave);
    QEnterEvent enter(QPointF(3, 3), QPointF(373, 309), QPointF(373, 309));
    QCoreApplication::sendEvent(frm.button("btnOptions"), &enter);
    QCoreApplication::sendEvent(frm.button("btnOptions"), &leave);
    EXPECT_TRUE(frm.button("btnOptions")->isHidden()) << "the button the mouse has left hides again";
}

TEST_F(MainFrmTest, TheBatchResetsThePositionSliderAndDisablesIt)
{
    TMainFrm &frm = create();
    frm.prgPlay->setEnabled(true);
    frm.prgPlay->setValue(60);
    // What the batch's return to idle announces.
    emit frm.core().positionSliderReset();
    EXPECT_EQ(frm.prgPlay->Value(), 0);
    EXPECT_EQ(frm.prgPlay->ThumbPosition(), 6);
    EXPECT_FALSE(frm.prgPlay->isEnabled());
}

TEST_F(MainFrmTest, LabelsOpenWithTheirTexts)
{
    TMainFrm &frm = create();
    EXPECT_EQ(frm.labStatus->text(), "Ready... Show current status here.");
    EXPECT_EQ(frm.labMusicTitle->text(), "Show player current status here.");
    EXPECT_TRUE(frm.labMusicTitle->isHidden());
    EXPECT_EQ(frm.labMusicInfo->text(), "Show current music format information here.");
    EXPECT_EQ(frm.labMusicInfo->width(), 233);
    EXPECT_EQ(frm.labMusicBitrate->text(), "Info:");
    EXPECT_EQ(frm.labDurationTime->text(), "00:00:00");
    EXPECT_EQ(frm.labCurrentTime->text(), "00:00:00");
    EXPECT_EQ(frm.Label1->text(), "Len:");
    EXPECT_EQ(frm.labCurrentTimeText->text(), "Pos:");
    EXPECT_EQ(frm.btnMp3Wav->text(), "MP3 to WAV");
    EXPECT_EQ(frm.btnWavMp3->text(), "WAV to MP3");
}

TEST_F(MainFrmTest, HelpMenuOpensTheHelpPageTheHomePageAndPopsUpWhereReleased)
{
    TMainFrm &frm = create();
    QStringList entries;
    for (QAction *a : frm.menHelp->actions())
        entries << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(entries, (QStringList{"&Help", "-", "&Home Page", "-", "&About..."}));
    frm.menHelp->actions()[0]->trigger();
    frm.menHelp->actions()[2]->trigger();
    EXPECT_EQ(shell.opened, (QStringList{"file:" + context.libraryFolder + "kestrel.html", "address:https://tonebridge.org/"}));

    frm.show();
    frm.button("btnSysHelp")->OnMouseUp(frm.button("btnSysHelp"), Qt::RightButton, QPoint(3, 3), QPoint(120, 130));
    EXPECT_TRUE(frm.menHelp->isVisible());
    EXPECT_EQ(frm.menHelp->pos(), QPoint(120, 130));
    frm.menHelp->hide();
}

TEST_F(MainFrmTest, MinimizeMinimizesTheWindow)
{
    TMainFrm &frm = create();
    frm.show();
    frm.btnMinimizeClick();
    EXPECT_TRUE(frm.windowState() & Qt::WindowMinimized);
}

TEST(GuardRule, OnlyIdleLetsACommandRun)
{
    struct Case {
        ActivityStates state;
        bool passes;
        const char *message;
    };
    const Case cases[] = {{asIdle, true, nullptr},
                          {asPlaying, false, "Please stop playing at first!"},
                          {asConverting, false, "Please stop converting at first!"}};
    for (const Case &c : cases) {
        ScriptedDialogs dialogs;
        AppState state;
        state.ActivityState = c.state;
        EXPECT_EQ(PassesGuard(state, dialogs), c.passes);
        EXPECT_EQ(dialogs.messages(), c.message ? QStringList{c.message} : QStringList{});
    }
}

TEST(AboutFrm, ShowsProductVersionAndPlatform)
{
    tb::test::application();
    TAboutFrm about;
    EXPECT_EQ(about.windowTitle(), "About...");
    EXPECT_EQ(about.labProduct->text(), "Tonebridge");
    EXPECT_EQ(about.labVersion->text(), "Version 3.6");
    EXPECT_EQ(about.labPlatform->text(), "For Linux");
    EXPECT_EQ(about.btnOK->text(), "&OK");
    EXPECT_EQ(about.size(), QSize(332, 250));
    about.show();
    about.btnOK->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

} // namespace
