#include "ProgramIcon.h"

#include <QFile>

namespace tb {

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString picture = QStringLiteral(":/icons/tonebridge-%1.png").arg(size);
        if (QFile::exists(picture))
            icon.addFile(picture, QSize(size, size));
    }
    return icon;
}

} // namespace tb
