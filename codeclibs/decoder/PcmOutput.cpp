#include "PcmOutput.h"

namespace tb::decoder {

namespace {
Failure outputFailure(int code, std::string message)
{
    return Failure{code, XA_ERROR_SOURCE_OUTPUT, std::move(message)};
}
} // namespace

bool WavFileOutput::open(const std::string &path, Failure &failure)
{
    path_ = path;
    std::string error;
    if (writer_.open(path, error))
        return true;
    failure = outputFailure(XA_ERROR_OUTPUT_OPEN_FAILED, error);
    return false;
}

bool WavFileOutput::begin(const audio::PcmFormat &format, Failure &failure)
{
    // After a completed or abandoned stream, playing again starts a new file.
    if (!writer_.isOpen() && !open(path_, failure))
        return false;
    if (!writer_.hasFormat()) {
        writer_.setFormat(format);
        return true;
    }
    if (writer_.format() == format)
        return true;
    failure = outputFailure(XA_ERROR_OUTPUT_FORMAT_CHANGED,
                            "output file \"" + writer_.path() + "\" already holds audio of another format");
    return false;
}

bool WavFileOutput::setTagChunks(const std::vector<uint8_t> &chunks, Failure &failure)
{
    std::string error;
    if (writer_.setMetadata(chunks, error))
        return true;
    failure = outputFailure(XA_ERROR_OUTPUT_WRITE_FAILED, error);
    return false;
}

bool WavFileOutput::write(const uint8_t *data, size_t bytes, Failure &failure)
{
    std::string error;
    if (writer_.write(data, bytes, error))
        return true;
    failure = outputFailure(XA_ERROR_OUTPUT_WRITE_FAILED, error);
    return false;
}

bool WavFileOutput::finish(Failure &failure)
{
    std::string error;
    if (writer_.updateHeader(error))
        return true;
    failure = outputFailure(XA_ERROR_OUTPUT_WRITE_FAILED, error);
    return false;
}

bool WavFileOutput::complete(Failure &failure)
{
    std::string error;
    if (!writer_.isOpen() || writer_.close(error))
        return true;
    failure = outputFailure(XA_ERROR_OUTPUT_WRITE_FAILED, error);
    return false;
}

void WavFileOutput::abandon() { writer_.abandon(); }

bool WavFileOutput::close(Failure &)
{
    writer_.abandon();
    return true;
}

bool DeviceOutput::begin(const audio::PcmFormat &format, Failure &failure)
{
    if (sink_ && sink_->format() == format)
        return true;
    sink_ = audio::openDefaultSink(format);
    framesWritten_ = 0;
    if (!sink_) {
        failure = outputFailure(XA_ERROR_OUTPUT_OPEN_FAILED, "cannot open the audio output");
        return false;
    }
    sink_->pause(paused_);
    return true;
}

bool DeviceOutput::write(const uint8_t *data, size_t bytes, Failure &failure)
{
    if (sink_ && sink_->write(data, bytes)) {
        framesWritten_ += bytes / sink_->format().bytesPerFrame();
        return true;
    }
    failure = outputFailure(XA_ERROR_OUTPUT_WRITE_FAILED,
                            "cannot play on the audio output: " + (sink_ ? sink_->lastError() : std::string("not open")));
    return false;
}

void DeviceOutput::pause(bool paused)
{
    paused_ = paused;
    if (sink_)
        sink_->pause(paused);
}

void DeviceOutput::discard()
{
    if (!sink_)
        return;
    sink_->drop();
    framesWritten_ = sink_->framesPlayed();
}

uint64_t DeviceOutput::latencyFrames()
{
    if (!sink_)
        return 0;
    uint64_t played = sink_->framesPlayed();
    return framesWritten_ > played ? framesWritten_ - played : 0;
}

bool DeviceOutput::finish(Failure &)
{
    if (sink_)
        sink_->drain();
    return true;
}

} // namespace tb::decoder
