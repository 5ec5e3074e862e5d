/* The MP3 encoder library's C interface (encoder.so).
 *
 * The library holds one encoding at a time. A caller initialises the work area, sets the
 * configuration items, lets the library check them (which opens the input and creates the
 * output), then calls MPGE_processFrame until it returns MPGE_FINISHED or an error code, and
 * ends with MPGE_closeCoder and MPGE_endCoder. Every entry point is safe to call from any thread;
 * calls are serialised inside the library. */
#ifndef TONEBRIDGE_GOGO_H
#define TONEBRIDGE_GOGO_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. MPGE_processFrame returns MPGE_OK while there is more to do and MPGE_FINISHED
 * once the input is exhausted and the output is complete; every other value is an error. */
enum {
    MPGE_OK = 0,
    MPGE_FINISHED = 1,
    MPGE_ERR_PARAMETER = 2, /* unknown item or a value out of range */
    MPGE_ERR_INPUT = 3,     /* the input cannot be opened, is not PCM WAVE, is empty or truncated */
    MPGE_ERR_OUTPUT = 4,    /* the output cannot be created or written */
    MPGE_ERR_STATE = 5,     /* the call does not fit the state of the work area */
    MPGE_ERR_ENCODER = 6,   /* LAME refused the settings or failed while encoding */
    MPGE_ERR_READ = 7       /* the input could not be read while encoding */
};

/* Configuration items of MPGE_setConfigure (item, value, pointer). */
enum {
    MC_INPUTFILE = 1,  /* value MC_INPDEV_FILE: pointer is the WAVE file's path (char *);
                          value MC_INPDEV_USERFUNC: pointer is an MPGE_USERFUNC */
    MC_OUTPUTFILE = 2, /* pointer is the MP3 file's path (char *) */
    MC_ENCODEMODE = 3, /* value: MC_MODE_* */
    MC_BITRATE = 4,    /* value: kbit/s (constant bitrate) */
    MC_USEPSY = 8,     /* value 1: LAME's high quality (-q 2); 0: its default (-q 3) */
    MC_USELPF16 = 9,   /* value 1: 16 kHz low-pass; 0: LAME's automatic low-pass */
    MC_USEMMX = 10,    /* 10..15: processor unit switches, accepted for compatibility */
    MC_USE3DNOW = 11,
    MC_USEKNI = 12,
    MC_USEE3DNOW = 13,
    MC_USESPC1 = 14,
    MC_USESPC2 = 15,
    MC_EMPHASIS = 17,  /* value 0 none, 1 50/15 us, 3 CCITT J.17 */
    MC_VBR = 18        /* value 0..9: variable bitrate at LAME's VBR quality */
};

/* Items of MPGE_getConfigure (item, pointer). */
enum {
    MG_FRAMES = 15 /* pointer to int32_t: the number of MPGE_processFrame calls the prepared input takes */
};

enum { MC_INPDEV_FILE = 0, MC_INPDEV_USERFUNC = 2 };

enum { MC_MODE_MONO = 0, MC_MODE_STEREO = 1, MC_MODE_JOINT = 2, MC_MODE_MSSTEREO = 3, MC_MODE_DUALCHANNEL = 4 };

/* Unit-state bits of MPGE_getUnitStates. */
enum { MU_MMX = 0x2, MU_3DNOW = 0x4, MU_SSE = 0x8, MU_E3DNOW = 0x20 };

/* The read callback of MC_INPDEV_USERFUNC input: fills exactly length bytes and returns 0, or
 * returns 1 when the input is finished and nothing was delivered. */
typedef int32_t (*MPGE_READ_FUNC)(void *buffer, int32_t length);

/* The description of callback input: interleaved signed little-endian PCM. */
typedef struct MPGE_USERFUNC {
    MPGE_READ_FUNC read;
    int32_t totalSize; /* bytes, or -1 when unknown */
    int32_t bitsPerSample;
    int32_t sampleRate;
    int32_t channels;
} MPGE_USERFUNC;

/* The read function's pointer keeps its native size; the four integers follow it. */
#ifdef __cplusplus
static_assert(offsetof(MPGE_USERFUNC, totalSize) == sizeof(void *), "MPGE_USERFUNC layout");
static_assert(sizeof(MPGE_USERFUNC) == sizeof(void *) + 4 * sizeof(int32_t), "MPGE_USERFUNC layout");
#else
_Static_assert(offsetof(MPGE_USERFUNC, totalSize) == sizeof(void *), "MPGE_USERFUNC layout");
_Static_assert(sizeof(MPGE_USERFUNC) == sizeof(void *) + 4 * sizeof(int32_t), "MPGE_USERFUNC layout");
#endif

#define MPGE_VERSION_TEXT_SIZE 512

int32_t MPGE_initializeWork(void);
int32_t MPGE_setConfigure(int32_t item, int32_t value, const void *pointer);
int32_t MPGE_getConfigure(int32_t item, void *pointer);
int32_t MPGE_detectConfigure(void);
int32_t MPGE_processFrame(void);
int32_t MPGE_closeCoder(void);
int32_t MPGE_endCoder(void);
int32_t MPGE_getUnitStates(uint32_t *states);
int32_t MPGE_getVersion(uint32_t *code, char *text); /* text: MPGE_VERSION_TEXT_SIZE bytes */
/* Optional, beside the nine: the reason for the last failure in words (for example "cannot write
 * the MP3 file: No space left on device"), empty when there was none since MPGE_initializeWork. */
int32_t MPGE_getLastError(char *text, int32_t size);

/* Function pointer types for run-time loading. */
typedef int32_t (*MPGE_initializeWork_fn)(void);
typedef int32_t (*MPGE_setConfigure_fn)(int32_t, int32_t, const void *);
typedef int32_t (*MPGE_getConfigure_fn)(int32_t, void *);
typedef int32_t (*MPGE_detectConfigure_fn)(void);
typedef int32_t (*MPGE_processFrame_fn)(void);
typedef int32_t (*MPGE_closeCoder_fn)(void);
typedef int32_t (*MPGE_endCoder_fn)(void);
typedef int32_t (*MPGE_getUnitStates_fn)(uint32_t *);
typedef int32_t (*MPGE_getVersion_fn)(uint32_t *, char *);
typedef int32_t (*MPGE_getLastError_fn)(char *, int32_t);

#ifdef __cplusplus
}
#endif

#endif
