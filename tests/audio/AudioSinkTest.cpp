#include "platform/audio/AudioSink.h"
#include "platform/audio/CaptureSink.h"
#include "platform/audio/NullSink.h"
#include "platform/audio/WaveOutDevice.h"
#include "support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <condition_variable>
#include <mutex>
#include <cstdlib>
#include <memory>
#include <string>
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

// --- The queued wave output device ------------------------------------------------------------

// Collects the done notices the worker thread reports.
class DoneLog {
public:
    WaveOutDevice::DoneCallback callback()
    {
        return [this](uintptr_t tag) {
            std::lock_guard<std::mutex> hold(lock_);
            tags_.push_back(tag);
            changed_.notify_all();
        };
    }
    bool waitForCount(size_t count, int guardMs = 20000)
    {
        std::unique_lock<std::mutex> hold(lock_);
        return changed_.wait_for(hold, std::chrono::milliseconds(guardMs), [&] { return tags_.size() >= count; });
    }
    std::vector<uintptr_t> tags()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return tags_;
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<uintptr_t> tags_;
};

// Ten buffers of 10 ms each, every byte numbered.
std::vector<std::vector<uint8_t>> numberedBuffers(const PcmFormat &format, size_t count = 10)
{
    std::vector<std::vector<uint8_t>> buffers(count, std::vector<uint8_t>(format.rate / 100 * format.bytesPerFrame()));
    uint8_t next = 0;
    for (auto &b : buffers)
        for (uint8_t &byte : b)
            byte = next++;
    return buffers;
}

TEST(WaveOutDevice, PlaysBuffersInOrderAndReportsEachDoneOnce)
{
    auto capture = std::make_unique<CaptureSink>(Stereo44);
    CaptureSink *recorded = capture.get();
    DoneLog log;
    auto buffers = numberedBuffers(Stereo44);
    std::vector<uint8_t> all;
    {
        WaveOutDevice device(std::move(capture), log.callback());
        for (size_t i = 0; i < buffers.size(); ++i) {
            device.write(buffers[i].data(), buffers[i].size(), 100 + i);
            all.insert(all.end(), buffers[i].begin(), buffers[i].end());
        }
        ASSERT_TRUE(log.waitForCount(buffers.size()));
        EXPECT_EQ(recorded->recorded(), all);
        for (int i = 0; i < 200 && device.position() < 4410; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(device.position(), 4410u);
    }
    std::vector<uintptr_t> expected;
    for (size_t i = 0; i < buffers.size(); ++i)
        expected.push_back(100 + i);
    EXPECT_EQ(log.tags(), expected);
}

TEST(WaveOutDevice, PauseHoldsBuffersAndPositionUntilRestart)
{
    DoneLog log;
    auto buffers = numberedBuffers(Stereo44, 40); // 400 ms, more than the device buffer
    WaveOutDevice device(std::make_unique<NullSink>(Stereo44), log.callback());
    device.pause();
    for (size_t i = 0; i < buffers.size(); ++i)
        device.write(buffers[i].data(), buffers[i].size(), i);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(log.tags().empty());
    EXPECT_EQ(device.position(), 0u);
    device.restart();
    ASSERT_TRUE(log.waitForCount(buffers.size()));
    EXPECT_GT(device.position(), 0u);
}

TEST(WaveOutDevice, ResetReturnsEveryQueuedBufferAndStartsThePositionAgain)
{
    DoneLog log;
    auto buffers = numberedBuffers(Stereo44, 60); // 600 ms
    WaveOutDevice device(std::make_unique<NullSink>(Stereo44), log.callback());
    for (size_t i = 0; i < buffers.size(); ++i)
        device.write(buffers[i].data(), buffers[i].size(), i);
    ASSERT_TRUE(log.waitForCount(5));
    device.reset();
    std::vector<uintptr_t> tags = log.tags();
    ASSERT_EQ(tags.size(), buffers.size());
    for (size_t i = 0; i < tags.size(); ++i)
        EXPECT_EQ(tags[i], i);
    EXPECT_EQ(device.position(), 0u);
    // The device plays on after a reset.
    device.write(buffers[0].data(), buffers[0].size(), 999);
    ASSERT_TRUE(log.waitForCount(buffers.size() + 1));
    EXPECT_EQ(log.tags().back(), 999u);
}

TEST(WaveOutDevice, PlaysInRealTime)
{
    DoneLog log;
    auto buffers = numberedBuffers(Stereo44, 100); // one second
    auto start = Clock::now();
    WaveOutDevice device(std::make_unique<NullSink>(Stereo44), log.callback());
    for (size_t i = 0; i < buffers.size(); ++i)
        device.write(buffers[i].data(), buffers[i].size(), i);
    ASSERT_TRUE(log.waitForCount(buffers.size()));
    // Done means handed to the device, which holds 200 ms.
    EXPECT_GE(msSince(start), 780);
    for (int i = 0; i < 200 && device.position() < 44100; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(device.position(), 44100u);
    EXPECT_GE(msSince(start), 990);
}

TEST(WaveOutDevice, DestructionReturnsWhatIsStillQueued)
{
    DoneLog log;
    auto buffers = numberedBuffers(Stereo44, 30);
    {
        WaveOutDevice device(std::make_unique<NullSink>(Stereo44), log.callback());
        device.pause();
        for (size_t i = 0; i < buffers.size(); ++i)
            device.write(buffers[i].data(), buffers[i].size(), i);
    }
    EXPECT_EQ(log.tags().size(), buffers.size());
}

// --- A device that no longer answers ----------------------------------------------------------

// What a held sink went through; shared with the test, as the sink itself goes with the worker.
class SinkWatch {
public:
    void record(const std::string &call)
    {
        std::lock_guard<std::mutex> hold(lock_);
        calls_.push_back(call);
        changed_.notify_all();
    }
    // A write comes here and stays until the sink is let go.
    void holdWrite(const uint8_t *data, size_t bytes)
    {
        std::unique_lock<std::mutex> hold(lock_);
        calls_.push_back("write");
        ++inside_;
        changed_.notify_all();
        changed_.wait(hold, [this] { return letGo_; });
        --inside_;
        // What was handed over is read only now, long after the caller was told it was done.
        written_.insert(written_.end(), data, data + bytes);
        changed_.notify_all();
    }
    void letGo()
    {
        std::lock_guard<std::mutex> hold(lock_);
        letGo_ = true;
        changed_.notify_all();
    }
    // Waits until the condition holds; false when it still does not after a long while (a
    // guard against a hang, not a measure of speed).
    bool waitFor(const std::function<bool(SinkWatch &)> &condition)
    {
        std::unique_lock<std::mutex> hold(lock_);
        return changed_.wait_for(hold, std::chrono::seconds(60), [&] { return condition(*this); });
    }
    int inside()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return inside_;
    }
    bool closed()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return std::find(calls_.begin(), calls_.end(), "closed") != calls_.end();
    }
    std::vector<std::string> calls()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return calls_;
    }
    std::vector<uint8_t> written()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return written_;
    }
    // Unlocked views for waitFor's conditions.
    int insideNow() const { return inside_; }
    bool closedNow() const { return std::find(calls_.begin(), calls_.end(), "closed") != calls_.end(); }
    size_t callCount() const { return calls_.size(); }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<std::string> calls_;
    std::vector<uint8_t> written_;
    int inside_ = 0;
    bool letGo_ = false;
};

// A sink whose writes do not come back until the test lets them: a sound device or server that
// no longer answers.
class HeldSink : public AudioSink {
public:
    HeldSink(const PcmFormat &format, std::shared_ptr<SinkWatch> watch) : format_(format), watch_(std::move(watch)) {}
    ~HeldSink() override { watch_->record("closed"); }
    bool write(const void *data, size_t bytes) override
    {
        watch_->holdWrite(static_cast<const uint8_t *>(data), bytes);
        return true;
    }
    void pause(bool paused) override { watch_->record(paused ? "pause" : "resume"); }
    void drop() override { watch_->record("drop"); }
    void drain() override {}
    uint64_t framesPlayed() override { return 0; }
    const PcmFormat &format() const override { return format_; }
    std::string lastError() const override { return {}; }

private:
    PcmFormat format_;
    std::shared_ptr<SinkWatch> watch_;
};

TEST(WaveOutDevice, DestructionLeavesAWorkerHeldInTheSinkBehindAndReturnsEveryBuffer)
{
    auto watch = std::make_shared<SinkWatch>();
    DoneLog log;
    auto buffers = numberedBuffers(Stereo44, 5);
    const std::vector<uint8_t> firstPiece = buffers[0];
    {
        WaveOutDevice device(std::make_unique<HeldSink>(Stereo44, watch), log.callback());
        for (size_t i = 0; i < buffers.size(); ++i)
            device.write(buffers[i].data(), buffers[i].size(), i);
        ASSERT_TRUE(watch->waitFor([](SinkWatch &w) { return w.insideNow() == 1; }));
    }
    // The destructor has returned while the worker is still inside the sink.
    EXPECT_EQ(watch->inside(), 1);
    EXPECT_FALSE(watch->closed());
    EXPECT_EQ(log.tags(), (std::vector<uintptr_t>{0, 1, 2, 3, 4}));

    // The caller frees its buffers, as it may once they are done; the held write still hands
    // over what it was given.
    for (auto &b : buffers)
        std::fill(b.begin(), b.end(), uint8_t(0xEE));
    buffers.clear();
    buffers.shrink_to_fit();
    watch->letGo();
    // The worker comes back, drops what the sink holds, closes it and ends on its own.
    ASSERT_TRUE(watch->waitFor([](SinkWatch &w) { return w.closedNow(); }));
    EXPECT_EQ(watch->calls(), (std::vector<std::string>{"write", "drop", "closed"}));
    EXPECT_EQ(watch->written(), firstPiece);
    EXPECT_EQ(log.tags().size(), 5u); // and reports nothing after the device went
}

TEST(WaveOutDevice, ResetReturnsTheBuffersWhileTheSinkIsHeldAndTheSinkIsDroppedBeforeWhatFollows)
{
    auto watch = std::make_shared<SinkWatch>();
    DoneLog log;
    auto buffers = numberedBuffers(Stereo44, 4);
    WaveOutDevice device(std::make_unique<HeldSink>(Stereo44, watch), log.callback());
    for (size_t i = 0; i < 3; ++i)
        device.write(buffers[i].data(), buffers[i].size(), i);
    ASSERT_TRUE(watch->waitFor([](SinkWatch &w) { return w.insideNow() == 1; }));
    device.reset();
    EXPECT_EQ(log.tags(), (std::vector<uintptr_t>{0, 1, 2}));
    EXPECT_EQ(device.position(), 0u);
    EXPECT_EQ(watch->inside(), 1);

    // A buffer queued after the reset plays once the device answers again, after the drop.
    device.write(buffers[3].data(), buffers[3].size(), 3);
    watch->letGo();
    ASSERT_TRUE(log.waitForCount(4));
    EXPECT_EQ(log.tags().back(), 3u);
    std::vector<uint8_t> expected = buffers[0];
    expected.insert(expected.end(), buffers[3].begin(), buffers[3].end());
    EXPECT_EQ(watch->written(), expected);
    EXPECT_EQ(watch->calls(), (std::vector<std::string>{"write", "drop", "write"}));
}

} // namespace
