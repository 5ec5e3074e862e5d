// A ring of bytes with free-running positions: what the user-interface thread writes in, the
// encoder's worker reads out. It holds no lock of its own; its owner guards every call.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace tb {

class ByteRing {
public:
    explicit ByteRing(size_t capacity) : capacity_(capacity), bytes_(std::make_unique<uint8_t[]>(capacity)) {}

    size_t capacity() const { return capacity_; }
    size_t available() const { return static_cast<size_t>(writePosition_ - readPosition_); }
    size_t room() const { return capacity_ - available(); }
    void clear() { writePosition_ = readPosition_ = 0; }

    // Copies in as much as there is room for; returns how much that was.
    size_t write(const void *data, size_t bytes)
    {
        const size_t taken = std::min(room(), bytes);
        const auto *from = static_cast<const uint8_t *>(data);
        for (size_t done = 0; done < taken;) {
            const size_t at = writePosition_ % capacity_;
            const size_t run = std::min(taken - done, capacity_ - at);
            std::memcpy(bytes_.get() + at, from + done, run);
            done += run;
            writePosition_ += run;
        }
        return taken;
    }

    // Copies out up to `bytes`; returns how much that was.
    size_t read(void *data, size_t bytes)
    {
        const size_t copied = std::min(available(), bytes);
        auto *to = static_cast<uint8_t *>(data);
        for (size_t done = 0; done < copied;) {
            const size_t at = readPosition_ % capacity_;
            const size_t run = std::min(copied - done, capacity_ - at);
            std::memcpy(to + done, bytes_.get() + at, run);
            done += run;
            readPosition_ += run;
        }
        return copied;
    }

private:
    size_t capacity_;
    std::unique_ptr<uint8_t[]> bytes_;
    uint64_t writePosition_ = 0;
    uint64_t readPosition_ = 0;
};

} // namespace tb
