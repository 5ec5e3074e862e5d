// Hostile WAV files through the encoder library's input: the RIFF parser and the sample reader
// of PcmSource. Whatever the input, nothing crashes, a file it accepts has a usable format, and
// reading never delivers more sample frames than the header promised.
#include "PcmSource.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

std::string memoryFile(const uint8_t *data, size_t size)
{
    static int fd = memfd_create("encoder-wav-fuzz", MFD_CLOEXEC);
    if (fd < 0)
        std::abort();
    if (ftruncate(fd, 0) != 0 || (size > 0 && pwrite(fd, data, size, 0) != ssize_t(size)))
        std::abort();
    return "/proc/self/fd/" + std::to_string(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace tb::encoder;
    std::unique_ptr<WaveFileSource> source(WaveFileSource::open(memoryFile(data, size)));
    if (!source)
        return 0;
    const PcmFormat &f = source->format();
    check(f.channels == 1 || f.channels == 2);
    check(f.bitsPerSample == 8 || f.bitsPerSample == 16 || f.bitsPerSample == 24 || f.bitsPerSample == 32);
    check(f.sampleRate > 0 && f.frames > 0);
    check(f.frames * f.channels * (f.bitsPerSample / 8) <= int64_t(size));
    // Read in pieces of an odd size, as the encoder asks for a frame's worth at a time.
    const long piece = 1 + (size > 0 ? data[0] % 1200 : 0);
    std::vector<int32_t> left(static_cast<size_t>(piece)), right(static_cast<size_t>(piece));
    int64_t total = 0;
    for (;;) {
        const long got = source->read(left.data(), right.data(), piece);
        check(got >= -1 && got <= piece);
        if (got <= 0)
            break;
        if (f.channels == 1)
            for (long i = 0; i < got; ++i)
                check(left[size_t(i)] == right[size_t(i)]);
        total += got;
    }
    check(total <= f.frames);
    return 0;
}
