#include "audioinfo/AudioInfo.h"

#include "audioinfo/ProbeStream.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace tb {

namespace {

constexpr int PieceSize = 128;
constexpr int HeaderSize = 4;
constexpr int Id3v2HeaderSize = 10;
// Offsets stay 32-bit: tags that push the search further leave the file without a frame.
constexpr int64_t MaxSearchStart = INT32_MAX / 2;

// The whole size of the ID3v2 tag whose header starts the bytes (header, body and the footer of
// a version 4 tag), or 0 when they do not start with a valid tag header.
int64_t Id3v2TagSize(const uint8_t *bytes, int length)
{
    if (length < Id3v2HeaderSize || std::memcmp(bytes, "ID3", 3) != 0 || bytes[3] == 0xFF || bytes[4] == 0xFF)
        return 0;
    int64_t size = 0;
    for (int i = 6; i < 10; ++i) {
        if (bytes[i] & 0x80)
            return 0; // sizes are synch-safe: seven bits a byte
        size = size << 7 | bytes[i];
    }
    const bool footer = bytes[3] >= 4 && (bytes[5] & 0x10) != 0;
    return Id3v2HeaderSize + size + (footer ? Id3v2HeaderSize : 0);
}

bool isBlankOrControl(QChar c)
{
    return c.unicode() <= 32;
}

} // namespace

void TAudioInfo::Reset()
{
    FrameHdr.Valid = false;
    FirstFrame = -1;
    Tag.Found = false;
}

void TAudioInfo::LoadFromFile(const QString &fileName)
{
    Reset();
    qsizetype first = 0;
    qsizetype last = fileName.size();
    while (first < last && isBlankOrControl(fileName[first]))
        ++first;
    while (last > first && isBlankOrControl(fileName[last - 1]))
        --last;
    if (first == last)
        return;

    FileProbeStream file(fileName); // closed again when the probe ends, also by a failure
    LoadFromStream(file, file.size());
}

void TAudioInfo::LoadFromStream(ProbeStream &stream, int64_t count)
{
    Reset();
    const int64_t start = stream.position();
    count = std::max<int64_t>(0, std::min(count, stream.size() - start));

    FindFirstFrame(stream, start, count);

    const int64_t tagStart = FrameHdr.Valid ? int64_t(FirstFrame) + FrameHdr.FrameLength : 0;
    stream.seek(start + tagStart);
    Tag.LoadFromStream(stream, count - tagStart);
}

// Reads in pieces of 128 bytes; the last four bytes of a piece are carried to the front of the
// next, so that a header crossing a piece boundary is still found. A header that the one after
// it does not confirm is passed over and the search goes on from the next byte.
void TAudioInfo::FindFirstFrame(ProbeStream &stream, int64_t start, int64_t count)
{
    uint8_t buffer[PieceSize];
    // The first piece also shows whether the stream begins with ID3v2 tags (a picture in one
    // easily fills hundreds of kilobytes); each is stepped over by its declared size.
    int64_t from = 0;
    int n = static_cast<int>(std::min<int64_t>(PieceSize, count));
    stream.readExactly(buffer, n);
    for (int64_t tagSize; (tagSize = Id3v2TagSize(buffer, n)) > 0;) {
        // A tag that claims more than the file holds is damaged: its bytes are searched like
        // junk, as the decoder finds the audio behind it.
        if (from + tagSize > count)
            break;
        from += tagSize;
        if (from >= count || from > MaxSearchStart) {
            FrameHdr.Valid = false;
            return; // nothing but tags
        }
        n = static_cast<int>(std::min<int64_t>(PieceSize, count - from));
        stream.seek(start + from);
        stream.readExactly(buffer, n);
    }

    const int64_t region = count - from;
    int64_t consumed = 0;
    int carry = 0;
    bool pieceRead = true;
    while (consumed < ScanLimit && consumed < region) {
        if (!pieceRead) {
            n = PieceSize - carry;
            if (consumed + n >= region)
                n = static_cast<int>(region - consumed);
            // A confirmation may have moved the stream elsewhere.
            if (stream.position() != start + from + consumed)
                stream.seek(start + from + consumed);
            stream.readExactly(buffer + carry, n);
        }
        pieceRead = false;
        // The first carried byte was the last position tried in the piece before.
        int scanFrom = carry > 0 ? 1 : 0;
        while (scanFrom + HeaderSize <= carry + n) {
            const int32_t hit = FrameHdr.FindFrame(buffer + scanFrom, carry + n - scanFrom);
            if (hit < 0)
                break;
            const int64_t offset = from + consumed - carry + scanFrom + hit;
            if (ConfirmedByNextFrame(stream, start, offset, count)) {
                FirstFrame = static_cast<int32_t>(offset);
                return;
            }
            scanFrom += hit + 1;
        }
        consumed += n;
        if (carry + n >= HeaderSize) {
            std::memmove(buffer, buffer + carry + n - HeaderSize, HeaderSize);
            carry = HeaderSize;
        }
    }
    FrameHdr.Valid = false;
}

// True when the header of the frame that should follow the one at offset decodes, or when that
// header would lie at the very end of the stream (a stream of one frame).
bool TAudioInfo::ConfirmedByNextFrame(ProbeStream &stream, int64_t start, int64_t offset, int64_t count)
{
    const int64_t next = offset + FrameHdr.FrameLength;
    if (next + HeaderSize >= count)
        return true; // nothing to confirm with
    uint8_t bytes[HeaderSize];
    stream.seek(start + next);
    stream.readExactly(bytes, HeaderSize);
    TMpegFrameHdr successor;
    return successor.Decode(bytes, HeaderSize);
}

} // namespace tb
