#include "ErrorReport.h"

#include "Exception.h"

#include <cstdio>

namespace tb {

Dialogs *ErrorReport::dialogs_ = nullptr;

void ErrorReport::setDialogs(Dialogs *dialogs) { dialogs_ = dialogs; }

void ErrorReport::report(const std::exception &error)
{
    auto *ours = dynamic_cast<const Exception *>(&error);
    QString text = ours ? ours->message() : QString::fromLocal8Bit(error.what());
    if (dialogs_)
        dialogs_->message(text);
    else
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

bool ErrorReport::run(const std::function<void()> &step)
{
    try {
        step();
        return true;
    } catch (const std::exception &error) {
        report(error);
        return false;
    }
}

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        ErrorReport::report(error);
        return false;
    }
}

} // namespace tb
