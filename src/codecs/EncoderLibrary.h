// The encoder library encoder.so, loaded once for the whole process and counted: the first
// binding that needs it loads it, the last one that lets go of it unloads it.
#pragma once

#include <tonebridge/gogo.h>

#include <QString>

namespace tb {

// The nine entry points, looked up in this order.
struct EncoderApi {
    MPGE_initializeWork_fn initializeWork = nullptr;
    MPGE_setConfigure_fn setConfigure = nullptr;
    MPGE_getConfigure_fn getConfigure = nullptr;
    MPGE_detectConfigure_fn detectConfigure = nullptr;
    MPGE_processFrame_fn processFrame = nullptr;
    MPGE_closeCoder_fn closeCoder = nullptr;
    MPGE_endCoder_fn endCoder = nullptr;
    MPGE_getUnitStates_fn getUnitStates = nullptr;
    MPGE_getVersion_fn getVersion = nullptr;
    // Optional: a library without it still loads, and failures then come without a reason.
    MPGE_getLastError_fn getLastError = nullptr;
};

class EncoderLibrary {
public:
    // Loads the library from path, or counts one more user when it is loaded already (the path
    // is then not looked at). False when the file or one of the entry points is missing.
    static bool Load(const QString &path);
    // One user less; the last one unloads the library.
    static void Release();
    static int LoadCount();
    // The entry points; valid while the load count is above 0.
    static const EncoderApi &Api();
};

} // namespace tb
