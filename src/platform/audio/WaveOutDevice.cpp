#include "WaveOutDevice.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace tb::audio {

namespace {
using Clock = std::chrono::steady_clock;

struct Buffer {
    const uint8_t *data;
    size_t bytes;
    uintptr_t tag;
    size_t written = 0;
};
} // namespace

struct WaveOutState {
    WaveOutState(std::unique_ptr<AudioSink> s, WaveOutDevice::DoneCallback d)
        : sink(std::move(s)), format(sink->format()), done(std::move(d)),
          // Written in pieces of about 10 ms, so pause and reset take effect at once.
          chunkBytes(std::max<size_t>(format.bytesPerFrame(), format.rate / 100 * format.bytesPerFrame()))
    {
    }

    std::unique_ptr<AudioSink> sink; // the worker's alone
    const PcmFormat format;
    const WaveOutDevice::DoneCallback done;
    const size_t chunkBytes;

    std::mutex lock;
    std::condition_variable wake;    // to the worker
    std::condition_variable settled; // to the callers
    std::deque<Buffer> queue;
    bool paused = false;
    bool sinkPaused = false;
    unsigned resetRequests = 0;
    unsigned resetsDone = 0;
    // A reset has been served: the sink still holds what it was given before and is dropped by
    // the worker before it writes anything else.
    bool dropOwed = false;
    bool quit = false;
    // The worker is inside a call of the sink (since sinkSince), with the lock released.
    bool inSink = false;
    Clock::time_point sinkSince;
    bool silenced = false;  // the device is gone: nothing is reported any more
    unsigned callbacks = 0; // reports being made right now, with the lock released
    bool ended = false;     // the worker has closed the sink and leaves
    std::string error;
    uint64_t writtenFrames = 0; // handed to the sink since the last reset
    std::atomic<uint64_t> position{0};

    // The worker's alone.
    uint64_t positionBase = 0;  // the sink's played frames at the last drop
    std::vector<uint8_t> piece; // the worker's own copy of what it writes
};

namespace {

// Runs a call of the sink with the lock released. Meanwhile a caller may serve a reset itself:
// the worker looks at dropOwed and resetsDone when the call comes back.
template <typename Call> void callSink(WaveOutState &s, std::unique_lock<std::mutex> &hold, Call call)
{
    s.inSink = true;
    s.sinkSince = Clock::now();
    s.settled.notify_all();
    hold.unlock();
    call();
    hold.lock();
    s.inSink = false;
}

// Reports the buffers done with the lock released, unless the device is gone.
void report(WaveOutState &s, std::unique_lock<std::mutex> &hold, const std::deque<Buffer> &finished)
{
    if (finished.empty() || s.silenced || !s.done)
        return;
    ++s.callbacks;
    hold.unlock();
    for (const Buffer &b : finished)
        s.done(b.tag);
    hold.lock();
    --s.callbacks;
    s.settled.notify_all();
}

// Serves every reset asked for so far: the queued buffers are returned done and the position
// starts again. Run by the worker, or by a caller while the worker is held inside the sink.
void serveReset(WaveOutState &s, std::unique_lock<std::mutex> &hold)
{
    std::deque<Buffer> returned;
    returned.swap(s.queue);
    const unsigned served = s.resetRequests;
    s.dropOwed = true;
    s.writtenFrames = 0;
    s.position = 0;
    s.wake.notify_all();
    report(s, hold, returned);
    if (static_cast<int>(served - s.resetsDone) > 0)
        s.resetsDone = served;
    s.settled.notify_all();
}

bool resetServed(const WaveOutState &s, unsigned ticket) { return static_cast<int>(s.resetsDone - ticket) >= 0; }

// From when on the worker counts as held by a device that does not answer: ResetPatience into
// one call of the sink. Never while it is between two calls, where it comes to a request at once.
Clock::time_point heldFrom(const WaveOutState &s)
{
    return s.inSink ? s.sinkSince + WaveOutDevice::ResetPatience : Clock::time_point::max();
}

// Waits until reset `ticket` is served; for a worker held in the sink, or gone, it is served here.
void awaitReset(WaveOutState &s, std::unique_lock<std::mutex> &hold, unsigned ticket)
{
    while (!resetServed(s, ticket)) {
        const Clock::time_point held = heldFrom(s);
        if (s.ended || Clock::now() >= held) {
            serveReset(s, hold);
            return;
        }
        if (held == Clock::time_point::max())
            s.settled.wait(hold);
        else
            s.settled.wait_until(hold, held);
    }
}

// Waits for the worker to end, until the deadline at most, and not at all for a worker held in
// the sink. False when it has not ended.
bool awaitEnd(WaveOutState &s, std::unique_lock<std::mutex> &hold, Clock::time_point deadline)
{
    while (!s.ended) {
        const Clock::time_point until = std::min(heldFrom(s), deadline);
        if (Clock::now() >= until)
            return false;
        s.settled.wait_until(hold, until);
    }
    return true;
}

void followPosition(WaveOutState &s, std::unique_lock<std::mutex> &hold)
{
    uint64_t played = 0;
    callSink(s, hold, [&] { played = s.sink->framesPlayed(); });
    // After a reset served meanwhile the position starts again from the drop.
    if (!s.dropOwed)
        s.position = played >= s.positionBase ? played - s.positionBase : 0;
}

void dropSink(WaveOutState &s, std::unique_lock<std::mutex> &hold)
{
    s.dropOwed = false;
    uint64_t played = 0;
    callSink(s, hold, [&] {
        s.sink->drop();
        played = s.sink->framesPlayed();
    });
    s.positionBase = played;
}

// Writes the next piece of the first buffer, from the worker's own copy of it, so a call that
// never comes back holds none of the caller's memory; a buffer written completely is done.
void playSome(WaveOutState &s, std::unique_lock<std::mutex> &hold)
{
    const Buffer &front = s.queue.front();
    const size_t piece = std::min(s.chunkBytes, front.bytes - front.written);
    s.piece.assign(front.data + front.written, front.data + front.written + piece);
    const unsigned generation = s.resetsDone;
    auto resetMeanwhile = [&] { return s.dropOwed || s.resetsDone != generation || s.queue.empty(); };
    bool ok = true;
    std::string why;
    if (piece > 0)
        callSink(s, hold, [&] {
            ok = s.sink->write(s.piece.data(), piece);
            if (!ok)
                why = s.sink->lastError();
        });
    // A reset meanwhile has already returned this buffer.
    if (resetMeanwhile())
        return;
    if (ok)
        s.writtenFrames += piece / s.format.bytesPerFrame();
    if (!ok && s.error.empty())
        s.error = why;
    followPosition(s, hold);
    if (resetMeanwhile())
        return;
    Buffer &same = s.queue.front();
    same.written += ok ? piece : same.bytes - same.written; // a failed device still returns buffers
    if (same.written < same.bytes)
        return;
    std::deque<Buffer> finished{same};
    s.queue.pop_front();
    report(s, hold, finished);
}

void run(const std::shared_ptr<WaveOutState> &state)
{
    WaveOutState &s = *state;
    std::unique_lock<std::mutex> hold(s.lock);
    auto work = [&] {
        return s.quit || s.dropOwed || s.resetsDone != s.resetRequests || s.paused != s.sinkPaused ||
               (!s.paused && !s.queue.empty());
    };
    for (;;) {
        // While the device still plays what it holds, the position is followed every 10 ms.
        const bool sounding = !s.sinkPaused && s.position < s.writtenFrames;
        if (sounding && !s.wake.wait_for(hold, std::chrono::milliseconds(10), work)) {
            followPosition(s, hold);
            continue;
        }
        s.wake.wait(hold, work);
        if (s.dropOwed) {
            dropSink(s, hold);
            continue;
        }
        if (s.resetsDone != s.resetRequests) {
            serveReset(s, hold);
            continue;
        }
        if (s.quit)
            break;
        if (s.paused != s.sinkPaused) {
            s.sinkPaused = s.paused;
            const bool paused = s.paused;
            callSink(s, hold, [&] { s.sink->pause(paused); });
            followPosition(s, hold);
            continue;
        }
        playSome(s, hold);
        // With nothing more queued, what the sink holds is played out to its end: a device
        // plays everything it was given, also the last piece shorter than its period.
        if (s.queue.empty() && !s.paused && !s.dropOwed && s.resetsDone == s.resetRequests && !s.quit) {
            callSink(s, hold, [&] { s.sink->drain(); });
            followPosition(s, hold);
        }
    }
    // Closing a device can take its time as well: it happens here, on the worker.
    hold.unlock();
    s.sink.reset();
    hold.lock();
    s.ended = true;
    s.settled.notify_all();
}

} // namespace

WaveOutDevice::WaveOutDevice(const PcmFormat &format, DoneCallback done)
    : WaveOutDevice(openDefaultSink(format), std::move(done))
{
}

WaveOutDevice::WaveOutDevice(std::unique_ptr<AudioSink> sink, DoneCallback done)
    : format_(sink->format()), state_(std::make_shared<WaveOutState>(std::move(sink), std::move(done)))
{
    worker_ = std::thread([state = state_] { run(state); });
}

WaveOutDevice::~WaveOutDevice()
{
    WaveOutState &s = *state_;
    const Clock::time_point deadline = Clock::now() + EndWait;
    std::unique_lock<std::mutex> hold(s.lock);
    const unsigned ticket = ++s.resetRequests;
    s.quit = true;
    s.wake.notify_all();
    awaitReset(s, hold, ticket);
    // Nothing is reported from now on; a report being made only posts a notice on.
    s.silenced = true;
    s.settled.wait(hold, [&] { return s.callbacks == 0; });
    const bool ended = awaitEnd(s, hold, deadline);
    hold.unlock();
    if (ended)
        worker_.join();
    else
        worker_.detach(); // held inside the sink: it ends alone if the call ever comes back
}

void WaveOutDevice::write(const void *data, size_t bytes, uintptr_t tag)
{
    WaveOutState &s = *state_;
    {
        std::lock_guard<std::mutex> hold(s.lock);
        s.queue.push_back({static_cast<const uint8_t *>(data), bytes - bytes % format_.bytesPerFrame(), tag});
    }
    s.wake.notify_all();
}

void WaveOutDevice::pause()
{
    WaveOutState &s = *state_;
    {
        std::lock_guard<std::mutex> hold(s.lock);
        s.paused = true;
    }
    s.wake.notify_all();
}

void WaveOutDevice::restart()
{
    WaveOutState &s = *state_;
    {
        std::lock_guard<std::mutex> hold(s.lock);
        s.paused = false;
    }
    s.wake.notify_all();
}

void WaveOutDevice::reset()
{
    WaveOutState &s = *state_;
    std::unique_lock<std::mutex> hold(s.lock);
    const unsigned ticket = ++s.resetRequests;
    s.wake.notify_all();
    awaitReset(s, hold, ticket);
}

uint64_t WaveOutDevice::position() const { return state_->position; }

std::string WaveOutDevice::lastError() const
{
    std::lock_guard<std::mutex> hold(state_->lock);
    return state_->error;
}

} // namespace tb::audio
