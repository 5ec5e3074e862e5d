// The services the windows work with. The program passes the real ones; tests pass doubles
// and a temporary program folder.
#pragma once

#include "platform/BusyCursor.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"

#include <QString>

namespace tb {

struct AppContext {
    Dialogs &dialogs;
    Shell &shell;
    FileSystem &fileSystem;
    CursorControl &cursor;
    QString programFolder; // ends with "/"
    QString libraryFolder; // where decoder.so and encoder.so live; ends with "/"
};

} // namespace tb
