// A temporary folder for one test, removed with everything in it afterwards.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include "QtPrinters.h"

namespace tb::test {

class TempDir {
public:
    TempDir() : dir_(QDir::tempPath() + "/tonebridge-test-XXXXXX") {}
    // The folder with a trailing "/".
    QString path() const { return dir_.path() + "/"; }
    QString file(const QString &name) const { return path() + name; }

    QString write(const QString &name, const QByteArray &bytes) const
    {
        QString full = file(name);
        QFile f(full);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return full;
    }
    static QByteArray read(const QString &fullPath)
    {
        QFile f(fullPath);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }

private:
    QTemporaryDir dir_;
};

} // namespace tb::test
