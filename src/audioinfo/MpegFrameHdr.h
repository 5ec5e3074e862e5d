// One four-byte MPEG audio frame header: decoding and searching a buffer for the first one.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace tb {

class TMpegFrameHdr {
public:
    std::array<uint8_t, 4> Bytes{}; // the header bytes as read, byte 0 first
    bool Valid = false;             // the last Decode passed every validity test
    int32_t Version = 0;            // 0 reserved, 1 MPEG-1, 2 MPEG-2, 3 MPEG-2.5
    int32_t Bitrate = 0;            // kbit/s; 0 free format, -1 invalid combination
    int32_t SampleRate = 0;         // Hz; -1 invalid combination
    int32_t FrameLength = 0;        // bytes from this header to the next, padding included

    // Decodes the four bytes at data; length is how many bytes are available there.
    bool Decode(const uint8_t *data, int64_t length);
    // Offset of the first valid header within the first count bytes, or -1.
    int32_t FindFrame(const uint8_t *data, int32_t count);

    int32_t Layer() const;       // 0 reserved, 1 Layer I, 2 Layer II, 3 Layer III
    int32_t ChannelMode() const; // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
    int32_t BitrateBps() const { return Bitrate * 1000; }
    int32_t PaddingSize() const;
    QString VersionText() const;
    QString LayerText() const;
};

} // namespace tb
