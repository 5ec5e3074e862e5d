// A stand-in encoder library whose frame call never returns, as a library blocked in the system
// would: the worker that calls it stays inside for good. Every other call answers at once. The
// library is linked so that it is never unmapped, since that worker is still inside it when the
// process ends.
#include <tonebridge/gogo.h>

#include <atomic>
#include <cstring>
#include <unistd.h>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {
std::atomic<int32_t> framesEntered{0};
} // namespace

// Test control: how many frame calls have begun (none ever ends).
EXPORT int32_t stuck_frames_entered(void) { return framesEntered.load(); }

EXPORT int32_t MPGE_initializeWork(void) { return MPGE_OK; }
EXPORT int32_t MPGE_setConfigure(int32_t, int32_t, const void *) { return MPGE_OK; }
EXPORT int32_t MPGE_getConfigure(int32_t, void *pointer)
{
    const int32_t frames = 1000;
    std::memcpy(pointer, &frames, sizeof frames);
    return MPGE_OK;
}
EXPORT int32_t MPGE_detectConfigure(void) { return MPGE_OK; }

EXPORT int32_t MPGE_processFrame(void)
{
    ++framesEntered;
    for (;;)
        ::pause();
}

EXPORT int32_t MPGE_closeCoder(void) { return MPGE_OK; }
EXPORT int32_t MPGE_endCoder(void) { return MPGE_OK; }
EXPORT int32_t MPGE_getUnitStates(uint32_t *states)
{
    *states = 0;
    return MPGE_OK;
}
EXPORT int32_t MPGE_getVersion(uint32_t *code, char *text)
{
    *code = 1;
    std::strcpy(text, "stuck");
    return MPGE_OK;
}
