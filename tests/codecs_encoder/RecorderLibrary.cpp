// A stand-in encoder library for the binding's tests: it records every configuration item it
// is sent and answers as the test sets it up. Built once complete (encoder_recorder.so) and once
// without MPGE_getVersion (encoder_partial.so).
#include <tonebridge/gogo.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <unistd.h>
#include <vector>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {
std::mutex lock;
std::vector<int32_t> items, values;
uint32_t unitStates = 0;
int32_t initResult = 0, detectResult = 0, frames = 3, framesLeft = 0;
int32_t frameResult = MPGE_FINISHED; // what the last frame returns
// While set, every frame first reads a byte from this descriptor, as a coder waiting on a
// device or a file system would; a pipe nobody writes to holds it there for good.
int holdFrom = -1;
std::atomic<int32_t> framesInside{0};
} // namespace

// Test controls.
EXPORT void recorder_setup(uint32_t states, int32_t init, int32_t detect, int32_t frameCount, int32_t lastResult)
{
    std::lock_guard<std::mutex> hold(lock);
    unitStates = states;
    initResult = init;
    detectResult = detect;
    frames = frameCount;
    frameResult = lastResult;
    holdFrom = -1;
    items.clear();
    values.clear();
}

EXPORT int32_t recorder_items(int32_t *itemOut, int32_t *valueOut, int32_t max)
{
    std::lock_guard<std::mutex> hold(lock);
    const int32_t n = static_cast<int32_t>(items.size()) < max ? static_cast<int32_t>(items.size()) : max;
    std::memcpy(itemOut, items.data(), sizeof(int32_t) * n);
    std::memcpy(valueOut, values.data(), sizeof(int32_t) * n);
    return n;
}

EXPORT void recorder_hold_frames(int descriptor)
{
    std::lock_guard<std::mutex> hold(lock);
    holdFrom = descriptor;
}

// How many frames are being encoded right now.
EXPORT int32_t recorder_frames_inside(void) { return framesInside; }

EXPORT int32_t MPGE_initializeWork(void)
{
    std::lock_guard<std::mutex> hold(lock);
    items.clear();
    values.clear();
    return initResult;
}

EXPORT int32_t MPGE_setConfigure(int32_t item, int32_t value, const void *)
{
    std::lock_guard<std::mutex> hold(lock);
    items.push_back(item);
    values.push_back(value);
    return 0;
}

EXPORT int32_t MPGE_getConfigure(int32_t, void *pointer)
{
    std::lock_guard<std::mutex> hold(lock);
    std::memcpy(pointer, &frames, sizeof frames);
    return 0;
}

EXPORT int32_t MPGE_detectConfigure(void)
{
    std::lock_guard<std::mutex> hold(lock);
    framesLeft = frames;
    return detectResult;
}

EXPORT int32_t MPGE_processFrame(void)
{
    int from;
    {
        std::lock_guard<std::mutex> hold(lock);
        from = holdFrom;
    }
    ++framesInside;
    if (from >= 0) {
        char byte;
        while (read(from, &byte, 1) < 0 && errno == EINTR) {
        }
    }
    std::lock_guard<std::mutex> hold(lock);
    --framesInside;
    return --framesLeft > 0 ? MPGE_OK : frameResult;
}

EXPORT int32_t MPGE_closeCoder(void) { return 0; }
EXPORT int32_t MPGE_endCoder(void) { return 0; }

EXPORT int32_t MPGE_getUnitStates(uint32_t *states)
{
    std::lock_guard<std::mutex> hold(lock);
    *states = unitStates;
    return 0;
}

#ifndef WITHOUT_GET_VERSION
EXPORT int32_t MPGE_getVersion(uint32_t *code, char *text)
{
    *code = 0x12345;
    std::strcpy(text, "recorder");
    return 0;
}
#endif
