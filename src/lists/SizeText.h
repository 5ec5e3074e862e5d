// The texts shown for a file in a conversion list: its name and the size of the file.
#pragma once

#include "platform/FileSystem.h"

#include "platform/Exception.h"

#include <QLocale>
#include <QString>
#include <cstdint>

namespace tb {

class FileSystem;

// A file that cannot be opened to measure its size.
class EFOpenError : public EInOutError {
public:
    explicit EFOpenError(const QString &path) : EInOutError(QStringLiteral("Cannot open file %1").arg(path)) {}
};

// "512Bytes", "1.50KB", "1,024.00KB", "1.00MB": below 1024 the plain count, otherwise KB or MB
// with two decimals and the locale's grouping, after rounding to 7 significant digits.
QString SizeText(int64_t size, const QLocale &locale = QLocale());

// The size text of the file at `path`; throws EFOpenError when it cannot be opened.
QString FileSizeText(FileSystem &fileSystem, const QString &path, const QLocale &locale = QLocale());


// What a list shows for a file: its name, " -- ", its size text.
QString ListItemText(const QString &path, const QString &sizeText);

} // namespace tb
