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
    }
    return {};
}

} // namespace tb
