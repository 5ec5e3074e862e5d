// The top-level error report: an exception leaving a handler is shown in a message box,
// the interrupted step ends there and the program keeps running.
#pragma once

#include "Dialogs.h"

#include <QApplication>
#include <exception>
#include <functional>

namespace tb {

class ErrorReport {
public:
    // The dialogs that show the report; null falls back to standard error.
    static void setDialogs(Dialogs *dialogs);
    static void report(const std::exception &error);
    // Runs a step; an exception leaving it is reported and swallowed. Returns false when one was.
    static bool run(const std::function<void()> &step);

private:
    static Dialogs *dialogs_;
};

// The application object: every event handler runs inside the error report.
class Application : public QApplication {
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace tb
