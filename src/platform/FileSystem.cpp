#include "FileSystem.h"
#include "PathBytes.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tb {

bool LocalFileSystem::fileExists(const QString &path)
{
    struct stat st {};
    return ::stat(pathToBytes(path).constData(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool LocalFileSystem::folderExists(const QString &path)
{
    struct stat st {};
    return ::stat(pathToBytes(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool LocalFileSystem::createFolders(const QString &path)
{
    // Folder by folder on the bytes of the name, so that names which are not UTF-8 survive.
    QByteArray bytes = pathToBytes(path);
    while (bytes.size() > 1 && bytes.endsWith('/'))
        bytes.chop(1);
    if (bytes.isEmpty())
        return false;
    for (qsizetype at = 1; at <= bytes.size(); ++at) {
        if (at < bytes.size() && bytes[at] != '/')
            continue;
        const QByteArray part = bytes.left(at);
        if (::mkdir(part.constData(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    return ::stat(bytes.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool LocalFileSystem::deleteFile(const QString &path) { return ::unlink(pathToBytes(path).constData()) == 0; }

int64_t LocalFileSystem::fileSize(const QString &path)
{
    // Non-blocking, so that a named pipe without a writer cannot hang the caller.
    int fd = ::open(pathToBytes(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat st {};
    int64_t size = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode) ? static_cast<int64_t>(st.st_size) : -1;
    ::close(fd);
    return size;
}

QString unreadableFileReason(const QString &path)
{
    const int fd = ::open(pathToBytes(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    struct stat st {};
    QString reason;
    if (::fstat(fd, &st) != 0)
        reason = QString::fromLocal8Bit(std::strerror(errno));
    else if (S_ISDIR(st.st_mode))
        reason = QString::fromLocal8Bit(std::strerror(EISDIR));
    else if (!S_ISREG(st.st_mode))
        reason = QStringLiteral("not a regular file");
    ::close(fd);
    return reason;
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
