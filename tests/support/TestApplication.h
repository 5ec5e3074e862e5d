// The one Qt application object of a test program, made on first use and kept until the
// process ends. Programs with windows use application(); programs without widgets use
// coreApplication(). A program uses one of the two.
#pragma once

#include "platform/ErrorReport.h"

#include <QCoreApplication>

namespace tb::test {

namespace detail {
template <class App> App &makeApplication()
{
    static int argc = 1;
    static char name[] = "tonebridge-tests";
    static char *argv[] = {name, nullptr};
    static App *instance = [] {
        auto *app = new App(argc, argv);
        app->setApplicationName("Tonebridge");
        return app;
    }();
    return *instance;
}
} // namespace detail

// With widgets and the top-level error report.
inline Application &application() { return detail::makeApplication<Application>(); }

// Event loop only: codec events, timers, posted messages.
inline QCoreApplication &coreApplication() { return detail::makeApplication<QCoreApplication>(); }

} // namespace tb::test
