// Which list a chosen file goes to: decided by the active direction and the file's extension.
#pragma once

#include <QString>
#include <cstdint>

namespace tb {

// The text from the last "." of the file name on, ASCII letters lower-cased; "" when none.
QString FileExtensionOf(const QString &path);

// The list (a DoWhat value: 0 lstMp3Wav, 1 lstWavMp3) that takes the file when `doWhat` is active.
// "MP3 to WAV" sends only ".wav" files across; "WAV to MP3" sends only ".mp*" files across.
int32_t TargetList(int32_t doWhat, const QString &path);

} // namespace tb
