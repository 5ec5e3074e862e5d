// Where a player's decoded PCM goes: a WAV file or the default audio device.
#pragma once

#include "Failure.h"
#include "WavFileWriter.h"
#include "platform/audio/AudioSink.h"

#include <memory>
#include <string>
#include <vector>

namespace tb::decoder {

class PcmOutput {
public:
    virtual ~PcmOutput() = default;
    virtual const std::string &name() const = 0;
    // Called whenever playing starts or the stream's format changes.
    virtual bool begin(const audio::PcmFormat &format, Failure &failure) = 0;
    // The input's tags as WAV chunks, given before playing starts; a file keeps them.
    virtual bool setTagChunks(const std::vector<uint8_t> &, Failure &) { return true; }
    virtual bool write(const uint8_t *data, size_t bytes, Failure &failure) = 0;
    virtual void pause(bool) {}
    // Forgets what is queued (seeking, stopping).
    virtual void discard() {}
    // Frames written but not yet heard.
    virtual uint64_t latencyFrames() { return 0; }
    // Play out what is queued, or bring the file up to date (asked to).
    virtual bool finish(Failure &failure) = 0;
    // The input has been decoded to its end: a file is complete and gets its name.
    virtual bool complete(Failure &failure) { return finish(failure); }
    // What was written since playing began is not wanted (stopped, failed): a file is removed.
    virtual void abandon() {}
    // Playing stopped: a device is given back.
    virtual void release() {}
    // The output is closed for good; a file that was never completed is removed.
    virtual bool close(Failure &failure) = 0;
};

// "wav:<path>": the decoded audio as a RIFF WAVE file. Each stream decoded to its end is one
// complete file at the path; playing again writes it anew.
class WavFileOutput : public PcmOutput {
public:
    explicit WavFileOutput(std::string name) : name_(std::move(name)) {}
    bool open(const std::string &path, Failure &failure);
    const std::string &name() const override { return name_; }
    bool begin(const audio::PcmFormat &format, Failure &failure) override;
    bool setTagChunks(const std::vector<uint8_t> &chunks, Failure &failure) override;
    bool write(const uint8_t *data, size_t bytes, Failure &failure) override;
    bool finish(Failure &failure) override;
    bool complete(Failure &failure) override;
    void abandon() override;
    bool close(Failure &failure) override;

private:
    std::string name_;
    std::string path_;
    WavFileWriter writer_;
};

// The system's default audio output, opened while playing.
class DeviceOutput : public PcmOutput {
public:
    explicit DeviceOutput(std::string name) : name_(std::move(name)) {}
    const std::string &name() const override { return name_; }
    bool begin(const audio::PcmFormat &format, Failure &failure) override;
    bool write(const uint8_t *data, size_t bytes, Failure &failure) override;
    void pause(bool paused) override;
    void discard() override;
    uint64_t latencyFrames() override;
    bool finish(Failure &failure) override;
    void release() override { sink_.reset(); }
    bool close(Failure &) override
    {
        sink_.reset();
        return true;
    }

private:
    std::string name_;
    std::unique_ptr<audio::AudioSink> sink_;
    bool paused_ = false;
    uint64_t framesWritten_ = 0; // into the current sink
};

// An output that could not be opened: it refuses to play, so the audio goes nowhere unexpected.
class BrokenOutput : public PcmOutput {
public:
    BrokenOutput(std::string name, Failure failure) : name_(std::move(name)), failure_(std::move(failure)) {}
    const std::string &name() const override { return name_; }
    bool begin(const audio::PcmFormat &, Failure &failure) override
    {
        failure = failure_;
        return false;
    }
    bool write(const uint8_t *, size_t, Failure &failure) override { return begin({}, failure); }
    bool finish(Failure &) override { return true; }
    bool close(Failure &) override { return true; }

private:
    std::string name_;
    Failure failure_;
};

} // namespace tb::decoder
