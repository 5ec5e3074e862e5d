// What went wrong inside the player: an error code of the API, where it happened and a text for
// the user.
#pragma once

#include <tonebridge/xaudio.h>

#include <string>

namespace tb::decoder {

struct Failure {
    int code = XA_FAILURE;
    int source = XA_ERROR_SOURCE_PLAYER;
    std::string message;
};

// The text of an API result code.
const char *errorText(int code);

} // namespace tb::decoder
