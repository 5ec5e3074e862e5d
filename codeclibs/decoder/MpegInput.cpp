#include "MpegInput.h"

#include "BufferedReader.h"
#include "SourceTags.h"

#include <mpg123.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace tb::decoder {

namespace {
void initLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

std::string quoted(const std::string &path) { return "\"" + path + "\""; }

// Opens a regular file for reading without ever blocking: a named pipe without a writer or a
// device would otherwise hold the thread in open() for good. -1 with `why` set on failure.
int openRegularFile(const std::string &path, std::string &why)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        why = std::strerror(errno);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        why = S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "not a regular file";
        ::close(fd);
        return -1;
    }
    // Reads of a regular file are plain blocking reads again.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// Counts the samples of the whole stream on a handle of its own, so the decoding handle reads
// the file exactly as a plain decode would (a scan changes how it treats damaged gapless data).
int64_t scanLength(const std::string &path, off_t audioStart, std::shared_ptr<std::atomic<bool>> cancel)
{
    std::string why;
    int fd = openRegularFile(path, why);
    if (fd < 0)
        return -1;
    if (::lseek(fd, audioStart, SEEK_SET) != audioStart) {
        ::close(fd);
        return -1;
    }
    mpg123_handle *scanner = mpg123_new(nullptr, nullptr);
    if (!scanner) {
        ::close(fd);
        return -1;
    }
    int64_t length = -1;
    BufferedReader reader(fd, cancel.get(), audioStart);
    mpg123_param(scanner, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    mpg123_replace_reader_handle(scanner, &BufferedReader::read, &BufferedReader::seek, nullptr);
    if (mpg123_open_handle(scanner, &reader) == MPG123_OK && mpg123_scan(scanner) == MPG123_OK) {
        off_t samples = mpg123_length(scanner);
        length = samples >= 0 ? static_cast<int64_t>(samples) : -1;
    }
    mpg123_close(scanner);
    mpg123_delete(scanner);
    ::close(fd);
    return *cancel ? -1 : length;
}
} // namespace

MpegInput::MpegInput() { initLibrary(); }

MpegInput::~MpegInput()
{
    close();
    if (handle_)
        mpg123_delete(handle_);
}

bool MpegInput::open(const std::string &path, Failure &failure)
{
    close();
    failure.source = XA_ERROR_SOURCE_INPUT;
    if (!handle_) {
        int error = MPG123_OK;
        handle_ = mpg123_new(nullptr, &error);
        if (!handle_) {
            failure.code = XA_ERROR_OUT_OF_MEMORY;
            failure.message = std::string("cannot start the MPEG decoder: ") + mpg123_plain_strerror(error);
            return false;
        }
        mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
        // Always 16-bit PCM, at whatever rate and channel count the stream has.
        mpg123_format_none(handle_);
        const long *rates = nullptr;
        size_t count = 0;
        mpg123_rates(&rates, &count);
        for (size_t i = 0; i < count; ++i)
            mpg123_format(handle_, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
        mpg123_replace_reader_handle(handle_, &BufferedReader::read, &BufferedReader::seek, nullptr);
    }

    // Each file starts in its own format; see readFormat for what follows the first frame.
    mpg123_param(handle_, MPG123_FORCE_RATE, 0, 0.0);
    mpg123_param(handle_, MPG123_REMOVE_FLAGS, MPG123_FORCE_MONO | MPG123_FORCE_STEREO, 0.0);

    std::string why;
    int fd = openRegularFile(path, why);
    if (fd < 0) {
        failure.code = XA_ERROR_INPUT_OPEN_FAILED;
        failure.message = "cannot open input file " + quoted(path) + ": " + why;
        return false;
    }
    struct stat info {};
    ::fstat(fd, &info);
    MpegFileTags tags = readMpegFileTags(fd, info.st_size);
    if (tags.audioStart > 0)
        ::lseek(fd, tags.audioStart, SEEK_SET);
    reader_ = std::make_unique<BufferedReader>(fd, nullptr, tags.audioStart);
    if (mpg123_open_handle(handle_, reader_.get()) != MPG123_OK) {
        reader_.reset();
        ::close(fd);
        failure.code = XA_ERROR_INPUT_OPEN_FAILED;
        failure.message = "cannot open input file " + quoted(path) + ": " + mpg123_strerror(handle_);
        return false;
    }
    fd_ = fd;
    path_ = path;
    if (!readFormat()) {
        close();
        failure.code = XA_ERROR_INVALID_STREAM;
        failure.message = "input file " + quoted(path) + " is not an MPEG audio stream";
        return false;
    }
    tagChunks_ = std::move(tags.wavChunks);
    // A stream may change its rate or channel count part way (files joined end to end). The
    // output keeps the first frame's format: libmpg123 resamples and mixes later frames to it.
    mpg123_param(handle_, MPG123_FORCE_RATE, static_cast<long>(format_.rate), 0.0);
    mpg123_param(handle_, MPG123_ADD_FLAGS, format_.channels == 1 ? MPG123_MONO_MIX : MPG123_FORCE_STEREO, 0.0);
    cancelCounting_ = std::make_shared<std::atomic<bool>>(false);
    counting_ = std::async(std::launch::async, scanLength, path, tags.audioStart, cancelCounting_);
    applyEqualizer();
    return true;
}

bool MpegInput::readFormat()
{
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 || channels <= 0)
        return false;
    format_ = audio::PcmFormat{static_cast<unsigned>(rate), static_cast<unsigned>(channels), 16};
    mpg123_frameinfo2 info{};
    if (mpg123_info2(handle_, &info) == MPG123_OK)
        bitrateKbps_ = info.bitrate;
    return true;
}

bool MpegInput::lengthReady()
{
    if (!lengthKnown_ && counting_.valid() &&
        counting_.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        length_ = counting_.get();
        lengthKnown_ = true;
    }
    return lengthKnown_;
}

int64_t MpegInput::length()
{
    if (!lengthKnown_ && counting_.valid()) {
        length_ = counting_.get();
        lengthKnown_ = true;
    }
    return length_;
}

void MpegInput::close()
{
    if (counting_.valid()) {
        // A long count of a file no longer wanted ends at its next read.
        *cancelCounting_ = true;
        counting_.wait();
    }
    counting_ = {};
    lengthKnown_ = false;
    if (fd_ < 0)
        return;
    mpg123_close(handle_);
    reader_.reset();
    ::close(fd_);
    fd_ = -1;
    path_.clear();
    tagChunks_.clear();
    length_ = -1;
    bitrateKbps_ = 0;
}

int64_t MpegInput::position() const
{
    if (!isOpen())
        return 0;
    off_t sample = mpg123_tell(handle_);
    return sample > 0 ? static_cast<int64_t>(sample) : 0;
}

bool MpegInput::seek(int64_t sample)
{
    return isOpen() && mpg123_seek(handle_, static_cast<off_t>(sample), SEEK_SET) >= 0;
}

MpegInput::Read MpegInput::read(const uint8_t *&data, size_t &bytes, Failure &failure)
{
    for (;;) {
        off_t frame = 0;
        unsigned char *audio = nullptr;
        size_t done = 0;
        int result = mpg123_decode_frame(handle_, &frame, &audio, &done);
        if (result == MPG123_OK) {
            if (done == 0)
                continue;
            data = audio;
            bytes = done;
            return Read::Data;
        }
        if (result == MPG123_NEW_FORMAT)
            return readFormat() ? Read::NewFormat : Read::Failed;
        if (result == MPG123_DONE)
            return Read::End;
        failure.source = XA_ERROR_SOURCE_CODEC;
        failure.code = XA_ERROR_DECODE_FAILED;
        failure.message = "cannot decode " + quoted(path_) + ": " + mpg123_strerror(handle_);
        return Read::Failed;
    }
}

void MpegInput::setEqualizer(const XA_EqualizerInfo *bands)
{
    equalizerOn_ = bands != nullptr;
    if (bands)
        bands_ = *bands;
    applyEqualizer();
}

void MpegInput::applyEqualizer()
{
    if (!handle_)
        return;
    if (!equalizerOn_) {
        mpg123_reset_eq(handle_);
        return;
    }
    // A band value v is v/10 dB, a linear factor of 10^(v/200).
    for (int band = 0; band < 32; ++band) {
        mpg123_eq2(handle_, MPG123_LEFT, band, std::pow(10.0, bands_.left[band] / 200.0));
        mpg123_eq2(handle_, MPG123_RIGHT, band, std::pow(10.0, bands_.right[band] / 200.0));
    }
}

} // namespace tb::decoder
