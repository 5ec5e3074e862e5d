/* Wave formats and the buffer header that travel along the wave component chain.
 *
 * WAVEFORMATEX is the published little-endian record, packed to 18 bytes and followed by cbSize
 * bytes of format-specific data. TMMWaveHdr is the header in front of every chain buffer: the
 * classic WAVEHDR fields followed by the ring and looping fields, in that order. Pointers have the
 * native width, so the offsets are the compiler's natural ones; they are fixed below. */
#ifndef TONEBRIDGE_WAVE_H
#define TONEBRIDGE_WAVE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 1)
typedef struct WAVEFORMATEX {
    uint16_t wFormatTag;
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
    uint16_t wBitsPerSample;
    uint16_t cbSize;
} WAVEFORMATEX;
#pragma pack(pop)

typedef WAVEFORMATEX *PWaveFormatEx;

#define WAVE_FORMAT_PCM 1

/* Device flags of dwFlags. */
#define WHDR_DONE 0x00000001u
#define WHDR_PREPARED 0x00000002u

typedef struct TMMWaveHdr {
    /* The classic WAVEHDR part. */
    char *lpData;              /* start of the sample data: always the header's address + TB_WAVEHDR_SIZE */
    uint32_t dwBufferLength;   /* bytes wanted (load request) or bytes valid (delivery) */
    uint32_t dwBytesRecorded;  /* bytes placed in the buffer by the upstream chain */
    uint32_t dwUser;
    uint32_t dwFlags;          /* WHDR_DONE, WHDR_PREPARED */
    uint32_t dwLoops;
    struct TMMWaveHdr *lpNext;
    uint32_t reserved;
    /* The chain's own part. */
    uint32_t reserved2;
    uint32_t reserved3;
    struct TMMWaveHdr *lpNextRing; /* the buffer that plays after this one, set by the wave output */
    int32_t looping;           /* 0; -1 only while the wave output loops */
    int32_t loopCount;
    int32_t loopsLeft;
    int32_t wrapped;           /* a component that finds it set stops filling the buffer */
} TMMWaveHdr;

typedef TMMWaveHdr *PWaveHdr;

#define TB_WAVEHDR_SIZE ((size_t)sizeof(TMMWaveHdr))

#ifdef __cplusplus
}

static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX is the packed 18-byte record");
static_assert(offsetof(WAVEFORMATEX, nSamplesPerSec) == 4 && offsetof(WAVEFORMATEX, cbSize) == 16);
static_assert(offsetof(TMMWaveHdr, lpData) == 0);
static_assert(offsetof(TMMWaveHdr, dwBufferLength) == sizeof(void *));
static_assert(offsetof(TMMWaveHdr, dwBytesRecorded) == sizeof(void *) + 4);
static_assert(offsetof(TMMWaveHdr, dwUser) == sizeof(void *) + 8);
static_assert(offsetof(TMMWaveHdr, dwFlags) == sizeof(void *) + 12);
static_assert(offsetof(TMMWaveHdr, dwLoops) == sizeof(void *) + 16);
#if UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
static_assert(offsetof(TMMWaveHdr, lpNext) == 32);
static_assert(offsetof(TMMWaveHdr, reserved) == 40);
static_assert(offsetof(TMMWaveHdr, reserved2) == 44);
static_assert(offsetof(TMMWaveHdr, reserved3) == 48);
static_assert(offsetof(TMMWaveHdr, lpNextRing) == 56);
static_assert(offsetof(TMMWaveHdr, looping) == 64);
static_assert(offsetof(TMMWaveHdr, loopCount) == 68);
static_assert(offsetof(TMMWaveHdr, loopsLeft) == 72);
static_assert(offsetof(TMMWaveHdr, wrapped) == 76);
static_assert(sizeof(TMMWaveHdr) == 80, "chain header on 64-bit platforms");
#else
static_assert(offsetof(TMMWaveHdr, lpNext) == 24);
static_assert(offsetof(TMMWaveHdr, lpNextRing) == 40);
static_assert(offsetof(TMMWaveHdr, wrapped) == 56);
static_assert(sizeof(TMMWaveHdr) == 60, "chain header on 32-bit platforms");
#endif
#endif

#endif
