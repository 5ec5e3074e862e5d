// The desktop shell: open a file with its default handler, a folder in the file browser,
// a web address in the browser. Failures are silent; the result only tells whether it started.
#pragma once

#include <QString>
#include <QStringList>

namespace tb {

class Shell {
public:
    virtual ~Shell() = default;
    virtual bool openFile(const QString &path) = 0;
    virtual bool openFolder(const QString &path) = 0;
    virtual bool openAddress(const QString &url) = 0;
};

class DesktopShell : public Shell {
public:
    bool openFile(const QString &path) override;
    bool openFolder(const QString &path) override;
    bool openAddress(const QString &url) override;
};

// Test double: records what would have been opened, as "file:", "folder:" or "address:" + text.
class RecordingShell : public Shell {
public:
    QStringList opened;
    bool openFile(const QString &path) override { opened << "file:" + path; return true; }
    bool openFolder(const QString &path) override { opened << "folder:" + path; return true; }
    bool openAddress(const QString &url) override { opened << "address:" + url; return true; }
};

} // namespace tb
