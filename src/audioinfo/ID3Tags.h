// The ID3v1 tag at the end of an MPEG audio file; the program reads its title.
#pragma once

#include <QString>
#include <cstdint>

namespace tb {

class ProbeStream;

class TID3v1Tag {
public:
    static constexpr int BlockSize = 128;

    bool Found = false; // the last block read began with "TAG"
    QString Title;      // meaningful only while Found is true

    // count: bytes from the stream's position to the end of the region to look at; the tag is
    // the last 128 of them. Raises EInOutError when the block cannot be read whole.
    void LoadFromStream(ProbeStream &stream, int64_t count);
    void LoadFromBuffer(const uint8_t *buffer, int64_t length);
};

} // namespace tb
