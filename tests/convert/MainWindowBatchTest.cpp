// Batches started with the convert button of the real main window (offscreen), with the real
// codec libraries and scripted dialogs.
#include "audioinfo/AudioInfo.h"
#include "decoderlib/MpegFixtures.h"
#include "lists/ConversionLists.h"
#include "codecs/GogoTea.h"
#include "support/AppFixture.h"
#include "support/EventWait.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"
#include "toolkit/CheckListBox.h"
#include "skin/MorphButton.h"

#include "platform/PathBytes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tb;
using namespace tb::test;

namespace {

class MainWindowBatch : public ::testing::Test, public AppFixture {
protected:
    void SetUp() override { QDir().mkpath(folder.file("src")); }

    TMainFrm &start(const QByteArray &settings = {})
    {
        if (!settings.isEmpty())
            folder.write(QFileInfo(settingsFile()).fileName(), "[Options]\r\n" + settings);
        TMainFrm &frm = create();
        // The idle-priority worker could starve behind the other tests running beside this one.
        frm.Encoder().SetPriority(tpNormal);
        frm.show();
        return frm;
    }
    void add(TMainFrm &frm, int32_t doWhat, const QString &path) { frm.lists().AppendFile(doWhat, path, true); }
    void convert(TMainFrm &frm, bool answer)
    {
        dialogs.confirmAnswers.push_back(answer);
        frm.button("btnConvert")->click();
    }
    // Lets the batch run; the guard only keeps a broken build from hanging the suite.
    void waitForIdle(TMainFrm &frm)
    {
        waitUntil([&] { return frm.state().ActivityState != asConverting; });
        ASSERT_EQ(frm.state().ActivityState, asIdle);
    }
    QString mpeg(const MpegKind &kind, double seconds)
    {
        QString path = makeMpeg(folder.file("src/"), kind, seconds);
        EXPECT_FALSE(path.isEmpty());
        return path;
    }
    QString pipe(const QString &name)
    {
        const QString path = folder.file("src/" + name);
        EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        return path;
    }
    // Every name in a folder, hidden ones included.
    QStringList names(const QString &subfolder) const
    {
        return QDir(folder.file(subfolder))
            .entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }
    static double gainDb(const WavFile &out, const Pcm &reference)
    {
        return 20 * std::log10(rms(out.samples) / rms(reference.samples));
    }
};

TEST_F(MainWindowBatch, DefaultOptionsWriteTheDecodeFiveDecibelsDownAndReturnToIdle)
{
    TMainFrm &frm = start();
    const MpegKind monoMpeg2{"mono_mpeg2", 22050, 1, "lame --quiet -m m -b 32 {in} {out}"};
    QStringList sources = {mpeg(mpegKind("stereo"), 2.0), mpeg(mpegKind("layer2"), 1.0), mpeg(monoMpeg2, 1.0)};
    for (const QString &s : sources)
        add(frm, dwMp3ToWav, s);
    convert(frm, true);
    EXPECT_EQ(frm.state().ActivityState, asConverting);
    EXPECT_FALSE(frm.btnMp3Wav->isEnabled());
    EXPECT_TRUE(frm.labStatus->text().startsWith("Converting to WAV: "));
    waitForIdle(frm);

    EXPECT_EQ(dialogs.messages(), QStringList{"All checked MP3 files have been converted to WAV files!"});
    EXPECT_EQ(shell.opened, QStringList{"folder:" + folder.file("Wav/")});
    EXPECT_EQ(frm.labStatus->text(), "Ready... Show current status here.");
    EXPECT_EQ(frm.labCurrentTime->text(), "00:00:00");
    EXPECT_TRUE(frm.btnMp3Wav->isEnabled());
    EXPECT_TRUE(frm.lstMp3Wav->isCheckBoxEnabled(0));
    for (const QString &s : sources) {
        WavFile out = readWav(folder.file("Wav/") + QFileInfo(s).completeBaseName() + ".wav");
        Pcm reference = referenceDecode(s);
        ASSERT_TRUE(out.valid) << s.toStdString();
        EXPECT_EQ(out.samples.size(), reference.samples.size()) << s.toStdString();
        EXPECT_NEAR(gainDb(out, reference), -5.0, 0.5) << s.toStdString();
    }
}

TEST_F(MainWindowBatch, WithoutNormalizingTheWavIsThePlainDecode)
{
    TMainFrm &frm = start("IsNormalizing=0\r\n");
    QString source = mpeg(mpegKind("stereo"), 1.5);
    add(frm, dwMp3ToWav, source);
    convert(frm, true);
    waitForIdle(frm);
    EXPECT_EQ(readWav(folder.file("Wav/stereo.wav")).samples, referenceDecode(source).samples);
}

TEST_F(MainWindowBatch, StopAnsweredNoResumesTheSameFileAndItCompletes)
{
    TMainFrm &frm = start("IsNormalizing=0\r\n");
    QString source = mpeg(mpegKind("stereo"), 30.0);
    add(frm, dwMp3ToWav, source);
    convert(frm, true);
    convert(frm, false); // the stop question, answered No
    EXPECT_EQ(dialogs.questions().last(), "Are you sure you want to stop converting?");
    EXPECT_EQ(frm.state().ActivityState, asConverting);
    waitForIdle(frm);
    EXPECT_EQ(readWav(folder.file("Wav/stereo.wav")).samples, referenceDecode(source).samples);
    EXPECT_EQ(dialogs.messages(), QStringList{"All checked MP3 files have been converted to WAV files!"});
}

TEST_F(MainWindowBatch, StopAnsweredYesGoesIdleAndOpensTheFolderWithoutTheFinalMessage)
{
    TMainFrm &frm = start();
    add(frm, dwMp3ToWav, mpeg(mpegKind("stereo"), 30.0));
    add(frm, dwMp3ToWav, mpeg(mpegKind("mono"), 1.0));
    convert(frm, true);
    convert(frm, true);
    EXPECT_EQ(frm.state().ActivityState, asIdle);
    // Whatever the decoder still reports about the stopped file changes nothing.
    int ticks = 0;
    waitUntil([&] { return ++ticks > 40; });
    EXPECT_EQ(frm.state().ActivityState, asIdle);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(shell.opened, QStringList{"folder:" + folder.file("Wav/")});
    EXPECT_FALSE(QFileInfo::exists(folder.file("Wav/mono.wav"))) << "the batch did not go on";
}

TEST_F(MainWindowBatch, WavFilesBecomeMp3sWithTheOptionsBitrateAndMode)
{
    TMainFrm &frm = start("Mp3Bitrate=10\r\nMp3Stereo=0\r\n");
    Tone tone;
    tone.frames = 44100;
    writeSineWav(folder.file("src/one.wav"), tone);
    writeFile(folder.file("src/packed.wav"),
              RiffBuilder()
                  .chunk("fmt ", formatChunk(2, 2, 44100, 44100, 1024, 4, 2, QByteArray(2, 0)))
                  .chunk("data", QByteArray(4096, 1))
                  .build());
    tone.channels = 1;
    writeSineWav(folder.file("src/two.wav"), tone);
    for (const char *name : {"one.wav", "packed.wav", "two.wav"})
        add(frm, dwWavToMp3, folder.file(QString("src/") + name));
    frm.btnWavMp3->click();
    ASSERT_EQ(frm.state().DoWhat, dwWavToMp3);
    convert(frm, true);
    EXPECT_EQ(frm.labStatus->text(), "Converting to MP3: one.wav");
    waitForIdle(frm);
    EXPECT_EQ(dialogs.messages(), QStringList{"1 file was not PCM WAV and was passed over"});
    EXPECT_FALSE(QFileInfo::exists(folder.file("Mp3/packed.mp3")));
    for (const char *name : {"one.mp3", "two.mp3"}) {
        TAudioInfo probe;
        probe.LoadFromFile(folder.file("Mp3/") + name);
        ASSERT_GE(probe.FirstFrame, 0) << name;
        EXPECT_EQ(probe.FrameHdr.Bitrate, 192) << name;
        EXPECT_EQ(probe.FrameHdr.ChannelMode(), 3) << name << " is mono";
    }
}

TEST_F(MainWindowBatch, NothingCheckedAsksToCheckAndTheStartQuestionNoStaysIdle)
{
    TMainFrm &frm = start();
    QString source = mpeg(mpegKind("mono"), 0.5);
    add(frm, dwMp3ToWav, source);
    frm.lstMp3Wav->setChecked(0, false);
    frm.button("btnConvert")->click();
    EXPECT_EQ(dialogs.messages(), QStringList{"At least check one item!"});
    frm.lstMp3Wav->setChecked(0, true);
    convert(frm, false);
    EXPECT_EQ(frm.state().ActivityState, asIdle);
    EXPECT_TRUE(frm.lstMp3Wav->isCheckBoxEnabled(0));
    EXPECT_FALSE(QFileInfo::exists(folder.file("Wav/mono.wav")));
}

TEST_F(MainWindowBatch, NamedPipesInBothListsFailAtOnceTheBatchMovesOnAndTheProgramEnds)
{
    TMainFrm &frm = start("IsNormalizing=0\r\n");
    // No program ever opens these pipes for writing.
    add(frm, dwMp3ToWav, pipe("pipe.mp3"));
    const QString source = mpeg(mpegKind("mono"), 1.0);
    add(frm, dwMp3ToWav, source);
    add(frm, dwWavToMp3, pipe("pipe.wav"));
    Tone tone;
    tone.frames = 44100;
    writeSineWav(folder.file("src/tone.wav"), tone);
    add(frm, dwWavToMp3, folder.file("src/tone.wav"));

    convert(frm, true);
    waitForIdle(frm);
    EXPECT_EQ(readWav(folder.file("Wav/mono.wav")).samples, referenceDecode(source).samples);
    frm.btnWavMp3->click();
    convert(frm, true);
    waitForIdle(frm);
    EXPECT_TRUE(QFileInfo::exists(folder.file("Mp3/tone.mp3")));
    EXPECT_EQ(dialogs.messages(), (QStringList{"1 of 2 checked MP3 files could not be converted:\n"
                                               "pipe.mp3: cannot open input file: not a regular file",
                                               "1 of 2 checked WAV files could not be converted:\n"
                                               "pipe.wav: not a regular file"}));
    // Ending the program waits for nothing that is stuck.
    close();
    EXPECT_EQ(names("Wav"), QStringList{"mono.wav"});
    EXPECT_EQ(names("Mp3"), QStringList{"tone.mp3"});
}

TEST_F(MainWindowBatch, ClosingDuringABatchLeavesNoPartialFiles)
{
    {
        TMainFrm &frm = start();
        // Long enough that neither codec could finish before the window goes.
        add(frm, dwMp3ToWav, mpeg(mpegKind("stereo"), 60.0));
        convert(frm, true);
        waitUntil([&] { return frm.labCurrentTime->text() != "00:00:00"; });
        close();
        EXPECT_TRUE(names("Wav").isEmpty()) << names("Wav").join(", ").toStdString();
    }
    {
        TMainFrm &frm = start();
        Tone tone;
        tone.frames = 44100 * 60;
        writeSineWav(folder.file("src/long.wav"), tone);
        add(frm, dwWavToMp3, folder.file("src/long.wav"));
        frm.btnWavMp3->click();
        convert(frm, true);
        waitUntil([&] { return frm.labCurrentTime->text() != "00:00:00"; });
        close();
        EXPECT_TRUE(names("Mp3").isEmpty()) << names("Mp3").join(", ").toStdString();
    }
}

TEST_F(MainWindowBatch, ADiskThatFillsUpLeavesNoPartialWavAndSaysWhy)
{
    TMainFrm &frm = start("IsNormalizing=0\r\n");
    const QString source = mpeg(mpegKind("stereo"), 6.0);
    add(frm, dwMp3ToWav, source);
    QDir().mkpath(folder.file("Wav"));
    const QByteArray earlier("an earlier conversion");
    folder.write("Wav/stereo.wav", earlier);
    {
        FileSizeLimit full(300000);
        dialogs.yesNoAbortAnswers.push_back(Answer::Yes); // overwrite it
        convert(frm, true);
        waitForIdle(frm);
    }
    EXPECT_EQ(TempDir::read(folder.file("Wav/stereo.wav")), earlier);
    EXPECT_EQ(names("Wav"), QStringList{"stereo.wav"});
    EXPECT_EQ(dialogs.messages(), QStringList{"1 of 1 checked MP3 file could not be converted:\n"
                                              "stereo.mp3: cannot write output file: " +
                                              QString::fromLocal8Bit(std::strerror(EFBIG))});
}

TEST_F(MainWindowBatch, ANameThatIsNotUtf8ConvertsUnderItsOwnBytes)
{
    TMainFrm &frm = start("IsNormalizing=0\r\n");
    const QString made = mpeg(mpegKind("mono"), 1.0);
    const QByteArray bytes = QFile::encodeName(folder.file("src/")) + "song\xff\xfe.mp3";
    ASSERT_EQ(::rename(QFile::encodeName(made).constData(), bytes.constData()), 0);
    const QString source = pathFromBytes(bytes.toStdString());
    add(frm, dwMp3ToWav, source);
    EXPECT_EQ(frm.lstMp3Wav->item(0).text.left(6), QString::fromUtf8("song\xef\xbf\xbd\xef\xbf\xbd"));
    convert(frm, true);
    waitForIdle(frm);
    EXPECT_EQ(dialogs.messages(), QStringList{"All checked MP3 files have been converted to WAV files!"});
    const QByteArray wav = QFile::encodeName(folder.file("Wav/")) + "song\xff\xfe.wav";
    struct stat st {};
    EXPECT_EQ(::stat(wav.constData(), &st), 0);
    EXPECT_GT(st.st_size, 44);
}

} // namespace
