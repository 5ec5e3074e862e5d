#include "CommandLine.h"

#include <QCommandLineParser>
#include <QDir>
#include <QUrl>

namespace tb {

QString LocalPathOf(const QUrl &url)
{
    // file://host/... names a file on another machine, not one here.
    const bool here = url.host().isEmpty() || url.host() == QLatin1String("localhost");
    if (!url.isLocalFile() || !here)
        return {};
    return url.path(QUrl::FullyDecoded);
}

QStringList CommandLinePaths(const QStringList &names, const QString &workingFolder)
{
    QStringList paths;
    const QDir base(workingFolder);
    for (const QString &name : names) {
        if (name.isEmpty())
            continue;
        QString path = name;
        if (name.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
            path = LocalPathOf(QUrl(name));
            if (path.isEmpty())
                continue;
        }
        paths << QDir::cleanPath(base.absoluteFilePath(path));
    }
    return paths;
}

QStringList ParseCommandLine(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Converts between MPEG audio and WAV files and plays them. Files and folders named here "
                       "are added to the lists; when Tonebridge runs already, they are handed to it."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Audio files or folders to add."),
                                 QStringLiteral("[FILE|FOLDER...]"));
    parser.process(app);
    return CommandLinePaths(parser.positionalArguments(), QDir::currentPath());
}

} // namespace tb
