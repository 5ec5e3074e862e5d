#include "AtomicFileWriter.h"

#include "platform/Exception.h"
#include "platform/PathBytes.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tb {

QString runtimeErrorText(int error)
{
    switch (error) {
    case ENOENT:
        return QStringLiteral("File not found");
    case ENOTDIR:
        return QStringLiteral("Path not found");
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return QStringLiteral("File access denied");
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return QStringLiteral("Disk full");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Too many open files");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

namespace {
[[noreturn]] void fail(int error) { throw EInOutError(runtimeErrorText(error)); }

bool writeAll(int fd, const char *data, size_t size, size_t bufferSize)
{
    while (size > 0) {
        size_t piece = std::min(size, bufferSize);
        ssize_t written = ::write(fd, data, piece);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}
} // namespace

void writeFileAtomically(const QString &path, const std::string &content, size_t bufferSize)
{
    // Write beside the real file when the name is a link, so the link itself survives.
    QByteArray targetName = pathToBytes(path);
    struct stat link {};
    if (::lstat(targetName.constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char *real = ::realpath(targetName.constData(), nullptr)) {
            targetName = real;
            std::free(real);
        }
    }

    mode_t mode = 0644;
    struct stat existing {};
    if (::stat(targetName.constData(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode))
            fail(EISDIR);
        // A read-only file stays read-only, also for a user whom the system would let replace it.
        if ((existing.st_mode & 0222) == 0 || ::access(targetName.constData(), W_OK) != 0)
            fail(EACCES);
        mode = existing.st_mode & 07777;
    } else if (errno != ENOENT) {
        fail(errno);
    }

    QByteArray tempName = targetName + ".XXXXXX";
    int fd = ::mkstemp(tempName.data());
    if (fd < 0)
        fail(errno);
    auto abandon = [&](int error) {
        ::close(fd);
        ::unlink(tempName.constData());
        fail(error);
    };
    if (!writeAll(fd, content.data(), content.size(), bufferSize))
        abandon(errno);
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
        abandon(errno);
    if (::close(fd) != 0) {
        int error = errno;
        ::unlink(tempName.constData());
        fail(error);
    }
    if (::rename(tempName.constData(), targetName.constData()) != 0) {
        int error = errno;
        ::unlink(tempName.constData());
        fail(error);
    }
}

} // namespace tb
