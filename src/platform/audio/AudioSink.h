// The system's wave output as a blocking PCM sink: one open device playing one format.
// A sink is used by one thread at a time; write() blocks as a real device does, so whoever writes
// is paced in real time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tb::audio {

struct PcmFormat {
    unsigned rate = 44100;
    unsigned channels = 2;
    unsigned bitsPerSample = 16; // signed little-endian samples
    unsigned bytesPerFrame() const { return channels * (bitsPerSample / 8); }
    bool operator==(const PcmFormat &) const = default;
};

class AudioSink {
public:
    virtual ~AudioSink() = default;
    // Queues whole frames; blocks until the device has room. False when the device failed.
    virtual bool write(const void *data, size_t bytes) = 0;
    // Stops or resumes the device clock without losing what is queued.
    virtual void pause(bool paused) = 0;
    // Discards everything queued.
    virtual void drop() = 0;
    // Returns once everything queued has been played.
    virtual void drain() = 0;
    // Frames actually played since the sink was opened.
    virtual uint64_t framesPlayed() = 0;
    virtual const PcmFormat &format() const = 0;
    // Text of the last failure.
    virtual std::string lastError() const = 0;
};

// Opens the default wave output for the format. TONEBRIDGE_AUDIO selects the backend:
// "null" the real-time null device, "capture:<file>" the capture double recording into <file>,
// anything else ALSA's "default" device, falling back to the null device when that cannot open.
std::unique_ptr<AudioSink> openDefaultSink(const PcmFormat &format);

// What the default wave output is and takes, from the same backend choice.
struct OutputCaps {
    std::string productName;
    uint32_t driverVersion = 0;
    // The standard formats as flags: bit 4 x band + 2 x (16 bits) + (stereo), the bands being
    // 11025, 22050 and 44100 Hz.
    uint32_t standardFormats = 0;
};
OutputCaps defaultOutputCaps();
// Whether the default wave output accepts this format, without opening it for playing.
bool defaultOutputTakes(const PcmFormat &format);

} // namespace tb::audio
