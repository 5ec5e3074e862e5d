// A file system that fills up at a chosen byte: while the limit is in force, no file of this
// process grows beyond it and a write across it fails with EFBIG ("File too large"), as a write
// to a full disk fails with ENOSPC. Restores the previous limit when it goes.
#pragma once

#include <csignal>
#include <sys/resource.h>

namespace tb::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        // Without this the process would be ended by SIGXFSZ instead of seeing the error.
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = SIG_DFL;
};

} // namespace tb::test
