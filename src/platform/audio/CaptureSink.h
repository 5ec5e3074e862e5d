// Test double of the wave output: keeps real time like the null device and records every byte
// written to it, in memory and, when a file is named, appended to that file.
#pragma once

#include "NullSink.h"

#include <string>
#include <vector>

namespace tb::audio {

class CaptureSink : public NullSink {
public:
    explicit CaptureSink(const PcmFormat &format, std::string file = {});
    bool write(const void *data, size_t bytes) override;
    std::string lastError() const override { return error_; }
    const std::vector<uint8_t> &recorded() const { return recorded_; }

private:
    std::string file_;
    std::string error_;
    std::vector<uint8_t> recorded_;
};

} // namespace tb::audio
