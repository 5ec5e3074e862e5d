#include "EncodeThread.h"

#include <chrono>

namespace tb {

namespace {
thread_local TEncodeThread *currentWorker = nullptr;
constexpr intptr_t Aborted = -1;
} // namespace

TEncodeThread::TEncodeThread(const EncoderApi &api) : api_(api) {}

TEncodeThread::~TEncodeThread() { TerminateAndWait(); }

void TEncodeThread::Start()
{
    if (thread_.joinable())
        return;
    thread_ = std::thread([this] { Execute(); });
    // The thread's kernel id is needed for its priority; wait until it is known.
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [this] { return threadId_.load() != 0; });
}

void TEncodeThread::PostRequest(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        queue_.push_back({msg, wparam, lparam});
    }
    changed_.notify_all();
}

void TEncodeThread::Suspend()
{
    std::unique_lock<std::mutex> hold(lock_);
    suspendRequested_ = true;
    changed_.notify_all();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        changed_.wait(hold, [this] { return parked_ || terminated_; });
}

void TEncodeThread::Resume()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        suspendRequested_ = false;
    }
    changed_.notify_all();
}

void TEncodeThread::SetPriority(TThreadPriority priority) { applyThreadPriority(threadId_.load(), priority); }

void TEncodeThread::TerminateAndWait() { TerminateAndWait(std::chrono::milliseconds::max()); }

bool TEncodeThread::TerminateAndWait(std::chrono::milliseconds limit)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        terminated_ = true;
    }
    changed_.notify_all();
    if (!thread_.joinable() || thread_.get_id() == std::this_thread::get_id())
        return true;
    // An idle-priority worker could wait long for the processor on a busy machine.
    if (threadId_.load() != 0)
        applyThreadPriority(threadId_.load(), tpNormal);
    if (limit != std::chrono::milliseconds::max()) {
        std::unique_lock<std::mutex> hold(lock_);
        if (!changed_.wait_for(hold, limit, [this] { return finished_; })) {
            thread_.detach();
            return false;
        }
    }
    thread_.join();
    return true;
}

TEncodeThread *TEncodeThread::Current() { return currentWorker; }

bool TEncodeThread::StopPending()
{
    std::lock_guard<std::mutex> hold(lock_);
    if (terminated_)
        return true;
    for (const Request &r : queue_)
        if (r.msg == RequestAbort || r.msg == RequestQuit)
            return true;
    return false;
}

void TEncodeThread::ParkIfSuspended()
{
    std::unique_lock<std::mutex> hold(lock_);
    if (!suspendRequested_ || terminated_)
        return;
    parked_ = true;
    changed_.notify_all();
    changed_.wait(hold, [this] { return !suspendRequested_ || terminated_; });
    parked_ = false;
}

void TEncodeThread::WaitForRequest(int milliseconds)
{
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait_for(hold, std::chrono::milliseconds(milliseconds),
                      [this] { return !queue_.empty() || terminated_ || suspendRequested_; });
}

void TEncodeThread::CloseCoder()
{
    api_.closeCoder();
    api_.endCoder();
}

bool TEncodeThread::HandleRequests()
{
    for (;;) {
        Request r;
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (queue_.empty())
                return true;
            r = queue_.front();
            queue_.pop_front();
        }
        if (r.msg == RequestStart) {
            if (started_)
                continue;
            totalFrames_ = static_cast<int32_t>(r.wparam);
            progressInterval_ = r.lparam > 0 ? static_cast<int32_t>(r.lparam) : 1;
            framesDone_ = 0;
            started_ = true;
            Report(ReportProgress, 0, totalFrames_);
        } else if (r.msg == RequestAbort || r.msg == RequestQuit) {
            // Only an encoding that runs is closed and reported: a late abort that crosses the
            // end of its encoding must not finish the next one.
            const bool wasStarted = started_;
            if (wasStarted)
                CloseCoder();
            applyThreadPriority(threadId_.load(), tpIdle);
            started_ = false;
            if (r.msg == RequestQuit)
                return false;
            if (wasStarted)
                Report(ReportFinished, static_cast<uintptr_t>(Aborted), 0);
        }
    }
}

void TEncodeThread::Execute()
{
    struct Finished {
        TEncodeThread &thread;
        ~Finished()
        {
            {
                std::lock_guard<std::mutex> hold(thread.lock_);
                thread.finished_ = true;
            }
            thread.changed_.notify_all();
        }
    } finished{*this};
    currentWorker = this;
    {
        std::lock_guard<std::mutex> hold(lock_);
        threadId_ = currentThreadId();
    }
    changed_.notify_all();
    applyThreadPriority(threadId_.load(), tpIdle);

    for (;;) {
        ParkIfSuspended();
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (terminated_)
                break;
        }
        if (!HandleRequests())
            return;
        if (!started_) {
            WaitForRequest(100);
            continue;
        }
        const int32_t result = api_.processFrame();
        ++framesDone_;
        if (result == MPGE_OK) {
            if (framesDone_ % progressInterval_ == 0)
                Report(ReportProgress, static_cast<uintptr_t>(framesDone_), totalFrames_);
            continue;
        }
        if (result == MPGE_FINISHED) {
            Report(ReportInputFinished, 0, 0);
            Report(ReportProgress, static_cast<uintptr_t>(totalFrames_), totalFrames_);
        } else {
            Report(ReportError, static_cast<uintptr_t>(static_cast<intptr_t>(result)), 0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        CloseCoder();
        applyThreadPriority(threadId_.load(), tpIdle);
        started_ = false;
        Report(ReportFinished, result == MPGE_FINISHED ? 0 : static_cast<uintptr_t>(Aborted), 0);
        framesDone_ = 0;
    }
    // Asked to terminate in the middle of an encoding.
    if (started_) {
        CloseCoder();
        started_ = false;
        Report(ReportFinished, 0, 0);
    }
}

} // namespace tb
