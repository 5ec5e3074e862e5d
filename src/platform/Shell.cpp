#include "Shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace tb {

bool DesktopShell::openFile(const QString &path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }
bool DesktopShell::openFolder(const QString &path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }
bool DesktopShell::openAddress(const QString &url) { return QDesktopServices::openUrl(QUrl(url)); }

} // namespace tb
