/* The asynchronous MPEG audio player API of decoder.so.
 *
 * A caller creates a player, sends it numbered commands and receives numbered notifications, which
 * the player posts to the caller's window (window.h) as the message XA_NOTIFY_WINDOW_MESSAGE.
 * control_win32_params_to_message turns such a posted message back into an XA_Message.
 *
 * XA_Message keeps the field order of the original 32-bit record: the code first, small integers
 * from byte 4 on, pointers after them at their natural (64-bit) alignment. The offsets are fixed
 * here and checked below.
 *
 * How decoder.so answers:
 * - Every command is answered with XA_MSG_NOTIFY_ACK or XA_MSG_NOTIFY_NACK (with an error code);
 *   failures to open, read, decode or write also bring XA_MSG_NOTIFY_ERROR with a readable text.
 * - Outputs: "wav:<path>" writes a 16-bit PCM RIFF WAVE file; "", "audio" or "default" (or no
 *   output opened at all) plays on the default audio device. A new OutputOpen or OutputClose
 *   completes the file; its header is also brought up to date at every end of input.
 * - XA_MSG_NOTIFY_PLAYER_STATE: 0 stopped, 1 playing, 2 paused, 3 the input was decoded to its end.
 *   Stop goes back to the start of the input; Play after the end starts it again.
 * - InputOpen reports the stream (mime type, parameters, duration in whole seconds); while
 *   decoding, the timecode every second (SetInputTimecodeGranularity) and the position whenever
 *   it changes in a range of 1000 (SetInputPositionRange).
 * - SetCodecEqualizer: 32 bands per channel on the decoder's subbands, a band value v is a gain
 *   of v/10 dB; null switches the equalizer off. GetCodecEqualizer answers with the bands (all 0
 *   while off).
 * - Priorities 0 to 4 (3 by default) map to the decoding thread's scheduling priority.
 * - Filters, module registration, module messages, output channel and port routing and codec
 *   qualities other than 0 are refused with XA_ERROR_NOT_SUPPORTED. The notification mask and
 *   the debug level are kept and reported, not applied. */
#ifndef TONEBRIDGE_XAUDIO_H
#define TONEBRIDGE_XAUDIO_H

#include <stddef.h>
#include <stdint.h>

#include "window.h"

#ifdef __cplusplus
extern "C" {
#endif

#define XA_API_VERSION_MAJOR 3
#define XA_API_VERSION_MINOR 8

/* The window message number every notification is posted with (wparam: the player's serial
 * number, lparam: the notification's sequence number). */
#define XA_NOTIFY_WINDOW_MESSAGE 0x9100u

/* Command codes. */
enum {
    XA_MSG_COMMAND_SYNC = 2,
    XA_MSG_COMMAND_PING = 3,
    XA_MSG_COMMAND_PLAY = 4,
    XA_MSG_COMMAND_PAUSE = 5,
    XA_MSG_COMMAND_STOP = 6,
    XA_MSG_COMMAND_INPUT_SEEK = 7,
    XA_MSG_COMMAND_INPUT_OPEN = 8,
    XA_MSG_COMMAND_INPUT_CLOSE = 9,
    XA_MSG_COMMAND_INPUT_SEND_MESSAGE = 10,
    XA_MSG_COMMAND_INPUT_ADD_FILTER = 11,
    XA_MSG_COMMAND_INPUT_REMOVE_FILTER = 12,
    XA_MSG_COMMAND_INPUT_FILTERS_LIST = 13,
    XA_MSG_COMMAND_INPUT_MODULE_REGISTER = 14,
    XA_MSG_COMMAND_INPUT_MODULE_QUERY = 15,
    XA_MSG_COMMAND_INPUT_MODULES_LIST = 16,
    XA_MSG_COMMAND_OUTPUT_OPEN = 17,
    XA_MSG_COMMAND_OUTPUT_CLOSE = 18,
    XA_MSG_COMMAND_OUTPUT_SEND_MESSAGE = 19,
    XA_MSG_COMMAND_OUTPUT_MUTE = 20,
    XA_MSG_COMMAND_OUTPUT_UNMUTE = 21,
    XA_MSG_COMMAND_OUTPUT_RESET = 22,
    XA_MSG_COMMAND_OUTPUT_DRAIN = 23,
    XA_MSG_COMMAND_OUTPUT_ADD_FILTER = 24,
    XA_MSG_COMMAND_OUTPUT_REMOVE_FILTER = 25,
    XA_MSG_COMMAND_OUTPUT_FILTERS_LIST = 26,
    XA_MSG_COMMAND_OUTPUT_MODULE_REGISTER = 27,
    XA_MSG_COMMAND_OUTPUT_MODULE_QUERY = 28,
    XA_MSG_COMMAND_OUTPUT_MODULES_LIST = 29,
    XA_MSG_COMMAND_CODEC_SEND_MESSAGE = 30,
    XA_MSG_COMMAND_CODEC_MODULE_REGISTER = 31,
    XA_MSG_COMMAND_CODEC_MODULE_QUERY = 32,
    XA_MSG_COMMAND_CODEC_MODULES_LIST = 33,
    XA_MSG_SET_PLAYER_MODE = 34,
    XA_MSG_GET_PLAYER_MODE = 35,
    XA_MSG_SET_PLAYER_ENVIRONMENT_INTEGER = 36,
    XA_MSG_GET_PLAYER_ENVIRONMENT_INTEGER = 37,
    XA_MSG_SET_PLAYER_ENVIRONMENT_STRING = 38,
    XA_MSG_GET_PLAYER_ENVIRONMENT_STRING = 39,
    XA_MSG_UNSET_PLAYER_ENVIRONMENT = 40,
    XA_MSG_SET_INPUT_NAME = 41,
    XA_MSG_GET_INPUT_NAME = 42,
    XA_MSG_SET_INPUT_MODULE = 43,
    XA_MSG_GET_INPUT_MODULE = 44,
    XA_MSG_SET_INPUT_POSITION_RANGE = 45,
    XA_MSG_GET_INPUT_POSITION_RANGE = 46,
    XA_MSG_SET_INPUT_TIMECODE_GRANULARITY = 47,
    XA_MSG_GET_INPUT_TIMECODE_GRANULARITY = 48,
    XA_MSG_SET_OUTPUT_NAME = 49,
    XA_MSG_GET_OUTPUT_NAME = 50,
    XA_MSG_SET_OUTPUT_MODULE = 51,
    XA_MSG_GET_OUTPUT_MODULE = 52,
    XA_MSG_SET_OUTPUT_VOLUME = 57,
    XA_MSG_GET_OUTPUT_VOLUME = 58,
    XA_MSG_SET_OUTPUT_CHANNELS = 59,
    XA_MSG_GET_OUTPUT_CHANNELS = 60,
    XA_MSG_SET_OUTPUT_PORTS = 61,
    XA_MSG_GET_OUTPUT_PORTS = 62,
    XA_MSG_SET_CODEC_QUALITY = 63,
    XA_MSG_GET_CODEC_QUALITY = 64,
    XA_MSG_SET_CODEC_EQUALIZER = 65,
    XA_MSG_GET_CODEC_EQUALIZER = 66,
    XA_MSG_SET_NOTIFICATION_MASK = 69,
    XA_MSG_GET_NOTIFICATION_MASK = 70,
    XA_MSG_SET_DEBUG_LEVEL = 71,
    XA_MSG_GET_DEBUG_LEVEL = 72
};

/* Notification codes. */
enum {
    XA_MSG_NOTIFY_READY = 73,
    XA_MSG_NOTIFY_ACK = 74,
    XA_MSG_NOTIFY_NACK = 75,
    XA_MSG_NOTIFY_PONG = 76,
    XA_MSG_NOTIFY_EXITED = 77,
    XA_MSG_NOTIFY_PLAYER_STATE = 78,
    XA_MSG_NOTIFY_PLAYER_MODE = 79,
    XA_MSG_NOTIFY_PLAYER_ENVIRONMENT_INTEGER = 80,
    XA_MSG_NOTIFY_PLAYER_ENVIRONMENT_STRING = 81,
    XA_MSG_NOTIFY_INPUT_STATE = 82,
    XA_MSG_NOTIFY_INPUT_NAME = 83,
    XA_MSG_NOTIFY_INPUT_CAPS = 84,
    XA_MSG_NOTIFY_INPUT_POSITION = 85,
    XA_MSG_NOTIFY_INPUT_POSITION_RANGE = 86,
    XA_MSG_NOTIFY_INPUT_TIMECODE = 87,
    XA_MSG_NOTIFY_INPUT_TIMECODE_GRANULARITY = 88,
    XA_MSG_NOTIFY_INPUT_MODULE = 89,
    XA_MSG_NOTIFY_INPUT_MODULE_INFO = 90,
    XA_MSG_NOTIFY_INPUT_DEVICE_INFO = 91,
    XA_MSG_NOTIFY_INPUT_FILTER_INFO = 92,
    XA_MSG_NOTIFY_OUTPUT_STATE = 93,
    XA_MSG_NOTIFY_OUTPUT_NAME = 94,
    XA_MSG_NOTIFY_OUTPUT_CAPS = 95,
    XA_MSG_NOTIFY_OUTPUT_VOLUME = 100,
    XA_MSG_NOTIFY_OUTPUT_BALANCE = 101,
    XA_MSG_NOTIFY_OUTPUT_PCM_LEVEL = 102,
    XA_MSG_NOTIFY_OUTPUT_MASTER_LEVEL = 103,
    XA_MSG_NOTIFY_OUTPUT_CHANNELS = 104,
    XA_MSG_NOTIFY_OUTPUT_PORTS = 105,
    XA_MSG_NOTIFY_OUTPUT_MODULE = 106,
    XA_MSG_NOTIFY_OUTPUT_MODULE_INFO = 107,
    XA_MSG_NOTIFY_OUTPUT_DEVICE_INFO = 108,
    XA_MSG_NOTIFY_OUTPUT_FILTER_INFO = 109,
    XA_MSG_NOTIFY_STREAM_MIME_TYPE = 110,
    XA_MSG_NOTIFY_STREAM_DURATION = 111,
    XA_MSG_NOTIFY_STREAM_PARAMETERS = 112,
    XA_MSG_NOTIFY_STREAM_PROPERTIES = 113,
    XA_MSG_NOTIFY_CODEC_QUALITY = 114,
    XA_MSG_NOTIFY_CODEC_EQUALIZER = 115,
    XA_MSG_NOTIFY_CODEC_MODULE = 116,
    XA_MSG_NOTIFY_CODEC_MODULE_INFO = 117,
    XA_MSG_NOTIFY_CODEC_DEVICE_INFO = 118,
    XA_MSG_NOTIFY_NOTIFICATION_MASK = 119,
    XA_MSG_NOTIFY_DEBUG_LEVEL = 120,
    XA_MSG_NOTIFY_PROGRESS = 121,
    XA_MSG_NOTIFY_DEBUG = 122,
    XA_MSG_NOTIFY_ERROR = 123
};

/* Player states (XA_MSG_NOTIFY_PLAYER_STATE). */
enum {
    XA_PLAYER_STATE_STOPPED = 0,
    XA_PLAYER_STATE_PLAYING = 1,
    XA_PLAYER_STATE_PAUSED = 2,
    XA_PLAYER_STATE_EOF = 3
};

/* Input and output states (XA_MSG_NOTIFY_INPUT_STATE, XA_MSG_NOTIFY_OUTPUT_STATE). */
enum { XA_INPUT_STATE_CLOSED = 0, XA_INPUT_STATE_OPEN = 1 };
enum { XA_OUTPUT_STATE_CLOSED = 0, XA_OUTPUT_STATE_OPEN = 1 };

/* Where a reported error comes from (XA_MSG_NOTIFY_ERROR source). */
enum {
    XA_ERROR_SOURCE_PLAYER = 0,
    XA_ERROR_SOURCE_INPUT = 1,
    XA_ERROR_SOURCE_CODEC = 2,
    XA_ERROR_SOURCE_OUTPUT = 3
};

/* Result and error codes; xaudio_error_string gives their texts. */
enum {
    XA_SUCCESS = 0,
    XA_FAILURE = -1,
    XA_ERROR_OUT_OF_MEMORY = -2,
    XA_ERROR_INVALID_PARAMETERS = -3,
    XA_ERROR_NOT_SUPPORTED = -4,
    XA_ERROR_INVALID_STATE = -5,
    XA_ERROR_NO_INPUT = -6,
    XA_ERROR_INPUT_OPEN_FAILED = -7,
    XA_ERROR_INPUT_READ_FAILED = -8,
    XA_ERROR_INVALID_STREAM = -9,
    XA_ERROR_DECODE_FAILED = -10,
    XA_ERROR_OUTPUT_OPEN_FAILED = -11,
    XA_ERROR_OUTPUT_WRITE_FAILED = -12,
    XA_ERROR_OUTPUT_FORMAT_CHANGED = -13,
    XA_ERROR_NO_SUCH_MODULE = -14,
    XA_ERROR_NO_SUCH_ENVIRONMENT = -15,
    XA_ERROR_INVALID_PLAYER = -16
};

/* 32 bands for the left channel, then 32 for the right; a band value v is a gain of v/10 dB. */
typedef struct XA_EqualizerInfo {
    int8_t left[32];
    int8_t right[32];
} XA_EqualizerInfo;

typedef struct XA_Property {
    const char *name;
    const char *value;
} XA_Property;

/* Module, device and filter descriptions share one layout for input, output and codec. */
typedef struct XA_ModuleInfoData {
    int32_t code;
    uint8_t id;
    uint8_t nb_devices;
    const char *name;
    const char *description;
} XA_ModuleInfoData;

typedef struct XA_DeviceInfoData {
    int32_t code;
    uint8_t module_id;
    uint8_t index;
    uint8_t flags;
    const char *name;
    const char *description;
} XA_DeviceInfoData;

typedef struct XA_FilterInfoData {
    int32_t code;
    const char *name;
    uint8_t id;
} XA_FilterInfoData;

/* One notification. Every member starts with the code, so `code` can be read whatever the
 * notification is. */
typedef union XA_Message {
    int32_t code;
    struct { int32_t code; uint8_t command; } ack;
    struct { int32_t code; uint8_t command; uint8_t reserved; int16_t error; } nack;
    struct { int32_t code; uint32_t tag; } pong;
    struct { int32_t code; uint8_t state; } state;       /* player, input and output state */
    struct { int32_t code; int32_t mode; } mode;
    struct { int32_t code; const char *name; int32_t value; } env_integer;
    struct { int32_t code; const char *name; const char *value; } env_string;
    struct { int32_t code; const char *name; } name;     /* input name, output name, mime type */
    struct { int32_t code; uint32_t caps; } caps;
    struct { int32_t code; uint32_t offset; uint32_t range; } position;
    struct { int32_t code; int32_t range; } position_range;
    struct { int32_t code; uint8_t h, m, s, f; } timecode;
    struct { int32_t code; uint32_t granularity; } granularity;
    struct { int32_t code; int16_t id; } module_id;
    XA_ModuleInfoData module_info;
    XA_DeviceInfoData device_info;
    XA_FilterInfoData filter_info;
    struct { int32_t code; uint8_t master_level, pcm_level, balance; } volume;
    struct { int32_t code; uint8_t channels; } channels;
    struct { int32_t code; uint8_t ports; } ports;
    struct { int32_t code; uint32_t duration; } duration;
    struct { int32_t code; uint32_t frequency; int16_t bitrate; uint8_t nb_channels; } stream_parameters;
    struct { int32_t code; uint32_t nb_properties; XA_Property *properties; } stream_properties;
    struct { int32_t code; uint8_t quality; } quality;
    struct { int32_t code; XA_EqualizerInfo *equalizer; } equalizer;
    struct { int32_t code; uint32_t mask; } notification_mask;
    struct { int32_t code; uint8_t level; } debug_level;
    struct { int32_t code; uint8_t source, progress_code; int16_t value; const char *message; } progress;
    struct { int32_t code; uint8_t source, level; const char *message; } debug;
    struct { int32_t code; uint8_t source; uint8_t reserved; int16_t error; const char *message; } error;
} XA_Message;

typedef struct XA_Player XA_Player;

/* The 17 entry points. */
typedef int (*XA_player_new_fn)(XA_Player **player, tb_window **window);
typedef void (*XA_player_delete_fn)(XA_Player *player);
typedef int (*XA_player_set_priority_fn)(XA_Player *player, int priority);
typedef int (*XA_player_get_priority_fn)(XA_Player *player);
typedef const char *(*XA_xaudio_error_string_fn)(int code);
typedef uint32_t (*XA_xaudio_get_version_fn)(int which);
typedef int (*XA_send_N_fn)(XA_Player *player, int code);
typedef int (*XA_send_P_fn)(XA_Player *player, int code, const void *pointer);
typedef int (*XA_send_S_fn)(XA_Player *player, int code, const char *text);
typedef int (*XA_send_SS_fn)(XA_Player *player, int code, const char *text1, const char *text2);
typedef int (*XA_send_SI_fn)(XA_Player *player, int code, const char *text, int value);
typedef int (*XA_send_IPI_fn)(XA_Player *player, int code, int value1, const void *pointer, int value2);
typedef int (*XA_send_I_fn)(XA_Player *player, int code, int value);
typedef int (*XA_send_II_fn)(XA_Player *player, int code, int value1, int value2);
typedef int (*XA_send_III_fn)(XA_Player *player, int code, int value1, int value2, int value3);
typedef int (*XA_send_IIII_fn)(XA_Player *player, int code, int value1, int value2, int value3, int value4);
typedef int (*XA_params_to_message_fn)(XA_Player *player, XA_Message *message, uint32_t window_message,
                                       uintptr_t wparam, intptr_t lparam);

#ifdef __cplusplus
}
#endif

/* The layout the program and the library agree on. */
#ifdef __cplusplus
#define XA_STATIC_ASSERT static_assert
#else
#define XA_STATIC_ASSERT _Static_assert
#endif
XA_STATIC_ASSERT(sizeof(XA_EqualizerInfo) == 64, "64 equalizer bands");
XA_STATIC_ASSERT(offsetof(XA_Message, nack.command) == 4, "nack command at 4");
XA_STATIC_ASSERT(offsetof(XA_Message, nack.error) == 6, "nack code at 6");
XA_STATIC_ASSERT(offsetof(XA_Message, timecode.f) == 7, "timecode fractions at 7");
XA_STATIC_ASSERT(offsetof(XA_Message, position.range) == 8, "position range at 8");
XA_STATIC_ASSERT(offsetof(XA_Message, name.name) == 8, "names at 8");
XA_STATIC_ASSERT(offsetof(XA_Message, env_integer.value) == 16, "environment value at 16");
XA_STATIC_ASSERT(offsetof(XA_Message, module_info.nb_devices) == 5, "device count at 5");
XA_STATIC_ASSERT(offsetof(XA_Message, module_info.description) == 16, "description at 16");
XA_STATIC_ASSERT(offsetof(XA_Message, device_info.flags) == 6, "device flags at 6");
XA_STATIC_ASSERT(offsetof(XA_Message, filter_info.id) == 16, "filter id at 16");
XA_STATIC_ASSERT(offsetof(XA_Message, volume.balance) == 6, "balance at 6");
XA_STATIC_ASSERT(offsetof(XA_Message, stream_parameters.bitrate) == 8, "bitrate at 8");
XA_STATIC_ASSERT(offsetof(XA_Message, stream_parameters.nb_channels) == 10, "channels at 10");
XA_STATIC_ASSERT(offsetof(XA_Message, progress.value) == 6, "progress value at 6");
XA_STATIC_ASSERT(offsetof(XA_Message, error.error) == 6, "error code at 6");
XA_STATIC_ASSERT(offsetof(XA_Message, error.message) == 8, "error text at 8");
XA_STATIC_ASSERT(sizeof(XA_Message) == 24, "24-byte notification record");

#endif
