// File names as the file system's bytes. A Linux file name is any bytes but "/" and NUL, not
// necessarily UTF-8. A QString keeps such a name losslessly when every byte that is not part of
// valid UTF-8 is held as a lone low surrogate U+DC80..U+DCFF ("surrogate escape"): a name read
// from a playlist goes back to the disk byte for byte, while valid UTF-8 reads as usual.
// Every path that goes to or comes from the system passes through these two functions.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace tb {

QString pathFromBytes(std::string_view bytes);
QByteArray pathToBytes(const QString &path);
std::string pathToStdBytes(const QString &path);

// The text to show for a path: escaped bytes become U+FFFD, the replacement character.
QString displayPath(const QString &path);

} // namespace tb
