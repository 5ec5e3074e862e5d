// The wave output device: buffers are queued, played in order on a worker thread and reported
// done one by one, with pause, restart, reset and a played position, as the program's wave
// player expects of a system wave output. The sink is touched only by the worker thread.
// Threads: the public calls come from the player's thread; the worker runs the loop in the
// source. Everything the worker uses lives in one shared WaveOutState, guarded by its lock (the
// position is read without it), so a worker held inside a sink that no longer answers can be
// left behind: it keeps the state and the sink alive, and frees them if it ever returns.
#pragma once

#include "AudioSink.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace tb::audio {

// Everything the worker thread uses, shared by the device and its worker (see the source).
struct WaveOutState;

class WaveOutDevice {
public:
    // Called on the worker thread for every finished buffer, in queue order (or on the thread of
    // reset() and of the destructor when they return the buffers themselves). It should only post
    // the notice on: calling back into the device from it would wait for itself.
    using DoneCallback = std::function<void(uintptr_t tag)>;

    // How long reset() lets a worker stay inside one call of the sink before it returns the
    // queued buffers itself; the sink is then dropped by the worker once the call comes back. A
    // piece of 10 ms is written well within it.
    static constexpr std::chrono::milliseconds ResetPatience{20};
    // How long destruction waits in all, the reset included, for the worker to end; a worker that
    // stays inside one call of the sink for ResetPatience is not waited for even that long.
    static constexpr std::chrono::milliseconds EndWait{100};

    // On the default output (openDefaultSink).
    WaveOutDevice(const PcmFormat &format, DoneCallback done);
    // On a sink of the caller's choice (tests).
    WaveOutDevice(std::unique_ptr<AudioSink> sink, DoneCallback done);
    // Returns every queued buffer as done, then ends the worker, which closes the device. A worker
    // held inside the sink (see EndWait) is not waited for: it goes on alone, reports nothing more
    // and touches none of the caller's buffers.
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
    // once all of that has happened. A worker held inside the sink past ResetPatience drops what
    // the sink holds when its call comes back, before it writes anything queued after the reset.
    void reset();
    // Frames played since opening or the last reset.
    uint64_t position() const;
    // Text of the last device failure, if any.
    std::string lastError() const;

private:
    PcmFormat format_;
    std::shared_ptr<WaveOutState> state_;
    std::thread worker_;
};

} // namespace tb::audio
