#include "WaveOutDevice.h"

#include <algorithm>

namespace tb::audio {

WaveOutDevice::WaveOutDevice(const PcmFormat &format, DoneCallback done)
    : WaveOutDevice(openDefaultSink(format), std::move(done))
{
}

WaveOutDevice::WaveOutDevice(std::unique_ptr<AudioSink> sink, DoneCallback done)
    : sink_(std::move(sink)), format_(sink_->format()), done_(std::move(done)),
      // Written in pieces of about 10 ms, so pause and reset take effect at once.
      chunkBytes_(std::max<size_t>(format_.bytesPerFrame(), format_.rate / 100 * format_.bytesPerFrame())),
      worker_([this] { run(); })
{
}

WaveOutDevice::~WaveOutDevice()
{
    reset();
    {
        std::lock_guard<std::mutex> hold(lock_);
        quit_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void WaveOutDevice::write(const void *data, size_t bytes, uintptr_t tag)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        queue_.push_back({static_cast<const uint8_t *>(data), bytes - bytes % format_.bytesPerFrame(), tag});
    }
    wake_.notify_all();
}

void WaveOutDevice::pause()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        paused_ = true;
    }
    wake_.notify_all();
}

void WaveOutDevice::restart()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        paused_ = false;
    }
    wake_.notify_all();
}

void WaveOutDevice::reset()
{
    std::unique_lock<std::mutex> hold(lock_);
    unsigned ticket = ++resetRequests_;
    wake_.notify_all();
    settled_.wait(hold, [&] { return resetsDone_ >= ticket; });
}

std::string WaveOutDevice::lastError() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return error_;
}

void WaveOutDevice::updatePosition()
{
    uint64_t played = sink_->framesPlayed();
    position_ = played >= positionBase_ ? played - positionBase_ : 0;
}

void WaveOutDevice::run()
{
    std::unique_lock<std::mutex> hold(lock_);
    auto work = [&] {
        return quit_ || resetsDone_ != resetRequests_ || paused_ != sinkPaused_ || (!paused_ && !queue_.empty());
    };
    for (;;) {
        // While the device still plays what it holds, the position is followed every 10 ms.
        bool sounding = !sinkPaused_ && position_ < writtenFrames_;
        if (sounding && !wake_.wait_for(hold, std::chrono::milliseconds(10), work)) {
            updatePosition();
            continue;
        }
        wake_.wait(hold, work);
        if (resetsDone_ != resetRequests_) {
            finishAll(hold);
            continue;
        }
        if (quit_)
            break;
        if (paused_ != sinkPaused_) {
            sinkPaused_ = paused_;
            sink_->pause(paused_);
            updatePosition();
            continue;
        }
        playSome(hold);
        // With nothing more queued, what the sink holds is played out to its end: a device
        // plays everything it was given, also the last piece shorter than its period.
        if (queue_.empty() && !paused_ && resetsDone_ == resetRequests_ && !quit_) {
            hold.unlock();
            sink_->drain();
            updatePosition();
            hold.lock();
        }
    }
}

// Writes the next piece of the first buffer; a buffer written completely is done.
void WaveOutDevice::playSome(std::unique_lock<std::mutex> &hold)
{
    Buffer &front = queue_.front();
    size_t piece = std::min(chunkBytes_, front.bytes - front.written);
    const uint8_t *from = front.data + front.written;
    hold.unlock();
    bool ok = piece == 0 || sink_->write(from, piece);
    updatePosition();
    hold.lock();
    if (ok)
        writtenFrames_ += piece / format_.bytesPerFrame();
    if (!ok && error_.empty())
        error_ = sink_->lastError();
    // A reset meanwhile has already returned this buffer.
    if (queue_.empty() || resetsDone_ != resetRequests_)
        return;
    Buffer &same = queue_.front();
    same.written += ok ? piece : same.bytes - same.written; // a failed device still returns buffers
    if (same.written < same.bytes)
        return;
    uintptr_t tag = same.tag;
    queue_.pop_front();
    hold.unlock();
    if (done_)
        done_(tag);
    hold.lock();
}

void WaveOutDevice::finishAll(std::unique_lock<std::mutex> &hold)
{
    std::deque<Buffer> returned;
    returned.swap(queue_);
    sink_->drop();
    positionBase_ = sink_->framesPlayed();
    position_ = 0;
    writtenFrames_ = 0;
    unsigned served = resetRequests_;
    hold.unlock();
    for (const Buffer &b : returned)
        if (done_)
            done_(b.tag);
    hold.lock();
    resetsDone_ = served;
    settled_.notify_all();
}

} // namespace tb::audio
