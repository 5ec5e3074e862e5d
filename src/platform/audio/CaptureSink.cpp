#include "CaptureSink.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tb::audio {

CaptureSink::CaptureSink(const PcmFormat &format, std::string file) : NullSink(format), file_(std::move(file)) {}

bool CaptureSink::write(const void *data, size_t bytes)
{
    const auto *first = static_cast<const uint8_t *>(data);
    recorded_.insert(recorded_.end(), first, first + bytes);
    if (!file_.empty()) {
        std::FILE *out = std::fopen(file_.c_str(), "ab");
        bool ok = out && std::fwrite(data, 1, bytes, out) == bytes;
        if (out && std::fclose(out) != 0)
            ok = false;
        if (!ok) {
            error_ = "cannot record into " + file_ + ": " + std::strerror(errno);
            return false;
        }
    }
    return NullSink::write(data, bytes);
}

} // namespace tb::audio
