#include "audioinfo/AudioInfo.h"

#include "audioinfo/ProbeStream.h"

#include <algorithm>
#include <cstring>

namespace tb {

namespace {

constexpr int PieceSize = 128;
constexpr int HeaderSize = 4;

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

    FindFirstFrame(stream, count);
    if (FrameHdr.Valid)
        ConfirmByNextFrame(stream, start, count);

    const int64_t tagStart = FrameHdr.Valid ? int64_t(FirstFrame) + FrameHdr.FrameLength : 0;
    stream.seek(start + tagStart);
    Tag.LoadFromStream(stream, count - tagStart);
}

// Reads in pieces of 128 bytes; the last four bytes of a piece are carried to the front of the
// next, so that a header crossing a piece boundary is still found.
void TAudioInfo::FindFirstFrame(ProbeStream &stream, int64_t count)
{
    uint8_t buffer[PieceSize];
    int64_t consumed = 0;
    int carry = 0;
    while (consumed < ScanLimit && consumed < count) {
        int n = PieceSize - carry;
        if (consumed + n >= count)
            n = static_cast<int>(count - consumed);
        stream.readExactly(buffer + carry, n);
        FirstFrame = FrameHdr.FindFrame(buffer, carry + n);
        if (FirstFrame >= 0) {
            FirstFrame += static_cast<int32_t>(consumed - carry);
            return;
        }
        consumed += n;
        if (carry + n >= HeaderSize) {
            std::memmove(buffer, buffer + carry + n - HeaderSize, HeaderSize);
            carry = HeaderSize;
        }
    }
}

void TAudioInfo::ConfirmByNextFrame(ProbeStream &stream, int64_t start, int64_t count)
{
    const int64_t next = int64_t(FirstFrame) + FrameHdr.FrameLength;
    if (next + HeaderSize >= count)
        return; // a file of one frame: nothing to confirm with
    uint8_t bytes[HeaderSize];
    stream.seek(start + next);
    stream.readExactly(bytes, HeaderSize);
    TMpegFrameHdr successor;
    FrameHdr.Valid = successor.Decode(bytes, HeaderSize);
}

} // namespace tb
