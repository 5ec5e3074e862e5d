#include "ReplacingFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tb::codec {

namespace {
// The permissions a newly created file would get: 0666 less the process's umask, read without
// changing it (umask() itself is not safe while other threads create files).
mode_t newFileMode()
{
    mode_t mask = 022;
    if (std::FILE *status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, status))
            if (std::strncmp(line, "Umask:", 6) == 0) {
                mask = static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8));
                break;
            }
        std::fclose(status);
    }
    return 0666 & ~mask;
}
} // namespace

ReplacingFile::~ReplacingFile() { abandon(); }

bool ReplacingFile::failWith(int error)
{
    error_ = std::strerror(error);
    return false;
}

bool ReplacingFile::create(const std::string &destination)
{
    abandon();
    error_.clear();
    destination_ = destination;
    // A link keeps pointing where it did: the file it names is the one replaced.
    struct stat info {};
    if (::lstat(destination.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char *real = ::realpath(destination.c_str(), nullptr)) {
            destination_ = real;
            std::free(real);
        }
    }
    mode_t mode = newFileMode();
    if (::stat(destination_.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return failWith(EISDIR);
        if (!S_ISREG(info.st_mode)) {
            error_ = "not a regular file";
            return false;
        }
        // A read-only file stays as it is, also for a user whom the system would let replace it.
        if ((info.st_mode & 0222) == 0 || ::access(destination_.c_str(), W_OK) != 0)
            return failWith(EACCES);
        mode = info.st_mode & 07777;
    } else if (errno != ENOENT) {
        return failWith(errno);
    }

    // A hidden name in the same folder, so the rename stays within one file system.
    const size_t slash = destination_.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : destination_.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? destination_ : destination_.substr(slash + 1);
    std::string temporary = folder + "." + name + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return failWith(errno);
    if (::fchmod(fd, mode) != 0 || !(stream_ = ::fdopen(fd, "wb"))) {
        const int error = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        return failWith(error);
    }
    temporary_ = std::move(temporary);
    return true;
}

bool ReplacingFile::commit()
{
    if (!stream_)
        return true;
    bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_);
    int error = ok ? 0 : errno;
    if (std::fclose(stream_) != 0 && ok) {
        ok = false;
        error = errno;
    }
    stream_ = nullptr;
    if (ok && ::rename(temporary_.c_str(), destination_.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temporary_.c_str());
        failWith(error != 0 ? error : EIO);
    }
    temporary_.clear();
    return ok;
}

void ReplacingFile::abandon()
{
    if (!stream_)
        return;
    std::fclose(stream_);
    stream_ = nullptr;
    ::unlink(temporary_.c_str());
    temporary_.clear();
}

} // namespace tb::codec
