// Arithmetic and wave format helpers shared by the wave components.
#pragma once

#include "tonebridge/wave.h"

#include <cstdint>
#include <vector>

namespace tb {

enum TMMTimeFormats { tfMillisecond = 0, tfByte = 1, tfSample = 2 };
enum TMMMode { mMono = 0, mStereo = 1 };

// a * b / c rounded to nearest (halves up), with a wide product; 0 when c is 0.
// The result saturates at the limits of 64 bits.
int64_t MulDivRound(int64_t a, int64_t b, int64_t c);

// Unit conversions for a format; a format with a zero rate field converts to 0.
int64_t wioBytesToSamples(const WAVEFORMATEX &format, int64_t bytes);
int64_t wioSamplesToBytes(const WAVEFORMATEX &format, int64_t samples); // whole blocks, rounded up
int64_t wioSamplesToTime(const WAVEFORMATEX &format, int64_t samples, TMMTimeFormats unit);
int64_t wioTimeToSamples(const WAVEFORMATEX &format, int64_t value, TMMTimeFormats unit);
int64_t wioSamplesToMs(const WAVEFORMATEX &format, int64_t samples);
int64_t wioMsToSamples(const WAVEFORMATEX &format, int64_t ms);

// Bytes a copy of the format takes: 18 for PCM, 18 + cbSize for any other tag.
size_t waveFormatCopySize(const WAVEFORMATEX &format);

// A private copy of a wave format. Built from a record, it copies waveFormatCopySize bytes;
// built from raw bytes, it never reads beyond them: a cbSize larger than the bytes present is
// lowered to what is there, and a record shorter than 18 bytes is completed with zeros.
class WaveFormatCopy {
public:
    WaveFormatCopy() = default;
    explicit WaveFormatCopy(const WAVEFORMATEX *format);
    static WaveFormatCopy fromBytes(const void *bytes, size_t size);

    bool empty() const { return bytes_.empty(); }
    const WAVEFORMATEX *get() const
    {
        return bytes_.empty() ? nullptr : reinterpret_cast<const WAVEFORMATEX *>(bytes_.data());
    }
    size_t size() const { return bytes_.size(); }

private:
    std::vector<uint8_t> bytes_;
};

} // namespace tb
