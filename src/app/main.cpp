// Tonebridge: start-up. Creates the application core with its components, then the main window,
// the options dialog and the about box, and runs the user-interface loop until the program ends.
#include "AboutFrm.h"
#include "desktop/CommandLine.h"
#include "MainFrm.h"
#include "OptionsFrm.h"
#include "desktop/ProgramIcon.h"
#include "desktop/SingleInstance.h"
#include "lists/ConversionLists.h"
#include "platform/ErrorReport.h"

#include <QTimer>

int main(int argc, char **argv)
{
    tb::Application app(argc, argv);
    app.setApplicationName(QStringLiteral("Tonebridge"));
    app.setApplicationDisplayName(QStringLiteral("Tonebridge"));
    app.setApplicationVersion(QStringLiteral("3.6"));
    // The desktop entry and the icon the task bar shows for the program's windows.
    app.setDesktopFileName(QStringLiteral("org.tonebridge.Tonebridge"));
    app.setWindowIcon(tb::ProgramIcon());
    const QStringList startFiles = tb::ParseCommandLine(app);

    // A program already running on the same folder takes the files, and this start ends.
    tb::SingleInstance instance(tb::programFolder());
    switch (instance.claim(startFiles)) {
    case tb::SingleInstance::Role::HandedOver:
        return 0;
    case tb::SingleInstance::Role::NoAnswer:
        // Started from a file manager there is no terminal to read this, so it is a message box.
        tb::QtDialogs().message(QStringLiteral("Tonebridge is running already but does not answer."));
        return 1;
    case tb::SingleInstance::Role::First:
        break;
    }

    tb::QtDialogs dialogs;
    tb::DesktopShell shell;
    tb::LocalFileSystem fileSystem;
    tb::QtCursorControl cursor;
    tb::ErrorReport::setDialogs(&dialogs);
    tb::AppContext context{dialogs, shell, fileSystem, cursor, tb::programFolder(), tb::executableFolder()};

    std::unique_ptr<tb::ApplicationCore> core;
    try {
        core = std::make_unique<tb::ApplicationCore>(context);
    } catch (const std::exception &error) {
        // Without its components the main window cannot exist: report and end at once.
        tb::ErrorReport::report(error);
        return 1;
    }
    auto mainFrm = std::make_unique<tb::TMainFrm>(*core);
    tb::TOptionsFrm optionsFrm(core->options(), context, *core, mainFrm.get());
    tb::TAboutFrm aboutFrm(mainFrm->options(), mainFrm.get());
    mainFrm->setDialogs(&optionsFrm, &aboutFrm);
    QObject::connect(mainFrm.get(), &tb::TMainFrm::terminateRequested, &app, &QApplication::quit, Qt::QueuedConnection);

    // Files from the command line or from a later start join the lists as Add adds them; those
    // of this start once the last playlist has loaded.
    tb::TMainFrm &frm = *mainFrm;
    auto addFiles = [&frm](const QStringList &paths) {
        tb::ErrorReport::run([&] { frm.lists().AddPaths(paths); });
    };
    QObject::connect(&instance, &tb::SingleInstance::filesReceived, &frm, [&frm, addFiles](const QStringList &paths) {
        if (frm.isMinimized())
            frm.showNormal();
        frm.raise();
        frm.activateWindow();
        if (!paths.isEmpty())
            addFiles(paths);
    });

    mainFrm->show();
    if (!startFiles.isEmpty())
        QTimer::singleShot(0, &frm, [addFiles, startFiles] { addFiles(startFiles); });
    return app.exec();
}
