#include "audioinfo/ProbeStream.h"

#include "platform/Exception.h"
#include "platform/PathBytes.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tb {

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

void ProbeStream::readExactly(void *buffer, int64_t count)
{
    if (count <= 0)
        return;
    if (read(buffer, count) != count)
        throw EInOutError(QStringLiteral("Read beyond end of file"));
}

FileProbeStream::FileProbeStream(const QString &fileName)
{
    // Non-blocking open, so that a FIFO or a device node never stalls the probe.
    fd_ = ::open(pathToBytes(fileName).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0)
        throw EInOutError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, systemError(errno)));
    struct stat info {};
    regular_ = ::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode);
    // Anything but a regular file (a FIFO, a device) is probed as empty.
    if (regular_)
        size_ = info.st_size;
}

FileProbeStream::~FileProbeStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void FileProbeStream::seek(int64_t position)
{
    if (position < 0 || (regular_ && ::lseek(fd_, position, SEEK_SET) < 0))
        throw EInOutError(QStringLiteral("Seek error: %1").arg(systemError(errno)));
    position_ = position;
}

int64_t FileProbeStream::read(void *buffer, int64_t count)
{
    if (!regular_)
        return 0;
    auto *out = static_cast<char *>(buffer);
    int64_t done = 0;
    while (done < count) {
        ssize_t n = ::read(fd_, out + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw EInOutError(QStringLiteral("Read error: %1").arg(systemError(errno)));
        if (n == 0)
            break;
        done += n;
    }
    position_ += done;
    return done;
}

void MemoryProbeStream::seek(int64_t position)
{
    if (position < 0)
        throw EInOutError(QStringLiteral("Seek error"));
    position_ = position;
}

int64_t MemoryProbeStream::read(void *buffer, int64_t count)
{
    if (count <= 0 || position_ >= size_)
        return 0;
    int64_t n = std::min(count, size_ - position_);
    std::memcpy(buffer, data_ + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

} // namespace tb
