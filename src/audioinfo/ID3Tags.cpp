#include "audioinfo/ID3Tags.h"

#include "audioinfo/ProbeStream.h"

namespace tb {

namespace {

constexpr int TitleOffset = 3;
constexpr int TitleLength = 30;

} // namespace

void TID3v1Tag::LoadFromStream(ProbeStream &stream, int64_t count)
{
    if (count < BlockSize) {
        Found = false;
        return;
    }
    uint8_t block[BlockSize];
    stream.seek(stream.position() + count - BlockSize);
    stream.readExactly(block, BlockSize);
    LoadFromBuffer(block, BlockSize);
}

void TID3v1Tag::LoadFromBuffer(const uint8_t *buffer, int64_t length)
{
    Found = false;
    if (length < BlockSize)
        return;
    if (buffer[0] != 'T' || buffer[1] != 'A' || buffer[2] != 'G')
        return;
    Found = true;

    // The title ends at the first NUL; trailing blanks and control characters go, leading ones stay.
    int end = 0;
    while (end < TitleLength && buffer[TitleOffset + end] != 0)
        ++end;
    while (end > 0 && buffer[TitleOffset + end - 1] <= 32)
        --end;
    // ID3v1 text is single-byte Latin-1.
    Title = QString::fromLatin1(reinterpret_cast<const char *>(buffer + TitleOffset), end);
}

} // namespace tb
