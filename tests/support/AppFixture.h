// A main window and its core on a temporary program folder, with scripted dialogs and a
// recording shell.
#pragma once

#include "platform/TestDoubles.h"
#include "app/MainFrm.h"
#include "platform/ErrorReport.h"
#include "settings/BigIniFile.h"
#include "support/ProgramContext.h"
#include "support/TempDir.h"
#include "support/TestApplication.h"

#include <QApplication>
#include <memory>

namespace tb::test {

struct AppFixture : ProgramContext {
    AppFixture()
    {
        application();
        ErrorReport::setDialogs(&dialogs);
    }
    ~AppFixture()
    {
        close();
        ErrorReport::setDialogs(nullptr);
    }
    // Ends the program as its exit does: the window goes, then the core with the codecs.
    void close()
    {
        window.reset();
        core.reset();
    }
    TMainFrm &create()
    {
        core = std::make_unique<ApplicationCore>(context);
        window = std::make_unique<TMainFrm>(*core);
        return *window;
    }
    QString settingsFile() const { return TAppIniFile::SettingsFileName(folder.path()); }

    std::unique_ptr<ApplicationCore> core;
    std::unique_ptr<TMainFrm> window;
};

} // namespace tb::test
