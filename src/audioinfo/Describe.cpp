#include "audioinfo/Describe.h"

#include "audioinfo/AudioInfo.h"
#include "platform/FileSystem.h"
#include "platform/PathBytes.h"
#include "wavepipe/MMWave.h"

#include <algorithm>
#include <stdexcept>

namespace tb {

namespace {

const QString UnknownFormat = QStringLiteral("Unknown Format");

QString twoDigits(int64_t value)
{
    QString text = QString::number(value);
    return text.size() < 2 ? QLatin1Char('0') + text : text;
}

// The file's name as the labels show it: bytes that are not UTF-8 appear as U+FFFD.
QString ShownName(const QString &path) { return displayPath(FileNameOf(path)); }

} // namespace

void DescribeMpegFile(InfoView &view, TAudioInfo &musicInfo, const QString &path)
{
    QString title;
    QString info;
    try {
        musicInfo.LoadFromFile(path);
        const TID3v1Tag &tag = musicInfo.Tag;
        title = tag.Found && !tag.Title.isEmpty() ? tag.Title : ShownName(path);
        const TMpegFrameHdr &hdr = musicInfo.FrameHdr;
        if (hdr.Valid) {
            info = QStringLiteral("MPEG ") + hdr.VersionText() + QStringLiteral(" Layer ") + hdr.LayerText() +
                   QStringLiteral(", ") + QString::number(hdr.SampleRate) + QStringLiteral("Hz, ") +
                   (hdr.ChannelMode() == 3 ? QStringLiteral("1") : QStringLiteral("2")) + QStringLiteral("Ch, ") +
                   QString::number(hdr.Bitrate) + QStringLiteral("KBps");
        } else {
            info = UnknownFormat;
        }
    } catch (...) {
        title = ShownName(path);
        info = UnknownFormat;
    }
    view.setMusicTitle(title);
    view.setMusicInfo(info);
}

void DescribeWaveFile(InfoView &view, const QString &path, TMMWave &wave)
{
    try {
        wave.SetFileName(path);
    } catch (...) {
        view.setMusicInfo(UnknownFormat);
        view.setMusicTitle(ShownName(path));
        return;
    }
    DescribeLoadedWave(view, path, wave);
}

void DescribeLoadedWave(InfoView &view, const QString &path, const TMMWave &wave)
{
    QString info;
    try {
        if (!wave.Loaded() || wave.FileName() != path)
            throw std::runtime_error("no wave file"); // nothing, or another file, is loaded
        info = wave.FormatString() + QStringLiteral(", ") + QString::number(wave.SampleRate()) +
               QStringLiteral("Hz, ") + (wave.Mode() == mStereo ? QStringLiteral("2") : QStringLiteral("1")) +
               QStringLiteral("Ch, ") + QString::number(wave.BitLength()) + QStringLiteral("Bit");
    } catch (...) {
        info = UnknownFormat;
    }
    view.setMusicInfo(info);
    view.setMusicTitle(ShownName(path));
}

QString ClockText(int32_t hours, int32_t minutes, int32_t seconds)
{
    return QString::asprintf("%.2d:%.2d:%.2d", hours, minutes, seconds);
}

QString SecondsClockText(int64_t seconds)
{
    seconds = std::max<int64_t>(seconds, 0); // no negative clocks
    return twoDigits(seconds / 3600) + QLatin1Char(':') + twoDigits(seconds % 3600 / 60) + QLatin1Char(':') +
           twoDigits(seconds % 60);
}

QString MillisecondsClockText(int64_t milliseconds)
{
    milliseconds = std::max<int64_t>(milliseconds, 0); // no negative clocks
    return twoDigits(milliseconds / 3600000) + QLatin1Char(':') + twoDigits(milliseconds % 3600000 / 60000) +
           QLatin1Char(':') + twoDigits(milliseconds % 60000 / 1000);
}

void SetStatus(InfoView &view, const QString &prefix)
{
    view.setStatusText(prefix + view.musicTitle());
}

void ShowIdle(InfoView &view)
{
    view.setCurrentTime(QStringLiteral("00:00:00"));
    view.setDurationTime(QStringLiteral("00:00:00"));
    view.setMusicTitle(QStringLiteral("Show current status here."));
    view.setMusicInfo(QStringLiteral("Show current music format information here."));
    SetStatus(view, PrefixReady);
}

} // namespace tb
