#include "wavepipe/MMErrors.h"

namespace tb {

QString MMMessageText(MMMessage message)
{
    switch (message) {
    case MMMessage::ErrorReadingWaveFile: return QStringLiteral("Error reading wave file");
    case MMMessage::InvalidWaveFile: return QStringLiteral("Invalid wave file...");
    case MMMessage::UnableToOpenWaveFile: return QStringLiteral("Unable to open wave file");
    case MMMessage::UnableToSetupIOBuffer: return QStringLiteral("Unable to setup file IO buffer");
    case MMMessage::ErrorSeekingFilePosition: return QStringLiteral("Error seeking file position");
    case MMMessage::UnableToAllocateWaveHeader: return QStringLiteral("Unable to allocate memory for wave header");
    case MMMessage::UnableToFreeHeaderMemory: return QStringLiteral("Unable to free header memory");
    case MMMessage::UnableToConvert: return QStringLiteral("Unable to convert to destination format");
    case MMMessage::NoWaveOutDevice: return QStringLiteral("No wave audio playing device found");
    case MMMessage::InvalidDeviceID: return QStringLiteral("Invalid DeviceID");
    case MMMessage::PropertyChangeWhileOpen: return QStringLiteral("Change to property while device was open");
    case MMMessage::InvalidWaveFormat: return QStringLiteral("Invalid wave format");
    case MMMessage::CannotPlayFormat: return QStringLiteral("The actual device can''t play this format");
    case MMMessage::UnableToOpenDevice: return QStringLiteral("Unable to open device");
    case MMMessage::UnableToStartDevice: return QStringLiteral("Unable to start device");
    case MMMessage::ErrorFillingBuffer: return QStringLiteral("Error filling wave buffer");
    case MMMessage::UnableToCloseDevice: return QStringLiteral("Unable to close device");
    case MMMessage::UnknownDeviceError: return QStringLiteral("Specified error number is out of range (unknown error)");
    }
    return {};
}

} // namespace tb
