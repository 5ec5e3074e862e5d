#include "ListRouting.h"

#include "SizeText.h"
#include "core/AppState.h"

namespace tb {

QString FileExtensionOf(const QString &path)
{
    const QString name = FileNameOf(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return {};
    QString extension = name.mid(dot);
    for (QChar &c : extension)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    return extension;
}

int32_t TargetList(int32_t doWhat, const QString &path)
{
    const QString extension = FileExtensionOf(path);
    if (doWhat == dwMp3ToWav)
        return extension == QLatin1String(".wav") ? dwWavToMp3 : dwMp3ToWav;
    return extension.left(3) == QLatin1String(".mp") ? dwMp3ToWav : dwWavToMp3;
}

} // namespace tb
