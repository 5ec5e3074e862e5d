// The application core without any window: a QCoreApplication, scripted dialogs, lists of the
// test's own and the real codec libraries.
#include "CoreDoubles.h"
#include "codecs/GogoTea.h"
#include "core/ApplicationCore.h"
#include "platform/TestDoubles.h"
#include "settings/BigIniFile.h"
#include "support/EventWait.h"
#include "support/ProgramContext.h"
#include "support/TempDir.h"
#include "support/TestApplication.h"
#include "support/WavWriter.h"

#include <QApplication>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace tb;
using namespace tb::test;

namespace {

class CoreTest : public ::testing::Test, public ProgramContext {
protected:
    CoreTest()
    {
        coreApplication();
        core = std::make_unique<ApplicationCore>(context);
        core->attachLists(&lists);
        QObject::connect(core.get(), &ApplicationCore::activityStateChanged,
                         [this](int32_t state) { activity << state; });
        QObject::connect(core.get(), &ApplicationCore::convertingLookChanged,
                         [this](bool converting) { looks << converting; });
        QObject::connect(&core->info(), &InfoModel::statusTextChanged, [this](const QString &text) { statuses << text; });
    }
    void writeSettings(const QByteArray &text)
    {
        folder.write(QFileInfo(TAppIniFile::SettingsFileName(folder.path())).fileName(), text);
    }

    RecordingLists lists;
    std::unique_ptr<ApplicationCore> core;
    QList<int32_t> activity;
    QList<bool> looks;
    QStringList statuses;
};

TEST_F(CoreTest, RunsWithoutAnyWidget)
{
    EXPECT_EQ(qobject_cast<QApplication *>(QCoreApplication::instance()), nullptr)
        << "only an event loop: creating a widget here would abort";
    EXPECT_EQ(core->state().ActivityState, asIdle);
    EXPECT_EQ(core->options().Mp3Dir, folder.file("Mp3/"));
    EXPECT_EQ(core->info().statusText(), "Ready... Show current status here.");
}

TEST_F(CoreTest, StartUpReadsTheOptionsAndReportsTheirEffects)
{
    const QString lst = folder.write("mine.lst", "[General]\r\nID=Tonebridge PlayList\r\n");
    writeSettings("[Options]\r\nSkin=3\r\nIsActiveSnd=1\r\nIsClickSnd=0\r\nLastPlayList=" + lst.toUtf8() + "\r\n");
    QList<int32_t> skins;
    QList<QPair<bool, bool>> sounds;
    QObject::connect(core.get(), &ApplicationCore::menuSkinApplied, [&](int32_t skin) { skins << skin; });
    QObject::connect(core.get(), &ApplicationCore::buttonSoundsApplied,
                     [&](bool active, bool click) { sounds << qMakePair(active, click); });
    core->StartUp();
    EXPECT_EQ(lists.steps, (QStringList{"clear", "load " + lst}));
    EXPECT_TRUE(core->state().ListsChanged);
    EXPECT_EQ(skins, QList<int32_t>{3});
    EXPECT_EQ(sounds, (QList<QPair<bool, bool>>{{true, false}}));
    EXPECT_TRUE(QFileInfo(folder.file("Mp3")).isDir());
    EXPECT_TRUE(QFileInfo(folder.file("Wav")).isDir());
}

TEST_F(CoreTest, ExitSavesChangedListsIntoTheLastPlaylistAndAsksToEnd)
{
    core->StartUp();
    int terminated = 0;
    QObject::connect(core.get(), &ApplicationCore::terminateRequested, [&] { ++terminated; });
    core->Exit();
    EXPECT_EQ(lists.steps.last(), QStringLiteral("save %1 1").arg(folder.file("default.lst")));
    EXPECT_EQ(terminated, 1);
    TBiggerIniFile ini(TAppIniFile::SettingsFileName(folder.path()));
    EXPECT_EQ(ini.ReadString("Options", "LastPlayList", ""), folder.file("default.lst"));
}

TEST_F(CoreTest, AWavBatchEntersAndLeavesTheConvertingStateThroughTheCore)
{
    writeSettings("[Options]\r\nIsDoneOpenDir=0\r\n");
    core->StartUp();
    core->Encoder().SetPriority(tpNormal);
    Tone tone;
    tone.frames = 44100;
    const QString source = folder.file("tone.wav");
    ASSERT_TRUE(writeSineWav(source, tone));
    lists.lists[1].rows.push_back({source, true});
    core->state().DoWhat = dwWavToMp3;
    dialogs.confirmAnswers = {true};

    core->btnConvertClick();
    EXPECT_EQ(core->state().ActivityState, asConverting);
    EXPECT_EQ(core->info().statusText(), "Converting to MP3: tone.wav");
    EXPECT_EQ(core->info().durationTime(), "00:00:01");
    ASSERT_TRUE(waitUntil([&] { return core->state().ActivityState == asIdle; }));

    EXPECT_EQ(activity, (QList<int32_t>{asConverting, asIdle}));
    EXPECT_EQ(looks, (QList<bool>{true, false}));
    EXPECT_EQ(statuses.last(), "Ready... Show current status here.");
    EXPECT_TRUE(lists.lists[1].allEnabled());
    EXPECT_TRUE(QFileInfo(folder.file("Mp3/tone.mp3")).size() > 0);
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

} // namespace
