// Hostile bytes for the MPEG probe, its frame search and the ID3v1 tag reader.
#include "audioinfo/AudioInfo.h"
#include "audioinfo/ProbeStream.h"
#include "platform/Exception.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Counts what the probe reads, so that a probe that reads too much is caught.
class CountingStream : public tb::MemoryProbeStream {
public:
    using MemoryProbeStream::MemoryProbeStream;
    int64_t read(void *buffer, int64_t count) override
    {
        bytesRead += count;
        return MemoryProbeStream::read(buffer, count);
    }
    int64_t bytesRead = 0;
};

void probe(const uint8_t *data, size_t size, int64_t start)
{
    CountingStream stream(data, int64_t(size));
    tb::TAudioInfo info;
    try {
        stream.seek(start);
        info.LoadFromStream(stream, int64_t(size));
    } catch (const tb::Exception &) {
        return;
    }
    check(stream.bytesRead <= 10296 + 4 + 128);
    if (info.FrameHdr.Valid) {
        check(info.FirstFrame >= 0 && info.FirstFrame <= 10292);
        check(info.FrameHdr.SampleRate > 0 && info.FrameHdr.Bitrate >= 0 && info.FrameHdr.FrameLength >= 0);
        check(!info.FrameHdr.VersionText().isEmpty() && !info.FrameHdr.LayerText().isEmpty());
    }
    if (info.Tag.Found)
        check(info.Tag.Title.size() <= 30);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    probe(data, size, 0);
    if (size > 0)
        probe(data, size, data[0] % int64_t(size)); // a probe that starts inside the stream

    tb::TMpegFrameHdr header;
    const int32_t found = header.FindFrame(data, int32_t(std::min<size_t>(size, 1 << 20)));
    check(found == -1 || (header.Valid && found + 4 <= int32_t(size)));

    tb::TID3v1Tag tag;
    tag.LoadFromBuffer(data, int64_t(size));
    return 0;
}
