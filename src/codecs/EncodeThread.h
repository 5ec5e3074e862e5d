// The encoder's worker thread: it takes requests from its own queue, calls the library frame by
// frame and posts its reports to the binding's notification window.
// Threads: the public calls are made on the user-interface thread unless marked; Execute and
// everything it calls run on the worker. One lock (lock_) guards the queue and the flags.
#pragma once

#include "EncoderLibrary.h"
#include "ThreadPriority.h"

#include <tonebridge/window.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

namespace tb {

class TEncodeThread {
public:
    // Requests into the worker's queue.
    static constexpr uint32_t RequestStart = 0x500; // total frames, progress interval
    static constexpr uint32_t RequestAbort = 0x501;
    static constexpr uint32_t RequestQuit = 0x502;
    // Reports to the notification window.
    static constexpr uint32_t ReportInputFinished = 0x600;
    static constexpr uint32_t ReportError = 0x601;    // error code
    static constexpr uint32_t ReportFinished = 0x602; // 0 normal end, -1 aborted or failed
    static constexpr uint32_t ReportProgress = 0x603; // frames done, total frames

    // Created without running; Start lets it run.
    explicit TEncodeThread(const EncoderApi &api);
    ~TEncodeThread();
    TEncodeThread(const TEncodeThread &) = delete;
    TEncodeThread &operator=(const TEncodeThread &) = delete;

    void SetWindow(tb_window *window) { window_ = window; }
    void Start();
    // Queues a request; the worker reads it between frames.
    void PostRequest(uint32_t msg, uintptr_t wparam = 0, intptr_t lparam = 0);
    // Returns once the worker is parked between two frames (or while waiting for input): from
    // then on it neither encodes, reads requests nor reports until Resume.
    void Suspend();
    void Resume();
    void SetPriority(TThreadPriority priority);
    // Asks the worker to leave its loop and waits until it has.
    void TerminateAndWait();
    // The same, waiting at most `limit`; false when the worker has not left by then (blocked in
    // the system). It then goes on alone and must be left alive.
    bool TerminateAndWait(std::chrono::milliseconds limit);

    // For the library's read callback; called on the worker thread (null on any other).
    static TEncodeThread *Current();
    // Worker thread: true when an abort or quit waits in the queue, or the worker is asked to terminate.
    bool StopPending();
    // Worker thread: parks here while the worker is suspended.
    void ParkIfSuspended();

private:
    struct Request {
        uint32_t msg;
        uintptr_t wparam;
        intptr_t lparam;
    };
    // The worker thread's body; it and the four below run only on the worker.
    void Execute();
    // Takes every waiting request; false when the worker is to leave at once.
    bool HandleRequests();
    void WaitForRequest(int milliseconds);
    void CloseCoder();
    // Posts to the notification window (thread-safe).
    void Report(uint32_t msg, uintptr_t wparam, intptr_t lparam) { tb_post(window_, msg, wparam, lparam); }

    const EncoderApi &api_;
    tb_window *window_ = nullptr;
    std::thread thread_;
    std::atomic<pid_t> threadId_{0};

    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<Request> queue_;
    bool terminated_ = false;
    bool finished_ = false; // the thread has left Execute
    bool suspendRequested_ = false;
    bool parked_ = false;

    // Worker-side state, touched only on the worker thread.
    bool started_ = false;
    int32_t totalFrames_ = 0;
    int32_t framesDone_ = 0;
    int32_t progressInterval_ = 1;
};

} // namespace tb
