// The conversion lists as the core sees them. The main window owns their widgets and attaches
// them to the core; start-up, exit and the batch reach the lists only through this.
#pragma once

#include "convert/ConvertPorts.h"

#include <QString>
#include <cstdint>

namespace tb {

class ListsPort {
public:
    virtual ~ListsPort() = default;
    virtual ConversionListPort &List(int32_t doWhat) = 0;
    virtual void ClearLists() = 0;
    virtual void LoadPlayList(const QString &path) = 0;
    virtual void SavePlayList(const QString &path, bool overwrite) = 0;
};

} // namespace tb
