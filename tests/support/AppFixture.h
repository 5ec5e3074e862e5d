// A main window on a temporary program folder, with scripted dialogs and a recording shell.
#pragma once

#include "app/MainFrm.h"
#include "platform/ErrorReport.h"
#include "settings/BigIniFile.h"
#include "support/TempDir.h"

#include <QApplication>
#include <memory>

namespace tb::test {

inline Application &application()
{
    static int argc = 1;
    static char name[] = "tonebridge-tests";
    static char *argv[] = {name, nullptr};
    static Application *instance = [] {
        auto *app = new Application(argc, argv);
        app->setApplicationName("Tonebridge");
        return app;
    }();
    return *instance;
}

struct AppFixture {
    AppFixture()
    {
        application();
        ErrorReport::setDialogs(&dialogs);
    }
    ~AppFixture()
    {
        window.reset();
        ErrorReport::setDialogs(nullptr);
    }
    TMainFrm &create()
    {
        window = std::make_unique<TMainFrm>(context);
        return *window;
    }
    QString settingsFile() const { return TAppIniFile::SettingsFileName(folder.path()); }

    TempDir folder;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    FaultyFileSystem fileSystem;
    CountingCursor cursor;
    // The codec libraries are the ones built beside the test programs.
    AppContext context{dialogs, shell, fileSystem, cursor, folder.path(), executableFolder()};
    std::unique_ptr<TMainFrm> window;
};

} // namespace tb::test
