// The nine entry points of encoder.so. The library holds one encoding at a time in a single
// work area; a mutex serialises the calls, which may come from different threads.
#include "Mp3Encoder.h"
#include "PcmSource.h"

#include <tonebridge/gogo.h>

#include <lame/lame.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#define MPGE_EXPORT extern "C" __attribute__((visibility("default")))

namespace tb::encoder {
namespace {

constexpr uint32_t VersionCode = 0x00030600; // 3.6
constexpr int32_t NoInput = -1;

struct Work {
    bool initialised = false;
    // Configuration items.
    int32_t inputDevice = NoInput;
    std::string inputPath;
    MPGE_USERFUNC userInput{};
    std::string outputPath;
    EncoderSettings settings;
    bool itemRejected = false; // a known item got a value it cannot take
    // The open encoding, from a successful MPGE_detectConfigure until MPGE_closeCoder.
    std::unique_ptr<PcmSource> source;
    std::unique_ptr<Mp3Encoder> encoder;
    int32_t frames = 0;    // MPGE_processFrame calls the input takes; 0 when its length is unknown
    int64_t framesLeft = -1; // sample frames still to come, -1 when unknown
    bool finished = false;
    std::vector<int32_t> left, right;

    void closeCoder()
    {
        encoder.reset(); // an unfinished output stays as far as it was written
        source.reset();
        frames = 0;
        framesLeft = -1;
        finished = false;
    }
    void reset()
    {
        closeCoder();
        *this = Work{};
    }
};

std::mutex workLock;
Work work;
// Why the last call failed, in words; outlives the work area's reset so that the caller can
// still ask after the encoding has been closed. Cleared by MPGE_initializeWork.
std::string lastError;

bool isOpen() { return work.encoder != nullptr; }

int32_t failWith(int32_t result, std::string why)
{
    lastError = std::move(why);
    return result;
}

// True when the path names a regular file that can be opened for reading. The test never
// blocks: opening a named pipe without a writer for reading would wait for good.
bool isReadableFile(const std::string &path, std::string &why)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (!regular)
        why = S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "not a regular file";
    ::close(fd);
    return regular;
}

std::string encoderFailure(int32_t result, const Mp3Encoder &encoder, const char *what)
{
    if (result == MPGE_ERR_OUTPUT)
        return std::string("cannot ") + what + " the MP3 file: " + encoder.outputError();
    return "the MP3 encoder failed";
}

int32_t detect()
{
    if (!work.initialised || isOpen())
        return MPGE_ERR_STATE;
    if (work.itemRejected)
        return MPGE_ERR_PARAMETER;
    if (work.inputDevice == MC_INPDEV_FILE) {
        std::string why;
        if (!isReadableFile(work.inputPath, why))
            return failWith(MPGE_ERR_INPUT, "cannot open the WAV file: " + why);
        auto *file = WaveFileSource::open(work.inputPath);
        if (!file)
            return failWith(MPGE_ERR_INPUT, "not a PCM WAV file, or damaged");
        if (!work.outputPath.empty() && file->sameFileAs(work.outputPath)) {
            delete file;
            return failWith(MPGE_ERR_OUTPUT, "the MP3 file would overwrite its WAV source");
        }
        work.source.reset(file);
    } else if (work.inputDevice == MC_INPDEV_USERFUNC) {
        work.source.reset(CallbackSource::open(work.userInput));
    }
    if (!work.source)
        return failWith(MPGE_ERR_INPUT, "no usable input");
    if (work.outputPath.empty()) {
        work.source.reset();
        return failWith(MPGE_ERR_OUTPUT, "no output file");
    }
    auto encoder = std::make_unique<Mp3Encoder>();
    if (work.inputDevice == MC_INPDEV_FILE)
        encoder->setTags(mp3TagsFor(readWavTags(work.inputPath)));
    const int32_t result = encoder->open(work.settings, work.source->format(), work.outputPath);
    if (result != MPGE_OK) {
        work.source.reset();
        if (result == MPGE_ERR_PARAMETER)
            return failWith(result, "the bitrate or channel mode does not fit the WAV file");
        return failWith(result, result == MPGE_ERR_OUTPUT ? encoderFailure(result, *encoder, "create")
                                                          : "the MP3 encoder refused the settings");
    }
    const int64_t inputFrames = work.source->format().frames;
    const long perFrame = encoder->inputFramesPerFrame();
    work.framesLeft = inputFrames;
    work.frames = inputFrames < 0 ? 0 : static_cast<int32_t>((inputFrames + perFrame - 1) / perFrame);
    work.left.resize(static_cast<size_t>(perFrame));
    work.right.resize(static_cast<size_t>(perFrame));
    work.encoder = std::move(encoder);
    return MPGE_OK;
}

int32_t processFrame()
{
    if (!isOpen() || work.finished)
        return MPGE_ERR_STATE;
    const long wanted = work.encoder->inputFramesPerFrame();
    errno = 0;
    const long got = work.source->read(work.left.data(), work.right.data(), wanted);
    if (got < 0)
        return failWith(MPGE_ERR_READ, std::string("cannot read the WAV file: ") +
                                           (errno != 0 ? std::strerror(errno) : "it ended early"));
    if (got > 0) {
        if (int32_t result = work.encoder->encode(work.left.data(), work.right.data(), got); result != MPGE_OK)
            return failWith(result, encoderFailure(result, *work.encoder, "write"));
        if (work.framesLeft > 0)
            work.framesLeft -= got;
    }
    // An input of known length ends with the call that takes its last samples; an open-ended
    // input ends with the call that finds nothing more.
    if (got == wanted && work.framesLeft != 0)
        return MPGE_OK;
    work.finished = true;
    const int32_t result = work.encoder->finish();
    return result == MPGE_OK ? MPGE_FINISHED : failWith(result, encoderFailure(result, *work.encoder, "write"));
}

uint32_t unitStates()
{
    uint32_t states = 0;
#if defined(__x86_64__) || defined(__i386__)
    unsigned a, b, c, d;
    if (__get_cpuid(1, &a, &b, &c, &d)) {
        if (d & bit_MMX)
            states |= MU_MMX;
        if (d & bit_SSE)
            states |= MU_SSE;
    }
    if (__get_cpuid(0x80000001, &a, &b, &c, &d)) {
        if (d & (1u << 31))
            states |= MU_3DNOW;
        if (d & (1u << 30))
            states |= MU_E3DNOW;
    }
#endif
    return states;
}

} // namespace
} // namespace tb::encoder

using namespace tb::encoder;

MPGE_EXPORT int32_t MPGE_initializeWork(void)
{
    std::lock_guard<std::mutex> hold(workLock);
    work.reset();
    work.initialised = true;
    lastError.clear();
    return MPGE_OK;
}

MPGE_EXPORT int32_t MPGE_setConfigure(int32_t item, int32_t value, const void *pointer)
{
    std::lock_guard<std::mutex> hold(workLock);
    if (!work.initialised || isOpen())
        return MPGE_ERR_STATE;
    bool accepted = true;
    EncoderSettings &s = work.settings;
    switch (item) {
    case MC_INPUTFILE:
        work.inputDevice = NoInput;
        if (value == MC_INPDEV_FILE && pointer) {
            work.inputDevice = value;
            work.inputPath = static_cast<const char *>(pointer);
        } else if (value == MC_INPDEV_USERFUNC && pointer) {
            work.inputDevice = value;
            std::memcpy(&work.userInput, pointer, sizeof work.userInput);
        } else {
            accepted = false;
        }
        break;
    case MC_OUTPUTFILE:
        accepted = pointer != nullptr;
        work.outputPath = accepted ? static_cast<const char *>(pointer) : "";
        break;
    case MC_ENCODEMODE:
        accepted = value >= MC_MODE_MONO && value <= MC_MODE_DUALCHANNEL;
        s.mode = value;
        break;
    case MC_BITRATE: s.bitrate = value; break; // checked against the sample rate later
    case MC_USEPSY: s.highQuality = value != 0; break;
    case MC_USELPF16: s.lowpass16k = value != 0; break;
    case MC_USEMMX:
    case MC_USE3DNOW:
    case MC_USEKNI:
    case MC_USEE3DNOW:
    case MC_USESPC1:
    case MC_USESPC2: break; // LAME picks its own processor code paths
    case MC_EMPHASIS:
        accepted = value == 0 || value == 1 || value == 3;
        s.emphasis = value;
        break;
    case MC_VBR:
        accepted = value >= 0 && value <= 9;
        s.vbrLevel = value;
        break;
    default: return MPGE_ERR_PARAMETER; // unknown items change nothing
    }
    if (!accepted)
        work.itemRejected = true;
    return accepted ? MPGE_OK : MPGE_ERR_PARAMETER;
}

MPGE_EXPORT int32_t MPGE_getConfigure(int32_t item, void *pointer)
{
    std::lock_guard<std::mutex> hold(workLock);
    if (item != MG_FRAMES || !pointer)
        return MPGE_ERR_PARAMETER;
    const int32_t frames = isOpen() ? work.frames : 0;
    std::memcpy(pointer, &frames, sizeof frames);
    return isOpen() ? MPGE_OK : MPGE_ERR_STATE;
}

MPGE_EXPORT int32_t MPGE_detectConfigure(void)
{
    std::lock_guard<std::mutex> hold(workLock);
    return detect();
}

MPGE_EXPORT int32_t MPGE_processFrame(void)
{
    std::lock_guard<std::mutex> hold(workLock);
    return processFrame();
}

MPGE_EXPORT int32_t MPGE_closeCoder(void)
{
    std::lock_guard<std::mutex> hold(workLock);
    work.closeCoder();
    return MPGE_OK;
}

MPGE_EXPORT int32_t MPGE_endCoder(void)
{
    std::lock_guard<std::mutex> hold(workLock);
    work.reset();
    return MPGE_OK;
}

MPGE_EXPORT int32_t MPGE_getUnitStates(uint32_t *states)
{
    if (!states)
        return MPGE_ERR_PARAMETER;
    *states = unitStates();
    return MPGE_OK;
}

MPGE_EXPORT int32_t MPGE_getVersion(uint32_t *code, char *text)
{
    if (code)
        *code = VersionCode;
    if (text)
        std::snprintf(text, MPGE_VERSION_TEXT_SIZE, "Tonebridge encoder %u.%u (LAME %s)", VersionCode >> 16,
                      (VersionCode >> 8) & 0xFF, get_lame_version());
    return MPGE_OK;
}

// Not one of the nine: the reason for the last failure, for callers that want to show it.
MPGE_EXPORT int32_t MPGE_getLastError(char *text, int32_t size)
{
    if (!text || size <= 0)
        return MPGE_ERR_PARAMETER;
    std::lock_guard<std::mutex> hold(workLock);
    std::snprintf(text, static_cast<size_t>(size), "%s", lastError.c_str());
    return MPGE_OK;
}
