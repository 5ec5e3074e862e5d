// The audio compression manager: format suggestion and conversion streams between wave formats,
// with the operations and records of the classic ACM interface. Conversions are done by drivers
// (AcmDriver.h) registered in one table; every stream is synchronous.
#pragma once

#include "tonebridge/wave.h"

#include <cstdint>

namespace tb::acm {

using MMRESULT = uint32_t;
using HACMDRIVER = struct AcmDriverHandle *;
using HACMSTREAM = struct AcmStreamHandle *;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT ACMERR_NOTPOSSIBLE = 512;
constexpr MMRESULT ACMERR_BUSY = 513;
constexpr MMRESULT ACMERR_UNPREPARED = 514;

// acmFormatSuggest: which fields of the destination are fixed by the caller.
constexpr uint32_t ACM_FORMATSUGGESTF_WFORMATTAG = 0x00010000;
constexpr uint32_t ACM_FORMATSUGGESTF_NCHANNELS = 0x00020000;
constexpr uint32_t ACM_FORMATSUGGESTF_NSAMPLESPERSEC = 0x00040000;
constexpr uint32_t ACM_FORMATSUGGESTF_WBITSPERSAMPLE = 0x00080000;
constexpr uint32_t ACM_FORMATSUGGESTF_TYPEMASK = 0x00FF0000;

// acmStreamOpen
constexpr uint32_t ACM_STREAMOPENF_QUERY = 0x00000001;
// acmStreamSize
constexpr uint32_t ACM_STREAMSIZEF_SOURCE = 0x00000000;
constexpr uint32_t ACM_STREAMSIZEF_DESTINATION = 0x00000001;
// acmStreamConvert
constexpr uint32_t ACM_STREAMCONVERTF_BLOCKALIGN = 0x00000004;
constexpr uint32_t ACM_STREAMCONVERTF_START = 0x00000010;
constexpr uint32_t ACM_STREAMCONVERTF_END = 0x00000020;

// Status word of a stream header.
constexpr uint32_t ACMSTREAMHEADER_STATUSF_DONE = 0x00000001;
constexpr uint32_t ACMSTREAMHEADER_STATUSF_PREPARED = 0x00000002;

// One conversion request: the source bytes offered and used, the destination room and what was
// written into it. The user words are the caller's.
struct ACMSTREAMHEADER {
    uint32_t cbStruct;
    uint32_t fdwStatus;
    uintptr_t dwUser;
    uint8_t *pbSrc;
    uint32_t cbSrcLength;
    uint32_t cbSrcLengthUsed;
    uintptr_t dwSrcUser;
    uint8_t *pbDst;
    uint32_t cbDstLength;
    uint32_t cbDstLengthUsed;
    uintptr_t dwDstUser;
    uint32_t dwReservedDriver[10];
};

// High 16 bits: the version (4.0).
uint32_t acmGetVersion();
// Fills pwfxDst (cbwfxDst bytes of room, at least 18) with a format the source converts to. The
// fields named by the flags are taken from pwfxDst as the caller set them.
MMRESULT acmFormatSuggest(HACMDRIVER had, const WAVEFORMATEX *pwfxSrc, WAVEFORMATEX *pwfxDst, uint32_t cbwfxDst,
                          uint32_t fdwSuggest);
// With ACM_STREAMOPENF_QUERY only answers whether the conversion is possible (phas may be null).
MMRESULT acmStreamOpen(HACMSTREAM *phas, HACMDRIVER had, const WAVEFORMATEX *pwfxSrc, const WAVEFORMATEX *pwfxDst,
                       const void *pwfltr, uintptr_t dwCallback, uintptr_t dwInstance, uint32_t fdwOpen);
// The destination size that holds the conversion of cbInput source bytes (or the reverse).
MMRESULT acmStreamSize(HACMSTREAM has, uint32_t cbInput, uint32_t *pdwOutputBytes, uint32_t fdwSize);
MMRESULT acmStreamPrepareHeader(HACMSTREAM has, ACMSTREAMHEADER *pash, uint32_t fdwPrepare);
// Converts pbSrc into pbDst. With BLOCKALIGN only whole source blocks are used; the rest stays for
// the next call (cbSrcLengthUsed says how much was taken). END also flushes what a driver holds.
MMRESULT acmStreamConvert(HACMSTREAM has, ACMSTREAMHEADER *pash, uint32_t fdwConvert);
MMRESULT acmStreamUnprepareHeader(HACMSTREAM has, ACMSTREAMHEADER *pash, uint32_t fdwUnprepare);
MMRESULT acmStreamClose(HACMSTREAM has, uint32_t fdwClose);

// The manager's entry points as a table, the way a program reaches a manager it loaded at run
// time; a program without one holds a null table.
struct AcmFunctions {
    uint32_t (*GetVersion)();
    MMRESULT (*FormatSuggest)(HACMDRIVER, const WAVEFORMATEX *, WAVEFORMATEX *, uint32_t, uint32_t);
    MMRESULT (*StreamOpen)(HACMSTREAM *, HACMDRIVER, const WAVEFORMATEX *, const WAVEFORMATEX *, const void *,
                           uintptr_t, uintptr_t, uint32_t);
    MMRESULT (*StreamSize)(HACMSTREAM, uint32_t, uint32_t *, uint32_t);
    MMRESULT (*StreamPrepareHeader)(HACMSTREAM, ACMSTREAMHEADER *, uint32_t);
    MMRESULT (*StreamConvert)(HACMSTREAM, ACMSTREAMHEADER *, uint32_t);
    MMRESULT (*StreamUnprepareHeader)(HACMSTREAM, ACMSTREAMHEADER *, uint32_t);
    MMRESULT (*StreamClose)(HACMSTREAM, uint32_t);
};

// The built-in manager.
const AcmFunctions &acmLibrary();

} // namespace tb::acm
