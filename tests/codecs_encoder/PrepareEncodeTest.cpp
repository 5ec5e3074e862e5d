// What TGogoTea sends to its library, seen through a recording stand-in library, and how it
// takes the library's answers.
#include "EncoderRecorder.h"
#include "EncoderTestSupport.h"
#include "codecs/EncoderLibrary.h"
#include "platform/FileSystem.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <unistd.h>
#include <utility>
#include <vector>

using namespace tb;
using namespace tb::test;

namespace {

using Item = EncoderRecorder::Item;


class PrepareEncode : public ::testing::Test {
protected:
    void SetUp() override
    {
        coreApplication();
        ASSERT_TRUE(recorder.ok());
    }
    std::unique_ptr<TGogoTea> makeEncoder()
    {
        auto encoder = std::make_unique<TGogoTea>(nullptr, besideTests(EncoderRecorder::Name));
        encoder->SetPriority(tpNormal); // an idle worker could starve on a fully loaded machine
        return encoder;
    }
    EncoderRecorder recorder;
};

QString errorText(const std::function<void()> &fn)
{
    try {
        fn();
    } catch (const EGogoTeaError &e) {
        return e.message();
    }
    return {};
}

TEST_F(PrepareEncode, SendsTheItemsInOrder)
{
    recorder.setup(MU_MMX | MU_3DNOW | MU_SSE | MU_E3DNOW);
    auto encoder = makeEncoder();
    encoder->SetSourceFile("in.wav");
    encoder->SetDestinationFile("out.mp3");
    encoder->SetBitRate(256);
    encoder->SetEncodeType(_DUALCHANNEL);
    encoder->SetUsePsyAnalize(true);
    encoder->SetEmphasis(_5015MS_EMPH);
    encoder->PrepareEncode();
    const std::vector<Item> expected{{MC_INPUTFILE, MC_INPDEV_FILE}, {MC_OUTPUTFILE, 0}, {MC_USEPSY, 1},
                                     {MC_BITRATE, 256},  {MC_USELPF16, 0}, {MC_USEMMX, 1},
                                     {MC_USE3DNOW, 1},   {MC_USEKNI, 1},   {MC_USEE3DNOW, 1},
                                     {MC_USESPC1, 0},    {MC_USESPC2, 0},  {MC_EMPHASIS, 1},
                                     {MC_ENCODEMODE, 4}};
    EXPECT_EQ(recorder.items(), expected);
    EXPECT_EQ(encoder->AllFrames(), 3);
}

TEST_F(PrepareEncode, VbrItemOnlyWhenVbrIsUsed)
{
    recorder.setup(0);
    auto encoder = makeEncoder();
    encoder->SetVBRLevel(7);
    encoder->PrepareEncode();
    auto items = recorder.items();
    EXPECT_EQ(std::count_if(items.begin(), items.end(), [](const Item &i) { return i.first == MC_VBR; }), 0);

    encoder = makeEncoder();
    encoder->SetUseVBR(true);
    encoder->SetVBRLevel(7);
    encoder->SetUseLPF(true);
    encoder->PrepareEncode();
    items = recorder.items();
    ASSERT_GE(items.size(), 6u);
    EXPECT_EQ(items[4], (Item{MC_USELPF16, 1}));
    EXPECT_EQ(items[5], (Item{MC_VBR, 7}));
}

TEST_F(PrepareEncode, UnitsTheProcessorLacksAreSwitchedOff)
{
    struct Case {
        uint32_t states;
        TSetOfUseUnit asked;
        int32_t mmx, amd3dnow, kni, e3dnow, spc1, spc2;
    };
    const Case cases[] = {
        {MU_MMX | MU_SSE, {_USE_MMX, _USE_3DNOW, _USE_KNI, _USE_EX_3DNOW}, 1, 0, 1, 0, 0, 0},
        {MU_MMX, {_USE_MMX, _USE_KNI}, 1, 0, 0, 0, 0, 0},
        {MU_3DNOW | MU_E3DNOW, {_USE_3DNOW, _USE_EX_3DNOW, _USE_SPC1}, 0, 1, 0, 1, 1, 0},
        {MU_MMX | MU_3DNOW | MU_SSE | MU_E3DNOW, {_USE_SPC2}, 0, 0, 0, 0, 0, 1},
        {0, {_USE_MMX, _USE_3DNOW, _USE_KNI, _USE_EX_3DNOW, _USE_SPC1, _USE_SPC2}, 0, 0, 0, 0, 1, 1},
    };
    for (const Case &c : cases) {
        recorder.setup(c.states);
        auto encoder = makeEncoder();
        encoder->SetOptimization(c.asked);
        encoder->PrepareEncode();
        const auto items = recorder.items();
        const std::vector<Item> units(items.begin() + 5, items.begin() + 11);
        const std::vector<Item> expected{{MC_USEMMX, c.mmx},    {MC_USE3DNOW, c.amd3dnow}, {MC_USEKNI, c.kni},
                                         {MC_USEE3DNOW, c.e3dnow}, {MC_USESPC1, c.spc1},   {MC_USESPC2, c.spc2}};
        EXPECT_EQ(units, expected) << c.states;
        EXPECT_EQ(encoder->Optimization(), c.asked) << "the property keeps what was asked";
    }
}

TEST_F(PrepareEncode, EmphasisAndModeValues)
{
    const std::pair<TEmphasis, int32_t> emphases[] = {{_NO_EMPH, 0}, {_5015MS_EMPH, 1}, {_CCITT_EMPH, 3}};
    const std::pair<TEncodeType, int32_t> modes[] = {{_MONO, 0}, {_STEREO, 1}, {_JOINT, 2}, {_MSSTEREO, 3}, {_DUALCHANNEL, 4}};
    recorder.setup(0);
    for (auto [emphasis, value] : emphases) {
        auto encoder = makeEncoder();
        encoder->SetEmphasis(emphasis);
        encoder->PrepareEncode();
        EXPECT_EQ(recorder.items()[11], (Item{MC_EMPHASIS, value}));
    }
    for (auto [mode, value] : modes) {
        auto encoder = makeEncoder();
        encoder->SetEncodeType(mode);
        encoder->PrepareEncode();
        EXPECT_EQ(recorder.items()[12], (Item{MC_ENCODEMODE, value}));
    }
}

TEST_F(PrepareEncode, MemoryModeDescribesTheRingBufferInput)
{
    recorder.setup(0);
    auto encoder = makeEncoder();
    encoder->SetEncodeMode(_MEMORY);
    encoder->PrepareEncode();
    EXPECT_EQ(recorder.items()[0], (Item{MC_INPUTFILE, MC_INPDEV_USERFUNC}));
    // Prepared once: a second preparation is refused until the encoding has run.
    EXPECT_EQ(errorText([&] { encoder->PrepareEncode(); }), QString::fromUtf8("エンコード中に設定は変更できません"));
}

TEST_F(PrepareEncode, LibraryFailuresBecomeTheirTexts)
{
    recorder.setup(0, /*init*/ 1);
    auto encoder = makeEncoder();
    EXPECT_EQ(errorText([&] { encoder->PrepareEncode(); }), QString::fromUtf8("FPUがありません"));
    EXPECT_EQ(encoder->EncodeResult(), 1);

    recorder.setup(0, 0, /*detect*/ 4);
    EXPECT_EQ(errorText([&] { encoder->StartEncode(); }), QString::fromUtf8("設定に誤りがあります."));
    EXPECT_EQ(encoder->EncodeResult(), 4);
    EXPECT_FALSE(encoder->IsEncoding());

    // Neither failure leaves the encoder prepared.
    recorder.setup(0);
    EncoderEvents events;
    events.attach(*encoder);
    encoder->StartEncode();
    ASSERT_TRUE(processUntil([&] { return events.finished(); }));
    EXPECT_EQ(events.finishes, std::vector<bool>{false});
}

TEST_F(PrepareEncode, AnErrorCodeFromAFrameIsReportedThenTheEncodingFinishesAborted)
{
    recorder.setup(0, 0, 0, /*frames*/ 5, /*last*/ 42);
    auto encoder = makeEncoder();
    EncoderEvents events;
    events.attach(*encoder);
    encoder->SetFrequency(1);
    encoder->StartEncode();
    std::vector<bool> encodingAtError;
    encoder->OnError = [&](TGogoTea *, int code) {
        events.errors.push_back(code);
        events.order.push_back("error");
        encodingAtError.push_back(encoder->IsEncoding());
    };
    ASSERT_TRUE(processUntil([&] { return events.finished(); }));
    processFor(200);
    EXPECT_EQ(events.order, (std::vector<std::string>{"progress", "progress", "progress", "progress", "progress",
                                                      "error", "finish"}));
    EXPECT_EQ(events.errors, std::vector<int>{42});
    EXPECT_EQ(events.finishes, std::vector<bool>{true});
    EXPECT_EQ(encoder->EncodeResult(), 42);
    // Until its finish the failed encoding still counts as running: nothing new can start
    // while the worker closes the coder.
    EXPECT_EQ(encodingAtError, std::vector<bool>{true});
}

TEST_F(PrepareEncode, AnEncoderWhoseFrameNeverReturnsIsLeftBehindWhenItIsDestroyed)
{
    recorder.setup(0, 0, 0, /*frames*/ 100);
    int never[2];
    ASSERT_EQ(pipe(never), 0); // nothing is ever written into it
    recorder.holdFrames(never[0]);
    auto encoder = makeEncoder();
    encoder->StartEncode();
    ASSERT_TRUE(processUntil([&] { return recorder.framesInside() == 1; }));
    encoder.reset();
    // The destructor has returned while the worker is still inside its frame, and the library
    // stays loaded for it.
    EXPECT_EQ(recorder.framesInside(), 1);
    EXPECT_EQ(EncoderLibrary::LoadCount(), 1);
}

TEST_F(PrepareEncode, VersionAndUnitStatesAreTheLibrarysAnswers)
{
    recorder.setup(0x2A);
    auto encoder = makeEncoder();
    EXPECT_EQ(encoder->VersionCode(), 0x12345u);
    EXPECT_EQ(encoder->VersionString(), "recorder");
    EXPECT_EQ(encoder->UnitStates(), 0x2Au);
}

TEST_F(PrepareEncode, ALibraryWithoutOneEntryPointIsLostAndLeftUnloaded)
{
    ASSERT_EQ(EncoderLibrary::LoadCount(), 0);
    EXPECT_EQ(errorText([] { TGogoTea encoder(nullptr, besideTests("encoder_partial.so")); }), "Lost encoder.so!");
    EXPECT_EQ(EncoderLibrary::LoadCount(), 0);
    // The loader is not left half-way: a complete library loads afterwards.
    auto encoder = makeEncoder();
    EXPECT_EQ(EncoderLibrary::LoadCount(), 1);
}

} // namespace
