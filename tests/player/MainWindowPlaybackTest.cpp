// Playback through the real main window (offscreen) with the real decoder library, heard through
// the capture device, which records every byte the program plays.
#include "codecs/XaudioPlayer.h"
#include "decoderlib/MpegFixtures.h"
#include "lists/ConversionLists.h"
#include "player/PlaybackController.h"
#include "support/AppFixture.h"
#include "support/EventWait.h"
#include "support/HeldThreads.h"
#include "support/WavWriter.h"
#include "toolkit/CheckListBox.h"
#include "skin/MorphButton.h"

#include <QMouseEvent>
#include "skin/BMPSlider.h"
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tb;
using namespace tb::test;

namespace {

class MainWindowPlayback : public ::testing::Test, public AppFixture {
protected:
    QString heard;
    QByteArray audioBefore;

    void SetUp() override
    {
        audioBefore = qgetenv("TONEBRIDGE_AUDIO");
        heard = folder.file("heard.raw");
        qputenv("TONEBRIDGE_AUDIO", ("capture:" + heard).toUtf8());
        QDir().mkpath(folder.file("src"));
    }
    void TearDown() override { qputenv("TONEBRIDGE_AUDIO", audioBefore); }

    TMainFrm &start()
    {
        // The equalizer and the button sounds off, so what is heard is the plain decode.
        folder.write(QFileInfo(settingsFile()).fileName(),
                     "[Options]\r\nIsNormalizing=0\r\nIsActiveSnd=0\r\nIsClickSnd=0\r\n");
        TMainFrm &frm = create();
        frm.show();
        return frm;
    }
    QString mpeg(const char *kind, double seconds, const QString &name)
    {
        QString path = makeMpeg(folder.file("src/"), mpegKind(kind), seconds, name);
        EXPECT_FALSE(path.isEmpty());
        return path;
    }
    std::vector<int16_t> heardSamples() const
    {
        QByteArray bytes = TempDir::read(heard);
        std::vector<int16_t> samples(static_cast<size_t>(bytes.size()) / 2);
        if (!samples.empty())
            std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
        return samples;
    }
    static void press(QWidget *slider, QEvent::Type type)
    {
        QPointF at(slider->width() / 2.0, slider->height() / 2.0);
        QMouseEvent event(type, at, slider->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(slider, &event);
    }
};

TEST_F(MainWindowPlayback, AnMp3ListOfTwoFilesPlaysBothInOrderAndStops)
{
    TMainFrm &frm = start();
    QString first = mpeg("stereo", 1.0, "first");
    QString second = mpeg("stereo", 0.7, "second");
    frm.lists().AppendFile(dwMp3ToWav, first, true);
    frm.lists().AppendFile(dwMp3ToWav, second, true);
    frm.button("btnPlay")->click();
    EXPECT_EQ(frm.state().ActivityState, asPlaying);
    EXPECT_EQ(frm.labStatus->text(), "Playing: first.mp3");
    EXPECT_FALSE(frm.btnMp3Wav->isEnabled());
    EXPECT_TRUE(frm.prgPlay->isEnabled());
    EXPECT_FALSE(frm.lstMp3Wav->isCheckBoxEnabled(0));
    ASSERT_TRUE(waitUntil([&] { return frm.player().PlayIndex() == 1; }, 60000));
    EXPECT_EQ(frm.labStatus->text(), "Playing: second.mp3");
    ASSERT_TRUE(waitUntil([&] { return frm.state().ActivityState == asIdle; }, 60000));

    std::vector<int16_t> expected = referenceDecode(first).samples;
    std::vector<int16_t> then = referenceDecode(second).samples;
    expected.insert(expected.end(), then.begin(), then.end());
    EXPECT_EQ(heardSamples(), expected);
    EXPECT_EQ(frm.labStatus->text(), "Ready... Show current status here.");
    EXPECT_EQ(frm.labDurationTime->text(), "00:00:00");
    EXPECT_EQ(frm.labCurrentTime->text(), "00:00:00");
    EXPECT_EQ(frm.prgPlay->Value(), 0);
    EXPECT_FALSE(frm.prgPlay->isEnabled());
    EXPECT_TRUE(frm.btnMp3Wav->isEnabled());
    EXPECT_TRUE(frm.lstMp3Wav->isCheckBoxEnabled(0));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(MainWindowPlayback, ASeekOnReleaseLandsWhereTheSliderSays)
{
    TMainFrm &frm = start();
    QString long_ = mpeg("stereo", 60.0, "long");
    frm.lists().AppendFile(dwMp3ToWav, long_, true);
    frm.button("btnPlay")->click();
    ASSERT_TRUE(waitUntil([&] { return frm.labCurrentTime->text() != "00:00:00"; }, 60000));
    ASSERT_LT(frm.prgPlay->Value(), 10);

    press(frm.prgPlay, QEvent::MouseButtonPress);
    EXPECT_TRUE(frm.player().IsSliderDragging());
    frm.prgPlay->setValue(60);
    press(frm.prgPlay, QEvent::MouseButtonRelease);
    EXPECT_FALSE(frm.player().IsSliderDragging());
    // The decoder reports where it is after the seek: within 1 % of 60 %.
    // A position reported just before the seek may still arrive after it, so wait for both.
    ASSERT_TRUE(waitUntil(
        [&] { return frm.labCurrentTime->text() >= "00:00:35" && frm.prgPlay->Value() >= 59; }, 60000));
    // Far less has been heard than the 35 seconds the clock shows: the player jumped there.
    EXPECT_LT(heardSamples().size(), size_t(44100 * 2 * 20));
    EXPECT_GE(frm.prgPlay->Value(), 59);
    EXPECT_LE(frm.prgPlay->Value(), 61);
    EXPECT_TRUE(frm.labCurrentTime->text() == "00:00:35" || frm.labCurrentTime->text() == "00:00:36")
        << frm.labCurrentTime->text().toStdString();
    frm.button("btnStop")->click();
    EXPECT_EQ(frm.state().ActivityState, asIdle);
}

TEST_F(MainWindowPlayback, PauseHoldsTheOutputAndPlayResumesIt)
{
    TMainFrm &frm = start();
    frm.lists().AppendFile(dwMp3ToWav, mpeg("stereo", 20.0, "tone"), true);
    frm.button("btnPlay")->click();
    ASSERT_TRUE(waitUntil([&] { return QFileInfo(heard).size() > 0; }, 60000));
    frm.button("btnPause")->click();
    EXPECT_EQ(frm.labStatus->text(), "Paused: tone.mp3");
    // What was queued before the pause may still arrive; after that nothing more is played.
    waitUntil([] { return false; }, 300);
    const qint64 paused = QFileInfo(heard).size();
    waitUntil([] { return false; }, 500);
    EXPECT_EQ(QFileInfo(heard).size(), paused);
    frm.button("btnPlay")->click();
    EXPECT_EQ(frm.labStatus->text(), "Playing: tone.mp3");
    EXPECT_TRUE(waitUntil([&] { return QFileInfo(heard).size() > paused; }, 60000));
    frm.button("btnStop")->click();
    EXPECT_EQ(frm.labStatus->text(), "Ready... Show current status here.");
}

TEST_F(MainWindowPlayback, StopWithTheDecoderLibraryMissingReportsItsErrorOnAnIdleWindow)
{
    TMainFrm &frm = create();
    // The window is not shown, so nothing has loaded the playback decoder's library yet.
    frm.mp3Player().SetXaudioPath(folder.file("nowhere/decoder.so"));
    frm.lists().AppendFile(dwMp3ToWav, mpeg("stereo", 1.0, "tone"), true);
    frm.button("btnPlay")->click();
    EXPECT_EQ(frm.state().ActivityState, asPlaying);
    EXPECT_TRUE(dialogs.shown.empty());
    frm.button("btnStop")->click();
    EXPECT_EQ(frm.state().ActivityState, asIdle);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith("Cannot Load Xaudio DLL (")) << dialogs.messages()[0].toStdString();
    EXPECT_TRUE(frm.btnMp3Wav->isEnabled());
    EXPECT_EQ(frm.labStatus->text(), "Ready... Show current status here.");
}

TEST_F(MainWindowPlayback, TheProgramEndsWhilePlaybackIsHeldByADeviceThatNeverAnswers)
{
    // The sound device writes into named pipes that nobody reads: the first write of each
    // player never comes back.
    auto device = [&](const char *name) {
        const QString path = folder.file(name);
        EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        qputenv("TONEBRIDGE_AUDIO", ("capture:" + path).toUtf8());
        return QFile::encodeName(path).toStdString();
    };
    auto held = [](const std::string &pipe, int threads) {
        return waitUntil([&] { return threadsOpening(pipe) == threads; }, 120000);
    };
    {
        const std::string pipe = device("mp3-device.pipe");
        TMainFrm &frm = start();
        frm.lists().AppendFile(dwMp3ToWav, mpeg("stereo", 20.0, "tone"), true);
        frm.button("btnPlay")->click();
        ASSERT_TRUE(held(pipe, 1));
        close();
        // The playback decoder's thread is left behind, still held.
        EXPECT_EQ(threadsOpening(pipe), 1);
    }
    {
        const std::string pipe = device("wav-device.pipe");
        TMainFrm &frm = start();
        Tone tone;
        tone.frames = 44100 * 20;
        frm.btnWavMp3->click();
        frm.lists().AppendFile(dwWavToMp3, folder.write("src/tone.wav", sineWav(tone)), true);
        frm.button("btnPlay")->click();
        // The tab's click sound holds the interface sounds' channel, the WAV the wave output.
        ASSERT_TRUE(held(pipe, 2));
        close();
        // Both workers are left behind, still held.
        EXPECT_EQ(threadsOpening(pipe), 2);
    }
}

TEST_F(MainWindowPlayback, TheVolumeSliderStartsAtTheNullMixersVolume)
{
    qputenv("TONEBRIDGE_AUDIO", "null");
    TMainFrm &frm = start();
    EXPECT_EQ(frm.trkVolume->Value(), 100);
    EXPECT_TRUE(dialogs.shown.empty());
}

} // namespace
