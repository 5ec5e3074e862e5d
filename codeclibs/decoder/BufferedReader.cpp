#include "BufferedReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace tb::decoder {

ssize_t BufferedReader::read(void *self, void *to, size_t bytes)
{
    return static_cast<BufferedReader *>(self)->readSome(static_cast<uint8_t *>(to), bytes);
}

off_t BufferedReader::seek(void *self, off_t offset, int whence)
{
    auto *reader = static_cast<BufferedReader *>(self);
    const off_t position = reader->seekTo(whence == SEEK_SET ? offset + reader->origin_ : offset, whence);
    if (position >= 0 && position < reader->origin_) {
        // From the end to before the stream's beginning.
        reader->seekTo(reader->origin_, SEEK_SET);
        errno = EINVAL;
        return -1;
    }
    return position < 0 ? position : position - reader->origin_;
}

ssize_t BufferedReader::readSome(uint8_t *to, size_t bytes)
{
    if (cancel_ && *cancel_) {
        errno = ECANCELED;
        return -1;
    }
    size_t done = 0;
    while (done < bytes) {
        if (next_ == filled_) {
            ssize_t got;
            do {
                got = ::read(fd_, buffer_.data(), buffer_.size());
            } while (got < 0 && errno == EINTR);
            if (got < 0)
                return done > 0 ? static_cast<ssize_t>(done) : -1;
            if (got == 0)
                break; // end of file
            next_ = 0;
            filled_ = static_cast<size_t>(got);
            bufferEnd_ += got;
        }
        size_t take = std::min(bytes - done, filled_ - next_);
        std::memcpy(to + done, buffer_.data() + next_, take);
        next_ += take;
        done += take;
    }
    return static_cast<ssize_t>(done);
}

off_t BufferedReader::seekTo(off_t offset, int whence)
{
    off_t bufferStart = bufferEnd_ - static_cast<off_t>(filled_);
    off_t current = bufferStart + static_cast<off_t>(next_);
    off_t target;
    if (whence == SEEK_SET)
        target = offset;
    else if (whence == SEEK_CUR)
        target = current + offset;
    else {
        // From the end: the file decides.
        target = ::lseek(fd_, offset, SEEK_END);
        if (target < 0)
            return -1;
        next_ = filled_ = 0;
        bufferEnd_ = target;
        return target;
    }
    if (target < origin_) {
        errno = EINVAL;
        return -1;
    }
    if (target >= bufferStart && target <= bufferEnd_) {
        next_ = static_cast<size_t>(target - bufferStart);
        return target;
    }
    if (::lseek(fd_, target, SEEK_SET) < 0)
        return -1;
    next_ = filled_ = 0;
    bufferEnd_ = target;
    return target;
}

} // namespace tb::decoder
