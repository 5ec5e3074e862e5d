// Reads a file for libmpg123 through a large buffer: the decoder asks for a few bytes at a time,
// and each request would otherwise be a system call.
#pragma once

#include <atomic>
#include <cstdint>
#include <sys/types.h>
#include <vector>

namespace tb::decoder {

class BufferedReader {
public:
    // A set `cancel` makes every further read fail, which ends a long scan early. The stream
    // begins at file offset `origin` (where `fd` is positioned), which libmpg123 sees as 0.
    explicit BufferedReader(int fd, const std::atomic<bool> *cancel = nullptr, off_t origin = 0)
        : fd_(fd), cancel_(cancel), buffer_(BufferBytes), bufferEnd_(origin), origin_(origin)
    {
    }

    // The reader callbacks of mpg123_replace_reader_handle; `self` is the reader.
    static ssize_t read(void *self, void *to, size_t bytes);
    static off_t seek(void *self, off_t offset, int whence);

private:
    static constexpr size_t BufferBytes = 64 * 1024;
    ssize_t readSome(uint8_t *to, size_t bytes);
    off_t seekTo(off_t offset, int whence);

    int fd_;
    const std::atomic<bool> *cancel_;
    std::vector<uint8_t> buffer_;
    size_t next_ = 0;      // first unread byte in the buffer
    size_t filled_ = 0;    // bytes in the buffer
    off_t bufferEnd_ = 0;  // file offset just after the buffered bytes
    off_t origin_ = 0;
};

} // namespace tb::decoder
