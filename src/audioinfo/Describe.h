// The texts of the information area: title and format line of the current file, the clocks,
// the status line and the idle state.
#pragma once

#include "platform/FileSystem.h"

#include "audioinfo/InfoView.h"

#include <QString>
#include <cstdint>

namespace tb {

class TAudioInfo;
class TMMWave;

// Status line prefixes.
inline const QString PrefixPlaying = QStringLiteral("Playing: ");
inline const QString PrefixPaused = QStringLiteral("Paused: ");
inline const QString PrefixConvertingToWav = QStringLiteral("Converting to WAV: ");
inline const QString PrefixConvertingToMp3 = QStringLiteral("Converting to MP3: ");
inline const QString PrefixReady = QStringLiteral("Ready... ");

// Probes the MPEG file with musicInfo and sets the title and the format line; never fails.
void DescribeMpegFile(InfoView &view, TAudioInfo &musicInfo, const QString &path);
// Loads the file into wave and sets the format line and the title; never fails.
void DescribeWaveFile(InfoView &view, const QString &path, TMMWave &wave);
// The same for a wave that already holds the file (for example after a probe); a wave holding
// another file or none shows "Unknown Format".
void DescribeLoadedWave(InfoView &view, const QString &path, const TMMWave &wave);

// "hh:mm:ss", each part at least two digits.
QString ClockText(int32_t hours, int32_t minutes, int32_t seconds);
QString SecondsClockText(int64_t seconds);
QString MillisecondsClockText(int64_t milliseconds);

// Status line = prefix + the current title.
void SetStatus(InfoView &view, const QString &prefix);
// The idle texts: zero clocks, the idle title and format line, "Ready... ".
void ShowIdle(InfoView &view);


} // namespace tb
