// Tonebridge: start-up. Creates the main window, then the options dialog and the about box,
// and runs the user-interface loop until the program ends.
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

    std::unique_ptr<tb::TMainFrm> mainFrm;
    try {
        mainFrm = std::make_unique<tb::TMainFrm>(context);
    } catch (const std::exception &error) {
        // Without its components the main window cannot exist: report and end at once.
        tb::ErrorReport::report(error);
        return 1;
    }
    tb::TOptionsFrm optionsFrm(mainFrm->options(), context, *mainFrm, mainFrm.get());
    tb::TAboutFrm aboutFrm(mainFrm->options(), mainFrm.get());
    mainFrm->setDialogs(&optionsFrm, &aboutFrm);
    QObject::connect(mainFrm.get(), &tb::TMainFrm::terminateRequested, &app, &QApplication::quit, Qt::QueuedConnection);

    mainFrm->show();
    return app.exec();
}
