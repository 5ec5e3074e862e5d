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

} // namespace tb
