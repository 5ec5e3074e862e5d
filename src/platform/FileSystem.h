// File system services: existence, folder creation, deletion, sizes, the running executable.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

namespace tb {

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool fileExists(const QString &path) = 0;
    virtual bool folderExists(const QString &path) = 0;
    // Creates the folder with its missing parents; true when it exists afterwards.
    virtual bool createFolders(const QString &path) = 0;
    virtual bool deleteFile(const QString &path) = 0;
    // Size in bytes, or -1 when the file cannot be opened for reading.
    virtual int64_t fileSize(const QString &path) = 0;
};

class LocalFileSystem : public FileSystem {
public:
    bool fileExists(const QString &path) override;
    bool folderExists(const QString &path) override;
    bool createFolders(const QString &path) override;
    bool deleteFile(const QString &path) override;
    int64_t fileSize(const QString &path) override;
};

// Why the path cannot be read as a file, in the system's words ("No such file or directory",
// "not a regular file"); empty when it is a regular file that can be opened for reading.
// Never blocks, also on a named pipe.
QString unreadableFileReason(const QString &path);

// The full path of the running executable.
QString executablePath();

// The program folder, always ending in "/": the executable's folder when it is writable,
// otherwise the per-user data folder ($XDG_DATA_HOME/tonebridge/, default ~/.local/share/tonebridge/).
QString programFolderFor(const QString &executableFolder);
QString programFolder();

// The executable's own folder with a trailing "/" (where the codec libraries live).
QString executableFolder();

// The file name of a path: the text after the last "/".
QString FileNameOf(const QString &path);

// Appends "/" unless the text already ends with one.
QString withTrailingSlash(const QString &folder);

} // namespace tb
