// TGogoTea with the real encoder library: properties, the worker's protocol, bad input,
// _MEMORY input and priorities.
#include "EncoderTestSupport.h"
#include "codecs/EncoderLibrary.h"
#include "encoderlib/Mp3Check.h"
#include "support/WavWriter.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/resource.h>

using namespace tb;
using namespace tb::test;

namespace {

const QString Busy = QString::fromUtf8("エンコード中に設定は変更できません");
const QString BadSettings = QString::fromUtf8("設定に誤りがあります.");
const QString FrequencyText = QString::fromUtf8("Furequencyは1以上です.");
const QString VbrLevelText = QString::fromUtf8("VBRLevelは0～9の範囲です.");

template <typename Fn> QString errorText(Fn &&fn)
{
    try {
        fn();
    } catch (const EGogoTeaError &e) {
        return e.message();
    }
    return {};
}

// Tests that encode give the worker normal priority: under the idle scheduler a machine busy
// with the rest of the suite could starve it.
class GogoTea : public ::testing::Test {
protected:
    void SetUp() override { coreApplication(); }

    QString writeTone(double seconds, const char *name = "in.wav", int channels = 2)
    {
        ToneWave w;
        w.seconds = seconds;
        w.channels = channels;
        const QString p = dir.file(name);
        EXPECT_TRUE(writeBytes(p.toStdString(), toneWaveImage(w)));
        return p;
    }
    // A source long enough that the test acts while it is still being encoded.
    QString longTone() { return writeTone(60, "long.wav"); }

    void startFile(TGogoTea &encoder, const QString &source, const QString &destination)
    {
        encoder.SetSourceFile(source);
        encoder.SetDestinationFile(destination);
        encoder.StartEncode();
    }

    TempDir dir;
};

TEST_F(GogoTea, ConstructionAppliesTheDefaults)
{
    TGogoTea encoder;
    EXPECT_EQ(encoder.BitRate(), 128);
    EXPECT_EQ(encoder.EncodeType(), _JOINT);
    EXPECT_EQ(encoder.Optimization(), (TSetOfUseUnit{_USE_MMX, _USE_3DNOW, _USE_KNI, _USE_EX_3DNOW}));
    EXPECT_EQ(encoder.Optimization().Bits(), 0x0F);
    EXPECT_EQ(encoder.Emphasis(), _NO_EMPH);
    EXPECT_EQ(encoder.Processors(), 1);
    EXPECT_FALSE(encoder.UsePsyAnalize());
    EXPECT_FALSE(encoder.UseLPF());
    EXPECT_FALSE(encoder.UseVBR());
    EXPECT_EQ(encoder.VBRLevel(), 5);
    EXPECT_TRUE(encoder.SourceFile().isEmpty());
    EXPECT_TRUE(encoder.DestinationFile().isEmpty());
    EXPECT_EQ(encoder.Priority(), tpIdle);
    EXPECT_EQ(encoder.Frequency(), 100);
    EXPECT_EQ(encoder.EncodeMode(), _FILE);
    EXPECT_EQ(encoder.AllFrames(), 0);
    EXPECT_EQ(encoder.EncodeResult(), 0);
    EXPECT_FALSE(encoder.IsEncoding());
}

TEST_F(GogoTea, ApplyDefaultsResetsChangedSettings)
{
    TGogoTea encoder;
    encoder.SetBitRate(320);
    encoder.SetEncodeType(_MONO);
    encoder.SetOptimization({});
    encoder.SetEmphasis(_CCITT_EMPH);
    encoder.SetProcessors(4);
    encoder.SetUsePsyAnalize(true);
    encoder.SetUseLPF(true);
    encoder.SetUseVBR(true);
    encoder.SetVBRLevel(0);
    encoder.SetSourceFile("a.wav");
    encoder.SetDestinationFile("a.mp3");
    encoder.SetPriority(tpHigher);
    encoder.SetFrequency(7);
    encoder.SetEncodeMode(_MEMORY);
    encoder.ApplyDefaults();
    EXPECT_EQ(encoder.BitRate(), 128);
    EXPECT_EQ(encoder.EncodeType(), _JOINT);
    EXPECT_EQ(encoder.Optimization().Bits(), 0x0F);
    EXPECT_EQ(encoder.Emphasis(), _NO_EMPH);
    EXPECT_EQ(encoder.Processors(), 1);
    EXPECT_FALSE(encoder.UsePsyAnalize() || encoder.UseLPF() || encoder.UseVBR());
    EXPECT_EQ(encoder.VBRLevel(), 5);
    EXPECT_TRUE(encoder.SourceFile().isEmpty() && encoder.DestinationFile().isEmpty());
    EXPECT_EQ(encoder.Priority(), tpIdle);
    EXPECT_EQ(encoder.Frequency(), 100);
    EXPECT_EQ(encoder.EncodeMode(), _FILE);
}

TEST_F(GogoTea, RangeCheckedSettersKeepTheOldValueAndSayWhy)
{
    TGogoTea encoder;
    struct Case {
        std::function<void()> set;
        QString text;
    };
    const Case cases[] = {
        {[&] { encoder.SetFrequency(0); }, FrequencyText},  {[&] { encoder.SetFrequency(-5); }, FrequencyText},
        {[&] { encoder.SetVBRLevel(-1); }, VbrLevelText},   {[&] { encoder.SetVBRLevel(10); }, VbrLevelText},
        {[&] { encoder.SetFrequency(1); }, QString()},      {[&] { encoder.SetVBRLevel(0); }, QString()},
        {[&] { encoder.SetVBRLevel(9); }, QString()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(errorText(c.set), c.text);
    EXPECT_EQ(encoder.Frequency(), 1);
    EXPECT_EQ(encoder.VBRLevel(), 9);
}

TEST_F(GogoTea, NormalEncodingReportsEveryIntervalThenTheEndThenOneFinish)
{
    TGogoTea encoder;
    EncoderEvents events;
    events.attach(encoder);
    encoder.SetPriority(tpNormal);
    encoder.SetFrequency(10);
    encoder.SetBitRate(192);
    encoder.SetEncodeType(_STEREO);
    const QString out = dir.file("out.mp3");
    startFile(encoder, writeTone(3), out);
    EXPECT_TRUE(encoder.IsEncoding());
    const int all = encoder.AllFrames();
    EXPECT_EQ(all, (3 * 44100 + 1151) / 1152);

    ASSERT_TRUE(processUntil([&] { return events.finished(); }));
    processFor(200);
    std::vector<EncoderEvents::Progress> expected{{0, all}};
    for (int n = 10; n < all; n += 10)
        expected.push_back({n, all});
    expected.push_back({all, all});
    EXPECT_EQ(events.progress, expected);
    EXPECT_EQ(events.finishes, std::vector<bool>{false});
    EXPECT_TRUE(events.errors.empty());
    EXPECT_EQ(events.order.back(), "finish");
    EXPECT_FALSE(events.senderWrong);
    EXPECT_FALSE(encoder.IsEncoding());
    EXPECT_EQ(encoder.EncodeResult(), 0);

    const DecodedMp3 d = decodeMp3(out.toStdString());
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.bitrates, std::set<int>{192});
    EXPECT_EQ(d.modes, std::set<int>{MPG123_M_STEREO});
    EXPECT_NEAR(toneFrequency(d.left, d.rate), 1000.0, 10.0);
}

TEST_F(GogoTea, SettingsReachTheOutputAsTheBatchSetsThem)
{
    struct Case {
        int bitRate;
        TEncodeType type;
        int mode;
    };
    const Case cases[] = {{320, _STEREO, MPG123_M_STEREO}, {32, _MONO, MPG123_M_MONO},
                          {128, _DUALCHANNEL, MPG123_M_DUAL}, {112, _JOINT, MPG123_M_JOINT}};
    TGogoTea encoder;
    EncoderEvents events;
    events.attach(encoder);
    encoder.SetPriority(tpNormal);
    const QString in = writeTone(1);
    for (const Case &c : cases) {
        const size_t before = events.finishes.size();
        encoder.SetBitRate(c.bitRate);
        encoder.SetEncodeType(c.type);
        const QString out = dir.file(QString("out%1.mp3").arg(c.bitRate));
        startFile(encoder, in, out);
        ASSERT_TRUE(processUntil([&] { return events.finishes.size() > before; }));
        const DecodedMp3 d = decodeMp3(out.toStdString());
        ASSERT_TRUE(d.ok) << d.error;
        EXPECT_EQ(d.bitrates, std::set<int>{c.bitRate});
        EXPECT_EQ(d.modes, std::set<int>{c.mode});
    }
    EXPECT_EQ(events.finishes, std::vector<bool>(std::size(cases), false));
}

TEST_F(GogoTea, AbortWhileEncodingFinishesAbortedWithoutError)
{
    TGogoTea encoder;
    EncoderEvents events;
    events.attach(encoder);
    encoder.SetPriority(tpNormal);
    encoder.SetFrequency(1);
    startFile(encoder, longTone(), dir.file("out.mp3"));
    ASSERT_TRUE(processUntil([&] { return !events.progress.empty(); }));
    encoder.AbortEncode();
    EXPECT_TRUE(encoder.IsEncoding()) << "until the worker reports";
    ASSERT_TRUE(processUntil([&] { return events.finished(); }));
    processFor(300);
    EXPECT_EQ(events.finishes, std::vector<bool>{true});
    EXPECT_TRUE(events.errors.empty());
    EXPECT_LT(events.progress.back().now, encoder.AllFrames());
    EXPECT_FALSE(encoder.IsEncoding());

    // The encoder is ready for the next file.
    const size_t before = events.count();
    startFile(encoder, writeTone(1), dir.file("next.mp3"));
    ASSERT_TRUE(processUntil([&] { return events.finishes.size() == 2; }));
    EXPECT_EQ(events.finishes.back(), false);
    EXPECT_GT(events.count(), before);
    EXPECT_TRUE(decodeMp3(dir.file("next.mp3").toStdString()).ok);
}

TEST_F(GogoTea, AbortWhileIdleDoesNothing)
{
    TGogoTea encoder;
    EncoderEvents events;
    events.attach(encoder);
    encoder.SetPriority(tpNormal);
    encoder.AbortEncode();
    processFor(300);
    EXPECT_EQ(events.count(), 0u);
    // Nor after an encoding has ended.
    startFile(encoder, writeTone(0.5), dir.file("out.mp3"));
    ASSERT_TRUE(processUntil([&] { return events.finished(); }));
    const size_t after = events.count();
    encoder.AbortEncode();
    processFor(300);
    EXPECT_EQ(events.count(), after);
}

TEST_F(GogoTea, SecondStartWhileEncodingRaisesAndChangesNothing)
{
    TGogoTea encoder;
    EncoderEvents events;
    events.attach(encoder);
    encoder.SetPriority(tpNormal);
    encoder.SetFrequency(50);
    startFile(encoder, longTone(), dir.file("out.mp3"));
    EXPECT_EQ(errorText([&] { encoder.StartEncode(); }), Busy);
    EXPECT_EQ(errorText([&] { encoder.PrepareEncode(); }), Busy);
    EXPECT_TRUE(encoder.IsEncoding());
    encoder.AbortEncode();
    ASSERT_TRUE(processUntil([&] { return events.finished(); }));
    processFor(200);
    EXPECT_EQ(events.finishes.size(), 1u);
}

TEST_F(GogoTea, SettersRefuseChangesWhileEncodingExceptPriority)
{
    TGogoTea encoder;
    EncoderEvents events;
    events.attach(encoder);
    encoder.SetPriority(tpNormal);
    startFile(encoder, longTone(), dir.file("out.mp3"));
    const std::function<void()> setters[] = {
        [&] { encoder.SetSourceFile("x.wav"); },      [&] { encoder.SetDestinationFile("x.mp3"); },
        [&] { encoder.SetProcessors(2); },            [&] { encoder.SetEmphasis(_5015MS_EMPH); },
        [&] { encoder.SetOptimization({}); },         [&] { encoder.SetEncodeType(_MONO); },
        [&] { encoder.SetBitRate(64); },              [&] { encoder.SetFrequency(0); },
        [&] { encoder.SetUsePsyAnalize(true); },      [&] { encoder.SetUseLPF(true); },
        [&] { encoder.SetUseVBR(true); },             [&] { encoder.SetVBRLevel(11); },
        [&] { encoder.SetEncodeMode(_MEMORY); },
    };
    for (const auto &set : setters)
        EXPECT_EQ(errorText(set), Busy);
    EXPECT_EQ(encoder.BitRate(), 128);
    EXPECT_EQ(errorText([&] { encoder.SetPriority(tpLower); }), QString());
    EXPECT_EQ(encoder.Priority(), tpLower);
    encoder.AbortEncode();
    ASSERT_TRUE(processUntil([&] { return events.finished(); }));
    EXPECT_EQ(errorText([&] { encoder.SetBitRate(64); }), QString());
}

TEST_F(GogoTea, NothingIsReportedWhileSuspendedAndTheEncodingHoldsItsPlace)
{
    TGogoTea encoder;
    EncoderEvents events;
    events.attach(encoder);
    encoder.SetPriority(tpNormal);
    encoder.SetFrequency(1);
    const QString out = dir.file("out.mp3");
    startFile(encoder, longTone(), out);
    ASSERT_TRUE(processUntil([&] { return events.progress.size() >= 3; }));
    encoder.SuspendEncode();
    const size_t atSuspend = events.count();
    processFor(500);
    EXPECT_EQ(events.count(), atSuspend);
    EXPECT_TRUE(encoder.IsEncoding());
    // A second suspension and a resume of a running encoding change nothing.
    encoder.SuspendEncode();
    encoder.ResumeEncode();
    encoder.ResumeEncode();
    ASSERT_TRUE(processUntil([&] { return events.finished(); }));
    processFor(200);

    // Every frame was reported once, in order, across the pause.
    const int all = encoder.AllFrames();
    ASSERT_EQ(events.progress.size(), static_cast<size_t>(all) + 1);
    for (int i = 0; i <= all; ++i)
        EXPECT_EQ(events.progress[i], (EncoderEvents::Progress{i, all})) << i;
    EXPECT_EQ(events.finishes, std::vector<bool>{false});
    const DecodedMp3 d = decodeMp3(out.toStdString());
    ASSERT_TRUE(d.ok);
    EXPECT_LE(std::abs(d.samples() - 60 * 44100), 1152 + 1105);
}

TEST_F(GogoTea, TheBatchEndsAResumedIdleEncoderQuietly)
{
    // At the end of a batch the program resumes and aborts an encoder that has finished.
    TGogoTea encoder;
    EncoderEvents events;
    events.attach(encoder);
    encoder.SetPriority(tpNormal);
    startFile(encoder, writeTone(0.5), dir.file("out.mp3"));
    ASSERT_TRUE(processUntil([&] { return events.finished(); }));
    const size_t after = events.count();
    encoder.ResumeEncode();
    encoder.AbortEncode();
    processFor(300);
    EXPECT_EQ(events.count(), after);
}

TEST_F(GogoTea, ASecondInstanceSharesTheLoadedLibrary)
{
    ASSERT_EQ(EncoderLibrary::LoadCount(), 0);
    auto first = std::make_unique<TGogoTea>();
    EXPECT_EQ(EncoderLibrary::LoadCount(), 1);
    {
        // The path is not looked at again: the loaded library is shared.
        TGogoTea second(nullptr, dir.file("no-such-library.so"));
        EXPECT_EQ(EncoderLibrary::LoadCount(), 2);
        EXPECT_EQ(second.VersionCode(), first->VersionCode());
    }
    EXPECT_EQ(EncoderLibrary::LoadCount(), 1);
    EncoderEvents events;
    events.attach(*first);
    first->SetPriority(tpNormal);
    startFile(*first, writeTone(1), dir.file("out.mp3"));
    ASSERT_TRUE(processUntil([&] { return events.finished(); }));
    EXPECT_EQ(events.finishes, std::vector<bool>{false});
    first.reset();
    EXPECT_EQ(EncoderLibrary::LoadCount(), 0);
}

TEST_F(GogoTea, VersionAndUnitStatesComeFromTheLibrary)
{
    TGogoTea encoder;
    EXPECT_EQ(encoder.VersionCode(), 0x00030600u);
    EXPECT_TRUE(encoder.VersionString().startsWith("Tonebridge encoder 3.6 (LAME ")) << encoder.VersionString().toStdString();
    uint32_t states = 0;
    EncoderLibrary::Api().getUnitStates(&states);
    EXPECT_EQ(encoder.UnitStates(), states);
}

// --- Bad input ---------------------------------------------------------------------------

struct BadFile {
    const char *name;
    std::vector<uint8_t> (*image)();
    bool destinationInMissingFolder;
};

std::vector<uint8_t> textFile() { return {'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v', 'e'}; }
// Cut inside the format chunk (a file cut inside its samples is encoded up to its end).
std::vector<uint8_t> truncatedWave()
{
    auto b = toneWaveImage(ToneWave{});
    b.resize(30);
    return b;
}
std::vector<uint8_t> silentWave() { return waveImage(ToneWave{}, {}); }
std::vector<uint8_t> compressedWave()
{
    ToneWave w;
    w.formatTag = 0x11; // IMA ADPCM
    w.bits = 4;
    w.channels = 2;
    return waveImage(w, std::vector<uint8_t>(4096, 0x55));
}
std::vector<uint8_t> goodWave() { return toneWaveImage(ToneWave{}); }

class GogoTeaBadInput : public GogoTea, public ::testing::WithParamInterface<BadFile> {};

TEST_P(GogoTeaBadInput, RaisesTheSettingsErrorAndTheNextEncodingWorks)
{
    TGogoTea encoder;
    EncoderEvents events;
    events.attach(encoder);
    encoder.SetPriority(tpNormal);
    const QString in = dir.file("in.wav");
    ASSERT_TRUE(writeBytes(in.toStdString(), GetParam().image()));
    const QString out = GetParam().destinationInMissingFolder ? dir.file("missing/out.mp3") : dir.file("out.mp3");
    EXPECT_EQ(errorText([&] { startFile(encoder, in, out); }), BadSettings);
    EXPECT_FALSE(encoder.IsEncoding());
    EXPECT_NE(encoder.EncodeResult(), 0);
    processFor(200);
    EXPECT_EQ(events.count(), 0u);
    EXPECT_FALSE(QFile::exists(out));

    startFile(encoder, writeTone(0.5, "good.wav"), dir.file("good.mp3"));
    ASSERT_TRUE(processUntil([&] { return events.finished(); }));
    EXPECT_EQ(events.finishes, std::vector<bool>{false});
    EXPECT_TRUE(decodeMp3(dir.file("good.mp3").toStdString()).ok);
}

INSTANTIATE_TEST_SUITE_P(Files, GogoTeaBadInput,
                         ::testing::Values(BadFile{"notWave", textFile, false}, BadFile{"truncated", truncatedWave, false},
                                           BadFile{"noSamples", silentWave, false},
                                           BadFile{"compressed", compressedWave, false},
                                           BadFile{"destinationInMissingFolder", goodWave, true}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(GogoTea, AReadErrorWhileEncodingGivesOnErrorThenOnFinishAborted)
{
    TGogoTea encoder;
    EncoderEvents events;
    events.attach(encoder);
    encoder.SetPriority(tpNormal);
    encoder.SetFrequency(1);
    const QString in = longTone();
    startFile(encoder, in, dir.file("out.mp3"));
    ASSERT_TRUE(processUntil([&] { return !events.progress.empty(); }));
    encoder.SuspendEncode();
    ASSERT_TRUE(QFile::resize(in, 100)); // the source loses its samples under the encoder
    encoder.ResumeEncode();
    ASSERT_TRUE(processUntil([&] { return events.finished(); }));
    processFor(200);
    EXPECT_EQ(events.errors, std::vector<int>{MPGE_ERR_READ});
    EXPECT_EQ(events.finishes, std::vector<bool>{true});
    ASSERT_GE(events.order.size(), 2u);
    EXPECT_EQ(events.order[events.order.size() - 2], "error");
    EXPECT_EQ(events.order.back(), "finish");
    EXPECT_EQ(encoder.EncodeResult(), MPGE_ERR_READ);
    EXPECT_FALSE(encoder.IsEncoding());
}

TEST_F(GogoTea, DestroyingASuspendedEncoderEndsItsWorker)
{
    const QString out = dir.file("out.mp3");
    {
        TGogoTea encoder;
        EncoderEvents events;
        events.attach(encoder);
    encoder.SetPriority(tpNormal);
        encoder.SetFrequency(1);
        startFile(encoder, longTone(), out);
        ASSERT_TRUE(processUntil([&] { return !events.progress.empty(); }));
        encoder.SuspendEncode();
    }
    EXPECT_EQ(EncoderLibrary::LoadCount(), 0);
    TGogoTea next;
    EncoderEvents events;
    events.attach(next);
    next.SetPriority(tpNormal);
    startFile(next, writeTone(0.5), out);
    ASSERT_TRUE(processUntil([&] { return events.finished(); }));
    EXPECT_EQ(events.finishes, std::vector<bool>{false});
}

// --- _MEMORY input ------------------------------------------------------------------------

TEST_F(GogoTea, MemoryInputEncodesWhatWasWritten)
{
    TGogoTea encoder;
    EncoderEvents events;
    events.attach(encoder);
    encoder.SetPriority(tpNormal);
    encoder.SetEncodeMode(_MEMORY);
    const QString out = dir.file("memory.mp3");
    encoder.SetDestinationFile(out);
    encoder.PrepareEncode();
    EXPECT_EQ(encoder.AllFrames(), 0) << "the length is not known";

    ToneWave w;
    const std::vector<uint8_t> pcm = toneSamples(w);
    const int half = static_cast<int>(pcm.size() / 2) & ~3;
    EXPECT_EQ(encoder.WriteInput(pcm.data(), half), half);
    encoder.StartEncode();
    processFor(100);
    EXPECT_FALSE(events.finished()) << "waits for the rest of the input";
    EXPECT_EQ(encoder.WriteInput(pcm.data() + half, static_cast<int>(pcm.size()) - half),
              static_cast<int>(pcm.size()) - half);
    encoder.EndInput();
    ASSERT_TRUE(processUntil([&] { return events.finished(); }));
    EXPECT_EQ(events.finishes, std::vector<bool>{false});

    const DecodedMp3 d = decodeMp3(out.toStdString());
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.rate, 44100);
    EXPECT_EQ(d.channels, 2);
    EXPECT_LE(std::abs(d.samples() - w.frames()), 1152 + 1105);
    EXPECT_NEAR(toneFrequency(d.left, d.rate), w.frequency, 10.0);
    EXPECT_NEAR(rmsDb(d.left), sineDb(w.level), 1.0);
}

TEST_F(GogoTea, MemoryRingBufferTakesNoMoreThanItHolds)
{
    TGogoTea encoder;
    std::vector<uint8_t> block(TGogoTea::RingBufferSize - 100, 1);
    EXPECT_EQ(encoder.WriteInput(block.data(), static_cast<int>(block.size())), static_cast<int>(block.size()));
    EXPECT_EQ(encoder.WriteInput(block.data(), 1000), 100);
    EXPECT_EQ(encoder.WriteInput(block.data(), 1000), 0);
    EXPECT_EQ(encoder.WriteInput(block.data(), -5), 0);
}

TEST_F(GogoTea, MemoryInputWaitingForDataCanBeSuspendedAndAborted)
{
    TGogoTea encoder;
    EncoderEvents events;
    events.attach(encoder);
    encoder.SetPriority(tpNormal);
    encoder.SetEncodeMode(_MEMORY);
    encoder.SetDestinationFile(dir.file("memory.mp3"));
    encoder.PrepareEncode();
    encoder.StartEncode();
    ASSERT_TRUE(processUntil([&] { return !events.progress.empty(); }));
    encoder.SuspendEncode(); // returns although the worker waits inside the library for input
    encoder.ResumeEncode();
    encoder.AbortEncode();
    ASSERT_TRUE(processUntil([&] { return events.finished(); }));
    EXPECT_EQ(events.finishes, std::vector<bool>{true});
    EXPECT_TRUE(events.errors.empty());
}

TEST_F(GogoTea, MemoryInputNeedsAPreparation)
{
    TGogoTea encoder;
    EncoderEvents events;
    events.attach(encoder);
    encoder.SetPriority(tpNormal);
    encoder.SetEncodeMode(_MEMORY);
    encoder.StartEncode(); // nothing prepared: the library refuses the first frame
    ASSERT_TRUE(processUntil([&] { return events.finished(); }));
    EXPECT_EQ(events.errors, std::vector<int>{MPGE_ERR_STATE});
    EXPECT_EQ(events.finishes, std::vector<bool>{true});
}

// --- Priorities ---------------------------------------------------------------------------

struct ThreadPolicies {
    int idle = 0;          // threads under SCHED_IDLE
    std::vector<int> nice; // nice values of the others
};

ThreadPolicies threadPolicies()
{
    ThreadPolicies p;
    for (const QString &task : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const pid_t tid = task.toInt();
        if (sched_getscheduler(tid) == SCHED_IDLE)
            ++p.idle;
        else
            p.nice.push_back(getpriority(PRIO_PROCESS, static_cast<id_t>(tid)));
    }
    return p;
}

TEST_F(GogoTea, WorkerIdlesUnderTheIdleSchedulerAndTakesThePriorityAtOnce)
{
    const int idleBefore = threadPolicies().idle;
    TGogoTea encoder;
    ASSERT_TRUE(processUntil([&] { return threadPolicies().idle == idleBefore + 1; }));
    encoder.SetPriority(tpLowest);
    ThreadPolicies p = threadPolicies();
    EXPECT_EQ(p.idle, idleBefore);
    EXPECT_EQ(std::count(p.nice.begin(), p.nice.end(), 10), 1);

    // While encoding the worker runs at Priority, and afterwards it idles again.
    EncoderEvents events;
    events.attach(encoder);
    encoder.SetFrequency(1);
    encoder.SetPriority(tpLower);
    startFile(encoder, longTone(), dir.file("out.mp3"));
    ASSERT_TRUE(processUntil([&] { return !events.progress.empty(); }));
    p = threadPolicies();
    EXPECT_EQ(p.idle, idleBefore);
    EXPECT_EQ(std::count(p.nice.begin(), p.nice.end(), 5), 1);
    encoder.AbortEncode();
    ASSERT_TRUE(processUntil([&] { return events.finished(); }));
    EXPECT_EQ(threadPolicies().idle, idleBefore + 1);
}

// --- Loading --------------------------------------------------------------------------------

TEST_F(GogoTea, AMissingLibraryIsLost)
{
    ASSERT_EQ(EncoderLibrary::LoadCount(), 0);
    EXPECT_EQ(errorText([&] { TGogoTea encoder(nullptr, dir.file("encoder.so")); }), "Lost encoder.so!");
    EXPECT_EQ(EncoderLibrary::LoadCount(), 0);
    // A file that is no library at all.
    const QString junk = dir.write("junk.so", "not a shared object");
    EXPECT_EQ(errorText([&] { TGogoTea encoder(nullptr, junk); }), "Lost encoder.so!");
    EXPECT_EQ(EncoderLibrary::LoadCount(), 0);
}

} // namespace
