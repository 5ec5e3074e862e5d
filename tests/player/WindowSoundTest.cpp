// The real main window on an X display (Xvfb) with a real sound server (PulseAudio, null sink):
// real clicks on the transport buttons, and what the sink plays recorded from its monitor. And the
// same window on a machine with no sound device at all.
#include "decoderlib/MpegFixtures.h"
#include "lists/ConversionLists.h"
#include "player/PlaybackController.h"
#include "support/AppFixture.h"
#include "support/EventWait.h"
#include "support/SoundServer.h"
#include "support/XServer.h"
#include "skin/BMPSlider.h"
#include "skin/MorphButton.h"

#include <QWindow>
#include <gtest/gtest.h>

using namespace tb;
using namespace tb::test;

namespace {

XServer *display = nullptr;

class WindowSound : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        display = new XServer;
        ASSERT_FALSE(display->display().isEmpty()) << "Xvfb did not start";
        qputenv("DISPLAY", display->display().toLatin1());
        qputenv("QT_QPA_PLATFORM", "xcb");
        application();
    }
    static void TearDownTestSuite()
    {
        delete display;
        display = nullptr;
    }

    TMainFrm &show(AppFixture &fx)
    {
        fx.folder.write(QFileInfo(fx.settingsFile()).fileName(), "[Options]\r\nIsNormalizing=0\r\n");
        TMainFrm &frm = fx.create();
        frm.move(0, 0);
        frm.show();
        waitUntil([&] { return frm.windowHandle() && frm.windowHandle()->isExposed(); }, 20000);
        return frm;
    }
    static void click(TMainFrm &frm, const char *name)
    {
        QWidget *b = frm.button(name);
        QPoint at = b->mapToGlobal(b->rect().center());
        // The hover button shows once the pointer rests on it; only then does it take the click.
        display->xdotool({"mousemove", "--sync", QString::number(at.x()), QString::number(at.y())});
        waitUntil([b] { return b->isVisible(); }, 5000);
        display->xdotool({"click", "1"});
        // The click reaches the window through the event loop.
        waitUntil([] { return false; }, 200);
    }
};

TEST_F(WindowSound, PlayPauseResumeAndStopThroughRealClicks)
{
    SoundServer server;
    ASSERT_TRUE(server.running()) << server.log().toStdString();
    AppFixture fx;
    TMainFrm &frm = show(fx);
    EXPECT_TRUE(fx.dialogs.shown.empty());
    QString mp3 = makeMpeg(fx.folder.path(), mpegKind("stereo"), 30.0, "tone");
    ASSERT_FALSE(mp3.isEmpty());
    frm.lists().AppendFile(dwMp3ToWav, mp3, true);
    ASSERT_TRUE(server.startRecording());
    waitUntil([] { return false; }, 300);

    click(frm, "btnPlay");
    ASSERT_EQ(frm.state().ActivityState, asPlaying);
    EXPECT_EQ(frm.labStatus->text(), "Playing: tone.mp3");
    // Half a second of tone reaches the sink.
    ASSERT_TRUE(waitUntil([&] { return SoundServer::loud(server.heard()) > 44100; }, 20000));

    click(frm, "btnPause");
    EXPECT_EQ(frm.labStatus->text(), "Paused: tone.mp3");
    waitUntil([] { return false; }, 500);
    const size_t pausedAt = server.heard().size();
    waitUntil([] { return false; }, 700);
    // While paused the sink hears silence.
    EXPECT_LT(SoundServer::loud(server.heard(), pausedAt), size_t(2000));

    click(frm, "btnPlay");
    EXPECT_EQ(frm.labStatus->text(), "Playing: tone.mp3");
    const size_t resumedAt = server.heard().size();
    EXPECT_TRUE(waitUntil([&] { return SoundServer::loud(server.heard(), resumedAt) > 44100; }, 20000));

    click(frm, "btnStop");
    EXPECT_EQ(frm.state().ActivityState, asIdle);
    EXPECT_EQ(frm.labStatus->text(), "Ready... Show current status here.");
    EXPECT_EQ(frm.labMusicInfo->text(), "Show current music format information here.");
    EXPECT_EQ(frm.labCurrentTime->text(), "00:00:00");
    EXPECT_EQ(frm.labDurationTime->text(), "00:00:00");
    EXPECT_FALSE(frm.prgPlay->isEnabled());
    waitUntil([] { return false; }, 500);
    const size_t stoppedAt = server.heard().size();
    waitUntil([] { return false; }, 500);
    EXPECT_LT(SoundServer::loud(server.heard(), stoppedAt), size_t(2000));
    EXPECT_TRUE(fx.dialogs.shown.empty());
}

TEST_F(WindowSound, WithoutAnySoundDeviceTheWindowSaysSoAndEveryCommandStillWorks)
{
    // An ALSA configuration without a default device, and no sound server.
    TempDir alsa;
    const QString config = alsa.write("alsa.conf", "pcm.null { type null }\nctl.null { type hw card 0 }\n");
    qputenv("ALSA_CONFIG_PATH", config.toUtf8());
    qunsetenv("TONEBRIDGE_AUDIO");
    qputenv("PULSE_SERVER", "unix:/nonexistent/pulse/native");
    AppFixture fx;
    TMainFrm &frm = show(fx);
    EXPECT_EQ(fx.dialogs.messages(), QStringList{"No mixer device!"});
    EXPECT_EQ(frm.trkVolume->Value(), 0);
    frm.trkVolume->setValue(70);
    frm.trkVolumeMouseUp();
    frm.MixerMixerChange();
    EXPECT_EQ(frm.trkVolume->Value(), 70);

    QString a = makeMpeg(fx.folder.path(), mpegKind("stereo"), 1.0, "a");
    QString b = makeMpeg(fx.folder.path(), mpegKind("stereo"), 5.0, "b");
    frm.lists().AppendFile(dwMp3ToWav, a, true);
    frm.lists().AppendFile(dwMp3ToWav, b, true);
    click(frm, "btnPlay");
    EXPECT_EQ(frm.state().ActivityState, asPlaying);
    // The null device keeps time, so the first file ends and the next one plays.
    ASSERT_TRUE(waitUntil([&] { return frm.player().PlayIndex() == 1; }, 20000));
    click(frm, "btnPause");
    EXPECT_TRUE(frm.player().IsPaused());
    click(frm, "btnPrevious");
    EXPECT_EQ(frm.player().PlayIndex(), 0);
    click(frm, "btnNext");
    EXPECT_EQ(frm.player().PlayIndex(), 1);
    click(frm, "btnPlay");
    EXPECT_FALSE(frm.player().IsPaused());
    click(frm, "btnStop");
    EXPECT_EQ(frm.state().ActivityState, asIdle);
    EXPECT_EQ(fx.dialogs.messages(), QStringList{"No mixer device!"});
    qunsetenv("ALSA_CONFIG_PATH");
}

} // namespace
