// Failures of the wave components, one class per component family, and their message table.
#pragma once

#include "platform/Exception.h"

#include <QString>

namespace tb {

class EMMWaveError : public Exception {
public:
    using Exception::Exception;
};

class EMMConverterError : public Exception {
public:
    using Exception::Exception;
};

class EMMWaveOutError : public Exception {
public:
    using Exception::Exception;
};

// Every message text of the wave components comes from this one numbered table.
enum class MMMessage {
    ErrorReadingWaveFile = 1,
    InvalidWaveFile,
    UnableToOpenWaveFile,
    UnableToSetupIOBuffer,
    ErrorSeekingFilePosition,
    UnableToAllocateWaveHeader,
    UnableToFreeHeaderMemory,
    UnableToConvert,
    NoWaveOutDevice,
    InvalidDeviceID,
    PropertyChangeWhileOpen,
    InvalidWaveFormat,
    CannotPlayFormat,
    UnableToOpenDevice,
    UnableToStartDevice,
    ErrorFillingBuffer,
    UnableToCloseDevice,
    UnknownDeviceError,
};

QString MMMessageText(MMMessage message);

} // namespace tb
