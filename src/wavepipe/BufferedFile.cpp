#include "wavepipe/BufferedFile.h"

#include "platform/PathBytes.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tb {

bool BufferedFile::open(const QString &fileName)
{
    close();
    // Non-blocking, so that a FIFO never stalls; only regular files are accepted.
    const int fd = ::open(pathToBytes(fileName).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    size_ = info.st_size;
    position_ = 0;
    bufferStart_ = 0;
    bufferFill_ = 0;
    if (buffer_.empty())
        buffer_.resize(8192);
    return true;
}

void BufferedFile::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    size_ = 0;
    position_ = 0;
    bufferFill_ = 0;
}

bool BufferedFile::seek(int64_t position)
{
    if (fd_ < 0 || position < 0 || position > size_)
        return false;
    position_ = position;
    return true;
}

int64_t BufferedFile::read(void *buffer, int64_t count)
{
    if (fd_ < 0)
        return -1;
    auto *out = static_cast<char *>(buffer);
    int64_t done = 0;
    while (done < count) {
        const bool inBuffer = position_ >= bufferStart_ && position_ < bufferStart_ + bufferFill_;
        if (!inBuffer) {
            ssize_t n;
            do {
                n = ::pread(fd_, buffer_.data(), buffer_.size(), position_);
            } while (n < 0 && errno == EINTR);
            if (n < 0)
                return done > 0 ? done : -1;
            bufferStart_ = position_;
            bufferFill_ = n;
            if (n == 0)
                break;
        }
        const int64_t offset = position_ - bufferStart_;
        const int64_t n = std::min(count - done, bufferFill_ - offset);
        std::memcpy(out + done, buffer_.data() + offset, size_t(n));
        done += n;
        position_ += n;
    }
    return done;
}

void BufferedFile::setBufferSize(int64_t bytes)
{
    buffer_.assign(size_t(std::max<int64_t>(bytes, 1)), 0);
    bufferFill_ = 0;
}

} // namespace tb
