#include "FileSystem.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tb {

bool LocalFileSystem::fileExists(const QString &path)
{
    QFileInfo info(path);
    return info.exists() && !info.isDir();
}

bool LocalFileSystem::folderExists(const QString &path) { return QFileInfo(path).isDir(); }

bool LocalFileSystem::createFolders(const QString &path) { return QDir().mkpath(path); }

bool LocalFileSystem::deleteFile(const QString &path) { return ::unlink(QFile::encodeName(path).constData()) == 0; }

int64_t LocalFileSystem::fileSize(const QString &path)
{
    // Non-blocking, so that a named pipe without a writer cannot hang the caller.
    int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat st {};
    int64_t size = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode) ? static_cast<int64_t>(st.st_size) : -1;
    ::close(fd);
    return size;
}

QString executablePath()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString FileNameOf(const QString &path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

QString withTrailingSlash(const QString &folder)
{
    return folder.endsWith('/') ? folder : folder + '/';
}

QString executableFolder() { return withTrailingSlash(QFileInfo(executablePath()).absolutePath()); }

QString programFolderFor(const QString &exeFolder)
{
    if (::access(QFile::encodeName(exeFolder).constData(), W_OK) == 0)
        return withTrailingSlash(exeFolder);
    QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    QString base = dataHome.isEmpty() ? QDir::homePath() + "/.local/share" : QString::fromLocal8Bit(dataHome);
    QString folder = withTrailingSlash(base) + "tonebridge/";
    QDir().mkpath(folder);
    return folder;
}

QString programFolder()
{
    // An override lets tests and portable installs point the program at another folder.
    QByteArray overridden = qgetenv("TONEBRIDGE_PROGRAM_FOLDER");
    if (!overridden.isEmpty())
        return withTrailingSlash(QString::fromLocal8Bit(overridden));
    return programFolderFor(executableFolder());
}

} // namespace tb
