// Tonebridge: start-up. Creates the application core with its components, then the main window,
// the options dialog and the about box, and runs the user-interface loop until the program ends.
#include "AboutFrm.h"
#include "MainFrm.h"
#include "OptionsFrm.h"
#include "platform/ErrorReport.h"

int main(int argc, char **argv)
{
    tb::Application app(argc, argv);
    app.setApplicationName(QStringLiteral("Tonebridge"));
    app.setApplicationDisplayName(QStringLiteral("Tonebridge"));

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

    mainFrm->show();
    return app.exec();
}
