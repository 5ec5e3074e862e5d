#include "wavepipe/MMUtils.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace tb {

namespace {

__extension__ typedef __int128 Wide;

int64_t saturate(Wide value)
{
    constexpr int64_t hi = std::numeric_limits<int64_t>::max();
    constexpr int64_t lo = std::numeric_limits<int64_t>::min();
    return value > hi ? hi : value < lo ? lo : static_cast<int64_t>(value);
}

} // namespace

int64_t MulDivRound(int64_t a, int64_t b, int64_t c)
{
    if (c == 0)
        return 0;
    const Wide product = Wide(a) * b;
    return saturate(product / c + (2 * (product % c)) / c);
}

int64_t wioBytesToSamples(const WAVEFORMATEX &format, int64_t bytes)
{
    return MulDivRound(bytes, format.nSamplesPerSec, format.nAvgBytesPerSec);
}

int64_t wioSamplesToBytes(const WAVEFORMATEX &format, int64_t samples)
{
    int64_t bytes = MulDivRound(samples, format.nAvgBytesPerSec, format.nSamplesPerSec);
    const int64_t align = format.nBlockAlign;
    if (align > 1 && bytes % align != 0 && bytes < std::numeric_limits<int64_t>::max() - align)
        bytes += align - bytes % align;
    return bytes;
}

int64_t wioSamplesToMs(const WAVEFORMATEX &format, int64_t samples)
{
    return MulDivRound(samples, 1000, format.nSamplesPerSec);
}

int64_t wioMsToSamples(const WAVEFORMATEX &format, int64_t ms)
{
    return MulDivRound(ms, format.nSamplesPerSec, 1000);
}

int64_t wioSamplesToTime(const WAVEFORMATEX &format, int64_t samples, TMMTimeFormats unit)
{
    switch (unit) {
    case tfMillisecond: return wioSamplesToMs(format, samples);
    case tfByte: return wioSamplesToBytes(format, samples);
    case tfSample: break;
    }
    return samples;
}

int64_t wioTimeToSamples(const WAVEFORMATEX &format, int64_t value, TMMTimeFormats unit)
{
    switch (unit) {
    case tfMillisecond: return wioMsToSamples(format, value);
    case tfByte: return wioBytesToSamples(format, value);
    case tfSample: break;
    }
    return value;
}

size_t waveFormatCopySize(const WAVEFORMATEX &format)
{
    return format.wFormatTag == WAVE_FORMAT_PCM ? sizeof(WAVEFORMATEX) : sizeof(WAVEFORMATEX) + format.cbSize;
}

WaveFormatCopy::WaveFormatCopy(const WAVEFORMATEX *format)
{
    if (!format)
        return;
    const auto *bytes = reinterpret_cast<const uint8_t *>(format);
    bytes_.assign(bytes, bytes + waveFormatCopySize(*format));
}

WaveFormatCopy WaveFormatCopy::fromBytes(const void *bytes, size_t size)
{
    WaveFormatCopy copy;
    WAVEFORMATEX head{};
    if (size > 0)
        std::memcpy(&head, bytes, std::min(size, sizeof head));
    const size_t extraPresent = size > sizeof head ? size - sizeof head : 0;
    if (head.wFormatTag != WAVE_FORMAT_PCM && head.cbSize > extraPresent)
        head.cbSize = static_cast<uint16_t>(extraPresent);
    copy.bytes_.resize(waveFormatCopySize(head));
    std::memcpy(copy.bytes_.data(), &head, sizeof head);
    if (copy.bytes_.size() > sizeof head)
        std::memcpy(copy.bytes_.data() + sizeof head, static_cast<const uint8_t *>(bytes) + sizeof head,
                    copy.bytes_.size() - sizeof head);
    return copy;
}

} // namespace tb
