// The wave output device: buffers are queued, played in order on a worker thread and reported
// done one by one, with pause, restart, reset and a played position, as the program's wave
// player expects of a system wave output. The sink is touched only by the worker thread.
// Threads: the public calls come from the player's thread; run() and the three below it run on
// the worker. One lock (lock_) guards the queue, the flags and the counters; position_ is read
// without it.
#pragma once

#include "AudioSink.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace tb::audio {

class WaveOutDevice {
public:
    // Called on the worker thread for every finished buffer, in queue order. It should only post
    // the notice on: calling back into the device from it would wait for itself.
    using DoneCallback = std::function<void(uintptr_t tag)>;

    // On the default output (openDefaultSink).
    WaveOutDevice(const PcmFormat &format, DoneCallback done);
    // On a sink of the caller's choice (tests).
    WaveOutDevice(std::unique_ptr<AudioSink> sink, DoneCallback done);
    // Returns every queued buffer as done, then closes the device.
    ~WaveOutDevice();
    WaveOutDevice(const WaveOutDevice &) = delete;
    WaveOutDevice &operator=(const WaveOutDevice &) = delete;

    const PcmFormat &format() const { return format_; }

    // Queues a buffer; its bytes must stay valid until it is reported done.
    void write(const void *data, size_t bytes, uintptr_t tag);
    // Stops and resumes output without dropping what is queued.
    void pause();
    void restart();
    // Stops output, reports every queued buffer done and sets the position back to 0; returns
    // once all of that has happened.
    void reset();
    // Frames played since opening or the last reset.
    uint64_t position() const { return position_; }
    // Text of the last device failure, if any.
    std::string lastError() const;

private:
    struct Buffer {
        const uint8_t *data;
        size_t bytes;
        uintptr_t tag;
        size_t written = 0;
    };
    // Worker thread.
    void run();
    void playSome(std::unique_lock<std::mutex> &hold);
    void finishAll(std::unique_lock<std::mutex> &hold);
    void updatePosition();

    std::unique_ptr<AudioSink> sink_;
    PcmFormat format_;
    DoneCallback done_;
    size_t chunkBytes_;

    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable settled_;
    std::deque<Buffer> queue_;
    bool paused_ = false;
    bool sinkPaused_ = false;
    unsigned resetRequests_ = 0;
    unsigned resetsDone_ = 0;
    bool quit_ = false;
    std::string error_;
    uint64_t positionBase_ = 0; // the sink's played frames at the last reset
    uint64_t writtenFrames_ = 0; // handed to the sink since the last reset
    std::atomic<uint64_t> position_{0};
    std::thread worker_;
};

} // namespace tb::audio
