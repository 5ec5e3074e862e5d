#include "platform/audio/AudioSink.h"
#include "platform/audio/CaptureSink.h"
#include "platform/audio/NullSink.h"
#include "support/TempDir.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace tb::audio;
using Clock = std::chrono::steady_clock;

namespace {

const PcmFormat Stereo44{44100, 2, 16};

long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST(NullSink, PlaysInRealTime)
{
    NullSink sink(Stereo44);
    std::vector<uint8_t> tenth(4410 * 4);
    auto start = Clock::now();
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(sink.write(tenth.data(), tenth.size()));
    sink.drain();
    EXPECT_GE(msSince(start), 990);
    EXPECT_EQ(sink.framesPlayed(), 44100u);
}

TEST(NullSink, WriterRunsAheadOnlyByTheBuffer)
{
    NullSink sink(Stereo44, std::chrono::milliseconds(200));
    std::vector<uint8_t> half(22050 * 4);
    auto start = Clock::now();
    sink.write(half.data(), half.size());
    // Half a second queued with 200 ms of buffer: the write returns once 300 ms have played.
    EXPECT_GE(msSince(start), 295);
    EXPECT_GE(sink.framesPlayed(), 13230u);
}

TEST(NullSink, PauseStopsTheClockAndResumeGoesOn)
{
    NullSink sink(Stereo44);
    std::vector<uint8_t> tenth(4410 * 4);
    sink.write(tenth.data(), tenth.size());
    sink.pause(true);
    uint64_t held = sink.framesPlayed();
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_EQ(sink.framesPlayed(), held);
    sink.pause(false);
    sink.drain();
    EXPECT_EQ(sink.framesPlayed(), 4410u);
}

TEST(NullSink, DropDiscardsWhatIsQueued)
{
    NullSink sink(Stereo44);
    std::vector<uint8_t> tenth(4410 * 4);
    sink.write(tenth.data(), tenth.size());
    sink.drop();
    uint64_t played = sink.framesPlayed();
    EXPECT_LT(played, 4410u);
    sink.drain(); // nothing left to play
    EXPECT_EQ(sink.framesPlayed(), played);
}

TEST(CaptureSink, RecordsEveryByteInMemoryAndInItsFile)
{
    tb::test::TempDir dir;
    std::string file = dir.file("capture.raw").toStdString();
    CaptureSink sink(PcmFormat{8000, 1, 16}, file);
    std::vector<uint8_t> first{1, 2, 3, 4}, second{5, 6};
    ASSERT_TRUE(sink.write(first.data(), first.size()));
    ASSERT_TRUE(sink.write(second.data(), second.size()));
    EXPECT_EQ(sink.recorded(), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(tb::test::TempDir::read(dir.file("capture.raw")), QByteArray("\x01\x02\x03\x04\x05\x06", 6));
}

TEST(CaptureSink, UnwritableFileFailsTheWrite)
{
    CaptureSink sink(PcmFormat{8000, 1, 16}, "/proc/no-capture-here.raw");
    std::vector<uint8_t> bytes{1, 2};
    EXPECT_FALSE(sink.write(bytes.data(), bytes.size()));
    EXPECT_NE(sink.lastError().find("/proc/no-capture-here.raw"), std::string::npos);
}

TEST(DefaultSink, EnvironmentChoosesTheNullDeviceOrTheCapture)
{
    tb::test::TempDir dir;
    setenv("TONEBRIDGE_AUDIO", "null", 1);
    auto null = openDefaultSink(Stereo44);
    EXPECT_NE(dynamic_cast<NullSink *>(null.get()), nullptr);
    EXPECT_EQ(dynamic_cast<CaptureSink *>(null.get()), nullptr);
    EXPECT_EQ(null->format(), Stereo44);

    std::string file = dir.file("c.raw").toStdString();
    setenv("TONEBRIDGE_AUDIO", ("capture:" + file).c_str(), 1);
    auto capture = openDefaultSink(Stereo44);
    ASSERT_NE(dynamic_cast<CaptureSink *>(capture.get()), nullptr);
    std::vector<uint8_t> frame(4, 7);
    capture->write(frame.data(), frame.size());
    EXPECT_EQ(tb::test::TempDir::read(dir.file("c.raw")).size(), 4);
}

} // namespace
