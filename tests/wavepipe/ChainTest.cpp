#include "platform/Exception.h"
#include "wavepipe/MMDSPComponent.h"
#include "wavepipe/MMErrors.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using namespace tb;

namespace {

WAVEFORMATEX pcm(uint32_t rate, uint16_t channels, uint16_t bits)
{
    const uint16_t align = uint16_t(channels * bits / 8);
    return WAVEFORMATEX{1, channels, rate, rate * align, align, bits, 0};
}

bool sameFormat(const WAVEFORMATEX *a, const WAVEFORMATEX *b)
{
    if (!a || !b)
        return a == b;
    return waveFormatCopySize(*a) == waveFormatCopySize(*b) && std::memcmp(a, b, waveFormatCopySize(*a)) == 0;
}

// Records every protocol step it is given, by name.
class Recorder : public TMMDSPComponent {
public:
    Recorder(std::string name, std::vector<std::string> &log) : name_(std::move(name)), log_(log) {}
    void Open() override { log_.push_back(name_ + ".Open@" + std::to_string(RequestedBufferSize())); TMMDSPComponent::Open(); }
    void Close() override { log_.push_back(name_ + ".Close"); TMMDSPComponent::Close(); }
    void Start() override { log_.push_back(name_ + ".Start"); TMMDSPComponent::Start(); }
    void Pause() override { log_.push_back(name_ + ".Pause"); }
    void Restart() override { log_.push_back(name_ + ".Restart"); }
    void Reset() override { log_.push_back(name_ + ".Reset"); }
    void Stop() override { log_.push_back(name_ + ".Stop"); TMMDSPComponent::Stop(); }

private:
    std::string name_;
    std::vector<std::string> &log_;
};

// A chain end without an Input link of its own, like the wave player.
class Tail : public TMMDSPComponent {
protected:
    bool OffersInputLink() const override { return false; }
};

class Driver : public TMMCustomSoundComponent {
public:
    using TMMCustomSoundComponent::TMMCustomSoundComponent;
};

TEST(Chain, LinkingSetsBothEndsAndTheRoles)
{
    TMMDSPComponent a, b;
    a.SetOutput(&b);
    EXPECT_EQ(a.Output(), &b);
    EXPECT_EQ(b.Input(), &a);
    EXPECT_EQ(a.OutputLinkRole(), TMMLinkRole::lrInput);
    EXPECT_EQ(b.InputLinkRole(), TMMLinkRole::lrOutput);
    b.SetInput(nullptr);
    EXPECT_EQ(a.Output(), nullptr);
    EXPECT_EQ(a.OutputLinkRole(), TMMLinkRole::lrNone);
}

TEST(Chain, LinkingTheInputAsOutputIsRefused)
{
    TMMDSPComponent a, b;
    a.SetInput(&b);
    a.SetOutput(&b);
    EXPECT_EQ(a.Input(), &b);
    EXPECT_EQ(a.Output(), nullptr);
    EXPECT_EQ(b.Output(), &a);
    EXPECT_EQ(b.Input(), nullptr);
}

TEST(Chain, SelfLinksAndCyclesAreRefused)
{
    TMMDSPComponent a, b, c;
    a.SetOutput(&a);
    a.SetInput(&a);
    EXPECT_EQ(a.Output(), nullptr);
    EXPECT_EQ(a.Input(), nullptr);
    a.SetOutput(&b);
    b.SetOutput(&c);
    c.SetOutput(&a); // a lies upstream of c
    a.SetInput(&c);  // c lies downstream of a
    EXPECT_EQ(c.Output(), nullptr);
    EXPECT_EQ(a.Input(), nullptr);
    EXPECT_EQ(a.Output(), &b);
}

TEST(Chain, ClassWithoutInputLinkIsConnectedOnlyWhenItAcceptsIt)
{
    TMMDSPComponent a;
    Tail tail;
    a.SetOutput(&tail);
    EXPECT_EQ(a.Output(), nullptr);
    tail.SetInput(&a); // the tail's own Input is its class's business
    tail.SetInput(nullptr);
    tail.SetAcceptsInput(true);
    a.SetOutput(&tail);
    EXPECT_EQ(a.Output(), &tail);
    EXPECT_EQ(tail.Input(), &a);
}

TEST(Chain, RelinkingAnInputLeavesTheOldNeighboursUnlinked)
{
    TMMDSPComponent a, b, c, d;
    a.SetInput(&b);
    c.SetOutput(&d);
    a.SetInput(&c);
    EXPECT_EQ(a.Input(), &c);
    EXPECT_EQ(c.Output(), &a);
    EXPECT_EQ(b.Output(), nullptr);
    EXPECT_EQ(d.Input(), nullptr);
}

TEST(Chain, ClearingOutputHandsTheOldOutputANoneFormat)
{
    TMMDSPComponent a, b;
    const WAVEFORMATEX f = pcm(44100, 2, 16);
    a.SetPWaveFormat(&f);
    a.SetOutput(&b);
    ASSERT_TRUE(sameFormat(b.PWaveFormat(), &f));
    a.SetOutput(nullptr);
    EXPECT_EQ(b.PWaveFormat(), nullptr);
    EXPECT_TRUE(sameFormat(a.PWaveFormat(), &f));
}

TEST(Chain, FormatChangeAtTheHeadReachesTheEndAsPrivateCopies)
{
    TMMDSPComponent a, b, c, d;
    a.SetOutput(&b);
    b.SetOutput(&c);
    c.SetOutput(&d);
    WAVEFORMATEX f = pcm(22050, 1, 8);
    a.SetPWaveFormat(&f);
    f.nSamplesPerSec = 1; // the caller's record is not referenced afterwards
    const WAVEFORMATEX expected = pcm(22050, 1, 8);
    const TMMDSPComponent *chain[] = {&a, &b, &c, &d};
    for (const TMMDSPComponent *x : chain) {
        EXPECT_TRUE(sameFormat(x->PWaveFormat(), &expected));
        for (const TMMDSPComponent *y : chain) {
            if (x != y) {
                EXPECT_NE(x->PWaveFormat(), y->PWaveFormat());
            }
        }
    }
    a.SetPWaveFormat(nullptr);
    for (const TMMDSPComponent *x : chain)
        EXPECT_EQ(x->PWaveFormat(), nullptr);
}

TEST(Chain, LinkingBehindAFormatPullsTheFormatDown)
{
    TMMDSPComponent a, b, c;
    const WAVEFORMATEX f = pcm(8000, 2, 16);
    a.SetPWaveFormat(&f);
    b.SetOutput(&c);
    b.SetInput(&a);
    EXPECT_TRUE(sameFormat(c.PWaveFormat(), &f));
}

TEST(Chain, NonPcmFormatsCarryTheirExtraBytes)
{
    std::vector<uint8_t> bytes(18 + 2);
    const WAVEFORMATEX f{0x11, 1, 11025, 5588, 256, 4, 2};
    std::memcpy(bytes.data(), &f, 18);
    bytes[18] = 0xF9;
    bytes[19] = 0x01;
    TMMDSPComponent a, b;
    a.SetOutput(&b);
    a.SetPWaveFormat(reinterpret_cast<const WAVEFORMATEX *>(bytes.data()));
    ASSERT_NE(b.PWaveFormat(), nullptr);
    EXPECT_EQ(std::memcmp(b.PWaveFormat(), bytes.data(), 20), 0);
}

TEST(Chain, DestroyingTheMiddleLeavesBothNeighboursUnlinked)
{
    TMMDSPComponent a, c;
    auto b = std::make_unique<TMMDSPComponent>();
    const WAVEFORMATEX f = pcm(44100, 2, 16);
    a.SetPWaveFormat(&f);
    a.SetOutput(b.get());
    b->SetOutput(&c);
    ASSERT_NE(c.PWaveFormat(), nullptr);
    b.reset();
    EXPECT_EQ(a.Output(), nullptr);
    EXPECT_EQ(c.Input(), nullptr);
    EXPECT_EQ(c.PWaveFormat(), nullptr);
    EXPECT_NE(a.PWaveFormat(), nullptr);
}

TEST(Chain, RegistryHoldsEveryLiveComponent)
{
    EXPECT_TRUE(TMMDSPComponent::Registered().empty());
    {
        TMMDSPComponent a;
        Driver d;
        EXPECT_EQ(TMMDSPComponent::Registered(), (std::vector<TMMDSPComponent *>{&a, &d}));
    }
    EXPECT_TRUE(TMMDSPComponent::Registered().empty());
}

struct BufferCase {
    int32_t requested;
    uint16_t blockAlign; // 0: no format
    int32_t real;
};

class RealBufferSize : public ::testing::TestWithParam<BufferCase> {};

TEST_P(RealBufferSize, WholeBlocksAtLeastOne)
{
    const BufferCase &c = GetParam();
    TMMDSPComponent a;
    const WAVEFORMATEX f{2, 1, 8000, 8000, c.blockAlign, 4, 0};
    if (c.blockAlign)
        a.SetPWaveFormat(&f);
    a.SetBufferSize(c.requested);
    a.Open();
    EXPECT_EQ(a.BufferSize(), c.real);
    a.Close();
    EXPECT_EQ(a.BufferSize(), c.requested);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RealBufferSize,
                         ::testing::Values(BufferCase{4096, 4, 4096}, BufferCase{4096, 6, 4092},
                                           BufferCase{4096, 6000, 6000}, BufferCase{4096, 0, 4096},
                                           BufferCase{2048, 1, 2048}));

TEST(Chain, DefaultsOfANewComponent)
{
    TMMDSPComponent a;
    EXPECT_EQ(a.BufferSize(), 2048);
    EXPECT_FALSE(a.IsOpen());
    EXPECT_FALSE(a.IsStarted());
    EXPECT_EQ(a.PWaveFormat(), nullptr);
    a.Start(); // not open: nothing
    EXPECT_FALSE(a.IsStarted());
}

TEST(Chain, NewFormatOrBufferSizeStopsAStartedComponent)
{
    TMMDSPComponent a;
    a.Open();
    a.Start();
    ASSERT_TRUE(a.IsStarted());
    const WAVEFORMATEX f = pcm(44100, 2, 16);
    a.SetPWaveFormat(&f);
    EXPECT_FALSE(a.IsStarted());
    a.Start();
    a.SetBufferSize(2048); // unchanged: nothing
    EXPECT_TRUE(a.IsStarted());
    a.SetBufferSize(4096);
    EXPECT_FALSE(a.IsStarted());
}

TEST(Chain, DriverWalksFromTheHeadAndRunsItselfLast)
{
    std::vector<std::string> log;
    Recorder file("file", log), converter("converter", log), player("player", log);
    Driver out;
    file.SetOutput(&converter);
    converter.SetOutput(&out);
    out.SetOutput(&player);
    out.SetBufferSize(4096);
    log.clear();

    out.Open();
    out.Start();
    out.Pause();
    out.Restart();
    out.Reset();
    out.Stop();
    out.Close();
    const std::vector<std::string> expected = {
        "file.Open@4096", "converter.Open@4096", "player.Open@4096",
        "file.Start", "converter.Start", "player.Start",
        "file.Pause", "converter.Pause", "player.Pause",
        "file.Restart", "converter.Restart", "player.Restart",
        "file.Reset", "converter.Reset", "player.Reset",
        "file.Stop", "converter.Stop", "player.Stop",
        "file.Close", "converter.Close", "player.Close"};
    EXPECT_EQ(log, expected);
    EXPECT_FALSE(out.IsOpen());
}

TEST(Chain, DriverOpenAndStartReachItsOwnState)
{
    TMMDSPComponent file;
    Driver out;
    file.SetOutput(&out);
    out.Open();
    out.Start();
    EXPECT_TRUE(out.IsOpen() && out.IsStarted());
    EXPECT_TRUE(file.IsOpen() && file.IsStarted());
    out.Stop();
    EXPECT_FALSE(file.IsStarted());
    EXPECT_FALSE(out.IsStarted());
}

TEST(Chain, BufferLoadFiresItsEventThenAsksUpstream)
{
    std::vector<std::string> log;
    TMMDSPComponent head, middle;
    head.SetOutput(&middle);
    head.OnBufferLoad = [&](TMMDSPComponent *sender, PWaveHdr, bool &more) {
        EXPECT_EQ(sender, &head);
        log.push_back("head");
        more = true;
    };
    middle.OnBufferLoad = [&](TMMDSPComponent *, PWaveHdr, bool &) { log.push_back("middle"); };
    TMMWaveHdr header{};
    bool more = false;
    middle.BufferLoad(&header, more);
    EXPECT_EQ(log, (std::vector<std::string>{"middle", "head"}));
    EXPECT_TRUE(more);
}

TEST(Chain, BufferReadyFiresItsEventThenPassesDownstream)
{
    std::vector<std::string> log;
    TMMDSPComponent head, tail;
    head.SetOutput(&tail);
    head.OnBufferReady = [&](TMMDSPComponent *, PWaveHdr) { log.push_back("head"); };
    tail.OnBufferReady = [&](TMMDSPComponent *sender, PWaveHdr h) {
        EXPECT_EQ(sender, &tail);
        EXPECT_EQ(h->dwBytesRecorded, 7u);
        log.push_back("tail");
    };
    TMMWaveHdr header{};
    header.dwBytesRecorded = 7;
    head.BufferReady(&header);
    EXPECT_EQ(log, (std::vector<std::string>{"head", "tail"}));
}

TEST(Chain, DriverAllocatesOneZeroFilledBlockPerBuffer)
{
    Driver out;
    PWaveHdr header = out.AllocWaveHeader(4096);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->lpData, reinterpret_cast<char *>(header) + TB_WAVEHDR_SIZE);
    EXPECT_EQ(header->dwBufferLength, 4096u);
    EXPECT_EQ(header->dwBytesRecorded, 0u);
    EXPECT_EQ(header->dwFlags, 0u);
    EXPECT_EQ(header->lpNext, nullptr);
    EXPECT_EQ(header->lpNextRing, nullptr);
    EXPECT_EQ(header->wrapped, 0);
    for (int i = 0; i < 4096; ++i)
        ASSERT_EQ(header->lpData[i], 0);
    out.FreeWaveHeader(header);
}

TEST(Chain, DriverReportsAFailedAllocation)
{
    Driver out;
    try {
        out.AllocWaveHeader(-1);
        FAIL() << "no error";
    } catch (const EMMWaveOutError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Unable to allocate memory for wave header"));
    }
}

TEST(Chain, LoadingHoldsPropagationUntilLoaded)
{
    TMMDSPComponent a, b;
    a.SetOutput(&b);
    a.BeginLoading();
    const WAVEFORMATEX f = pcm(44100, 2, 16);
    a.SetPWaveFormat(&f);
    EXPECT_EQ(b.PWaveFormat(), nullptr);
    a.Loaded();
    EXPECT_TRUE(sameFormat(b.PWaveFormat(), &f));
}

} // namespace
