#include "AudioFileCollector.h"

#include "ListRouting.h"

#include <QDirIterator>
#include <QFileInfo>
#include <algorithm>

namespace tb {

bool IsAudioFileName(const QString &path)
{
    const QString extension = FileExtensionOf(path);
    return extension == QLatin1String(".mp3") || extension == QLatin1String(".mp2") ||
           extension == QLatin1String(".mp1") || extension == QLatin1String(".wav");
}

namespace {
QStringList audioFilesBelow(const QString &folder)
{
    QStringList found;
    // Without FollowSymlinks a link to a folder is not entered, so a loop of links cannot trap the walk.
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isFile() && IsAudioFileName(path))
            found << info.absoluteFilePath();
    }
    std::sort(found.begin(), found.end());
    return found;
}
} // namespace

QStringList CollectAudioFiles(const QStringList &paths)
{
    QStringList files;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isDir())
            files << audioFilesBelow(info.absoluteFilePath());
        else if (info.isFile() && IsAudioFileName(path))
            files << info.absoluteFilePath();
    }
    return files;
}

} // namespace tb
