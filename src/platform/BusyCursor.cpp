#include "BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace tb {

void QtCursorControl::showBusy() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
void QtCursorControl::restore() { QGuiApplication::restoreOverrideCursor(); }

} // namespace tb
