// The command line: `kestrel [FILE|FOLDER]...`, as a file manager's "Open with" passes it.
#pragma once

#include <QCoreApplication>
#include <QStringList>
#include <QUrl>

namespace tb {

// The path of a file: address on this machine; "" for any other address.
QString LocalPathOf(const QUrl &url);

// The named files and folders as absolute paths; relative ones are taken from `workingFolder`,
// file: addresses become their local paths. Nothing is checked here: the lists skip what they cannot take.
QStringList CommandLinePaths(const QStringList &names, const QString &workingFolder);

// Reads the arguments of `app` (answers --help and --version and ends there) and returns the
// paths named on it.
QStringList ParseCommandLine(const QCoreApplication &app);

} // namespace tb
