#include "Failure.h"

namespace tb::decoder {

const char *errorText(int code)
{
    switch (code) {
    case XA_SUCCESS: return "success";
    case XA_FAILURE: return "failure";
    case XA_ERROR_OUT_OF_MEMORY: return "out of memory";
    case XA_ERROR_INVALID_PARAMETERS: return "invalid parameters";
    case XA_ERROR_NOT_SUPPORTED: return "not supported";
    case XA_ERROR_INVALID_STATE: return "not possible in the player's current state";
    case XA_ERROR_NO_INPUT: return "no input is open";
    case XA_ERROR_INPUT_OPEN_FAILED: return "cannot open the input";
    case XA_ERROR_INPUT_READ_FAILED: return "cannot read the input";
    case XA_ERROR_INVALID_STREAM: return "the input is not an MPEG audio stream";
    case XA_ERROR_DECODE_FAILED: return "the input cannot be decoded";
    case XA_ERROR_OUTPUT_OPEN_FAILED: return "cannot open the output";
    case XA_ERROR_OUTPUT_WRITE_FAILED: return "cannot write the output";
    case XA_ERROR_OUTPUT_FORMAT_CHANGED: return "the output cannot change its format";
    case XA_ERROR_NO_SUCH_MODULE: return "no such module";
    case XA_ERROR_NO_SUCH_ENVIRONMENT: return "no such environment variable";
    case XA_ERROR_INVALID_PLAYER: return "invalid player";
    default: return "unknown error";
    }
}

} // namespace tb::decoder
