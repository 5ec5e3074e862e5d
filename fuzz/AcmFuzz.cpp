// Random formats and data through the codec manager: suggest, query, open, convert in pieces with
// what a call leaves unused carried into the next, the end flush, close. Every call stays within
// the buffers it was given.
#include "platform/acm/Acm.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

using namespace tb::acm;

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Input: a mode byte, the length of the format record, the record, then the sample data.
void run(const uint8_t *data, size_t size)
{
    if (size < 3)
        return;
    const uint8_t mode = data[0];
    const size_t recordLength = std::min<size_t>(std::max<size_t>(data[1] | data[2] << 8, 18), 1024);
    if (size < 3 + recordLength)
        return;
    // The record as a program holds it: its extension never runs past the bytes present.
    std::vector<uint8_t> record(std::max<size_t>(recordLength, 18) + 2, 0);
    std::memcpy(record.data(), data + 3, recordLength);
    auto *src = reinterpret_cast<WAVEFORMATEX *>(record.data());
    src->cbSize = uint16_t(std::min<size_t>(src->cbSize, recordLength - 18));
    const uint8_t *samples = data + 3 + recordLength;
    const size_t sampleBytes = size - 3 - recordLength;

    std::vector<uint8_t> room(1025, 0);
    auto *dst = reinterpret_cast<WAVEFORMATEX *>(room.data());
    dst->wFormatTag = WAVE_FORMAT_PCM;
    uint32_t flags = ACM_FORMATSUGGESTF_WFORMATTAG;
    if (mode & 1) {
        // a changed rate and channel count, as the path search asks
        dst->nChannels = uint16_t(1 + (mode >> 4) % 3);
        dst->nSamplesPerSec = (mode & 2) ? 8000 : 44100;
        flags |= ACM_FORMATSUGGESTF_NCHANNELS | ACM_FORMATSUGGESTF_NSAMPLESPERSEC;
    }
    if (acmFormatSuggest(nullptr, src, dst, uint32_t(room.size()), flags) != MMSYSERR_NOERROR)
        return;
    check(dst->wFormatTag == WAVE_FORMAT_PCM);
    check(acmStreamOpen(nullptr, nullptr, src, dst, nullptr, 0, 0, ACM_STREAMOPENF_QUERY) == MMSYSERR_NOERROR);
    HACMSTREAM stream = nullptr;
    if (acmStreamOpen(&stream, nullptr, src, dst, nullptr, 0, 0, 0) != MMSYSERR_NOERROR)
        return;
    const uint32_t piece = 64u << (mode >> 6); // 64 to 512 new bytes a call
    const uint32_t sourceRoom = 4 * std::max<uint32_t>(piece, src->nBlockAlign);
    uint32_t destinationRoom = 0;
    if (acmStreamSize(stream, sourceRoom, &destinationRoom, ACM_STREAMSIZEF_SOURCE) != MMSYSERR_NOERROR ||
        destinationRoom == 0 || destinationRoom > (64u << 20)) {
        check(acmStreamClose(stream, 0) == MMSYSERR_NOERROR);
        return;
    }
    std::vector<uint8_t> source(sourceRoom), destination(destinationRoom);
    ACMSTREAMHEADER header{};
    header.cbStruct = sizeof header;
    header.pbSrc = source.data();
    header.pbDst = destination.data();
    header.cbDstLength = destinationRoom;
    check(acmStreamPrepareHeader(stream, &header, 0) == MMSYSERR_NOERROR);
    uint32_t carried = 0;
    size_t offset = 0;
    for (int calls = 0; calls < 10000; ++calls) {
        const uint32_t fresh = uint32_t(std::min<size_t>({piece, sampleBytes - offset, sourceRoom - carried}));
        std::memcpy(source.data() + carried, samples + offset, fresh);
        offset += fresh;
        const bool end = fresh == 0;
        header.cbSrcLength = carried + fresh;
        const MMRESULT r = acmStreamConvert(stream, &header, end ? ACM_STREAMCONVERTF_END : ACM_STREAMCONVERTF_BLOCKALIGN);
        check(header.cbSrcLengthUsed <= header.cbSrcLength);
        check(header.cbDstLengthUsed <= destinationRoom);
        check(header.fdwStatus & ACMSTREAMHEADER_STATUSF_DONE);
        if (r != MMSYSERR_NOERROR)
            break;
        carried = header.cbSrcLength - header.cbSrcLengthUsed;
        std::memmove(source.data(), source.data() + header.cbSrcLengthUsed, carried);
        if (end && header.cbDstLengthUsed == 0)
            break;
        // a stream that neither takes nor gives has nothing more to do with this input
        if (!end && fresh == 0 && header.cbSrcLengthUsed == 0 && header.cbDstLengthUsed == 0)
            break;
    }
    check(acmStreamUnprepareHeader(stream, &header, 0) == MMSYSERR_NOERROR);
    check(acmStreamClose(stream, 0) == MMSYSERR_NOERROR);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    run(data, size);
    return 0;
}
