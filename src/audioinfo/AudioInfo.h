// Probes a file for MPEG audio: the first frame header, confirmed by the next one, and the ID3v1 tag.
// ID3v2 tags at the start are stepped over whole; the search for the first frame begins behind them.
#pragma once

#include "audioinfo/ID3Tags.h"
#include "audioinfo/MpegFrameHdr.h"

#include <QString>
#include <cstdint>

namespace tb {

class ProbeStream;

class TAudioInfo {
public:
    TMpegFrameHdr FrameHdr;  // header of the first frame found
    int32_t FirstFrame = -1; // offset of that frame from where the probe started; -1 when none
    TID3v1Tag Tag;
    int32_t ScanLimit = 10240; // how far behind any leading ID3v2 tags the first frame is looked for

    void Reset();
    // Probes the whole file; raises EInOutError when it cannot be opened or read.
    void LoadFromFile(const QString &fileName);
    // Probes count bytes of the stream from its current position.
    void LoadFromStream(ProbeStream &stream, int64_t count);

private:
    void FindFirstFrame(ProbeStream &stream, int64_t start, int64_t count);
    bool ConfirmedByNextFrame(ProbeStream &stream, int64_t start, int64_t offset, int64_t count);
};

} // namespace tb
