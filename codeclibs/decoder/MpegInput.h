// One MPEG audio file decoded by libmpg123 into 16-bit PCM, frame by frame.
#pragma once

#include "Failure.h"
#include "platform/audio/AudioSink.h"

#include <atomic>
#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <vector>

struct mpg123_handle_struct;

namespace tb::decoder {

class BufferedReader;

class MpegInput {
public:
    MpegInput();
    ~MpegInput();
    MpegInput(const MpegInput &) = delete;
    MpegInput &operator=(const MpegInput &) = delete;

    // Opens the file and finds its first frame.
    bool open(const std::string &path, Failure &failure);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    const std::string &path() const { return path_; }

    const audio::PcmFormat &format() const { return format_; }
    // The file's tags as the chunks of a WAV file (see SourceTags.h); empty without tags.
    const std::vector<uint8_t> &tagChunks() const { return tagChunks_; }
    int bitrateKbps() const { return bitrateKbps_; }
    // The stream's length is counted on a thread of its own while decoding starts.
    // True once it is known (without waiting).
    bool lengthReady();
    // Length in samples per channel, or -1 when it cannot be told; waits for the count.
    int64_t length();
    // Position in samples per channel of the next sample decoded.
    int64_t position() const;
    bool seek(int64_t sample);

    enum class Read { Data, NewFormat, End, Failed };
    // The next decoded frame; data stays valid until the next call.
    Read read(const uint8_t *&data, size_t &bytes, Failure &failure);

    // 64 bands (left then right), each a gain of band/10 dB; null switches the equalizer off.
    void setEqualizer(const XA_EqualizerInfo *bands);

private:
    void applyEqualizer();
    bool readFormat();

    mpg123_handle_struct *handle_ = nullptr;
    int fd_ = -1;
    std::unique_ptr<BufferedReader> reader_;
    std::string path_;
    std::vector<uint8_t> tagChunks_;
    audio::PcmFormat format_;
    int bitrateKbps_ = 0;
    std::future<int64_t> counting_;
    std::shared_ptr<std::atomic<bool>> cancelCounting_;
    int64_t length_ = -1;
    bool lengthKnown_ = false;
    bool equalizerOn_ = false;
    XA_EqualizerInfo bands_{};
};

} // namespace tb::decoder
